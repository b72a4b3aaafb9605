#include "euro/kuori.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "tuki/muuttujat.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
const std::string S(1, alusta::erotin);

TEST(Kuori, UrlKoodaaJaHeksa2) {
  struct {
    std::string arvo, tulos;
  } const tekstit[] = {
      {ansi("Tiedostoa ei löydy"), "Tiedostoa;ei;l%F6ydy"},
      {"(virhe 53)", "%28virhe;53%29"},
      {"a_b/c:d", "a%5Fb%2Fc%3Ad"},
      {ansi("Ä"), "%C4"},
      {"", ""},
      {"ABC xyz;.-09", "ABC;xyz;.-09"},  // the alphabet in either case, ";" kept
      {"?&=+%", "%3F%26%3D%2B%25"},
      {ansi("€å\t"), "%80%E5%09"},
      {std::string("\0", 1), "%00"},
  };
  for (const auto& t : tekstit) EXPECT_EQ(euro::fe_UrlKoodaa(t.arvo), t.tulos) << t.arvo;

  EXPECT_EQ(euro::fe_UrlKoodaa(53), "53");
  EXPECT_EQ(euro::fe_UrlKoodaa(-9099), "-9099");
  EXPECT_EQ(euro::fe_UrlKoodaa(std::int16_t{0}), "0");

  struct {
    int koodi;
    const char* tulos;
  } const koodit[] = {{0, "00"}, {10, "0A"}, {16, "10"}, {246, "F6"}, {255, "FF"}};
  for (const auto& k : koodit)
    EXPECT_EQ(euro::fe_Heksa2(static_cast<std::uint8_t>(k.koodi)), k.tulos) << k.koodi;
}

TEST(Kuori, OnkoWin3) {
  auto sana = [](unsigned paa, unsigned ala) { return static_cast<std::uint32_t>(paa | (ala << 8)); };
  const std::optional<std::string> nt = "Windows_NT", eiOs;
  struct {
    std::uint32_t versio;
    std::optional<std::string> os;
    bool tulos;
  } const tapaukset[] = {
      {sana(3, 10), eiOs, true},
      {sana(3, 10), nt, false},
      {sana(3, 11), std::string("windows_nt"), true},  // only the exact text counts
      {sana(3, 12), eiOs, true},
      {sana(3, 2), eiOs, false},  // 3.2 is above 3.12
      {sana(3, 95), eiOs, false},
      {sana(2, 30), std::string(""), true},
      {sana(4, 0), eiOs, false},
      {sana(6, 1) | 0x1DB10000u, nt, false},  // the build number in the high word plays no part
  };
  for (const auto& t : tapaukset)
    EXPECT_EQ(euro::onkoWin3(t.versio, t.os), t.tulos) << std::hex << t.versio << " " << t.os.value_or("-");
  // Linux, and Wine's 6.1, are no Windows 3.x.
  EXPECT_FALSE(euro::fe_OnkoWin3());
}

struct TempHakemisto : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  testi::Muuttujat muuttujat;
  void SetUp() override {
    for (const char* n : {"TEMP", "TMP", "TMPDIR", "XDG_RUNTIME_DIR"}) muuttujat.aseta(n, std::nullopt);
  }
};

