// The remote-support batch file and its start.
#include "remoteus/remoteus.h"

#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "tuki/testituki.h"

namespace {

const std::string S(1, alusta::erotin);

TEST(Etatuki, KomentotiedostoJaKaynnistys) {
  if constexpr (!alusta::onWindows) GTEST_SKIP() << "komentotiedosto vain Windowsissa";
  const std::string alku =
      "@title Avataan Vombra etatuki ...\r\n@taskkill.exe /f /t /im TeamViewer.exe\r\n"
      "@taskkill.exe/f /t /im TeamViewer_Service.exe\r\n"
      "@taskkill.exe/f /t /im TeamViewer_Service.exe\r\n"
      "@taskkill.exe/f /t /im TeamViewer_Service.exe\r\n";
  // Without the client and the closing separator; with both, and a blank in the path.
  for (bool asiakas : {false, true}) {
    testi::Ymparisto ymp;
    testi::Kansio kansio;
    const std::string hakemisto = kansio / (asiakas ? "Omat tiedostot" : "data");
    alusta::luoHakemisto(hakemisto);
    ymp.ohjelma.apppath = [&] { return hakemisto + (asiakas ? S : ""); };
    if (asiakas) testi::kirjoitaTiedosto(hakemisto + S + "etatuki.exe", "");
    const std::string bat = hakemisto + S + "vombra-etatuki.bat";
    const std::string odotettu =
        alku + (asiakas ? "@choice /C ke /N /D k /T 1 /M hetki\r\n\"" + hakemisto + S + "etatuki.exe\"\r\n"
                        : "start https://www.vombra.fi/etatuki/vombra-etatuki.exe\r\n");
    // Written anew at every start: it never grows.
    for (int kerta = 1; kerta <= 2; ++kerta) {
      remoteus::sremo_KaynnistaAsenna();
      EXPECT_EQ(testi::lueTiedosto(bat), odotettu);
    }
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset,
              std::vector<testi::Kaynnistys>(2, {bat, "", "", false, false}));
    EXPECT_TRUE(ymp.virheet.empty());
  }
}

TEST(Etatuki, EpaonnistuminenRaportoidaan) {
  if constexpr (!alusta::onWindows) GTEST_SKIP() << "komentotiedosto vain Windowsissa";
  testi::Kansio kansio;
  for (std::string hakemisto : {std::string(), kansio / "ei-ole"}) {
    testi::Ymparisto ymp;
    ymp.ohjelma.apppath = [&] { return hakemisto; };
    remoteus::sremo_KaynnistaAsenna();
    ASSERT_EQ(ymp.virheet.size(), 1u) << hakemisto;
    EXPECT_EQ(ymp.virheet[0].kutsurivi, 9201);
    EXPECT_EQ(ymp.virheet[0].moduuli + ymp.virheet[0].rutiini, "remoteus.bassremo_KaynnistaAsenna");
    EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
  }
}

// Elsewhere the button opens the remote-support page; no batch file is written.
TEST(Etatuki, SelainAvaaEtatukisivun) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "Windowsissa komentotiedosto";
  const std::string sivu = "https://www.vombra.fi/etatuki/";
  for (int koodi : {42, 32, 2}) {
    testi::Ymparisto ymp;
    testi::Kansio kansio;
    ymp.ohjelma.apppath = [&] { return kansio.polku(); };
    ymp.kaynnistin.avausKoodi = koodi;
    remoteus::sremo_KaynnistaAsenna();
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset, (std::vector<testi::Kaynnistys>{{sivu, "", "/", false, false}}));
    EXPECT_TRUE(testi::tiedostot(kansio.polku()).empty());
    // A browser that does not start is reported, with the address to type by hand.
    ASSERT_EQ(ymp.virheet.size(), koodi > 32 ? 0u : 1u) << koodi;
    if (koodi <= 32) {
      EXPECT_EQ(ymp.virheet[0].kutsurivi, 9201);
      EXPECT_NE(ymp.virheet[0].viesti.find(sivu), std::string::npos) << ymp.virheet[0].viesti;
    }
  }
}

}  // namespace
