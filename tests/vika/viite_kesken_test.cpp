// A reference-payment split cut off at any call it makes, by a kill or a power cut, and its
// recovery cut off in turn: the runs that follow leave every company file as uninterrupted
// runs do, no batch twice and none missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/kirjuri.h"
#include "split/muoto.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "tuki/viitesiirrot.h"
#include "vikatuki.h"

namespace {

using split::PaloitteluAsetukset;
namespace v = testi::viite;

alusta::Aika kello0() {
  return {2024, 4, 1, 6, 0, 0};
}
alusta::Aika kello1() {
  return {2024, 4, 2, 6, 0, 0};
}
alusta::Aika kello2() {
  return {2024, 4, 3, 6, 0, 0};
}
alusta::Aika kello3() {
  return {2024, 4, 4, 6, 0, 0};
}
alusta::Aika kello4() {
  return {2024, 4, 5, 6, 0, 0};
}

using Tiedostot = std::map<std::string, std::string>;

// A company file as its batches (CR LF records), sorted.
std::vector<std::string> erat(const std::string& s) {
  std::vector<std::string> v;
  for (std::size_t i = 0; i + 92 <= s.size(); i += 92) {
    if (s[i] == '0' || v.empty()) v.emplace_back();
    v.back() += s.substr(i, 92);
  }
  std::sort(v.begin(), v.end());
  return v;
}

// The batches' starts in a file of CR LF records.
std::vector<std::uint64_t> eranAlut(const std::string& s) {
  std::vector<std::uint64_t> v;
  for (std::size_t i = 0; i + 92 <= s.size(); i += 92)
    if (s[i] == '0') v.push_back(i);
  return v;
}

// An archiving split as a run makes it, passing over ohita: the journal, whose header keeps
// them, the statement file moved into TUODUT, the split under the journal. False when a call
// failed (the journal then left for the next run, as a kill leaves it).
bool arkistoiOhittaen(const PaloitteluAsetukset& a, const split::Ohitettavat& ohita, const alusta::Aika& aika) {
  const std::string sep(1, alusta::erotin);
  const std::string kansio = a.tiliotetiedosto.substr(0, a.tiliotetiedosto.rfind(alusta::erotin));
  split::Paivakirja kirja;
  try {
    const split::Muoto& muoto = split::muotoTiedostolle(a.tiliotetiedosto);
    std::string syy;
    const auto jako = muoto.tarkista(a.tiliotetiedosto, a, syy);
    if (!jako) throw euro::Virhe(euro::virhenro::kayttovirhe, syy);
    split::KirjanOtsikko o =
        split::otsikkoAsetuksista(a, muoto.nimi(), kansio + sep + "TUODUT", a.kohdehakemisto + sep);
    o.ohitettavat = ohita;
    if (!split::varmistaHakemisto(o.tuodut)) return false;
    split::Kirjuri kirjuri(nullptr, nullptr, a.saadot);
    const std::string arkisto =
        kirjuri.varaa(kirja, o, split::aikaleima(aika), a.tiliotetiedosto.substr(kansio.size() + 1));
    if (alusta::siirraJosVapaa(a.tiliotetiedosto, arkisto) == alusta::Siirto::auki) return false;
    alusta::tallennaHakemisto(o.tuodut);
    split::Yhteenveto y;
    kirjuri.jaa(kirja, muoto, *jako, o, arkisto, o.kohde, y);
    return true;
  } catch (const euro::Virhe&) {
    kirja.sulje();
    return false;
  }
}

struct ViiteKesken : ::testing::TestWithParam<PaloitteluAsetukset::Saadot> {
  // The first file makes company files that the later runs extend; the second is cut off.
  const std::string pohja = v::tiedosto(v::erat({1, 2}, 1, 0));
  const std::string eka = v::tiedosto(v::erat({1, 3, 2, 1, 4, 3, 5}, 2, 10));
  const std::string toka = v::tiedosto(v::erat({4, 1}, 1, 30));

  testi::Kansio k;
  testi::Ymparisto ymp;
  PaloitteluAsetukset a, a2;
  vika::Kuva alussa;

  void SetUp() override {
    a.tiliotetiedosto = k / "VIITE.DAT";
    a.kohdehakemisto = k / "ulos";
    a.nimenAlkuosa = "V-";
    a.nimenLoppuosa = ".TXT";
    a.arkistoi = true;
    a.saadot = GetParam();
    a2 = a;
    a2.tiliotetiedosto = k / "VIITE2.DAT";
    alusta::luoHakemisto(a.kohdehakemisto);
  }

