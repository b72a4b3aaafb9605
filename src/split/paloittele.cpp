#include "split/paloittele.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <optional>
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
const std::string otsikkoTarkista = "PALOITELTU, TARKISTA";
const std::string otsikkoViimeistelty = "KESKEYTYNYT PALOITTELU VIIMEISTELTY";
// After a failure that left a journal: what the office needs to know.
const std::string kesken =
    euro::ansi(". Paloittelu jäi kesken; seuraava paloittelu viimeistelee sen, kun syy on korjattu");

bool jaiKesken(const std::string& kirjanPolku) {
  try {
    return !kirjanPolku.empty() && alusta::pituusJosOn(kirjanPolku).has_value();
  } catch (...) {
    return true;
  }
}

bool varattu(const std::string& polku) {
  for (const char* loppu : {"", ".kesken", ".kesken.uusi", ".jaettu"})
    if (alusta::pituusJosOn(polku + loppu) || euro::fe_OnkoHakemisto(polku + loppu)) return true;
  return false;
}

// The n-th (1 to 99) name of a file moved into TUODUT: the time stamp and its name, or, when a
// run of the same second has it, the time stamp with ".02" to ".99" after its seconds, which
// sorts after it.
std::string tuotuNimi(const std::string& leima, int n, const std::string& nimi) {
  std::string lisa;
  if (n > 1) lisa = std::string(".") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
  return leima.substr(0, leima.size() - 1) + lisa + "-" + nimi;
}

// A folder that is there, made when it is not: another run may have made it meanwhile, which
// is no failure. False when it cannot be made.
bool varmistaHakemisto(const std::string& hakemisto) {
  if (euro::fe_OnkoHakemisto(hakemisto)) return true;
  std::string luotava = hakemisto;
  return euro::fe_LuoHakemisto(luotava) || euro::fe_OnkoHakemisto(hakemisto);
}

// The archive's name (tuotuNimi). Its journal made under the name holds it, so that two runs
// never share one.
std::string varaaArkisto(Paivakirja& kirja, KirjanOtsikko& o, const std::string& leima, const std::string& nimi) {
  for (int n = 1; n <= 99; ++n) {
    o.arkisto = tuotuNimi(leima, n, nimi);
    const std::string polku = o.tuodut + sep + o.arkisto;
    if (varattu(polku)) continue;
    try {
      kirja.luo(polku + ".kesken", o);
      return polku;
    } catch (const euro::Virhe& v) {
      // Taken meanwhile by a run of the same second: the next one.
      if (v.numero() != euro::virhenro::tiedostoOnJo) throw;
    }
  }
  euro::heitaVirhe(euro::virhenro::tiedostoOnJo, o.tuodut + sep + leima + nimi);
}

// The target folder cannot be written: said in words the office can act on.
euro::Virhe eiKirjoitettava(const std::string& kohde) {
  return euro::Virhe(euro::virhenro::lupaEvatty,
                     euro::ansi("Tallennushakemistoon ") + kohde +
                         euro::ansi(" ei voi kirjoittaa (ei kirjoitusoikeutta, tai levy on vain luettava): mitään ei "
                                    "paloiteltu eikä siirretty. Anna kirjoitusoikeus hakemistoon tai valitse toinen "
                                    "tallennushakemisto."));
}

// A statement file that is a link cannot be archived: the link would be moved and dangle, and
// the bank program would go on writing into the file it points to.
euro::Virhe linkkina(const std::string& polku, const std::string& kohde) {
  return euro::Virhe(
      euro::virhenro::kayttovirhe,
      euro::ansi("Tiliotetiedosto ") + polku + euro::ansi(" on linkki (symbolinen linkki tai liitos) ") +
          (kohde.empty() ? euro::ansi("tiedostoon, jota ei löydy") : euro::ansi("tiedostoon ") + kohde) +
          euro::ansi(". Sitä ei siirretty eikä paloiteltu: TUODUT-kansioon siirretty linkki katkeaisi, ja "
                     "pankkiohjelma kirjoittaisi edelleen alkuperäiseen tiedostoon. Anna paloiteltavaksi "
                     "tiedostoksi linkin kohde (asetuksissa tai komentorivillä) tai aseta pankkiohjelma "
                     "kirjoittamaan tiliotetiedosto suoraan tähän nimeen."));
}

