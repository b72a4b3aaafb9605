// The real main window offscreen with an XML statement file: the button splits it by the
// chosen key, and `kolvanto aja` as a process splits it with the saved settings.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "euro/alusta/alusta.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "settings/apppath.h"
#include "split/historia.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

const std::string S(1, alusta::erotin);

std::string asiakirja() {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.052.001.02\"><BkToCstmrAcctRpt>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\r\n";
  // Two reports of FI11, each another by its Id.
  int n = 0;
  for (const char* iban : {"FI11", "FI22", "FI11"})
    s += "<Rpt><Id>R" + std::to_string(++n) + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + iban +
         "</IBAN></Id></Acct></Rpt>\r\n";
  return s + "</BkToCstmrAcctRpt></Document>\r\n";
}

struct XmlIkkunaQt : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string ohjelma = kansio / "ohjelma";
  std::string tiedosto = kansio / "TILIOTE.XML";

  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    settings::nollaaApppath(ohjelma);
    ymp.ohjelma.datahakemisto = ohjelma;
    testi::kirjoitaTiedosto(tiedosto, asiakirja());
  }
  void TearDown() override { settings::nollaaApppath(); }
  void tarkista() {
    const std::string a = testi::lueTiedosto(kansio / "XML-FI11.XML");
    const std::string b = testi::lueTiedosto(kansio / "XML-FI22.XML");
    EXPECT_NE(a.find("<IBAN>FI11</IBAN></Id></Acct></Rpt>\r\n<Rpt>"), std::string::npos) << a;
    EXPECT_EQ(b.find("FI11"), std::string::npos) << b;
    EXPECT_NE(b.rfind("</BkToCstmrAcctRpt></Document>\r\n"), std::string::npos) << b;
  }
};

TEST_F(XmlIkkunaQt, PainikeJaAja) {
  {
    qtpuoli::frmMain w;
    w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(tiedosto));
    w.ohjain<QLineEdit>("txtNimenAlkuosa")->setText("XML-");
    w.ohjain<QLineEdit>("txtNimenLoppuosa")->setText(".XML");
    w.ohjain<QRadioButton>("optTilinumero")->setChecked(true);
    w.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->setChecked(false);
    w.ohjain<QCheckBox>("chkSuljeOhjelmaPaloittelunJalkeen")->setChecked(true);
    w.ohjain<QPushButton>("cmdPaloittele")->click();
    EXPECT_TRUE(w.lopetettu());
    EXPECT_TRUE(ymp.viestit.viestit.empty());
    tarkista();
  }
  // The same settings were saved: `aja` as a process splits a new file the same way, archiving.
  alusta::poistaTiedosto(kansio / "XML-FI11.XML");
  alusta::poistaTiedosto(kansio / "XML-FI22.XML");
  // The ledger goes too: with it, the same statements are delivered already.
  for (const std::string& h : split::historia::tiedostot(ohjelma)) alusta::poistaTiedosto(h);
  testi::kirjoitaTiedosto(ohjelma + "TITO-JAKO.OMA",
                          testi::lueTiedosto(ohjelma + "TITO-JAKO.OMA") + "chkAikaleimaaPaloiteltava = 1\r\n");
  const std::string exe = std::string("kolvanto") + (alusta::onWindows ? ".exe" : "");
  testi::kopioi(alusta::ohjelmanHakemisto() + S + exe, ohjelma + S + exe);
  testi::Ajo ajo;
  ajo.ymparisto = {{"QT_QPA_PLATFORM", "offscreen"}};
  const testi::Ajettu a = testi::ajaOhjelma(ohjelma + S + exe, {"aja"}, ajo);
  EXPECT_FALSE(a.aikaLoppui);
  EXPECT_EQ(a.koodi, 0) << a.virhe;
  tarkista();
  EXPECT_FALSE(testi::onOlemassa(tiedosto));
  EXPECT_EQ(testi::tiedostot(kansio / "TUODUT").size(), 1u);
}

}  // namespace
