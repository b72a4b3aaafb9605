// The program's data directory: the program's own, or where the marker file beside it points.
#pragma once

#include <optional>
#include <string>

namespace settings {

// Worked out once per process; later calls return the first result.
std::string fe_apppath();

// Tests only: forgets the held result and, when given, takes this as the program directory.
void nollaaApppath(std::optional<std::string> ohjelmanHakemisto = std::nullopt);

}  // namespace settings
