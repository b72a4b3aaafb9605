// The report text, the heading block, the error log and the order of the handler's steps.
#include "euro/virheraportti.h"

#include <gtest/gtest.h>

#include <regex>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "tuki/muuttujat.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;

struct Virheraportti : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string loki = kansio / "virhelog.txt";
  // The log as the office's editors read it: UTF-8 except on Windows.
  static std::string lokina(const std::string& s) {
    return alusta::onWindows ? s : euro::ansiUtf8(s);
  }
  void SetUp() override {
    ymp.ohjelma.apppath = [this] { return kansio.polku(); };
    euro::asetaVirheKasittelija(euro::kasitteleVirhe);
  }
  // The heading block, the clock's two values as "*".
  std::string otsikko(const std::string& tyohakemisto, const std::string& loppu = "") {
    return ansi("kolvanto - virheraportti\r\n\r\n6.0-versio: ") + euro::versio + "\r\nfe_apppath(): " +
           kansio.polku() + loppu + "\r\nApp.EXEName: " + euro::exeNimi() +
           ansi("\r\nTyöhakemisto: ") + tyohakemisto + "\r\nTulostettu: *\r\nKello: *\r\n\r\n";
  }
  static std::string ilmanAikaa(const std::string& s) {
    return std::regex_replace(s, std::regex("(Tulostettu|Kello): [^\r]*\r"), "$1: *\r");
  }
};

TEST_F(Virheraportti, RaporttitekstiJaHakuehdot) {
  struct {
    std::int32_t numero;
    std::string viesti;
    std::int16_t rivi;
    const char *moduuli, *rutiini, *raportti, *hakuehdot;
  } const tapaukset[] = {
      {53, ansi("Tiedostoa ei löydy: C:\\a b"), 319, "euro.bas", "fe_PaljasHakemisto",
       "\r\n(virhe 53)\r\n\r\nKutsurivi      319\r\nModuulista   euro.bas\r\nRutiinista     fe_PaljasHakemisto",
       "terms=Tiedostoa;ei;l%F6ydy%3A;C%3A%5Ca;b+virhe;53+319+euro.bas+fe%5FPaljasHakemisto"},
      {5, "X", 320, "", "fe_PaljasTiedosto",
       "\r\n(virhe 5)\r\n\r\nKutsurivi      320\r\nModuulista   \r\nRutiinista     fe_PaljasTiedosto",
       "terms=X+virhe;5+320++fe%5FPaljasTiedosto"},
      {-7, "", -32768, "RaroVuvYht2", "fe_AloitaTulostus, paikka = 4",
       "\r\n(virhe -7)\r\n\r\nKutsurivi     -32768\r\nModuulista   RaroVuvYht2\r\nRutiinista     "
       "fe_AloitaTulostus, paikka = 4",
       "terms=+virhe;-7+-32768+RaroVuvYht2+fe%5FAloitaTulostus%2C;paikka;%3D;4"},
  };
  for (const auto& t : tapaukset) {
    euro::fe_Virhe(t.numero, t.viesti, t.rivi, t.moduuli, t.rutiini);
    ASSERT_EQ(ymp.ongelmat.naytetyt.back().first, t.viesti + t.raportti);
    EXPECT_EQ(ymp.ongelmat.naytetyt.back().second, t.hakuehdot);
  }
}

TEST_F(Virheraportti, OtsikkolohkoKesken) {
  ymp.ohjelma.apppath = []() -> std::string { euro::heitaVirhe(76, "X"); };
  EXPECT_EQ(euro::fe_Virheraportti(),
            "kolvanto - virheraportti\r\n\r\n6.0-versio: " + std::string(euro::versio) +
                ansi("\r\n\n\rVirhe virherivin muodostuksessa:Polkua ei löydy: X"));
}

// Under cron there is no locale, and a missing or C one must not date the log American-style.
// The version is written once, in project(); the report's text is its date read day first, and
// the Windows resource's numbers are the same date.
TEST(Versio, TekstiJaNumerotProjektinVersiosta) {
  const std::regex muoto(R"((\d{4})\.(\d{1,2})\.(\d{1,2}))");
  std::cmatch osat;
  ASSERT_TRUE(std::regex_match(KOLVANTO_VERSIO, osat, muoto)) << KOLVANTO_VERSIO;
  EXPECT_EQ(std::string(euro::versio), osat.str(3) + "." + osat.str(2) + "." + osat.str(1));
  EXPECT_EQ(std::string(KOLVANTO_VERSIO_NELJA), std::string(KOLVANTO_VERSIO) + ".0");
  const int numerot[] = {KOLVANTO_VERSIO_NUMEROT};
  EXPECT_EQ(std::to_string(numerot[0]) + "." + std::to_string(numerot[1]) + "." + std::to_string(numerot[2]) +
                "." + std::to_string(numerot[3]),
            KOLVANTO_VERSIO_NELJA);
}

TEST(Aikamuoto, IlmanOmaaLokaaliaSuomeksi) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "Windows: the user's regional settings";
  struct {
    alusta::Aika aika;
    const char* odotettu;
  } const ajat[] = {
      {{2018, 8, 21, 9, 5, 7}, "21.8.2018 9.05.07"},
      {{2026, 12, 8, 14, 30, 59}, "8.12.2026 14.30.59"},
  };
  for (const char* lokaali : {"", "C", "POSIX", "C.UTF-8", "xx_EI.UTF-8"}) {
    testi::Muuttujat m;
    m.aseta("LC_ALL", std::nullopt);
    m.aseta("LC_TIME", std::nullopt);
    m.aseta("LANG", *lokaali ? std::optional<std::string>(lokaali) : std::nullopt);
    for (const auto& t : ajat)
      EXPECT_EQ(alusta::lyhytPaivays(t.aika) + " " + alusta::kellonaika(t.aika), t.odotettu)
          << "LANG=" << lokaali;
  }
}

