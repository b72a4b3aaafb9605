// The generators' files are what the statement checks are tried on: by default every account's
// numbers and balances run on, and each fault option makes its fault, where asked, and no other.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using i64 = std::int64_t;

struct Ote {
  std::string tili;
  int vuosi = 0;
  i64 numero = -1;  // -1: none
  bool saldot = false;
  i64 alku = 0, loppu = 0, liike = 0;  // cents
  std::string tavut;
};

// "+000000000000012345" or "-..." as cents.
i64 etumerkilla(const std::string& s) {
  const i64 v = std::stoll(s.substr(1));
  return s[0] == '-' ? -v : v;
}

std::vector<Ote> titoOtteet(const std::string& s) {
  std::vector<Ote> otteet;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t loppu = s.find("\r\n", i);
    const std::string r = s.substr(i, loppu - i);
    i = loppu + 2;
    if (r.rfind("T00", 0) == 0) {
      Ote o;
      o.tili = r.substr(9, 14);
      o.numero = std::stoll(r.substr(23, 3));
      o.vuosi = std::stoi(r.substr(26, 2));
      o.saldot = true;
      o.alku = o.loppu = etumerkilla(r.substr(71, 19));
      otteet.push_back(o);
    } else if (otteet.empty()) {
      continue;
    } else if (r.rfind("T10", 0) == 0) {
      otteet.back().liike += etumerkilla(r.substr(87, 19));
    } else if (r.rfind("T40", 0) == 0) {
      otteet.back().loppu = etumerkilla(r.substr(12, 19));
    }
    otteet.back().tavut += r + "\r\n";
  }
  return otteet;
}

// The text of the first element named nimi from pos on, whatever its prefix.
std::string arvo(const std::string& s, std::size_t pos, const std::string& nimi) {
  const std::size_t a = s.find(nimi + ">", pos);
  if (a == std::string::npos) return {};
  return s.substr(a + nimi.size() + 1, s.find('<', a) - a - nimi.size() - 1);
}

// An amount and its CdtDbtInd from the first Amt at or after pos.
i64 summa(const std::string& s, std::size_t pos) {
  const std::size_t a = s.find('>', s.find("Amt Ccy=", pos)) + 1;
  const std::string luku = s.substr(a, s.find('<', a) - a);
  const i64 senttia = std::stoll(luku.substr(0, luku.find('.'))) * 100 + std::stoll(luku.substr(luku.find('.') + 1));
  return arvo(s, a, "CdtDbtInd") == "DBIT" ? -senttia : senttia;
}

// Each statement, report or notification; its series is the account within its message.
std::vector<Ote> camtOtteet(const std::string& s) {
  std::vector<Ote> otteet;
  const std::regex alku("<(\\w+:)?(Stmt|Rpt|Ntfctn)>");
  for (auto it = std::sregex_iterator(s.begin(), s.end(), alku); it != std::sregex_iterator(); ++it) {
    const std::string loppu = "</" + (*it)[1].str() + (*it)[2].str() + ">";
    const std::size_t a = static_cast<std::size_t>(it->position());
    const std::string t = s.substr(a, s.find(loppu, a) + loppu.size() - a);
    Ote o;
    o.tavut = t;
    const std::size_t tili = t.find("Acct>");
    // Without prefixes: each document draws its own.
    o.tili = (*it)[2].str() + " " +
             std::regex_replace(t.substr(tili, t.find("Ccy>", tili) - tili), std::regex("<(/?)\\w+:"), "<$1");
    o.vuosi = std::stoi(arvo(t, 0, "CreDtTm").substr(0, 4));
    if (t.find("ElctrncSeqNb>") != std::string::npos) o.numero = std::stoll(arvo(t, 0, "ElctrncSeqNb"));
    const std::size_t avaus = t.find("Cd>OPBD<"), sulku = t.find("Cd>CLBD<");
    o.saldot = avaus != std::string::npos && sulku != std::string::npos;
    if (o.saldot) o.alku = summa(t, avaus), o.loppu = summa(t, sulku);
    for (std::size_t n = t.find("Ntry><"); n != std::string::npos; n = t.find("Ntry><", n + 1)) o.liike += summa(t, n);
    otteet.push_back(o);
  }
  return otteet;
}

struct Loydetyt {
  std::map<std::string, std::set<i64>> viat;  // fault -> the account's statements (1-based) it struck
  std::map<std::string, int> kpl;
  std::map<std::string, i64> otteita;  // distinct statements per series
  int vuodenvaihteita = 0;
};

// Checks each series against its previous distinct statement. TITO numbers start again at 001
// with a year's first statement; XML numbers run on.
Loydetyt tarkista(const std::vector<Ote>& otteet, bool vuosittain) {
  Loydetyt l;
  std::map<std::string, Ote> edelliset;
  auto vika = [&](const std::string& laji, i64 monesko) {
    l.viat[laji].insert(monesko);
    ++l.kpl[laji];
  };
  for (const Ote& o : otteet) {
    i64& n = l.otteita[o.tili];
    if (o.saldot && o.alku + o.liike != o.loppu) vika("summat", n + 1);
    const auto e = edelliset.find(o.tili);
    if (e != edelliset.end()) {
      const Ote& ed = e->second;
      if (o.tavut == ed.tavut) {
        vika("toisto", n);
        continue;
      }
      if (o.numero >= 0 && o.numero == ed.numero) {
        vika("eri-toisto", n);
        if (o.alku != ed.alku || o.loppu != ed.loppu) vika("eri saldot", n);
        continue;
      }
      // Two-digit TITO years: a series that went from 99 back to 00 would read as a century back.
      if (o.vuosi < ed.vuosi) vika("taaksepain", n + 1);
      const bool vaihde = o.vuosi != ed.vuosi;
      l.vuodenvaihteita += vaihde;
      if (o.numero >= 0 && o.numero != (vuosittain && vaihde ? 1 : ed.numero + 1)) vika("aukko", n + 1);
      if (o.saldot && o.alku != ed.loppu) vika("saldokatko", n + 1);
    }
    ++n;
    edelliset[o.tili] = o;
  }
  return l;
}

