// kolvanto-cli with an XML statement file: the summary counts statements, a refusal stops it
// with its place on standard error, the preview lists the statements.
#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

std::string asiakirja(const std::vector<std::string>& ibanit) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.054.001.02\"><BkToCstmrDbtCdtNtfctn>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\n";
  for (const std::string& iban : ibanit)
    s += "<Ntfctn><Id>N" + iban + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + iban +
         "</IBAN></Id></Acct></Ntfctn>\n";
  return s + "</BkToCstmrDbtCdtNtfctn></Document>\n";
}

TEST(CliXml, YhteenvetoHylkaysJaEsikatselu) {
  testi::Kansio kansio;
  const std::string ohjelma = testi::ohjelmaBin("kolvanto-cli");
  const std::string syote = kansio / "TILIOTE.XML";
  const std::string S(1, alusta::erotin);
  alusta::luoHakemisto(kansio / "ulos");
  struct {
    const char* kuvaus;
    std::string sisalto;
    std::vector<std::string> lisa;
    int koodi;
    std::vector<std::string> ulos;  // parts of standard output
    const char* virhe;              // part of standard error
  } const tapaukset[] = {
      {"paloittelu", asiakirja({"FI11", "FI22", "FI11"}) + asiakirja({"FI22"}), {}, 0,
       {kansio / "ulos" + S + "XML-FI11.XML: 2 tiliotetta\n", kansio / "ulos" + S + "XML-FI22.XML: 2 tiliotetta\n"},
       ""},
      {"positiot", asiakirja({"FI11"}), {"--avain", "49:65"}, 1, {}, "positiot"},
      {"katkennut", asiakirja({"FI11"}).substr(0, 200), {}, 1, {}, "asiakirja 1, rivi "},
      {"esikatselu", asiakirja({"FI11"}), {"--esikatselu"}, 0,
       {"asiakirja 1, rivi 3 (tavu ", ": Id NFI11 | asiakastunnus - | >>tilinumero FI11<< | nimi - | jakso 20240401-20240401\r\n"},
       ""},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::kirjoitaTiedosto(syote, t.sisalto);
    std::vector<std::string> argumentit = {"--ei-aikaleimaa", "--kohde", kansio / "ulos", "--avain",
                                           "tilinumero", "--alkuosa", "XML-", "--loppuosa", ".XML"};
    argumentit.insert(argumentit.end(), t.lisa.begin(), t.lisa.end());
    argumentit.push_back(syote);
    const auto ennen = testi::tiedostot(kansio / "ulos");
    const auto a = testi::ajaOhjelma(ohjelma, argumentit);
    EXPECT_EQ(a.koodi, t.koodi) << a.ulos << a.virhe;
    for (const auto& osa : t.ulos) EXPECT_NE(a.ulos.find(osa), std::string::npos) << a.ulos;
    EXPECT_NE(a.virhe.find(t.virhe), std::string::npos) << a.virhe;
    if (t.koodi != 0) {
      EXPECT_EQ(testi::tiedostot(kansio / "ulos"), ennen);
    }
    EXPECT_EQ(testi::lueTiedosto(syote), t.sisalto);
  }
}

}  // namespace
