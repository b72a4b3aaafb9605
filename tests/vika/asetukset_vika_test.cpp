// The settings file when saving fails half-way, on a full disk, and when the file is huge or
// its lines are: the file is always the old one or the new one, never a mix.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "settings/apppath.h"
#include "settings/lomake.h"
#include "settings/paloitteluasetukset.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using alusta::Vaihe;
using namespace std::string_literals;
const std::string S(1, alusta::erotin);

split::PaloitteluAsetukset vanhatArvot() {
  split::PaloitteluAsetukset a;
  a.tiliotetiedosto = "C:\\Pankki\\TITO.TXT";
  a.kohdehakemisto = "C:\\Tiliotteet";
  return a;
}

split::PaloitteluAsetukset uudetArvot() {
  split::PaloitteluAsetukset a;
  a.tiliotetiedosto = "D:\\Uusi pankki\\KERTYMA.TXT";
  a.nimenAlkuosa = "TITO-#-";
  a.valitse(split::PaloitteluAsetukset::Tunniste::positiot);
  a.posAlku = "10";
  a.posLoppu = "23";
  a.arkistoi = false;
  return a;
}

struct Asetukset : ::testing::Test {
  testi::Ymparisto ymp;

  void yksiTallennusvirhe(std::int32_t numero, const std::string& tapaus) {
    ASSERT_EQ(ymp.viestit.viestit.size(), 1u) << tapaus;
    const testi::Viesti& v = ymp.viestit.viestit[0];
    EXPECT_EQ(v.otsikko.rfind("Pulma lomakkeen oletustekstien tallennuksessa", 0), 0u) << tapaus;
    EXPECT_EQ(v.teksti.rfind("Virhe:" + std::to_string(numero) + "\n", 0), 0u) << tapaus << ": " << v.teksti;
    EXPECT_EQ(v.tyyli, euro::tyyli::huutomerkki) << tapaus;
    EXPECT_TRUE(ymp.virheet.empty()) << tapaus;
  }
};

// Every file step of a save fails in turn; a write after none, half or all of its bytes.
TEST_F(Asetukset, TallennusKatkeaaMissaTahansa) {
  std::string vanha, uusi;
  std::vector<vika::Kysymys> kysymykset;
  {
    testi::Kansio k;
    const std::string polku = k / "TITO-JAKO.OMA";
    settings::tallennaformi(polku, vanhatArvot());
    vanha = testi::lueTiedosto(polku);
    vika::Koukku koukku;
    settings::tallennaformi(polku, uudetArvot());
    uusi = testi::lueTiedosto(polku);
    kysymykset = koukku.kysymykset;
  }
  ASSERT_NE(vanha, uusi);
  ASSERT_GE(kysymykset.size(), 4u);  // open, write, flush to disk, replace
  for (bool vanhaOn : {true, false}) {
    for (std::size_t i = 0; i < kysymykset.size(); ++i) {
      const std::size_t n = kysymykset[i].n;
      std::vector<std::size_t> lapi = {0};
      if (kysymykset[i].vaihe == Vaihe::kirjoita) lapi = {0, n / 2, n};
      for (std::size_t l : lapi) {
        const std::string tapaus = std::string(vanhaOn ? "" : "ensimmäinen, ") + "kysymys " +
                                   std::to_string(i) + ", läpi " + std::to_string(l);
        testi::Kansio k;
        const std::string polku = k / "TITO-JAKO.OMA";
        if (vanhaOn) testi::kirjoitaTiedosto(polku, vanha);
        ymp.viestit.viestit.clear();
        {
          vika::Koukku koukku([&](const vika::Kysymys&, std::size_t j) -> std::optional<alusta::Vika> {
            if (j == i) return alusta::Vika{euro::virhenro::levyTaynna, l};
            return std::nullopt;
          });
          settings::tallennaformi(polku, uudetArvot());
        }
        yksiTallennusvirhe(euro::virhenro::levyTaynna, tapaus);
        if (vanhaOn) {
          EXPECT_EQ(testi::lueTiedosto(polku), vanha) << tapaus;
        }
        EXPECT_EQ(testi::tiedostot(k.polku()),
                  vanhaOn ? std::vector<std::string>{"TITO-JAKO.OMA"} : std::vector<std::string>{})
            << tapaus;
        // The next start reads the old values in full.
        split::PaloitteluAsetukset luettu;
        settings::lueformi(polku, luettu);
        EXPECT_EQ(settings::ohjaimiksi(luettu)[0].arvo,
                  vanhaOn ? vanhatArvot().tiliotetiedosto : "")
            << tapaus;
      }
    }
  }
}

