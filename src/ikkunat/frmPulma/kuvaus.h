// The problem dialog as both fronts build it.
#pragma once

#include "ikkunat/kuvaus.h"

namespace frmpulma {

// frmPulma: the report text, six buttons, the hidden search terms and the data directory.
const ikkunat::Ikkunakuvaus& kuvaus();

}  // namespace frmpulma
