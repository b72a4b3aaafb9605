// kolvanto-cli: the split from the command line, for scheduled and headless runs.
#pragma once

#include <string>
#include <vector>

namespace cli {

inline constexpr int valmis = 0;
inline constexpr int tarkistusPysaytti = 1;
inline constexpr int virhe = 2;
// Split, but something needs a look (PaloitteluTulos::katsottavaa): not a quiet day, not done.
inline constexpr int katsottavaa = 3;
inline constexpr int kayttovirhe = 64;
// The statement file was refused as it is ("input data was incorrect", as 64 is sysexits'
// usage error): it fails again every day until someone acts, unlike 1.
inline constexpr int tiedostoHylatty = 65;

// Runs kolvanto-cli with its arguments (ANSI text, without the program name) and answers the
// exit status.
int suorita(const std::vector<std::string>& argumentit);

}  // namespace cli
