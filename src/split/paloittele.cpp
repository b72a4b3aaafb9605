#include "split/paloittele.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string_view>
#include <vector>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "split/historia.h"
#include "split/kesken.h"
#include "split/muoto.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;

const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";


}  // namespace

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

std::vector<Viimeistelty> viimeisteleKeskeneraiset(const std::string& tilioteKansio, int* jai) {
  std::vector<Viimeistelty> tulos;
  const std::string tuodut = tilioteKansio + sep + "TUODUT";
  // What a start cut off before its journal had its name left: no live split holds it.
  for (const std::string& nimi : alusta::tiedostot(tuodut, ".kesken.uusi")) {
    const std::string polku = tuodut + sep + nimi;
    try {
      alusta::Tiedosto t(polku, alusta::Tila::muokkaa);
      if (!t.lukitse()) continue;
      t.sulje();
      alusta::poistaTiedosto(polku);
    } catch (...) {
    }
  }
  for (const std::string& nimi : alusta::tiedostot(tuodut, ".kesken")) {
    const std::string polku = tuodut + sep + nimi;
    Paivakirja kirja;
    try {
      KirjanOtsikko o;
      KirjanJakso viimeinen;
      if (kirja.avaa(polku, o, viimeinen) != Paivakirja::Avattu::auki) continue;
      tarkistaOtsikko(o, polku);
      const std::string arkisto = tuodut + sep + o.arkisto;
      if (!viimeinen.siirretty && !alusta::pituusJosOn(arkisto)) {
        // The statement file was never moved: nothing was written.
        kirja.poista();
        continue;
      }
      if (!alusta::onkoTavallinenTiedosto(arkisto)) euro::heitaVirhe(euro::virhenro::tiedostoaEiLoydy, arkisto);
      // The header's check has found the format's row.
      const Muoto& muoto = *muotoNimella(o.muoto);
      Viimeistelty v{arkisto, 0, {}};
      v.eria = muoto.viimeistele(kirja, o, arkisto, viimeinen, v.yhteenveto);
      tulos.push_back(std::move(v));
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      kirja.sulje();
      if (jai) ++*jai;
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + polku + ")"), euro::paikka::paloittele);
    }
  }
  return tulos;
}

namespace {

// The run's entry in the history of the data directory. A failure is reported, and the
// split's result stands.
void kirjaaHistoriaan(const PaloitteluAsetukset& a, const PaloitteluTulos& tulos, const alusta::Aika& aika) {
  static constexpr euro::Raportointipaikka paikka{101, "kolvanto", "kirjaaHistoriaan"};
  const std::string& data = euro::ohjelma().datahakemisto;
  if (data.empty() || !historia::kirjataanko(tulos)) return;
  try {
    historia::kirjaa(data, historia::merkinta(a, tulos, aika), aika);
  } catch (...) {
    const euro::Virhe v = euro::nykyinenVirhe();
    euro::fe_Virhe(euro::Virhe(v.numero(), euro::ansi("Paloitteluhistoriaan ei voitu kirjoittaa: ") + v.viesti()),
                   paikka);
  }
}

PaloitteluTulos jaaTiedosto(const PaloitteluAsetukset& a, const Kello& kello);

}  // namespace

PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello) {
  const alusta::Aika alkoi = kello();
  PaloitteluTulos tulos = jaaTiedosto(a, kello);
  kirjaaHistoriaan(a, tulos, alkoi);
  return tulos;
}

