// The end of a TITO file that a split may not deliver yet: a last line cut short (shorter than
// its own record length, with no line end), or one that has no line end while the bank may
// still write it. And the batch that a pass beginning inside one continues.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "euro/alusta/alusta.h"

namespace split::tito {

struct Pidatys {
  std::uint64_t raja = 0;  // the pass ends here; the file's length when nothing is held back
  bool katkennut = false;  // the last record is shorter than its own length field
  // The T00 line of the batch held back, or of the batch the held-back line continues.
  std::optional<std::uint64_t> era;
};

// What of [alku, pituus) a split may deliver now (alku: a line's start). A last line without
// a line end is held back when it is shorter than the length in its positions 4-6, and, when
// kasvaa (the file may still grow), also when it has no length to tell; a cut record holds
// back its whole batch, as far as it lies after alku.
Pidatys pidatettava(alusta::Tiedosto& t, std::uint64_t alku, std::uint64_t pituus, bool kasvaa);

// The last T00 line that begins in [ala, ennen); none when there is none.
std::optional<std::uint64_t> viimeinenT00(alusta::Tiedosto& t, std::uint64_t ala, std::uint64_t ennen);

// Up to n bytes of the line at kohta, not past its end nor past pituus.
std::string rivinAlku(alusta::Tiedosto& t, std::uint64_t kohta, std::uint64_t pituus, std::size_t n);

// Whether a line begins at kohta: after a line end, or after a record that has no line end
// but is as long as its length field says (the split ended it with its own).
bool alkaakoRivi(alusta::Tiedosto& t, std::uint64_t kohta);

// The record length in positions 4-6 of a line beginning with "T" and two digits; none for
// any other line.
std::optional<std::size_t> tietueenPituus(std::string_view rivi);

}  // namespace split::tito