// A refused statement file goes aside under its own name into TUODUT, so that the bank
// program starts a fresh file and the next day's statements are split; it is never split or
// removed, and nothing waits for it. Answers where it went, or none with why it stayed in
// mikset.
std::optional<std::string> siirraSivuun(const std::string& polku, const std::string& leima, std::string& mikset) {
  using euro::ansi;
  try {
    if (alusta::linkinKohde(polku)) {
      mikset = ansi("Tiedosto on linkki, joten se jätettiin paikalleen.");
      return std::nullopt;
    }
    const std::string tuodut = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
    if (!varmistaHakemisto(tuodut)) {
      mikset = ansi("Se jätettiin paikalleen, koska hakemistoa ") + tuodut + ansi(" ei voitu luoda.");
      return std::nullopt;
    }
    const std::string nimi = euro::fe_PaljasTiedosto(polku);
    for (int n = 1; n <= 99; ++n) {
      const std::string uusi = tuodut + sep + tuotuNimi(leima, n, nimi) + ".hylatty";
      if (alusta::pituusJosOn(uusi) || euro::fe_OnkoHakemisto(uusi)) continue;
      alusta::Siirto siirto;
      try {
        siirto = alusta::siirraJosVapaa(polku, uusi);
      } catch (const euro::Virhe& v) {
        if (v.numero() == euro::virhenro::tiedostoOnJo) continue;  // taken meanwhile
        throw;
      }
      if (siirto == alusta::Siirto::auki) {
        mikset = ansi("Pankkiohjelma kirjoittaa sitä vielä, joten se jätettiin paikalleen.");
        return std::nullopt;
      }
      alusta::tallennaHakemisto(tuodut);
      return uusi;
    }
    mikset = ansi("Se jätettiin paikalleen: TUODUT-kansiossa ei ollut vapaata nimeä.");
  } catch (...) {
    mikset = ansi("Se jätettiin paikalleen, koska sitä ei voitu siirtää: ") + euro::nykyinenVirhe().viesti();
  }
  return std::nullopt;
}


}  // namespace

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

namespace {

const std::string merkinLoppu = ".jaettu";

// Asked when a split of the archive completes: whether more may still reach it.
std::function<bool(std::uint64_t)> kasvaako(const std::string& arkisto) {
  return [arkisto](std::uint64_t loppu) {
    const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(arkisto);
    if (!pituus || *pituus != loppu) return true;
    return alusta::kirjoittaakoMuu(arkisto).value_or(true);
  };
}

std::vector<Viimeistelty> viimeisteleKansio(const std::string& tilioteKansio, int* jai,
                                            std::vector<std::string>* huomautukset,
                                            const std::vector<std::string>& ohita,
                                            const PaloitteluAsetukset::Saadot& saadot);

// Splits of other statement folders that hold the target (ohita: the TUODUT folders of this
// run and of the splits being finished for it): a cut-off one is finished first, from its own folder, so
// that no batch is written after its cut-off one. Empty when the target is free; otherwise
// why this split may write nothing now.
std::string vapautaKohde(const std::string& kohde, std::vector<std::string> ohita, std::vector<Viimeistelty>& tulos,
                         int* jai, std::vector<std::string>* huomautukset,
                         const PaloitteluAsetukset::Saadot& saadot) {
  using euro::ansi;
  for (const std::string& kirja : kohteenKirjat(kohde, ohita)) {
    {
      alusta::Tiedosto t;
      try {
        t.avaa(kirja, alusta::Tila::muokkaa);
      } catch (const euro::Virhe& v) {
        if (v.numero() == euro::virhenro::tiedostoaEiLoydy) continue;  // finished meanwhile
        throw;
      }
      if (!t.lukitse())
        return ansi("Toinen paloittelu kirjoittaa samaan kohdehakemistoon ") + kohde + " (" + kirja +
               ansi("): tämä paloittelu ei tehnyt mitään. Paloittele uudelleen, kun se on valmis.");
    }
    const std::string tuodut = kirja.substr(0, kirja.find_last_of(sep));
    const std::string kansio = tuodut.substr(0, tuodut.find_last_of(sep));
    for (Viimeistelty& v : viimeisteleKansio(kansio, jai, huomautukset, ohita, saadot)) tulos.push_back(std::move(v));
    if (alusta::pituusJosOn(kirja))
      return ansi("Toisen tiliotekansion keskeytynyttä paloittelua ") + kirja +
             ansi(" ei voitu viimeistellä, ja se kirjoittaa samaan kohdehakemistoon ") + kohde +
             ansi(": tämä paloittelu ei tehnyt mitään. Paloittele uudelleen, kun syy on korjattu.");
  }
  return {};
}

}  // namespace

std::vector<Viimeistelty> viimeisteleKeskeneraiset(const std::string& tilioteKansio, int* jai,
                                                   std::vector<std::string>* huomautukset,
                                                   const PaloitteluAsetukset::Saadot& saadot) {
  return viimeisteleKansio(tilioteKansio, jai, huomautukset, {}, saadot);
}