TEST_F(TempHakemisto, MuuttujatJaVaravaihtoehdot) {
  const std::string k = kansio.polku(), puuttuva = kansio / "ei-ole";
  const std::string toinen = kansio / "toinen";
  alusta::luoHakemisto(toinen);
  struct Tapaus {
    const char* kuvaus;
    std::optional<std::string> temp, tmp, tmpdir;
    std::string data;
    std::string tulos;
    std::optional<std::string> xdg = std::nullopt;
  };
  const auto nl = std::nullopt;
  // Where a missing directory leads: on Windows the data directory's drive, not tested again.
  const std::string varalla =
      alusta::onWindows ? std::string{euro::pieneksi(toinen[0]), ':', '\\'} : toinen + S;
  std::vector<Tapaus> tapaukset = {
      {"TEMP sellaisenaan", k, toinen, nl, "", k + S},
      {"TEMP erottimen kanssa", k + S, nl, nl, "", k + S},
      {"tyhja TEMP: TMP", std::string("  "), toinen, nl, "", toinen + S},
      {"puuttuva TEMP: varalle", puuttuva, toinen, nl, toinen, varalla},
      // Only the emptiness test trims: the blanks make a directory that is not there.
      {"TEMP tyhjein ymparilla", " " + k + " ", nl, nl, toinen, varalla},
  };
  if constexpr (alusta::onWindows) {
    tapaukset.push_back({"ei muuttujia: datan aseman juuri", nl, nl, nl, "Z:\\data", "Z:\\"});
    tapaukset.push_back({"aseman juurta ei ole: pieni kirjain ilman testia", nl, nl, nl, "Q:\\data", "q:\\"});
    tapaukset.push_back({"puuttuva TEMP: verkkopolku", puuttuva, nl, nl, "\\\\palvelin\\jako", "\\\\palvelin\\jako\\"});
    tapaukset.push_back({"puuttuva TEMP: aseman kirjain", puuttuva, nl, nl, "Z:\\ei\\ole", "z:\\"});
    tapaukset.push_back({"TMPDIR ei kuulu Windowsiin", nl, nl, k, "Z:\\data", "Z:\\"});
  } else {
    tapaukset.push_back({"TMPDIR", nl, std::string(""), k, toinen, k + S});
    tapaukset.push_back({"ei muuttujia: /tmp", nl, nl, nl, toinen, "/tmp/"});
    tapaukset.push_back({"puuttuva TMPDIR: datahakemisto", nl, nl, puuttuva, toinen, toinen + S});
    tapaukset.push_back({"ei muuttujia eika dataa", puuttuva, nl, nl, "", "/"});
    tapaukset.push_back({"istunnon oma kansio ennen /tmp", nl, nl, nl, toinen, k + S, k});
    tapaukset.push_back({"TMPDIR ennen istunnon kansiota", nl, nl, toinen, "", toinen + S, k});
    tapaukset.push_back({"puuttuva istunnon kansio: /tmp", nl, nl, nl, toinen, "/tmp/", puuttuva});
    tapaukset.push_back({"suhteellinen istunnon kansio: /tmp", nl, nl, nl, toinen, "/tmp/", std::string(".")});
  }
  for (const auto& t : tapaukset) {
    muuttujat.aseta("TEMP", t.temp);
    muuttujat.aseta("TMP", t.tmp);
    muuttujat.aseta("TMPDIR", t.tmpdir);
    muuttujat.aseta("XDG_RUNTIME_DIR", t.xdg);
    ymp.ohjelma.datahakemisto = t.data;
    EXPECT_EQ(euro::fe_TempHakemisto(), t.tulos) << t.kuvaus;
    // In the shared /tmp the preview's name is the user's own; elsewhere the folder is.
    const std::string oma = t.tulos == "/tmp/" ? "~TITO-T00-" + alusta::kayttajanNimi() + ".TMP" : "~TITO-T00.TMP";
    EXPECT_EQ(euro::fe_TempTiedosto("~TITO-T00.TMP"), t.tulos + oma) << t.kuvaus;
  }
}

