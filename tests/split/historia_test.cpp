#include "split/historia.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "split/tiliote.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;

// A statement's line field by field, as the ledger's columns are: the line the program makes in
// one buffer is held against it.
std::string tiliotteenRivi(const split::Tiliote& t, const std::string& muoto, const std::string& tiedosto,
                           const std::string& arkisto, const std::string& kohde, bool toimitettu,
                           const std::string& huomautus, const alusta::Aika& aika) {
  split::historia::Merkinta m;
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", aika.vuosi, aika.kuukausi, aika.paiva, aika.tunti,
                aika.minuutti, aika.sekunti);
  m.aika = b;
  m.tapahtuma = toimitettu ? split::historia::tapahtuma::toimitettu : split::historia::tapahtuma::tiliote;
  m.muoto = muoto;
  m.tiliote = tiedosto;
  m.arkisto = arkisto;
  m.yritys = kohde + t.yritys;
  m.eria = toimitettu ? "0" : "1";
  m.tavuja = toimitettu ? "0" : std::to_string(t.pituus);
  m.huomautus = huomautus;
  m.tili = t.tili;
  if (t.numero) m.numero = std::to_string(*t.numero);
  m.alkaa = t.alku;
  m.paattyy = t.loppu;
  if (t.alkusaldo) m.alkusaldo = split::historia::euroina(*t.alkusaldo);
  if (t.loppusaldo) m.loppusaldo = split::historia::euroina(*t.loppusaldo);
  m.valuutta = t.valuutta;
  std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(t.tiiviste));
  m.tiiviste = b;
  m.alue = std::to_string(t.kohta) + "-" + std::to_string(t.kohta + t.pituus);
  return split::historia::tekstiksi(m);
}
const std::string S(1, alusta::erotin);
const std::string loppu = alusta::onWindows ? "\r\n" : "\n";

const alusta::Aika kiinteaAika{2018, 8, 21, 14, 30, 5};
alusta::Aika kello() { return kiinteaAika; }

struct Historia : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  split::PaloitteluAsetukset a;
  std::string data;

  void SetUp() override {
    data = kansio / "data";
    alusta::luoHakemisto(data);
    ymp.ohjelma.datahakemisto = data;
    alusta::luoHakemisto(kansio / "ulos");
    a.kohdehakemisto = kansio / "ulos";
  }
  void TearDown() override {
    alusta::asetaVikakoukku({});
    split::historia::asetaKokoraja(0);
  }
  // A batch of 109 bytes; another letter makes another statement of the same company.
  static std::string era(const std::string& asiakas, char kirjain = 'x') {
    testi::T00 t;
    t.asiakas = asiakas;
    t.pituus = 100;
    return t.rivi() + "\r\nT10 " + kirjain + "\r\n";
  }
  // The runs' lines; with tiliotteet, the statements' lines alone.
  std::vector<std::string> rivit(const std::string& yritys = "", bool tiliotteet = false) {
    std::vector<std::string> v;
    split::historia::Suodatin s;
    s.yritys = yritys;
    s.ajot = !tiliotteet;
    s.tiliotteet = tiliotteet;
    split::historia::lue(data, s, [&](const std::string& r) { v.push_back(r); });
    return v;
  }
  std::string ulos(const std::string& nimi) { return kansio / "ulos" + S + nimi; }
  // An entry line; a run's ten fields get the statement's nine empty ones after them.
  static std::string rivi(std::initializer_list<std::string> kentat) {
    std::string s;
    for (const std::string& k : kentat) s += (&k == kentat.begin() ? "" : "\t") + k;
    if (kentat.size() == 10) s += std::string(9, '\t');
    return s;
  }
};

