// Every statement format held to one contract, a row of muotorivit.h each: it knows its own
// files and leaves the others' to their formats, refuses before it writes, splits in place as it
// splits under the journal, is finished after a kill at any call as if it had never been cut,
// splits what reaches a grown archive once, and previews every company key.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "split/esikatselu.h"
#include "split/historia.h"
#include "split/muoto.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "muotorivit.h"
#include "vikatuki.h"

namespace {

using namespace vika::yhteiset;
using Saadot = PaloitteluAsetukset::Saadot;
using Sisallot = std::map<std::string, std::string>;

alusta::Aika kello0() { return {2018, 8, 20, 7, 0, 0}; }
alusta::Aika kello4() { return {2018, 8, 24, 7, 0, 0}; }

// Segments of a few units, so that a small file has several journal records; read through
// buffers smaller than a segment, so that a segment's units are found ahead of the reading.
Saadot pienet() {
  Saadot s;
  s.jaksot.tiedostoja = 2;
  s.jaksot.tavuja = 1500;
  s.puskuri = 400;
  s.varasto = 2000;  // the ledger's lines in a file of their own after a few
  return s;
}

// The one place the tests set the split's settings: the statement file k/TILIOTE, the company
// files into k/ulos, the default key and names.
PaloitteluAsetukset asetukset(const testi::Kansio& k, bool arkistoi, const Saadot& s = {}) {
  PaloitteluAsetukset a;
  a.tiliotetiedosto = k / "TILIOTE";
  a.kohdehakemisto = k / "ulos";
  a.arkistoi = arkistoi;
  a.saadot = s;
  return a;
}

std::vector<std::string> kirjat(const std::string& tuodut) {
  std::vector<std::string> v;
  if (!testi::onOlemassa(tuodut)) return v;
  for (const std::string& n : testi::tiedostot(tuodut))
    if (n.find(".kesken") != std::string::npos) v.push_back(n);
  return v;
}

// The company files of uninterrupted splits of the files one after the other.
// The ledger's statement lines of a data directory, as what they say of each statement (its
// event, company file's name, bytes and hash), sorted: the run times and archives' names aside.
std::vector<std::string> kirjanOtteet(const std::string& data) {
  std::vector<std::string> v;
  split::historia::Suodatin s;
  s.ajot = false;
  split::historia::Merkinta m;
  split::historia::lue(data, s, [&](const std::string& r) {
    if (!split::historia::jasenna(r, m)) return;
    v.push_back(m.tapahtuma + " " + m.yritys.substr(m.yritys.find_last_of(alusta::erotin) + 1) + " " + m.alue + " " +
                m.tiiviste);
  });
  std::sort(v.begin(), v.end());
  return v;
}

// kirja: the ledger's statement lines of the splits, kirjanOtteet.
Sisallot yhtena(const std::vector<std::string>& tiedostot, bool arkistoi, const Saadot& s = {},
                std::vector<std::string>* kirja = nullptr) {
  testi::Kansio k;
  testi::Ymparisto ymp;
  alusta::luoHakemisto(k / "ulos");
  if (kirja) {
    alusta::luoHakemisto(k / "data");
    ymp.ohjelma.datahakemisto = k / "data";
  }
  alusta::Aika (*const kellot[])() = {kello0, kello1, kello2, kello3};
  for (std::size_t i = 0; i < tiedostot.size(); ++i) {
    testi::kirjoitaTiedosto(k / "TILIOTE", tiedostot[i]);
    EXPECT_TRUE(split::paloittele(asetukset(k, arkistoi, s), kellot[i % 4]).valmis);
  }
  for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
  if (kirja) *kirja = kirjanOtteet(k / "data");
  return vika::sisallot(k / "ulos");
}

// Whole lines, each ended by CR LF, and no other CR or LF.
::testing::AssertionResult crLfRiveja(const std::string& s) {
  if (s.size() < 2 || s.compare(s.size() - 2, 2, "\r\n") != 0)
    return ::testing::AssertionFailure() << "ei pääty CR LF:ään";
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return ::testing::AssertionFailure() << "CR kohdassa " << i;
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return ::testing::AssertionFailure() << "LF kohdassa " << i;
  }
  return ::testing::AssertionSuccess();
}

