// kolvanto-cli with an XML statement file: the summary counts statements, a refusal stops it
// with its place on standard error, the preview lists the statements.
#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

std::string asiakirja(const std::vector<std::string>& ibanit) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.054.001.02\"><BkToCstmrDbtCdtNtfctn>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\n";
  // Each notification of a document another, by its Id.
  for (std::size_t i = 0; i < ibanit.size(); ++i)
    s += "<Ntfctn><Id>N" + ibanit[i] + (i ? "-" + std::to_string(i) : "") + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>" + ibanit[i] +
         "</IBAN></Id></Acct></Ntfctn>\n";
  return s + "</BkToCstmrDbtCdtNtfctn></Document>\n";
}

// An ASCII text as UTF-16LE with its byte-order mark.
std::string utf16le(const std::string& s) {
  std::string u = "\xFF\xFE";
  for (char c : s) u += std::string{c, '\0'};
  return u;
}

// The refused files moved aside into TUODUT, by name.
std::vector<std::string> sivuun(const std::string& tuodut) {
  std::vector<std::string> v;
  if (!testi::onOlemassa(tuodut)) return v;
  for (const std::string& n : testi::tiedostot(tuodut))
    if (n.size() > 8 && n.compare(n.size() - 8, 8, ".hylatty") == 0) v.push_back(n);
  return v;
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
      {"positiot", asiakirja({"FI11"}), {"--avain", "49:65"}, 65, {}, "positiot"},
      {"katkennut", asiakirja({"FI11"}).substr(0, 200), {}, 65, {}, "asiakirja 1, rivi "},
      {"UTF-16", utf16le(asiakirja({"FI11"})), {}, 65, {}, "XML-tiedoston merkistö on UTF-16LE; vain UTF-8 käy. "},
      {"esikatselu", asiakirja({"FI11"}), {"--esikatselu"}, 0,
       {"asiakirja 1, rivi 3 (tavu ", ": Id NFI11 | asiakastunnus - | >>tilinumero FI11<< | nimi - | jakso 20240401-20240401\r\n"},
       ""},
      // The preview of a file the split would refuse is refused with the same status.
      {"esikatselu katkennut", asiakirja({"FI11"}).substr(0, 200), {"--esikatselu"}, 65, {},
       "ESIKATSELUA EI TEHTY: "},
      {"esikatselu UTF-16", utf16le(asiakirja({"FI11"})), {"--esikatselu"}, 65, {},
       "XML-tiedoston merkistö on UTF-16LE; vain UTF-8 käy\n"},
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
    // A refused split moves the file aside whole; a preview leaves it where it is.
    const std::vector<std::string> siirretyt = sivuun(kansio / "TUODUT");
    if (t.koodi == 65 && t.lisa != std::vector<std::string>{"--esikatselu"}) {
      ASSERT_EQ(siirretyt.size(), 1u);
      EXPECT_FALSE(testi::onOlemassa(syote));
      EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + S + siirretyt[0]), t.sisalto);
      alusta::poistaTiedosto(kansio / "TUODUT" + S + siirretyt[0]);
    } else {
      EXPECT_TRUE(siirretyt.empty());
      EXPECT_EQ(testi::lueTiedosto(syote), t.sisalto);
    }
  }
}

// A refused statement file is no day without a file (1): it has its own status, its message on
// standard error and in the error log, and the file goes aside whole into TUODUT, so that the
// bank program's next file is split the next day, and the refused one is never split.
TEST(CliXml, HylattyTiedostoOmallaPaluuarvollaJaLokissa) {
  testi::Kansio kansio;
  const std::string S(1, alusta::erotin);
  const std::string exe = std::string("kolvanto-cli") + (alusta::onWindows ? ".exe" : "");
  // A copy of the program keeps its data directory, and so its log, in its own folder.
  alusta::luoHakemisto(kansio / "ohjelma");
  testi::kopioi(testi::ohjelmaBin("kolvanto-cli"), kansio / "ohjelma" + S + exe);
  alusta::luoHakemisto(kansio / "ulos");
  const std::string syote = kansio / "TILIOTE.XML";
  const std::string sisalto = utf16le(asiakirja({"FI11"}));
  testi::kirjoitaTiedosto(syote, sisalto);
  const auto a = testi::ajaOhjelma(kansio / "ohjelma" + S + exe, {"--aikaleima", "--kohde", kansio / "ulos", syote});
  EXPECT_EQ(a.koodi, 65) << a.ulos << a.virhe;
  const std::vector<std::string> siirretyt = sivuun(kansio / "TUODUT");
  ASSERT_EQ(siirretyt.size(), 1u);
  const std::string hylatty = kansio / "TUODUT" + S + siirretyt[0];
  EXPECT_EQ(siirretyt[0].substr(17), "-TILIOTE.XML.hylatty");
  const std::string viesti =
      "PALOITTELUA EI TEHTY: Tiedostoa " + syote + " ei paloiteltu: XML-tiedoston merkistö on UTF-16LE; vain UTF-8 käy. "
      "Tiedosto siirrettiin sivuun nimelle " + hylatty + ", jotta pankkiohjelma aloittaa uuden tiedoston; sitä ei "
      "paloiteltu eikä poistettu. Selvitä sen sisältö ja pyydä tarvittaessa tiliotteet pankista uudelleen.";
  EXPECT_EQ(a.virhe, viesti + "\n");
  EXPECT_NE(a.ulos.find("Hylätty tiliotetiedosto siirretty sivuun: " + hylatty + "\n"), std::string::npos) << a.ulos;
  EXPECT_FALSE(testi::onOlemassa(syote));
  EXPECT_EQ(testi::lueTiedosto(hylatty), sisalto);
  EXPECT_TRUE(testi::tiedostot(kansio / "ulos").empty());
  EXPECT_EQ(testi::tiedostot(kansio / "TUODUT"), siirretyt);
  const std::string loki = testi::lueTiedosto(kansio / "ohjelma" + S + "virhelog.txt");
  const std::string merkinta = euro::fe_Korvaa(viesti, "\n", "\r\n") + "\r\n" + std::string(70, '-') + "\r\n";
  const std::string odotettu = alusta::onWindows ? euro::utf8Ansi(merkinta) : merkinta;
  EXPECT_TRUE(loki.size() > odotettu.size() && loki.compare(loki.size() - odotettu.size(), odotettu.size(), odotettu) == 0)
      << loki;

  // The bank program's next file flows; the refused one stays as it was, never split.
  testi::kirjoitaTiedosto(syote, asiakirja({"FI11"}));
  const auto b = testi::ajaOhjelma(kansio / "ohjelma" + S + exe,
                                   {"--aikaleima", "--avain", "tilinumero", "--kohde", kansio / "ulos", syote});
  EXPECT_EQ(b.koodi, 0) << b.ulos << b.virhe;
  EXPECT_EQ(testi::tiedostot(kansio / "ulos").size(), 1u);
  EXPECT_EQ(testi::lueTiedosto(hylatty), sisalto);
  EXPECT_EQ(sivuun(kansio / "TUODUT"), siirretyt);
}

}  // namespace