// Two runs, one archiving with a batch of a blank key, one over an existing file: a line per
// company file each, in run order, under one header, in the system's text.
TEST_F(Historia, KaksiAjoa) {
  const std::string eka = kansio / "TITO.TXT", toka = kansio / ansi("TÖKA.TXT");
  testi::kirjoitaTiedosto(eka, "ennen\r\n" + era("1") + era("2") + era("   ") + era("1", 'b'));
  a.tiliotetiedosto = eka;
  a.arkistoi = true;
  ASSERT_TRUE(split::paloittele(a, kello).valmis);
  testi::kirjoitaTiedosto(toka, era("2", 'b') + era("3"));
  a.tiliotetiedosto = toka;
  a.arkistoi = false;
  ASSERT_TRUE(split::paloittele(a, kello).valmis);
  EXPECT_TRUE(ymp.virheet.empty());

  const std::string arkisto = kansio / "TUODUT" + S + "2018-08-21+143005-TITO.TXT";
  const std::string t = "2018-08-21 14:30:05";
  const std::vector<std::string> odotetut = {
      rivi({t, "paloiteltu", "TITO", eka, arkisto, ulos("TITO-2018-08-1.TXT"), "2", "218", "uusi", ""}),
      rivi({t, "paloiteltu", "TITO", eka, arkisto, ulos("TITO-2018-08-2.TXT"), "1", "109", "uusi", ""}),
      rivi({t, "paloiteltu", "TITO", eka, arkisto, ulos("TITO-2018-08-.TXT"), "1", "109", "uusi",
            ansi("1 erä ilman avainta")}),
      rivi({t, "paloiteltu", "TITO", toka, "", ulos("TITO-2018-08-2.TXT"), "1", "109", "jatkettu", ""}),
      rivi({t, "paloiteltu", "TITO", toka, "", ulos("TITO-2018-08-3.TXT"), "1", "109", "uusi", ""}),
  };
  EXPECT_EQ(rivit(), odotetut);
  EXPECT_EQ(rivit("-2.txt"), (std::vector<std::string>{odotetut[1], odotetut[3]}));

  // A line per statement, written as its run's split completes, before the run's own lines,
  // naming its company file and its bytes.
  const std::vector<std::string> otteet = rivit("", true);
  ASSERT_EQ(otteet.size(), 6u);
  const std::string yritykset[] = {"1", "2", "", "1", "2", "3"};
  const std::string alueet[] = {"7-116", "116-225", "225-334", "334-443", "0-109", "109-218"};
  for (std::size_t i = 0; i < otteet.size(); ++i) {
    split::historia::Merkinta m;
    ASSERT_TRUE(split::historia::jasenna(otteet[i], m));
    EXPECT_EQ(m.tapahtuma, "tiliote") << otteet[i];
    EXPECT_EQ(m.yritys, ulos("TITO-2018-08-" + yritykset[i] + ".TXT")) << otteet[i];
    EXPECT_EQ(m.arkisto, i < 4 ? arkisto : "") << otteet[i];
    EXPECT_EQ(m.alue, alueet[i]) << otteet[i];
    EXPECT_EQ(m.tavuja, "109") << otteet[i];
  }
  std::string tiedosto = split::historia::otsikko() + loppu;
  for (std::size_t j = 0; j < 4; ++j) tiedosto += otteet[j] + loppu;
  for (std::size_t i = 0; i < 3; ++i) tiedosto += odotetut[i] + loppu;
  for (std::size_t j = 4; j < 6; ++j) tiedosto += otteet[j] + loppu;
  for (std::size_t i = 3; i < 5; ++i) tiedosto += odotetut[i] + loppu;
  EXPECT_EQ(split::historia::tiedostot(data), std::vector<std::string>{data + S + "paloitteluhistoria-2018.txt"});
  EXPECT_EQ(testi::lueTiedosto(data + S + "paloitteluhistoria-2018.txt"), alusta::luettavaksi(tiedosto));
}

