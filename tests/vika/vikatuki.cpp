#include "vikatuki.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "euro/polut.h"
#include "euro/teksti.h"
#include "split/kirjuri.h"
#include "split/muoto.h"
#include "split/t00.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace vika {

Koukku::Koukku(Paatos paatos) : paatos_(std::move(paatos)) {
  edellinen_ = alusta::asetaVikakoukku(
      [this](alusta::Vaihe vaihe, const std::string& polku, std::size_t n) -> std::optional<alusta::Vika> {
        kysymykset.push_back({vaihe, polku, n});
        if (!paatos_) return std::nullopt;
        return paatos_(kysymykset.back(), kysymykset.size() - 1);
      });
}

Koukku::~Koukku() { alusta::asetaVikakoukku(std::move(edellinen_)); }

Tmpfs::Tmpfs(const std::string& kansio, std::size_t tavuja) : kansio_(kansio) {
  if constexpr (alusta::onWindows) return;
  liitetty_ = testi::ajaOhjelma("mount", {"-t", "tmpfs", "-o", "size=" + std::to_string(tavuja),
                                          "kolvanto-vika", kansio})
                  .koodi == 0;
}

Tmpfs::~Tmpfs() {
  if (!liitetty_) return;
  // Lazily: a file left open by a failed test must not keep it mounted.
  testi::ajaOhjelma("umount", {"-l", kansio_});
}

bool Tmpfs::vainLuettavaksi() {
  if (!liitetty_) return false;
  return testi::ajaOhjelma("mount", {"-o", "remount,ro", kansio_}).koodi == 0;
}

std::string tiedostonimi(const std::string& asiakas) { return "TITO-2018-08-" + asiakas + ".TXT"; }

Tiliote teeTiliote(const std::vector<std::string>& asiakkaat, int rivejaEraa, bool pitka) {
  Tiliote t;
  t.sisalto = "ennen ensimmaista eraa\r\n";
  int n = 0;
  for (std::size_t e = 0; e < asiakkaat.size(); ++e) {
    testi::T00 t00;
    t00.asiakas = asiakkaat[e];
    std::string era = t00.rivi() + "\r\n";
    for (int i = 0; i < rivejaEraa; ++i, ++n) {
      // Lengths that do not divide the buffer, so that writes end inside lines.
      std::string rivi = "T10" + std::to_string(n) + std::string(40 + (n * 397) % 1900, 'a' + n % 26);
      if (pitka && e == 1 && i == 0) rivi += std::string(70 * 1024, 'P');
      era += rivi + "\r\n";
    }
    t.sisalto += era;
    t.lisattava[tiedostonimi(asiakkaat[e])] += era;
    t.erat.push_back(era);
  }
  return t;
}

