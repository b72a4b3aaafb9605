// The statements of a TITO file: its batches as the split delivers them, each with what its T00
// line and its last T40 line say of it, and its bytes' range and hash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "split/asetukset.h"
#include "split/tiliote.h"

namespace split::tito {

// The batches of the file from byte alku (a line's start) on, in order: a batch runs from a T00
// line to the next one, the lines before the first are passed over and a cut last batch is held
// back (pidatys.h), as the split in place has them. From alku 0, a file whose records begin
// before its first T00 line is refused by the split and gives none. Only T00 and T40 lines are
// looked into, and no more of them than the fields need: memory stays at the read buffer.
void lueTiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                   const std::function<void(const Tiliote&)>& anna);

}  // namespace split::tito
