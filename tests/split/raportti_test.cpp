#include "split/raportti.h"

#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"
#include "split/historia.h"
#include "split/raporttikirja.h"
#include "tuki/testituki.h"

namespace {

namespace r = testi::raportti;

struct Raportti : ::testing::Test {
  testi::Kansio kansio;
  std::string data;
  void SetUp() override {
    data = kansio / "data";
    alusta::luoHakemisto(data);
  }
  std::string sivu(int vuosi, int kuukausi) {
    std::string s;
    split::raportti::kirjoita(data, vuosi, kuukausi, [&](const std::string& osa) { s += osa; });
    return s;
  }
};

// Two company files over two months, with every kind of statement line and run line: each
// cell of March holds its marks, April's and February's lines stay out, and each finding is
// told in a sentence.
TEST_F(Raportti, KuukaudenSolutJaHuomautukset) {
  const std::string ulos = kansio / "ulos";
  r::kirjoitaKirja(data, ulos);
  const std::string s = sivu(2026, 3);
  EXPECT_NE(s.find("<title>Tiliotteet maaliskuu 2026</title>"), std::string::npos);
  EXPECT_NE(s.find("Yritystiedostot kansiossa"), std::string::npos);
  EXPECT_EQ(r::sarakkeita(s), 31);

  struct Solu {
    const char* tiedosto;
    int paiva;
    const char* merkit;
  };
  const Solu solut[] = {
      {"TITO-A.TXT", 4, "t5 jJ5"},          // delivered, and the same one passed over later
      {"TITO-A.TXT", 10, "t8 aA sS"},       // a gap and a balance break before it
      {"TITO-A.TXT", 11, ""},               // nor the run that delivered them
      {"TITO-A.TXT", 15, "t✓"},             // a finished split's run line, no statements
      {"TITO-A.TXT", 20, ""},               // the run that delivered statements: no mark of its own
      {"TITO-A.TXT", 31, "t✓"},             // a statement without number
      {"TITO-B.TXT", 1, "t2"},              // a period from February ending in March
      {"TITO-B.TXT", 20, "t3 rT"},          // a number repeated with other bytes
      {"TITO-B.TXT", 2, ""},                // April's statement is not here
      {"TITO-B.TXT", 25, "kK"},             // a run cut off
  };
  for (const Solu& c : solut) {
    SCOPED_TRACE(std::string(c.tiedosto) + " " + std::to_string(c.paiva));
    EXPECT_EQ(r::solu(s, c.tiedosto, c.paiva), c.merkit);
  }
  const char* const lauseet[] = {
      "puuttuvat tiliotteet nro 6–7 ennen tätä: tiliote nro 8 (päättyy 10.3.2026). Pyydä puuttuvat tiliotteet pankista.",
      "saldo ei jatku: tiliote nro 8 (päättyy 10.3.2026) alkaa saldolla 10,00 EUR, mutta edellisen tiliotteen "
      "loppusaldo on -9,50 EUR.",
      "tili FI99 8888: tiliote nro 3 (päättyy 20.3.2026) tuli uudelleen eri sisällöllä ja lisättiin.",
      "16.3.2026 klo 09.15: paloittelu hylkäsi tiedoston",
      "paloittelu keskeytyi, tiedosto",
  };
  for (const char* l : lauseet) EXPECT_NE(s.find(l), std::string::npos) << l;
  EXPECT_EQ(s.find("1.4.2026"), std::string::npos);  // April's failed run
  EXPECT_EQ(s.find("helmikuu"), std::string::npos);
}

// Every text of the ledger reaches the page escaped, in UTF-8; the page fetches nothing.
TEST_F(Raportti, TekstitSuojattuinaJaIlmanUlkoisia) {
  const std::string ulos = kansio / "ulos";
  r::kirjoitaKirja(data, ulos);
  r::kirjoitaVaarallinen(data, ulos);
  const std::string s = sivu(2026, 3);
  EXPECT_EQ(s.find("<script"), std::string::npos);
  EXPECT_EQ(s.find("<b>&'"), std::string::npos);
  EXPECT_EQ(s.find("http"), std::string::npos);
  EXPECT_EQ(s.find("src="), std::string::npos);
  EXPECT_EQ(s.find("@import"), std::string::npos);
  EXPECT_NE(s.find("T&lt;b&gt;&amp;&#39;&quot;ä.TXT"), std::string::npos);
  EXPECT_NE(s.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_TRUE(euro::onUtf8(s));
  // The file is no longer in one folder with the others: full paths.
  EXPECT_EQ(s.find("Yritystiedostot kansiossa"), std::string::npos);
}

// A month without lines, and a data directory without a ledger, say so in a page of their own.
TEST_F(Raportti, TyhjaKuukausi) {
  const std::string tyhja = sivu(2026, 2);
  r::kirjoitaKirja(data, kansio / "ulos");
  for (const std::string& s : {tyhja, sivu(2025, 12), sivu(2026, 5)}) {
    EXPECT_NE(s.find("ei ole tältä kuukaudelta"), std::string::npos);
    EXPECT_EQ(s.find("<table"), std::string::npos);
    EXPECT_NE(s.find("</html>"), std::string::npos);
  }
  EXPECT_THROW(sivu(2026, 13), euro::Virhe);
}

}  // namespace
