#include "split/historia.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/muoto.h"

namespace split::historia {

namespace {

using euro::ansi;

constexpr char sep = alusta::erotin;
constexpr const char* etuliite = "paloitteluhistoria-";
constexpr std::uint64_t kokorajaOletus = 32ull * 1024 * 1024;
std::uint64_t kokoraja = kokorajaOletus;
constexpr std::size_t kenttia = 10;
// Longer lines are no entry of ours: passed over without being held whole.
constexpr std::size_t riviEnintaan = 64 * 1024;

// What the system's editors and spreadsheets read: UTF-8 with LF on POSIX, ANSI with CR LF
// on Windows.
const char* const rivinloppu = alusta::onWindows ? "\r\n" : "\n";

const std::string& keskenMerkki() {
  static const std::string merkki = ansi("\t(kesken jäänyt rivi)");
  return merkki;
}

std::string kansiosta(const std::string& datahakemisto) {
  if (!datahakemisto.empty() && datahakemisto.back() == sep) return datahakemisto;
  return datahakemisto + sep;
}

// A field never breaks the line or the columns.
std::string kentta(const std::string& s) {
  std::string t = s;
  for (char& c : t)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return t;
}

std::string aikana(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", t.vuosi, t.kuukausi, t.paiva, t.tunti, t.minuutti,
                t.sekunti);
  return b;
}

std::string tilana(TiedostonYhteenveto::Tila t) {
  switch (t) {
    case TiedostonYhteenveto::Tila::uusi: return "uusi";
    case TiedostonYhteenveto::Tila::jatkettu: return "jatkettu";
    case TiedostonYhteenveto::Tila::toinenNimi: return "toinen nimi (-2)";
    default: return "";
  }
}

std::string maara(std::int64_t n, const Yksikko& y) { return std::to_string(n) + " " + ansi(n == 1 ? y.yksi : y.monta); }

struct Rivi {
  std::string aika, tapahtuma, muoto, tiliote, arkisto, yritys, eria, tavuja, tila, huomautus;
  std::string teksti() const {
    std::string s;
    for (const std::string* k : {&aika, &tapahtuma, &muoto, &tiliote, &arkisto, &yritys, &eria, &tavuja, &tila,
                                 &huomautus}) {
      if (!s.empty() || k != &aika) s += '\t';
      s += kentta(*k);
    }
    return s;
  }
};

// One line per company file of the summary, and one for the files past its limit; a run
// that wrote none gets one line of its own with what is noted for it.
void tiedostoille(const Yhteenveto& y, const Rivi& pohja, const std::string& eiTiedostoja,
                  std::vector<std::string>& rivit) {
  std::string huom = pohja.huomautus;
  for (const std::string& h : y.huomautukset) huom += (huom.empty() ? "" : "; ") + h;
  auto rivi = [&](const TiedostonYhteenveto& t, const std::string& yritys, std::string lisa) {
    Rivi r = pohja;
    r.yritys = yritys;
    r.eria = std::to_string(t.eria);
    // No statement is added without bytes: none counted means a split that does not count them.
    r.tavuja = t.tavuja > 0 || t.eria == 0 ? std::to_string(t.tavuja) : std::string();
    r.tila = tilana(t.tila);
    if (t.ilmanAvainta > 0) {
      const std::string tyhja = maara(t.ilmanAvainta, muotoYhteenvedolle(y).yksikko()) + " ilman avainta";
      lisa = lisa.empty() ? tyhja : tyhja + "; " + lisa;
    }
    r.huomautus = lisa;
    rivit.push_back(r.teksti());
  };
  bool eka = true;
  for (const TiedostonYhteenveto& t : y.tiedostot) {
    rivi(t, t.polku, eka ? huom : std::string());
    eka = false;
  }
  if (y.muut.eria > 0) {
    rivi(y.muut, ansi("(muut tiedostot)"),
         ansi("yli ") + std::to_string(Yhteenveto::tiedostoraja) + ansi(" tiedostoa: loput yhteensä"));
    eka = false;
  }
  if (eka) {
    Rivi r = pohja;
    r.eria = "0";
    r.tavuja = "0";
    r.huomautus = eiTiedostoja + (huom.empty() || eiTiedostoja.empty() ? "" : "; ") + huom;
    rivit.push_back(r.teksti());
  }
}

struct Tiedosto {
  int vuosi, osa;
  std::string nimi;
};

std::vector<Tiedosto> historiat(const std::string& kansio) {
  std::vector<Tiedosto> v;
  const std::string alku = etuliite;
  for (const std::string& n : alusta::tiedostot(kansio, ".txt")) {
    if (n.compare(0, alku.size(), alku) != 0) continue;
    int vuosi = 0, osa = 1;
    char loppu[8] = {};
    const std::string keski = n.substr(alku.size());
    if (std::sscanf(keski.c_str(), "%4d-%d.tx%1s", &vuosi, &osa, loppu) == 3 ||
        (osa = 1, std::sscanf(keski.c_str(), "%4d.tx%1s", &vuosi, loppu) == 2)) {
      if (tiedostonimi(vuosi, osa) == n) v.push_back({vuosi, osa, n});
    }
  }
  std::sort(v.begin(), v.end(), [](const Tiedosto& a, const Tiedosto& b) {
    return std::tie(a.vuosi, a.osa) < std::tie(b.vuosi, b.osa);
  });
  return v;
}

}  // namespace

