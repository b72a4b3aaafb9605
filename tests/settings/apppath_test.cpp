#include "settings/apppath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "euro/alusta/alusta.h"
#include "settings/lomake.h"
#include "settings/paloitteluasetukset.h"
#include "tuki/kayttaja.h"
#include "tuki/testituki.h"

namespace {

const std::string S(1, alusta::erotin);
const char* profiiliMuuttuja = alusta::onWindows ? "USERPROFILE" : "HOME";

struct Apppath : ::testing::Test {
  testi::Kansio kansio;
  std::string ohjelma = kansio / "ohjelma";
  std::string profiili = kansio / "profiili";
  std::optional<std::string> vanhaProfiili = alusta::ymparistomuuttuja(profiiliMuuttuja);
  std::string vanhaHakemisto = alusta::nykyinenHakemisto();

  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    alusta::luoHakemisto(profiili);
    alusta::asetaYmparistomuuttuja(profiiliMuuttuja, profiili);
  }
  void TearDown() override {
    alusta::vaihdaHakemisto(vanhaHakemisto);
    alusta::asetaYmparistomuuttuja(profiiliMuuttuja, vanhaProfiili);
    settings::nollaaApppath();
  }
  std::string aja(const std::optional<std::string>& merkki) {
    if (merkki) testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", *merkki);
    settings::nollaaApppath(ohjelma);
    return settings::fe_apppath();
  }
};

TEST_F(Apppath, MerkkitiedostonMuodot) {
  const std::string tiedot = kansio / "Tiedot";
  alusta::luoHakemisto(tiedot);
  alusta::luoHakemisto(profiili + S + "Kirjanpito");
  struct {
    const char* kuvaus;
    std::optional<std::string> merkki;
    std::string odotettu;
    bool vaihtaa;
  } const tapaukset[] = {
      {"ei merkkia", std::nullopt, ohjelma, false},
      {"tyhja rivi", "\r\n" + tiedot, ohjelma, false},
      {"polku", tiedot + "\r\ntoinen rivi", tiedot, true},
      {"polku ja erotin", tiedot + S, tiedot, true},
      {"lf-rivinvaihto", tiedot + "\ntoinen rivi\n", tiedot, true},
      {"puuttuva", kansio / "eiole", ohjelma, false},
      {"suhteellinen", "Tiedot", ohjelma, false},
      {"tahti ilman kansioita", " * ", profiili, true},
      {"tahti ja polku", "*Kirjanpito", profiili + S + "Kirjanpito", true},
      {"tahti ja erotin", "* " + S + "Kirjanpito ", profiili + S + "Kirjanpito", true},
      {"tyhja ennen tahtea", " *Kirjanpito", ohjelma, false},
  };
  for (const auto& t : tapaukset) {
    alusta::vaihdaHakemisto(vanhaHakemisto);
    if (!t.merkki && testi::onOlemassa(ohjelma + S + "ainehake.oma"))
      alusta::poistaTiedosto(ohjelma + S + "ainehake.oma");
    EXPECT_EQ(aja(t.merkki), t.odotettu) << t.kuvaus;
    EXPECT_EQ(alusta::nykyinenHakemisto(), t.vaihtaa ? t.odotettu : vanhaHakemisto) << t.kuvaus;
  }
}

TEST_F(Apppath, DokumenttikansiotJarjestyksessa) {
  alusta::luoHakemisto(profiili + S + "Mina dokument");
  EXPECT_EQ(aja("*"), profiili + S + "Mina dokument");
  alusta::luoHakemisto(profiili + S + "My documents");
  EXPECT_EQ(aja("*"), profiili + S + "My documents");
  alusta::luoHakemisto(profiili + S + "Omat tiedostot");
  EXPECT_EQ(aja("*"), profiili + S + "Omat tiedostot");
}