// A full disk for real: the settings file on a small file system of the test's own, filled up.
TEST_F(Asetukset, TallennusTayteenLevyyn) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "oma tiedostojärjestelmä vain Linuxissa";
  testi::Kansio k;
  const std::string kansio = k / "asetukset";
  alusta::luoHakemisto(kansio);
  vika::Tmpfs tmpfs(kansio, 64 * 1024);
  if (!tmpfs.onko()) GTEST_SKIP() << "tmpfs:ää ei voi liittää (vaatii pääkäyttäjän)";
  const std::string polku = kansio + S + "TITO-JAKO.OMA";
  settings::tallennaformi(polku, vanhatArvot());
  const std::string vanha = testi::lueTiedosto(polku);
  {
    alusta::Tiedosto tayte(kansio + S + "tayte", alusta::Tila::kirjoita);
    const std::string lohko(4096, 'x');
    try {
      for (;;) tayte.kirjoita(lohko);
    } catch (const euro::Virhe& v) {
      ASSERT_EQ(v.numero(), euro::virhenro::levyTaynna);
    }
  }
  settings::tallennaformi(polku, uudetArvot());
  yksiTallennusvirhe(euro::virhenro::levyTaynna, "täysi levy");
  EXPECT_EQ(testi::lueTiedosto(polku), vanha);
  EXPECT_EQ(testi::tiedostot(kansio), (std::vector<std::string>{"TITO-JAKO.OMA", "tayte"}));
}

// Reading that fails half-way keeps the values of the lines before it and tells of it.
TEST_F(Asetukset, LukuKatkeaaKesken) {
  testi::Kansio k;
  const std::string polku = k / "TITO-JAKO.OMA";
  std::string sisalto = "txtPosAlku = 7\r\n";
  while (sisalto.size() < 200 * 1024) sisalto += "txtTuntematon = " + std::string(100, 'x') + "\r\n";
  sisalto += "txtPosLoppu = 8\r\n";
  testi::kirjoitaTiedosto(polku, sisalto);
  int lukuja = 0;
  vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
    if (q.vaihe == Vaihe::lue && ++lukuja == 2) return alusta::Vika{euro::virhenro::laitevirhe};
    return std::nullopt;
  });
  split::PaloitteluAsetukset a;
  settings::lueformi(polku, a);
  EXPECT_EQ(a.posAlku, "7");
  EXPECT_EQ(a.posLoppu, "65");
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "Pulma lomakkeen oletusarvoja luettaessa57");
  EXPECT_EQ(testi::lueTiedosto(polku), sisalto);
}

