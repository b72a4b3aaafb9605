// A reference-payment split cut off at any call it makes, by a kill or a power cut, and its
// recovery cut off in turn: the runs that follow leave every company file as uninterrupted
// runs do, no batch twice and none missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "euro/alusta/alusta.h"
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

// Segments of one company file, and the built-in ones (the whole file). Reads of every size
// are the split's own test's: here they would make thousands of calls.
INSTANTIATE_TEST_SUITE_P(Jaksot, ViiteKesken,
                         ::testing::Values(PaloitteluAsetukset::Saadot{0, {1, 0, 0}, false},
                                           PaloitteluAsetukset::Saadot{}));

}  // namespace
