#include "settings/apppath.h"

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"

namespace settings {

namespace {

std::string pidetty;
std::optional<std::string> testinOhjelmanHakemisto;

constexpr char sep = alusta::erotin;

std::string ehdokas(const std::string& rivi) {
  const std::string profiili =
      alusta::ymparistomuuttuja(alusta::onWindows ? "USERPROFILE" : "HOME").value_or("");
  if (euro::trimmaa(rivi) == "*") {
    if (profiili.empty()) return {};
    for (const char* kansio : {"Omat tiedostot", "My documents", "Mina dokument"}) {
      std::string c = profiili + sep + kansio;
      if (euro::fe_OnkoHakemisto(c)) return c;
    }
    return profiili;
  }
  if (rivi[0] == '*') {
    if (profiili.empty()) return {};
    std::string loput = euro::trimmaa(rivi.substr(1));
    if (loput.empty() || loput[0] != sep) loput = sep + loput;
    return profiili + loput;
  }
  return rivi;
}

}  // namespace

std::string fe_apppath() {
  if (!pidetty.empty()) return pidetty;
  std::string ohjelma = testinOhjelmanHakemisto ? *testinOhjelmanHakemisto : alusta::ohjelmanHakemisto();
  std::string tulos = ohjelma;
  std::string merkki = ohjelma;
  if (merkki.empty() || merkki.back() != sep) merkki += sep;
  merkki += "ainehake.oma";
  std::string rivi = euro::fe_LueEkaRivi(merkki);
  if (!rivi.empty()) {
    std::string c = ehdokas(rivi);
    // Only a full local path: a relative or network candidate, or a profile form without a
    // profile, would make the current directory something nobody chose.
    if (alusta::onTaysiPolku(c) && euro::fe_OnkoHakemisto(c)) {
      alusta::vaihdaAsema(c);
      alusta::vaihdaHakemisto(c);
      tulos = alusta::nykyinenHakemisto();
    }
  }
  pidetty = tulos;
  return pidetty;
}

void nollaaApppath(std::optional<std::string> ohjelmanHakemisto) {
  pidetty.clear();
  testinOhjelmanHakemisto = std::move(ohjelmanHakemisto);
}

}  // namespace settings
