// The XML format's statements as the run counts them: each one's identity read from its own
// elements, whatever the message and however the file is read; and the statements a split is
// told to pass over written nowhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/camt/muoto.h"
#include "split/kirjuri.h"
#include "split/tiliote.h"
#include "tuki/lukukoot.h"
#include "tuki/testituki.h"
#include "camt_ohitus.h"
#include "vikatuki.h"

namespace {

using split::Ohitettavat;
using split::PaloitteluAsetukset;
using split::Tiliote;

// A document of one message with the given statements, each ended with CR LF.
std::string dokumentti(const std::string& viesti, const std::vector<std::string>& lausunnot,
                       const std::string& sanoma = "M") {
  const std::string lista = viesti == "052" ? "BkToCstmrAcctRpt" : viesti == "053" ? "BkToCstmrStmt" : "BkToCstmrDbtCdtNtfctn";
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt." +
                  viesti + ".001.02\">\r\n<" + lista +
                  "><GrpHdr><MsgId>" + sanoma + "</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\r\n";
  for (const auto& l : lausunnot) s += l + "\r\n";
  return s + "</" + lista + ">\r\n</Document>\r\n";
}

std::string saldo(const std::string& koodi, const std::string& maara, const std::string& merkki,
                  const std::string& valuutta = "EUR") {
  return "<Bal><Tp><CdOrPrtry><Cd>" + koodi + "</Cd></CdOrPrtry></Tp><Amt Ccy=\"" + valuutta + "\">" + maara +
         "</Amt><CdtDbtInd>" + merkki + "</CdtDbtInd><Dt><Dt>2024-03-31</Dt></Dt></Bal>";
}

std::string ibanTili(const std::string& iban, const std::string& ccy = "") {
  return "<Acct><Id><IBAN>" + iban + "</IBAN></Id>" + (ccy.empty() ? "" : "<Ccy>" + ccy + "</Ccy>") +
         "<Ownr><Id><OrgId><Othr><Id>1234567-8</Id></Othr></OrgId></Id></Ownr></Acct>";
}

std::string jakso(const std::string& alku, const std::string& loppu) {
  return "<FrToDt><FrDtTm>" + alku + "T00:00:00</FrDtTm><ToDtTm>" + loppu + "T23:59:59</ToDtTm></FrToDt>";
}

struct Odotettu {
  std::string tili;
  std::optional<std::int64_t> numero;
  std::string alku, loppu;
  std::optional<std::int64_t> alkusaldo, loppusaldo;
  std::string valuutta;
};

struct Tapaus {
  const char* kuvaus;
  const char* viesti;
  std::string sisalto;  // the statement's elements after its Id
  Odotettu odotettu;
};

const std::string ccy = "<Ccy>EUR</Ccy>";

std::vector<Tapaus> tapaukset() {
  const std::string maalis = jakso("2024-03-01", "2024-03-31");
  return {
      {"053 kaikki", "053",
       "<ElctrncSeqNb>17</ElctrncSeqNb><LglSeqNb>3</LglSeqNb>" + maalis + ibanTili("FI2112345600000785", "EUR") +
           saldo("OPBD", "1234.56", "CRDT") + saldo("CLBD", "1000", "DBIT"),
       {"FI2112345600000785", 17, "2024-03-01", "2024-03-31", 123456, -100000, "EUR"}},
      {"053 muu tilinumero, oikeudellinen numero, velkasaldo alussa", "053",
       "<LglSeqNb> 42 </LglSeqNb>" + maalis +
           "<Acct><Id><Othr><Id> 123456-785 </Id></Othr></Id><Ownr><Id><OrgId><Othr><Id>1234567-8</Id></Othr>"
           "</OrgId></Id></Ownr></Acct>" +
           saldo("OPBD", "0.5", "DBIT", "SEK") + saldo("CLBD", "0.00", "CRDT", "SEK"),
       {"123456-785", 42, "2024-03-01", "2024-03-31", -50, 0, "SEK"}},
      {"053 ei numeroa, PRCD ennen OPBD:tä", "053",
       "<ElctrncSeqNb>1A</ElctrncSeqNb>" + maalis + ibanTili("FI1", "EUR") + saldo("PRCD", "5.00", "CRDT") +
           saldo("OPBD", "7.25", "CRDT") + saldo("CLBD", "8.000", "CRDT"),
       {"FI1", std::nullopt, "2024-03-01", "2024-03-31", 725, 800, "EUR"}},
      {"053 PRCD OPBD:n sijaan, vuoden vaihde", "053",
       "<ElctrncSeqNb>0009</ElctrncSeqNb>" + jakso("2024-12-31", "2025-01-01") + ibanTili("FI2") +
           saldo("PRCD", "99.99", "DBIT") + saldo("CLBD", "1.001", "CRDT"),
       {"FI2", 9, "2024-12-31", "2025-01-01", -9999, std::nullopt, "EUR"}},
      {"053 tyhjä tili, ei saldoja, ei jaksoa", "053",
       "<CreDtTm>2024-02-29T10:00:00</CreDtTm>" + ibanTili("  ", "EUR"),
       {"", std::nullopt, "2024-02-29", "2024-02-29", std::nullopt, std::nullopt, "EUR"}},
      {"053 muut saldotyypit, virheellinen määrä", "053",
       maalis + ibanTili("FI3") + saldo("ITBD", "1.00", "CRDT", "USD") + saldo("OPBD", "-1.00", "CRDT") +
           saldo("CLAV", "2.00", "CRDT"),
       {"FI3", std::nullopt, "2024-03-01", "2024-03-31", std::nullopt, std::nullopt, "USD"}},
      {"052 raportti", "052",
       "<ElctrncSeqNb>5</ElctrncSeqNb>" + maalis + ibanTili("FI4", "EUR") + saldo("OPBD", "10", "CRDT") +
           saldo("CLBD", "20.5", "DBIT"),
       {"FI4", 5, "2024-03-01", "2024-03-31", 1000, -2050, "EUR"}},
      {"054 ilmoitus", "054", ibanTili("FI5"), {"FI5", std::nullopt, "2024-04-01", "2024-04-01", {}, {}, ""}},
  };
}

std::string lista(const char* viesti) {
  const std::string v = viesti;
  return v == "052" ? "Rpt" : v == "053" ? "Stmt" : "Ntfctn";
}

std::uint64_t tiiviste(const std::string& s) {
  split::Tiivistaja h;
  h.lisaa(s.data(), s.size());
  return h.arvo();
}

std::vector<Tiliote> luettele(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku = 0) {
  std::vector<Tiliote> v;
  split::camt::muoto().tiliotteet(polku, a, alku, [&](const Tiliote& t) { v.push_back(t); });
  return v;
}

// Every row one statement, each message in documents of its own, in one file; the same read
// through buffers of many sizes and reads of every size.
TEST(CamtTiliotteet, TunnistePerKentta) {
  testi::Kansio k;
  const auto tt = tapaukset();
  std::string tiedosto;
  std::vector<std::string> lausunnot;
  for (std::size_t i = 0; i < tt.size(); ++i) {
    const std::string l = lista(tt[i].viesti);
    lausunnot.push_back("<" + l + "><Id>S" + std::to_string(i) + "</Id>" + tt[i].sisalto + "</" + l + ">");
    tiedosto += dokumentti(tt[i].viesti, {lausunnot.back()});
  }
  testi::kirjoitaTiedosto(k / "T.XML", tiedosto);
  PaloitteluAsetukset a;
  a.nimenAlkuosa = "XML-*-";
  a.nimenLoppuosa = ".XML";
  for (const std::size_t puskuri : {std::size_t{0}, std::size_t{16}, std::size_t{17}, std::size_t{61}, std::size_t{500}}) {
    a.saadot.puskuri = puskuri;
    for (const auto& ajo : testi::aikataulut()) {
      SCOPED_TRACE(std::string(ajo.nimi) + ", puskuri " + std::to_string(puskuri));
      std::vector<Tiliote> v;
      {
        testi::Lukukoot koot(ajo.vuoro);
        v = luettele(k / "T.XML", a);
      }
      ASSERT_EQ(v.size(), tt.size());
      for (std::size_t i = 0; i < tt.size(); ++i) {
        SCOPED_TRACE(tt[i].kuvaus);
        const Odotettu& o = tt[i].odotettu;
        const Tiliote& t = v[i];
        EXPECT_EQ(t.tili, o.tili);
        EXPECT_EQ(t.numero, o.numero);
        EXPECT_EQ(t.alku, o.alku);
        EXPECT_EQ(t.loppu, o.loppu);
        EXPECT_EQ(t.alkusaldo, o.alkusaldo);
        EXPECT_EQ(t.loppusaldo, o.loppusaldo);
        EXPECT_EQ(t.valuutta, o.valuutta);
        EXPECT_EQ(tiedosto.substr(t.kohta, t.pituus), lausunnot[i]);
        EXPECT_EQ(t.tiiviste, tiiviste(lausunnot[i]));
        EXPECT_EQ(t.yritys, "XML-" + o.alku.substr(0, 4) + "-1234567-8.XML");
      }
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// What the split refuses gives no statements but a failure; a grown archive's statements from
// where its split begins, its last document held back while it is not whole.
TEST(CamtTiliotteet, VainToimitettavat) {
  testi::Kansio k;
  PaloitteluAsetukset a;
  const std::string s1 = "<Stmt><Id>A</Id>" + ibanTili("FI1") + "</Stmt>";
  const std::string s2 = "<Stmt><Id>B</Id>" + ibanTili("FI2") + "</Stmt>";
  const std::string d1 = dokumentti("053", {s1}), d2 = dokumentti("053", {s2});
  const struct {
    const char* kuvaus;
    std::string sisalto;
    std::uint64_t alku;
    std::vector<std::string> odotetut;  // the statements' Ids; none when refused
    bool hylatty;
  } rivit[] = {
      {"kokonainen", d1 + d2, 0, {"FI1", "FI2"}, false},
      {"toisesta asiakirjasta", d1 + d2, d1.size(), {"FI2"}, false},
      {"kesken jäänyt viimeinen", d1 + d2.substr(0, d2.size() - 20), 0, {}, true},
      {"kasvanut, viimeinen kesken", d1 + d2 + d1.substr(0, 90), d1.size(), {"FI2"}, false},
      {"kasvanut, ainoa kesken", d1 + d2.substr(0, 90), d1.size(), {}, false},
      {"avaimeton", d1 + dokumentti("053", {"<Stmt><Id>C</Id></Stmt>"}), 0, {}, true},
      {"kasvanut, roskaa", d1 + "roskaa" + d2, d1.size(), {}, true},
      // The split reads no sequence number: one of any length is no refusal.
      {"pitkä numero", dokumentti("053", {"<Stmt><Id>D</Id><ElctrncSeqNb>" + std::string(5000, '1') +
                                          "</ElctrncSeqNb>" + ibanTili("FI3") + "</Stmt>"}),
       0, {"FI3"}, false},
  };
  for (const auto& r : rivit) {
    SCOPED_TRACE(r.kuvaus);
    testi::kirjoitaTiedosto(k / "T.XML", r.sisalto);
    std::vector<std::string> tilit;
    bool hylatty = false;
    try {
      for (const Tiliote& t : luettele(k / "T.XML", a, r.alku)) tilit.push_back(t.tili);
    } catch (const euro::Virhe& v) {
      hylatty = true;
      EXPECT_EQ(v.numero(), euro::virhenro::kayttovirhe);
    }
    EXPECT_EQ(hylatty, r.hylatty);
    if (!r.hylatty) {
      EXPECT_EQ(tilit, r.odotetut);
    }
  }
}

std::string yrityksen(const std::string& id, int yritys) {
  const std::string tunnus = std::string(7, static_cast<char>('1' + yritys)) + "-" + std::to_string(yritys + 1);
  return "<Stmt><Id>" + id + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>FI0" + tunnus +
         "</IBAN></Id><Ownr><Id><OrgId><Othr><Id>" + tunnus + "</Id></Othr></OrgId></Id></Ownr></Acct></Stmt>";
}

// The statements given by number passed over, in place and archived, in segments of the whole
// file and in segments that end inside documents: the company files end as a split of the file
// without them leaves them, a company with none left gets no file, and the summary counts only
// what was written.
TEST(CamtTiliotteet, OhitettavatEivatMeneMinnekaan) {
  const std::string pohja = dokumentti("053", {yrityksen("P1", 0), yrityksen("P2", 1)}, "P");
  const std::vector<std::string> l = {yrityksen("A1", 0), yrityksen("B1", 1), yrityksen("A2", 0),
                                      yrityksen("C1", 2), yrityksen("B2", 1), yrityksen("A3", 0),
                                      yrityksen("C2", 2), yrityksen("B3", 1)};
  auto tiedosto = [&](const std::vector<bool>& pois) {
    std::vector<std::string> v(l.size());
    for (std::size_t i = 0; i < l.size(); ++i)
      if (!pois[i]) v[i] = l[i];
    auto d = [&](std::vector<std::string> w, const char* sanoma) {
      std::erase(w, std::string());
      return dokumentti("053", w, sanoma);
    };
    // Each its own head, so that a file's head tells which document it came from.
    return d({v[0], v[1], v[2]}, "D1") + d({v[3]}, "D2") + d({v[4], v[5], v[6], v[7]}, "D3");
  };
  const struct {
    const char* kuvaus;
    std::vector<int> ohi;
  } rivit[] = {
      {"ensimmäinen", {0}},
      {"koko asiakirja", {3}},
      {"yrityksen kaikki", {3, 6}},
      {"asiakirjan viimeinen ja seuraavan ensimmäinen", {2, 4}},
      {"peräkkäiset", {4, 5, 6}},
      {"kaikki", {0, 1, 2, 3, 4, 5, 6, 7}},
  };
  PaloitteluAsetukset::Saadot pienet;
  pienet.jaksot = {2, 1};
  for (const auto& r : rivit) {
    std::vector<bool> pois(l.size(), false);
    for (int i : r.ohi) pois[static_cast<std::size_t>(i)] = true;
    const std::string kaikki = tiedosto(std::vector<bool>(l.size(), false));
    split::Ohitettavat ohita;
    for (int i : r.ohi) {
      const std::size_t alku = kaikki.find(l[static_cast<std::size_t>(i)]);
      ohita.lisaa(alku, alku + l[static_cast<std::size_t>(i)].size());
    }
    std::map<std::string, std::string> odotettu;
    for (int tapa = 0; tapa < 5; ++tapa) {
      const bool arkistoiden = tapa % 2 == 0 && tapa > 0;
      SCOPED_TRACE(std::string(r.kuvaus) + ", tapa " + std::to_string(tapa));
      testi::Kansio k;
      PaloitteluAsetukset a;
      a.tiliotetiedosto = k / "TILIOTE.XML";
      a.kohdehakemisto = k / "ulos";
      a.nimenAlkuosa = "XML-";
      a.nimenLoppuosa = ".XML";
      a.saadot = tapa > 2 ? pienet : PaloitteluAsetukset::Saadot{};
      alusta::luoHakemisto(a.kohdehakemisto);
      testi::kirjoitaTiedosto(a.tiliotetiedosto, pohja);
      vika::paikallaanOhittaen(a, {});
      // Tapa 0: the file without them, split whole, which the others must equal.
      testi::kirjoitaTiedosto(a.tiliotetiedosto, tapa == 0 ? tiedosto(pois) : kaikki);
      const split::Yhteenveto y = arkistoiden ? vika::arkistoidenOhittaen(a, "2024-04-02+060000-", ohita)
                                              : vika::paikallaanOhittaen(a, tapa == 0 ? split::Ohitettavat{} : ohita);
      std::int64_t eria = 0;
      for (const auto& f : y.tiedostot) {
        EXPECT_GT(f.eria, 0) << f.polku;
        eria += f.eria;
      }
      EXPECT_EQ(eria, static_cast<std::int64_t>(l.size() - r.ohi.size()));
      const auto nyt = vika::sisallot(k / "ulos");
      if (tapa == 0) {
        odotettu = nyt;
      } else {
        EXPECT_EQ(nyt, odotettu);
      }
      // Only the archive stays: the journal went.
      if (arkistoiden) {
        EXPECT_EQ(testi::tiedostot(k / "TUODUT").size(), 1u);
      }
    }
  }
}

}  // namespace

// The check's own walk gives the ledger the statements that tiliotteet gives, field for field,
// in segments of the whole file, in segments that end inside documents, through a small buffer.
TEST(CamtTiliotteet, TarkistusLuetteleeKuinTiliotteet) {
  const std::string tiedosto =
      dokumentti("053", {yrityksen("A1", 0), yrityksen("B1", 1), yrityksen("A2", 0)}, "D1") +
      dokumentti("053", {yrityksen("C1", 2)}, "D2") +
      dokumentti("053", {yrityksen("B2", 1), yrityksen("A3", 0), yrityksen("C2", 2), yrityksen("B3", 1)}, "D3");
  const struct {
    const char* kuvaus;
    std::size_t tiedostoja;
    std::uint64_t tavuja;
    std::size_t puskuri;
  } rivit[] = {
      {"koko tiedosto", 0, 0, 0},
      {"asiakirjojen sisällä", 2, 1, 0},
      {"yritys jaksossa", 1, 1, 0},
      {"pieni puskuri", 2, 1, 17},
  };
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "T.XML", tiedosto);
  for (const auto& r : rivit) {
    SCOPED_TRACE(r.kuvaus);
    PaloitteluAsetukset a;
    a.nimenAlkuosa = "XML-";
    a.nimenLoppuosa = ".XML";
    a.saadot.jaksot = {r.tiedostoja, r.tavuja};
    a.saadot.puskuri = r.puskuri;
    const std::vector<Tiliote> odotetut = luettele(k / "T.XML", a);
    ASSERT_EQ(odotetut.size(), 8u);
    std::vector<Tiliote> v;
    std::string syy;
    bool lueteltu = false;
    const auto jako = split::camt::muoto().tarkistaLuetellen(
        k / "T.XML", a, syy, [&](const Tiliote& t) { v.push_back(t); }, lueteltu);
    ASSERT_TRUE(jako) << syy;
    EXPECT_TRUE(lueteltu);
    ASSERT_EQ(v.size(), odotetut.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
      const Tiliote &t = v[i], &o = odotetut[i];
      EXPECT_EQ(std::tie(t.kohta, t.pituus, t.tiiviste, t.tili, t.yritys, t.alku, t.loppu, t.numero),
                std::tie(o.kohta, o.pituus, o.tiiviste, o.tili, o.yritys, o.alku, o.loppu, o.numero))
          << i;
    }
  }
}

// A split in place that fails while it writes (a full disk) leaves open only the company file
// it was writing: every other file the segment extends still ends with its closing tags.
TEST(CamtTiliotteet, PaikallaanVikaJattaaAuki) {
  const std::string pohja = dokumentti("053", {yrityksen("P1", 0), yrityksen("P2", 1), yrityksen("P3", 2)}, "P");
  const std::string uusi = dokumentti("053", {yrityksen("A1", 0), yrityksen("B1", 1), yrityksen("C1", 2)}, "U");
  for (std::size_t kohta = 0; kohta < 3; ++kohta) {
    SCOPED_TRACE("kirjoitus " + std::to_string(kohta));
    testi::Kansio k;
    PaloitteluAsetukset a;
    a.tiliotetiedosto = k / "TILIOTE.XML";
    a.kohdehakemisto = k / "ulos";
    a.nimenAlkuosa = "XML-";
    a.nimenLoppuosa = ".XML";
    alusta::luoHakemisto(a.kohdehakemisto);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, pohja);
    vika::paikallaanOhittaen(a, {});
    testi::kirjoitaTiedosto(a.tiliotetiedosto, uusi);
    {
      std::size_t n = 0;
      vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
        if (q.vaihe != alusta::Vaihe::kirjoita || q.polku.rfind(a.kohdehakemisto, 0) != 0 || n++ != kohta)
          return std::nullopt;
        return alusta::Vika{euro::virhenro::levyTaynna, q.n / 2};
      });
      EXPECT_THROW(vika::paikallaanOhittaen(a, {}), euro::Virhe);
    }
    const auto nyt = vika::sisallot(a.kohdehakemisto);
    ASSERT_EQ(nyt.size(), 3u);
    std::size_t auki = 0;
    for (const auto& [nimi, s] : nyt)
      if (!s.ends_with("</Document>\r\n")) ++auki;
    EXPECT_EQ(auki, 1u);
  }
}