  Tiedostot yritystiedostot() const {
    Tiedostot m;
    for (const auto& [n, s] : vika::sisallot(a.kohdehakemisto)) m[n] = s;
    return m;
  }

  // The company files of uninterrupted runs over the three files.
  Tiedostot yhtenaAjona() {
    testi::kirjoitaTiedosto(a.tiliotetiedosto, pohja);
    EXPECT_TRUE(split::paloittele(a, kello0).valmis);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, eka);
    EXPECT_TRUE(split::paloittele(a, kello1).valmis);
    testi::kirjoitaTiedosto(a2.tiliotetiedosto, toka);
    EXPECT_TRUE(split::paloittele(a2, kello2).valmis);
    const Tiedostot t = yritystiedostot();
    vika::palauta(k, {});
    testi::kirjoitaTiedosto(a.tiliotetiedosto, pohja);
    EXPECT_TRUE(split::paloittele(a, kello0).valmis);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, eka);
    alussa = vika::kuva(k);
    return t;
  }

  // The runs after a cut: the next day's finishes it first; a file never moved is split last.
  bool jatka(const vika::Kuva& kuvaKatkolla, const std::string& mika, bool tokaKesken,
             const Tiedostot& odotettu) {
    SCOPED_TRACE(mika);
    vika::palauta(k, kuvaKatkolla);
    ymp.virheet.clear();
    const bool siirtamatta = testi::onOlemassa(a.tiliotetiedosto);
    if (!tokaKesken) testi::kirjoitaTiedosto(a2.tiliotetiedosto, toka);
    if (testi::onOlemassa(a2.tiliotetiedosto)) {
      EXPECT_TRUE(split::paloittele(a2, kello3).valmis);
    } else {
      split::viimeisteleKeskeneraiset(k.polku(), nullptr, nullptr, a.saadot);
    }
    if (siirtamatta) {
      EXPECT_TRUE(split::paloittele(a, kello4).valmis);
    }
    for (const auto& e : ymp.virheet) ADD_FAILURE() << e.viesti;
    for (const auto& n : testi::tiedostot(k / "TUODUT"))
      EXPECT_EQ(n.find(".kesken"), std::string::npos) << n;
    const Tiedostot nyt = yritystiedostot();
    if (!siirtamatta) {
      EXPECT_EQ(nyt, odotettu);
    } else {
      // Split after the next day's file: the same batches in each file.
      EXPECT_EQ(nyt.size(), odotettu.size());
      for (const auto& [n, s] : odotettu)
        EXPECT_EQ(erat(nyt.count(n) ? nyt.at(n) : ""), erat(s)) << n;
    }
    return !::testing::Test::HasFailure();
  }
};

TEST_P(ViiteKesken, KatkoJokaisessaKutsussa) {
  const Tiedostot odotettu = yhtenaAjona();
  ASSERT_EQ(odotettu.size(), 5u);
  // Short segments make many more calls: a kill and a cut that loses everything unflushed.
  const bool kaikki = GetParam().jaksot.tiedostoja == 0 && GetParam().jaksot.tavuja == 0;
  std::size_t kutsuja = 0, tiloja = 0;
  for (std::size_t i = 0;; ++i) {
    vika::Katko katko{i, 0, false, {}, {}};
    vika::palauta(k, alussa);
    {
      vika::Koukku koukku(vika::katkaisija(k, katko));
      split::paloittele(a, kello1);
    }
    if (!katko.tapahtui) {
      kutsuja = i;
      break;
    }
    for (int malli = 0; malli <= (kaikki ? 4 : 1); ++malli, ++tiloja)
      if (!jatka(vika::sahkokatko(katko.nyt, katko.levylla, alussa, malli),
                 "katko kutsussa " + std::to_string(i) + ", malli " + std::to_string(malli), false,
                 odotettu))
        return;
    // The recovery itself cut off at every call, now and then.
    if (!kaikki || i % 16 != 3) continue;
    for (std::size_t j = 0;; ++j) {
      vika::palauta(k, katko.nyt);
      testi::kirjoitaTiedosto(a2.tiliotetiedosto, toka);
      vika::Katko toinen{j, 0, false, {}, {}};
      {
        vika::Koukku koukku(vika::katkaisija(k, toinen));
        split::paloittele(a2, kello2);
      }
      if (!toinen.tapahtui) break;
      ++tiloja;
      if (!jatka(toinen.nyt,
                 "katko kutsussa " + std::to_string(i) + ", palautus katkesi kutsussa " +
                     std::to_string(j),
                 true, odotettu))
        return;
    }
  }
  std::cout << "[ katko    ] " << kutsuja << " kutsua, " << tiloja << " tilaa\n";
  EXPECT_GT(kutsuja, 20u);
}

