#include "split/paloittele.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string_view>
#include <vector>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/xml/camt.h"
#include "split/historia.h"
#include "split/tito/jako.h"
#include "split/kesken.h"
#include "split/nimi.h"
#include "split/tito/jaksottaja.h"
#include "split/tito/kohdenimet.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;
constexpr std::size_t lukupuskurinOletus = 256 * 1024;
std::size_t lukupuskuri = lukupuskurinOletus;

const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";


}  // namespace

void asetaLukupuskurinKoko(std::size_t koko) { lukupuskuri = koko ? koko : lukupuskurinOletus; }

std::size_t jako::lukupuskurinKoko() { return lukupuskuri; }

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
      if (o.muoto == "XML") {
        tulos.push_back({arkisto, 0, {}});
        tulos.back().eria = camt::viimeisteleKirjasta(kirja, o, arkisto, viimeinen, &tulos.back().yhteenveto);
        continue;
      }
      Yhteenveto y;
      jaaKirjanKanssa(kirja, o, arkisto, &viimeinen, y);
      std::int64_t eria = y.muut.eria;
      for (const auto& t : y.tiedostot) eria += t.eria;
      tulos.push_back({arkisto, eria, std::move(y)});
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
  alusta::Tiedosto syote;
  jako::Kirjoittaja tuloste;
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

    // XML statements are checked whole before the file is archived or anything is written.
    const bool xml = camt::onXml(polku);
    camt::Tarkistettu xmlTarkistus;
    if (xml) {
      xmlTarkistus = camt::tarkista(polku, a);
      if (!xmlTarkistus.syy.empty()) {
        euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei paloiteltu: ") + xmlTarkistus.syy, otsikkoEiTehty,
                     euro::tyyli::ok);
        return tulos;
      }
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
      o.tunniste = a.optAsiakastunnus ? 0 : a.optTilinumero ? 1 : a.optTilinomistajanNimi ? 2 : a.optPositiot ? 3 : 4;
      o.posAlku = a.txtPosAlku;
      o.posLoppu = a.txtPosLoppu;
      if (xml) o.muoto = "XML";
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
      if (xml) camt::jaaKirjanKanssa(kirja, o, uusi, xmlTarkistus, tulos.yhteenveto);
      else jaaKirjanKanssa(kirja, o, uusi, nullptr, tulos.yhteenveto, &kohde);
      tulos.valmis = true;
      return tulos;
    }

    if (xml) {
      camt::jaa(polku, kohde, a, tulos.yhteenveto, xmlTarkistus);
      tulos.valmis = true;
      return tulos;
    }

    std::int32_t posAlku = 0, posLoppu = 0;
    asetapos(a, posAlku, posLoppu);

    syote.avaa(polku, alusta::Tila::lue);
    Kohdenimet kohdenimet(kohde, &tulos.yhteenveto);
    auto kaikki = [&](std::uint64_t, const std::string& nimi, std::size_t loppu) {
      jako::Paatos p;
      bool toinen = false;
      const std::string& tiedosto = kohdenimet.valitse(nimi, loppu, toinen);
      if (toinen) p.tiedosto = &tiedosto;
      return p;
    };
    jako::jaa(syote, 0, kohde, a, posAlku, posLoppu, kaikki, tuloste, &tulos.yhteenveto);
    tuloste.sulje();
    syote.sulje();
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    // Whole lines already read still go out, as they would have line by line.
    tuloste.suljeKesken();
    syote.suljeHiljaa();
    kirja.sulje();
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace

}  // namespace split
