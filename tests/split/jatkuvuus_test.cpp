// The series of an account's statements as the run judges them: a table of series, each run
// statement by statement, with what the office is told of each and whether it is passed over.
#include "split/jatkuvuus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "euro/teksti.h"
#include "split/historia.h"
#include "tuki/testituki.h"

namespace {

using split::Jatkuvuus;
using split::Tiliote;
using Laji = Jatkuvuus::Laji;

// A statement of account FI1 with number n (0: none), its period's end, its balances and bytes.
Tiliote ote(std::int64_t n, const std::string& paiva, std::optional<std::int64_t> alku,
            std::optional<std::int64_t> loppu, std::uint64_t tavut, const std::string& tili = "FI1") {
  Tiliote t;
  t.tili = tili;
  if (n > 0) t.numero = n;
  t.alku = t.loppu = paiva;
  t.alkusaldo = alku;
  t.loppusaldo = loppu;
  t.valuutta = "EUR";
  t.tiiviste = tavut;
  t.yritys = "Y.TXT";
  return t;
}

struct Odotus {
  bool toimitettu;
  std::vector<Laji> lajit;
  std::string lauseessa;  // a part of the last sentence
};

struct Sarja {
  const char* kuvaus;
  std::vector<Tiliote> ennen;  // in the ledger before the run
  std::vector<Tiliote> ajossa;
  std::vector<Odotus> odotetut;
};

TEST(Jatkuvuus, Sarjat) {
  const Sarja sarjat[] = {
      {"jatkuva", {ote(1, "2026-03-01", 0, 100, 11)}, {ote(2, "2026-03-02", 100, 150, 12), ote(3, "2026-03-03", 150, 90, 13)},
       {{false, {}, ""}, {false, {}, ""}}},
      {"aukko",
       {ote(4, "2026-03-04", 0, 100, 14)},
       {ote(8, "2026-03-08", 300, 300, 18)},
       {{false, {Laji::aukko}, "puuttuvat tiliotteet nro 5–7: edellinen toimitettu on nro 4, tämä on nro 8"}}},
      {"yksi puuttuu", {ote(4, "2026-03-04", 0, 100, 14)}, {ote(6, "2026-03-06", 100, 100, 16)},
       {{false, {Laji::aukko}, "puuttuu tiliote nro 5:"}}},
      {"toisto samoin tavuin (eilinen uudelleen)",
       {ote(1, "2026-03-01", 0, 100, 11), ote(2, "2026-03-02", 100, 120, 12)},
       {ote(2, "2026-03-02", 100, 120, 12), ote(3, "2026-03-03", 120, 130, 13)},
       {{true, {Laji::toimitettu}, "oli jo toimitettu tiliote (tili FI1, nro 2, jakso 2026-03-02)"}, {false, {}, ""}}},
      {"toisto samassa tiedostossa", {}, {ote(1, "2026-03-01", 0, 5, 11), ote(1, "2026-03-01", 0, 5, 11)},
       {{false, {}, ""}, {true, {Laji::toimitettu}, "sitä ei lisätty uudelleen"}}},
      {"toisto eri tavuin",
       {ote(1, "2026-03-01", 0, 100, 11), ote(2, "2026-03-02", 100, 120, 12)},
       {ote(2, "2026-03-02", 100, 125, 99)},
       {{false, {Laji::toisto}, "tuli tiliote nro 2 uudelleen eri sisällöllä"}}},
      {"saldokatko",
       {ote(1, "2026-03-01", 0, 12345, 11)},
       {ote(2, "2026-03-02", 12000, 13000, 12)},
       {{false, {Laji::saldokatko}, "loppusaldo on 123,45 EUR, tämän (nro 2) alkusaldo 120,00 EUR"}}},
      {"negatiivinen saldo ketjuun", {ote(1, "2026-03-01", 0, -5, 11)}, {ote(2, "2026-03-02", -5, 0, 12)},
       {{false, {}, ""}}},
      {"vuodenvaihde alkaa ykkösestä", {ote(250, "2025-12-31", 0, 100, 11)}, {ote(1, "2026-01-02", 100, 100, 12)},
       {{false, {}, ""}}},
      {"vuodenvaihde, ensimmäiset puuttuvat", {ote(250, "2025-12-31", 0, 100, 11)}, {ote(3, "2026-01-05", 100, 100, 12)},
       {{false, {Laji::aukko}, "puuttuvat tiliotteet nro 1–2"}}},
      {"numerointi jatkuu yli vuoden", {ote(250, "2025-12-31", 0, 100, 11)}, {ote(251, "2026-01-02", 100, 100, 12)},
       {{false, {}, ""}}},
      {"ykkönen samana vuonna on toisto", {ote(5, "2026-03-05", 0, 100, 11)}, {ote(1, "2026-03-06", 100, 100, 12)},
       {{false, {Laji::toisto}, "nro 1 uudelleen"}}},
      {"ilman numeroa saldot ketjuun", {ote(0, "2026-03-01", 0, 100, 11)}, {ote(0, "2026-03-02", 90, 100, 12)},
       {{false, {Laji::saldokatko}, "edellisen tiliotteen loppusaldo on 1,00 EUR"}}},
      {"aukko ei vertaa saldoja", {ote(1, "2026-03-01", 0, 100, 11)}, {ote(3, "2026-03-03", 500, 500, 13)},
       {{false, {Laji::aukko}, "nro 2"}}},
      {"eri tilit eri sarjoina", {ote(7, "2026-03-01", 0, 100, 11, "FI2")}, {ote(1, "2026-03-02", 0, 0, 12)},
       {{false, {}, ""}}},
      {"ilman tiliä vain tavuin", {ote(0, "2026-03-01", 0, 1, 11, "")}, {ote(0, "2026-03-02", 5, 5, 12, ""), ote(0, "2026-03-01", 0, 1, 11, "")},
       {{false, {}, ""}, {true, {Laji::toimitettu}, "oli jo toimitettu tiliote (jakso 2026-03-01)"}}},
  };
  for (const Sarja& s : sarjat) {
    SCOPED_TRACE(s.kuvaus);
    Jatkuvuus j;
    for (const Tiliote& t : s.ennen) j.tunnettu("Y.TXT", t);
    ASSERT_EQ(s.ajossa.size(), s.odotetut.size());
    for (std::size_t i = 0; i < s.ajossa.size(); ++i) {
      const Jatkuvuus::Arvio a = j.arvioi("Y.TXT", s.ajossa[i]);
      const Odotus& o = s.odotetut[i];
      EXPECT_EQ(a.toimitettu, o.toimitettu) << i;
      std::vector<Laji> lajit;
      for (const auto& h : a.huomiot) lajit.push_back(h.laji);
      EXPECT_EQ(lajit, o.lajit) << i;
      if (!o.lauseessa.empty() && !a.huomiot.empty()) {
        EXPECT_NE(a.huomiot.back().lause.find(euro::ansi(o.lauseessa)), std::string::npos) << a.huomiot.back().lause;
      }
    }
  }
}

// An account is one series in its target whatever month names its file; a second target is a
// series of its own; a statement without an account is its file's.
TEST(Jatkuvuus, KohteittainJaTileittain) {
  Jatkuvuus j;
  j.tunnettu("/a/Y-03.TXT", ote(1, "2026-03-31", 0, 1, 11));
  EXPECT_FALSE(j.arvioi("/b/Y-03.TXT", ote(1, "2026-03-31", 0, 1, 11)).toimitettu);
  EXPECT_TRUE(j.arvioi("/a/Y-04.TXT", ote(1, "2026-03-31", 0, 1, 11)).toimitettu);
  EXPECT_TRUE(j.arvioi("/a/Y-04.TXT", ote(2, "2026-04-01", 1, 1, 12)).huomiot.empty());
  EXPECT_EQ(j.arvioi("/a/Y-04.TXT", ote(5, "2026-04-02", 1, 1, 15)).huomiot.size(), 1u);
  j.tunnettu("/a/X.TXT", ote(0, "2026-03-01", 0, 1, 21, ""));
  EXPECT_FALSE(j.arvioi("/a/Z.TXT", ote(0, "2026-03-01", 0, 1, 21, "")).toimitettu);
  EXPECT_TRUE(j.arvioi("/a/X.TXT", ote(0, "2026-03-01", 0, 1, 21, "")).toimitettu);
}

// Only the last statements are known by their bytes; an older one is told by its number.
TEST(Jatkuvuus, MuistiOnRajattu) {
  Jatkuvuus j;
  for (int n = 1; n <= static_cast<int>(Jatkuvuus::muistettavia) + 1; ++n)
    j.tunnettu("Y.TXT", ote(n, "2026-03-01", 0, 0, 1000 + n));
  EXPECT_TRUE(j.arvioi("Y.TXT", ote(2, "2026-03-01", 0, 0, 1002)).toimitettu);
  const Jatkuvuus::Arvio vanha = j.arvioi("Y.TXT", ote(1, "2026-03-01", 0, 0, 1001));
  EXPECT_FALSE(vanha.toimitettu);
  ASSERT_EQ(vanha.huomiot.size(), 1u);
  EXPECT_EQ(vanha.huomiot[0].laji, Laji::toisto);
}

// The compact table against a plain model: series whose keys share their low bits (one probe
// run through every growth), each remembering its last hashes as a ring past the bound, every
// place of every block asked for.
TEST(Jatkuvuus, SarjatVastaavatMallia) {
  struct Malli {
    std::vector<std::uint64_t> h;
    std::size_t seuraava = 0;
  };
  constexpr std::size_t sarjoja = 1000;
  split::Sarjat sarjat;
  std::vector<Malli> mallit(sarjoja);
  std::mt19937_64 satunnainen(7);
  auto avain = [](std::size_t i) { return i % 2 ? i << 40 : 0x9e3779b97f4a7c15ull * (i + 1); };
  for (int kierros = 0; kierros < 60000; ++kierros) {
    const std::size_t i = satunnainen() % (kierros < 1000 ? kierros + 1 : sarjoja);
    // Hash 0 too, which an unused place of a block also holds.
    const std::uint64_t h = satunnainen() % 50;
    split::Sarjat::Tila& s = sarjat.hae(avain(i));
    ASSERT_EQ(s.avain, avain(i));
    Malli& m = mallit[i];
    ASSERT_EQ(sarjat.tuntee(s, h), std::find(m.h.begin(), m.h.end(), h) != m.h.end()) << kierros;
    sarjat.muista(s, h);
    if (m.h.size() < split::Sarjat::muistettavia) {
      m.h.push_back(h);
    } else {
      m.h[m.seuraava] = h;
      m.seuraava = (m.seuraava + 1) % split::Sarjat::muistettavia;
    }
  }
  EXPECT_EQ(sarjat.koko(), sarjoja);
  for (std::size_t i = 0; i < sarjoja; ++i)
    for (std::uint64_t h = 0; h < 50; ++h)
      EXPECT_EQ(sarjat.tuntee(sarjat.hae(avain(i)), h),
                std::find(mallit[i].h.begin(), mallit[i].h.end(), h) != mallit[i].h.end());
}

// The ledger's amounts, written and read back, and what is no amount.
TEST(Jatkuvuus, Summat) {
  for (const std::int64_t s : {0LL, 5LL, -5LL, 100LL, -12345LL, 999999999999LL})
    EXPECT_EQ(split::historia::senteiksi(split::historia::euroina(s)), s) << s;
  for (const char* v : {"", "1", "1,2", "1.00", "a,00", "-", ",00", "1,000", "12345678901234567,00"})
    EXPECT_EQ(split::historia::senteiksi(v), std::nullopt) << v;
}

}  // namespace