// A refused statement file lies once, byte for byte: in its place, or moved aside into TUODUT
// as <time stamp>-TILIOTE.hylatty, beside which TUODUT holds nothing.
::testing::AssertionResult ehjana(const testi::Kansio& k, const std::string& sisalto) {
  const std::vector<std::string> tuodut =
      testi::onOlemassa(k / "TUODUT") ? testi::tiedostot(k / "TUODUT") : std::vector<std::string>{};
  const bool paikallaan = testi::onOlemassa(k / "TILIOTE");
  if (paikallaan + tuodut.size() != 1)
    return ::testing::AssertionFailure() << "paikallaan " << paikallaan << ", TUODUT-kansiossa " << tuodut.size();
  const std::string loppu = "-TILIOTE.hylatty";
  if (!paikallaan && (tuodut[0].size() < loppu.size() || tuodut[0].compare(tuodut[0].size() - loppu.size(), loppu.size(), loppu) != 0))
    return ::testing::AssertionFailure() << "TUODUT-kansiossa " << tuodut[0];
  if (testi::lueTiedosto(paikallaan ? k / "TILIOTE" : k / "TUODUT" + S + tuodut[0]) != sisalto)
    return ::testing::AssertionFailure() << "tiliotetiedoston tavut ovat muuttuneet";
  return ::testing::AssertionSuccess();
}

struct Muotosopimus : ::testing::TestWithParam<vika::Muotorivi> {
  const vika::Muotorivi& rivi = GetParam();
  const split::Muoto* muoto = split::muotoNimella(GetParam().nimi);
  void SetUp() override { ASSERT_NE(muoto, nullptr) << "taulukossa ei ole muotoa " << rivi.nimi; }
  void katkoJokaisessaKutsussa(const Saadot& s, const std::string& pohja, const std::string& eka,
                               const std::string& toka, const Sisallot& odotettu,
                               const std::vector<std::string>& kirjassa);
};

// A format added to the table without its row here would escape the contract.
TEST(Muotorivit, JokainenTaulukonMuotoOnRivilla) {
  std::set<std::string> rivit;
  for (const vika::Muotorivi& r : vika::muotorivit()) EXPECT_TRUE(rivit.insert(r.nimi).second) << r.nimi;
  std::set<std::string> taulukossa;
  for (const split::Muoto* m : split::kaikkiMuodot()) taulukossa.insert(std::string(m->nimi()));
  EXPECT_EQ(rivit, taulukossa);
}

TEST_P(Muotosopimus, TunnistaaOmansaEiMuiden) {
  testi::Kansio k;
  int n = 0;
  auto tiedosto = [&](const std::string& sisalto) {
    const std::string p = k / ("T" + std::to_string(n++));
    testi::kirjoitaTiedosto(p, sisalto);
    return p;
  };
  // Its own files, also those it refuses: the refusal is its own, not another format's; and
  // the same of every other row's files.
  const std::string hyva = rivi.tiliote(5, 3, 0);
  EXPECT_EQ(&split::muotoTiedostolle(tiedosto(hyva)), muoto);
  for (const auto& [kuvaus, tee] : rivi.hylattavat) EXPECT_EQ(&split::muotoTiedostolle(tiedosto(tee(hyva))), muoto) << kuvaus;
  // The table's last row takes every file no row before it recognises, so whether it would
  // take another's file itself is not asked of it.
  const bool viimeinen = split::kaikkiMuodot().back() == muoto;
  for (const vika::Muotorivi& muu : vika::muotorivit()) {
    if (std::string(muu.nimi) == rivi.nimi) continue;
    const std::string muunHyva = muu.tiliote(5, 3, 0);
    std::vector<std::pair<std::string, std::string>> muut = {{muu.nimi, muunHyva}};
    for (const auto& [kuvaus, tee] : muu.hylattavat) muut.emplace_back(std::string(muu.nimi) + ", " + kuvaus, tee(muunHyva));
    for (const auto& [kuvaus, sisalto] : muut) {
      const std::string p = tiedosto(sisalto);
      EXPECT_NE(&split::muotoTiedostolle(p), muoto) << kuvaus;
      if (!viimeinen) {
        EXPECT_FALSE(muoto->tunnista(p)) << kuvaus;
      }
    }
  }
}