TEST(Generaattorit, JatkuvatSarjatJaPyydetytViat) {
  struct Tapaus {
    const char* nimi;
    const char* ohjelma;
    std::vector<std::string> argumentit;
    std::string vika;  // empty: none
    i64 monesko = 0;
    bool vuodenvaihde = false;  // the file crosses a year
  };
  const std::vector<std::string> tito = {"--eria", "300", "--yrityksia", "5", "--siemen", "7"};
  const std::vector<std::string> camt = {"--koko", "60K", "--yrityksia", "4", "--viesti", "053", "--versio", "02"};
  auto ja = [](std::vector<std::string> v, std::vector<std::string> lisa) {
    v.insert(v.end(), lisa.begin(), lisa.end());
    return v;
  };
  const std::vector<Tapaus> tapaukset = {
      {"TITO jatkuva", "tito-generaattori", tito, "", 0, true},
      // Past 2099 (1,008 months): new account numbers, not years that run back.
      {"TITO yli vuosisadan", "tito-generaattori", {"--eria", "4100", "--yrityksia", "1", "--siemen", "3"}, "", 0, true},
      {"TITO aukko", "tito-generaattori", ja(tito, {"--aukko", "3"}), "aukko", 3},
      {"TITO aukko vuoden alussa", "tito-generaattori", ja(tito, {"--aukko", "13"}), "aukko", 13},
      {"TITO toisto", "tito-generaattori", ja(tito, {"--toisto", "2"}), "toisto", 2},
      {"TITO eri toisto", "tito-generaattori", ja(tito, {"--eri-toisto", "4"}), "eri-toisto", 4},
      {"TITO saldokatko", "tito-generaattori", ja(tito, {"--saldokatko", "13"}), "saldokatko", 13},
      {"XML jatkuva, kaikki sanomat", "camt-generaattori", {"--koko", "80K", "--yrityksia", "4"}, "", 0},
      {"XML jatkuva yli vuoden", "camt-generaattori", {"--koko", "1500K", "--yrityksia", "1", "--viesti", "053", "--yksi"},
       "", 0, true},
      {"XML aukko", "camt-generaattori", ja(camt, {"--aukko", "3"}), "aukko", 3},
      {"XML toisto", "camt-generaattori", ja(camt, {"--toisto", "2"}), "toisto", 2},
      {"XML eri toisto", "camt-generaattori", ja(camt, {"--eri-toisto", "2"}), "eri-toisto", 2},
      {"XML saldokatko", "camt-generaattori", ja(camt, {"--saldokatko", "3"}), "saldokatko", 3},
  };
  testi::Kansio kansio;
  const std::string tiedosto = kansio / "ULOS";
  // A row that fails returns; the next rows still run.
  auto kokeile = [&](const Tapaus& t) {
    const std::string ohjelma = testi::ohjelmaBin(t.ohjelma);
    const auto g = testi::ajaOhjelma(ohjelma, ja(t.argumentit, {tiedosto}));
    ASSERT_EQ(g.koodi, 0) << g.virhe;
    const bool xml = std::string(t.ohjelma) == "camt-generaattori";
    const std::string s = testi::lueTiedosto(tiedosto);
    const std::vector<Ote> otteet = xml ? camtOtteet(s) : titoOtteet(s);
    ASSERT_GT(otteet.size(), 20u);
    const Loydetyt l = tarkista(otteet, !xml);
    if (t.vuodenvaihde) {
      EXPECT_GT(l.vuodenvaihteita, 0);
    }
    if (t.vika.empty()) {
      EXPECT_TRUE(l.kpl.empty()) << l.kpl.begin()->first;
      return;
    }
    ASSERT_EQ(l.kpl.size(), 1u) << l.kpl.begin()->first << " " << l.kpl.rbegin()->first;
    EXPECT_EQ(l.kpl.begin()->first, t.vika);
    EXPECT_EQ(l.viat.begin()->second, std::set<i64>{t.monesko});
    // Every series that got past the N-th statement has the fault once; a file may end at it.
    int pidemmat = 0, yhtapitkat = 0;
    for (const auto& [tili, n] : l.otteita) {
      if (xml && (t.vika == "aukko" || t.vika == "eri-toisto") && otteet.end() != std::find_if(otteet.begin(), otteet.end(), [&](const Ote& o) {
            return o.tili == tili && o.numero < 0;
          }))
        continue;  // an account without numbers shows neither
      pidemmat += n > t.monesko;
      yhtapitkat += n == t.monesko;
    }
    EXPECT_GT(pidemmat, 0);
    EXPECT_GE(l.kpl.begin()->second, pidemmat);
    EXPECT_LE(l.kpl.begin()->second, pidemmat + yhtapitkat);
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.nimi);
    kokeile(t);
  }
}

}  // namespace
