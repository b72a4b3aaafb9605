// The search for T00 lines in a TITO archive's bytes, which the archiving split names ahead.
#pragma once

#include <cstddef>

namespace split::tito {

inline constexpr std::size_t eiT00 = static_cast<std::size_t>(-1);

// The first "T00" in b[i, n), or eiT00. It takes thirty-two bytes at a time where the
// processor has AVX2, unless kapea (tests try the sixteen-byte search too).
std::size_t etsiT00(const char* b, std::size_t i, std::size_t n, bool kapea = false);

}  // namespace split::tito
