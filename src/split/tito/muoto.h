// The TITO format's row in the table of statement formats.
#pragma once

#include "split/muoto.h"

namespace split::tito {

const Muoto& muoto();

}  // namespace split::tito
