// What the POSIX files of the platform layer share: native paths and errno's classic numbers.
#pragma once

#include <string>

namespace alusta {

// The path as the system takes it (UTF-8). A NUL would end it early, so that it named another
// file: a path that holds one is refused.
std::string natiivi(const std::string& ansi);
// The folder of a native path: "." for a bare name, "/" at the root.
std::string vanhempi(const std::string& polku);
// errno to the classic number. A missing file whose folder is missing too is "path not found".
[[noreturn]] void heitaErrno(int e, const std::string& polku);

}  // namespace alusta
