#include "ikkunat/frmMain/toiminta.h"

#include <cstdint>
#include <cstdio>

#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/tiedostovalinta.h"
#include "euro/virhe.h"
#include "ikkunat/frmMain/kuvaus.h"
#include "settings/apppath.h"
#include "settings/paloitteluasetukset.h"
#include "split/esikatselu.h"
#include "split/paloittele.h"
#include "split/raportti.h"

namespace frmmain {

namespace {

// The text after the last "." of the whole text, "" when there is none.
std::string fe_Tarkenne(const std::string& polku) {
  std::int16_t p = euro::fe_cposr(polku, ".");
  return p > 0 ? polku.substr(static_cast<std::size_t>(p)) : std::string();
}

settings::Laji lajina(ikkunat::Ohjainlaji l) {
  switch (l) {
    case ikkunat::Ohjainlaji::tekstilaatikko: return settings::Laji::tekstilaatikko;
    case ikkunat::Ohjainlaji::valintaruutu: return settings::Laji::valintaruutu;
    case ikkunat::Ohjainlaji::valintanappi: return settings::Laji::valintanappi;
    default: return settings::Laji::muu;
  }
}

// Marks a command as running for its whole length, also when it throws.
class Kesken {
 public:
  explicit Kesken(bool& lippu) : lippu_(lippu) { lippu_ = true; }
  ~Kesken() { lippu_ = false; }
  Kesken(const Kesken&) = delete;
  Kesken& operator=(const Kesken&) = delete;

 private:
  bool& lippu_;
};

}  // namespace

Toiminta::Toiminta(ikkunat::Nakyma& nakyma, euro::Tiedostovalitsin& CommonDialog1)
    : nakyma_(nakyma), CommonDialog1_(CommonDialog1) {}

settings::Lomake Toiminta::lomake() const {
  settings::Lomake l;
  for (const ikkunat::Ohjainkuvaus& k : kuvaus().ohjaimet) {
    if (k.laji == ikkunat::Ohjainlaji::tiedostodialogi) continue;
    settings::Ohjain o;
    o.laji = lajina(k.laji);
    o.nimi = k.nimi;
    if (o.laji != settings::Laji::muu) o.arvo = nakyma_.arvo(k.nimi);
    if (o.laji == settings::Laji::valintanappi) o.ryhma = k.kehys;
    l.push_back(std::move(o));
  }
  return l;
}

void Toiminta::asetaLomake(const settings::Lomake& l) {
  for (const settings::Ohjain& o : l) {
    const ikkunat::Ohjainkuvaus* k = kuvaus().ohjain(o.nimi);
    if (!k || o.indeksi || lajina(k->laji) == settings::Laji::muu) continue;
    // Selecting one option clears the others; a cleared one needs nothing of its own.
    if (k->laji == ikkunat::Ohjainlaji::valintanappi && o.arvo != "True") continue;
    nakyma_.asetaArvo(o.nimi, o.arvo);
  }
}

split::PaloitteluAsetukset Toiminta::asetukset() const {
  split::PaloitteluAsetukset a;
  settings::ohjaimista(lomake(), a);
  return a;
}

std::string Toiminta::asetuspolku() const {
  return settings::asetustiedosto(euro::ohjelma().datahakemisto);
}

void Toiminta::tallennaformi() { settings::se_TallennaFormi(asetuspolku(), lomake()); }

void Toiminta::lueformi() {
  settings::Lomake l = lomake();
  settings::se_LueFormi(settings::luettavaAsetustiedosto(euro::ohjelma().datahakemisto), l);
  asetaLomake(l);
}

bool Toiminta::kaynnisty(const std::string& komentorivi) {
  Kesken k(kesken_);
  try {
    lataa(komentorivi);
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), 0, "frmMain", "Form_Load");
  }
  return lopetettu_;
}

void Toiminta::lataa(const std::string& komentorivi) {
  euro::Ohjelma& o = euro::ohjelma();
  o.datahakemisto = settings::fe_apppath();
  lueformi();
  o.versio = euro::versio;
  nakyma_.asetaOtsikko(nakyma_.otsikko() + " - VER:" + o.versio);

  const bool aja = euro::pieneksi(euro::trimmaa(komentorivi)) == "aja";
  if (aja || (nakyma_.arvo("chkPaloitteleAutomaattisesti") == "1" && komentorivi != "*"))
    paloittelukomento(true);
}

void Toiminta::napsautus(const std::string& ohjain) {
  if (kesken_ || lopetettu_) return;
  Kesken k(kesken_);
  // An event handler lets no failure out: what the commands do not trap themselves (Notepad,
  // the browser or the dialog that cannot be started) is reported, never a crash.
  try {
    if (ohjain == "cmdPaloittele") paloittelukomento();
    else if (ohjain == "cmdNaytaPaloitteluehtoMuistiossa") naytaPaloitteluehto();
    else if (ohjain == "cmdValitsePaloiteltavaTiedosto") valitsePaloiteltavaTiedosto();
    else if (ohjain == "cmdAvaaMuistioonPaloiteltavaTiedosto") avaaMuistioon();
    else if (ohjain == "cmdTallenna") tallennaformi();
    else if (ohjain == "cmdPoistuTallentaen") {
      tallennaformi();
      lopeta();
    } else if (ohjain == "cmdPoistuTallentamatta") lopeta();
    else if (ohjain == "cmdAvaaNettisivu") avaaNettisivu();
    else if (ohjain == "lblYhteystiedot") avaaKotisivu();
    else if (ohjain == "mnuKuukaudenRaportti") avaaRaportti();
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), 0, "frmMain", ohjain + "_Click");
  }
}

