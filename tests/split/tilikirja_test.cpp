// The ledger's check on a thread beside the split: the split learns of a statement, and a journal
// record of its segment, only once the check has passed it, a check that stops stops the split
// with its own failure, and a split that fails stops the check.
#include "split/tilikirja.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/kesken.h"
#include "split/muoto.h"
#include "split/t00.h"
#include "split/tiliote.h"
#include "tuki/testituki.h"

namespace {

using split::PaloitteluAsetukset;
using split::Tiliote;
const std::string S(1, alusta::erotin);
const alusta::Aika aika{2018, 8, 21, 14, 30, 5};

const split::Muoto& tito() { return *split::muotoNimella("TITO"); }

// TITO's own walk, stopped by a failure of its read at the statement numbered katkeaa.
class Katkeava : public split::Muoto {
 public:
  explicit Katkeava(std::size_t katkeaa) : katkeaa_(katkeaa) {}
  std::string_view nimi() const override { return tito().nimi(); }
  split::Yksikko yksikko() const override { return tito().yksikko(); }
  bool tunnista(const std::string& p) const override { return tito().tunnista(p); }
  std::unique_ptr<split::Paloittelija> tarkista(const std::string& p, const PaloitteluAsetukset& a,
                                                std::string& syy) const override {
    return tito().tarkista(p, a, syy);
  }
  std::int64_t viimeistele(split::Kirjaus& k, const split::KirjanOtsikko& o, const std::string& ar,
                           const split::KirjanOsa& v, split::Yhteenveto& y) const override {
    return tito().viimeistele(k, o, ar, v, y);
  }
  void esikatsele(const std::string& p, const PaloitteluAsetukset& a,
                  const std::function<void(const std::string&)>& ulos) const override {
    tito().esikatsele(p, a, ulos);
  }
  void tiliotteet(const std::string& p, const PaloitteluAsetukset& a, std::uint64_t alku,
                  const std::function<void(const Tiliote&)>& anna) const override {
    ++kaynteja;
    std::size_t n = 0;
    tito().tiliotteet(p, a, alku, [&](const Tiliote& t) {
      if (n++ == katkeaa_) throw euro::Virhe(euro::virhenro::laitevirhe, "luku katkesi");
      annettu = n;
      anna(t);
    });
  }
  mutable std::atomic<std::size_t> annettu{0};
  mutable std::atomic<std::size_t> kaynteja{0};  // walks begun

 private:
  std::size_t katkeaa_;
};

struct Tilikirja : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio k;
  PaloitteluAsetukset a;
  std::string tiedosto;
  std::vector<Tiliote> v;
  void SetUp() override {
    alusta::luoHakemisto(k / "data");
    ymp.ohjelma.datahakemisto = k / "data";
    a.tiliotetiedosto = k / "TITO.TXT";
    for (int i = 0; i < 40; ++i) {
      testi::T00 t;
      t.asiakas = std::to_string(1000 + i % 7);
      t.tili = std::to_string(12345678900000 + i);  // a series each: all are remembered
      tiedosto += t.rivi() + "\r\nT10 " + std::string(30 + i, 'r') + "\r\n";
    }
    testi::kirjoitaTiedosto(a.tiliotetiedosto, tiedosto);
    tito().tiliotteet(a.tiliotetiedosto, a, 0, [&](const Tiliote& t) { v.push_back(t); });
    ASSERT_EQ(v.size(), 40u);
  }
};

