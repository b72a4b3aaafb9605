// The printing set-up before the problem dialog prints a report.
#pragma once

#include "ikkunat/liittymat.h"

namespace frmpulma {

// Prepares the printer; "kysytulo.oma" in the current directory decides whether the printer
// is chosen in a dialog first. False when printing must not go on: the choice was cancelled,
// or no printer is usable (told in a message box). Other failures are reported with the step
// they happened at, and the answer stays as it was.
bool fe_AloitaTulostus(ikkunat::Tulostin& tulostin);

}  // namespace frmpulma
