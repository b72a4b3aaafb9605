// The main window as both fronts build it.
#pragma once

#include "ikkunat/kuvaus.h"

namespace frmmain {

// The window's caption as designed; start-up appends " - VER:" and the version.
inline constexpr const char* otsikko = "Konekielisen tiliotteen jakaminen yrityksittäin";
// The maker's contact line at the bottom right (UTF-8 here, ANSI in the description).
inline constexpr const char* yhteystiedot = "Vombra Oy, www.vombra.fi, puh. (09) 123 4567";

// frmMain: 36 controls in keyboard order, then the file dialog CommonDialog1.
const ikkunat::Ikkunakuvaus& kuvaus();

}  // namespace frmmain
