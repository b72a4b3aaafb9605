// The preview's frame: the column ruler over the T00 lines and the line of "X" under the key.
#pragma once

#include <cstdint>
#include <string>

namespace split::tito {

// "Pos " + first + ":" + last cut or padded to first - 1 characters, then an "X" for every
// position from first to last. Throws euro::Virhe 6 when the line would be longer than
// 32,767 characters.
std::string merkkirivi(std::int32_t posAlku, std::int32_t posLoppu);

// The column ruler, its digits and the tens under them, each line ending in CR LF.
std::string kehys();

}  // namespace split::tito