bool Toiminta::suljetaanko() {
  if (lopetettu_) return true;
  if (kesken_) return false;
  lopeta();
  return true;
}

bool Toiminta::paloittelukomento(bool kaynnistyksessa) {
  tallennaformi();
  const split::PaloitteluAsetukset a = asetukset();
  split::PaloitteluTulos tulos = split::paloittele(a);
  if (!tulos.valmis) return false;
  // A start that closes the window by itself runs with no one to answer a box (a scheduled
  // run): what needs a look is in virhelog.txt and the history, and waits for no one.
  if (!tulos.katsottavaa.empty() && !(kaynnistyksessa && a.suljeLopuksi)) {
    // Not the plain "Paloiteltu": the office must see what needs a look before going on.
    // A box the screen holds: the first ones, and where the rest are.
    constexpr std::size_t naytetaan = 8;
    std::string teksti = euro::ansi("Paloiteltu, mutta tarkista:");
    for (std::size_t i = 0; i < tulos.katsottavaa.size() && i < naytetaan; ++i) teksti += "\n" + tulos.katsottavaa[i];
    if (tulos.katsottavaa.size() > naytetaan)
      teksti += euro::ansi("\n... ja ") + std::to_string(tulos.katsottavaa.size() - naytetaan) +
                euro::ansi(" muuta. Kaikki ovat virhelokissa (virhelog.txt) ja paloitteluhistoriassa.");
    euro::viesti(teksti, "PALOITELTU, TARKISTA", euro::tyyli::huutomerkki);
  }
  try {
    if (a.naytaPaloitellut) {
      euro::se_AvaaKansio(tulos.kohdehakemisto);
    } else if (!a.suljeLopuksi) {
      int v = euro::viesti(euro::ansi("Paloiteltu. Näytänkö hakemiston minne paloiteltu "),
                           euro::ansi("PALOITELTU. NÄYTETÄÄNKÖ?"),
                           euro::tyyli::kyllaEiKysymysEiOletus);
      if (v == euro::vastaus::kylla) euro::se_AvaaKansio(tulos.kohdehakemisto);
    }
    if (a.suljeLopuksi) lopeta();
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), euro::paikka::paloittele);
  }
  return lopetettu_;
}

void Toiminta::valitsePaloiteltavaTiedosto() {
  std::string hakemisto, malli = "*.*", tarkenne = "*";
  const std::string nykyinen = nakyma_.arvo("txtPaloiteltavaTiedosto");
  if (!nykyinen.empty()) {
    hakemisto = euro::fe_PaljasHakemisto(nykyinen);
    std::string t = fe_Tarkenne(nykyinen);
    if (!t.empty()) {
      malli = "*." + t;
      tarkenne = t;
    }
  }
  std::string polku = euro::fe_AvaaTiedosto(CommonDialog1_, hakemisto,
                                            "Valitse paloiteltava TITO -tiedosto", malli, tarkenne);
  if (!polku.empty()) nakyma_.asetaArvo("txtPaloiteltavaTiedosto", polku);
}

void Toiminta::avaaMuistioon() {
  const std::string polku = nakyma_.arvo("txtPaloiteltavaTiedosto");
  if (!euro::fe_OnkoTiedosto(polku)) {
    euro::viesti(euro::ansi("Tiedostoa ") + polku + euro::ansi("  ei löydy"), "", euro::tyyli::ok);
    return;
  }
  euro::se_AvaaMuistiossa(polku);
}

void Toiminta::naytaPaloitteluehto() { split::naytaPaloitteluehto(asetukset()); }

void Toiminta::avaaNettisivu() {
  euro::fe_AvaaOsoite(std::string(euro::valmistajanPalvelin) + "/kolvanto.htm");
}

void Toiminta::avaaKotisivu() { euro::fe_AvaaOsoite(std::string(euro::valmistajanPalvelin) + "/"); }

std::string Toiminta::raporttipolku(int vuosi, int kuukausi) {
  char nimi[32];
  std::snprintf(nimi, sizeof nimi, "raportti-%04d-%02d.html", vuosi, kuukausi);
  std::string kansio = euro::ohjelma().datahakemisto;
  if (!kansio.empty() && kansio.back() != alusta::erotin) kansio += alusta::erotin;
  return kansio + nimi;
}

// The current month's report into the data directory, then into the browser. The page is
// written beside its place and put there in one step: a browser that still shows last
// time's page, or a failure halfway, never meets half a page.
void Toiminta::avaaRaportti() {
  const alusta::Aika nyt = alusta::paikallinenAika();
  const std::string polku = raporttipolku(nyt.vuosi, nyt.kuukausi);
  alusta::kirjoitaKorvaten(polku, [&](alusta::Tiedosto& t) {
    split::raportti::kirjoita(euro::ohjelma().datahakemisto, nyt.vuosi, nyt.kuukausi,
                              [&t](const std::string& osa) { t.kirjoita(osa); });
  });
  // The page stays written: the message tells where, when no browser opens it.
  const int koodi = euro::fe_AvaaOsoite(polku);
  if (koodi <= 32)
    throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                      euro::ansi("Kuukauden raportti on tiedostossa ") + polku +
                          euro::ansi(", mutta selainta ei voitu avata (koodi ") + std::to_string(koodi) + ").");
}

void Toiminta::lopeta() {
  lopetettu_ = true;
  nakyma_.lopetaOhjelma();
}

}  // namespace frmmain
