// The TITO file's statements as its split delivers them: what each batch's T00 line and last T40
// line say, its bytes' range and hash whatever the line ends and the read's pieces, and the split
// in place passing over the batches delivered before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "split/muoto.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "split/tiliote.h"
#include "tuki/testituki.h"

namespace {

using split::PaloitteluAsetukset;
using split::Tiliote;
const std::string S(1, alusta::erotin);

const split::Muoto& tito() { return *split::muotoNimella("TITO"); }

std::vector<Tiliote> tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku = 0) {
  std::vector<Tiliote> v;
  tito().tiliotteet(polku, a, alku, [&](const Tiliote& t) { v.push_back(t); });
  return v;
}

std::uint64_t tiiviste(const std::string& s) {
  split::Tiivistaja t;
  t.lisaa(s.data(), s.size());
  return t.arvo();
}

// Fields at their positions (from 1), the line grown with blanks to hold them.
void aseta(std::string& r, std::size_t pos, const std::string& s) {
  if (r.size() < pos - 1 + s.size()) r.resize(pos - 1 + s.size(), ' ');
  r.replace(pos - 1, s.size(), s);
}

std::string t00(const std::string& asiakas, const std::string& alku = "180801") {
  testi::T00 t;
  t.asiakas = asiakas;
  t.alku = alku;
  return t.rivi();
}

std::string t40(const std::string& saldo) {
  std::string r = "T40050181231";
  aseta(r, 13, saldo);
  aseta(r, 32, std::string(19, '0'));
  return r;
}

// A cumulative file of a batch a customer, each of a T10 and a T40 line, CR LF ended.
std::string tiedosto(const std::vector<std::string>& asiakkaat) {
  std::string s = "ennen\r\n";
  int n = 0;
  for (const std::string& a : asiakkaat) {
    s += t00(a) + "\r\nT10 " + std::to_string(n) + std::string(20 + n % 7, 'r') + "\r\n";
    s += t40("+" + std::string(14, '0') + std::to_string(1000 + n)) + "\r\n";
    ++n;
  }
  return s;
}

// The bytes the split writes for a range: every line end CR LF, a last one added.
std::string crlf(const std::string& s) {
  std::string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      r += "\r\n";
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      r += s[i];
    }
  }
  if (!r.empty() && r.back() != '\n') r += "\r\n";
  return r;
}

struct Tiliotteet : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio k;
  PaloitteluAsetukset a;
  void SetUp() override {
    a.tiliotetiedosto = k / "TITO.TXT";
    a.kohdehakemisto = k / "ulos";
    alusta::luoHakemisto(k / "ulos");
  }
  // The split in place, passing over ohita: the company files it leaves.
  std::map<std::string, std::string> jaa(const split::Ohitettavat& ohita, split::Yhteenveto& y) {
    std::string syy;
    auto jako = tito().tarkista(a.tiliotetiedosto, a, syy);
    EXPECT_TRUE(jako) << syy;
    if (jako) jako->jaa(a.tiliotetiedosto, k / "ulos" + S, y, ohita);
    std::map<std::string, std::string> m;
    for (const std::string& n : testi::tiedostot(k / "ulos")) m[n] = testi::lueTiedosto(k / "ulos" + S + n);
    return m;
  }
};