namespace {

std::vector<Viimeistelty> viimeisteleKansio(const std::string& tilioteKansio, int* jai,
                                            std::vector<std::string>* huomautukset,
                                            const std::vector<std::string>& ohita,
                                            const PaloitteluAsetukset::Saadot& saadot) {
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
      o.saadot = saadot;
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
      kirja.merkitseKohde();
      std::vector<std::string> omat = ohita;
      omat.push_back(kirjanTaysiPolku(tuodut));
      const std::string syy = vapautaKohde(o.kohde, omat, tulos, jai, huomautukset, saadot);
      if (!syy.empty()) throw euro::Virhe(euro::virhenro::tiedostoOnJo, syy);
      if (muoto.jatkaaKasvanutta()) kirja.sailytaMerkkina(arkisto + merkinLoppu, kasvaako(arkisto));
      Viimeistelty v;
      v.arkisto = arkisto;
      v.eria = muoto.viimeistele(kirja, o, arkisto, viimeinen, v.yhteenveto);
      tulos.push_back(std::move(v));
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      kirja.sulje();
      if (jai) ++*jai;
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + polku + ")"), euro::paikka::paloittele);
    }
  }
  // Archives that may have grown after their split: what came after is split once, from its
  // own journal, which then takes the marker's place.
  for (const std::string& nimi : alusta::tiedostot(tuodut, merkinLoppu)) {
    const std::string merkki = tuodut + sep + nimi;
    const std::string arkisto = merkki.substr(0, merkki.size() - merkinLoppu.size());
    Paivakirja m, kirja;
    try {
      KirjanOtsikko o;
      KirjanJakso viimeinen;
      if (m.avaa(merkki, o, viimeinen) != Paivakirja::Avattu::auki) continue;
      o.saadot = saadot;
      // A journal of the archive is a split going on, or one that could not be finished.
      if (alusta::pituusJosOn(arkisto + ".kesken")) continue;
      tarkistaOtsikko(o, arkisto + ".kesken");
      const Muoto* muoto = muotoNimella(o.muoto);
      if (!muoto->jatkaaKasvanutta()) euro::heitaVirhe(euro::virhenro::kayttovirhe, merkki);
      const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(arkisto);
      const std::uint64_t loppu = viimeinen.loppu;
      if (pituus && *pituus < loppu)
        throw euro::Virhe(euro::virhenro::kayttovirhe,
                          euro::ansi("Arkisto on lyhyempi kuin sen paloittelu: ") + arkisto);
      if (!pituus || (*pituus == loppu && alusta::kirjoittaakoMuu(arkisto) != true)) {
        // Removed by the office, or complete and no longer written (or, where that cannot be
        // told, unchanged since its split): nothing more will come.
        m.sulje();
        alusta::poistaTiedosto(merkki);
        continue;
      }
      if (*pituus == loppu) continue;
      const std::optional<std::uint64_t> alku = muoto->jatkonAlku(arkisto, o, loppu, *pituus, huomautukset);
      if (!alku) continue;
      kirja.luo(arkisto + ".kesken", o, *alku);
      std::vector<std::string> omat = ohita;
      omat.push_back(kirjanTaysiPolku(tuodut));
      const std::string syy = vapautaKohde(o.kohde, omat, tulos, jai, huomautukset, saadot);
      if (!syy.empty()) {
        // Nothing was written: the marker stays for a later run.
        kirja.poista();
        throw euro::Virhe(euro::virhenro::tiedostoOnJo, syy);
      }
      m.sulje();
      kirja.sailytaMerkkina(merkki, kasvaako(arkisto));
      KirjanJakso alkuun;
      alkuun.kohta = alkuun.loppu = *alku;
      Viimeistelty v;
      v.arkisto = arkisto;
      v.jatko = true;
      v.eria = muoto->viimeistele(kirja, o, arkisto, alkuun, v.yhteenveto);
      tulos.push_back(std::move(v));
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      m.sulje();
      kirja.sulje();
      if (jai) ++*jai;
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + merkki + ")" + (jaiKesken(arkisto + ".kesken") ? kesken : "")),
                     euro::paikka::paloittele);
    }
  }
  return tulos;
}

}  // namespace

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
  auto keraa = [&](std::vector<std::string>& k) {
    for (std::string& s : k) tulos.katsottavaa.push_back(std::move(s));
    k.clear();
  };
  for (Viimeistelty& v : tulos.viimeistellyt) keraa(v.yhteenveto.katsottavaa);
  keraa(tulos.yhteenveto.katsottavaa);
  kirjaaHistoriaan(a, tulos, alkoi);
  // What needs a look is kept beside the failures, where the office looks for what went wrong.
  if (!euro::ohjelma().datahakemisto.empty())
    for (const std::string& k : tulos.katsottavaa) euro::kirjaaVirhelokiin(otsikkoTarkista + ": " + k);
  return tulos;
}

