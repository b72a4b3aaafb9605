#include "split/kirjuri.h"

#include <functional>

#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "split/ilmoitus.h"
#include "split/muoto.h"
#include "split/tilikirja.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;

const std::string keskenNimi(kirjannimi::kesken);
const std::string luotavaNimi(kirjannimi::luotava);
const std::string merkinNimi(kirjannimi::jaettu);

bool varattu(const std::string& polku) {
  for (const std::string& loppu : {std::string(), keskenNimi, luotavaNimi, merkinNimi})
    if (alusta::pituusJosOn(polku + loppu) || euro::fe_OnkoHakemisto(polku + loppu)) return true;
  return false;
}

// Asked when a split of the archive completes: whether more may still reach it.
std::function<bool(std::uint64_t)> kasvaako(const std::string& arkisto) {
  return [arkisto](std::uint64_t loppu) {
    const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(arkisto);
    if (!pituus || *pituus != loppu) return true;
    return alusta::kirjoittaakoMuu(arkisto).value_or(true);
  };
}

// A refusal to write into the target while another split holds it: a failure of this finishing.
[[noreturn]] void varattuna(const KohteenVaraaja& v) {
  throw euro::Virhe(euro::virhenro::tiedostoOnJo, ilmoitus::kohdeVarattu(v));
}

}  // namespace

std::string tuotuNimi(const std::string& leima, int n, const std::string& nimi) {
  std::string lisa;
  if (n > 1) lisa = std::string(".") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
  return leima.substr(0, leima.size() - 1) + lisa + "-" + nimi;
}

bool varmistaHakemisto(const std::string& hakemisto) {
  if (euro::fe_OnkoHakemisto(hakemisto)) return true;
  std::string luotava = hakemisto;
  return euro::fe_LuoHakemisto(luotava) || euro::fe_OnkoHakemisto(hakemisto);
}

bool jaiKesken(const std::string& kirjanPolku) {
  try {
    return !kirjanPolku.empty() && alusta::pituusJosOn(kirjanPolku).has_value();
  } catch (...) {
    return true;
  }
}

std::string Kirjuri::varaa(Paivakirja& kirja, KirjanOtsikko& o, const std::string& leima, const std::string& nimi) {
  for (int n = 1; n <= 99; ++n) {
    o.arkisto = tuotuNimi(leima, n, nimi);
    const std::string polku = o.tuodut + sep + o.arkisto;
    if (varattu(polku)) continue;
    try {
      kirja.luo(polku + keskenNimi, o);
      return polku;
    } catch (const euro::Virhe& v) {
      // Taken meanwhile by a run of the same second: the next one.
      if (v.numero() != euro::virhenro::tiedostoOnJo) throw;
    }
  }
  euro::heitaVirhe(euro::virhenro::tiedostoOnJo, o.tuodut + sep + leima + nimi);
}

void Kirjuri::jaa(Paivakirja& kirja, const Muoto& muoto, Paloittelija& jako, const KirjanOtsikko& o,
                  const std::string& arkisto, const std::string& kohde, Yhteenveto& y) {
  if (muoto.jatkaaKasvanutta()) kirja.sailytaMerkkina(arkisto + merkinNimi, kasvaako(arkisto));
  jako.jaaKirjanKanssa(kirja, o, arkisto, kohde, y);
  if (valmiina_) valmiina_(muoto, o, arkisto, 0, true);
  kirja.poista();
}

std::optional<KohteenVaraaja> Kirjuri::vapauta(const std::string& kohde, std::vector<std::string> ohita,
                                               std::vector<Viimeistelty>& valmiit) {
  for (const std::string& kirja : kohteenKirjat(kohde, ohita)) {
    {
      alusta::Tiedosto t;
      try {
        t.avaa(kirja, alusta::Tila::muokkaa);
      } catch (const euro::Virhe& v) {
        if (v.numero() == euro::virhenro::tiedostoaEiLoydy) continue;  // finished meanwhile
        throw;
      }
      if (!t.lukitse()) return KohteenVaraaja{kohde, kirja, false};
    }
    const std::string tuodut = kirja.substr(0, kirja.find_last_of(sep));
    const std::string kansio = tuodut.substr(0, tuodut.find_last_of(sep));
    for (Viimeistelty& v : viimeisteleKansio(kansio, ohita)) valmiit.push_back(std::move(v));
    if (alusta::pituusJosOn(kirja)) return KohteenVaraaja{kohde, kirja, true};
  }
  return std::nullopt;
}

std::vector<Viimeistelty> Kirjuri::viimeisteleKansio(const std::string& tilioteKansio,
                                                     const std::vector<std::string>& ohita) {
  std::vector<Viimeistelty> tulos;
  const std::string tuodut = tilioteKansio + sep + "TUODUT";
  // What a start cut off before its journal had its name left: no live split holds it.
  for (const std::string& nimi : alusta::tiedostot(tuodut, luotavaNimi)) {
    const std::string polku = tuodut + sep + nimi;
    try {
      alusta::Tiedosto t(polku, alusta::Tila::muokkaa);
      if (!t.lukitse()) continue;
      t.sulje();
      alusta::poistaTiedosto(polku);
    } catch (...) {
    }
  }
  viimeisteleKeskeytyneet(tuodut, ohita, tulos);
  jatkaKasvaneet(tuodut, ohita, tulos);
  return tulos;
}