TEST_F(Tiliotteet, KentatT00JaViimeisestaT40Rivista) {
  const struct {
    const char* kuvaus;
    std::string tili, numero, alku, loppu, alkusaldo, valuutta;  // as the T00 line has them
    std::vector<std::string> t40;                                 // the booked balances, in order
    std::size_t pituus;                                           // the T00 line cut to this
    std::string odTili;
    std::optional<std::int64_t> odNumero;
    std::string odAlku, odLoppu;
    std::optional<std::int64_t> odAlkusaldo, odLoppusaldo;
    std::string odValuutta;
  } tapaukset[] = {
      {"vuoden vaihde, kaksi T40-riviä", "12345678901234", "042", "181227", "190102", "181226+000000000000012345", "EUR",
       {"+000000000000099999", "-000000000000000500"}, 322, "12345678901234", 42, "2018-12-27", "2019-01-02", 12345, -500,
       "EUR"},
      {"tyhjä tili, ei numeroa", "              ", "   ", "180801", "180831", "180731-000000012345678901", "EUR",
       {"+000000000000000000"}, 322, "", std::nullopt, "2018-08-01", "2018-08-31", -12345678901, 0, "EUR"},
      {"tili tyhjin reunoin, numero ei ole luku, ei T40-riviä", "  1234567     ", "A1 ", "180801", "180831",
       "180731+000000000000000001", "EUR", {}, 322, "1234567", std::nullopt, "2018-08-01", "2018-08-31", 1, std::nullopt,
       "EUR"},
      {"numero tyhjin edellä", "12345678901234", " 7 ", "200229", "190229", "200228+999999999999999999", "SEK", {}, 322,
       "12345678901234", 7, "2020-02-29", "", 999999999999999999, std::nullopt, "SEK"},
      {"kelvottomat päivät, etumerkit ja valuutta", "12345678901234", "001", "180230", "181301", "180731 000000000000012345",
       "eur", {"*000000000000000100"}, 322, "12345678901234", 1, "", "", std::nullopt, std::nullopt, ""},
      {"summassa kirjain", "12345678901234", "001", "180001", "18083A", "180731+0000000000000123X5", "EU1",
       {"+00000000000000010"}, 322, "12345678901234", 1, "", "", std::nullopt, std::nullopt, ""},
      {"lyhyt T00-rivi", "12345678901234", "003", "180801", "180831", "180731+000000000000012345", "EUR",
       {"+000000000000000100"}, 70, "12345678901234", 3, "2018-08-01", "2018-08-31", std::nullopt, 100, ""},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::string r = t00("1234567-8");
    aseta(r, 10, t.tili);
    aseta(r, 24, t.numero);
    aseta(r, 27, t.alku);
    aseta(r, 33, t.loppu);
    aseta(r, 66, t.alkusaldo);
    aseta(r, 97, t.valuutta);
    r.resize(t.pituus, ' ');
    std::string s = "ennen\r\n" + r + "\r\nT10 1\r\n";
    for (const std::string& saldo : t.t40) s += t40(saldo) + "\r\nT11 1\r\n";
    // The next batch has no T40 line: the last one above is not its.
    s += t00("7654321-0") + "\r\nT10 2\r\n";
    testi::kirjoitaTiedosto(a.tiliotetiedosto, s);
    const std::vector<Tiliote> v = tiliotteet(a.tiliotetiedosto, a);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].tili, t.odTili);
    EXPECT_EQ(v[0].numero, t.odNumero);
    EXPECT_EQ(v[0].alku, t.odAlku);
    EXPECT_EQ(v[0].loppu, t.odLoppu);
    EXPECT_EQ(v[0].alkusaldo, t.odAlkusaldo);
    EXPECT_EQ(v[0].loppusaldo, t.odLoppusaldo);
    EXPECT_EQ(v[0].valuutta, t.odValuutta);
    EXPECT_EQ(v[0].yritys, "TITO-20" + t.alku.substr(0, 2) + "-" + t.alku.substr(2, 2) + "-1234567-8.TXT");
    EXPECT_EQ(v[1].loppusaldo, std::nullopt);
    EXPECT_EQ(v[1].yritys, "TITO-2018-08-7654321-0.TXT");
  }
}

// Whatever the line ends and however the file is read in pieces, the batches' ranges follow one
// another from the first T00 line, each hash is of its range, and the split in place writes each
// company file its ranges' bytes (with its own line ends).
TEST_F(Tiliotteet, RajatKutenJakoPaikallaan) {
  const std::string pohja = tiedosto({"1", "2", "1", "3", "2"});
  auto rivinLoput = [&](const std::vector<const char*>& loput) {
    std::string s;
    std::size_t i = 0, p = 0;
    for (std::size_t q; (q = pohja.find("\r\n", p)) != std::string::npos; p = q + 2) s += pohja.substr(p, q - p) + loput[i++ % loput.size()];
    return s;
  };
  // Bytes a bit off CR and LF inside the lines, a record's name after each: none of them ends a
  // line, so none begins a batch.
  const std::string lahella = [&] {
    std::string s = pohja;
    const char merkit[] = "\x0bT00\x0cT40\x0eT00\x8aT00\x8dT40\x09T00\x1aT00\x1dT00";
    std::size_t j = 0;
    for (std::size_t p = 0; (p = s.find("\nT10", p)) != std::string::npos; ++p)
      for (std::size_t i = p + 4; i < s.size() && s[i] != '\r'; ++i)
        if (s[i] == 'r') s[i] = merkit[j++ % (sizeof merkit - 1)];
    return s;
  }();
  const struct {
    const char* kuvaus;
    std::string sisalto;
    std::size_t katkaistu = 0;  // bytes at the end that the split holds back
  } tapaukset[] = {
      {"CR:n ja LF:n lähellä olevia tavuja", lahella},
      {"CR LF", pohja},
      {"LF", rivinLoput({"\n"})},
      {"CR", rivinLoput({"\r"})},
      {"sekaisin", rivinLoput({"\r\n", "\n", "\r", "\r\n", "\r\r\n", "\n\n"})},
      {"viimeiseltä riviltä puuttuu loppu", pohja.substr(0, pohja.size() - 2)},
      {"T00 rivin keskellä, tyhjiä rivejä", "xT00\r\n\r\n" + pohja + "\r\n\n\rT10 T00\r\n" + pohja.substr(7)},
      {"katkennut viimeinen erä", pohja + t00("4") + "\r\nT10100lyhyt", t00("4").size() + 13},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, t.sisalto);
    a.saadot.puskuri = 0;
    const std::vector<Tiliote> v = tiliotteet(a.tiliotetiedosto, a);
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front().kohta, std::min(t.sisalto.find("\nT00"), t.sisalto.find("\rT00")) + 1);
    std::map<std::string, std::string> odotettu;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const std::string tavut = t.sisalto.substr(v[i].kohta, v[i].pituus);
      EXPECT_EQ(tavut.rfind("T00", 0), 0u) << i;
      EXPECT_EQ(v[i].tiiviste, tiiviste(tavut)) << i;
      EXPECT_EQ(v[i].kohta + v[i].pituus, i + 1 < v.size() ? v[i + 1].kohta : t.sisalto.size() - t.katkaistu) << i;
      odotettu[v[i].yritys] += crlf(tavut);
    }
    for (const std::size_t koko : {1, 2, 3, 4, 5, 7, 64, 99, 100, 101}) {
      a.saadot.puskuri = koko;
      const std::vector<Tiliote> p = tiliotteet(a.tiliotetiedosto, a);
      ASSERT_EQ(p.size(), v.size()) << koko;
      for (std::size_t i = 0; i < v.size(); ++i) {
        EXPECT_EQ(p[i].kohta, v[i].kohta) << koko;
        EXPECT_EQ(p[i].pituus, v[i].pituus) << koko;
        EXPECT_EQ(p[i].tiiviste, v[i].tiiviste) << koko;
        EXPECT_EQ(p[i].yritys, v[i].yritys) << koko;
        EXPECT_EQ(p[i].loppusaldo, v[i].loppusaldo) << koko;
      }
    }
    a.saadot.puskuri = 0;
    std::filesystem::remove_all(k / "ulos");
    alusta::luoHakemisto(k / "ulos");
    split::Yhteenveto y;
    EXPECT_EQ(jaa({}, y), odotettu);
  }
}