TEST_F(Tilikirja, RinnallaKutenEnnen) {
  const struct {
    const char* kuvaus;
    std::size_t katkeaa;    // the check's walk fails at this statement (past the end: never)
    std::size_t kysytaan;   // the split asks this many before it fails itself (all: never)
    bool toimitettu;        // the file was delivered once before
    bool jaksoittain = false;  // archiving: a record asks for each segment of 8 before its units
  } tapaukset[] = {
      {"loppuun", 99, 40, false},
      {"toimitettu ennen", 99, 40, true},
      {"tarkastus katkeaa alussa", 0, 40, false},
      {"tarkastus katkeaa keskellä", 17, 40, false},
      {"tarkastus katkeaa lopussa", 39, 40, false},
      {"jako katkeaa", 99, 5, false},
      {"arkistoiden loppuun", 99, 40, false, true},
      {"arkistoiden toimitettu ennen", 99, 40, true, true},
      {"arkistoiden tarkastus katkeaa keskellä", 17, 40, false, true},
  };
  using Alueet = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::filesystem::remove_all(k / "data");
    alusta::luoHakemisto(k / "data");
    std::int64_t toimitettuja = 0, huomioita = 0;
    if (t.toimitettu) {
      // The ledger's lines of a first delivery, as the run in place writes them.
      split::Tilikirja eilen(aika);
      auto tarkastaja = eilen.tarkastaja(tito(), a, k / "ulos" + S, toimitettuja, huomioita);
      eilen.tarkasta(tito(), a, a.tiliotetiedosto, tarkastaja);
      eilen.kirjaa(tito(), a, a.tiliotetiedosto, "", eilen.kohde(), eilen.ohitettavat(), 0, true);
      ASSERT_EQ(toimitettuja, 0);
    }
    const Katkeava muoto(t.katkeaa);
    split::Tilikirja kirja(aika);
    auto tarkastaja = kirja.tarkastaja(muoto, a, k / "ulos" + S, toimitettuja, huomioita);
    kirja.tarkastaRinnalla(muoto, a, a.tiliotetiedosto, tarkastaja);
    std::size_t kysytty = 0;
    bool katkesi = false;
    try {
      for (const Tiliote& s : v) {
        if (kysytty == t.kysytaan) break;
        if (t.jaksoittain && kysytty % 8 == 0) {
          // The segment's ranges, once the check has passed all of it, as the check found them.
          const std::uint64_t alku = s.kohta, loppu = v[kysytty + 7].kohta + v[kysytty + 7].pituus;
          const Alueet alueet = kirja.ohitettavat().valilla(alku, loppu).alueet();
          EXPECT_GE(muoto.annettu.load(), kysytty + 8);
          EXPECT_EQ(alueet, (t.toimitettu ? Alueet{{alku, loppu}} : Alueet{}));
        }
        const bool ohi = kirja.ohitettavat().sisaltaa(s.kohta);
        // Answered only once the check has passed it, and as the check found it.
        EXPECT_GT(muoto.annettu.load(), kysytty);
        EXPECT_EQ(ohi, t.toimitettu);
        ++kysytty;
      }
    } catch (const euro::Virhe& e) {
      katkesi = true;
      EXPECT_EQ(e.viesti(), "luku katkesi");
    }
    if (t.kysytaan < v.size()) {
      // The split failed: the check is stopped and waited for, whatever it had left.
      kirja.peruTarkastus();
      EXPECT_EQ(kysytty, t.kysytaan);
      continue;
    }
    EXPECT_EQ(katkesi, t.katkeaa < v.size());
    if (katkesi) {
      // Archiving, the segment's record is what stops.
      EXPECT_EQ(kysytty, t.jaksoittain ? t.katkeaa / 8 * 8 : t.katkeaa);
      kirja.peruTarkastus();
    } else {
      kirja.odotaTarkastus();
      EXPECT_EQ(toimitettuja, t.toimitettu ? 40 : 0);
    }
  }
}

// The check that stopped the split short is the run's failure when it is waited for.
TEST_F(Tilikirja, OdotettuKatkennutHeittaa) {
  std::int64_t toimitettuja = 0, huomioita = 0;
  const Katkeava muoto(3);
  split::Tilikirja kirja(aika);
  auto tarkastaja = kirja.tarkastaja(muoto, a, k / "ulos", toimitettuja, huomioita);
  kirja.tarkastaRinnalla(muoto, a, a.tiliotetiedosto, tarkastaja);
  EXPECT_THROW(kirja.odotaTarkastus(), euro::Virhe);
  EXPECT_FALSE(kirja.ohitettavat().sisaltaa(v[39].kohta));
}