::testing::AssertionResult tilioteKerran(const std::string& kansio, const std::string& nimi,
                                         const std::string& sisalto) {
  const char S = alusta::erotin;
  const std::string paikallaan = kansio + S + nimi;
  const std::string arkisto = kansio + S + "TUODUT";
  std::vector<std::string> arkistossa;
  if (testi::onOlemassa(arkisto))
    for (const std::string& n : testi::tiedostot(arkisto))
      if (n.size() > nimi.size() && n.compare(n.size() - nimi.size(), nimi.size(), nimi) == 0)
        arkistossa.push_back(arkisto + S + n);
  const bool loytyy = testi::onOlemassa(paikallaan);
  if (loytyy + arkistossa.size() != 1)
    return ::testing::AssertionFailure() << nimi << ": paikallaan " << loytyy << ", arkistossa "
                                         << arkistossa.size();
  const std::string polku = loytyy ? paikallaan : arkistossa[0];
  if (testi::lueTiedosto(polku) != sisalto)
    return ::testing::AssertionFailure() << polku << " on muuttunut";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult vanhaJaKokonaisiaRiveja(const std::string& nyt, const std::string& vanha,
                                                   const std::string& lisattava) {
  if (nyt.compare(0, vanha.size(), vanha) != 0 || nyt.size() < vanha.size())
    return ::testing::AssertionFailure() << "vanha sisältö ei ole tallella";
  const std::string uusi = nyt.substr(vanha.size());
  if (lisattava.compare(0, uusi.size(), uusi) != 0 || uusi.size() > lisattava.size())
    return ::testing::AssertionFailure() << "lisätty ei ole syötteen rivit alusta alkaen ("
                                         << uusi.size() << " tavua)";
  // Lines hold no CR: every CR LF of the expected bytes ends a line.
  if (!uusi.empty() && uusi.compare(uusi.size() - std::min<std::size_t>(2, uusi.size()), 2, "\r\n") != 0)
    return ::testing::AssertionFailure() << "viimeinen rivi on kesken (" << uusi.size() << " tavua)";
  return ::testing::AssertionSuccess();
}

Prosessi ajaKolvantoCli(const std::vector<std::string>& argumentit) {
  // A copy in a folder of its own: the failures it logs land there, not among the build's
  // programs.
  static testi::Kansio kansio;
  static const std::string ohjelma = [] {
    const std::string p = kansio / (std::string("kolvanto-cli") + (alusta::onWindows ? ".exe" : ""));
    testi::kopioi(testi::ohjelmaBin("kolvanto-cli"), p);
    return p;
  }();
  testi::Ajettu a = testi::ajaOhjelma(ohjelma, argumentit);
  return {a.aikaLoppui ? -1 : a.koodi, a.virhe};
}

std::optional<std::size_t> muistihuippu() {
  if constexpr (alusta::onWindows) return std::nullopt;
  std::ifstream f("/proc/self/status");
  std::string rivi;
  while (std::getline(f, rivi))
    if (rivi.rfind("VmHWM:", 0) == 0) return std::stoull(rivi.substr(6)) * 1024;
  return std::nullopt;
}

bool nollaaMuistihuippu() {
  if constexpr (alusta::onWindows) return false;
  std::ofstream f("/proc/self/clear_refs");
  f << "5";
  f.flush();
  return f.good();
}

namespace {
const std::string S(1, alusta::erotin);
// "data": the data directory, where a test keeps one (the ledger's history files).
const char* const kuvanKansiot[] = {"", "TUODUT", "ulos", "data"};

}  // namespace

Kuva kuva(const testi::Kansio& k) {
  Kuva m;
  for (const std::string kansio : kuvanKansiot) {
    const std::string polku = kansio.empty() ? k.polku() : k / kansio;
    if (!testi::onOlemassa(polku)) continue;
    for (const std::string& n : alusta::tiedostot(polku, ""))
      m[kansio.empty() ? n : kansio + S + n] = testi::lueTiedosto(polku + S + n);
  }
  return m;
}

void palauta(const testi::Kansio& k, const Kuva& m) {
  for (const std::string kansio : kuvanKansiot) {
    const std::string polku = kansio.empty() ? k.polku() : k / kansio;
    if (!testi::onOlemassa(polku)) {
      if (kansio != std::string("data")) alusta::luoHakemisto(polku);
      continue;
    }
    for (const std::string& n : alusta::tiedostot(polku, "")) alusta::poistaTiedosto(polku + S + n);
  }
  for (const auto& [n, s] : m) testi::kirjoitaTiedosto(k / n, s);
}


std::pair<std::string, std::vector<std::string>> erat(const std::string& s) {
  std::pair<std::string, std::vector<std::string>> t;
  std::size_t p = 0;
  while (p < s.size()) {
    std::size_t e = s.find("\r\n", p);
    e = e == std::string::npos ? s.size() : e + 2;
    if (s.compare(p, 3, "T00") == 0) t.second.emplace_back();
    (t.second.empty() ? t.first : t.second.back()) += s.substr(p, e - p);
    p = e;
  }
  std::sort(t.second.begin(), t.second.end());
  return t;
}

Koukku::Paatos katkaisija(const testi::Kansio& k, Katko& katko, std::function<Kuva()> kuvaa) {
  return [&k, &katko, kuvaa = std::move(kuvaa)](const Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
    if (katko.tapahtui) return alusta::Vika{euro::virhenro::laitevirhe};
    if (katko.kutsuja++ == katko.kohta) {
      katko.tapahtui = true;
      katko.nyt = kuvaa ? kuvaa() : kuva(k);
      return alusta::Vika{euro::virhenro::laitevirhe};
    }
    const std::string juuri = k.polku() + S;
    if (q.vaihe == alusta::Vaihe::tallenna && q.polku.rfind(juuri, 0) == 0 && alusta::pituusJosOn(q.polku))
      katko.levylla[q.polku.substr(juuri.size())] = testi::lueTiedosto(q.polku);
    return std::nullopt;
  };
}

// The files after a power cut at the moment of the kill. Names made, renamed and removed
// stay (the file system's own journal keeps them in order); each file's bytes written since
// its last flush are kept or lost as the pattern says: 0 all kept (a kill), 1 all lost,
// 2 and 3 every other file lost, 4 the journals' unflushed bytes torn in half.
Kuva sahkokatko(const Kuva& nyt, const Kuva& levylla, const Kuva& alussa, int malli) {
  Kuva m;
  std::size_t i = 0;
  for (const auto& [n, s] : nyt) {
    std::string d;
    if (auto l = levylla.find(n); l != levylla.end()) d = l->second;
    else if (auto u = levylla.find(n + ".uusi"); u != levylla.end()) d = u->second;
    else if (auto a = alussa.find(n); a != alussa.end()) d = a->second;
    else if (n.rfind("TUODUT", 0) == 0 && n.find(".kesken") == std::string::npos) d = s;  // the moved statement
    const bool kirja = n.find(".kesken") != std::string::npos;
    const bool pois = malli == 1 || (malli == 2 && i % 2 == 0) || (malli == 3 && i % 2 == 1);
    if (s.compare(0, d.size(), d) != 0) m[n] = s;
    else if (malli == 4 && kirja) m[n] = s.substr(0, d.size() + (s.size() - d.size()) / 2);
    else m[n] = pois ? d : s;
    ++i;
  }
  return m;
}

bool vanhaMerkki(const std::string& kansio, const std::string& nimi) {
  if (nimi.rfind(".kolvanto-", 0) != 0) return false;
  const std::string s = testi::lueTiedosto(kansio + S + nimi);
  return !testi::onOlemassa(s.substr(0, s.find('\r')));
}

std::string asiakirja(const std::vector<std::string>& lausunnot) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">\r\n<BkToCstmrStmt>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\r\n";
  for (const auto& l : lausunnot) s += l;
  return s + "</BkToCstmrStmt>\r\n</Document>\r\n";
}

