// What the XML split remembers of the files it wrote is what it was told last, for every file it
// took in; past its bound it keeps the first ones, and a file it cannot hold is forgotten, never
// given with another's length or closing part.
#include "split/camt/muisti.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace {

using split::camt::sisa::Muisti;
using split::camt::sisa::Tila;

Tila tila(std::uint64_t pituus, std::size_t tunnus, const std::string& hanta) {
  Tila t;
  t.pituus = pituus;
  if (!hanta.empty()) {
    t.tunnus = tunnus;
    t.hanta = hanta;
    t.jatkettava = true;
  }
  return t;
}

// What a lookup may give: none, or exactly what was told; a record that was forgotten in place
// gives a length no file has and nothing to extend.
void vertaa(const Muisti& m, const std::map<std::string, Tila>& malli, const std::string& nimi) {
  const auto t = m.muistettu(nimi);
  const auto i = malli.find(nimi);
  ASSERT_EQ(t.has_value(), i != malli.end()) << nimi;
  if (!t) return;
  if (i->second.pituus == 0xffffffffffull) {
    EXPECT_FALSE(t->jatkettava) << nimi;
    return;
  }
  EXPECT_EQ(t->pituus, i->second.pituus) << nimi;
  EXPECT_EQ(t->jatkettava, i->second.jatkettava) << nimi;
  if (t->jatkettava) {
    EXPECT_EQ(t->tunnus, i->second.tunnus) << nimi;
    EXPECT_EQ(t->hanta, i->second.hanta) << nimi;
  }
}

TEST(Muisti, MuistaaEnsimmaisetJaViimeksiKerrotun) {
  constexpr std::size_t raja = split::camt::sisa::muistettujaEnintaan;
  struct Tapaus {
    const char* nimi;
    std::size_t nimia;      // different files
    std::size_t hantoja;    // different closing parts
    std::uint64_t suuria;   // one in this many is told with a length or form that does not fit
  } tapaukset[] = {
      {"alle rajan", 1000, 3, 0},
      {"yli rajan", raja + raja / 2, 5, 0},
      {"liian suuria", 5000, 2, 7},
      {"paljon hantoja", 3000, 6000, 0},
  };
  for (const Tapaus& c : tapaukset) {
    SCOPED_TRACE(c.nimi);
    std::mt19937_64 r(11);
    Muisti m;
    m.varaa();
    std::map<std::string, Tila> malli;
    std::map<std::string, std::size_t> hannat;
    for (std::size_t k = 0; k < 3 * c.nimia; ++k) {
      const std::string nimi = "XML-" + std::to_string(r() % c.nimia) + ".XML";
      const std::string hanta = r() % 5 == 0 ? "" : "</Stmt></Doc" + std::to_string(r() % c.hantoja) + ">";
      std::uint64_t pituus = 100 + r() % 100000;
      std::size_t tunnus = r() % 4;
      if (c.suuria && r() % c.suuria == 0) (r() % 2 ? pituus : tunnus) = std::uint64_t{1} << 40;
      const bool mahtuu = pituus < 0xffffffffffull && (hanta.empty() || tunnus < 2048);
      m.muista(nimi, tila(pituus, tunnus, hanta));
      const bool tunnettu = malli.count(nimi) != 0;
      if (!tunnettu && (!mahtuu || malli.size() >= raja)) {
        // Not taken in.
      } else if (!mahtuu) {
        malli[nimi] = tila(0xffffffffffull, 0, "");
      } else {
        // More different closing parts than the bound forget everything before the newest.
        if (!hanta.empty() && !hannat.count(hanta)) {
          if (hannat.size() >= split::camt::sisa::hannatEnintaan) malli.clear(), hannat.clear();
          hannat[hanta] = 0;
        }
        malli[nimi] = tila(pituus, tunnus, hanta);
      }
      if (k % 97 == 0) {
        ASSERT_NO_FATAL_FAILURE(vertaa(m, malli, nimi));
      }
    }
    for (std::size_t i = 0; i < c.nimia; ++i) ASSERT_NO_FATAL_FAILURE(vertaa(m, malli, "XML-" + std::to_string(i) + ".XML"));
    if (c.nimia > raja) {
      EXPECT_EQ(malli.size(), raja);
    }
  }
}

}  // namespace
