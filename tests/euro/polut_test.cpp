#include "euro/polut.h"

#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "gtest/gtest.h"
#include "tuki/testituki.h"

namespace {

// Rows are written with "\" and run with the platform's separator.
std::string p(std::string s) {
  for (char& c : s)
    if (c == '\\') c = alusta::erotin;
  return s;
}

// The separator of the other platform is an ordinary character here.
constexpr char vieras = alusta::onWindows ? '/' : '\\';

struct Paikka {
  int kutsurivi;
  std::string moduuli, rutiini;
};
const Paikka yleisval{2000, "euro.bas", "fe_yleisval"};

// One overflow report from each site, in order.
void odotaYlivuodot(const testi::Ymparisto& y, const std::vector<Paikka>& paikat) {
  ASSERT_EQ(y.virheet.size(), paikat.size());
  for (std::size_t i = 0; i < paikat.size(); ++i) {
    EXPECT_EQ(y.virheet[i].numero, 6);
    EXPECT_EQ(y.virheet[i].kutsurivi, paikat[i].kutsurivi);
    EXPECT_EQ(y.virheet[i].moduuli, paikat[i].moduuli);
    EXPECT_EQ(y.virheet[i].rutiini, paikat[i].rutiini);
  }
}

TEST(Polut, PaljasHakemistoJaTiedosto) {
  struct Rivi {
    std::string polku, hakemisto, tiedosto;
  };
  const std::vector<Rivi> rivit = {
      {p("C:\\Data\\TITO.TXT"), p("C:\\Data"), "TITO.TXT"},
      {p("C:\\Data\\"), p("C:\\Data"), ""},
      {p("C:\\TITO.TXT"), "C:", "TITO.TXT"},
      {p("C:\\"), "C:", ""},
      {p("\\\\server\\share\\a.txt"), p("\\\\server\\share"), "a.txt"},
      {p("\\TITO.TXT"), "", "TITO.TXT"},
      {"TITO.TXT", "", "TITO.TXT"},
      {"", "", ""},
      {std::string("a") + vieras + "b", "", std::string("a") + vieras + "b"}};
  testi::Ymparisto y;
  for (const auto& r : rivit) {
    EXPECT_EQ(euro::fe_PaljasHakemisto(r.polku), r.hakemisto) << r.polku;
    EXPECT_EQ(euro::fe_PaljasTiedosto(r.polku), r.tiedosto) << r.polku;
  }
  EXPECT_TRUE(y.virheet.empty());
}

// Texts beyond 32,767 characters overflow the 16-bit positions: one report at the
// routine's own site, then the neutral result.
TEST(Polut, LiianPitkaTekstiRaportoidaan) {
  const std::string pisin = p(std::string(32765, 'a') + "\\b");
  const std::string liian = p(std::string(39999, 'a') + "\\b");
  {
    testi::Ymparisto y;
    EXPECT_EQ(euro::fe_PaljasTiedosto(pisin), "b");
    EXPECT_EQ(euro::fe_cposr(pisin, "b"), 32767);
    EXPECT_DOUBLE_EQ(euro::fe_yleisval(std::string(32766, ' ') + "7"), 7);
    EXPECT_TRUE(y.virheet.empty());
  }
  testi::Ymparisto y;
  EXPECT_EQ(euro::fe_PaljasHakemisto(liian), "");
  EXPECT_EQ(euro::fe_PaljasTiedosto(liian), "");
  EXPECT_EQ(euro::fe_cposr(liian, "a"), 0);
  EXPECT_EQ(euro::fe_yleisval(std::string(40000, ' ') + "5"), 0.0);
  odotaYlivuodot(y, {{319, "euro.bas", "fe_PaljasHakemisto"},
                     {320, "", "fe_PaljasTiedosto"},
                     {9002, "euro.bas", "fe_cposr"},
                     yleisval});
}

TEST(Polut, Korvaa) {
  struct Rivi {
    std::string teksti, haettava, korvaava, tulos;
  };
  const std::vector<Rivi> rivit = {
      {"TITO-*-?-", "*", "2018", "TITO-2018-?-"},
      {"TITO-?-", "*", "2018", "TITO-?-"},
      {"a b", " ", ";", "a;b"},
      {"aXa", "a", "aa", "aaXaa"},  // the replacement is not searched again
      {"aaaa", "aa", "b", "bb"},
      {"aAa", "A", "x", "axa"},
      {"abc", "", "x", "abc"},
      {"", "a", "b", ""},
  };
  for (const auto& r : rivit)
    EXPECT_EQ(euro::fe_Korvaa(r.teksti, r.haettava, r.korvaava), r.tulos)
        << r.teksti << " / " << r.haettava;
}

TEST(Polut, CposrJaVa) {
  struct Haku {
    std::string teksti, haettava;
    int paikka;
  };
  const std::vector<Haku> haut = {
      {"TITO.2018.TXT", ".", 10}, {"aaa", "aa", 2}, {"abc", "abc", 1},
      {"TITO", ".", 0},           {"", ".", 0},     {"abc", "", 0},
      {"ab", "abc", 0},           {"xAx", "a", 0},
  };
  struct Leveys {
    std::string teksti;
    std::int16_t leveys;
    std::string tulos;
  };
  const std::vector<Leveys> leveydet = {
      {"ABC", 5, "ABC  "}, {"ABC", 3, "ABC"}, {"ABC", 2, "AB"},
      {"ABC", 0, ""},      {"ABC", -1, ""},   {"", 3, "   "},
  };
  testi::Ymparisto y;
  for (const auto& h : haut)
    EXPECT_EQ(euro::fe_cposr(h.teksti, h.haettava), h.paikka) << h.teksti << " / " << h.haettava;
  for (const auto& l : leveydet)
    EXPECT_EQ(euro::va(l.teksti, l.leveys), l.tulos) << l.teksti << " " << l.leveys;
  EXPECT_TRUE(y.virheet.empty());
}

TEST(Polut, Yleisval) {
  // clang-format off
  const std::vector<std::pair<std::string, double>> rivit = {
      {"", 0}, {"abc", 0}, {"148", 148}, {" 182 ", 182}, {"1 234,56", 1234.56},
      {"1.234,56", 1234.56}, {"1,234.56", 1234.56}, {"1.234", 1.234}, {"1,234", 1.234},
      {"1.234.567", 1234.567}, {",5", 0.5}, {"5,", 5}, {"12,50 mk", 12.5}, {"-12,5", -12.5},
      {"12,5-", 12.5}, {"12a3", 12}, {"\t3,5\n", 3.5}, {"1,5E3", 1500}, {"&HFF", 255}};
  // clang-format on
  testi::Ymparisto y;
  for (const auto& [teksti, arvo] : rivit)
    EXPECT_DOUBLE_EQ(euro::fe_yleisval(teksti), arvo) << teksti;
  EXPECT_TRUE(y.virheet.empty());
}

TEST(Polut, LukulukijaLukeeKuinVal) {
  // clang-format off
  const std::vector<std::pair<std::string, double>> rivit = {
      {"1 2", 12}, {"\t-\n3", -3}, {"1.5.6", 1.5}, {"-.5", -0.5}, {"5.", 5}, {".", 0},
      {"+-1", 0}, {"1E-2", 0.01}, {"1e+2", 100}, {"2E+", 2}, {"2ex", 2}, {"1D5", 1},
      {"12,5", 12}, {"1e-400", 0}, {"0e999999", 0},
      // Up to 16 bits the value is a 16-bit signed one, up to 32 bits a 32-bit one.
      {"&hff", 255}, {"&H7FFF", 32767}, {"&HFFFF", -1}, {"&H8000", -32768}, {"&H0FFFF", -1},
      {"&H10000", 65536}, {"&H80000000", -2147483648.0}, {"&HFFFFFFFF", -1},
      {"&H000000001", 1}, {"&H1G", 1}, {"&H", 0}, {"& H10", 16}, {"&O17", 15},
      {"&o177777", -1}, {"&O200000", 65536}, {"&O37777777777", -1}, {"&O8", 0}, {"&X1", 0},
      {"-&H1", 0}};
  // clang-format on
  for (const auto& [teksti, arvo] : rivit) EXPECT_DOUBLE_EQ(euro::lueLuku(teksti), arvo) << teksti;
}

TEST(Polut, LiianSuuriLukuOnYlivuoto) {
  const std::vector<std::string> rivit = {
      "1E400",     "-1e400",      "1e99999999999999999999", std::string(400, '9'),
      "0.001e312", "&H100000000", "&HFFFFFFFFFFFFFFFFFFFF", "&O40000000000",
  };
  for (const auto& teksti : rivit) {
    SCOPED_TRACE(teksti);
    try {
      euro::lueLuku(teksti);
      ADD_FAILURE() << "ei ylivuotoa";
    } catch (const euro::Virhe& v) {
      EXPECT_EQ(v.numero(), euro::virhenro::ylivuoto);
    }
    testi::Ymparisto y;
    EXPECT_EQ(euro::fe_yleisval(teksti), 0.0);
    odotaYlivuodot(y, {yleisval});
  }
}

TEST(Polut, OnkoTiedostoJaHakemisto) {
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "TITO.TXT", "T00\r\n");
  testi::kirjoitaTiedosto(k / ".piilo", "x");
  alusta::asetaAttribuutit(k / ".piilo", true, false);
  alusta::luoHakemisto(k / "ali");
  alusta::luoHakemisto(k / "tyhja");
  testi::kirjoitaTiedosto(k / p("ali\\vain.dat"), "x");

