// An XML split cut off by a failed write is finished by the next run exactly once: statements
// in new company files and in files extended before their closing tags alike.
#include <gtest/gtest.h>

#include <map>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using split::PaloitteluAsetukset;
const std::string S(1, alusta::erotin);

alusta::Aika kello0() { return {2024, 4, 1, 6, 0, 0}; }
alusta::Aika kello1() { return {2024, 4, 2, 6, 0, 0}; }
alusta::Aika kello2() { return {2024, 4, 3, 6, 0, 0}; }

std::string lausunto(const std::string& id, const std::string& tunnus) {
  return "<Stmt><Id>" + id + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>FI00" + tunnus +
         "</IBAN></Id><Ownr><Id><OrgId><Othr><Id>" + tunnus + "</Id></Othr></OrgId></Id></Ownr></Acct>" +
         "<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">1.00</Amt>"
         "<CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2024-03-31</Dt></Dt></Bal></Stmt>\r\n";
}

std::string asiakirja(const std::vector<std::string>& lausunnot) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                  "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">\r\n<BkToCstmrStmt>"
                  "<GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>\r\n";
  for (const auto& l : lausunnot) s += l;
  return s + "</BkToCstmrStmt>\r\n</Document>\r\n";
}

std::map<std::string, std::string> sisallot(const std::string& kansio) {
  std::map<std::string, std::string> m;
  for (const std::string& n : testi::tiedostot(kansio)) m[n] = testi::lueTiedosto(kansio + S + n);
  return m;
}

struct CamtKesken : ::testing::Test {
  // The first file makes company files that the later runs extend; the second is cut off.
  const std::string pohja = asiakirja({lausunto("P1", "1111111-1"), lausunto("P2", "2222222-2")});
  const std::string eka = asiakirja({lausunto("E1", "1111111-1"), lausunto("E2", "3333333-3"),
                                     lausunto("E3", "2222222-2"), lausunto("E4", "1111111-1")}) +
                          asiakirja({}) +  // no statements: the journal moves past it all the same
                          asiakirja({lausunto("E5", "3333333-3"), lausunto("E6", "4444444-4")}) +
                          asiakirja({lausunto("E7", "2222222-2")});
  const std::string toka = asiakirja({lausunto("T1", "4444444-4"), lausunto("T2", "1111111-1")});

  PaloitteluAsetukset asetukset(const testi::Kansio& k) {
    PaloitteluAsetukset a;
    a.txtPaloiteltavaTiedosto = k / "TILIOTE.XML";
    a.txtTallennusHakemisto = k / "ulos";
    a.txtNimenAlkuosa = "XML-";
    a.txtNimenLoppuosa = ".XML";
    a.chkAikaleimaaPaloiteltava = true;
    return a;
  }
};

TEST_F(CamtKesken, ViimeistellaanKerranKutenYhtenaAjona) {
  // Uninterrupted runs over the three files, and how many writes the second makes.
  std::map<std::string, std::string> odotettu;
  std::size_t kirjoituksia = 0;
  {
    testi::Kansio k;
    testi::Ymparisto ymp;
    ymp.viestit.vastaukset = {6};
    const auto a = asetukset(k);
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", pohja);
    ASSERT_TRUE(split::paloittele(a, kello0).valmis);
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", eka);
    {
      vika::Koukku laskuri([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
        if (q.vaihe == alusta::Vaihe::kirjoita && q.polku.rfind(k / "ulos", 0) == 0) ++kirjoituksia;
        return std::nullopt;
      });
      ASSERT_TRUE(split::paloittele(a, kello1).valmis);
    }
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", toka);
    ASSERT_TRUE(split::paloittele(a, kello2).valmis);
    odotettu = sisallot(k / "ulos");
    ASSERT_EQ(odotettu.size(), 4u);
  }
  ASSERT_GT(kirjoituksia, 10u);
  for (std::size_t kohta = 0; kohta < kirjoituksia; ++kohta) {
    SCOPED_TRACE("kirjoitus " + std::to_string(kohta));
    testi::Kansio k;
    testi::Ymparisto ymp;
    ymp.viestit.vastaukset = {6};
    const auto a = asetukset(k);
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", pohja);
    ASSERT_TRUE(split::paloittele(a, kello0).valmis);
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", eka);
    {
      std::size_t n = 0;
      vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
        if (q.vaihe != alusta::Vaihe::kirjoita || q.polku.rfind(k / "ulos", 0) != 0) return std::nullopt;
        if (n++ != kohta) return std::nullopt;
        return alusta::Vika{euro::virhenro::levyTaynna, q.n / 2};
      });
      EXPECT_FALSE(split::paloittele(a, kello1).valmis);
    }
    ASSERT_EQ(ymp.virheet.size(), 1u);
    testi::kirjoitaTiedosto(k / "TILIOTE.XML", toka);
    const auto tulos = split::paloittele(a, kello2);
    EXPECT_TRUE(tulos.valmis);
    ASSERT_EQ(tulos.viimeistellyt.size(), 1u);
    EXPECT_EQ(ymp.virheet.size(), 1u);
    EXPECT_EQ(sisallot(k / "ulos"), odotettu);
    // Only the archives stay: no journal, no undo records.
    EXPECT_EQ(testi::tiedostot(k / "TUODUT").size(), 3u);
  }
}

}  // namespace
