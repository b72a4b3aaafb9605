// A table of statement series, run day by day through the whole split for each format that
// numbers its statements and carries balances: what the summary tells, what the ledger notes on
// the statement's line and whether the statement went into its company file agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/historia.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using namespace vika::yhteiset;

// One statement of account FI55: its number, the day its period is, its balances in cents.
struct Ote {
  int numero;
  int paiva;  // of March 2026
  long long alku, loppu;
};

std::string saldo(long long senttia) {
  std::string s = std::to_string(senttia < 0 ? -senttia : senttia);
  return (senttia < 0 ? "-" : "+") + std::string(18 - s.size(), '0') + s;
}

std::string pvm(int paiva) { return "2603" + std::string(paiva < 10 ? "0" : "") + std::to_string(paiva); }

std::string tito(const Ote& o) {
  testi::T00 t;
  t.tili = "55555555555555";
  t.asiakas = "5555555-5";
  const std::string n = std::to_string(o.numero);
  t.numero = std::string(3 - n.size(), '0') + n;
  t.alku = t.loppu = pvm(o.paiva);
  std::string r = t.rivi();
  r.replace(65, 25, pvm(o.paiva) + saldo(o.alku));
  r.replace(96, 3, "EUR");
  std::string t40 = "T40050" + pvm(o.paiva) + saldo(o.loppu);
  return r + "\r\n" + t40 + "\r\n";
}

std::string xml(const Ote& o) {
  const std::string p = std::string("2026-03-") + (o.paiva < 10 ? "0" : "") + std::to_string(o.paiva);
  auto bal = [](const char* laji, long long s) {
    const long long a = s < 0 ? -s : s;
    return std::string("<Bal><Tp><CdOrPrtry><Cd>") + laji + "</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">" +
           std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100) +
           "</Amt><CdtDbtInd>" + (s < 0 ? "DBIT" : "CRDT") + "</CdtDbtInd></Bal>";
  };
  return "<Stmt><Id>S" + std::to_string(o.numero) + "</Id><ElctrncSeqNb>" + std::to_string(o.numero) +
         "</ElctrncSeqNb><CreDtTm>" + p + "T05:00:00</CreDtTm><FrToDt><FrDtTm>" + p + "T00:00:00</FrDtTm><ToDtTm>" +
         p + "T23:59:59</ToDtTm></FrToDt><Acct><Id><IBAN>FI5555555555555555</IBAN></Id><Ccy>EUR</Ccy></Acct>" +
         bal("OPBD", o.alku) + bal("CLBD", o.loppu) + "</Stmt>\r\n";
}

struct Sarja {
  const char* kuvaus;
  std::vector<Ote> eilen, tanaan;
  const char* kerrotaan;  // a part of the sentence told of today's statement; empty: nothing
  const char* kirjassa;   // a part of the ledger's note on its line
};

TEST(Sarjat, YhteenvetoJaKirjaSamaa) {
  const Sarja sarjat[] = {
      {"jatkuva", {{1, 2, 0, 100}}, {{2, 3, 100, 150}}, "", ""},
      {"aukko", {{1, 2, 0, 100}}, {{4, 5, 100, 100}}, "puuttuvat tiliotteet nro 2–3", "puuttuu nro 2–3"},
      {"toisto eri sisällöin", {{1, 2, 0, 100}, {2, 3, 100, 120}}, {{2, 3, 100, 125}},
       "tuli tiliote nro 2 uudelleen eri sisällöllä", "nro 2 toistuu eri sisällöllä"},
      {"saldokatko", {{1, 2, 0, 12345}}, {{2, 3, 12000, 12000}},
       "loppusaldo on 123,45 EUR, tämän (nro 2) alkusaldo 120,00 EUR", "alkusaldo 120,00 EUR, edellisen loppusaldo 123,45 EUR"},
      {"negatiiviset saldot jatkuvat", {{1, 2, 0, -500}}, {{2, 3, -500, -20}}, "", ""},
  };
  struct Muoto {
    const char* nimi;
    std::string (*ote)(const Ote&);
    std::string (*tiedosto)(const std::vector<std::string>&);
    PaloitteluAsetukset::Tunniste avain;
  } const muodot[] = {
      {"TITO", tito, [](const std::vector<std::string>& v) { std::string s; for (auto& x : v) s += x; return s; },
       PaloitteluAsetukset::Tunniste::asiakastunnus},
      {"XML", xml, [](const std::vector<std::string>& v) { return vika::asiakirja(v); },
       PaloitteluAsetukset::Tunniste::tilinumero},
  };
  for (const Muoto& muoto : muodot) {
    for (const Sarja& s : sarjat) {
      SCOPED_TRACE(std::string(muoto.nimi) + ": " + s.kuvaus);
      testi::Kansio k;
      testi::Ymparisto ymp;
      ymp.ohjelma.datahakemisto = k / "data";
      alusta::luoHakemisto(k / "data");
      alusta::luoHakemisto(k / "ulos");
      PaloitteluAsetukset a;
      a.tiliotetiedosto = k / "TILIOTE";
      a.kohdehakemisto = k / "ulos";
      a.valitse(muoto.avain);
      split::PaloitteluTulos t;
      for (const auto* paiva : {&s.eilen, &s.tanaan}) {
        std::vector<std::string> otteet;
        for (const Ote& o : *paiva) otteet.push_back(muoto.ote(o));
        testi::kirjoitaTiedosto(a.tiliotetiedosto, muoto.tiedosto(otteet));
        t = split::paloittele(a, paiva == &s.eilen ? kello1 : kello2);
        ASSERT_TRUE(t.valmis);
        if (paiva == &s.eilen) {
          EXPECT_TRUE(t.katsottavaa.empty()) << t.katsottavaa.front();
        }
      }
      // The summary, and the window's and the log's words, which are the same sentences.
      if (*s.kerrotaan) {
        ASSERT_EQ(t.katsottavaa.size(), 1u);
        EXPECT_NE(t.katsottavaa[0].find(euro::ansi(s.kerrotaan)), std::string::npos) << t.katsottavaa[0];
      } else {
        EXPECT_TRUE(t.katsottavaa.empty()) << t.katsottavaa.front();
      }
      // Delivered whatever was found: nothing is held back for a series out of step.
      EXPECT_EQ(t.toimitettuja, 0);
      // Today's statement's line in the ledger.
      std::vector<split::historia::Merkinta> rivit;
      split::historia::Suodatin suodatin;
      suodatin.ajot = false;
      split::historia::lue(k / "data", suodatin, [&](const std::string& r) {
        rivit.emplace_back();
        ASSERT_TRUE(split::historia::jasenna(r, rivit.back()));
      });
      ASSERT_EQ(rivit.size(), s.eilen.size() + 1);
      const split::historia::Merkinta& m = rivit.back();
      EXPECT_EQ(m.tapahtuma, "tiliote");
      EXPECT_EQ(m.numero, std::to_string(s.tanaan[0].numero));
      EXPECT_EQ(m.alkusaldo, split::historia::euroina(s.tanaan[0].alku));
      EXPECT_EQ(m.loppusaldo, split::historia::euroina(s.tanaan[0].loppu));
      if (*s.kirjassa) EXPECT_NE(m.huomautus.find(euro::ansi(s.kirjassa)), std::string::npos) << m.huomautus;
      else EXPECT_EQ(m.huomautus, "");
    }
  }
}

}  // namespace