  struct Rivi {
    std::string polku;
    bool tiedosto, hakemisto;
  };
  const std::vector<Rivi> rivit = {
      {k / "TITO.TXT", true, false},
      {k / "*.TXT", true, false},
      {k / "T?TO.TXT", true, false},
      {k / "*.xyz", false, false},
      {k / p("ali\\*.TXT"), false, false},
      {k / ".piilo", false, false},
      {k / p("puuttuu\\TITO.TXT"), false, false},
      {k / "ali", false, true},
      {k / p("ali\\"), false, true},
      {k / "tyhja", false, true},
      {k.polku(), false, true},
      {k / "puuttuu", false, false},
      {k / p("puuttuu\\"), false, false},
  };
  EXPECT_FALSE(euro::fe_OnkoTiedosto(""));
  for (const auto& r : rivit) {
    EXPECT_EQ(euro::fe_OnkoTiedosto(r.polku), r.tiedosto) << r.polku;
    EXPECT_EQ(euro::fe_OnkoHakemisto(r.polku), r.hakemisto) << r.polku;
  }
}

TEST(Polut, LuoHakemisto) {
  struct Rivi {
    std::string annettu;  // relative to the test folder
    bool tulos;
    std::string jalkeen;  // the caller's variable afterwards
    bool olemassa;
  };
  const std::vector<Rivi> rivit = {
      {p("uusi\\"), true, "uusi", true},
      {p("kaksi\\\\"), true, p("kaksi\\"), true},  // only one separator goes
      {"on", false, "on", true},
      {p("on\\"), false, "on", true},
      {"tiedosto", false, "tiedosto", false},
      {p("puuttuu\\uusi\\"), false, p("puuttuu\\uusi"), false},
  };
  testi::Kansio k;
  alusta::luoHakemisto(k / "on");
  testi::kirjoitaTiedosto(k / "tiedosto", "x");
  for (const auto& r : rivit) {
    std::string polku = k / r.annettu;
    EXPECT_EQ(euro::fe_LuoHakemisto(polku), r.tulos) << r.annettu;
    EXPECT_EQ(polku, k / r.jalkeen) << r.annettu;
    EXPECT_EQ(euro::fe_OnkoHakemisto(polku), r.olemassa) << r.annettu;
  }
  EXPECT_FALSE(testi::onOlemassa(k / "puuttuu"));
}