TEST(Kuori, KaynnistimelleMeneeSeMitaAlustaKaynnistaisi) {
  testi::Ymparisto ymp;
  ymp.kaynnistin.avausKoodi = 31;
  const std::string kansio = alusta::onWindows ? "C:\\Tiliotteet\\" : "/srv/tiliotteet/";
  const std::string tiedosto = alusta::onWindows ? "C:\\Temp\\~TITO-T00.TMP" : "/tmp/~TITO-T00.TMP";

  // The shell's codes come back as they are.
  EXPECT_EQ(euro::fe_AvaaOsoite("https://www.example.fi/kolvanto.htm"), 31);
  EXPECT_EQ(euro::fe_KaynnistaTiedosto("etatuki.bat", ""), 31);
  ymp.kaynnistin.avausKoodi = 42;
  EXPECT_EQ(euro::fe_KaynnistaTiedosto("ohjelma.exe", "/s -x"), 42);
  euro::se_AvaaKansio(kansio);
  euro::se_AvaaMuistiossa(tiedosto);

  const std::string juuri = alusta::onWindows ? "C:\\" : "/";
  std::vector<testi::Kaynnistys> odotetut = {
      {"https://www.example.fi/kolvanto.htm", "", juuri, false, false},
      {"etatuki.bat", "", "", false, false},
      {"ohjelma.exe", "/s -x", "", false, false},
  };
  if constexpr (alusta::onWindows) {
    odotetut.push_back({"explorer /e , C:\\Tiliotteet\\", "", "", true, true});
    odotetut.push_back({"NOTEPAD C:\\Temp\\~TITO-T00.TMP", "", "", true, false});
  } else {
    odotetut.push_back({kansio, "", "", false, false});
    odotetut.push_back({tiedosto, "", "", false, false});
  }
  EXPECT_EQ(ymp.kaynnistin.kaynnistykset, odotetut);
  EXPECT_TRUE(ymp.virheet.empty());
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

TEST(Kuori, KaynnistysvirheMeneeKutsujalle) {
  testi::Ymparisto ymp;
  auto numero = [](auto&& f) -> std::int32_t {
    try {
      f();
    } catch (const euro::Virhe& v) {
      return v.numero();
    }
    return 0;
  };
  auto kansio = [] { euro::se_AvaaKansio(alusta::onWindows ? "C:\\x\\" : "/x/"); };
  auto muistio = [] { euro::se_AvaaMuistiossa(alusta::onWindows ? "C:\\x.txt" : "/x.txt"); };
  if constexpr (alusta::onWindows) {
    ymp.kaynnistin.kaynnistysEpaonnistuu = true;
    EXPECT_EQ(numero(kansio), euro::virhenro::tiedostoaEiLoydy);
    EXPECT_EQ(numero(muistio), euro::virhenro::tiedostoaEiLoydy);
  } else {
    // The opener's codes of 32 or less are failures to start.
    struct {
      int koodi;
      std::int32_t numero;
    } const tapaukset[] = {{2, 53}, {31, 5}, {32, 5}, {33, 0}};
    for (const auto& t : tapaukset) {
      ymp.kaynnistin.avausKoodi = t.koodi;
      EXPECT_EQ(numero(kansio), t.numero) << t.koodi;
      EXPECT_EQ(numero(muistio), t.numero) << t.koodi;
    }
  }
  // Nobody reports on the routines' behalf: the caller does, by its own convention.
  EXPECT_TRUE(ymp.virheet.empty());
}

// The real launcher, where it starts nothing: a program or file that is not there.
TEST(JarjestelmanKaynnistin, PuuttuvaOhjelmaTaiTiedosto) {
  testi::Kansio k;
  euro::JarjestelmanKaynnistin j;
  try {
    j.kaynnista("kolvanto-ei-ole-olemassa-7431 /x", false);
    ADD_FAILURE() << "ei heittanyt";
  } catch (const euro::Virhe& v) {
    EXPECT_EQ(v.numero(), euro::virhenro::tiedostoaEiLoydy);
    EXPECT_NE(v.viesti().find("kolvanto-ei-ole-olemassa-7431"), std::string::npos) << v.viesti();
  }
  if constexpr (alusta::onWindows) {
    int koodi = j.avaa(k / "ei-ole.txt", "", "");
    EXPECT_GE(koodi, 0);
    EXPECT_LE(koodi, 32);
  }
}

// --- The one test that starts a real program: a stand-in xdg-open, alone on PATH. ---

std::string lue(const std::string& polku) { return testi::onOlemassa(polku) ? testi::lueTiedosto(polku) : ""; }

// Fields 4 (parent) and 6 (session) of /proc/<pid>/stat.
std::pair<long, long> vanhempiJaIstunto(const std::string& stat) {
  std::istringstream s(stat.substr(stat.rfind(')') + 2));
  char tila;
  long vanhempi, ryhma, istunto;
  s >> tila >> vanhempi >> ryhma >> istunto;
  return {vanhempi, istunto};
}

// A tool the stand-ins run, by its full path, looked up before the test's PATH holds only its
// own folder (where a system's xdg-open, from xdg-utils, could otherwise be found).
std::string tyokalu(const std::string& nimi) {
  const char* p = std::getenv("PATH");
  std::istringstream polku(p ? p : "");
  for (std::string kansio; std::getline(polku, kansio, ':');) {
    if (kansio.empty() || kansio[0] != '/') continue;
    const std::filesystem::path t = std::filesystem::path(kansio) / nimi;
    std::error_code virhe;
    const auto tila = std::filesystem::status(t, virhe);
    if (std::filesystem::is_regular_file(tila) &&
        (tila.permissions() & std::filesystem::perms::others_exec) != std::filesystem::perms::none)
      return t.string();
  }
  ADD_FAILURE() << nimi << " ei ole PATHilla";
  return nimi;
}

TEST(JarjestelmanKaynnistin, AvaajaKaynnistyyIrrallaanJaKoodiKertooLopun) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "xdg-open kuuluu POSIX-puolelle";
  testi::Kansio k;
  testi::Muuttujat muuttujat;
  const std::string readlink = tyokalu("readlink"), cat = tyokalu("cat"), mkfifo = tyokalu("mkfifo");
  const std::string bin = k / "bin", tyhja = k / "tyhja", jaljet = k / "jaljet";
  alusta::luoHakemisto(bin);
  alusta::luoHakemisto(tyhja);
  const std::string avaaja = bin + "/xdg-open";
  auto kirjoitaAvaaja = [&](const std::string& runko, bool suoritettava = true) {
    testi::kirjoitaTiedosto(avaaja, "#!/bin/sh\n" + runko + "\n");
    std::filesystem::permissions(avaaja, suoritettava ? std::filesystem::perms::owner_all
                                                      : std::filesystem::perms::owner_read);
  };
  const std::string kirjaa = "printf '%s|' \"$@\" > " + jaljet + "; pwd >> " + jaljet +
                             "; virrat=\"$(" + readlink + " /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\"" +
                             "; echo \"$virrat\" >> " + jaljet;
  muuttujat.aseta("PATH", bin);
  euro::JarjestelmanKaynnistin j;

  struct {
    const char* kuvaus;
    std::string runko;
    int koodi;
  } const loput[] = {
      {"avasi", kirjaa + "; exit 0", 42},
      {"ei kasittelijaa (4)", "exit 4", 31},
      {"tyokalu puuttuu (3)", "exit 3", 31},
      {"tiedosto puuttuu (2)", "exit 2", 2},
      {"kaatui", "kill -9 $$", 31},
  };
  for (const auto& t : loput) {
    kirjoitaAvaaja(t.runko);
    EXPECT_EQ(j.avaa("-tiedosto oma.txt", "", "/"), t.koodi) << t.kuvaus;
  }
  // The target and the working directory as given, the standard streams on /dev/null; a
  // target that begins with "-" cannot pass for an option.
  EXPECT_EQ(lue(jaljet), "./-tiedosto oma.txt|/\n/dev/null\n/dev/null\n/dev/null\n");

  kirjoitaAvaaja("exit 0", false);
  EXPECT_EQ(j.avaa("/tmp", "", ""), 2) << "ei suoritettava";
  muuttujat.aseta("PATH", tyhja);
  EXPECT_EQ(j.avaa("/tmp", "", ""), 2) << "ei avaajaa";
  muuttujat.aseta("PATH", bin);

  // An opener that runs on: it cannot end before this process reads its pipe, so the call's
  // return shows it did not wait; it is neither a child nor in the session of this process.
  const std::string putki = k / "putki";
  ASSERT_EQ(testi::ajaOhjelma(mkfifo, {putki}).koodi, 0);
  kirjoitaAvaaja(cat + " /proc/$$/stat > " + putki);
  EXPECT_EQ(j.avaa(k.polku(), "", ""), 42);
  std::string stat = lue(putki);
  ASSERT_FALSE(stat.empty()) << "avaaja ei jatkanut";
  std::ifstream oma("/proc/self/stat");
  std::string omaStat((std::istreambuf_iterator<char>(oma)), {});
  long omaPid = std::stol(omaStat);
  auto [vanhempi, istunto] = vanhempiJaIstunto(stat);
  EXPECT_NE(vanhempi, omaPid);
  EXPECT_NE(istunto, vanhempiJaIstunto(omaStat).second);

  // A program given parameters runs itself, with them; a command line needs no shell.
  const std::string ohjelma = k / "ohjelma.sh";
  testi::kirjoitaTiedosto(ohjelma, "#!/bin/sh\nprintf '%s|' \"$@\" >> " + jaljet + "\n");
  std::filesystem::permissions(ohjelma, std::filesystem::perms::owner_all);
  std::remove(jaljet.c_str());
  EXPECT_EQ(j.avaa(ohjelma, "/s  -x", ""), 42);
  j.kaynnista(ohjelma + " 'a b' ;x", true);
  for (int i = 0; i < 600 && lue(jaljet).size() < 15; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::string jalki = lue(jaljet);
  EXPECT_TRUE(jalki == "/s|-x|'a|b'|;x|" || jalki == "'a|b'|;x|/s|-x|") << jalki;
}

}  // namespace
