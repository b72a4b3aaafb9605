#include "split/historia.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <cstdio>
#include <optional>
#include <tuple>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/ilmoitus.h"
#include "split/muoto.h"

namespace split::historia {

namespace {

using euro::ansi;

constexpr char sep = alusta::erotin;
constexpr const char* etuliite = "paloitteluhistoria-";
constexpr std::uint64_t kokorajaOletus = 32ull * 1024 * 1024;
std::uint64_t kokoraja = kokorajaOletus;
constexpr std::size_t kenttia = 19;
constexpr std::size_t vanhatKentat = 10;  // the history before statement lines
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

std::string vanhaOtsikko() {
  return ansi("aika\ttapahtuma\tmuoto\ttiliotetiedosto\tarkisto\tyritystiedosto\terät tai tiliotteet\t"
              "lisätyt tavut\ttiedosto\thuomautus");
}

using Rivi = Merkinta;

// The entry's fields in the header's order, for writing (const) and for reading into.
template <typename M>
auto kentat(M& m) {
  return std::array{&m.aika,     &m.tapahtuma,  &m.muoto,      &m.tiliote,  &m.arkisto, &m.yritys, &m.eria,
                    &m.tavuja,   &m.tila,       &m.huomautus,  &m.tili,     &m.numero,  &m.alkaa,  &m.paattyy,
                    &m.alkusaldo, &m.loppusaldo, &m.valuutta,  &m.tiiviste, &m.alue};
}
static_assert(std::tuple_size_v<decltype(kentat(std::declval<Merkinta&>()))> == kenttia);

// "YYYY-MM-DD" of a run's time or a statement's date.
std::string paivaksi(const std::string& aika) { return aika.substr(0, 10); }


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
    rivit.push_back(tekstiksi(r));
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
    rivit.push_back(tekstiksi(r));
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

// Each whole line of the file without its end (a line end is LF, a CR before it kept), for
// fn; a line too long to be an entry is passed over without being held whole, and what
// follows the last line end is an entry cut off while it was written.
void riveittain(const std::string& polku, const std::function<void(std::string)>& fn) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  std::string kesken;
  bool ohitetaan = false;  // a line too long to be ours, up to its end
  std::vector<char> b(64 * 1024);
  while (std::size_t n = t.lue(b.data(), b.size())) {
    std::size_t alku = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (b[i] != '\n') continue;
      if (!ohitetaan) {
        kesken.append(b.data() + alku, i - alku);
        fn(std::move(kesken));
      }
      kesken.clear();
      ohitetaan = false;
      alku = i + 1;
    }
    if (!ohitetaan) kesken.append(b.data() + alku, n - alku);
    if (kesken.size() > riviEnintaan) {
      kesken.clear();
      ohitetaan = true;
    }
  }
  t.sulje();
}

// A year's file of the earlier ten columns gets the new header, and each of its entry lines
// the new columns empty, in a copy that replaces it in one step: no line is lost, and a kill
// leaves the old file whole.
void paivitaOtsikko(const std::string& polku) {
  const std::string vanha = alusta::luettavaksi(vanhaOtsikko());
  {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    std::string alku(vanha.size() + 2, '\0');
    alku.resize(t.lue(alku.data(), alku.size()));
    t.sulje();
    const bool vanhaa = alku.compare(0, vanha.size(), vanha) == 0 && alku.size() > vanha.size() &&
                        (alku[vanha.size()] == '\n' || (alku[vanha.size()] == '\r' && alku.size() > vanha.size() + 1 &&
                                                         alku[vanha.size() + 1] == '\n'));
    if (!vanhaa) return;
  }
  const std::string lisa(kenttia - vanhatKentat, '\t');
  alusta::kirjoitaKorvaten(polku, [&](alusta::Tiedosto& u) {
    std::string puskuri;
    bool eka = true;
    riveittain(polku, [&](std::string rivi) {
      const bool cr = !rivi.empty() && rivi.back() == '\r';
      if (cr) rivi.pop_back();
      if (eka) rivi = alusta::luettavaksi(otsikko());
      else if (static_cast<std::size_t>(std::count(rivi.begin(), rivi.end(), '\t')) == vanhatKentat - 1) rivi += lisa;
      eka = false;
      puskuri += rivi;
      puskuri += cr ? "\r\n" : "\n";
      if (puskuri.size() >= 256 * 1024) {
        u.kirjoita(puskuri);
        puskuri.clear();
      }
    });
    // What followed the last line end, a line cut off, stays as it was.
    const std::uint64_t pituus = alusta::pituusJosOn(polku).value_or(0);
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    std::uint64_t kohta = pituus;
    char c = 0;
    while (kohta > 0) {
      t.siirry(kohta - 1);
      if (t.lue(&c, 1) == 1 && c == '\n') break;
      --kohta;
    }
    std::string hanta(static_cast<std::size_t>(pituus - kohta), '\0');
    t.siirry(kohta);
    hanta.resize(t.lue(hanta.data(), hanta.size()));
    t.sulje();
    puskuri += hanta;
    u.kirjoita(puskuri);
  });
}

}  // namespace

