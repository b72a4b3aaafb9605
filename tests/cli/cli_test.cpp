// kolvanto-cli as a process: exit status, standard error, standard output and files left.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <thread>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "split/esikatselu_odotus.h"
#include "split/paloittele.h"
#include "split/raporttikirja.h"
#include "split/t00.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
const std::string S(1, alusta::erotin);

struct Tulos {
  int koodi;
  std::string ulos, virhe;  // as written: UTF-8
};

struct Cli : ::testing::Test {
  testi::Kansio kansio;

  const std::string exe = std::string("kolvanto-cli") + (alusta::onWindows ? ".exe" : "");
  std::string ohjelma = testi::ohjelmaBin("kolvanto-cli");

  Tulos aja(const std::vector<std::string>& argumentit, const std::string& hakemisto = "") {
    testi::Ajo ajo;
    ajo.hakemisto = hakemisto;
    testi::Ajettu a = testi::ajaOhjelma(ohjelma, argumentit, ajo);
    EXPECT_FALSE(a.aikaLoppui);
    return {a.koodi, a.ulos, a.virhe};
  }
  // The summary without its first line, which must be the run's date and time.
  static std::string ilmanAikaa(const std::string& ulos) {
    const std::size_t rivi = ulos.find('\n');
    const std::string eka = ulos.substr(0, rivi);
    EXPECT_TRUE(std::regex_match(eka, std::regex("kolvanto-cli 20[0-9]{2}-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << eka;
    return rivi == std::string::npos ? "" : ulos.substr(rivi + 1);
  }
  // Another owner's name makes another statement of the same key.
  std::string t00(const std::string& asiakas, const std::string& nimi = "Yritys Oy") {
    testi::T00 t;
    t.asiakas = asiakas;
    t.nimi = nimi;
    return t.rivi() + "\r\n";
  }
  // A settings file with positions the command line refuses, saved with LF line ends as a
  // Linux editor leaves it.
  std::string positiot(const std::string& alku, const std::string& loppu) {
    const std::string polku = kansio / "positiot.oma";
    testi::kirjoitaTiedosto(polku, "optPositiot = True\ntxtPosAlku = " + alku +
                                       "\ntxtPosLoppu = " + loppu + "\nchkAikaleimaaPaloiteltava = 0\n");
    return polku;
  }
};

TEST_F(Cli, OhjeVersioJaKayttovirheet) {
  const std::string versio = "kolvanto-cli " + std::string(euro::versio) + "\n";
  struct {
    std::vector<std::string> argumentit;
    int koodi;
    const char* ulos;   // part of standard output
    const char* virhe;  // part of standard error
  } const tapaukset[] = {
      {{"--help"}, 0, "Käyttö: kolvanto-cli", ""},
      {{"-h"}, 0, "64  virheellinen komentorivi", ""},
      {{"--help"}, 0, "65  tiliotetiedosto hylätty", ""},
      {{"--version"}, 0, versio.c_str(), ""},
      {{}, 64, "", "kolvanto-cli: tiliotetiedosto puuttuu: anna se komentorivillä tai tallenna"},
      {{"--tuntematon", "X"}, 64, "", "tuntematon valinta: --tuntematon"},
      {{"--avain", "postinumero", "X"}, 64, "", "tuntematon paloitteluehto: postinumero"},
      {{"--avain", "65:49", "X"}, 64, "", "virheelliset positiot 65:49: anna ALKU:LOPPU"},
      {{"--avain", "0:5", "X"}, 64, "", "virheelliset positiot 0:5"},
      {{"--avain=a:b", "X"}, 64, "", "virheelliset positiot a:b"},
      {{"--avain", "1:99999", "X"}, 64, "", "virheelliset positiot 1:99999"},
      {{"--avain", "49:", "X"}, 64, "", "virheelliset positiot 49:"},
      {{"X", "Y"}, 64, "", "vain yksi tiliotetiedosto"},
      {{"X", "--kohde"}, 64, "", "--kohde tarvitsee hakemiston"},
      // Reaches the program as one argument, however the platform passes command lines.
      {{"--a b\\\" c\\", "X"}, 64, "", "tuntematon valinta: --a b\\\" c\\\n"},
  };
  for (const auto& t : tapaukset) {
    Tulos r = aja(t.argumentit);
    std::string nimi = t.argumentit.empty() ? "(ei argumentteja)" : t.argumentit[0];
    EXPECT_EQ(r.koodi, t.koodi) << nimi;
    EXPECT_NE(r.ulos.find(t.ulos), std::string::npos) << nimi << "\n" << r.ulos;
    EXPECT_NE(r.virhe.find(t.virhe), std::string::npos) << nimi << "\n" << r.virhe;
  }
}

TEST_F(Cli, PaloitteleeJaKertooYhteenvedon) {
  const std::string tiedosto = kansio / "TITO.TXT";
  const std::string kohde = kansio / "yritykset";
  testi::kirjoitaTiedosto(tiedosto, "alku\r\n" + t00("1") + "T10\r\n" + t00("2") + t00("1"));
  Tulos r = aja({"--ei-aikaleimaa", "--luo-hakemisto", "-k", kohde, ansi("--alkuosa=Ä-"), tiedosto});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(r.virhe, "");
  EXPECT_EQ(testi::lueTiedosto(kohde + S + ansi("Ä-1.TXT")), t00("1") + "T10\r\n" + t00("1"));
  EXPECT_EQ(testi::lueTiedosto(kohde + S + ansi("Ä-2.TXT")), t00("2"));
  EXPECT_EQ(ilmanAikaa(r.ulos), "Luotiin hakemisto " + kohde + S + "\n" + kohde + S + "Ä-1.TXT: 2 erää, 3 riviä\n" + kohde + S +
                        "Ä-2.TXT: 1 erä, 1 rivi\n" +
                        "Ennen ensimmäistä T00-tietuetta ohitettu 1 rivi\n" +
                        "Paloiteltu hakemistoon " + kohde + S + "\n");
}

// Batches without a key are told apart, with where they went; the run's history is printed
// from the data directory, oldest first, and for one company when asked.
TEST_F(Cli, IlmanAvaintaJaHistoria) {
  const std::string hakemisto = kansio / "ohjelma";
  alusta::luoHakemisto(hakemisto);
  testi::kopioi(ohjelma, hakemisto + S + exe);
  ohjelma = hakemisto + S + exe;
  const std::string tiedosto = kansio / "TITO.TXT";
  const std::string kohde = kansio / "ulos";
  alusta::luoHakemisto(kohde);
  testi::kirjoitaTiedosto(tiedosto, t00("1") + t00("   ") + t00("", "Toinen Oy") + t00("2"));
  // Batches of a blank key may mix companies in one file: delivered, and a look asked for.
  Tulos r = aja({"--ei-aikaleimaa", "-k", kohde, tiedosto});
  EXPECT_EQ(r.koodi, 3) << r.virhe;
  EXPECT_EQ(ilmanAikaa(r.ulos), kohde + S + "TITO-2018-08-1.TXT: 1 erä, 1 rivi\n" + kohde + S +
                                    "TITO-2018-08-.TXT: 2 erää, 2 riviä\n" + kohde + S +
                                    "TITO-2018-08-2.TXT: 1 erä, 1 rivi\n" + "Ilman avainta 2 erää tiedostoon " +
                                    kohde + S + "TITO-2018-08-.TXT\n" + "TARKISTA: Tiedostoon " + kohde + S +
                                    "TITO-2018-08-.TXT meni 2 erää ilman avainta (paloitteluehdon kohta on tyhjä): "
                                    "eri yritysten tiliotteet voivat olla siinä sekaisin. Tarkista paloitteluehto ja "
                                    "tiedosto.\n" +
                                    "Paloiteltu hakemistoon " + kohde + S + "\n");
  testi::kirjoitaTiedosto(tiedosto, t00("2", "Toinen Oy"));
  ASSERT_EQ(aja({"--ei-aikaleimaa", "-k", kohde, tiedosto}).koodi, 0);

  const std::string otsikko = "aika\ttapahtuma\tmuoto\ttiliotetiedosto\tarkisto\tyritystiedosto\terät tai tiliotteet\t"
                              "lisätyt tavut\ttiedosto\thuomautus\ttili\tnumero\talkaa\tpäättyy\talkusaldo\t"
                              "loppusaldo\tvaluutta\ttiiviste\ttavut arkistossa\n";
  r = aja({"--historia"});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(r.ulos.rfind(otsikko, 0), 0u) << r.ulos;
  std::vector<std::string> rivit;
  for (std::size_t i = otsikko.size(); i < r.ulos.size(); i = r.ulos.find('\n', i) + 1)
    rivit.push_back(r.ulos.substr(i, r.ulos.find('\n', i) - i));
  // A line per statement, written as the split completes, then the run's lines.
  ASSERT_EQ(rivit.size(), 9u) << r.ulos;
  for (std::size_t i : {0, 1, 2, 3, 7}) EXPECT_NE(rivit[i].find("\ttiliote\tTITO\t"), std::string::npos) << rivit[i];
  const std::string paloiteltu = "\tpaloiteltu\tTITO\t" + tiedosto + "\t\t" + kohde + S;
  const std::string pvm = "^20[0-9]{2}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
  EXPECT_TRUE(std::regex_search(rivit[4], std::regex(pvm + "\t"))) << rivit[4];
  EXPECT_NE(rivit[4].find(paloiteltu + "TITO-2018-08-1.TXT\t1\t" + std::to_string(t00("1").size()) + "\tuusi\t"),
            std::string::npos) << rivit[4];
  EXPECT_NE(rivit[5].find("TITO-2018-08-.TXT\t2\t"), std::string::npos) << rivit[5];
  EXPECT_NE(rivit[5].find("\tuusi\t2 erää ilman avainta"), std::string::npos) << rivit[5];
  EXPECT_NE(rivit[8].find(paloiteltu + "TITO-2018-08-2.TXT\t1\t"), std::string::npos) << rivit[8];
  EXPECT_NE(rivit[8].find("\tjatkettu\t"), std::string::npos) << rivit[8];

  r = aja({"--historia", "--yritys", "08-2.txt"});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(r.ulos, otsikko + rivit[3] + "\n" + rivit[6] + "\n" + rivit[7] + "\n" + rivit[8] + "\n");
  EXPECT_EQ(aja({"--yritys", "2"}).koodi, 64);
  EXPECT_EQ(aja({"--historia", tiedosto}).koodi, 64);
}

// The month's report from the data directory's ledger, as UTF-8 bytes on standard output;
// a month that is none is a usage error, as is the report with a split or another view.
TEST_F(Cli, Raportti) {
  const std::string hakemisto = kansio / "ohjelma";
  alusta::luoHakemisto(hakemisto);
  testi::kopioi(ohjelma, hakemisto + S + exe);
  ohjelma = hakemisto + S + exe;

  Tulos r = aja({"--raportti", "2026-03"});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_NE(r.virhe.find("Paloitteluhistoriaa ei vielä ole"), std::string::npos) << r.virhe;
  EXPECT_NE(r.ulos.find("ei ole tältä kuukaudelta"), std::string::npos) << r.ulos;

  testi::raportti::kirjoitaKirja(hakemisto, kansio / "ulos");
  r = aja({"--raportti=2026-03"});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(r.virhe, "");
  EXPECT_EQ(r.ulos.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(r.ulos.find("<h1>Tiliotteet maaliskuu 2026</h1>"), std::string::npos);
  EXPECT_EQ(testi::raportti::solu(r.ulos, "TITO-A.TXT", 10), "t8 aA sS");
  EXPECT_NE(r.ulos.find("puuttuvat tiliotteet nro 6–7"), std::string::npos);
  EXPECT_EQ(r.ulos.find("<script"), std::string::npos);
  EXPECT_EQ(r.ulos.find("http"), std::string::npos);

  const struct {
    std::vector<std::string> argumentit;
    const char* virhe;
  } vaarat[] = {
      {{"--raportti"}, "--raportti tarvitsee kuukauden muodossa VVVV-KK"},
      {{"--raportti", "2026-13"}, "virheellinen kuukausi 2026-13"},
      {{"--raportti", "2026-3"}, "virheellinen kuukausi 2026-3"},
      {{"--raportti", "maaliskuu"}, "virheellinen kuukausi maaliskuu"},
      {{"--raportti", "2026-03", "TITO.TXT"}, "--raportti käy yksin"},
      {{"--raportti", "2026-03", "--historia"}, "--raportti käy yksin"},
  };
  for (const auto& v : vaarat) {
    r = aja(v.argumentit);
    EXPECT_EQ(r.koodi, 64) << v.virhe;
    EXPECT_NE(r.virhe.find(v.virhe), std::string::npos) << r.virhe;
    EXPECT_EQ(r.ulos, "");
  }
  EXPECT_NE(aja({"--help"}).ulos.find("--raportti VVVV-KK"), std::string::npos);
}

TEST_F(Cli, TarkistusJaVirhePaluuarvot) {
  const std::string tiedosto = kansio / "TITO.TXT";
  testi::kirjoitaTiedosto(tiedosto, t00("1"));
  const std::string puuttuu = kansio / "EI.TXT";
  const std::string kohde = kansio / "ei-ole";

  Tulos r = aja({puuttuu});
  EXPECT_EQ(r.koodi, 1);
  EXPECT_EQ(r.virhe, "PALOITTELUA EI TEHTY: Tiedostoa " + puuttuu + " ei löydy\n");

  // Said once, with what to do, and nothing that reads like a question waiting in a log; a
  // folder that is not there (a network drive not mapped) is a failure, not a quiet day.
  r = aja({"--kohde", kohde, tiedosto});
  EXPECT_EQ(r.koodi, 2);
  EXPECT_EQ(r.virhe, "PALOITTELUA EI TEHTY: Tallennushakemistoa " + kohde + S +
                         " ei ole (onko verkkolevy yhdistetty?). Luo hakemisto tai anna valinta --luo-hakemisto.\n");
  EXPECT_FALSE(testi::onOlemassa(kohde));

  // Positions from the window's settings still reach the split, which reports them. A copy
  // of the program logs in its own folder, not among the build's programs.
  alusta::luoHakemisto(kansio / "ohjelma");
  testi::kopioi(ohjelma, kansio / "ohjelma" + S + exe);
  ohjelma = kansio / "ohjelma" + S + exe;
  r = aja({"--asetukset", positiot("0", "5"), tiedosto});
  EXPECT_EQ(r.koodi, 2);
  EXPECT_NE(r.virhe.find("(virhe 5)\n\nKutsurivi      100\nModuulista   kolvanto\n"
                         "Rutiinista     paloittele\n"),
            std::string::npos)
      << r.virhe;
  EXPECT_EQ(testi::lueTiedosto(tiedosto), t00("1"));
}

TEST_F(Cli, ArkistoiSuhteellisenPolunViereen) {
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", t00("1"));
  Tulos r = aja({"TITO.TXT"}, kansio.polku());
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_FALSE(testi::onOlemassa(kansio / "TITO.TXT"));
  auto arkisto = testi::tiedostot(kansio / "TUODUT");
  ASSERT_EQ(arkisto.size(), 1u);
  EXPECT_EQ(arkisto[0].size(), std::string("2018-08-21+143005-TITO.TXT").size());
  EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + S + arkisto[0]), t00("1"));
  EXPECT_EQ(testi::lueTiedosto(kansio / "TITO-2018-08-1.TXT"), t00("1"));
}

TEST_F(Cli, KayttaaIkkunanAsetustiedostoa) {
  // A copy of the program in a folder of its own: its settings file lies beside that folder.
  alusta::luoHakemisto(kansio / "ohjelma");
  testi::kopioi(ohjelma, kansio / "ohjelma" + S + exe);
  ohjelma = kansio / "ohjelma" + S + exe;
  const std::string tiedosto = kansio / "TITO.TXT";
  const std::string kohde = kansio / "ulos";
  alusta::luoHakemisto(kohde);
  testi::kirjoitaTiedosto(kansio / "ohjelmaTITO-JAKO.OMA",
                          "txtPaloiteltavaTiedosto = " + tiedosto + "\r\n" +
                              "txtTallennusHakemisto = " + kohde + "\r\n" +
                              "txtNimenAlkuosa = Y-\r\n" + "txtNimenLoppuosa = .tito\r\n" +
                              "chkAikaleimaaPaloiteltava = 0\r\n");
  const std::string asetukset = testi::lueTiedosto(kansio / "ohjelmaTITO-JAKO.OMA");
  for (const std::string& era : {t00("1"), t00("1") + "T10 2\r\n"}) {
    testi::kirjoitaTiedosto(tiedosto, era);
    Tulos r = aja({});
    EXPECT_EQ(r.koodi, 0) << r.virhe;
  }
  EXPECT_EQ(testi::lueTiedosto(kohde + S + "Y-1.tito"), t00("1") + t00("1") + "T10 2\r\n");

  // The command line overrides the file; another settings file can be named. (Another day's
  // statement: the same one would be delivered already, whatever its file is named now.)
  testi::kirjoitaTiedosto(kansio / "muu.oma", "txtNimenLoppuosa = .muu\r\n");
  testi::kirjoitaTiedosto(tiedosto, t00("1") + "T10 3\r\n");
  Tulos r = aja({"--loppuosa", ".cli", "--asetukset", kansio / "muu.oma", "--ei-aikaleimaa",
                 "-k", kohde, tiedosto});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(testi::lueTiedosto(kohde + S + "TITO-2018-08-1.cli"), t00("1") + "T10 3\r\n");
  EXPECT_EQ(aja({"--asetukset", kansio / "puuttuu.oma", tiedosto}).koodi, 64);
  // The CLI never writes the settings file.
  EXPECT_EQ(testi::lueTiedosto(kansio / "ohjelmaTITO-JAKO.OMA"), asetukset);
}

TEST_F(Cli, EsikatseluTulostaaTavutEikaKaynnistaMitaan) {
  testi::T00 t;
  t.nimi = ansi("Öljy Ab");
  const std::string tiedosto = kansio / "TITO.TXT";
  testi::kirjoitaTiedosto(tiedosto, "alku\r\n" + t.rivi() + "\r\nT10\r\nt00\r\n");
  Tulos r = aja({"--esikatselu", "--avain", "tilinumero", tiedosto});
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_EQ(r.virhe, "");
  EXPECT_EQ(r.ulos, testi::esikatselu("Pos 10:23" + std::string(14, 'X'), {t.rivi()}));
  // Only shown: the statement file stays where it was, nothing is split or archived.
  EXPECT_EQ(testi::tiedostot(kansio.polku()), std::vector<std::string>{"TITO.TXT"});

  r = aja({"--esikatselu", "--avain", "5:8", kansio / "EI.TXT"});
  EXPECT_EQ(r.koodi, 1);
  EXPECT_EQ(r.ulos, "");
  EXPECT_EQ(r.virhe, "kolvanto: Tiedostoa " + kansio / "EI.TXT" + "  ei löydy\n");

  r = aja({"--esikatselu", "--asetukset", positiot("1", "99999"), tiedosto});
  EXPECT_EQ(r.koodi, 2);
  EXPECT_EQ(r.ulos, "");
  EXPECT_NE(r.virhe.find("Ylivuoto: Pos 1:99999 (virhe 6)"), std::string::npos) << r.virhe;
}

// On a terminal the preview is readable text; redirected (above) it stays the window's bytes.
TEST_F(Cli, EsikatseluPaatteelleUtf8) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "Windows: Windows-1252 kuten ennenkin";
  if (!testi::onOlemassa("/usr/bin/script")) GTEST_SKIP() << "script(1) puuttuu";
  testi::T00 t;
  t.nimi = ansi("Öljy Ab");
  const std::string tiedosto = kansio / "TITO.TXT";
  testi::kirjoitaTiedosto(tiedosto, t.rivi() + "\r\n");
  // script(1) gives the program a terminal of its own.
  testi::Ajettu a = testi::ajaOhjelma(
      "/usr/bin/script",
      {"-qec", ohjelma + " --esikatselu --avain nimi " + tiedosto, "/dev/null"}, testi::Ajo{});
  EXPECT_EQ(a.koodi, 0) << a.virhe;
  EXPECT_NE(a.ulos.find("\xC3\x96ljy Ab"), std::string::npos) << a.ulos;
  EXPECT_EQ(a.ulos.find("\xD6ljy"), std::string::npos);
}

// A failure is written out and logged in the data directory, as the window would log it.
TEST_F(Cli, VirheKirjataanLokiin) {
  const std::string hakemisto = kansio / "ohjelma";
  alusta::luoHakemisto(hakemisto);
  testi::kopioi(ohjelma, hakemisto + S + exe);
  ohjelma = hakemisto + S + exe;
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", t00("1"));
  Tulos r = aja({"--asetukset", positiot("0", "5"), kansio / "TITO.TXT"});
  EXPECT_EQ(r.koodi, 2);
  const std::string raportti = ansi(
      "Virheellinen proseduurikutsu tai argumentti\r\n(virhe 5)\r\n\r\nKutsurivi      100\r\n"
      "Moduulista   kolvanto\r\nRutiinista     paloittele");
  EXPECT_EQ(r.virhe, "kolvanto: " + euro::fe_Korvaa(euro::ansiUtf8(raportti), "\r\n", "\n") + "\n");
  const std::string loki = testi::lueTiedosto(hakemisto + S + "virhelog.txt");
  // Read with the system's editors: UTF-8 except on Windows.
  auto lokina = [](const std::string& s) { return alusta::onWindows ? s : euro::ansiUtf8(s); };
  EXPECT_EQ(loki.rfind(lokina("kolvanto - virheraportti\r\n\r\n6.0-versio: " + std::string(euro::versio) + "\r\nfe_apppath(): " +
                              hakemisto + "\r\nApp.EXEName: kolvanto-cli\r\n" +
                              ansi("Työhakemisto: ") + hakemisto + "\r\nTulostettu: "),
                       0),
            0u);
  EXPECT_EQ(loki.substr(loki.find("\r\n\r\n\r\n") + 6),
            lokina(raportti + "\r\n" + std::string(70, '-') + "\r\n"));
}

// A split cut off under its journal by a failed first write into the target, in this process:
// the next run finishes it.
void katkaiseKirjanKanssa(const std::string& tiedosto, const std::string& kohde) {
  split::PaloitteluAsetukset a;
  a.valitse(split::PaloitteluAsetukset::Tunniste::asiakastunnus);
  a.tiliotetiedosto = tiedosto;
  a.kohdehakemisto = kohde;
  a.arkistoi = true;
  testi::Ymparisto ymp;
  alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
      [&](alusta::Vaihe v, const std::string& polku, std::size_t) -> std::optional<alusta::Vika> {
        if (v != alusta::Vaihe::kirjoita || polku.rfind(kohde, 0) != 0 || polku.find(".kolvanto-") != std::string::npos)
          return std::nullopt;
        return alusta::Vika{euro::virhenro::levyTaynna};
      });
  const bool valmis = split::paloittele(a).valmis;
  alusta::asetaVikakoukku(std::move(edellinen));
  ASSERT_FALSE(valmis);
}

