// The program's data directory: the program's own, or where the marker file beside it points;
// on POSIX, for a program in a folder the user cannot write, the user's own data folder.
#pragma once

#include <optional>
#include <string>

namespace settings {

// Worked out once per process; later calls return the first result.
std::string fe_apppath();

// Tests only: forgets the held result and, when given, takes this as the program directory
// and this answer to whether the user can write in it.
void nollaaApppath(std::optional<std::string> ohjelmanHakemisto = std::nullopt,
                   std::optional<bool> kirjoitettava = std::nullopt);

}  // namespace settings
