// The platform sides' question to the test fault hook.
#pragma once

#include "euro/alusta/alusta.h"

namespace alusta {

// The fault that the installed hook asks for, if any.
std::optional<Vika> kysyVika(Vaihe vaihe, const std::string& polku, std::size_t n = 0);
// Whether a hook is installed (so that questions that cost a path need not be built).
bool koukkuAsetettu();

}  // namespace alusta
