#include "split/camt/camt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/esikatselu.h"
#include "split/paloittele.h"
#include "euro/virhe.h"
#include "tuki/lukukoot.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
using split::PaloitteluAsetukset;

// A refused file goes aside whole into TUODUT under its own name, and nothing else is left
// there; it is put back for the next case.
void sivuunJaTakaisin(const std::string& kansio, const std::string& syote, const std::string& sisalto) {
  const std::string tuodut = kansio + alusta::erotin + "TUODUT";
  EXPECT_FALSE(testi::onOlemassa(syote));
  const std::vector<std::string> nimet = testi::tiedostot(tuodut);
  ASSERT_EQ(nimet.size(), 1u);
  EXPECT_EQ(nimet[0].substr(17), "-TILIOTE.XML.hylatty");
  EXPECT_EQ(testi::lueTiedosto(tuodut + alusta::erotin + nimet[0]), sisalto);
  alusta::nimeaUudelleen(tuodut + alusta::erotin + nimet[0], syote);
}

const alusta::Aika kiinteaAika{2024, 4, 2, 8, 0, 0};
alusta::Aika kello() { return kiinteaAika; }

// One statement of a test document; empty fields are left out.
struct Tili {
  std::string id, iban, muu, tunnus, nimi;
  std::string alku = "2024-03-01", loppu = "2024-03-31";  // FrToDt; empty: none
  std::string luotu = "2024-04-01T05:00:00";
};

std::string lausunto(const Tili& t, const std::string& p = "", const std::string& lista = "Stmt",
                     const std::string& nl = "\n") {
  auto e = [&](const std::string& n, const std::string& v) { return "<" + p + n + ">" + v + "</" + p + n + ">"; };
  std::string s = "<" + p + lista + ">" + nl + e("Id", t.id) + nl + e("CreDtTm", t.luotu) + nl;
  if (!t.alku.empty()) s += e("FrToDt", e("FrDtTm", t.alku + "T00:00:00") + e("ToDtTm", t.loppu + "T23:59:59")) + nl;
  std::string acct = t.iban.empty() ? e("Id", e("Othr", e("Id", t.muu))) : e("Id", e("IBAN", t.iban));
  std::string ownr;
  if (!t.nimi.empty()) ownr += e("Nm", t.nimi);
  if (!t.tunnus.empty()) ownr += e("Id", e("OrgId", e("Othr", e("Id", t.tunnus))));
  if (!ownr.empty()) acct += e("Ownr", ownr);
  s += e("Acct", acct) + nl;
  if (lista != "Ntfctn")
    s += e("Bal", e("Tp", e("CdOrPrtry", e("Cd", "CLBD"))) + "<" + p + "Amt Ccy=\"EUR\">1.00</" + p + "Amt>" +
                      e("CdtDbtInd", "CRDT") + e("Dt", e("Dt", "2024-03-31"))) + nl;
  return s + "</" + p + lista + ">" + nl;
}

std::string asiakirja(const std::vector<std::string>& lausunnot, const std::string& viesti = "053",
                      const std::string& versio = "02", const std::string& p = "", const std::string& nl = "\n") {
  const std::string lista = viesti == "052" ? "BkToCstmrAcctRpt" : viesti == "053" ? "BkToCstmrStmt" : "BkToCstmrDbtCdtNtfctn";
  const std::string xmlns = p.empty() ? "xmlns" : "xmlns:" + p.substr(0, p.size() - 1);
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + nl + "<" + p + "Document " + xmlns +
                  "=\"urn:iso:std:iso:20022:tech:xsd:camt." + viesti + ".001." + versio + "\">" + nl + "<" + p +
                  lista + "><" + p + "GrpHdr><" + p + "MsgId>M1</" + p + "MsgId><" + p +
                  "CreDtTm>2024-04-01T06:00:00</" + p + "CreDtTm></" + p + "GrpHdr>" + nl;
  for (const auto& l : lausunnot) s += l;
  return s + "</" + p + lista + ">" + nl + "</" + p + "Document>" + nl;
}

const Tili A1{"A1", "FI1111111111111111", "", "1111111-1", "Äijänpää Oy"};
const Tili A2{"A2", "", "222222222222", "1111111-1", "Äijänpää Oy"};
const Tili B1{"B1", "FI3333333333333333", "", "3333333-3", "Metsä &amp; Puu Ky"};