namespace {

PaloitteluTulos jaaTiedosto(const PaloitteluAsetukset& a, const Kello& kello) {
  using euro::ansi;
  PaloitteluTulos tulos;
  // Before its own checks: the statement file's folder may hold journals of cut-off splits.
  if (!a.txtPaloiteltavaTiedosto.empty())
    tulos.viimeistellyt =
        viimeisteleKeskeneraiset(euro::fe_PaljasHakemisto(a.txtPaloiteltavaTiedosto), &tulos.keskeneraisia);
  Paivakirja kirja;
  try {
    std::string polku = a.txtPaloiteltavaTiedosto;
    if (!euro::fe_OnkoTiedosto(polku)) {
      euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok);
      return tulos;
    }
    if (polku.find(std::string(2, sep)) != std::string::npos) {
      euro::viesti(ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + polku +
                       ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                   "", euro::tyyli::ok);
      return tulos;
    }

    std::string kohde;
    if (euro::trimmaa(a.txtTallennusHakemisto).empty()) {
      kohde = euro::fe_PaljasHakemisto(polku) + sep;
    } else {
      kohde = a.txtTallennusHakemisto;
      if (kohde.empty() || kohde.back() != sep) kohde += sep;
      if (!euro::fe_OnkoHakemisto(kohde)) {
        int v = euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei löydy, luodaanko se? "),
                             "LUODAANKO HAKEMISTO", euro::tyyli::kyllaEiKysymys);
        if (v != euro::vastaus::kylla) {
          euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei tehty"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
        if (!euro::fe_LuoHakemisto(kohde)) {
          euro::viesti(ansi("Hakemiston ") + kohde + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
      }
    }
    tulos.kohdehakemisto = kohde;

    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    tulos.kohdehakemisto = kohde;

    // A format that checks its files (XML) checks the whole file before it is archived or
    // anything is written.
    const Muoto& muoto = muotoTiedostolle(polku);
    std::string syy;
    const std::unique_ptr<Jako> jako = muoto.tarkista(polku, a, syy);
    if (!jako) {
      const std::string teksti = ansi("Tiedostoa ") + polku + ansi(" ei paloiteltu: ") + syy;
      euro::viesti(teksti, otsikkoEiTehty, euro::tyyli::ok);
      // Refused again every day until someone acts: the log keeps it beside the failures.
      if (!euro::ohjelma().datahakemisto.empty()) euro::kirjaaVirhelokiin(otsikkoEiTehty + ": " + teksti);
      tulos.hylatty = true;
      return tulos;
    }

    if (a.chkAikaleimaaPaloiteltava) {
      std::string arkistonimi = aikaleima(kello()) + euro::fe_PaljasTiedosto(polku);
      std::string arkisto = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
      if (!euro::fe_OnkoHakemisto(arkisto)) {
        std::string luotava = arkisto;
        if (!euro::fe_LuoHakemisto(luotava)) {
          euro::viesti(ansi("Hakemiston ") + arkisto + ansi(" luominen ei onnistunut"),
                       otsikkoEiLuoda, euro::tyyli::ok);
          return tulos;
        }
      }
      KirjanOtsikko o;
      o.arkisto = arkistonimi;
      o.tuodut = arkisto;
      // Full, so that the journal means the same folder whatever the next run's own folder is.
      o.kohde = alusta::onTaysiPolku(kohde) ? kohde : alusta::nykyinenHakemisto() + sep + kohde;
      o.alkuosa = a.txtNimenAlkuosa;
      o.loppuosa = a.txtNimenLoppuosa;
      const auto tunniste = a.tunniste();
      o.tunniste = tunniste ? static_cast<int>(*tunniste) : 4;
      o.posAlku = a.txtPosAlku;
      o.posLoppu = a.txtPosLoppu;
      o.muoto = muoto.nimi();
      std::string uusi = arkisto + sep + arkistonimi;
      // A name already taken is refused before a journal could name someone else's file.
      if (alusta::pituusJosOn(uusi) || euro::fe_OnkoHakemisto(uusi))
        euro::heitaVirhe(euro::virhenro::tiedostoOnJo, uusi);
      // The journal exists, on the disk, before the statement file moves.
      kirja.luo(uusi + ".kesken", o);
      try {
        alusta::nimeaUudelleen(polku, uusi);
      } catch (...) {
        kirja.poista();
        throw;
      }
      alusta::tallennaHakemisto(arkisto);
      tulos.yhteenveto.arkistoitu = uusi;
      jako->jaaKirjanKanssa(kirja, o, uusi, kohde, tulos.yhteenveto);
      tulos.valmis = true;
      return tulos;
    }

    jako->jaa(polku, kohde, tulos.yhteenveto);
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    kirja.sulje();
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace

}  // namespace split