std::string tiedostonimi(int vuosi, int osa) {
  std::string n = etuliite + std::to_string(vuosi);
  if (osa > 1) n += "-" + std::to_string(osa);
  return n + ".txt";
}

std::string otsikko() {
  return vanhaOtsikko() + ansi("\ttili\tnumero\talkaa\tpäättyy\talkusaldo\tloppusaldo\tvaluutta\ttiiviste\t"
                               "tavut arkistossa");
}

bool kirjataanko(const PaloitteluTulos& t) {
  const Yhteenveto& y = t.yhteenveto;
  // A quiet day (no statement file) leaves none; a refusal or a failure does.
  return t.valmis || !t.viimeistellyt.empty() || !y.arkistoitu.empty() || !y.tiedostot.empty() || y.muut.eria > 0 ||
         t.loppu != Loppu::eiTiedostoa;
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
      rivit.push_back(tekstiksi(r));
      continue;
    }
    tiedostoille(v.yhteenveto, r, "", rivit);
  }
  if (!t.valmis && t.yhteenveto.arkistoitu.empty() && t.yhteenveto.tiedostot.empty() && t.yhteenveto.muut.eria == 0) {
    if (t.loppu == Loppu::eiTiedostoa) return rivit;
    // Refused or failed before it split: the reason, so that the history answers for every day.
    Rivi r;
    r.aika = hetki;
    r.tapahtuma = t.loppu == Loppu::hylatty ? ansi("hylätty") : t.loppu == Loppu::epaonnistui ? ansi("epäonnistui")
                                                                                              : ansi("ei paloiteltu");
    r.tiliote = a.tiliotetiedosto;
    r.arkisto = t.siirrettySivuun;
    r.eria = "0";
    r.tavuja = "0";
    if (t.loppu == Loppu::epaonnistui) {
      r.huomautus = t.virhe;
    } else if (const std::optional<ilmoitus::Viesti> v = ilmoitus::lopusta(t)) {
      r.huomautus = v->teksti;
    }
    rivit.push_back(tekstiksi(r));
    return rivit;
  }
  const Yhteenveto& y = t.yhteenveto;
  Rivi r;
  r.aika = hetki;
  r.tapahtuma = t.valmis ? "paloiteltu" : "keskeytyi";
  r.muoto = muotoYhteenvedolle(y).nimi();
  r.tiliote = a.tiliotetiedosto;
  r.arkisto = y.arkistoitu;
  if (!t.valmis) r.huomautus = ansi("keskeytyi virheeseen, katso virhelog.txt");
  const Yksikko yks = muotoYhteenvedolle(y).yksikko();
  if (t.toimitettuja > 0)
    r.huomautus = maara(t.toimitettuja, yks) + ansi(" jo toimitettu aiemmin, ei lisätty") +
                  (r.huomautus.empty() ? "" : "; " + r.huomautus);
  const std::string eiTiedostoja =
      !t.valmis ? std::string()
      : t.toimitettuja > 0 ? ansi("mitään uutta ei ollut, mitään ei kirjoitettu")
                           : ansi("ei ") + ansi(yks.puuttuu) + ansi(", mitään ei kirjoitettu");
  tiedostoille(y, r, eiTiedostoja, rivit);
  return rivit;
}

std::string tekstiksi(const Merkinta& m) {
  std::string s;
  bool eka = true;
  for (const std::string* f : kentat(m)) {
    if (!eka) s += '\t';
    eka = false;
    s += kentta(*f);
  }
  return s;
}

std::string arkistonKanssa(const std::string& rivi, const std::string& arkisto) {
  // The archive is the fifth field: after the fourth tab.
  std::size_t p = std::string::npos;
  for (int i = 0; i < 4; ++i)
    if ((p = rivi.find('\t', p + 1)) == std::string::npos) return rivi;
  std::string s = rivi;
  s.insert(p + 1, kentta(arkisto));
  return s;
}

bool jasenna(const std::string& rivi, Merkinta& m) {
  const std::size_t tabeja = static_cast<std::size_t>(std::count(rivi.begin(), rivi.end(), '\t'));
  if (tabeja != kenttia - 1 && tabeja != vanhatKentat - 1) return false;
  m = Merkinta{};
  std::size_t alku = 0;
  for (std::string* f : kentat(m)) {
    if (alku > rivi.size()) break;
    const std::size_t loppu = std::min(rivi.find('\t', alku), rivi.size());
    f->assign(rivi, alku, loppu - alku);
    alku = loppu + 1;
  }
  return true;
}