// The statements of a file, as it holds them, whatever the prefix: Rpt, Stmt or Ntfctn.
std::vector<std::string> lausunnotTekstista(const std::string& s) {
  std::vector<std::string> v;
  for (const std::string lista : {"Rpt>", "Stmt>", "Ntfctn>"}) {
    for (std::size_t i = s.find(lista); i != std::string::npos; i = s.find(lista, i + 1)) {
      std::size_t alku = i - 1;
      if (s[alku] == ':') alku = s.rfind('<', alku);
      if (s[alku] != '<' || s[alku + 1] == '/') continue;
      const std::string loppu = "</" + s.substr(alku + 1, i - alku - 1) + lista;
      const std::size_t l = s.find(loppu, i);
      v.push_back(s.substr(alku, l + loppu.size() - alku));
    }
  }
  return v;
}

std::size_t esiintymia(const std::string& s, const std::string& osa) {
  std::size_t n = 0;
  for (auto i = s.find(osa); i != std::string::npos; i = s.find(osa, i + 1)) ++n;
  return n;
}

// Every case with every one of the values.
template <class T, class V>
std::vector<std::pair<const T&, V>> kerrat(const std::vector<T>& tapaukset, std::initializer_list<V> arvot) {
  std::vector<std::pair<const T&, V>> v;
  for (const T& t : tapaukset)
    for (const V& x : arvot) v.emplace_back(t, x);
  return v;
}

struct Camt : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  PaloitteluAsetukset a;
  std::string syote;

  void SetUp() override {
    syote = kansio / "TILIOTE.XML";
    a.tiliotetiedosto = syote;
    a.kohdehakemisto = kansio / "ulos";
    alusta::luoHakemisto(a.kohdehakemisto);
    a.nimenAlkuosa = "XML-";
    a.nimenLoppuosa = ".XML";
    a.arkistoi = false;
  }
  split::PaloitteluTulos aja() { return split::paloittele(a, kello); }
  std::string ulos(const std::string& nimi) const { return a.kohdehakemisto + alusta::erotin + nimi; }
  std::map<std::string, std::string> tulosteet() {
    std::map<std::string, std::string> m;
    for (const auto& n : testi::tiedostot(a.kohdehakemisto)) m[n] = testi::lueTiedosto(ulos(n));
    return m;
  }
  // Every statement in exactly one output, as it stood in the input; every output valid.
  void tarkistaTulosteet(const std::vector<std::string>& lausunnot, const std::string& skeema) {
    const auto m = tulosteet();
    for (const auto& l : lausunnot) {
      std::size_t n = 0;
      for (const auto& [nimi, sisalto] : m) n += esiintymia(sisalto, l);
      EXPECT_EQ(n, 1u) << l;
    }
    std::vector<std::string> polut;
    for (const auto& [nimi, sisalto] : m) polut.push_back(ulos(nimi));
    validoi(polut, skeema);
  }
  // One xmllint for all: loading a schema takes longer than checking a file.
  static void validoi(const std::vector<std::string>& polut, const std::string& skeema) {
    if (alusta::onWindows || polut.empty()) return;  // xmllint is Linux's
    std::vector<std::string> argumentit = {"--noout", "--schema", std::string(KOLVANTO_CAMT) + "/" + skeema + ".xsd"};
    argumentit.insert(argumentit.end(), polut.begin(), polut.end());
    const auto t = testi::ajaOhjelma(KOLVANTO_XMLLINT, argumentit);
    EXPECT_EQ(t.koodi, 0) << t.virhe;
  }
};