TEST_F(Apppath, IlmanProfiiliaJaToinenKutsu) {
  alusta::asetaYmparistomuuttuja(profiiliMuuttuja, std::nullopt);
  EXPECT_EQ(aja("*"), ohjelma);
  EXPECT_EQ(aja("*Kirjanpito"), ohjelma);
  alusta::asetaYmparistomuuttuja(profiiliMuuttuja, profiili);
  // The first result holds for the whole process, whatever the marker says later.
  EXPECT_EQ(aja("*"), profiili);
  testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", ohjelma);
  EXPECT_EQ(settings::fe_apppath(), profiili);
}

// A program in a folder the user cannot write (installed in /usr/bin) keeps its files in the
// user's data folder on Linux; the marker file still wins, and Windows keeps the program's
// folder whatever its rights.
TEST_F(Apppath, KirjoittamatonOhjelmakansio) {
  const std::optional<std::string> vanhaXdg = alusta::ymparistomuuttuja("XDG_DATA_HOME");
  const std::optional<std::string> vanhaKoti = alusta::ymparistomuuttuja("HOME");
  const std::string koti = kansio / "koti";
  const std::string xdg = kansio / "xdg";
  const std::string tiedot = kansio / "Tiedot";
  alusta::luoHakemisto(koti);
  alusta::luoHakemisto(tiedot);
  testi::kirjoitaTiedosto(kansio / "tiedosto", "");
  const std::string oletus = koti + S + ".local" + S + "share" + S + "kolvanto" + S;
  struct {
    const char* kuvaus;
    bool kirjoitettava;
    std::optional<std::string> merkki, xdgArvo, kotiArvo;
    std::string odotettu;  // on Linux; Windows always keeps the program's folder here
  } const tapaukset[] = {
      {"kirjoitettava", true, std::nullopt, std::nullopt, koti, ohjelma},
      {"oletuskansio luodaan", false, std::nullopt, std::nullopt, koti, oletus},
      {"oletuskansio on jo", false, std::nullopt, std::nullopt, koti, oletus},
      {"XDG_DATA_HOME", false, std::nullopt, xdg, koti, xdg + S + "kolvanto" + S},
      {"XDG_DATA_HOME erottimella", false, std::nullopt, xdg + S, koti, xdg + S + "kolvanto" + S},
      {"suhteellinen XDG_DATA_HOME", false, std::nullopt, "xdg", koti, oletus},
      {"merkki voittaa", false, tiedot, xdg, koti, tiedot},
      {"merkki ei johda minnekaan", false, kansio / "eiole", xdg, koti, xdg + S + "kolvanto" + S},
      {"ei kotia", false, std::nullopt, std::nullopt, std::nullopt, ohjelma},
      {"kansiota ei voi luoda", false, std::nullopt, kansio / "tiedosto", koti, ohjelma},
  };
  for (const auto& t : tapaukset) {
    alusta::vaihdaHakemisto(vanhaHakemisto);
    if (testi::onOlemassa(ohjelma + S + "ainehake.oma")) alusta::poistaTiedosto(ohjelma + S + "ainehake.oma");
    if (t.merkki) testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", *t.merkki);
    alusta::asetaYmparistomuuttuja("XDG_DATA_HOME", t.xdgArvo);
    alusta::asetaYmparistomuuttuja("HOME", t.kotiArvo);
    settings::nollaaApppath(ohjelma, t.kirjoitettava);
    const std::string tulos = settings::fe_apppath();
    alusta::asetaYmparistomuuttuja("XDG_DATA_HOME", vanhaXdg);
    alusta::asetaYmparistomuuttuja("HOME", vanhaKoti);
    const bool omaKansio = !alusta::onWindows && t.odotettu.back() == alusta::erotin;
    if constexpr (alusta::onWindows) {
      EXPECT_EQ(tulos, t.merkki == tiedot ? tiedot : ohjelma) << t.kuvaus;
    } else {
      EXPECT_EQ(tulos, t.odotettu) << t.kuvaus;
    }
    if (!omaKansio) continue;
    // The settings file lies inside the folder, beside the error log; the folder is the
    // user's alone, and the current directory is not moved there.
    EXPECT_EQ(settings::asetustiedosto(tulos), t.odotettu + "TITO-JAKO.OMA") << t.kuvaus;
    EXPECT_EQ(alusta::nykyinenHakemisto(), vanhaHakemisto) << t.kuvaus;
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(t.odotettu).permissions() & fs::perms::all, fs::perms::owner_all) << t.kuvaus;
  }
  if constexpr (!alusta::onWindows) {
    // Missing levels were made too.
    EXPECT_TRUE(std::filesystem::is_directory(koti + S + ".local"));
    EXPECT_FALSE(testi::onOlemassa("xdg")) << "a relative XDG_DATA_HOME was used";
  }
}