bool Merkinta::onTiliote() const { return tapahtuma == tapahtuma::tiliote || tapahtuma == tapahtuma::toimitettu; }

std::string euroina(std::int64_t senttia) {
  const std::uint64_t itseis = senttia < 0 ? 0 - static_cast<std::uint64_t>(senttia) : static_cast<std::uint64_t>(senttia);
  char b[48];
  std::snprintf(b, sizeof b, "%s%llu,%02llu", senttia < 0 ? "-" : "", static_cast<unsigned long long>(itseis / 100),
                static_cast<unsigned long long>(itseis % 100));
  return b;
}

std::optional<std::int64_t> senteiksi(const std::string& t) {
  std::size_t i = 0;
  const bool miinus = !t.empty() && t[0] == '-';
  if (miinus) ++i;
  std::int64_t euroa = 0;
  std::size_t numeroita = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++numeroita) {
    if (numeroita >= 16) return std::nullopt;
    euroa = euroa * 10 + (t[i] - '0');
  }
  if (numeroita == 0 || i + 3 != t.size() || t[i] != ',' || t[i + 1] < '0' || t[i + 1] > '9' || t[i + 2] < '0' ||
      t[i + 2] > '9')
    return std::nullopt;
  const std::int64_t s = euroa * 100 + (t[i + 1] - '0') * 10 + (t[i + 2] - '0');
  return miinus ? -s : s;
}

bool Suodatin::kelpaa(const Merkinta& m) const {
  if (m.onTiliote() ? !tiliotteet : !ajot) return false;
  if (!yritys.empty()) {
    const std::size_t e = m.yritys.find_last_of(sep);
    const std::string nimi = e == std::string::npos ? m.yritys : m.yritys.substr(e + 1);
    if (euro::isoksi(nimi).find(euro::isoksi(yritys)) == std::string::npos) return false;
  }
  if (!tili.empty()) {
    auto tiivis = [](const std::string& s) {
      std::string t;
      for (char c : s)
        if (c != ' ') t += c;
      return euro::isoksi(t);
    };
    if (tiivis(m.tili).find(tiivis(tili)) == std::string::npos) return false;
  }
  // A statement's period, or the day of a run's line.
  const std::string alku = m.onTiliote() && !m.alkaa.empty() ? m.alkaa : paivaksi(m.aika);
  const std::string loppu = m.onTiliote() && !m.paattyy.empty() ? m.paattyy : alku;
  if (!kuukausi.empty() && (loppu.substr(0, 7) < kuukausi || alku.substr(0, 7) > kuukausi)) return false;
  if (!paiva.empty() && (loppu < paiva || alku > paiva)) return false;
  return true;
}

Kirjoittaja::Kirjoittaja(const std::string& datahakemisto, const alusta::Aika& aika) {
  const std::string kansio = kansiosta(datahakemisto);
  int osa = 1;
  std::optional<std::uint64_t> pituus;
  for (;; ++osa) {
    pituus = alusta::pituusJosOn(kansio + tiedostonimi(aika.vuosi, osa));
    if (!pituus || *pituus < kokoraja) break;
  }
  const std::string polku = kansio + tiedostonimi(aika.vuosi, osa);
  if (pituus.value_or(0) == 0) {
    puskuri_ = otsikko() + rivinloppu;
  } else {
    paivitaOtsikko(polku);
    // A write cut off in an earlier run may have left a line without its end. It is ended
    // with a mark, so that it is never read as a whole entry.
    pituus = alusta::pituusJosOn(polku);
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    t.siirry(pituus.value_or(1) - 1);
    char viimeinen = 0;
    if (t.lue(&viimeinen, 1) == 1 && viimeinen != '\n')
      puskuri_ = viimeinen == '\r' ? std::string("\n") : keskenMerkki() + rivinloppu;
    t.sulje();
  }
  t_.avaa(polku, alusta::Tila::lisaaOmaan);
}

Kirjoittaja::~Kirjoittaja() = default;

void Kirjoittaja::lisaa(const std::string& rivi) {
  puskuri_ += rivi;
  puskuri_ += rivinloppu;
  // Whole lines a write: a kill leaves all of them or a last one cut short, which the reader
  // passes over and the next entry ends.
  if (puskuri_.size() >= 256 * 1024) tyhjenna();
}

void Kirjoittaja::tyhjenna() {
  if (puskuri_.empty()) return;
  t_.kirjoita(alusta::luettavaksi(puskuri_));
  puskuri_.clear();
}

void Kirjoittaja::sulje(bool levylle) {
  tyhjenna();
  if (levylle) t_.tallennaLevylle();
  t_.sulje();
}