// Every way a run ends, by its exit status: 1 only for a day without a file, 0 for a run that
// delivered, 65 for a file refused (moved aside whole, so that tomorrow's file is split), 2 for
// what the office must fix; and the statement file as each leaves it.
TEST_F(Cli, PaluuarvotSyotteittain) {
  namespace fs = std::filesystem;
  enum class Tiliote { paikallaan, sivuun, arkistoitu };
  struct Tapaus {
    const char* kuvaus;
    std::string sisalto;
    std::vector<std::string> valinnat;
    int koodi;
    std::vector<std::string> virheessa, ulostulossa;  // parts of standard error and output
    Tiliote tiliote;
    // Makes what the case needs beside the file; answers why it cannot be made here, or "".
    std::function<std::string(const testi::Kansio&)> valmistele = nullptr;
    std::string kohde = "ulos";
    std::string annettu = "TITO.TXT";  // the statement file as the command line names it
  };
  // The statement file as a link to the bank program's own file, or to none.
  auto linkki = [](bool kohdeOn) {
    return [kohdeOn](const testi::Kansio& k) -> std::string {
      alusta::luoHakemisto(k / "pankki");
      fs::rename(k / "TITO.TXT", k / "pankki" + S + "real.txt");
      std::error_code e;
      fs::create_symlink(kohdeOn ? k / "pankki" + S + "real.txt" : k / "pankki" + S + "ei.txt", k / "TITO.TXT", e);
      return e ? "linkkiä ei voi tehdä: " + e.message() : "";
    };
  };
  const std::string muuLevy = "/dev/shm/kolvanto-" + std::to_string(std::hash<std::string>{}(kansio.polku()));
  const std::vector<Tapaus> tapaukset = {
      {"tiedostoa ei ole", "", {"--aikaleima"}, 1, {"Tiedostoa "}, {}, Tiliote::paikallaan,
       [](const testi::Kansio& k) { alusta::poistaTiedosto(k / "TITO.TXT"); return std::string(); }},
      {"tyhjä", "", {"--aikaleima"}, 0, {}, {"T00-tietueita ei löytynyt"}, Tiliote::arkistoitu},
      // The rest of a batch the bank began in the file before: never passed over in silence.
      {"tietueita, ei T00:aa", "T10 x\r\nT40 y\r\n", {"--aikaleima"}, 2,
       {"tavut 0-14 ennen ensimmäistä T00-tietuetta ovat TITO-tietueita"}, {}, Tiliote::paikallaan},
      // Given with a doubled separator, as a network path has it.
      {"verkkopolku", t00("1"), {"--aikaleima"}, 2, {"on UNC polku"}, {}, Tiliote::paikallaan, nullptr, "ulos",
       S + "TITO.TXT"},
      {"tyhjiä rivejä", "\r\n \r\n", {"--aikaleima"}, 0, {}, {"T00-tietueita ei löytynyt"}, Tiliote::arkistoitu},
      {"virhesivu", "\r\nYHTEYSVIRHE 503 Service Unavailable: yrita myohemmin uudelleen, palvelu on tauolla\r\n",
       {"--aikaleima"}, 65,
       {"se ei ole konekielinen tiliote (TITO)",
        "se alkaa \"YHTEYSVIRHE 503 Service Unavailable: yrita myohemmin uudelle...\"",
        "Tiedosto siirrettiin sivuun nimelle "},
       {"Hylätty tiliotetiedosto siirretty sivuun: "}, Tiliote::sivuun},
      // Taken for XML by its first byte, and refused by XML's check.
      {"HTML ilman aikaleimaa", "<html><body>Error</body></html>\n", {"--ei-aikaleimaa"}, 65,
       {"ei paloiteltu: asiakirja 1, rivi 1"}, {}, Tiliote::sivuun},
      {"binääri", std::string("\x7F" "ELF\x02\x01\x01\0\0\0T00", 13), {"--aikaleima"}, 65,
       {"ohjausmerkki (tavu 127 kohdassa 1), kuten binääritiedostossa"}, {}, Tiliote::sivuun},
      {"tallennushakemisto puuttuu", t00("1"), {"--aikaleima"}, 2, {"Tallennushakemistoa ", " ei ole"}, {},
       Tiliote::paikallaan, nullptr, "ei-ole"},
      {"linkki", t00("1"), {"--aikaleima"}, 2,
       {"TITO.TXT on linkki (symbolinen linkki tai liitos) tiedostoon ", "pankki" + S + "real.txt. Sitä ei siirretty"},
       {}, Tiliote::paikallaan, linkki(true)},
      {"linkki ei minnekään", t00("1"), {"--aikaleima"}, 2, {"on linkki (symbolinen linkki tai liitos) tiedostoon ", "pankki" + S + "ei.txt. Sitä ei siirretty"},
       {}, Tiliote::paikallaan, linkki(false)},
      {"linkki ilman aikaleimaa", t00("1"), {"--ei-aikaleimaa"}, 0, {}, {"TITO-2018-08-1.TXT: 1 erä"},
       Tiliote::paikallaan, linkki(true)},
      {"hylätty linkki ilman aikaleimaa", "virhe\r\n", {"--ei-aikaleimaa"}, 65,
       {"Tiedosto on linkki, joten se jätettiin paikalleen."}, {}, Tiliote::paikallaan, linkki(true)},
      {"TUODUT toisella levyllä", t00("1"), {"--aikaleima"}, 2,
       {"on eri levyllä tai tiedostojärjestelmässä kuin tiliotetiedosto ", "sitä ei siirretty eikä paloiteltu"}, {},
       Tiliote::paikallaan,
       [&](const testi::Kansio& k) -> std::string {
         std::error_code e;
         fs::create_directory(muuLevy, e);
         fs::create_directory_symlink(muuLevy, k / "TUODUT", e);
         if (e) return "ei /dev/shm:ää: " + e.message();
         testi::kirjoitaTiedosto(k / "koe", "");
         fs::rename(k / "koe", muuLevy + "/koe", e);
         fs::remove(muuLevy + "/koe");
         return e == std::errc::cross_device_link ? "" : "/dev/shm on samalla levyllä";
       }},
      {"viimeistely ilman uutta tiedostoa", t00("1000003-3") + "T10 a\r\n", {"--aikaleima"}, 0,
       {"KESKEYTYNYT PALOITTELU VIIMEISTELTY: Keskeytynyt paloittelu viimeisteltiin: "},
       {"Keskeytynyt paloittelu viimeistelty: "}, Tiliote::paikallaan,
       [](const testi::Kansio& k) {
         fs::rename(k / "TITO.TXT", k / "EKA.TXT");
         katkaiseKirjanKanssa(k / "EKA.TXT", k / "ulos");
         return std::string();
       }},
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::Kansio k;
    alusta::luoHakemisto(k / "ulos");
    const std::string tiedosto = k / "TITO.TXT";
    testi::kirjoitaTiedosto(tiedosto, t.sisalto);
    if (t.valmistele) {
      const std::string miksiEi = t.valmistele(k);
      if (!miksiEi.empty()) {
        std::cout << "[ ohitettu ] " << t.kuvaus << ": " << miksiEi << "\n";
        continue;
      }
    }
    const bool oliLinkki = fs::is_symlink(tiedosto);
    std::vector<std::string> argumentit = t.valinnat;
    argumentit.insert(argumentit.end(), {"--kohde", k / t.kohde, k / t.annettu});
    const Tulos r = aja(argumentit);
    EXPECT_EQ(r.koodi, t.koodi) << r.ulos << r.virhe;
    for (const std::string& osa : t.virheessa) EXPECT_NE(r.virhe.find(osa), std::string::npos) << osa << "\n" << r.virhe;
    for (const std::string& osa : t.ulostulossa) EXPECT_NE(r.ulos.find(osa), std::string::npos) << osa << "\n" << r.ulos;
    std::vector<std::string> tuodut;
    if (fs::is_directory(k / "TUODUT")) tuodut = testi::tiedostot(k / "TUODUT");
    switch (t.tiliote) {
      case Tiliote::paikallaan:
        if (t.koodi == 1) break;
        EXPECT_EQ(fs::is_symlink(tiedosto), oliLinkki);
        if (fs::exists(tiedosto)) { EXPECT_EQ(testi::lueTiedosto(tiedosto), t.sisalto); }
        if (t.koodi != 0) { EXPECT_TRUE(tuodut.empty()) << tuodut[0]; }
        break;
      case Tiliote::sivuun:
        EXPECT_FALSE(testi::onOlemassa(tiedosto));
        EXPECT_EQ(tuodut.size(), 1u);
        if (tuodut.size() != 1) break;
        EXPECT_EQ(tuodut[0].substr(17), "-TITO.TXT.hylatty");
        EXPECT_EQ(testi::lueTiedosto(k / "TUODUT" + S + tuodut[0]), t.sisalto);
        break;
      case Tiliote::arkistoitu:
        EXPECT_FALSE(testi::onOlemassa(tiedosto));
        EXPECT_EQ(tuodut.size(), 1u);
        if (tuodut.size() == 1) { EXPECT_EQ(tuodut[0].substr(17), "-TITO.TXT"); }
        break;
    }
    // Nothing refused or failed reaches a company file.
    if (t.koodi != 0) { EXPECT_TRUE(testi::tiedostot(k / "ulos").empty()); }
  }
  fs::remove_all(muuLevy);
}

