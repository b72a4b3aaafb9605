#include "split/esikatselu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/esikatselu_odotus.h"
#include "split/t00.h"
#include "split/tito/viivain.h"
#include "tuki/kayttaja.h"
#include "tuki/muuttujat.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
using split::PaloitteluAsetukset;
using T = PaloitteluAsetukset::Tunniste;

std::string x(std::size_t n) { return std::string(n, 'X'); }
std::string tyhjaa(std::size_t n) { return std::string(n, ' '); }

TEST(EsikatselunOsat, ViivainJaAsteikko) {
  const std::string v = testi::viivain(), a = testi::asteikko();
  ASSERT_EQ(v.size(), 320u);
  EXPECT_EQ(v.substr(0, 10), "123456789*");
  EXPECT_EQ(v.substr(310), "123456789*");
  ASSERT_EQ(a.size(), 330u);
  EXPECT_EQ(a.substr(0, 12), "0         10");
  EXPECT_EQ(a.substr(48, 4), "  50");  // 50 starts in column 51
  EXPECT_EQ(a.substr(320), "320" + tyhjaa(7));
}

struct Esikatselu : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  testi::Muuttujat muuttujat;
  PaloitteluAsetukset a;
  std::string esikatselu;

  void SetUp() override {
    muuttujat.aseta("TEMP", kansio.polku());
    a.tiliotetiedosto = kansio / "TITO.TXT";
    esikatselu = kansio / "~TITO-T00.TMP";
  }
  testi::Kaynnistys editori() const {
    if constexpr (alusta::onWindows) return {"NOTEPAD " + esikatselu, "", "", true, false};
    return {esikatselu, "", "", false, false};
  }
};

TEST_F(Esikatselu, TiedostoTavuTavulta) {
  testi::T00 eka, toka;
  toka.asiakas = "7654321-0";
  toka.nimi = ansi("Öljy Ab");
  const std::string t00 = "T00";
  testi::kirjoitaTiedosto(a.tiliotetiedosto,
                          "alku\r\n" + eka.rivi() + "\r\nT10 kirjaus\r\n" + "t00 pienella\r\n" +
                              " T00 tyhja edessa\r\nT0\r\n" + toka.rivi() + "\r" + t00 + "\r\n" +
                              "T00 rivinvaihto\nkeskella\r\nT00 viimeinen");
  // A lone LF ends a line too: "keskella" is a line of its own, not a T00 line.
  const std::vector<std::string> t00rivit = {eka.rivi(), toka.rivi(), "T00", "T00 rivinvaihto",
                                             "T00 viimeinen"};
  struct {
    const char* kuvaus;
    T tunniste;
    std::string alku, loppu;
    std::string merkit;
  } const tapaukset[] = {
      {"asiakastunnus", T::asiakastunnus, "", "", "Pos 49:65" + tyhjaa(39) + x(17)},
      {"tilinumero", T::tilinumero, "", "", "Pos 10:23" + x(14)},
      {"nimi", T::tilinomistajanNimi, "", "", "Pos 148:182" + tyhjaa(136) + x(35)},
      {"5:8", T::positiot, "5", "8", "Pos " + x(4)},
      {"1:n", T::positiot, "1", "3", x(3)},
      {"loppu ennen alkua", T::positiot, "9", "5", "Pos 9:5 "},
      {"kirjoitetut luvut", T::positiot, " 12,5 ", "20", "Pos 12:20  " + x(9)},
  };
  for (const auto& t : tapaukset) {
    a.valitse(t.tunniste);
    a.posAlku = t.alku;
    a.posLoppu = t.loppu;
    ymp.kaynnistin.kaynnistykset.clear();
    EXPECT_TRUE(split::naytaPaloitteluehto(a)) << t.kuvaus;
    EXPECT_EQ(testi::lueTiedosto(esikatselu), testi::esikatselu(t.merkit, t00rivit)) << t.kuvaus;
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset, std::vector{editori()}) << t.kuvaus;
  }
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST_F(Esikatselu, IlmanT00RivejaJaVanhanTilalle) {
  testi::kirjoitaTiedosto(esikatselu, std::string(100000, 'v'));
  testi::kirjoitaTiedosto(a.tiliotetiedosto, "T01\r\nt00\r\n");
  EXPECT_TRUE(split::naytaPaloitteluehto(a));
  EXPECT_EQ(testi::lueTiedosto(esikatselu), testi::esikatselu("Pos 49:65" + tyhjaa(39) + x(17), {}));
  EXPECT_EQ(ymp.kaynnistin.kaynnistykset, std::vector{editori()});
}