TEST_F(Camt, JakaaYrityksittain) {
  struct Tapaus {
    const char* kuvaus;
    PaloitteluAsetukset::Tunniste avain;
    std::string alkuosa;
    std::vector<std::string> asiakirjat;  // appended one after the other
    std::map<std::string, std::vector<std::string>> odotetut;  // file: statement Ids in order
    std::string skeema;
  };
  const std::string a1 = lausunto(A1), a2 = lausunto(A2), b1 = lausunto(B1);
  Tili c = B1;
  c.id = "C1";
  c.alku.clear();  // no FrToDt: the name's dates from CreDtTm
  c.iban = "FI4444444444444444";
  const std::string c1 = lausunto(c);
  const std::string pa1 = lausunto(A1, "camt:"), pb1 = lausunto(B1, "camt:");
  using T = PaloitteluAsetukset::Tunniste;
  const std::vector<Tapaus> tapaukset = {
      {"tilinumero, IBAN tai Othr", T::tilinumero, "XML-", {asiakirja({a1, b1, a2})},
       {{"XML-FI1111111111111111.XML", {"A1"}}, {"XML-FI3333333333333333.XML", {"B1"}},
        {"XML-222222222222.XML", {"A2"}}},
       "camt.053.001.02"},
      {"asiakastunnus kokoaa tilit, kaksi asiakirjaa", T::asiakastunnus, "XML-",
       {asiakirja({a1, b1}), asiakirja({a2}, "053", "02", "", "\r\n")},
       {{"XML-1111111-1.XML", {"A1", "A2"}}, {"XML-3333333-3.XML", {"B1"}}},
       "camt.053.001.02"},
      {"nimi Windows-1252:ksi, viittaus purettu", T::tilinomistajanNimi, "XML-", {asiakirja({lausunto(A1, "", "Rpt"), lausunto(B1, "", "Rpt")}, "052", "04")},
       {{ansi("XML-Äijänpää Oy.XML"), {"A1"}}, {ansi("XML-Metsä & Puu Ky.XML"), {"B1"}}},
       "camt.052.001.04"},
      {"jakso FrToDt:stä tai CreDtTm:stä", T::tilinumero, "#-", {asiakirja({a1, c1})},
       {{"20240301-20240331-FI1111111111111111.XML", {"A1"}}, {"20240401-20240401-FI4444444444444444.XML", {"C1"}}},
       "camt.053.001.02"},
      {"toisin julistettu asiakirja omaan tiedostoonsa, sama taas jatkaa", T::asiakastunnus, "XML-",
       {asiakirja({a1}), asiakirja({lausunto(A2, "camt:")}, "053", "02", "camt:"), asiakirja({b1, a2})},
       {{"XML-1111111-1.XML", {"A1", "A2"}}, {"XML-1111111-1-2.XML", {"A2"}}, {"XML-3333333-3.XML", {"B1"}}},
       "camt.053.001.02"},
      {"etuliitteet ja ilmoitus", T::asiakastunnus, "*-?-",
       {asiakirja({lausunto(A1, "camt:", "Ntfctn"), lausunto(B1, "camt:", "Ntfctn")}, "054", "08", "camt:")},
       {{"2024-03-1111111-1.XML", {"A1"}}, {"2024-03-3333333-3.XML", {"B1"}}},
       "camt.054.001.08"},
  };
  // Segments of one or two files as well: a company's name, kept once for all the segments,
  // still names its own file and no other.
  for (const auto& [t, tiedostoja] : kerrat(tapaukset, {0, 1, 2})) {
    SCOPED_TRACE(std::string(t.kuvaus) + ", " + std::to_string(tiedostoja) + " tiedostoa jaksossa");
    for (const auto& n : testi::tiedostot(a.kohdehakemisto)) alusta::poistaTiedosto(ulos(n));
    std::string koko;
    for (const auto& d : t.asiakirjat) koko += d;
    testi::kirjoitaTiedosto(syote, koko);
    a.valitse(t.avain);
    a.nimenAlkuosa = t.alkuosa;
    a.saadot.jaksot = {static_cast<std::size_t>(tiedostoja), 0};
    const auto tulos = aja();
    a.saadot.jaksot = {};
    ASSERT_TRUE(tulos.valmis);
    EXPECT_TRUE(ymp.viestit.viestit.empty());
    EXPECT_TRUE(ymp.virheet.empty());
    const auto m = tulosteet();
    ASSERT_EQ(m.size(), t.odotetut.size());
    for (const auto& [nimi, idt] : t.odotetut) {
      ASSERT_EQ(m.count(nimi), 1u) << nimi;
      const std::string& s = m.at(nimi);
      std::size_t kohta = 0;
      for (const auto& id : idt) {
        const auto k = s.find("Id>" + id + "<", kohta);
        EXPECT_NE(k, std::string::npos) << nimi << " " << id;
        kohta = k == std::string::npos ? kohta : k;
      }
    }
    std::vector<std::string> kaikki;
    for (const auto& d : t.asiakirjat)
      for (const auto& l : lausunnotTekstista(d)) kaikki.push_back(l);
    EXPECT_FALSE(kaikki.empty());
    tarkistaTulosteet(kaikki, t.skeema);
    EXPECT_EQ(testi::lueTiedosto(syote), koko);
    // A company with one statement in a one-document file gets that document, byte for byte,
    // with only its statement.
    if (t.avain == T::tilinomistajanNimi) {
      EXPECT_EQ(m.at(ansi("XML-Metsä & Puu Ky.XML")), asiakirja({lausunto(B1, "", "Rpt")}, "052", "04"));
    }
  }
}