TEST_F(Virheraportti, LokiLuodaanJaJatketaan) {
  euro::fe_Virhe(53, "A", 319, "euro.bas", "r");
  ymp.ohjelma.datahakemisto = "D";
  const std::string s = euro::fe_Virheraportti();
  EXPECT_EQ(ilmanAikaa(s), otsikko("D"));
  EXPECT_NE(s.find("\r\nTulostettu: " + alusta::lyhytPaivays(alusta::paikallinenAika()) + "\r\n"),
            std::string::npos);
  ymp.ohjelma.datahakemisto.clear();
  // A data directory that ends with the separator gets no second one.
  const std::string S(1, alusta::erotin), viiva(70, '-');
  ymp.ohjelma.apppath = [&] { return kansio.polku() + S; };
  euro::fe_Virhe(5, "B", -1, "", "s");
  const std::string odotettu =
      otsikko("") + "\r\nA\r\n(virhe 53)\r\n\r\nKutsurivi      319\r\nModuulista   euro.bas\r\n"
                    "Rutiinista     r\r\n" + viiva + "\r\n" + otsikko("", S) +
      "\r\nB\r\n(virhe 5)\r\n\r\nKutsurivi     -1\r\nModuulista   \r\nRutiinista     s\r\n" + viiva + "\r\n";
  EXPECT_EQ(ilmanAikaa(testi::lueTiedosto(loki)), lokina(odotettu));

  // A log that cannot be written, and a dialog that could not be shown: nothing more.
  ymp.ohjelma.apppath = [&] { return kansio / "ei-ole"; };
  euro::fe_Virhe(70, "C", 1, "", "t");
  ymp.ohjelma.apppath = [&] { return kansio.polku(); };
  ymp.ongelmat.loppu = euro::Pulmanloppu::eiNaytetty;
  euro::fe_Virhe(70, "D", 1, "", "t");
  EXPECT_EQ(ilmanAikaa(testi::lueTiedosto(loki)), lokina(odotettu));
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

TEST_F(Virheraportti, NeuvotJaLopetusLokinYmparilla) {
  // Every step in one list; a message or the end notes whether the log was there.
  struct Tapahtumat : testi::ValeViestit, testi::ValeOngelmaikkuna {
    std::string loki;
    std::vector<std::string> t;
    std::string lokissa() { return testi::onOlemassa(loki) ? "+loki" : ""; }
    int nayta(const std::string& s, const std::string& o, int tyyli) override {
      t.push_back(s.substr(0, 10) + lokissa());
      return ValeViestit::nayta(s, o, tyyli);
    }
    euro::Pulmanloppu nayta(const std::string& r, const std::string& h) override {
      t.push_back("ikkuna" + lokissa());
      return ValeOngelmaikkuna::nayta(r, h);
    }
    bool naytetaanko() override { return naytetaan; }
    void lopeta() override { t.push_back("lopeta" + lokissa()); }
    bool naytetaan = false;
  };
  using L = euro::Pulmanloppu;
  struct {
    std::int32_t numero;
    L loppu;
    std::vector<std::string> tapahtumat;
    bool naytetaan = false;  // the dialog says beforehand that it will be shown
  } const tapaukset[] = {
      {94, L::suljettu, {"Pulma 94. ", "ikkuna"}},
      {3014, L::suljettu, {"ikkuna", "Pulma 3014+loki"}},
      {3014, L::eiNaytetty, {"ikkuna"}},
      {3014, L::lopetetaan, {"ikkuna", "lopeta+loki"}},
      // Logged before the dialog: kept even when nobody closes it.
      {3014, L::suljettu, {"ikkuna+loki", "Pulma 3014+loki"}, true},
      {70, L::lopetetaan, {"ikkuna+loki", "lopeta+loki"}, true},
  };
  for (const auto& k : tapaukset) {
    if (testi::onOlemassa(loki)) alusta::poistaTiedosto(loki);
    Tapahtumat t;
    t.loki = loki;
    t.naytetaan = k.naytetaan;
    t.ValeOngelmaikkuna::loppu = k.loppu;
    ymp.ohjelma.viestit = &t;
    ymp.ohjelma.ongelmat = &t;
    euro::fe_Virhe(k.numero, "X", 1, "", "r");
    EXPECT_EQ(t.t, k.tapahtumat) << k.numero;
    EXPECT_EQ(testi::onOlemassa(loki), k.loppu != L::eiNaytetty) << k.numero;
    // One entry at most, whenever it was written.
    const std::string l = testi::onOlemassa(loki) ? testi::lueTiedosto(loki) : "";
    EXPECT_EQ(l.find(std::string(70, '-')), l.rfind(std::string(70, '-'))) << k.numero;
    if (!t.viestit.empty()) {
      EXPECT_EQ(t.viestit[0].teksti,
                ansi(k.numero == 94 ? "Pulma 94. Invalid use of null.\nJossain taulukossa tai "
                                      "kentässä on tyhjää, vaikkei saisi olla.\nPoistele turhat "
                                      "tyhjät rivit, täydennä puuttuvat tiedot ja yritä sitten uudelleen."
                                    : "Pulma 3014. Sammuta ohjelma ja käynnistä se uudelleen, niin "
                                      "pääset jatkamaan työskentelyä."));
    }
  }
  ymp.ohjelma.viestit = &ymp.viestit;
  ymp.ohjelma.ongelmat = &ymp.ongelmat;
}

}  // namespace
