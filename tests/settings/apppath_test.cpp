#include "settings/apppath.h"

#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
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

}  // namespace
