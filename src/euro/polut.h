// Path, file and text helpers. Positions count from 1; 0 means not found.
#pragma once

#include <cstdint>
#include <string>

namespace euro {

// Reporting routines (report through fe_Virhe, then return the neutral result).
std::string fe_PaljasHakemisto(const std::string& polku);
std::string fe_PaljasTiedosto(const std::string& polku);
std::int16_t fe_cposr(const std::string& teksti, const std::string& haettava);
std::string va(const std::string& teksti, std::int16_t leveys);
double fe_yleisval(std::string teksti);

// Silent routines (false or "" on any failure).
bool fe_OnkoTiedosto(std::string polku);
bool fe_OnkoHakemisto(std::string polku);
bool fe_LuoHakemisto(std::string& polku);
std::string fe_LueEkaRivi(const std::string& tiedosto);
std::string fe_LueAsetus(const std::string& tiedosto, const std::string& avain);

// No trap: failures pass to the caller. An empty search text returns the text unchanged.
std::string fe_Korvaa(const std::string& teksti, const std::string& haettava,
                      const std::string& korvaava);

// The number reader under fe_yleisval: blanks, tabs and LFs skipped, sign, one decimal
// point, exponent, "&H" and "&O" integers; stops at the first character that cannot go on;
// no number gives 0. Throws Virhe 6 when the value does not fit a double.
double lueLuku(const std::string& teksti);

}  // namespace euro