// Bad and hostile inputs: refused whole, with the place, nothing written, the file untouched and
// not archived.
TEST_F(Camt, HylkaaKokonaan) {
  struct Tapaus {
    const char* kuvaus;
    std::string sisalto;
    std::string viestissa;  // part of the message
  };
  const std::string hyva = asiakirja({lausunto(A1)});
  const std::string ok = asiakirja({lausunto(A1), lausunto(B1)});
  std::string syva =
      "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt><GrpHdr>";
  for (int i = 0; i < 200; ++i) syva += "<a>";
  Tili ilman = B1;
  ilman.tunnus.clear();
  Tili pitka = A1;
  pitka.tunnus = std::string(5000, '7');
  Tili roska = A1;
  roska.tunnus = "//";
  const std::vector<Tapaus> tapaukset = {
      {"DTD ja sisäkkäiset entiteetit",
       "<?xml version=\"1.0\"?><!DOCTYPE Document [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>" + hyva.substr(hyva.find("<Document")),
       "asiakirja 1"},
      {"ulkoinen entiteetti",
       "<?xml version=\"1.0\"?><!DOCTYPE Document [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + hyva.substr(hyva.find("<Document")),
       "asiakirja 1"},
      {"katkennut", ok + hyva.substr(0, hyva.size() / 2), "asiakirja 2"},
      {"toinen juuri ei tiliote", ok + "<muu/>", ansi("asiakirja 2")},
      {"ristiin menevät tagit", ok + "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt></BkToCstmrStmtX></Document>",
       "asiakirja 2"},
      {"valtava attribuutti", ok + "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\" x=\"" +
                                  std::string(200000, 'x') + "\"/>", "asiakirja 2"},
      {"syvä sisäkkäisyys", ok + syva, "asiakirja 2"},
      {"virheellinen UTF-8", asiakirja({lausunto(Tili{"X", "FI1", "", "1", "\xC3\x28"})}), "asiakirja 1"},
      {"muu merkistö", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + hyva.substr(hyva.find("<Document")),
       "ISO-8859-1"},
      {"avain puuttuu", ok + asiakirja({lausunto(ilman)}), "B1"},
      {"avain liian pitkä", asiakirja({lausunto(pitka)}), ansi("pitkä")},
      {"avaimesta ei jää merkkejä", asiakirja({lausunto(roska)}), "A1"},
      {"väärä sanoma", "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"/>", "Document"},
      {"052:ssa Stmt", asiakirja({lausunto(A1)}, "052"), "Rpt"},
      {"tiliotteiden välissä muuta",
       asiakirja({lausunto(A1), "<SplmtryData><Envlp/></SplmtryData>", lausunto(B1)}), "muu elementti"},
  };
  a.arkistoi = true;
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    ymp.viestit.viestit.clear();
    testi::kirjoitaTiedosto(syote, t.sisalto);
    const auto tulos = aja();
    EXPECT_FALSE(tulos.valmis);
    EXPECT_TRUE(ymp.virheet.empty());
    ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
    const auto& v = ymp.viestit.viestit[0];
    EXPECT_EQ(v.otsikko, "PALOITTELUA EI TEHTY");
    EXPECT_NE(v.teksti.find(ansi(" ei paloiteltu: ")), std::string::npos) << v.teksti;
    EXPECT_NE(v.teksti.find(t.viestissa), std::string::npos) << v.teksti;
    EXPECT_TRUE(testi::tiedostot(a.kohdehakemisto).empty());
    sivuunJaTakaisin(kansio.polku(), syote, t.sisalto);
  }
  // Chosen positions mean nothing in XML.
  ymp.viestit.viestit.clear();
  testi::kirjoitaTiedosto(syote, ok);
  a.valitse(PaloitteluAsetukset::Tunniste::positiot);
  EXPECT_FALSE(aja().valmis);
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_NE(ymp.viestit.viestit[0].teksti.find("positiot"), std::string::npos);
  EXPECT_TRUE(testi::tiedostot(a.kohdehakemisto).empty());
}