std::string tiliote(const std::vector<std::string>& asiakkaat, int rivejaEraa, int siemen, const std::string& ennen) {
  std::string s = ennen;
  int n = siemen;
  for (const std::string& asiakas : asiakkaat) {
    testi::T00 t;
    t.asiakas = asiakas;
    s += t.rivi() + "\r\n";
    for (int i = 0; i < rivejaEraa; ++i, ++n) s += "T10 " + std::to_string(n) + std::string(30 + n % 50, 'r') + "\r\n";
  }
  return s;
}

std::vector<split::Tiliote> tiliotteet(const split::PaloitteluAsetukset& a) {
  std::vector<split::Tiliote> v;
  split::muotoTiedostolle(a.tiliotetiedosto).tiliotteet(a.tiliotetiedosto, a, 0, [&](const split::Tiliote& t) {
    v.push_back(t);
  });
  return v;
}

bool arkistoiOhittaen(const split::PaloitteluAsetukset& a, const split::Ohitettavat& ohita, const alusta::Aika& aika,
                      split::Yhteenveto* y) {
  const char S = alusta::erotin;
  split::Yhteenveto oma;
  try {
    const split::Muoto& muoto = split::muotoTiedostolle(a.tiliotetiedosto);
    std::string syy;
    const auto jako = muoto.tarkista(a.tiliotetiedosto, a, syy);
    if (!jako) return false;
    split::KirjanOtsikko o = split::otsikkoAsetuksista(
        a, muoto.nimi(), euro::fe_PaljasHakemisto(a.tiliotetiedosto) + S + "TUODUT", a.kohdehakemisto + S);
    o.ohitettavat = ohita;
    if (!split::varmistaHakemisto(o.tuodut)) return false;
    split::Paivakirja kirja;
    split::Kirjuri kirjuri(nullptr, nullptr, a.saadot);
    const std::string arkisto =
        kirjuri.varaa(kirja, o, split::aikaleima(aika), euro::fe_PaljasTiedosto(a.tiliotetiedosto));
    if (alusta::siirraJosVapaa(a.tiliotetiedosto, arkisto) == alusta::Siirto::auki) return false;
    alusta::tallennaHakemisto(o.tuodut);
    kirjuri.jaa(kirja, muoto, *jako, o, arkisto, o.kohde, y ? *y : oma);
    return true;
  } catch (...) {
    return false;
  }
}

bool jaaOhittaen(const split::PaloitteluAsetukset& a, const split::Ohitettavat& ohita, split::Yhteenveto* y) {
  split::Yhteenveto oma;
  std::string syy;
  const auto jako = split::muotoTiedostolle(a.tiliotetiedosto).tarkista(a.tiliotetiedosto, a, syy);
  if (!jako) return false;
  jako->jaa(a.tiliotetiedosto, a.kohdehakemisto + std::string(1, alusta::erotin), y ? *y : oma, ohita);
  return true;
}

std::map<std::string, std::string> sisallot(const std::string& kansio) {
  std::map<std::string, std::string> m;
  for (const std::string& n : testi::tiedostot(kansio))
    if (!vanhaMerkki(kansio, n)) m[n] = testi::lueTiedosto(kansio + std::string(1, alusta::erotin) + n);
  return m;
}

}  // namespace vika