// "*" makes the home folder the data directory, and the settings file's appended name falls
// in its parent, which an ordinary user cannot write: the settings are kept inside the home
// folder instead, after the values of an appended file already there have been read.
TEST_F(Apppath, TahtiTallentaaTavallisenaKayttajana) {
  namespace fs = std::filesystem;
  testi::Ymparisto ymp;
  testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", "*\n");
  const std::string liitetty = profiili + "TITO-JAKO.OMA", sisalla = profiili + S + "TITO-JAKO.OMA";
  testi::kirjoitaTiedosto(liitetty, "txtArvo = vanha\r\n");
  auto lue = [&] {
    settings::Lomake l(1);
    l[0].laji = settings::Laji::tekstilaatikko;
    l[0].nimi = "txtArvo";
    settings::se_LueFormi(settings::luettavaAsetustiedosto(settings::fe_apppath()), l);
    return l;
  };
  if constexpr (!alusta::onWindows) {
    fs::permissions(kansio.polku(), static_cast<fs::perms>(0755));
    fs::permissions(ohjelma, static_cast<fs::perms>(0755));
    fs::permissions(liitetty, static_cast<fs::perms>(0644));
    testi::annaTavalliselle(profiili);
  }
  testi::Tavallisena ajo = testi::tavallisenaKayttajana([&] {
    settings::nollaaApppath(ohjelma, false);
    const std::string data = settings::fe_apppath();
    std::string tulos = data + "|" + settings::asetustiedosto(data) + "|" + lue()[0].arvo;
    settings::Lomake l = lue();
    l[0].arvo = "uusi";
    settings::se_TallennaFormi(settings::asetustiedosto(data), l);
    tulos += "|" + lue()[0].arvo + "|" + std::to_string(ymp.viestit.viestit.size());
    return tulos;
  });
  if (!ajo.tulos) GTEST_SKIP() << ajo.syy;
  EXPECT_EQ(*ajo.tulos, profiili + "|" + sisalla + "|vanha|uusi|0");
  EXPECT_EQ(testi::lueTiedosto(sisalla), "txtArvo = uusi\r\n");
  EXPECT_EQ(testi::lueTiedosto(liitetty), "txtArvo = vanha\r\n");
}

// Where the user can write the parent, the appended name stays, as existing offices have it.
TEST_F(Apppath, LiitettyNimiPysyyKirjoitettavassa) {
  testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", "*\n");
  settings::nollaaApppath(ohjelma, true);
  const std::string data = settings::fe_apppath();
  EXPECT_EQ(data, profiili);
  EXPECT_EQ(settings::asetustiedosto(data), profiili + "TITO-JAKO.OMA");
  EXPECT_EQ(settings::luettavaAsetustiedosto(data), profiili + "TITO-JAKO.OMA");
  // Once a file lies inside, it is the one.
  testi::kirjoitaTiedosto(profiili + S + "TITO-JAKO.OMA", "");
  EXPECT_EQ(settings::asetustiedosto(data), profiili + S + "TITO-JAKO.OMA");
  EXPECT_EQ(settings::luettavaAsetustiedosto(data), profiili + S + "TITO-JAKO.OMA");
}

}  // namespace