// A second run puts its statements into the company's document before the closing tags; a file
// that cannot take them leaves it alone and the statements go to the next free name.
TEST_F(Camt, ToinenAjoJatkaa) {
  struct Tapaus {
    const char* kuvaus;
    std::string olemassa;  // the company file before the run; empty: from a first run
    std::string toinen;    // the second run's input
    std::map<std::string, std::vector<std::string>> odotetut;
    bool huomautus;
  };
  Tili a3 = A1;
  a3.id = "A3";
  const std::string n = "XML-1111111-1.XML", n2 = "XML-1111111-1-2.XML";
  const std::vector<Tapaus> tapaukset = {
      {"sama sanoma", "", asiakirja({lausunto(a3)}), {{n, {"A1", "A3"}}}, false},
      {"CR LF ja etuliite eri", "", asiakirja({lausunto(a3, "camt:")}, "053", "02", "camt:", "\r\n"),
       {{n, {"A1"}}, {n2, {"A3"}}}, true},
      {"eri versio", "", asiakirja({lausunto(a3)}, "053", "04"), {{n, {"A1"}}, {n2, {"A3"}}}, true},
      {"käsin muutettu", "ei XML:ää\r\n", asiakirja({lausunto(a3)}), {{n, {}}, {n2, {"A3"}}}, true},
      {"katkaistu", asiakirja({lausunto(A1)}).substr(0, 300), asiakirja({lausunto(a3)}), {{n, {}}, {n2, {"A3"}}},
       true},
  };
  a.valitse(PaloitteluAsetukset::Tunniste::asiakastunnus);
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    for (const auto& f : testi::tiedostot(a.kohdehakemisto)) alusta::poistaTiedosto(ulos(f));
    if (t.olemassa.empty()) {
      testi::kirjoitaTiedosto(syote, asiakirja({lausunto(A1)}));
      ASSERT_TRUE(aja().valmis);
    } else {
      testi::kirjoitaTiedosto(ulos(n), t.olemassa);
    }
    const std::string ennen = testi::lueTiedosto(ulos(n));
    testi::kirjoitaTiedosto(syote, t.toinen);
    const auto tulos = aja();
    ASSERT_TRUE(tulos.valmis);
    const auto m = tulosteet();
    ASSERT_EQ(m.size(), t.odotetut.size());
    for (const auto& [nimi, idt] : t.odotetut) {
      ASSERT_EQ(m.count(nimi), 1u) << nimi;
      for (const auto& id : idt) EXPECT_NE(m.at(nimi).find("Id>" + id + "<"), std::string::npos) << nimi << id;
      if (nimi == n2 || t.olemassa.empty()) validoi({ulos(nimi)}, t.toinen.find("001.04") != std::string::npos && nimi == n2 ? "camt.053.001.04" : "camt.053.001.02");
    }
    if (t.huomautus) {
      EXPECT_EQ(testi::lueTiedosto(ulos(n)), ennen);
      ASSERT_EQ(tulos.yhteenveto.huomautukset.size(), 1u);
      EXPECT_NE(tulos.yhteenveto.huomautukset[0].find(n2), std::string::npos);
    } else {
      EXPECT_TRUE(tulos.yhteenveto.huomautukset.empty());
    }
  }
}

// The generator's cumulative file, all messages and versions mixed: every statement once,
// every output valid against its schema. The buffers small, so their borders fall everywhere.
TEST_F(Camt, GeneroituTiedosto) {
  const std::string generaattori = testi::ohjelmaBin("camt-generaattori");
  if (!testi::onOlemassa(generaattori)) GTEST_SKIP() << generaattori;
  for (const char* versio : {"02", "04", "08"}) {
    for (const char* viesti : {"052", "053", "054"}) {
      SCOPED_TRACE(std::string(viesti) + "." + versio);
      for (const auto& f : testi::tiedostot(a.kohdehakemisto)) alusta::poistaTiedosto(ulos(f));
      const auto g = testi::ajaOhjelma(generaattori, {"--koko", "40K", "--yrityksia", "7", "--viesti", viesti,
                                                      "--versio", versio, syote});
      ASSERT_EQ(g.koodi, 0) << g.virhe;
      a.valitse(PaloitteluAsetukset::Tunniste::tilinumero);
      a.saadot.puskuri = 97;
      const auto tulos = aja();
      a.saadot.puskuri = 0;
      ASSERT_TRUE(tulos.valmis);
      std::int64_t lausuntoja = 0;
      for (const auto& f : tulos.yhteenveto.tiedostot) lausuntoja += f.eria;
      const std::string s = testi::lueTiedosto(syote);
      const std::vector<std::string> lausunnot = lausunnotTekstista(s);
      EXPECT_EQ(lausuntoja, static_cast<std::int64_t>(lausunnot.size()));
      tarkistaTulosteet(lausunnot, std::string("camt.") + viesti + ".001." + versio);
    }
  }
}

TEST_F(Camt, Esikatselu) {
  testi::kirjoitaTiedosto(syote, asiakirja({lausunto(A1), lausunto(B1)}) + asiakirja({lausunto(A2)}));
  a.valitse(PaloitteluAsetukset::Tunniste::tilinumero);
  std::string s;
  ASSERT_TRUE(split::esikatselu(a, [&](const std::string& o) { s += o; }));
  EXPECT_EQ(esiintymia(s, "\r\n"), 5u) << s;
  EXPECT_NE(s.find(ansi("Id A1 | asiakastunnus 1111111-1 | >>tilinumero FI1111111111111111<< | nimi Äijänpää Oy | "
                        "jakso 20240301-20240331\r\n")),
            std::string::npos)
      << s;
  const std::string tiedosto = testi::lueTiedosto(syote);
  const std::size_t a2 = tiedosto.find("<Stmt>", tiedosto.find("<Document", tiedosto.find("<Document") + 1));
  const auto rivi = 1 + std::count(tiedosto.begin(), tiedosto.begin() + static_cast<std::ptrdiff_t>(a2), '\n');
  EXPECT_NE(s.find("asiakirja 2, rivi " + std::to_string(rivi) + " (tavu " + std::to_string(a2) + "): Id A2"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find(">>tilinumero 222222222222<<"), std::string::npos) << s;
}

}  // namespace