// 13 accounts numbered on: the first 20 statements delivered yesterday, today 10-39 (10-19
// again with the same bytes), account 5 missing its third statement and account 7 its fourth
// numbered twice with other bytes.
struct Osissa : Tilikirja {
  std::vector<std::string> otteet;
  std::vector<Tiliote> tanaan;
  std::string liita(int alku, int loppu) const {
    std::string s;
    for (int i = alku; i < loppu; ++i) s += otteet[i];
    return s;
  }
  void SetUp() override {
    Tilikirja::SetUp();
    for (int i = 0; i < 40; ++i) {
      testi::T00 t;
      t.asiakas = std::to_string(1000 + i % 7);
      t.tili = std::to_string(12345678900000 + i % 13);
      int n = i / 13 + 1;
      if (i % 13 == 5 && n >= 3) ++n;
      if (i % 13 == 7 && n == 3) n = 2;
      t.numero = "00" + std::to_string(n);
      otteet.push_back(t.rivi() + "\r\nT10 " + std::string(30 + i, 'r') + "\r\n");
    }
    testi::kirjoitaTiedosto(a.tiliotetiedosto, liita(10, 40));
    tito().tiliotteet(a.tiliotetiedosto, a, 0, [&](const Tiliote& t) { tanaan.push_back(t); });
  }
  // Yesterday's statements into a ledger of their own, today's file in their place.
  void eilen(const PaloitteluAsetukset& b, const std::string& kohde) {
    std::filesystem::remove_all(k / "data");
    alusta::luoHakemisto(k / "data");
    std::int64_t toimitettuja = 0, huomioita = 0;
    testi::kirjoitaTiedosto(a.tiliotetiedosto, liita(0, 20));
    split::Tilikirja kirja(aika);
    auto tarkastaja = kirja.tarkastaja(tito(), b, kohde, toimitettuja, huomioita);
    kirja.tarkasta(tito(), b, a.tiliotetiedosto, tarkastaja);
    kirja.kirjaa(tito(), b, a.tiliotetiedosto, "", kirja.kohde(), kirja.ohitettavat(), 0, true);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, liita(10, 40));
  }
  // Today's ten repeated statements, one range.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> toistot() const {
    return {{tanaan[0].kohta, tanaan[9].kohta + tanaan[9].pituus}};
  }
};