void Kirjuri::viimeisteleKeskeytyneet(const std::string& tuodut, const std::vector<std::string>& ohita,
                                      std::vector<Viimeistelty>& tulos) {
  for (const std::string& nimi : alusta::tiedostot(tuodut, keskenNimi)) {
    const std::string polku = tuodut + sep + nimi;
    Paivakirja kirja;
    try {
      KirjanOtsikko o;
      KirjanOsa viimeinen;
      if (kirja.avaa(polku, o, viimeinen) != Paivakirja::Avattu::auki) continue;
      o.saadot = saadot_;
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
      if (const auto v = vapauta(o.kohde, omat, tulos)) varattuna(*v);
      if (muoto.jatkaaKasvanutta()) kirja.sailytaMerkkina(arkisto + merkinNimi, kasvaako(arkisto));
      // The last record's segment as it declared it; the rest as the check finds it again.
      if (o.ohitettavatJaksoissa) {
        o.ohitettavat = tarkastaUudelleen(muoto, o, arkisto).korvattu(viimeinen.kohta, viimeinen.loppu,
                                                                      viimeinen.ohitettavat);
        kirja.ohitettavatJaksoihin(&o.ohitettavat);
      }
      Viimeistelty v;
      v.arkisto = arkisto;
      v.eria = muoto.viimeistele(kirja, o, arkisto, viimeinen, v.yhteenveto);
      if (valmiina_) valmiina_(muoto, o, arkisto, 0, false);
      kirja.poista();
      tulos.push_back(std::move(v));
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      kirja.sulje();
      if (jai_) ++*jai_;
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + polku + ")"), euro::paikka::paloittele);
    }
  }
}

// Archives that may have grown after their split: what came after is split once, from its own
// journal, which then takes the marker's place.
void Kirjuri::jatkaKasvaneet(const std::string& tuodut, const std::vector<std::string>& ohita,
                             std::vector<Viimeistelty>& tulos) {
  for (const std::string& nimi : alusta::tiedostot(tuodut, merkinNimi)) {
    const std::string merkki = tuodut + sep + nimi;
    const std::string arkisto = merkki.substr(0, merkki.size() - merkinNimi.size());
    Paivakirja m, kirja;
    try {
      KirjanOtsikko o;
      KirjanOsa viimeinen;
      if (m.avaa(merkki, o, viimeinen) != Paivakirja::Avattu::auki) continue;
      o.saadot = saadot_;
      // A journal of the archive is a split going on, or one that could not be finished.
      if (alusta::pituusJosOn(arkisto + keskenNimi)) continue;
      tarkistaOtsikko(o, arkisto + keskenNimi);
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
      const std::optional<std::uint64_t> alku = muoto->jatkonAlku(arkisto, o, loppu, *pituus, huomautukset_);
      if (!alku) continue;
      // What came after the split is passed over by nothing: its journal says so in its header.
      o.ohitettavatJaksoissa = false;
      kirja.luo(arkisto + keskenNimi, o, *alku);
      std::vector<std::string> omat = ohita;
      omat.push_back(kirjanTaysiPolku(tuodut));
      if (const auto v = vapauta(o.kohde, omat, tulos)) {
        // Nothing was written: the marker stays for a later run.
        kirja.poista();
        varattuna(*v);
      }
      m.sulje();
      kirja.sailytaMerkkina(merkki, kasvaako(arkisto));
      KirjanOsa alkuun;
      alkuun.kohta = alkuun.loppu = *alku;
      Viimeistelty v;
      v.arkisto = arkisto;
      v.jatko = true;
      v.eria = muoto->viimeistele(kirja, o, arkisto, alkuun, v.yhteenveto);
      if (valmiina_) valmiina_(*muoto, o, arkisto, *alku, false);
      kirja.poista();
      tulos.push_back(std::move(v));
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      m.sulje();
      kirja.sulje();
      if (jai_) ++*jai_;
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + merkki + ")" +
                                              (jaiKesken(arkisto + keskenNimi) ? ilmoitus::keskenJai() : "")),
                     euro::paikka::paloittele);
    }
  }
}

std::vector<Viimeistelty> viimeisteleKeskeneraiset(const std::string& tilioteKansio, int* jai,
                                                   std::vector<std::string>* huomautukset,
                                                   const PaloitteluAsetukset::Saadot& saadot) {
  return Kirjuri(jai, huomautukset, saadot).viimeistele(tilioteKansio);
}

PaloitteluAsetukset asetuksetOtsikosta(const KirjanOtsikko& o) {
  PaloitteluAsetukset b;
  b.kohdehakemisto = o.kohde;
  b.nimenAlkuosa = o.alkuosa;
  b.nimenLoppuosa = o.loppuosa;
  if (o.tunniste >= 0 && o.tunniste <= 3) b.valitse(static_cast<PaloitteluAsetukset::Tunniste>(o.tunniste));
  else b.avainAsiakastunnus = b.avainTilinumero = b.avainNimi = b.avainPositiot = false;
  b.posAlku = o.posAlku;
  b.posLoppu = o.posLoppu;
  b.arkistoi = true;
  b.saadot = o.saadot;
  return b;
}

KirjanOtsikko otsikkoAsetuksista(const PaloitteluAsetukset& a, std::string_view muoto, const std::string& tuodut,
                                 const std::string& kohde) {
  KirjanOtsikko o;
  o.muoto = muoto;
  o.tuodut = tuodut;
  o.kohde = kohde;
  o.alkuosa = a.nimenAlkuosa;
  o.loppuosa = a.nimenLoppuosa;
  const auto tunniste = a.tunniste();
  o.tunniste = tunniste ? static_cast<int>(*tunniste) : 4;
  o.posAlku = a.posAlku;
  o.posLoppu = a.posLoppu;
  o.saadot = a.saadot;
  return o;
}

}  // namespace split
