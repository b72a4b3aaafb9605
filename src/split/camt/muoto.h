// The XML (ISO 20022) format's row in the table of statement formats.
#pragma once

#include "split/muoto.h"

namespace split::camt {

const Muoto& muoto();

}  // namespace split::camt