// A refused file, through the split and through kolvanto-cli (65), with and without the
// archive: no company file is made or grows, and the statement file's bytes are kept.
TEST_P(Muotosopimus, HylkaaEnnenKirjoittamista) {
  ASSERT_FALSE(rivi.hylattavat.empty());
  const std::string hyva = rivi.tiliote(6, 4, 1);
  for (const auto& [kuvaus, tee] : rivi.hylattavat) {
    for (const bool arkistoi : {false, true}) {
      for (const bool cli : {false, true}) {
        SCOPED_TRACE(std::string(kuvaus) + (arkistoi ? ", arkistoiden" : ", paikallaan") + (cli ? ", kolvanto-cli" : ""));
        testi::Kansio k;
        testi::Ymparisto ymp;
        alusta::luoHakemisto(k / "ulos");
        // Companies whose files are there already.
        testi::kirjoitaTiedosto(k / "TILIOTE", rivi.tiliote(3, 3, 0));
        ASSERT_TRUE(split::paloittele(asetukset(k, false), kello0).valmis);
        const Sisallot ennen = vika::sisallot(k / "ulos");
        const std::string sisalto = tee(hyva);
        testi::kirjoitaTiedosto(k / "TILIOTE", sisalto);
        if (cli) {
          const vika::Prosessi p = vika::ajaKolvantoCli(
              {arkistoi ? "--aikaleima" : "--ei-aikaleimaa", "--kohde", k / "ulos", k / "TILIOTE"});
          EXPECT_EQ(p.koodi, 65) << p.virhe;
        } else {
          // The ledger cannot be read: the file is refused all the same, not taken for a failure
          // (a format's check may walk the ledger's check along).
          alusta::luoHakemisto(k / "data");
          ymp.ohjelma.datahakemisto = k / "data";
          testi::kirjoitaTiedosto(k / "data" + S + "paloitteluhistoria-2018.txt", "x\r\n");
          vika::Koukku koukku([](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
            if (q.vaihe == Vaihe::avaa && q.polku.find("paloitteluhistoria") != std::string::npos)
              return alusta::Vika{euro::virhenro::laitevirhe};
            return std::nullopt;
          });
          const split::PaloitteluTulos t = split::paloittele(asetukset(k, arkistoi), kello1);
          EXPECT_EQ(t.loppu, split::Loppu::hylatty);
          EXPECT_FALSE(t.valmis);
        }
        EXPECT_EQ(vika::sisallot(k / "ulos"), ennen);
        EXPECT_TRUE(ehjana(k, sisalto));
      }
    }
  }
}

// The same input, into an empty target and into one with the companies' earlier files, split
// in place and under the journal (in segments of its built-in size, and of a few units; with
// another key and other names, which the journal carries; with lines ended by LF alone): the
// same company files, byte for byte, and only the archive is left in TUODUT.
TEST_P(Muotosopimus, PaikallaanKutenArkistoiden) {
  using T = PaloitteluAsetukset::Tunniste;
  const struct {
    const char* kuvaus;
    bool aiempia, pieniJakso;
    T avain = T::asiakastunnus;
    const char* alkuosa = "TITO-*-?-";
    const char* loppuosa = ".TXT";
    bool lf = false;
  } tapaukset[] = {
      {"tyhjä kohde", false, false},
      {"tyhjä kohde, pienet jaksot", false, true},
      {"aiemmat tiedostot", true, false},
      {"aiemmat tiedostot, pienet jaksot", true, true},
      {"tilinumero, omat nimet", true, true, T::tilinumero, "#-", ".OUT"},
      {"LF", true, true, T::asiakastunnus, "TITO-*-?-", ".TXT", true},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::string aiempi = rivi.tiliote(4, 3, 1), syote = rivi.tiliote(9, 4, 2);
    if (t.lf) {
      aiempi = euro::fe_Korvaa(aiempi, "\r\n", "\n");
      syote = euro::fe_Korvaa(syote, "\r\n", "\n");
    }
    std::map<bool, Sisallot> tulos;
    for (const bool arkistoi : {false, true}) {
      testi::Kansio k;
      testi::Ymparisto ymp;
      alusta::luoHakemisto(k / "ulos");
      auto a = asetukset(k, false);
      a.valitse(t.avain);
      a.nimenAlkuosa = t.alkuosa;
      a.nimenLoppuosa = t.loppuosa;
      if (t.aiempia) {
        testi::kirjoitaTiedosto(k / "TILIOTE", aiempi);
        ASSERT_TRUE(split::paloittele(a, kello1).valmis);
      }
      a.arkistoi = arkistoi;
      if (t.pieniJakso) a.saadot = pienet();
      testi::kirjoitaTiedosto(k / "TILIOTE", syote);
      EXPECT_TRUE(split::paloittele(a, kello2).valmis);
      for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
      if (arkistoi) {
        EXPECT_TRUE(vika::tilioteKerran(k.polku(), "TILIOTE", syote));
        EXPECT_EQ(testi::tiedostot(k / "TUODUT").size(), 1u);
      }
      tulos[arkistoi] = vika::sisallot(k / "ulos");
    }
    if (t.avain == T::asiakastunnus) {
      EXPECT_EQ(tulos[false].size(), 4u);
    }
    EXPECT_FALSE(tulos[false].empty());
    EXPECT_EQ(tulos[true], tulos[false]);
  }
}