// The check by parts of the series, as when they pass their memory's bound: every verdict, count,
// sentence and ledger line as the check that kept them all, in order and beside the split, and
// the lines written from what the parts made, without a walk of the file more.
TEST_F(Osissa, KutenKerralla) {
  struct Tulos {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> alueet;
    std::int64_t toimitettuja = 0, huomioita = 0;
    std::vector<std::string> lauseet, kirja;
    bool operator==(const Tulos&) const = default;
  };
  // Walks counted: more than one is a check by parts.
  const Katkeava muoto(1000);
  std::size_t kaynteja = 0, kirjatessa = 0;
  auto aja = [&](std::size_t raja, bool rinnalla) {
    PaloitteluAsetukset b = a;
    b.saadot.sarjat = raja;
    eilen(b, k / "ulos" + S);
    const std::size_t alussa = muoto.kaynteja;
    Tulos r;
    split::Tilikirja kirja(aika);
    auto tarkastaja = kirja.tarkastaja(muoto, b, k / "ulos" + S, r.toimitettuja, r.huomioita);
    if (rinnalla) {
      kirja.tarkastaRinnalla(muoto, b, a.tiliotetiedosto, tarkastaja);
      // The split asks as it goes: each answer waits for every part.
      for (const Tiliote& t : tanaan) kirja.ohitettavat().sisaltaa(t.kohta);
      kirja.odotaTarkastus();
    } else {
      kirja.tarkasta(muoto, b, a.tiliotetiedosto, tarkastaja);
    }
    kaynteja = muoto.kaynteja - alussa;
    r.alueet = kirja.ohitettavat().alueet();
    kirja.kirjaa(muoto, b, a.tiliotetiedosto, "", kirja.kohde(), kirja.ohitettavat(), 0, true);
    kirjatessa = muoto.kaynteja - alussa - kaynteja;
    r.lauseet = kirja.lauseet();
    for (const std::string& n : testi::tiedostot(k / "data")) r.kirja.push_back(testi::lueTiedosto(k / "data" + S + n));
    return r;
  };
  const Tulos kerralla = aja(0, false);
  ASSERT_EQ(kaynteja, 1u);
  EXPECT_EQ(kirjatessa, 0u);
  EXPECT_EQ(kerralla.toimitettuja, 10);
  EXPECT_EQ(kerralla.huomioita, 2);
  EXPECT_EQ(kerralla.alueet, toistot());
  for (const std::size_t raja : {std::size_t{1}, std::size_t{400}, std::size_t{900}}) {
    for (const bool rinnalla : {false, true}) {
      SCOPED_TRACE(std::to_string(raja) + (rinnalla ? " rinnalla" : " järjestyksessä"));
      const Tulos osissa = aja(raja, rinnalla);
      EXPECT_GT(kaynteja, 2u);
      // The parts' own lines go into the ledger: the file is not walked again for them.
      EXPECT_EQ(kirjatessa, 0u);
      EXPECT_EQ(osissa.alueet, kerralla.alueet);
      EXPECT_EQ(osissa.toimitettuja, kerralla.toimitettuja);
      EXPECT_EQ(osissa.huomioita, kerralla.huomioita);
      EXPECT_EQ(osissa.lauseet, kerralla.lauseet);
      EXPECT_EQ(osissa.kirja, kerralla.kirja);
    }
  }
}

// Yesterday's series alone past the bound, today's first statement after a short line of other
// bytes: the first pass says nothing of the file's own series, and the parts start few rather
// than as many as the file has bytes for each byte before that statement (over a thousand
// walks here). Where one series alone passes the bound, its key's part is halved down to it:
// the count depends on the keys, which hold the target's path, so it is bounded loosely.
TEST_F(Osissa, HistoriaYksinYliRajan) {
  const Katkeava muoto(1000);
  for (const std::size_t raja : {std::size_t{0}, std::size_t{100}, std::size_t{400}}) {
    SCOPED_TRACE(raja);
    PaloitteluAsetukset b = a;
    b.saadot.sarjat = raja;
    eilen(b, k / "ulos" + S);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, "ALKU\r\n" + liita(10, 40));
    std::int64_t toimitettuja = 0, huomioita = 0;
    split::Tilikirja kirja(aika);
    auto tarkastaja = kirja.tarkastaja(muoto, b, k / "ulos" + S, toimitettuja, huomioita);
    const std::size_t alussa = muoto.kaynteja;
    kirja.tarkasta(muoto, b, a.tiliotetiedosto, tarkastaja);
    const std::size_t kaynteja = muoto.kaynteja - alussa;
    EXPECT_EQ(toimitettuja, 10);
    EXPECT_EQ(huomioita, 2);
    EXPECT_EQ(kirja.ohitettavat().alueet().size(), 1u);
    if (raja == 0) EXPECT_EQ(kaynteja, 1u);
    else EXPECT_TRUE(kaynteja > 2 && kaynteja < 400) << kaynteja;
  }
}

// A cut-off split's check again, over yesterday's ledger: the same ranges whatever the bound.
TEST_F(Osissa, UudelleenKutenKerralla) {
  split::KirjanOtsikko o = split::otsikkoAsetuksista(a, "TITO", k / "TUODUT", k / "ulos" + S);
  o.arkisto = "20180821143005-TITO.TXT";
  for (const std::size_t raja : {std::size_t{0}, std::size_t{1}, std::size_t{400}}) {
    o.saadot.sarjat = raja;
    eilen(a, o.kohde);
    EXPECT_EQ(split::tarkastaUudelleen(tito(), o, a.tiliotetiedosto).alueet(), toistot()) << raja;
  }
}

}  // namespace