// A statement of many small batches: long enough to be killed in the middle, also when this
// process is slow to see the journal on a loaded machine.
std::string pitkaTiliote() {
  std::string s = "ennen\r\n";
  for (int e = 0; e < 12000; ++e) {
    testi::T00 t;
    t.asiakas = std::to_string(1000000 + e % 40) + "-" + std::to_string(e % 7);
    s += t.rivi() + "\r\n";
    for (int i = 0; i < 6; ++i) s += "T10 " + std::to_string(e) + " " + std::string(60 + i, 'x') + "\r\n";
  }
  return s;
}

std::map<std::string, std::string> sisallot(const std::string& kansio) {
  std::map<std::string, std::string> m;
  for (const std::string& n : testi::tiedostot(kansio)) m[n] = testi::lueTiedosto(kansio + S + n);
  return m;
}

std::vector<std::string> kirjat(const std::string& tuodut) {
  std::vector<std::string> v;
  if (!testi::onOlemassa(tuodut)) return v;
  for (const std::string& n : testi::tiedostot(tuodut))
    if (n.size() > 7 && n.compare(n.size() - 7, 7, ".kesken") == 0) v.push_back(n);
  return v;
}

// Waits until the running split has written its journal.
bool kirjaSyntyy(const std::string& tuodut) {
  for (int i = 0; i < 20000; ++i) {
    if (!kirjat(tuodut).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// kolvanto-cli killed (SIGKILL, TerminateProcess) while it splits with archiving, at points
// spread over the run: the next run, with a new statement file, finishes the cut-off split,
// and every company file holds what uninterrupted runs over both files give.
TEST_F(Cli, TapettuPaloitteluViimeistellaanKerran) {
  const std::string eka = pitkaTiliote();
  const std::string toka = t00("1000003-3") + "T10 toka\r\n" + t00("9999999-9") + "T10 toka\r\n";
  std::map<std::string, std::string> odotettu;
  {
    testi::Kansio v;
    for (const std::string* t : {&eka, &toka}) {
      testi::kirjoitaTiedosto(v / "TITO.TXT", *t);
      ASSERT_EQ(aja({"--ei-aikaleimaa", "--luo-hakemisto", "--kohde", v / "ulos", v / "TITO.TXT"}).koodi, 0);
    }
    odotettu = sisallot(v / "ulos");
  }
  int kesken = 0;
  for (int kerta = 0; kerta < 6; ++kerta) {
    SCOPED_TRACE("kerta " + std::to_string(kerta));
    testi::Kansio k;
    testi::kirjoitaTiedosto(k / "TITO.TXT", eka);
    alusta::luoHakemisto(k / "ulos");
    {
      testi::Kaynnissa ajo(ohjelma, {"--aikaleima", "--kohde", k / "ulos", k / "TITO.TXT"});
      ASSERT_TRUE(kirjaSyntyy(k / "TUODUT"));
      std::this_thread::sleep_for(std::chrono::milliseconds(kerta * 7));
      ajo.tapa();
    }
    kesken += !kirjat(k / "TUODUT").empty();
    // Killed after its journal was made but before the statement file moved: that file is
    // still in place, whole, and the next run over it splits it.
    if (testi::onOlemassa(k / "TITO.TXT")) {
      EXPECT_EQ(testi::lueTiedosto(k / "TITO.TXT"), eka);
      std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // another archive name
      const Tulos r = aja({"--aikaleima", "--kohde", k / "ulos", k / "TITO.TXT"});
      EXPECT_EQ(r.koodi, 0) << r.virhe;
    }
    // Another name: two archives of one name within a second would clash.
    testi::kirjoitaTiedosto(k / "TITO2.TXT", toka);
    const Tulos r = aja({"--aikaleima", "--kohde", k / "ulos", k / "TITO2.TXT"});
    EXPECT_EQ(r.koodi, 0) << r.virhe;
    EXPECT_EQ(sisallot(k / "ulos"), odotettu);
    EXPECT_TRUE(kirjat(k / "TUODUT").empty());
    if (r.ulos.find("Keskeytynyt paloittelu viimeistelty: ") == std::string::npos) {
      EXPECT_TRUE(r.ulos.find("Keskeytynyt") == std::string::npos);
    }
  }
  std::cout << "[ kesken   ] " << kesken << "/6 tapettiin kesken paloittelun\n";
  EXPECT_GE(kesken, 1);
}

// A run started while another still splits leaves that one's journal alone and splits its
// own file; the first one then completes as if alone.
TEST_F(Cli, ToinenAjoJattaaElavanKirjan) {
  const std::string eka = pitkaTiliote();
  const std::string toka = t00("9999999-9") + "T10 toka\r\n";
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "TITO.TXT", eka);
  testi::kirjoitaTiedosto(k / "TOINEN.TXT", toka);
  alusta::luoHakemisto(k / "ulos");
  testi::Kaynnissa ajo(ohjelma, {"--aikaleima", "--kohde", k / "ulos", k / "TITO.TXT"});
  ASSERT_TRUE(kirjaSyntyy(k / "TUODUT"));
  const Tulos toinen = aja({"--aikaleima", "--kohde", k / "ulos", k / "TOINEN.TXT"});
  const testi::Ajettu eka1 = ajo.odota();
  EXPECT_EQ(toinen.koodi, 0) << toinen.virhe;
  EXPECT_EQ(toinen.ulos.find("Keskeytynyt"), std::string::npos) << toinen.ulos;
  EXPECT_EQ(eka1.koodi, 0) << eka1.virhe;
  EXPECT_TRUE(kirjat(k / "TUODUT").empty());
  EXPECT_EQ(testi::lueTiedosto(k / "ulos" + S + "TITO-2018-08-9999999-9.TXT"), toka);
}

// A split cut off by a failed write in this process (the first write into a company file, so
// everything is left to finish); the next kolvanto-cli run finishes it and counts what it
// wrote: TITO batches, XML statements.
// Each statement another, by its Id: the same bytes twice would be one statement delivered twice.
std::string xmlAsiakirja(const std::vector<std::string>& ibanit) {
  static int juokseva = 0;
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\n";
  for (const std::string& iban : ibanit)
    s += "<Stmt><Id>S" + iban + "-" + std::to_string(++juokseva) + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + iban +
         "</IBAN></Id></Acct></Stmt>\n";
  return s + "</BkToCstmrStmt></Document>\n";
}

TEST_F(Cli, ViimeistellynYhteenvetoLaskeeEratTaiTiliotteet) {
  struct {
    const char* kuvaus;
    std::string eka, toka;
    std::vector<std::string> avain;
    const char* maara;  // what finishing the cut-off split wrote
  } const tapaukset[] = {
      {"TITO", t00("1000003-3") + "T10 a\r\n" + t00("9999999-9") + "T10 b\r\n" + t00("1000003-3"),
       t00("1000003-3") + "T10 c\r\n", {}, "3 erää"},
      {"XML", xmlAsiakirja({"FI11", "FI22"}) + xmlAsiakirja({"FI11", "FI33"}), xmlAsiakirja({"FI22"}),
       {"--avain", "tilinumero"}, "4 tiliotetta"},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::Kansio k;
    alusta::luoHakemisto(k / "ulos");
    testi::kirjoitaTiedosto(k / "EKA.TXT", t.eka);
    split::PaloitteluAsetukset a;
    if (t.avain.empty()) a.valitse(split::PaloitteluAsetukset::Tunniste::asiakastunnus);
    else a.valitse(split::PaloitteluAsetukset::Tunniste::tilinumero);
    a.tiliotetiedosto = k / "EKA.TXT";
    a.kohdehakemisto = k / "ulos";
    a.arkistoi = true;
    {
      testi::Ymparisto ymp;
      alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
          [&](alusta::Vaihe v, const std::string& polku, std::size_t) -> std::optional<alusta::Vika> {
            if (v != alusta::Vaihe::kirjoita || polku.rfind(k / "ulos", 0) != 0 || polku.find(".kolvanto-") != std::string::npos)
              return std::nullopt;
            return alusta::Vika{euro::virhenro::levyTaynna};
          });
      const bool valmis = split::paloittele(a, [] { return alusta::Aika{2024, 4, 1, 6, 0, 0}; }).valmis;
      alusta::asetaVikakoukku(std::move(edellinen));
      ASSERT_FALSE(valmis);
      ASSERT_EQ(ymp.virheet.size(), 1u);
    }
    ASSERT_EQ(kirjat(k / "TUODUT").size(), 1u);
    testi::kirjoitaTiedosto(k / "TOKA.TXT", t.toka);
    std::vector<std::string> argumentit = {"--aikaleima", "--kohde", k / "ulos"};
    argumentit.insert(argumentit.end(), t.avain.begin(), t.avain.end());
    argumentit.push_back(k / "TOKA.TXT");
    const Tulos r = aja(argumentit);
    EXPECT_EQ(r.koodi, 0) << r.virhe;
    const std::string arkisto = k / "TUODUT" + S + "2024-04-01+060000-EKA.TXT";
    EXPECT_NE(r.ulos.find("Keskeytynyt paloittelu viimeistelty: " + euro::ansiUtf8(arkisto) + ": " + t.maara + "\n"),
              std::string::npos)
        << r.ulos;
    EXPECT_TRUE(kirjat(k / "TUODUT").empty());
  }
}

// The bank program of the tests: run as a second process of this binary, it holds the file
// KOLVANTO_PIDETTAVA open for appending, says so by making <file>.auki, and when <file>.vapauta
// appears appends KOLVANTO_LISATTAVA through that handle and closes it.
TEST(Pankkiohjelma, DISABLED_PitaaAuki) {
  const std::optional<std::string> polku = alusta::ymparistomuuttuja("KOLVANTO_PIDETTAVA");
  if (!polku) GTEST_SKIP() << "vain toisena prosessina";
  alusta::Tiedosto t(*polku, alusta::Tila::lisaa);
  testi::kirjoitaTiedosto(*polku + ".auki", "");
  for (int i = 0; i < 3000 && !testi::onOlemassa(*polku + ".vapauta"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  t.kirjoita(alusta::ymparistomuuttuja("KOLVANTO_LISATTAVA").value_or(""));
  t.sulje();
}

// The reproduction: the bank program holds the statement file open while the split
// runs. The file is left where it was, the run says why and exits 2 (neither done nor "no
// file today"); once the bank program has written its next batch and closed the file, the
// next run archives and splits every batch.
TEST_F(Cli, PankkiohjelmanAvoinTiedostoJaaPaikalleen) {
  const std::string eka = t00("1000003-3") + "T10 a\r\n";
  const std::string toka = t00("9999999-9") + "T10 b\r\n";
  const std::string tiliote = kansio / "TITO.TXT";
  testi::kirjoitaTiedosto(tiliote, eka);
  alusta::luoHakemisto(kansio / "ulos");
  testi::Ajo ajo;
  ajo.ymparisto = {{"KOLVANTO_PIDETTAVA", tiliote}, {"KOLVANTO_LISATTAVA", toka}};
  testi::Kaynnissa pankki(alusta::ohjelmanHakemisto() + S + alusta::ohjelmanNimi(),
                          {"--gtest_also_run_disabled_tests", "--gtest_filter=Pankkiohjelma.DISABLED_PitaaAuki"}, ajo);
  for (int i = 0; i < 3000 && !testi::onOlemassa(tiliote + ".auki"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(testi::onOlemassa(tiliote + ".auki"));

  const std::vector<std::string> argumentit = {"--aikaleima", "--kohde", kansio / "ulos", tiliote};
  Tulos r = aja(argumentit);
  EXPECT_EQ(r.koodi, 2) << r.ulos << r.virhe;
  EXPECT_EQ(r.virhe, euro::ansiUtf8(ansi("PALOITTELUA EI TEHTY: Pankkiohjelma kirjoittaa vielä tiedostoa ") + tiliote +
                                    ansi(": se jätettiin paikalleen, sitä ei siirretty eikä paloiteltu. Paloittele "
                                         "uudelleen, kun pankkiohjelma on lopettanut.\n")));
  EXPECT_EQ(testi::lueTiedosto(tiliote), eka);
  EXPECT_TRUE(testi::tiedostot(kansio / "ulos").empty());

  testi::kirjoitaTiedosto(tiliote + ".vapauta", "");
  const testi::Ajettu p = pankki.odota();
  ASSERT_EQ(p.koodi, 0) << p.ulos;
  r = aja(argumentit);
  EXPECT_EQ(r.koodi, 0) << r.virhe;
  EXPECT_FALSE(testi::onOlemassa(tiliote));
  EXPECT_EQ(testi::lueTiedosto(kansio / "ulos" + S + "TITO-2018-08-1000003-3.TXT"), eka);
  EXPECT_EQ(testi::lueTiedosto(kansio / "ulos" + S + "TITO-2018-08-9999999-9.TXT"), toka);
}

}  // namespace

TEST(Prosessi, LainausWindowsinSaannoin) {
  const std::pair<const char*, const char*> tapaukset[] = {
      {"a", "a"},
      {"", "\"\""},
      {"a b", "\"a b\""},
      {"C:\\x y\\", "\"C:\\x y\\\\\""},
      {"a\"b", "\"a\\\"b\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"a\\b", "a\\b"},
  };
  for (const auto& [sisaan, odotettu] : tapaukset) EXPECT_EQ(testi::lainaaWindows(sisaan), odotettu);
}
