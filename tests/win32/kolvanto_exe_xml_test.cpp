// kolvanto.exe splits an XML statement file unattended (`aja`), archiving it.
#include <gtest/gtest.h>

#include <string>

#include "euro/alusta/alusta.h"
#include "settings/paloitteluasetukset.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

// id tells two statements of one account apart.
std::string asiakirja(const char* iban, const char* id = "S") {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                     "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\"><BkToCstmrStmt>"
                     "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\r\n"
                     "<Stmt><Id>") +
         id + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + iban +
         "</IBAN></Id></Acct></Stmt>\r\n</BkToCstmrStmt></Document>\r\n";
}

TEST(KolvantoAjoXml, AjaPaloitteleeXmlTiedoston) {
  testi::Kansio kansio;
  const std::string ohjelma = kansio / "ohjelma", kohde = kansio / "yritykset", syote = kansio / "TILIOTE.XML";
  alusta::luoHakemisto(ohjelma);
  alusta::luoHakemisto(kohde);
  const std::string exe = ohjelma + "\\kolvanto.exe";
  testi::kopioi(testi::ohjelmaBin("kolvanto"), exe);
  testi::kirjoitaTiedosto(syote, asiakirja("FI11") + asiakirja("FI22") + asiakirja("FI11", "S2"));
  testi::kirjoitaTiedosto(settings::asetustiedosto(ohjelma),
                          "txtPaloiteltavaTiedosto = " + syote + "\r\ntxtTallennusHakemisto = " + kohde +
                              "\\\r\noptAsiakastunnus = False\r\noptTilinumero = True\r\n"
                              "txtNimenAlkuosa = XML-\r\ntxtNimenLoppuosa = .XML\r\n"
                              "chkAikaleimaaPaloiteltava = 1\r\nchkNaytaPaloitellut = 0\r\n"
                              "chkSuljeOhjelmaPaloittelunJalkeen = 1\r\n");
  testi::Ajo ajo;
  ajo.aikarajaMs = 60000;
  const testi::Ajettu a = testi::ajaOhjelma(exe, {"aja"}, ajo);
  EXPECT_FALSE(a.aikaLoppui);  // a shown message box would wait until the time ran out
  EXPECT_EQ(a.koodi, 0);
  EXPECT_EQ(testi::tiedostot(kohde), (std::vector<std::string>{"XML-FI11.XML", "XML-FI22.XML"}));
  const std::string f11 = testi::lueTiedosto(kohde + "\\XML-FI11.XML");
  EXPECT_NE(f11.find("FI11</IBAN></Id></Acct></Stmt>\r\n<Stmt>"), std::string::npos) << f11;
  EXPECT_EQ(testi::lueTiedosto(kohde + "\\XML-FI22.XML"), asiakirja("FI22"));
  EXPECT_FALSE(testi::onOlemassa(syote));
  EXPECT_EQ(testi::tiedostot(kansio / "TUODUT").size(), 1u);
  EXPECT_FALSE(testi::onOlemassa(ohjelma + "\\virhelog.txt"));
}

}  // namespace