// An archiving split cut off at every call it makes to the file system, as a kill leaves it and
// as a power cut may (every journal record among them); and at a few of those, the next run
// cut off in turn too. The next run, and a split of another file after it, leave the company
// files as uninterrupted splits of the three files do.
TEST_P(Muotosopimus, KatkoJokaisessaKutsussaKutenKatkotta) {
  // Yesterday's statements again beside today's: passed over under the journal too.
  const std::string pohja = rivi.tiliote(4, 3, 0), eka = pohja + rivi.tiliote(8, 4, 1), toka = rivi.tiliote(3, 4, 2);
  std::vector<std::string> kirjassa;
  const Sisallot odotettu = yhtena({pohja, eka, toka}, true, pienet(), &kirjassa);
  ASSERT_EQ(odotettu.size(), 4u);
  ASSERT_EQ(kirjassa.size(), 4u + 12u + 3u);
  katkoJokaisessaKutsussa(pienet(), pohja, eka, toka, odotettu, kirjassa);
  // And with the ledger's check by parts of the series, each part read again after a kill. A
  // single series is never divided: a file of one account would only repeat the sweep above.
  // eka begins with pohja, and files written one after the other are one statement file.
  std::set<std::string> tilit;
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "TILIOTE", eka + toka);
  for (const split::Tiliote& t : vika::tiliotteet(asetukset(k, true))) tilit.insert(t.tili);
  if (tilit.size() < 2) return;
  Saadot osissa = pienet();
  osissa.sarjat = 500;
  katkoJokaisessaKutsussa(osissa, pohja, eka, toka, odotettu, kirjassa);
}

void Muotosopimus::katkoJokaisessaKutsussa(const Saadot& s, const std::string& pohja, const std::string& eka, const std::string& toka,
                             const Sisallot& odotettu, const std::vector<std::string>& kirjassa) {
  SCOPED_TRACE(s.sarjat ? "osissa" : "kerralla");
  // The ledger is in the folder, so that a kill's picture holds it too.
  testi::Kansio k;
  testi::Ymparisto ymp;
  alusta::luoHakemisto(k / "ulos");
  alusta::luoHakemisto(k / "data");
  ymp.ohjelma.datahakemisto = k / "data";
  const PaloitteluAsetukset a = asetukset(k, true, s);
  testi::kirjoitaTiedosto(k / "TILIOTE", pohja);
  ASSERT_TRUE(split::paloittele(a, kello0).valmis);
  testi::kirjoitaTiedosto(k / "TILIOTE", eka);
  const vika::Kuva alussa = vika::kuva(k);

  // The next run finishes the cut-off split, or splits the file it never moved; then the next
  // day's file. Nothing is reported, no journal is left.
  auto jatka = [&](const vika::Kuva& katkolla, const std::string& mika) {
    SCOPED_TRACE(mika);
    vika::palauta(k, katkolla);
    ymp.virheet.clear();
    split::paloittele(a, kello2);
    EXPECT_FALSE(testi::onOlemassa(k / "TILIOTE"));
    testi::kirjoitaTiedosto(k / "TILIOTE", toka);
    EXPECT_TRUE(split::paloittele(a, kello3).valmis);
    for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
    EXPECT_TRUE(kirjat(k / "TUODUT").empty());
    EXPECT_EQ(vika::sisallot(k / "ulos"), odotettu);
    // Each statement's line once in the ledger: written by the cut-off run or by the one that
    // finished it, never by both, never lost.
    EXPECT_EQ(kirjanOtteet(k / "data"), kirjassa);
    return !::testing::Test::HasFailure();
  };

  std::size_t kutsuja = 0, kirjauksia = 0;
  for (std::size_t i = 0;; ++i) {
    vika::Katko katko{i, 0, false, {}, {}};
    vika::palauta(k, alussa);
    {
      vika::Koukku koukku(vika::katkaisija(k, katko));
      split::paloittele(a, kello1);
      for (const vika::Kysymys& q : koukku.kysymykset)
        if (!katko.tapahtui && q.vaihe == Vaihe::kirjoita && q.polku.find(".kesken") != std::string::npos) ++kirjauksia;
    }
    if (!katko.tapahtui) {
      kutsuja = i;
      break;
    }
    for (int malli = 0; malli <= 4; ++malli)
      if (!jatka(vika::sahkokatko(katko.nyt, katko.levylla, alussa, malli),
                 "katko kutsussa " + std::to_string(i) + ", malli " + std::to_string(malli)))
        return;
    if (i % 15 != 4) continue;
    for (std::size_t j = 0;; ++j) {
      vika::palauta(k, katko.nyt);
      vika::Katko toinen{j, 0, false, {}, {}};
      {
        vika::Koukku koukku(vika::katkaisija(k, toinen));
        split::paloittele(a, kello2);
      }
      if (!toinen.tapahtui) break;
      if (!jatka(toinen.nyt, "katko kutsussa " + std::to_string(i) + ", seuraava katkesi kutsussa " + std::to_string(j)))
        return;
    }
  }
  std::cout << "[ katko    ] " << rivi.nimi << (s.sarjat ? " osissa" : "") << ": " << kutsuja << " kutsua, " << kirjauksia << " päiväkirjan kirjausta\n";
  EXPECT_GT(kutsuja, 30u);
  // The journal's creation and a record a segment, at the least.
  EXPECT_GE(kirjauksia, 3u);
}