namespace {

PaloitteluTulos jaaTiedosto(const PaloitteluAsetukset& a, const Kello& kello) {
  using euro::ansi;
  PaloitteluTulos tulos;
  // Before its own checks: the statement file's folder may hold journals of cut-off splits.
  if (!a.txtPaloiteltavaTiedosto.empty())
    tulos.viimeistellyt =
        viimeisteleKeskeneraiset(euro::fe_PaljasHakemisto(a.txtPaloiteltavaTiedosto), &tulos.keskeneraisia,
                                 &tulos.yhteenveto.huomautukset, a.saadot);
  Paivakirja kirja;
  std::string kirjanPolku;  // while this run's journal may be on the disk
  try {
    std::string polku = a.txtPaloiteltavaTiedosto;
    // Before anything moves; a link that leads nowhere is told too, not taken for no file.
    if (a.chkAikaleimaaPaloiteltava) {
      std::optional<std::string> linkki;
      try {
        linkki = alusta::linkinKohde(polku);
      } catch (const euro::Virhe&) {
        // A path no file can have: told below as a missing file.
      }
      if (linkki) throw linkkina(polku, *linkki);
    }
    if (!euro::fe_OnkoTiedosto(polku)) {
      // A day without a new file may still have finished yesterday's cut-off split: that
      // delivered, and is said first.
      std::string viimeistelty;
      for (const Viimeistelty& v : tulos.viimeistellyt)
        viimeistelty += ansi(v.jatko ? "Arkistoon paloittelun jälkeen tullut loppu paloiteltiin: "
                                     : "Keskeytynyt paloittelu viimeisteltiin: ") +
                        v.arkisto + "\n";
      if (viimeistelty.empty())
        euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok);
      else
        euro::viesti(viimeistelty + ansi("Uutta tiedostoa ") + polku + ansi(" ei ole, sitä ei paloiteltu"),
                     otsikkoViimeistelty, euro::tyyli::ok);
      return tulos;
    }
    if (polku.find(std::string(2, sep)) != std::string::npos) {
      euro::viesti(ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + polku +
                       ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                   "", euro::tyyli::ok);
      tulos.verkkopolku = true;
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
          tulos.hakemistoPuuttuu = true;
          euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei tehty"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
        if (!euro::fe_LuoHakemisto(kohde)) {
          tulos.hakemistoPuuttuu = true;
          euro::viesti(ansi("Hakemiston ") + kohde + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
      }
    }
    tulos.kohdehakemisto = kohde;

    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    tulos.kohdehakemisto = kohde;
    const std::string kohdeKansio = kohde.size() > 1 ? kohde.substr(0, kohde.size() - 1) : kohde;

    // The format checks the file (XML the whole of it, TITO that it holds records at all)
    // before it is archived or anything is written.
    const Muoto& muoto = muotoTiedostolle(polku);
    std::string syy;
    const std::unique_ptr<Jako> jako = muoto.tarkista(polku, a, syy);
    if (!jako) {
      std::string teksti = ansi("Tiedostoa ") + polku + ansi(" ei paloiteltu: ") + syy;
      std::string mikset;
      if (const std::optional<std::string> sivuun = siirraSivuun(polku, aikaleima(kello()), mikset)) {
        tulos.siirrettySivuun = *sivuun;
        teksti += ansi(". Tiedosto siirrettiin sivuun nimelle ") + *sivuun +
                  ansi(", jotta pankkiohjelma aloittaa uuden tiedoston; sitä ei paloiteltu eikä poistettu. "
                       "Selvitä sen sisältö ja pyydä tarvittaessa tiliotteet pankista uudelleen.");
      } else {
        teksti += ". " + mikset;
      }
      euro::viesti(teksti, otsikkoEiTehty, euro::tyyli::ok);
      // Refused again every day until someone acts: the log keeps it beside the failures.
      if (!euro::ohjelma().datahakemisto.empty()) euro::kirjaaVirhelokiin(otsikkoEiTehty + ": " + teksti);
      tulos.hylatty = true;
      return tulos;
    }

    if (!alusta::voikoKirjoittaa(kohdeKansio)) throw eiKirjoitettava(kohdeKansio);

    if (a.chkAikaleimaaPaloiteltava) {
      const std::string leima = aikaleima(kello());
      std::string arkisto = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
      if (!varmistaHakemisto(arkisto)) {
        tulos.hakemistoPuuttuu = true;
        euro::viesti(ansi("Hakemiston ") + arkisto + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                     euro::tyyli::ok);
        return tulos;
      }
      KirjanOtsikko o;
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
      o.saadot = a.saadot;
      // The journal exists, on the disk, before the statement file moves; it holds the name.
      std::string uusi;
      try {
        uusi = varaaArkisto(kirja, o, leima, euro::fe_PaljasTiedosto(polku));
      } catch (const euro::Virhe& v) {
        // The target's marker is made first of all in the target: refused there, nothing was done.
        if (v.numero() == euro::virhenro::lupaEvatty && v.viesti().find(o.kohde) != std::string::npos)
          throw eiKirjoitettava(kohdeKansio);
        throw;
      }
      kirjanPolku = uusi + ".kesken";
      // Its own marker is made; now another folder's split into the target is finished or
      // waited for, before the statement file moves.
      const std::string syy = vapautaKohde(o.kohde, {kirjanTaysiPolku(arkisto)}, tulos.viimeistellyt,
                                           &tulos.keskeneraisia, &tulos.yhteenveto.huomautukset, a.saadot);
      if (!syy.empty()) {
        kirja.poista();
        kirjanPolku.clear();
        tulos.kohdeVarattu = true;
        euro::viesti(syy, otsikkoEiTehty, euro::tyyli::huutomerkki);
        return tulos;
      }
      alusta::Siirto siirto;
      try {
        siirto = alusta::siirraJosVapaa(polku, uusi);
      } catch (const euro::Virhe& v) {
        kirja.poista();
        kirjanPolku.clear();
        if (v.numero() == euro::virhenro::eriAsema)
          throw euro::Virhe(v.numero(),
                            ansi("Arkistokansio ") + arkisto +
                                ansi(" on eri levyllä tai tiedostojärjestelmässä kuin tiliotetiedosto ") + polku +
                                ansi(" (onko TUODUT linkki toiselle levylle?), eikä tiedostoa voi siirtää sinne: "
                                     "sitä ei siirretty eikä paloiteltu. Tee TUODUT tavalliseksi kansioksi "
                                     "tiliotetiedoston viereen, tai paloittele ilman aikaleimaa."));
        // Found a moment ago, gone now: another run has taken it.
        if (v.numero() != euro::virhenro::tiedostoaEiLoydy) throw;
        euro::viesti(ansi("Toinen paloittelu on jo siirtänyt tiedoston ") + polku +
                         ansi(" ja paloittelee sitä: tämä ajo ei tehnyt mitään."),
                     otsikkoEiTehty, euro::tyyli::ok);
        return tulos;
      }
      if (siirto == alusta::Siirto::auki) {
        kirja.poista();
        kirjanPolku.clear();
        tulos.tiedostoAuki = true;
        euro::viesti(ansi("Pankkiohjelma kirjoittaa vielä tiedostoa ") + polku +
                         ansi(": se jätettiin paikalleen, sitä ei siirretty eikä paloiteltu. Paloittele "
                              "uudelleen, kun pankkiohjelma on lopettanut."),
                     otsikkoEiTehty, euro::tyyli::huutomerkki);
        return tulos;
      }
      alusta::tallennaHakemisto(arkisto);
      tulos.yhteenveto.arkistoitu = uusi;
      if (muoto.jatkaaKasvanutta()) kirja.sailytaMerkkina(uusi + merkinLoppu, kasvaako(uusi));
      jako->jaaKirjanKanssa(kirja, o, uusi, kohde, tulos.yhteenveto);
      kirjanPolku.clear();
      tulos.valmis = true;
      return tulos;
    }

    {
      const std::string syy = vapautaKohde(kohde, {kirjanTaysiPolku(euro::fe_PaljasHakemisto(polku) + sep + "TUODUT")},
                                           tulos.viimeistellyt, &tulos.keskeneraisia,
                                           &tulos.yhteenveto.huomautukset, a.saadot);
      if (!syy.empty()) {
        tulos.kohdeVarattu = true;
        euro::viesti(syy, otsikkoEiTehty, euro::tyyli::huutomerkki);
        return tulos;
      }
    }
    jako->jaa(polku, kohde, tulos.yhteenveto);
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    kirja.sulje();
    if (jaiKesken(kirjanPolku)) virhe = euro::Virhe(virhe.numero(), virhe.viesti() + kesken);
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace

}  // namespace split