// A split cut off by a failure is logged as such with what it wrote; the next run finishes
// it from its journal and says so, before its own split.
TEST_F(Historia, KeskeytynytJaViimeistelty) {
  const std::string eka = kansio / "TITO.TXT", toka = kansio / "TOKA.TXT";
  testi::kirjoitaTiedosto(eka, era("1") + era("2") + era("1", 'b'));
  a.tiliotetiedosto = eka;
  a.arkistoi = true;
  alusta::asetaVikakoukku([](alusta::Vaihe v, const std::string& polku, std::size_t) -> std::optional<alusta::Vika> {
    if (v == alusta::Vaihe::kirjoita && polku.find("TITO-2018-08-2.TXT") != std::string::npos)
      return alusta::Vika{euro::virhenro::levyTaynna};
    return std::nullopt;
  });
  EXPECT_FALSE(split::paloittele(a, kello).valmis);
  alusta::asetaVikakoukku({});
  ASSERT_EQ(ymp.virheet.size(), 1u);

  testi::kirjoitaTiedosto(toka, era("3"));
  a.tiliotetiedosto = toka;
  a.arkistoi = false;
  ASSERT_TRUE(split::paloittele(a, kello).valmis);
  EXPECT_EQ(testi::lueTiedosto(ulos("TITO-2018-08-1.TXT")), era("1") + era("1", 'b'));
  EXPECT_EQ(testi::lueTiedosto(ulos("TITO-2018-08-2.TXT")), era("2"));

  const std::string arkisto = kansio / "TUODUT" + S + "2018-08-21+143005-TITO.TXT";
  const std::string t = "2018-08-21 14:30:05";
  const std::string valmiiksi = ansi("keskeytynyt paloittelu viimeistelty");
  const std::vector<std::string> r = rivit();
  ASSERT_EQ(r.size(), 4u);
  // The cut-off run counts what its journal holds as delivered: nothing of the segment it was
  // cut off in, whose batches the finishing run counts, those found whole too; so the rows add
  // up to what the files hold, each batch once.
  EXPECT_EQ(r[0], rivi({t, "keskeytyi", "TITO", eka, arkisto, "", "0", "0", "",
                        ansi("keskeytyi virheeseen, katso virhelog.txt")}));
  EXPECT_EQ(r[1], rivi({t, "viimeistelty", "TITO", "", arkisto, ulos("TITO-2018-08-2.TXT"), "1", "109", "uusi",
                        valmiiksi}));
  EXPECT_EQ(r[2], rivi({t, "viimeistelty", "TITO", "", arkisto, ulos("TITO-2018-08-1.TXT"), "2", "218", "uusi", ""}));
  EXPECT_EQ(r[3], rivi({t, "paloiteltu", "TITO", toka, "", ulos("TITO-2018-08-3.TXT"), "1", "109", "uusi", ""}));
}

// An XML statement that cannot extend its company's file goes to a "-2" one, and the history
// says so.
TEST_F(Historia, XmlToinenNimi) {
  const std::string xml = kansio / "TILIOTE.XML";
  testi::kirjoitaTiedosto(
      xml,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">\n<BkToCstmrStmt><GrpHdr><MsgId>M1</MsgId>"
      "<CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\n<Stmt>\n<Id>A1</Id>\n<CreDtTm>2024-04-01T05:00:00</CreDtTm>\n"
      "<FrToDt><FrDtTm>2024-03-01T00:00:00</FrDtTm><ToDtTm>2024-03-31T23:59:59</ToDtTm></FrToDt>\n"
      "<Acct><Id><IBAN>FI1111111111111111</IBAN></Id></Acct>\n<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp>"
      "<Amt Ccy=\"EUR\">1.00</Amt><CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2024-03-31</Dt></Dt></Bal>\n</Stmt>\n"
      "</BkToCstmrStmt>\n</Document>\n");
  testi::kirjoitaTiedosto(ulos("XML-FI1111111111111111.XML"), era("1"));  // a TITO file of that name
  a.tiliotetiedosto = xml;
  a.nimenAlkuosa = "XML-";
  a.nimenLoppuosa = ".XML";
  a.valitse(split::PaloitteluAsetukset::Tunniste::tilinumero);
  a.arkistoi = false;
  ASSERT_TRUE(split::paloittele(a, kello).valmis);
  const std::vector<std::string> r = rivit();
  ASSERT_EQ(r.size(), 1u);
  const std::string alku = rivi({"2018-08-21 14:30:05", "paloiteltu", "XML", xml, "",
                                 ulos("XML-FI1111111111111111-2.XML"), "1"});
  EXPECT_EQ(r[0].substr(0, alku.size()), alku) << r[0];
  EXPECT_NE(r[0].find("\ttoinen nimi (-2)\t"), std::string::npos) << r[0];
}

