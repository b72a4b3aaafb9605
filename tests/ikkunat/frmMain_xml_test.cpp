// The main window's behaviour with an XML statement file, against the scripted view: `aja`
// splits it with the saved settings and archives it; the button's refusal of a bad file
// writes nothing and moves the file aside whole into TUODUT, so that the bank starts a new one.
#include <gtest/gtest.h>

#include <algorithm>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "ikkunat/frmMain/kuvaus.h"
#include "ikkunat/frmMain/toiminta.h"
#include "settings/apppath.h"
#include "tuki/testituki.h"
#include "tuki/valenakyma.h"

namespace {

using euro::ansi;

std::string asiakirja(const std::string& iban2) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\n";
  // The first account's statement is another in each document: its Id names the second.
  for (const std::string& iban : {std::string("FI1111111111111111"), iban2})
    s += "<Stmt><Id>" + iban + "-" + iban2 + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + iban +
         "</IBAN></Id></Acct><Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">1.00</Amt>"
         "<CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2024-03-31</Dt></Dt></Bal></Stmt>\n";
  return s + "</BkToCstmrStmt></Document>\n";
}

// The second statement's account without any identification.
std::string ilmanTilia(std::string s) {
  const std::string tili = "<Acct><Id><IBAN>FI2222222222222222</IBAN></Id></Acct>";
  return s.replace(s.find(tili), tili.size(), "<Acct><Ccy>EUR</Ccy></Acct>");
}

struct XmlIkkuna : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string ohjelma = kansio / "ohjelma";
  std::string tiedosto = kansio / "TILIOTE.XML";
  testi::ValeTiedostovalitsin dialogi;

  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    settings::nollaaApppath(ohjelma);
    ymp.ohjelma.datahakemisto = ohjelma;
  }
  void TearDown() override { settings::nollaaApppath(); }
};

TEST_F(XmlIkkuna, AjaJaHylkays) {
  struct {
    const char* kuvaus;
    const char* komentorivi;  // "aja", or empty: the button
    std::string sisalto;
    bool paloitellaan;
  } const tapaukset[] = {
      {"aja", "aja", asiakirja("FI2222222222222222") + asiakirja("FI3333333333333333"), true},
      {"painike, avain puuttuu", "", ilmanTilia(asiakirja("FI2222222222222222")), false},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    ymp.viestit.viestit.clear();
    testi::kirjoitaTiedosto(tiedosto, t.sisalto);
    testi::kirjoitaTiedosto(ohjelma + "TITO-JAKO.OMA", "txtPaloiteltavaTiedosto = " + tiedosto +
                                                          "\r\noptAsiakastunnus = False\r\noptTilinumero = True\r\n"
                                                          "txtNimenAlkuosa = XML-\r\ntxtNimenLoppuosa = .XML\r\n"
                                                          "chkAikaleimaaPaloiteltava = 1\r\n"
                                                          "chkSuljeOhjelmaPaloittelunJalkeen = 1\r\n");
    const auto ennen = testi::tiedostot(kansio.polku());
    testi::ValeNakyma n(frmmain::kuvaus());
    frmmain::Toiminta w(n, dialogi);
    if (*t.komentorivi) {
      EXPECT_TRUE(w.kaynnisty(t.komentorivi));
    } else {
      w.kaynnisty("");
      w.napsautus("cmdPaloittele");
    }
    EXPECT_EQ(n.lopetettu, t.paloitellaan);
    EXPECT_TRUE(ymp.virheet.empty());
    if (t.paloitellaan) {
      EXPECT_TRUE(ymp.viestit.viestit.empty());
      for (const char* iban : {"FI1111111111111111", "FI2222222222222222", "FI3333333333333333"})
        EXPECT_TRUE(testi::onOlemassa(kansio / (std::string("XML-") + iban + ".XML"))) << iban;
      EXPECT_NE(testi::lueTiedosto(kansio / "XML-FI1111111111111111.XML").find("</Stmt>\n<Stmt>"), std::string::npos);
      EXPECT_FALSE(testi::onOlemassa(tiedosto));
      EXPECT_EQ(testi::tiedostot(kansio / "TUODUT").size(), 1u);
    } else {
      ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
      EXPECT_NE(ymp.viestit.viestit[0].teksti.find("Acct/Id/IBAN"), std::string::npos);
      EXPECT_NE(ymp.viestit.viestit[0].teksti.find(ansi("siirrettiin sivuun")), std::string::npos);
      EXPECT_FALSE(testi::onOlemassa(tiedosto));
      std::vector<std::string> jaljella = ennen;
      std::erase(jaljella, "TILIOTE.XML");
      EXPECT_EQ(testi::tiedostot(kansio.polku()), jaljella);
      // The first case's archive, and the refused file beside it.
      const auto tuodut = testi::tiedostot(kansio / "TUODUT");
      ASSERT_EQ(tuodut.size(), 2u);
      const auto hylatty = std::find_if(tuodut.begin(), tuodut.end(), [](const std::string& n) {
        return n.size() > 8 && n.compare(n.size() - 8, 8, ".hylatty") == 0;
      });
      ASSERT_NE(hylatty, tuodut.end());
      EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + std::string(1, alusta::erotin) + *hylatty), t.sisalto);
    }
  }
}

}  // namespace