std::string tiedostonimi(int vuosi, int osa) {
  std::string n = etuliite + std::to_string(vuosi);
  if (osa > 1) n += "-" + std::to_string(osa);
  return n + ".txt";
}

std::string otsikko() {
  return ansi("aika\ttapahtuma\tmuoto\ttiliotetiedosto\tarkisto\tyritystiedosto\terät tai tiliotteet\t"
              "lisätyt tavut\ttiedosto\thuomautus");
}

bool kirjataanko(const PaloitteluTulos& t) {
  const Yhteenveto& y = t.yhteenveto;
  return t.valmis || !t.viimeistellyt.empty() || !y.arkistoitu.empty() || !y.tiedostot.empty() || y.muut.eria > 0;
}

std::vector<std::string> merkinta(const PaloitteluAsetukset& a, const PaloitteluTulos& t, const alusta::Aika& aika) {
  std::vector<std::string> rivit;
  const std::string hetki = aikana(aika);
  for (const Viimeistelty& v : t.viimeistellyt) {
    Rivi r;
    r.aika = hetki;
    r.tapahtuma = "viimeistelty";
    r.muoto = muotoYhteenvedolle(v.yhteenveto).nimi();
    r.arkisto = v.arkisto;
    r.huomautus = ansi("keskeytynyt paloittelu viimeistelty");
    if (v.yhteenveto.tiedostot.empty() && v.yhteenveto.muut.eria == 0 && v.eria > 0) {
      // Only the count is known: the files are named by the run that was cut off.
      r.eria = std::to_string(v.eria);
      rivit.push_back(r.teksti());
      continue;
    }
    tiedostoille(v.yhteenveto, r, "", rivit);
  }
  if (!t.valmis && t.yhteenveto.arkistoitu.empty() && t.yhteenveto.tiedostot.empty() && t.yhteenveto.muut.eria == 0)
    return rivit;
  const Yhteenveto& y = t.yhteenveto;
  Rivi r;
  r.aika = hetki;
  r.tapahtuma = t.valmis ? "paloiteltu" : "keskeytyi";
  r.muoto = muotoYhteenvedolle(y).nimi();
  r.tiliote = a.tiliotetiedosto;
  r.arkisto = y.arkistoitu;
  if (!t.valmis) r.huomautus = ansi("keskeytyi virheeseen, katso virhelog.txt");
  const std::string eiTiedostoja =
      t.valmis ? ansi("ei ") + ansi(muotoYhteenvedolle(y).yksikko().puuttuu) + ansi(", mitään ei kirjoitettu")
               : std::string();
  tiedostoille(y, r, eiTiedostoja, rivit);
  return rivit;
}

