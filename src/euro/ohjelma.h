// Program-wide values, set once at start-up and reached through ohjelma().
#pragma once

#include <functional>
#include <string>

#include "kolvanto_versio.h"
#include "liittymat.h"

namespace euro {

// The version text the window and the error report show: day.month.year.
inline constexpr const char* versio = KOLVANTO_VERSIOTEKSTI;
inline constexpr const char* ohjelmanOtsikko = "kolvanto";
// The maker's web server; the program's pages lie under it.
inline constexpr const char* valmistajanPalvelin = "https://www.vombra.fi";

struct Ohjelma {
  std::string datahakemisto;  // from fe_apppath at start-up; empty before
  std::string versio = euro::versio;
  Viestilaatikko* viestit = nullptr;
  Ongelmaikkuna* ongelmat = nullptr;
  Kaynnistin* kaynnistin = nullptr;
  // fe_apppath, which lies above this library; the fronts install it.
  std::function<std::string()> apppath;
};

// The values in force. Without an installed set, a default whose message box answers
// OK/No without showing anything and whose launcher refuses.
Ohjelma& ohjelma();
// Installs a set (a front or a test owns it) and returns the previous one; nullptr restores
// the default.
Ohjelma* asetaOhjelma(Ohjelma* uusi);

// Shortcuts that go through the installed interfaces.
int viesti(const std::string& teksti, const std::string& otsikko, int tyyli);
Kaynnistin& kaynnistin();
// The data directory as fe_apppath answers it now; without one installed, the program's own
// directory.
std::string apppath();

}  // namespace euro