// What the reader passes over and what the writer mends, and where entries go.
TEST_F(Historia, LukijaKirjoittajaJaKierto) {
  const std::string polku = data + S + "paloitteluhistoria-2018.txt";
  const std::string otsikko = alusta::luettavaksi(split::historia::otsikko()) + loppu;
  const std::string hyva = rivi({"2018-01-02 03:04:05", "paloiteltu", "TITO", "a", "b", "/x/Y-1.TXT", "1", "2",
                                 "uusi", ""});
  const std::string hyva2 = rivi({"2018-01-03 03:04:05", "paloiteltu", "TITO", "a", "b", "/x/Y-2.TXT", "1", "2",
                                  "uusi", ""});
  struct {
    const char* kuvaus;
    std::string sisalto;                // the file before
    std::vector<std::string> luetaan;   // before the entry is added
  } const tapaukset[] = {
      {"tyhjä", "", {}},
      {"ehjä", otsikko + hyva + loppu, {hyva}},
      {"kesken jäänyt rivi", otsikko + hyva + loppu + hyva.substr(0, 30), {hyva}},
      // Cut in its last field: ten fields, but no line end; never read as whole.
      {"viimeisessä kentässä katkennut", otsikko + hyva + loppu + hyva2 + "lisää", {hyva}},
      {"väärä määrä kenttiä", otsikko + "a\tb" + loppu + hyva + loppu, {hyva}},
      {"otsikko toisen kerran", otsikko + hyva + loppu + otsikko, {hyva}},
      {"ylipitkä rivi", otsikko + std::string(200000, 'x') + loppu + hyva + loppu, {hyva}},
  };
  for (const auto& t : tapaukset) {
    testi::kirjoitaTiedosto(polku, t.sisalto);
    EXPECT_EQ(rivit(), t.luetaan) << t.kuvaus;
    split::historia::kirjaa(data, {hyva2}, kiinteaAika);
    std::vector<std::string> nyt = t.luetaan;
    nyt.push_back(hyva2);
    EXPECT_EQ(rivit(), nyt) << t.kuvaus;
    const std::string sisalto = testi::lueTiedosto(polku);
    EXPECT_EQ(sisalto.substr(sisalto.size() - hyva2.size() - loppu.size()), hyva2 + loppu) << t.kuvaus;
    if (t.sisalto.empty()) EXPECT_EQ(sisalto, otsikko + hyva2 + loppu);
    else EXPECT_EQ(sisalto.substr(0, t.sisalto.size()), t.sisalto) << t.kuvaus;
    alusta::poistaTiedosto(polku);
  }

  // Past the size limit a year goes on in its next part; years and parts are read in order.
  split::historia::asetaKokoraja(600);
  alusta::Aika vuosi2017 = kiinteaAika;
  vuosi2017.vuosi = 2017;
  for (int i = 0; i < 4; ++i) split::historia::kirjaa(data, {hyva, hyva2}, kiinteaAika);
  split::historia::kirjaa(data, {hyva}, vuosi2017);
  EXPECT_EQ(split::historia::tiedostot(data),
            (std::vector<std::string>{data + S + "paloitteluhistoria-2017.txt", polku,
                                      data + S + "paloitteluhistoria-2018-2.txt"}));
  EXPECT_EQ(rivit().size(), 9u);
  EXPECT_EQ(rivit("y-2").size(), 4u);
  EXPECT_EQ(rivit("q"), std::vector<std::string>{});
}

// The history is a record beside the split: when it cannot be written, the failure is
// reported and the split stands. A run stopped by a check leaves no entry.
TEST_F(Historia, KirjoitusvirheEiKaadaPaloittelua) {
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", era("1"));
  a.tiliotetiedosto = kansio / "PUUTTUU.TXT";
  EXPECT_FALSE(split::paloittele(a, kello).valmis);
  EXPECT_EQ(split::historia::tiedostot(data), std::vector<std::string>{});

  a.tiliotetiedosto = kansio / "TITO.TXT";
  ymp.ohjelma.datahakemisto = kansio / "TITO.TXT";  // no folder
  EXPECT_TRUE(split::paloittele(a, kello).valmis);
  EXPECT_EQ(testi::lueTiedosto(ulos("TITO-2018-08-1.TXT")), era("1"));
  ASSERT_EQ(ymp.virheet.size(), 1u);
  EXPECT_EQ(ymp.virheet[0].rutiini, "kirjaaHistoriaan");
  EXPECT_EQ(ymp.virheet[0].viesti.rfind(ansi("Paloitteluhistoriaan ei voitu kirjoittaa: "), 0), 0u)
      << ymp.virheet[0].viesti;
}

