// The window descriptions: what both fronts build from must hold together, and the rule that
// widens captions must stay inside each control's room.
#include <gtest/gtest.h>

#include <set>

#include "ikkunat/kuvaus.h"
#include "ikkunat/frmMain/kuvaus.h"
#include "ikkunat/frmPulma/kuvaus.h"

namespace {

TEST(Kuvaus, IkkunatPitavatYhta) {
  for (const ikkunat::Ikkunakuvaus* k : {&frmmain::kuvaus(), &frmpulma::kuvaus()}) {
    std::set<std::string> nimet, kehykset;
    for (const ikkunat::Ohjainkuvaus& o : k->ohjaimet) {
      EXPECT_TRUE(nimet.insert(o.nimi).second) << o.nimi;
      // A frame comes before what it holds, and what it holds lies inside it.
      if (!o.kehys.empty()) {
        ASSERT_TRUE(kehykset.count(o.kehys)) << o.nimi;
        const ikkunat::Ohjainkuvaus* f = k->ohjain(o.kehys);
        EXPECT_LE(o.vasen + o.leveys, f->leveys) << o.nimi;
        EXPECT_LE(o.yla + o.korkeus, f->korkeus) << o.nimi;
      } else {
        EXPECT_LE(o.vasen + o.leveys, k->leveys) << o.nimi;
        EXPECT_LE(o.yla + o.korkeus, k->korkeus) << o.nimi;
      }
      if (o.laji == ikkunat::Ohjainlaji::kehys) kehykset.insert(o.nimi);
    }
  }
  std::vector<std::string> pysahdykset;
  for (const auto& o : frmpulma::kuvaus().ohjaimet)
    if (ikkunat::sarkainpysahdys(o)) pysahdykset.push_back(o.nimi);
  EXPECT_EQ(pysahdykset, (std::vector<std::string>{"cmdOK", "cmdTulosta", "cmdNettineuvot",
                                                   "cmdLopeta", "cmdEtatuki", "cmdLeikepoydalle"}));
  EXPECT_EQ(frmmain::kuvaus().ohjaimet.size(), 37u);
  EXPECT_EQ(frmmain::kuvaus().ohjain("Label11")->teksti.find("\r\n\r\n") != std::string::npos, true);
}

TEST(Kuvaus, LevennysPysyyTilassaan) {
  using L = ikkunat::Ohjainlaji;
  ikkunat::Ikkunakuvaus k;
  k.leveys = 6000;
  k.korkeus = 3000;
  auto ohjain = [](L laji, const char* nimi, const char* kehys, int vasen, int yla, int leveys) {
    ikkunat::Ohjainkuvaus o;
    o.laji = laji;
    o.nimi = nimi;
    o.kehys = kehys;
    o.vasen = vasen;
    o.yla = yla;
    o.leveys = leveys;
    o.korkeus = 300;
    return o;
  };
  k.ohjaimet = {
      ohjain(L::nimio, "naapuri", "", 0, 0, 1000),        // up to the next control on its row
      ohjain(L::painike, "oikealla", "", 2000, 0, 900),   // up to the window's edge
      ohjain(L::nimio, "alempana", "", 0, 300, 1000),     // the row below is its own
      ohjain(L::kehys, "F", "", 0, 1000, 3000),
      ohjain(L::valintanappi, "kehyksessa", "F", 300, 300, 1200),  // up to the frame's edge
      ohjain(L::tekstilaatikko, "teksti", "", 0, 2000, 600),       // never widened
      ohjain(L::nimio, "mahtuu", "", 3000, 2000, 900),
  };
  const auto leveydet = ikkunat::levennykset(k, [](const ikkunat::Ohjainkuvaus&) { return 9000; });
  EXPECT_EQ(leveydet, (std::map<std::string, int>{{"naapuri", 1940},
                                                  {"oikealla", 3940},
                                                  {"alempana", 5940},
                                                  {"kehyksessa", 2640},
                                                  {"mahtuu", 2940}}));
  EXPECT_TRUE(ikkunat::levennykset(k, [](const ikkunat::Ohjainkuvaus& o) { return o.leveys; }).empty());

  struct {
    int twips, dpi, pikselit;
  } const muunnokset[] = {{1440, 96, 96}, {15, 96, 1}, {13920, 96, 928}, {13920, 144, 1392},
                          {516, 96, 34}, {255, 120, 21}};
  for (const auto& m : muunnokset) EXPECT_EQ(ikkunat::pikseleina(m.twips, m.dpi), m.pikselit) << m.twips;
}

}  // namespace
