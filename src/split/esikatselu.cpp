#include "split/esikatselu.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/muoto.h"

namespace split {

namespace {

constexpr std::int64_t pisinRivi = std::numeric_limits<std::int16_t>::max();

}  // namespace

std::string merkkirivi(std::int32_t posAlku, std::int32_t posLoppu) {
  const std::int64_t leveys = static_cast<std::int64_t>(posAlku) - 1;
  const std::int64_t merkkeja = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  // Positions far beyond any T00 line would fill the disk with X's.
  if (std::max<std::int64_t>(leveys, 0) + std::max<std::int64_t>(merkkeja, 0) > pisinRivi)
    throw euro::Virhe(euro::virhenro::ylivuoto, euro::vakioviesti(euro::virhenro::ylivuoto) + ": Pos " +
                                                    std::to_string(posAlku) + ":" + std::to_string(posLoppu));
  std::string nimio = "Pos " + std::to_string(posAlku) + ":" + std::to_string(posLoppu);
  std::string rivi = leveys < 1 ? "" : euro::va(nimio, static_cast<std::int16_t>(leveys));
  if (merkkeja > 0) rivi.append(static_cast<std::size_t>(merkkeja), 'X');
  return rivi;
}

bool esikatselu(const PaloitteluAsetukset& a, const Kirjoitin& ulos) {
  const std::string& polku = a.txtPaloiteltavaTiedosto;
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