// A year's file of the earlier ten columns: read as it is, and rewritten with the new header the
// first time an entry goes into it, every line kept, a cut-off last line too.
TEST_F(Historia, VanhaTiedostoMuunnetaan) {
  const std::string polku = data + S + "paloitteluhistoria-2018.txt";
  const std::string vanhaOtsikko = ansi("aika\ttapahtuma\tmuoto\ttiliotetiedosto\tarkisto\tyritystiedosto\t"
                                        "erät tai tiliotteet\tlisätyt tavut\ttiedosto\thuomautus");
  const std::string a1 = "2018-01-02 03:04:05\tpaloiteltu\tTITO\ta\tb\t/x/Y-1.TXT\t1\t2\tuusi\t";
  const std::string a2 = "2018-01-03 03:04:05\tpaloiteltu\tTITO\ta\t\t/x/Y-2.TXT\t1\t2\tjatkettu\thuom";
  const std::string vanha = alusta::luettavaksi(vanhaOtsikko + loppu + a1 + loppu + a2 + loppu + "kesken\tjäi");
  testi::kirjoitaTiedosto(polku, vanha);
  const std::string tyhjat(9, '\t');
  EXPECT_EQ(rivit(), (std::vector<std::string>{a1 + tyhjat, a2 + tyhjat}));

  const std::string uusi = rivi({"2018-08-21 14:30:05", "paloiteltu", "TITO", "c", "", "/x/Y-3.TXT", "1", "2", "uusi", ""});
  split::historia::kirjaa(data, {uusi}, kiinteaAika);
  const std::string odotettu = alusta::luettavaksi(split::historia::otsikko() + loppu + a1 + tyhjat + loppu + a2 +
                                                   tyhjat + loppu + "kesken\tjäi" +
                                                   ansi("\t(kesken jäänyt rivi)") + loppu + uusi + loppu);
  EXPECT_EQ(testi::lueTiedosto(polku), odotettu);
  EXPECT_EQ(rivit(), (std::vector<std::string>{a1 + tyhjat, a2 + tyhjat, uusi}));
  EXPECT_FALSE(testi::onOlemassa(polku + ".uusi"));
  // Once rewritten, the next entry only appends.
  split::historia::kirjaa(data, {uusi}, kiinteaAika);
  EXPECT_EQ(testi::lueTiedosto(polku), odotettu + alusta::luettavaksi(uusi + loppu));
}

// What the filters and the views give of a ledger of two companies' statements.
TEST_F(Historia, SuodattimetJaNakymat) {
  split::Tiliote t;
  auto ote = [&](const std::string& yritys, const std::string& tili, int nro, const std::string& paiva,
                 bool toimitettu = false) {
    t.tili = tili;
    t.numero = nro;
    t.alku = t.loppu = paiva;
    t.yritys = yritys;
    t.tiiviste = static_cast<std::uint64_t>(nro);
    t.pituus = 10;
    return tiliotteenRivi(t, "TITO", "T", "", "/x/", toimitettu, "", kiinteaAika);
  };
  const std::string a1 = ote("A.TXT", "FI11 1111", 1, "2018-07-30"), a2 = ote("A.TXT", "FI11 1111", 2, "2018-08-02"),
                    b1 = ote("B.TXT", "FI22 2222", 7, "2018-06-01"), a2t = ote("A.TXT", "FI11 1111", 2, "2018-08-02", true);
  const std::string ajo = rivi({"2018-08-21 14:30:05", "paloiteltu", "TITO", "T", "", "/x/A.TXT", "1", "10", "uusi", ""});
  split::historia::kirjaa(data, {ajo, a1, b1, a2, a2t}, kiinteaAika);
  auto lue = [&](split::historia::Suodatin s) {
    std::vector<std::string> v;
    split::historia::lue(data, s, [&](const std::string& r) { v.push_back(r); });
    return v;
  };
  using Suodatin = split::historia::Suodatin;
  auto suodatin = [](const std::string& yritys, const std::string& tili, const std::string& kuukausi,
                     const std::string& paiva, bool ajot = true) {
    Suodatin s;
    s.yritys = yritys;
    s.tili = tili;
    s.kuukausi = kuukausi;
    s.paiva = paiva;
    s.ajot = ajot;
    return s;
  };
  struct {
    const char* kuvaus;
    Suodatin s;
    std::vector<std::string> odotetut;
  } const tapaukset[] = {
      {"kaikki", {}, {ajo, a1, b1, a2, a2t}},
      {"yritys", suodatin("b.txt", "", "", ""), {b1}},
      {"tili ilman välilyöntejä", suodatin("", "FI111111", "", ""), {a1, a2, a2t}},
      {"kuukausi: jakso, ajon rivi ajosta", suodatin("", "", "2018-08", ""), {ajo, a2, a2t}},
      {"päivä", suodatin("", "", "", "2018-07-30"), {a1}},
      {"vain tiliotteet", suodatin("", "", "", "", false), {a1, b1, a2, a2t}},
  };
  for (const auto& c : tapaukset) EXPECT_EQ(lue(c.s), c.odotetut) << c.kuvaus;

  // The last delivery per company file: a passed-over statement delivers nothing.
  std::vector<std::string> v;
  split::historia::viimeisimmat(data, {}, [&](const std::string& r) { v.push_back(r); });
  EXPECT_EQ(v, (std::vector<std::string>{a2, b1}));
  // Quiet: B's last statement ended 2018-06-01; 30 days before 2018-08-21 is 2018-07-22.
  v.clear();
  split::historia::hiljaiset(data, 30, kiinteaAika, [&](const std::string& r) { v.push_back(r); });
  EXPECT_EQ(v, std::vector<std::string>{b1});
  v.clear();
  split::historia::hiljaiset(data, 19, kiinteaAika, [&](const std::string& r) { v.push_back(r); });
  EXPECT_EQ(v, std::vector<std::string>{b1});
  v.clear();
  split::historia::hiljaiset(data, 18, kiinteaAika, [&](const std::string& r) { v.push_back(r); });
  EXPECT_EQ(v, (std::vector<std::string>{a2, b1}));
}