namespace {

// A statement without FrToDt and without its own CreDtTm, which camt.053.001.08 allows, is
// named from its message's date; the company document is valid against its schema.
TEST_F(Camt, PaivaSanomanOtsakkeesta) {
  Tili t = A1;
  t.alku.clear();
  t.luotu.clear();
  std::string l = lausunto(t);
  const auto i = l.find("<CreDtTm></CreDtTm>\n");
  ASSERT_NE(i, std::string::npos);
  l.erase(i, std::string("<CreDtTm></CreDtTm>\n").size());
  testi::kirjoitaTiedosto(syote, asiakirja({l}, "053", "08"));
  a.nimenAlkuosa = "XML-*-?-";
  a.valitse(PaloitteluAsetukset::Tunniste::asiakastunnus);
  ASSERT_TRUE(aja().valmis);
  for (const auto& v : ymp.viestit.viestit) ADD_FAILURE() << v.teksti;
  const auto m = tulosteet();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m.begin()->first, "XML-2024-04-1111111-1.XML");
  validoi({ulos(m.begin()->first)}, "camt.053.001.08");
}

// Documents split in one run land as they do split one run each: the same files, the same
// bytes, though their message forms differ (an extra namespace declaration, a version).
TEST_F(Camt, YksiAjoKutenMonta) {
  Tili a3 = A1, a4 = A1, b2 = B1;
  a3.id = "A3";
  a4.id = "A4";
  b2.id = "B2";
  auto xsi = [](std::string d) {
    d.replace(d.find("<Document "), 10, "<Document xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" ");
    return d;
  };
  const std::vector<std::vector<std::string>> tapaukset = {
      {xsi(asiakirja({lausunto(A1)})), asiakirja({lausunto(a3)})},
      {asiakirja({lausunto(A1), lausunto(B1)}), xsi(asiakirja({lausunto(a3)})), asiakirja({lausunto(b2), lausunto(a4)})},
      {asiakirja({lausunto(A1)}), asiakirja({lausunto(a3)}, "053", "04"), asiakirja({lausunto(a4)})},
  };
  a.valitse(PaloitteluAsetukset::Tunniste::asiakastunnus);
  for (std::size_t i = 0; i < tapaukset.size(); ++i) {
    SCOPED_TRACE(i);
    auto tyhjenna = [&] {
      for (const auto& f : testi::tiedostot(a.kohdehakemisto)) alusta::poistaTiedosto(ulos(f));
    };
    tyhjenna();
    std::string kaikki;
    for (const auto& d : tapaukset[i]) kaikki += d;
    testi::kirjoitaTiedosto(syote, kaikki);
    ASSERT_TRUE(aja().valmis);
    const auto yhdella = tulosteet();
    // Segments that end inside a document (one company, or one statement, a segment) leave
    // the same files.
    for (const auto& [tiedostoja, tavuja] : {std::pair<std::size_t, std::uint64_t>{1, 0}, {2, 0}, {0, 1}}) {
      SCOPED_TRACE(std::to_string(tiedostoja) + " tiedostoa, " + std::to_string(tavuja) + " tavua");
      tyhjenna();
      a.saadot.jaksot = {tiedostoja, tavuja};
      // In place each company file is opened once, however many segments have statements for it:
      // its closing part is written once, and a group of its name in another message form knows
      // it without reading it.
      std::map<std::string, int> avattu;
      alusta::asetaVikakoukku([&](alusta::Vaihe v, const std::string& polku, std::size_t) -> std::optional<alusta::Vika> {
        if (v == alusta::Vaihe::avaa && polku.rfind(a.kohdehakemisto, 0) == 0) ++avattu[polku];
        return std::nullopt;
      });
      const bool valmis = aja().valmis;
      alusta::asetaVikakoukku({});
      a.saadot.jaksot = {};
      ASSERT_TRUE(valmis);
      EXPECT_EQ(tulosteet(), yhdella);
      EXPECT_EQ(avattu.size(), yhdella.size());
      for (const auto& [polku, kertaa] : avattu) EXPECT_EQ(kertaa, 1) << polku;
    }
    tyhjenna();
    for (const auto& d : tapaukset[i]) {
      testi::kirjoitaTiedosto(syote, d);
      ASSERT_TRUE(aja().valmis);
    }
    EXPECT_EQ(tulosteet(), yhdella);
    EXPECT_EQ(yhdella.count("XML-1111111-1-3.XML"), 0u);
  }
}

}  // namespace

