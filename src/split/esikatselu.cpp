#include "split/esikatselu.h"

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/muoto.h"

namespace split {

bool esikatselu(const PaloitteluAsetukset& a, const Kirjoitin& ulos) {
  const std::string& polku = a.tiliotetiedosto;
  if (!euro::fe_OnkoTiedosto(polku)) {
    euro::viesti(euro::ansi("Tiedostoa ") + polku + euro::ansi("  ei löydy"), "", euro::tyyli::ok);
    return false;
  }
  muotoTiedostolle(polku).esikatsele(polku, a, ulos);
  return true;
}

bool naytaPaloitteluehto(const PaloitteluAsetukset& a) {
  try {
    const std::string polku = euro::fe_TempTiedosto(esikatselunNimi);
    alusta::Tiedosto tiedosto;
    // Opened at the first bytes: a missing statement file leaves an earlier preview alone.
    bool valmis = esikatselu(a, [&](const std::string& osa) {
      if (!tiedosto.onAuki()) tiedosto.avaa(polku, alusta::Tila::yksityinen);
      tiedosto.kirjoita(osa);
    });
    if (!valmis) return false;
    tiedosto.sulje();
    euro::se_AvaaMuistiossa(polku);
    return true;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    euro::viesti(v.viesti() + " (virhe " + std::to_string(v.numero()) + ")",
                 euro::ansi("PALOITTELUEHTOA EI NÄYTETTY"), euro::tyyli::okKriittinen);
    return false;
  }
}

}  // namespace split