TEST_F(Esikatselu, PuuttuvaTiliotetiedosto) {
  testi::kirjoitaTiedosto(esikatselu, "edellinen");
  a.tiliotetiedosto = kansio / "EI.TXT";
  EXPECT_FALSE(split::naytaPaloitteluehto(a));
  const testi::Viesti viesti{"Tiedostoa " + a.tiliotetiedosto + ansi("  ei löydy"), "", 0};
  EXPECT_EQ(ymp.viestit.viestit, std::vector{viesti});
  EXPECT_EQ(testi::lueTiedosto(esikatselu), "edellinen");
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
}

TEST_F(Esikatselu, VirheKerrotaanViestissa) {
  testi::T00 rivi;
  testi::kirjoitaTiedosto(a.tiliotetiedosto, rivi.rivi() + "\r\n");
  const std::string otsikko = ansi("PALOITTELUEHTOA EI NÄYTETTY");
  struct {
    const char* kuvaus;
    std::string alku, loppu;
    bool kansioTiedostonPaikalla, kaynnistysEpaonnistuu;
    const char* viesti;  // part of the message
    bool kirjoitettu, kaynnistetty;
  } const tapaukset[] = {
      {"X-merkkeja liikaa", "1", "2000000000", false, false, "Ylivuoto: Pos 1:2000000000 (virhe 6)", false, false},
      {"tiedostoa ei voi kirjoittaa", "49", "65", true, false, "(virhe 75)", false, false},
      {"editori ei kaynnisty", "49", "65", false, true, "(virhe 53)", true, true},
  };
  for (const auto& t : tapaukset) {
    a.valitse(T::positiot);
    a.posAlku = t.alku;
    a.posLoppu = t.loppu;
    if (testi::onOlemassa(esikatselu)) alusta::poistaTiedosto(esikatselu);
    if (t.kansioTiedostonPaikalla) alusta::luoHakemisto(esikatselu);
    ymp.kaynnistin.kaynnistysEpaonnistuu = t.kaynnistysEpaonnistuu;
    ymp.kaynnistin.avausKoodi = t.kaynnistysEpaonnistuu ? 2 : 42;
    ymp.kaynnistin.kaynnistykset.clear();
    ymp.viestit.viestit.clear();

    EXPECT_FALSE(split::naytaPaloitteluehto(a)) << t.kuvaus;
    ASSERT_EQ(ymp.viestit.viestit.size(), 1u) << t.kuvaus;
    EXPECT_EQ(ymp.viestit.viestit[0].otsikko, otsikko);
    EXPECT_EQ(ymp.viestit.viestit[0].tyyli, euro::tyyli::okKriittinen);
    EXPECT_NE(ymp.viestit.viestit[0].teksti.find(t.viesti), std::string::npos) << ymp.viestit.viestit[0].teksti;
    EXPECT_EQ(alusta::onkoTavallinenTiedosto(esikatselu), t.kirjoitettu) << t.kuvaus;
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset.size(), t.kaynnistetty ? 1u : 0u) << t.kuvaus;
    if (t.kansioTiedostonPaikalla) std::filesystem::remove(std::filesystem::u8path(euro::ansiUtf8(esikatselu)));
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST_F(Esikatselu, LinuxissaOmaanKansioonVainOmistajalle) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "Windowsissa TEMP ja tiedoston oikeudet kuten ennen";
  namespace fs = std::filesystem;
  for (const char* n : {"TEMP", "TMP", "TMPDIR"}) muuttujat.aseta(n, std::nullopt);
  const std::string ajo = kansio / "ajo", tulos = ajo + "/~TITO-T00.TMP";
  alusta::luoHakemisto(ajo);
  fs::permissions(ajo, fs::perms::owner_all);
  muuttujat.aseta("XDG_RUNTIME_DIR", ajo);
  // An earlier preview that others could read gives way to a private one.
  testi::kirjoitaTiedosto(tulos, "vanha");
  fs::permissions(tulos, static_cast<fs::perms>(0644));
  testi::kirjoitaTiedosto(a.tiliotetiedosto, testi::T00{}.rivi() + "\r\n");

  EXPECT_TRUE(split::naytaPaloitteluehto(a));
  EXPECT_EQ(testi::lueTiedosto(tulos), testi::esikatselu("Pos 49:65" + tyhjaa(39) + x(17), {testi::T00{}.rivi()}));
  EXPECT_EQ(static_cast<int>(fs::status(tulos).permissions() & fs::perms::all), 0600);
  EXPECT_EQ(ymp.kaynnistin.kaynnistykset, (std::vector<testi::Kaynnistys>{{tulos, "", "", false, false}}));
}

