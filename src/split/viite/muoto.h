// The reference-payment files' row in the table of statement formats.
#pragma once

#include "split/muoto.h"

namespace split::viite {

const Muoto& muoto();

}  // namespace split::viite
