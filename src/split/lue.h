// Reading a file's bytes where they lie, for the splits and their recovery.
#pragma once

#include <cstddef>
#include <cstdint>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"

namespace split {

// Exactly n bytes at kohta, in as many reads as the system needs; a file that ends before
// them has changed under the split (57).
inline void lueKohdasta(alusta::Tiedosto& t, std::uint64_t kohta, char* p, std::size_t n) {
  std::size_t m = 0;
  while (m < n) {
    const std::size_t r = t.lueKohdasta(kohta + m, p + m, n - m);
    if (r == 0) euro::heitaVirhe(euro::virhenro::laitevirhe, t.polku());
    m += r;
  }
}

}  // namespace split