// The bank program holds the archive open when its split completes and goes on writing whole
// units into it. Where the format continues a grown archive, a later run splits what came,
// once, also when that run is cut off at any call; the record of the archive's end goes once
// nobody writes it. Where it does not, its journal goes when the split completes: what comes
// after stays in the archive, whole, and no run delivers it or says anything of it.
TEST_P(Muotosopimus, KasvanutArkistoKerran) {
  const Saadot s = pienet();
  const std::string eka = rivi.tiliote(5, 3, 0), lisa = rivi.tiliote(4, 4, 1);
  testi::Kansio k;
  testi::Ymparisto ymp;
  alusta::luoHakemisto(k / "ulos");
  const PaloitteluAsetukset a = asetukset(k, true, s);
  const std::string arkisto = k / "TUODUT" + S + split::aikaleima(kello1()) + "TILIOTE";
  const std::vector<std::string> vainArkisto = {split::aikaleima(kello1()) + "TILIOTE"};
  alusta::Tiedosto pankki;
  testi::kirjoitaTiedosto(k / "TILIOTE", eka);
  {
    vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
      if (q.vaihe == Vaihe::tallenna && !pankki.onAuki() && testi::onOlemassa(arkisto)) pankki.avaa(arkisto, alusta::Tila::lisaa);
      return std::nullopt;
    });
    ASSERT_TRUE(split::paloittele(a, kello1).valmis);
  }
  ASSERT_TRUE(pankki.onAuki());
  const Sisallot ekanJalkeen = vika::sisallot(k / "ulos");
  pankki.kirjoita(lisa);

  if (!muoto->jatkaaKasvanutta()) {
    pankki.sulje();
    for (const auto kello : {kello2, kello3}) {
      const split::PaloitteluTulos t = split::paloittele(a, kello);
      EXPECT_TRUE(t.viimeistellyt.empty());
    }
    for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
    EXPECT_EQ(vika::sisallot(k / "ulos"), ekanJalkeen);
    EXPECT_EQ(testi::lueTiedosto(arkisto), eka + lisa);
    EXPECT_EQ(testi::tiedostot(k / "TUODUT"), vainArkisto);
    return;
  }

  const Sisallot odotettu = yhtena({eka, lisa}, true, s);
  ASSERT_NE(odotettu, ekanJalkeen);
  const vika::Kuva kasvanut = vika::kuva(k);
  split::PaloitteluTulos t = split::paloittele(a, kello2);
  ASSERT_EQ(t.viimeistellyt.size(), 1u);
  EXPECT_TRUE(t.viimeistellyt[0].jatko);
  EXPECT_EQ(vika::sisallot(k / "ulos"), odotettu);
  EXPECT_TRUE(testi::onOlemassa(arkisto + ".jaettu"));  // still written
  pankki.sulje();
  t = split::paloittele(a, kello3);
  EXPECT_TRUE(t.viimeistellyt.empty());
  for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
  EXPECT_EQ(vika::sisallot(k / "ulos"), odotettu);
  EXPECT_EQ(testi::tiedostot(k / "TUODUT"), vainArkisto);

  // The split of what came, cut off; nobody writes the archive any more.
  std::size_t kutsuja = 0;
  for (std::size_t i = 0;; ++i) {
    vika::Katko katko{i, 0, false, {}, {}};
    vika::palauta(k, kasvanut);
    {
      vika::Koukku koukku(vika::katkaisija(k, katko));
      split::paloittele(a, kello2);
    }
    if (!katko.tapahtui) {
      kutsuja = i;
      break;
    }
    for (const int malli : {0, 1, 4}) {
      SCOPED_TRACE("katko kutsussa " + std::to_string(i) + ", malli " + std::to_string(malli));
      vika::palauta(k, vika::sahkokatko(katko.nyt, katko.levylla, kasvanut, malli));
      ymp.virheet.clear();
      split::paloittele(a, kello3);
      EXPECT_TRUE(split::paloittele(a, kello4).viimeistellyt.empty());
      for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
      EXPECT_EQ(vika::sisallot(k / "ulos"), odotettu);
      EXPECT_EQ(testi::tiedostot(k / "TUODUT"), vainArkisto);
      if (::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(kutsuja, 10u);
}

// A run's own ledger lines are made by its check, before the split: kept in memory, or past a
// bound in a file of the data folder. The same lines either way (today's statement and
// yesterday's passed over), the archive put in, and no such file left behind.
TEST_P(Muotosopimus, TilikirjanRivitMuististaTaiTiedostosta) {
  const std::string eka = rivi.tiliote(4, 3, 0), toka = eka + rivi.tiliote(5, 4, 1);
  for (const bool arkistoi : {false, true}) {
    std::map<std::size_t, std::vector<std::string>> rivit;
    // The lines kept in memory or in a file, and the series checked by parts (a part each),
    // their lines merged from memory or from the file.
    for (const std::size_t varasto : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
      SCOPED_TRACE(std::string(arkistoi ? "arkistoiden" : "paikallaan") + ", varasto " + std::to_string(varasto));
      testi::Kansio k;
      testi::Ymparisto ymp;
      alusta::luoHakemisto(k / "ulos");
      alusta::luoHakemisto(k / "data");
      ymp.ohjelma.datahakemisto = k / "data";
      Saadot s;
      s.varasto = varasto % 2;
      s.sarjat = varasto / 2;
      const PaloitteluAsetukset a = asetukset(k, arkistoi, s);
      testi::kirjoitaTiedosto(k / "TILIOTE", eka);
      ASSERT_TRUE(split::paloittele(a, kello0).valmis);
      testi::kirjoitaTiedosto(k / "TILIOTE", toka);
      ASSERT_TRUE(split::paloittele(a, kello1).valmis);
      for (const std::string& n : testi::tiedostot(k / "data")) EXPECT_EQ(n.find("varasto"), std::string::npos) << n;
      split::historia::Suodatin suodatin;
      suodatin.ajot = false;
      split::historia::Merkinta m;
      std::size_t toimitettuja = 0;
      split::historia::lue(k / "data", suodatin, [&](const std::string& r) {
        ASSERT_TRUE(split::historia::jasenna(r, m));
        toimitettuja += m.tapahtuma != "tiliote";
        EXPECT_EQ(m.arkisto.empty(), !arkistoi) << r;
        EXPECT_EQ(m.tiliote, a.tiliotetiedosto) << r;
        rivit[varasto].push_back(euro::fe_Korvaa(r, k.polku(), "K"));
      });
      EXPECT_GT(toimitettuja, 0u);
    }
    EXPECT_FALSE(rivit[0].empty());
    EXPECT_EQ(rivit[0], rivit[1]);
    EXPECT_EQ(rivit[0], rivit[2]);
    EXPECT_EQ(rivit[0], rivit[3]);
  }
}

// The statements a format tells of a file are the units its split in place delivers: each
// company file their names give is their bytes in order (inside the format's own document where
// its split writes one, an XML declaration first), and no other file is made. Passed over every
// one, neither the split in place nor the one under the journal writes anything.
TEST_P(Muotosopimus, TiliotteetOvatJaetutYksikot) {
  const std::string syote = rivi.tiliote(9, 4, 2);
  std::vector<split::Tiliote> v;
  {
    testi::Kansio k;
    testi::kirjoitaTiedosto(k / "TILIOTE", syote);
    v = vika::tiliotteet(asetukset(k, false));
  }
  if (v.empty()) GTEST_SKIP() << rivi.nimi << ": muoto ei kerro tiliotteitaan";
  std::map<std::string, std::vector<std::string>> osat;
  split::Ohitettavat kaikki;
  for (const split::Tiliote& t : v) {
    ASSERT_LE(t.kohta + t.pituus, syote.size());
    osat[t.yritys].push_back(syote.substr(t.kohta, t.pituus));
    kaikki.lisaa(t.kohta, t.kohta + t.pituus);
  }
  for (const bool ohitetaan : {false, true}) {
    for (const bool arkistoi : {false, true}) {
      if (!ohitetaan && arkistoi) continue;
      SCOPED_TRACE(std::string(ohitetaan ? "kaikki ohitetaan" : "mitään ei ohiteta") + (arkistoi ? ", arkistoiden" : ""));
      testi::Kansio k;
      testi::Ymparisto ymp;
      alusta::luoHakemisto(k / "ulos");
      testi::kirjoitaTiedosto(k / "TILIOTE", syote);
      split::Yhteenveto y;
      const split::Ohitettavat ohita = ohitetaan ? kaikki : split::Ohitettavat{};
      if (arkistoi) {
        EXPECT_TRUE(vika::arkistoiOhittaen(asetukset(k, true), ohita, kello1(), &y));
        EXPECT_TRUE(kirjat(k / "TUODUT").empty());
      } else {
        EXPECT_TRUE(vika::jaaOhittaen(asetukset(k, false), ohita, &y));
      }
      for (const auto& e : ymp.virheet) ADD_FAILURE() << e.viesti;
      const Sisallot tehty = vika::sisallot(k / "ulos");
      if (ohitetaan) {
        EXPECT_TRUE(tehty.empty());
        for (const auto& f : y.tiedostot) EXPECT_EQ(f.eria, 0) << f.polku;
        continue;
      }
      std::set<std::string> nimet, tehdyt;
      for (const auto& [n, o] : osat) nimet.insert(n);
      for (const auto& [n, c] : tehty) tehdyt.insert(n);
      EXPECT_EQ(tehdyt, nimet);
      for (const auto& [n, c] : tehty) {
        std::string yhdessa;
        for (const std::string& o : osat[n]) yhdessa += o;
        if (c == yhdessa) continue;
        const std::size_t alku = c.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
        EXPECT_EQ(c.compare(alku, 5, "<?xml"), 0) << n;
        std::size_t p = 0;
        for (const std::string& o : osat[n]) {
          p = c.find(o, p);
          ASSERT_NE(p, std::string::npos) << n;
          p += o.size();
        }
      }
    }
  }
}

// The preview: whole CR LF lines that name every company's key; a refused file is told as one.
TEST_P(Muotosopimus, EsikatseluNimeaaJokaisenAvaimen) {
  testi::Kansio k;
  testi::Ymparisto ymp;
  const PaloitteluAsetukset a = asetukset(k, false);
  const std::string hyva = rivi.tiliote(12, 5, 0);
  testi::kirjoitaTiedosto(k / "TILIOTE", hyva);
  std::string esikatselu;
  muoto->esikatsele(k / "TILIOTE", a, [&](const std::string& s) { esikatselu += s; });
  EXPECT_TRUE(crLfRiveja(esikatselu));
  for (int i = 0; i < 5; ++i) EXPECT_NE(esikatselu.find(rivi.avain(i)), std::string::npos) << rivi.avain(i);
  for (const auto& [kuvaus, tee] : rivi.hylattavat) {
    SCOPED_TRACE(kuvaus);
    testi::kirjoitaTiedosto(k / "TILIOTE", tee(hyva));
    EXPECT_THROW(muoto->esikatsele(k / "TILIOTE", a, [](const std::string&) {}), split::HylattyTiedosto);
  }
}

INSTANTIATE_TEST_SUITE_P(Taulukko, Muotosopimus, ::testing::ValuesIn(vika::muotorivit()),
                         [](const ::testing::TestParamInfo<vika::Muotorivi>& i) { return std::string(i.param.nimi); });

}  // namespace