void kirjaa(const std::string& datahakemisto, const std::vector<std::string>& rivit, const alusta::Aika& aika) {
  if (rivit.empty()) return;
  Kirjoittaja k(datahakemisto, aika);
  for (const std::string& r : rivit) k.lisaa(r);
  k.sulje();
}

std::vector<std::string> tiedostot(const std::string& datahakemisto) {
  const std::string kansio = kansiosta(datahakemisto);
  std::vector<std::string> v;
  for (const Tiedosto& t : historiat(kansio)) v.push_back(kansio + t.nimi);
  return v;
}

void lue(const std::string& datahakemisto, const std::string& yritys,
         const std::function<void(const std::string& rivi)>& anna) {
  Suodatin s;
  s.yritys = yritys;
  lue(datahakemisto, s, anna);
}

void lue(const std::string& datahakemisto, const Suodatin& suodatin,
         const std::function<void(const std::string& rivi)>& anna) {
  const std::string otsake = otsikko(), vanhaOtsake = vanhaOtsikko();
  const std::string tyhjat(kenttia - vanhatKentat, '\t');
  Merkinta m;
  auto kasittele = [&](std::string rivi) {
    if (!rivi.empty() && rivi.back() == '\r') rivi.pop_back();
    if constexpr (!alusta::onWindows) rivi = euro::utf8Ansi(rivi);
    if (rivi == otsake || rivi == vanhaOtsake) return;
    const std::string& merkki = keskenMerkki();
    if (rivi.size() >= merkki.size() && rivi.compare(rivi.size() - merkki.size(), merkki.size(), merkki) == 0) return;
    if (!jasenna(rivi, m) || !suodatin.kelpaa(m)) return;
    // A line of the earlier ten columns is given as wide as the rest.
    if (static_cast<std::size_t>(std::count(rivi.begin(), rivi.end(), '\t')) == vanhatKentat - 1) rivi += tyhjat;
    anna(rivi);
  };
  const std::string kansio = kansiosta(datahakemisto);
  for (const Tiedosto& t : historiat(kansio))
    if (t.vuosi >= suodatin.vuodesta) riveittain(kansio + t.nimi, kasittele);
}

void viimeisimmat(const std::string& datahakemisto, const Suodatin& s,
                  const std::function<void(const std::string& rivi)>& anna) {
  std::unordered_map<std::string, std::size_t> paikka;
  std::vector<std::string> rivit;
  Merkinta m;
  lue(datahakemisto, s, [&](const std::string& rivi) {
    if (!jasenna(rivi, m) || m.yritys.empty() || m.eria.empty() || m.eria == "0") return;
    if (m.yritys.front() == '(') return;  // the count of the files past the summary's limit
    // A run's line stands for the company file only until statement lines name it.
    auto [i, uusi] = paikka.try_emplace(m.yritys, rivit.size());
    if (uusi) rivit.push_back(rivi);
    else rivit[i->second] = rivi;
  });
  for (const std::string& r : rivit) anna(r);
}

void hiljaiset(const std::string& datahakemisto, int paivia, const alusta::Aika& tanaan,
               const std::function<void(const std::string& rivi)>& anna) {
  // The day paivia days before today: civil date arithmetic without the system's calendar.
  auto paivanumero = [](int y, int k, int p) {
    y -= k <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int ve = y - era * 400;
    const int vp = (153 * (k + (k > 2 ? -3 : 9)) + 2) / 5 + p - 1;
    return era * 146097 + ve * 365 + ve / 4 - ve / 100 + vp;
  };
  const int raja = paivanumero(tanaan.vuosi, tanaan.kuukausi, tanaan.paiva) - paivia;
  Merkinta m;
  viimeisimmat(datahakemisto, Suodatin{}, [&](const std::string& rivi) {
    if (!jasenna(rivi, m)) return;
    const std::string paiva = m.onTiliote() && !m.paattyy.empty() ? m.paattyy : paivaksi(m.aika);
    int y = 0, k = 0, p = 0;
    if (std::sscanf(paiva.c_str(), "%4d-%2d-%2d", &y, &k, &p) != 3) return;
    if (paivanumero(y, k, p) < raja) anna(rivi);
  });
}

void kerroKirjoitusvirhe() {
  static constexpr euro::Raportointipaikka paikka{101, "kolvanto", "kirjaaHistoriaan"};
  const euro::Virhe v = euro::nykyinenVirhe();
  euro::fe_Virhe(euro::Virhe(v.numero(), euro::ansi("Paloitteluhistoriaan ei voitu kirjoittaa: ") + v.viesti()), paikka);
}

void asetaKokoraja(std::uint64_t tavuja) { kokoraja = tavuja ? tavuja : kokorajaOletus; }

}  // namespace split::historia