void kirjaa(const std::string& datahakemisto, const std::vector<std::string>& rivit, const alusta::Aika& aika) {
  if (rivit.empty()) return;
  const std::string kansio = kansiosta(datahakemisto);
  int osa = 1;
  std::optional<std::uint64_t> pituus;
  for (;; ++osa) {
    pituus = alusta::pituusJosOn(kansio + tiedostonimi(aika.vuosi, osa));
    if (!pituus || *pituus < kokoraja) break;
  }
  const std::string polku = kansio + tiedostonimi(aika.vuosi, osa);
  std::string teksti;
  if (pituus.value_or(0) == 0) {
    teksti = otsikko() + rivinloppu;
  } else {
    // A write cut off in an earlier run may have left a line without its end. It is ended
    // with a mark, so that it is never read as a whole entry.
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    t.siirry(*pituus - 1);
    char viimeinen = 0;
    if (t.lue(&viimeinen, 1) == 1 && viimeinen != '\n')
      teksti = viimeinen == '\r' ? std::string("\n") : keskenMerkki() + rivinloppu;
    t.sulje();
  }
  for (const std::string& r : rivit) teksti += r + rivinloppu;
  // One write: a kill leaves all of the entry or none of it, save a last line cut short,
  // which the reader passes over and the next entry ends.
  alusta::Tiedosto t(polku, alusta::Tila::lisaaOmaan);
  t.kirjoita(alusta::luettavaksi(teksti));
  t.sulje();
}

std::vector<std::string> tiedostot(const std::string& datahakemisto) {
  const std::string kansio = kansiosta(datahakemisto);
  std::vector<std::string> v;
  for (const Tiedosto& t : historiat(kansio)) v.push_back(kansio + t.nimi);
  return v;
}

void lue(const std::string& datahakemisto, const std::string& yritys,
         const std::function<void(const std::string& rivi)>& anna) {
  const std::string haettu = euro::isoksi(yritys);
  const std::string otsake = otsikko();
  auto kasittele = [&](std::string rivi) {
    if (!rivi.empty() && rivi.back() == '\r') rivi.pop_back();
    if constexpr (!alusta::onWindows) rivi = euro::utf8Ansi(rivi);
    if (rivi == otsake) return;
    const std::string& merkki = keskenMerkki();
    if (rivi.size() >= merkki.size() && rivi.compare(rivi.size() - merkki.size(), merkki.size(), merkki) == 0) return;
    if (static_cast<std::size_t>(std::count(rivi.begin(), rivi.end(), '\t')) != kenttia - 1) return;
    if (!haettu.empty()) {
      std::size_t alku = 0;
      for (int i = 0; i < 5; ++i) alku = rivi.find('\t', alku) + 1;
      std::string nimi = rivi.substr(alku, rivi.find('\t', alku) - alku);
      nimi = nimi.substr(nimi.find_last_of(sep) == std::string::npos ? 0 : nimi.find_last_of(sep) + 1);
      if (euro::isoksi(nimi).find(haettu) == std::string::npos) return;
    }
    anna(rivi);
  };
  for (const std::string& polku : tiedostot(datahakemisto)) {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    std::string kesken;
    bool ohitetaan = false;  // a line too long to be ours, up to its end
    char b[64 * 1024];
    while (std::size_t n = t.lue(b, sizeof b)) {
      std::size_t alku = 0;
      for (std::size_t i = 0; i < n; ++i) {
        if (b[i] != '\n') continue;
        if (!ohitetaan) {
          kesken.append(b + alku, i - alku);
          kasittele(std::move(kesken));
        }
        kesken.clear();
        ohitetaan = false;
        alku = i + 1;
      }
      if (!ohitetaan) kesken.append(b + alku, n - alku);
      if (kesken.size() > riviEnintaan) {
        kesken.clear();
        ohitetaan = true;
      }
    }
    // What is left has no line end: an entry cut off while it was written.
    t.sulje();
  }
}

void asetaKokoraja(std::uint64_t tavuja) { kokoraja = tavuja ? tavuja : kokorajaOletus; }

}  // namespace split::historia