namespace {

// The text (UTF-8) in units of two or four bytes, low byte first or last.
std::string koodattu(const std::string& utf8, int leveys, bool pieniEnsin) {
  std::string s;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t u = n == 1 ? c : c & (0x7F >> n);
    for (int k = 1; k < n; ++k) u = (u << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(n);
    std::vector<std::uint32_t> yksikot{u};
    if (leveys == 2 && u >= 0x10000) yksikot = {0xD800 + ((u - 0x10000) >> 10), 0xDC00 + ((u - 0x10000) & 0x3FF)};
    for (std::uint32_t y : yksikot)
      for (int b = 0; b < leveys; ++b) s += static_cast<char>((y >> (8 * (pieniEnsin ? b : leveys - 1 - b))) & 0xFF);
  }
  return s;
}

// XML in another encoding than UTF-8 is XML all the same: refused with its encoding named, the
// file untouched and not archived, the refusal in the error log; whatever size the reads are.
TEST_F(Camt, MuuMerkistoHylataanJaKirjataan) {
  const std::string d = asiakirja({lausunto(A1), lausunto(B1)});
  const std::string utf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + d.substr(d.find('\n'));
  const struct {
    const char* kuvaus;
    std::string sisalto;
    const char* merkisto;
  } tapaukset[] = {
      {"UTF-16LE ja BOM", "\xFF\xFE" + koodattu(utf16, 2, true), "UTF-16LE"},
      {"UTF-16BE ja BOM", "\xFE\xFF" + koodattu(utf16, 2, false), "UTF-16BE"},
      {"UTF-16LE ilman BOMia", koodattu(utf16, 2, true), "UTF-16LE"},
      {"UTF-16BE ilman BOMia", koodattu(utf16, 2, false), "UTF-16BE"},
      {"UTF-16LE, BOM ja välejä", "\xFF\xFE" + koodattu("\r\n \t" + d.substr(d.find('<', 1)), 2, true), "UTF-16LE"},
      {"UTF-16BE, välejä ilman BOMia", koodattu("\n\n" + d.substr(d.find('\n') + 1), 2, false), "UTF-16BE"},
      {"UTF-32LE ja BOM", std::string("\xFF\xFE\0\0", 4) + koodattu(d, 4, true), "UTF-32LE"},
      {"UTF-32BE ja BOM", std::string("\0\0\xFE\xFF", 4) + koodattu(d, 4, false), "UTF-32BE"},
      {"UTF-32LE ilman BOMia", koodattu(d, 4, true), "UTF-32LE"},
      {"UTF-32BE, välejä ilman BOMia", koodattu(" " + d, 4, false), "UTF-32BE"},
      {"UCS-4, järjestys 3412", std::string("\xFE\xFF\0\0\0\n\0\0\0<\0\0", 12), "UCS-4 (tavujärjestys 3412)"},
      {"EBCDIC", "\x4C\x6F\xA7\x94\x93\x40\xA5\x85\x99\xA2\x89\x96\x95\x7E\x7F\xF1\x4B\xF0\x7F\x6F\x6E", "EBCDIC"},
  };
  const std::string data = kansio / "data";
  alusta::luoHakemisto(data);
  ymp.ohjelma.datahakemisto = data;
  ymp.ohjelma.apppath = [data] { return data; };
  const std::string loki = data + alusta::erotin + "virhelog.txt";
  a.arkistoi = true;
  for (const auto& t : tapaukset) {
    testi::kirjoitaTiedosto(syote, t.sisalto);
    const std::string viesti =
        ansi("Tiedostoa ") + syote + ansi(std::string(" ei paloiteltu: XML-tiedoston merkistö on ") + t.merkisto + "; vain UTF-8 käy");
    for (auto& ajo : testi::aikataulut()) {
      SCOPED_TRACE(std::string(t.kuvaus) + ", " + ajo.nimi);
      ymp.viestit.viestit.clear();
      {
        testi::Lukukoot koot(ajo.vuoro);
        EXPECT_FALSE(aja().valmis);
      }
      ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
      EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "PALOITTELUA EI TEHTY");
      EXPECT_EQ(ymp.viestit.viestit[0].teksti.rfind(viesti + ansi(". Tiedosto siirrettiin sivuun nimelle "), 0), 0u)
          << ymp.viestit.viestit[0].teksti;
      EXPECT_TRUE(ymp.virheet.empty());
      EXPECT_TRUE(testi::tiedostot(a.kohdehakemisto).empty());
      sivuunJaTakaisin(kansio.polku(), syote, t.sisalto);
      // The log's entry ends with the message; read with the system's editors.
      const std::string rivi =
          "PALOITTELUA EI TEHTY: " + ymp.viestit.viestit[0].teksti + "\r\n" + std::string(70, '-') + "\r\n";
      const std::string odotettu = alusta::onWindows ? rivi : euro::ansiUtf8(rivi);
      const std::string l = testi::lueTiedosto(loki);
      EXPECT_TRUE(l.size() >= odotettu.size() && l.compare(l.size() - odotettu.size(), odotettu.size(), odotettu) == 0)
          << euro::ansiUtf8(l.substr(l.size() > 300 ? l.size() - 300 : 0));
      testi::Lukukoot koot(ajo.vuoro);
      try {
        split::esikatselu(a, [](const std::string&) {});
        ADD_FAILURE() << "esikatselu ei hylännyt";
      } catch (const euro::Virhe& v) {
        EXPECT_EQ(v.viesti(), syote + ansi(std::string(": XML-tiedoston merkistö on ") + t.merkisto + "; vain UTF-8 käy"));
      }
    }
  }
}

}  // namespace

