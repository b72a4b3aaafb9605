// The platform sides' question to the test fault hook.
#pragma once

#include "euro/alusta/alusta.h"

namespace alusta {

// The fault that the installed hook asks for, if any; never one numbered 0.
std::optional<Vika> kysyVika(Vaihe vaihe, const std::string& polku, std::size_t n = 0);
// For a read of n bytes: the fault, if any, and otherwise how many bytes to ask the system
// for (fewer when the hook answers a short read).
std::optional<Vika> kysyLukuVika(const std::string& polku, std::size_t& n);

}  // namespace alusta