// Another user's link or file at the name in a shared temporary folder: nothing goes through
// it, the person is told. Run as an ordinary user, whom root's rights do not cover.
TEST_F(Esikatselu, LinkkiTaiToisenTiedostoNimellaTorjutaan) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "symboliset linkit ja omistajat ovat POSIX-asioita";
  namespace fs = std::filesystem;
  testi::kirjoitaTiedosto(a.tiliotetiedosto, testi::T00{}.rivi() + "\r\n");
  const std::string uhri = kansio / "uhri";
  testi::kirjoitaTiedosto(uhri, "uhri");
  testi::annaTavalliselle(uhri);
  enum Paikka { tyhja, linkki, toisen };
  const Paikka paikat[] = {tyhja, linkki, toisen};
  auto hakemisto = [&](Paikka p) { return kansio / ("yhteinen" + std::to_string(p)); };
  for (Paikka p : paikat) {
    const std::string h = hakemisto(p), nimi = h + "/~TITO-T00.TMP";
    alusta::luoHakemisto(h);
    fs::permissions(h, fs::perms::all | fs::perms::sticky_bit);  // as /tmp
    if (p == linkki) fs::create_symlink(uhri, nimi);
    if (p == toisen) {
      testi::kirjoitaTiedosto(nimi, "toisen");
      fs::permissions(nimi, static_cast<fs::perms>(0666));  // writable, were it not refused
    }
  }
  testi::Tavallisena ajo = testi::tavallisenaKayttajana([&] {
    std::string tulos;
    for (Paikka p : paikat) {
      alusta::asetaYmparistomuuttuja("TEMP", hakemisto(p));
      ymp.viestit.viestit.clear();
      ymp.kaynnistin.kaynnistykset.clear();
      tulos += split::naytaPaloitteluehto(a) ? "näytetty" : "ei";
      for (const auto& v : ymp.viestit.viestit) tulos += "|" + v.teksti;
      tulos += "|" + std::to_string(ymp.kaynnistin.kaynnistykset.size()) + "\n";
    }
    return tulos;
  });
  if (!ajo.tulos) GTEST_SKIP() << ajo.syy;
  auto torjuttu = [&](Paikka p) {
    return "ei|" + ansi("Lupa evätty: ") + hakemisto(p) + "/~TITO-T00.TMP (virhe 70)|0\n";
  };
  EXPECT_EQ(*ajo.tulos, "näytetty|1\n" + torjuttu(linkki) + torjuttu(toisen));
  const std::string oma = hakemisto(tyhja) + "/~TITO-T00.TMP";
  EXPECT_EQ(testi::lueTiedosto(oma), testi::esikatselu("Pos 49:65" + tyhjaa(39) + x(17), {testi::T00{}.rivi()}));
  EXPECT_EQ(static_cast<int>(fs::status(oma).permissions() & fs::perms::all), 0600);
  EXPECT_EQ(testi::lueTiedosto(uhri), "uhri");
  EXPECT_EQ(testi::lueTiedosto(hakemisto(toisen) + "/~TITO-T00.TMP"), "toisen");
}

TEST(EsikatselunOsat, MerkkirivinRajat) {
  // The line stays within 32,767 characters; positions beyond any line are refused.
  struct {
    std::int32_t alku, loppu;
    std::optional<std::size_t> pituus;  // nullopt: refused
  } const tapaukset[] = {
      {1, 32767, 32767},
      {1, 32768, std::nullopt},
      {32767, 32767, 32767},
      {32768, 32768, std::nullopt},
      {-5, -10, 0},
      {-2147483647 - 1, 2147483647, std::nullopt},
      {2147483647, -2147483647 - 1, std::nullopt},
  };
  for (const auto& t : tapaukset) {
    std::string nimi = std::to_string(t.alku) + ":" + std::to_string(t.loppu);
    if (!t.pituus)
      EXPECT_THROW(split::tito::merkkirivi(t.alku, t.loppu), euro::Virhe) << nimi;
    else
      EXPECT_EQ(split::tito::merkkirivi(t.alku, t.loppu).size(), *t.pituus) << nimi;
  }
}

}  // namespace
