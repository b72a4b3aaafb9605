// Every format of the table delivers a statement once: a file that repeats what was delivered
// before (a clerk copying yesterday's archive back, the bank program fetching a day again) adds
// nothing of it, a file that repeats yesterday's and adds today's delivers today's alone, and
// the office is told of each statement passed over; the ledger says the same.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/historia.h"
#include "split/muoto.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "muotorivit.h"
#include "vikatuki.h"

namespace {

using namespace vika::yhteiset;
using Sisallot = std::map<std::string, std::string>;

struct Kertaalleen : ::testing::TestWithParam<vika::Muotorivi> {};

PaloitteluAsetukset asetukset(const testi::Kansio& k, bool arkistoi) {
  PaloitteluAsetukset a;
  a.tiliotetiedosto = k / "TILIOTE";
  a.kohdehakemisto = k / "ulos";
  a.arkistoi = arkistoi;
  return a;
}

// The files by name and size, for a failure's message; the bytes are compared whole.
::testing::AssertionResult samat(const Sisallot& a, const Sisallot& b) {
  if (a == b) return ::testing::AssertionSuccess();
  auto r = ::testing::AssertionFailure();
  for (const Sisallot* s : {&a, &b}) {
    r << "{";
    for (const auto& [n, t] : *s) r << " " << n << ":" << t.size();
    r << " } ";
  }
  return r;
}

std::size_t sisaltaa(const std::vector<std::string>& v, const std::string& teksti) {
  std::size_t n = 0;
  for (const std::string& s : v) n += s.find(teksti) != std::string::npos;
  return n;
}

TEST_P(Kertaalleen, ToistoOhitetaanJaKerrotaan) {
  const vika::Muotorivi& rivi = GetParam();
  const std::string eilen = rivi.tiliote(6, 3, 1), tanaan = rivi.tiliote(3, 3, 50);
  for (const bool arkistoi : {true, false}) {
    SCOPED_TRACE(arkistoi ? "arkistoiden" : "paikallaan");
    // What the company files hold when each day's file comes once, with no ledger at all.
    Sisallot odotettu;
    {
      testi::Kansio k;
      testi::Ymparisto ymp;
      alusta::luoHakemisto(k / "ulos");
      using Kello = alusta::Aika (*)();
      for (const auto& [sisalto, kello] : {std::pair<std::string, Kello>{eilen, kello1}, std::pair<std::string, Kello>{tanaan, kello2}}) {
        testi::kirjoitaTiedosto(k / "TILIOTE", sisalto);
        ASSERT_TRUE(split::paloittele(asetukset(k, arkistoi), kello).valmis);
      }
      odotettu = vika::sisallot(k / "ulos");
    }

    testi::Kansio k;
    testi::Ymparisto ymp;
    ymp.ohjelma.datahakemisto = k / "data";
    alusta::luoHakemisto(k / "data");
    alusta::luoHakemisto(k / "ulos");
    struct Paiva {
      const char* kuvaus;
      std::string sisalto;
      alusta::Aika (*kello)();
      std::int64_t toimitettuja;
    } const paivat[] = {
        {"eilinen", eilen, kello1, 0},
        {"eilinen uudelleen", eilen, kello2, 6},
        {"eilinen ja tämän päivän", eilen + tanaan, kello3, 6},
    };
    Sisallot eilenJalkeen;
    for (const Paiva& p : paivat) {
      SCOPED_TRACE(p.kuvaus);
      testi::kirjoitaTiedosto(k / "TILIOTE", p.sisalto);
      const split::PaloitteluTulos t = split::paloittele(asetukset(k, arkistoi), p.kello);
      ASSERT_TRUE(t.valmis);
      EXPECT_EQ(t.toimitettuja, p.toimitettuja);
      EXPECT_EQ(sisaltaa(t.katsottavaa, "oli jo toimitettu"), static_cast<std::size_t>(p.toimitettuja));
      if (p.toimitettuja == 0) eilenJalkeen = vika::sisallot(k / "ulos");
      if (p.sisalto == eilen) {
        EXPECT_TRUE(samat(vika::sisallot(k / "ulos"), eilenJalkeen));
      }
    }
    EXPECT_TRUE(samat(vika::sisallot(k / "ulos"), odotettu));
    for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;

    // The ledger: every statement delivered once, every repeat passed over, on its own line.
    std::map<std::string, int> tapahtumat;
    split::historia::Suodatin s;
    s.ajot = false;
    split::historia::Merkinta m;
    split::historia::lue(k / "data", s, [&](const std::string& r) {
      ASSERT_TRUE(split::historia::jasenna(r, m)) << r;
      ++tapahtumat[m.tapahtuma];
      EXPECT_FALSE(m.yritys.empty()) << r;
      EXPECT_EQ(m.tiiviste.size(), 16u) << r;
    });
    EXPECT_EQ(tapahtumat[split::historia::tapahtuma::tiliote], 9);
    EXPECT_EQ(tapahtumat[split::historia::tapahtuma::toimitettu], 12);
  }
}

INSTANTIATE_TEST_SUITE_P(Taulukko, Kertaalleen, ::testing::ValuesIn(vika::muotorivit()),
                         [](const ::testing::TestParamInfo<vika::Muotorivi>& i) { return std::string(i.param.nimi); });

}  // namespace