// Batches delivered before are passed over under the journal and in finishing it: its header
// keeps them. A segment spans those between its batches; a company file that gets none of the
// rest is not made. A kill at every call, then the next run's finishing, ends as the
// uninterrupted split does.
TEST_P(ViiteKesken, OhitettavatKatkonJalkeen) {
  testi::kirjoitaTiedosto(a.tiliotetiedosto, pohja);
  ASSERT_TRUE(split::paloittele(a, kello0).valmis);
  testi::kirjoitaTiedosto(a.tiliotetiedosto, eka);
  const vika::Kuva alku = vika::kuva(k);
  // Companies 1, 2, 1 and 4 (whose file is not there before) passed over; 3, 3 and 5
  // delivered, the two of 3 in one segment around those passed over.
  const std::vector<std::uint64_t> alut = eranAlut(eka);
  ASSERT_EQ(alut.size(), 7u);
  split::Ohitettavat ohita;
  ohita.lisaa(alut[0], alut[1]);
  ohita.lisaa(alut[1] + 1, alut[5]);  // from inside a batch: only those that begin in it
  Tiedostot odotettu = yritystiedostot();  // the uninterrupted split's
  for (std::size_t i : {1u, 5u, 6u}) {
    const std::uint64_t loppu = i + 1 < alut.size() ? alut[i + 1] : eka.size();
    odotettu["V-" + eka.substr(alut[i] + 13, 9) + ".TXT"] += eka.substr(alut[i], loppu - alut[i]);
  }
  ASSERT_TRUE(arkistoiOhittaen(a, ohita, kello1()));
  for (const auto& e : ymp.virheet) ADD_FAILURE() << e.viesti;
  ASSERT_EQ(yritystiedostot(), odotettu);

  const bool kaikki = GetParam().jaksot.tiedostoja == 0 && GetParam().jaksot.tavuja == 0;
  std::size_t kutsuja = 0;
  for (std::size_t i = 0;; ++i) {
    vika::Katko katko{i, 0, false, {}, {}};
    vika::palauta(k, alku);
    {
      vika::Koukku koukku(vika::katkaisija(k, katko));
      arkistoiOhittaen(a, ohita, kello1());
    }
    if (!katko.tapahtui) {
      kutsuja = i;
      break;
    }
    // The finishing itself cut off at every call, now and then: the one after it completes.
    std::vector<vika::Kuva> tilat;
    for (int malli = 0; malli <= (kaikki ? 4 : 1); ++malli)
      tilat.push_back(vika::sahkokatko(katko.nyt, katko.levylla, alku, malli));
    if (kaikki && i % 8 == 5)
      for (std::size_t j = 0;; ++j) {
        vika::palauta(k, katko.nyt);
        vika::Katko toinen{j, 0, false, {}, {}};
        {
          vika::Koukku koukku(vika::katkaisija(k, toinen));
          split::viimeisteleKeskeneraiset(k.polku(), nullptr, nullptr, a.saadot);
        }
        if (!toinen.tapahtui) break;
        tilat.push_back(toinen.nyt);
      }
    for (std::size_t n = 0; n < tilat.size(); ++n) {
      SCOPED_TRACE("katko kutsussa " + std::to_string(i) + ", tila " + std::to_string(n));
      vika::palauta(k, tilat[n]);
      ymp.virheet.clear();
      split::viimeisteleKeskeneraiset(k.polku(), nullptr, nullptr, a.saadot);
      // Never moved: the next run splits it, told the same.
      if (testi::onOlemassa(a.tiliotetiedosto)) {
        EXPECT_TRUE(arkistoiOhittaen(a, ohita, kello3()));
      }
      for (const auto& e : ymp.virheet) ADD_FAILURE() << e.viesti;
      for (const auto& f : testi::tiedostot(k / "TUODUT")) EXPECT_EQ(f.find(".kesken"), std::string::npos) << f;
      EXPECT_EQ(yritystiedostot(), odotettu);
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(kutsuja, 20u);
}

// Segments of one company file, and the built-in ones (the whole file). Reads of every size
// are the split's own test's: here they would make thousands of calls.
INSTANTIATE_TEST_SUITE_P(Jaksot, ViiteKesken,
                         ::testing::Values(PaloitteluAsetukset::Saadot{0, {1, 0, 0}, false},
                                           PaloitteluAsetukset::Saadot{}));

}  // namespace