TEST(Polut, LueEkaRivi) {
  const std::vector<std::pair<std::string, std::string>> rivit = {
      {"", ""},
      {"eka\r\ntoka\r\n", "eka"},
      {"eka\rtoka", "eka"},
      {"\r\ntoka", ""},
      {"yksi", "yksi"},
      // As Linux editors save it.
      {"a\nb\nc\n", "a"},
      {"a\nb\rc", "a"},
      {"\xC4\xE4ni\r\n", "\xC4\xE4ni"},
  };
  testi::Kansio k;
  for (const auto& [sisalto, rivi] : rivit) {
    testi::kirjoitaTiedosto(k / "eka.txt", sisalto);
    EXPECT_EQ(euro::fe_LueEkaRivi(k / "eka.txt"), rivi) << sisalto;
  }
  EXPECT_EQ(euro::fe_LueEkaRivi(k / "puuttuu.txt"), "");
  EXPECT_EQ(euro::fe_LueEkaRivi(k.polku()), "");
}

TEST(Polut, LueAsetus) {
  struct Rivi {
    std::string sisalto, avain, arvo;
  };
  const std::vector<Rivi> rivit = {
      {"nimi = Arvo  \r\n", " Nimi ", "Arvo"},
      {"nimi=Arvo\r\n", "nimi", ""},
      {" nimi = Arvo\r\n", "nimi", ""},
      {"nimi  = Arvo\r\n", "nimi", ""},
      {"nimi = eka\r\nnimi = toka\r\n", "nimi", "eka"},
      {"nimi = \r\nnimi = toka\r\n", "nimi", ""},
      {"muu = 1\r\nNIMI =  a b ", "nimi", "a b"},
      {"nimike = x\r\n", "nimi", ""},
      {"\xC4\xC4NI = 1\r\n", "\xE4\xE4ni", "1"},
      {"chkKysyTulostin = 1\r\n", "chkKysyTulostin", "1"},
      {"a = 1\nnimi = 2\n", "nimi", "2"},
      {"chkKysyTulostin = 0\n", "chkKysyTulostin", "0"},
      {"", "nimi", ""},
  };
  testi::Kansio k;
  for (const auto& r : rivit) {
    testi::kirjoitaTiedosto(k / "asetus.oma", r.sisalto);
    EXPECT_EQ(euro::fe_LueAsetus(k / "asetus.oma", r.avain), r.arvo) << r.sisalto;
  }
  EXPECT_EQ(euro::fe_LueAsetus(k / "puuttuu.oma", "nimi"), "");
}

}  // namespace