// Huge files and lines: read in full without a message, saved and read back unchanged.
TEST_F(Asetukset, SuuretTiedostotJaRivit) {
  testi::Kansio k;
  const std::string polku = k / "TITO-JAKO.OMA";
  std::string megarivi;
  // Every byte but the two that end a line.
  for (std::size_t i = 0; megarivi.size() < (1u << 20); ++i) {
    const char c = static_cast<char>(i % 256);
    megarivi += c == '\r' ? 'r' : c == '\n' ? 'n' : c;
  }

  struct {
    const char* kuvaus;
    std::string sisalto;
    std::string tiedosto, posAlku;
  } tapaukset[] = {
      {"10 MiB", "", "", "49"},
      {"1 MiB:n rivi", "txtPaloiteltavaTiedosto = " + megarivi + "\r\ntxtPosAlku = 3\r\n", megarivi, "3"},
  };
  // 10 MiB of lines: ones without "=", ones naming no control, and the same control again
  // and again, the last one winning.
  std::string& iso = tapaukset[0].sisalto;
  for (int i = 0; iso.size() < (10u << 20); ++i) {
    iso += "txtPosAlku = " + std::to_string(i) + "\r\n";
    iso += "ei yhtasuuruusmerkkia \x80\xFF\0\r\n"s;
    iso += "tuntematon\xC4\xE4 = arvo\r\n"s;
  }
  iso += "txtPosAlku = 999\r\n";
  tapaukset[0].posAlku = "999";

  for (const auto& t : tapaukset) {
    testi::kirjoitaTiedosto(polku, t.sisalto);
    split::PaloitteluAsetukset a;
    const auto alku = std::chrono::steady_clock::now();
    settings::lueformi(polku, a);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - alku).count();
    std::cout << "[ aika     ] " << t.kuvaus << ": " << ms << " ms\n";
    EXPECT_TRUE(ymp.viestit.viestit.empty()) << t.kuvaus;
    EXPECT_EQ(a.tiliotetiedosto, t.tiedosto) << t.kuvaus;
    EXPECT_EQ(a.posAlku, t.posAlku) << t.kuvaus;
    EXPECT_EQ(euro::fe_LueAsetus(polku, "txtPosAlku"), t.kuvaus == std::string("10 MiB") ? "0" : "3");

    settings::tallennaformi(polku, a);
    split::PaloitteluAsetukset b;
    settings::lueformi(polku, b);
    EXPECT_EQ(b.tiliotetiedosto, t.tiedosto) << t.kuvaus;
    EXPECT_EQ(b.posAlku, t.posAlku) << t.kuvaus;
    EXPECT_TRUE(ymp.viestit.viestit.empty()) << t.kuvaus;
  }
}

// A marker file of one line of 1 MiB, and ones whose path has a NUL in it (the fuzzer's find:
// "*" and NULs led to the profile directory): the data directory stays the program's own, and
// the current directory where it was.
TEST_F(Asetukset, MerkkitiedostonVihamielisetRivit) {
  testi::Kansio k;
  const std::string ohjelma = k / "ohjelma";
  alusta::luoHakemisto(ohjelma);
  alusta::luoHakemisto(k / "Tiedot");
  const char* profiili = alusta::onWindows ? "USERPROFILE" : "HOME";
  const std::optional<std::string> vanhaProfiili = alusta::ymparistomuuttuja(profiili);
  alusta::asetaYmparistomuuttuja(profiili, k.polku());
  const std::string lahto = alusta::nykyinenHakemisto();
  const std::string tapaukset[] = {
      std::string(1u << 20, 'A'),
      k.polku() + S + std::string(1u << 20, 'B'),
      k / "Tiedot" + "\0roskaa"s,
      k / "Tiedot" + S + "\0"s,
      "*\0\0\0\0\0"s,
      "*Tiedot\0"s,
  };
  for (const std::string& merkki : tapaukset) {
    testi::kirjoitaTiedosto(ohjelma + S + "ainehake.oma", merkki + "\r\n");
    settings::nollaaApppath(ohjelma);
    EXPECT_EQ(settings::fe_apppath(), ohjelma) << merkki.size();
    EXPECT_EQ(alusta::nykyinenHakemisto(), lahto) << merkki.size();
  }
  alusta::vaihdaHakemisto(lahto);
  alusta::asetaYmparistomuuttuja(profiili, vanhaProfiili);
  settings::nollaaApppath();
}

}  // namespace
