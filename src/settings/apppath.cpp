#include "settings/apppath.h"

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"

namespace settings {

namespace {

std::string pidetty;
std::optional<std::string> testinOhjelmanHakemisto;
std::optional<bool> testinKirjoitettava;

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

// Where a program that cannot write its own folder keeps the user's files:
// $XDG_DATA_HOME/kolvanto, by default ~/.local/share/kolvanto, made when missing. Given with
// its closing separator, so that "TITO-JAKO.OMA" appended to it lies inside it, beside
// virhelog.txt. Empty when there is no home or the folder cannot be made.
std::string kayttajanKansio() {
  std::string pohja = alusta::ymparistomuuttuja("XDG_DATA_HOME").value_or("");
  if (!alusta::onTaysiPolku(pohja)) {
    // A relative XDG_DATA_HOME is to be ignored, as the convention says.
    const std::string koti = alusta::ymparistomuuttuja("HOME").value_or("");
    if (!alusta::onTaysiPolku(koti)) return {};
    pohja = koti + sep + ".local" + sep + "share";
  }
  while (!pohja.empty() && pohja.back() == sep) pohja.pop_back();
  const std::string kansio = pohja + sep + "kolvanto";
  // Each missing level in turn, from the top; what exists is left as it is.
  for (std::size_t i = 1; i <= kansio.size(); ++i) {
    if (i < kansio.size() && kansio[i] != sep) continue;
    const std::string taso = kansio.substr(0, i);
    if (euro::fe_OnkoHakemisto(taso)) continue;
    try {
      alusta::luoOmaHakemisto(taso);
    } catch (...) {
      return {};
    }
  }
  return kansio + sep;
}

bool ohjelmanKansioKirjoitettava(const std::string& ohjelma) {
  if (testinKirjoitettava) return *testinKirjoitettava;
  if constexpr (alusta::onWindows) {
    return true;
  } else {
    return alusta::voikoKirjoittaa(ohjelma);
  }
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
  bool ohjattu = false;
  if (!rivi.empty()) {
    std::string c = ehdokas(rivi);
    // Only a full local path: a relative or network candidate, or a profile form without a
    // profile, would make the current directory something nobody chose.
    if (alusta::onTaysiPolku(c) && euro::fe_OnkoHakemisto(c)) {
      alusta::vaihdaAsema(c);
      alusta::vaihdaHakemisto(c);
      tulos = alusta::nykyinenHakemisto();
      ohjattu = true;
    }
  }
  // An installed Linux program (/usr/bin) cannot keep its settings and error log beside
  // itself: each user gets a folder of their own. Windows installs per user, where the user
  // can write, and keeps the program's folder.
  if (!ohjattu && !alusta::onWindows && !ohjelmanKansioKirjoitettava(ohjelma)) {
    std::string oma = kayttajanKansio();
    if (!oma.empty()) tulos = oma;
  }
  pidetty = tulos;
  return pidetty;
}

void nollaaApppath(std::optional<std::string> ohjelmanHakemisto, std::optional<bool> kirjoitettava) {
  pidetty.clear();
  testinOhjelmanHakemisto = std::move(ohjelmanHakemisto);
  testinKirjoitettava = kirjoitettava;
}

}  // namespace settings
