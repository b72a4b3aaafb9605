#include "tiedostovalinta.h"

#include "polut.h"
#include "virhe.h"

namespace euro {

std::vector<Suodatin> suodattimet(const std::string& suodatin) {
  std::vector<std::string> osat;
  std::size_t alku = 0;
  for (;;) {
    std::size_t loppu = suodatin.find('|', alku);
    osat.push_back(suodatin.substr(alku, loppu == std::string::npos ? loppu : loppu - alku));
    if (loppu == std::string::npos) break;
    alku = loppu + 1;
  }
  std::vector<Suodatin> tulos;
  for (std::size_t i = 0; i + 1 < osat.size() && !osat[i].empty(); i += 2)
    tulos.push_back({osat[i], osat[i + 1]});
  return tulos;
}

Tiedostovalinta tiedostovalinta(const std::string& polku, const std::string& otsikko,
                                const std::string& kuvaus, const std::string& tarkenne) {
  Tiedostovalinta v;
  if (!polku.empty() && polku[0] == '*') {
    std::string hakemisto = fe_PaljasHakemisto(polku);
    v.tiedostonimi = hakemisto.empty() ? "" : hakemisto.substr(1);
  } else {
    v.alkuhakemisto = polku;
  }
  v.otsikko = otsikko;
  if (tarkenne.find('|') != std::string::npos)
    v.suodattimet = suodattimet(tarkenne);
  else
    v.suodattimet = suodattimet(kuvaus + " (*." + tarkenne + ")|*." + tarkenne + "||");
  v.valittuSuodatin = 0;
  return v;
}

std::string fe_AvaaTiedosto(Tiedostovalitsin& dialogi, const std::string& polku,
                            const std::string& otsikko, const std::string& kuvaus,
                            const std::string& tarkenne) {
  try {
    // A cancel clears the name, also one preset through the "*" form.
    return dialogi.valitse(tiedostovalinta(polku, otsikko, kuvaus, tarkenne)).value_or("");
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::avaaTiedosto);
    return "";
  }
}

}  // namespace euro