namespace {

// A company file that someone else changes while a run extends it again is not cut: the run
// fails and the file keeps every byte it has, whether the open or the cut is the one to see it.
TEST_F(Camt, ToisenMuuttamaaYritystiedostoaEiLeikata) {
  Tili a3 = A1;
  a3.id = "A3";
  a.valitse(PaloitteluAsetukset::Tunniste::asiakastunnus);
  const std::string nimi = "XML-1111111-1.XML";
  struct Tapaus {
    const char* nimi;
    std::function<std::string(std::string)> muuta;
  };
  const std::vector<Tapaus> tapaukset = {
      {"perään kirjoitettu", [](std::string s) { return s + "X"; }},
      {"loppu toinen, pituus sama", [](std::string s) { s[s.size() - 2] = 'X'; return s; }},
      {"lyhennetty", [](std::string s) { s.pop_back(); return s; }},
  };
  // The file the run extends: made by an earlier run, or, when the split writes segment by
  // segment (no index kept), by this run's first segment (the third extends it).
  for (const bool ennestaan : {true, false}) {
    for (const bool arkistoi : {false, true}) {
      for (const Tapaus& t : tapaukset) {
        SCOPED_TRACE(std::string(t.nimi) + (arkistoi ? ", arkistoiden" : ", paikallaan") +
                     (ennestaan ? ", tiedosto ennestään" : ""));
        // What the case before left: company files, and an archive with its journal.
        for (const std::string& k : {a.kohdehakemisto, kansio / "TUODUT"})
          if (testi::onOlemassa(k))
            for (const auto& f : testi::tiedostot(k)) alusta::poistaTiedosto(k + alusta::erotin + f);
        a.arkistoi = arkistoi;
        if (ennestaan) {
          testi::kirjoitaTiedosto(syote, asiakirja({lausunto(A1)}));
          ASSERT_TRUE(aja().valmis);
          testi::kirjoitaTiedosto(syote, asiakirja({lausunto(B1), lausunto(a3)}));
        } else {
          testi::kirjoitaTiedosto(syote, asiakirja({lausunto(A1), lausunto(B1), lausunto(a3)}));
        }
        // One company a segment. The second open of the file is the one that cuts it: the first
        // made it, or read what it ends with.
        a.saadot.jaksot = {1, 0};
        a.saadot.indeksi = ennestaan ? 0 : 1;
        int avattu = 0;
        std::string muutettu;
        alusta::asetaVikakoukku([&](alusta::Vaihe v, const std::string& polku, std::size_t) -> std::optional<alusta::Vika> {
          if (v == alusta::Vaihe::avaa && polku == ulos(nimi) && ++avattu == 2) {
            muutettu = t.muuta(testi::lueTiedosto(polku));
            testi::kirjoitaTiedosto(polku, muutettu);
          }
          return std::nullopt;
        });
        const split::PaloitteluTulos tulos = aja();
        alusta::asetaVikakoukku({});
        a.saadot = {};
        EXPECT_FALSE(tulos.valmis);
        EXPECT_NE(tulos.virhe.find(ansi("muuttui kesken paloittelun")), std::string::npos) << tulos.virhe;
        ASSERT_FALSE(muutettu.empty());
        EXPECT_EQ(testi::lueTiedosto(ulos(nimi)), muutettu);
      }
    }
  }
}

}  // namespace