// What the split refuses gives nothing; from a line inside a batch, its rest is no statement.
TEST_F(Tiliotteet, HylattyJaKeskeltaAlkava) {
  const std::string s = tiedosto({"1", "2"});
  const struct {
    const char* kuvaus;
    std::string sisalto;
    std::uint64_t alku;
    std::vector<std::uint64_t> kohdat;
  } tapaukset[] = {
      {"tietueita ennen ensimmäistä T00-riviä", "T10 jatkoa\r\n" + s, 0, {}},
      {"virhesivu", "<html>" + std::string(5000, 'x') + "</html>\r\n" + s.substr(7), 0, {}},
      {"erän keskeltä", s, s.find("T10"), {s.find("T00", s.find("T10"))}},
      {"erän alusta", s, s.find("T00", s.find("T10")), {s.find("T00", s.find("T10"))}},
      {"lopusta", s, s.size(), {}},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::kirjoitaTiedosto(a.tiliotetiedosto, t.sisalto);
    std::vector<std::uint64_t> kohdat;
    for (const Tiliote& v : tiliotteet(a.tiliotetiedosto, a, t.alku)) kohdat.push_back(v.kohta);
    EXPECT_EQ(kohdat, t.kohdat);
  }
}

// The batches that begin in a range passed over go nowhere and are counted nowhere; a file that
// gets none of its batches is not made. A range that begins past a batch's start does not take it.
TEST_F(Tiliotteet, PaikallaanOhitetaan) {
  const std::string s = tiedosto({"1", "2", "3", "1", "2"});
  testi::kirjoitaTiedosto(a.tiliotetiedosto, s);
  const std::vector<Tiliote> v = tiliotteet(a.tiliotetiedosto, a);
  ASSERT_EQ(v.size(), 5u);
  auto alue = [&](std::size_t i, std::size_t j, std::uint64_t ohi = 0) {
    return std::pair{v[i].kohta + ohi, v[j].kohta + v[j].pituus};
  };
  const struct {
    const char* kuvaus;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> alueet;
    std::vector<std::size_t> ohitetut;
  } tapaukset[] = {
      {"ei mitään", {}, {}},
      {"ensimmäinen", {alue(0, 0)}, {0}},
      {"yrityksen ainoa ja viimeinen", {alue(2, 2), alue(4, 4)}, {2, 4}},
      {"kaksi yhtenä alueena", {alue(1, 2)}, {1, 2}},
      {"erän alun jälkeen alkava", {alue(1, 1, 1)}, {}},
      {"kaikki", {alue(0, 4)}, {0, 1, 2, 3, 4}},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    split::Ohitettavat ohita;
    for (const auto& [alku, loppu] : t.alueet) ohita.lisaa(alku, loppu);
    std::map<std::string, std::string> odotettu;
    std::map<std::string, std::int64_t> eria;
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (std::find(t.ohitetut.begin(), t.ohitetut.end(), i) != t.ohitetut.end()) continue;
      odotettu[v[i].yritys] += s.substr(v[i].kohta, v[i].pituus);
      ++eria[v[i].yritys];
    }
    std::filesystem::remove_all(k / "ulos");
    alusta::luoHakemisto(k / "ulos");
    split::Yhteenveto y;
    EXPECT_EQ(jaa(ohita, y), odotettu);
    std::map<std::string, std::int64_t> yhteenvedossa;
    for (const auto& f : y.tiedostot) yhteenvedossa[euro::fe_PaljasTiedosto(f.polku)] += f.eria;
    EXPECT_EQ(yhteenvedossa, eria);
    EXPECT_EQ(y.ohitetutRivit, 1);
  }
}

}  // namespace