// A refused file and a failure before the split are days in the history too; a quiet day is not.
TEST_F(Historia, HylattyJaEpaonnistunutKirjataan) {
  split::PaloitteluTulos t;
  t.loppu = split::Loppu::eiTiedostoa;
  EXPECT_FALSE(split::historia::kirjataanko(t));
  t.loppu = split::Loppu::hylatty;
  t.syy = ansi("rivi 3: ei TITO-tietue");
  t.siirrettySivuun = "/x/TUODUT/t.hylatty";
  a.tiliotetiedosto = "/x/T";
  ASSERT_TRUE(split::historia::kirjataanko(t));
  std::vector<std::string> r = split::historia::merkinta(a, t, kiinteaAika);
  ASSERT_EQ(r.size(), 1u);
  split::historia::Merkinta m;
  ASSERT_TRUE(split::historia::jasenna(r[0], m));
  EXPECT_EQ(m.tapahtuma, ansi("hylätty"));
  EXPECT_EQ(m.arkisto, "/x/TUODUT/t.hylatty");
  EXPECT_NE(m.huomautus.find(t.syy), std::string::npos) << m.huomautus;
  t.loppu = split::Loppu::epaonnistui;
  t.virhe = ansi("Levy on täynnä");
  r = split::historia::merkinta(a, t, kiinteaAika);
  ASSERT_EQ(r.size(), 1u);
  ASSERT_TRUE(split::historia::jasenna(r[0], m));
  EXPECT_EQ(m.tapahtuma, ansi("epäonnistui"));
  EXPECT_EQ(m.huomautus, t.virhe);
}

}  // namespace

// The line made straight into a buffer is the one made field by field, whatever the fields hold.
TEST(HistoriaRivi, SamaKuinKentittain) {
  split::Tiliote tayteinen;
  tayteinen.tili = "FI12\t3456";
  tayteinen.numero = 123;
  tayteinen.alku = "2018-07-30";
  tayteinen.loppu = "2018-08-02";
  tayteinen.alkusaldo = -5;
  tayteinen.loppusaldo = 123456789012345678;
  tayteinen.valuutta = "EUR";
  tayteinen.tiiviste = 0x00ab00cd00ef0012ull;
  tayteinen.yritys = "A\r\nB.TXT";
  tayteinen.kohta = 18446744073709551000ull;
  tayteinen.pituus = 15;
  split::Tiliote rajat = tayteinen;
  rajat.alkusaldo = INT64_MIN;
  rajat.loppusaldo = -100;
  rajat.numero = INT64_MAX;
  rajat.tiiviste = ~0ull;
  const split::Tiliote tyhja;
  struct Tapaus {
    const split::Tiliote& t;
    std::string tiedosto, arkisto, huomautus;
    alusta::Aika aika;
  };
  const Tapaus tapaukset[] = {
      {tayteinen, "/in/T\t.txt", "", "aukko; toisto", kiinteaAika},
      {tayteinen, "", "/arkisto/T.txt", "", {2026, 1, 2, 3, 4, 5}},
      {rajat, "T", "A\nB", "\r", {9999, 12, 31, 23, 59, 59}},
      {tyhja, "", "", "", {10000, 1, 1, 0, 0, 0}},
      {tyhja, "T", "", "", {-1, 0, 0, 0, 0, -1}},
  };
  for (const Tapaus& c : tapaukset) {
    split::historia::TilioteRivit rivit("TITO", c.tiedosto, c.arkisto, "/x\t/", c.aika);
    // Each line of a run made anew, whatever the one before it held.
    for (const bool toimitettu : {false, true, false}) {
      EXPECT_EQ(rivit.rivi(c.t, toimitettu, c.huomautus),
                tiliotteenRivi(c.t, "TITO", c.tiedosto, c.arkisto, "/x\t/", toimitettu, c.huomautus, c.aika));
    }
  }
}
