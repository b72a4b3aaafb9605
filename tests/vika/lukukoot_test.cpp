// Every reader of outside bytes with reads of every size (one byte, short, whole, mixed), as a
// file that grows while it is read gives them: the TITO split with and without archiving and
// finishing a cut-off one (the journal, the archive's window, the comparison with the company
// files), the XML split, the settings file and the preview give exactly what whole reads give.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/virhe.h"
#include "settings/lomake.h"
#include "settings/paloitteluasetukset.h"
#include "split/esikatselu.h"
#include "split/paloittele.h"
#include "tuki/lukukoot.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

const std::string S(1, alusta::erotin);
alusta::Aika kello1() { return {2018, 8, 21, 14, 30, 5}; }
alusta::Aika kello2() { return {2018, 8, 22, 14, 30, 5}; }

// The folder's files and those of its subfolders, by relative name.
std::map<std::string, std::string> kuva(const std::string& kansio, const std::string& alku = "") {
  std::map<std::string, std::string> m;
  for (const std::string& n : testi::tiedostot(kansio)) {
    const std::string p = kansio + S + n;
    if (n == "ulos" || n == "TUODUT") {
      m.merge(kuva(p, alku + n + S));
      continue;
    }
    m[alku + n] = testi::lueTiedosto(p);
  }
  return m;
}

// Folders compared by name and content, the first difference told briefly: a file may be long.
::testing::AssertionResult samat(const std::map<std::string, std::string>& a,
                                 const std::map<std::string, std::string>& b) {
  for (const auto& [nimi, s] : b) {
    const auto i = a.find(nimi);
    if (i == a.end()) return ::testing::AssertionFailure() << "puuttuu " << nimi;
    if (i->second == s) continue;
    std::size_t k = 0;
    while (k < s.size() && k < i->second.size() && s[k] == i->second[k]) ++k;
    return ::testing::AssertionFailure() << nimi << ": " << i->second.size() << " tavua, odotettiin " << s.size()
                                         << ", ero kohdassa " << k;
  }
  for (const auto& [nimi, s] : a)
    if (!b.count(nimi)) return ::testing::AssertionFailure() << "ylimääräinen " << nimi;
  return ::testing::AssertionSuccess();
}
template <class T>
::testing::AssertionResult samat(const T& a, const T& b) {
  if (a == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << ::testing::PrintToString(a) << "\nodotettiin\n" << ::testing::PrintToString(b);
}

// What ajo leaves under every schedule; the first (whole reads) is the reference, the others
// must leave the same, and must have given short reads.
template <class Tulos>
void samatKuinKokonaisin(const std::function<Tulos(testi::Lukukoot*)>& ajo,
                         const std::function<void(const Tulos&)>& tarkista) {
  std::optional<Tulos> vertailu;
  for (const testi::Aikataulu& a : testi::aikataulut()) {
    SCOPED_TRACE(a.nimi);
    testi::Lukukoot koot(a.vuoro);
    const Tulos t = ajo(&koot);
    if (!vertailu) {
      EXPECT_EQ(koot.lyhyita, 0u);
      tarkista(t);
      vertailu = t;
      continue;
    }
    EXPECT_GT(koot.lyhyita, 0u) << koot.lukuja << " lukua";
    EXPECT_TRUE(samat(t, *vertailu));
  }
}

// The split of a statement file, maybe archived, maybe after a first run cut off by a failed
// write into a company file; that first run reads whole, the finishing one by the schedule.
struct Ajo {
  bool arkistoi, keskeytys;
};

std::map<std::string, std::string> paloittele(const std::string& eka, const std::string& toka, const Ajo& ajo,
                                              split::PaloitteluAsetukset a, testi::Lukukoot* koot) {
  testi::Kansio k;
  testi::Ymparisto ymp;
  alusta::luoHakemisto(k / "ulos");
  a.tiliotetiedosto = k / "EKA.TXT";
  a.kohdehakemisto = k / "ulos";
  a.arkistoi = ajo.arkistoi;
  testi::kirjoitaTiedosto(k / "EKA.TXT", eka);
  if (ajo.keskeytys) {
    std::size_t n = 0;
    const alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
        [&](alusta::Vaihe v, const std::string& polku, std::size_t pyydetty) -> std::optional<alusta::Vika> {
          if (v != alusta::Vaihe::kirjoita || (polku.rfind(k / "ulos", 0) != 0 || polku.find(".kolvanto-") != std::string::npos) || n++ != 3) return std::nullopt;
          return alusta::Vika{euro::virhenro::levyTaynna, pyydetty / 2};
        });
    const bool valmis = split::paloittele(a, kello1).valmis;
    alusta::asetaVikakoukku(edellinen);
    EXPECT_FALSE(valmis);
    EXPECT_EQ(ymp.virheet.size(), 1u);
    ymp.virheet.clear();
    testi::kirjoitaTiedosto(k / "TOKA.TXT", toka);
    a.tiliotetiedosto = k / "TOKA.TXT";
  }
  const std::size_t ennen = koot->lukuja;
  const split::PaloitteluTulos t = split::paloittele(a, ajo.keskeytys ? kello2 : kello1);
  EXPECT_TRUE(t.valmis);
  EXPECT_EQ(t.viimeistellyt.size(), ajo.keskeytys ? 1u : 0u);
  EXPECT_GT(koot->lukuja, ennen);
  for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
  return kuva(k.polku());
}

const Ajo ajot[] = {{false, false}, {true, false}, {true, true}};

TEST(Lukukoot, TitoPaloittelu) {
  const vika::Tiliote eka = vika::teeTiliote({"1111111-1", "2222222-2", "3333333-3", "1111111-1", "2222222-2"}, 12, true);
  const vika::Tiliote toka = vika::teeTiliote({"3333333-3", "1111111-1"}, 3, false);
  for (const Ajo& ajo : ajot) {
    SCOPED_TRACE(std::string(ajo.arkistoi ? "arkistoiden" : "paikallaan") + (ajo.keskeytys ? ", keskeytetty" : ""));
    samatKuinKokonaisin<std::map<std::string, std::string>>(
        [&](testi::Lukukoot* koot) { return paloittele(eka.sisalto, toka.sisalto, ajo, {}, koot); },
        [&](const std::map<std::string, std::string>& tulos) {
          for (const auto& [nimi, lisatty] : eka.lisattava) {
            auto i = tulos.find("ulos" + S + nimi);
            ASSERT_NE(i, tulos.end()) << nimi;
            const auto j = toka.lisattava.find(nimi);
            EXPECT_EQ(i->second, lisatty + (ajo.keskeytys && j != toka.lisattava.end() ? j->second : "")) << nimi;
          }
        });
  }
}

std::string lausunto(const std::string& id, const std::string& tunnus) {
  return "<Stmt><Id>" + id + "</Id><CreDtTm>2024-04-01T05:00:00</CreDtTm><Acct><Id><IBAN>FI00" + tunnus +
         "</IBAN></Id><Ownr><Nm>\xC3\x84ij\xC3\xA4 &amp; Co</Nm><Id><OrgId><Othr><Id>" + tunnus +
         "</Id></Othr></OrgId></Id></Ownr></Acct><!-- saldo --><Bal><Amt Ccy=\"EUR\">1.00</Amt></Bal></Stmt>\r\n";
}

using vika::asiakirja;

// More than the XML reader's buffer of 64 KiB, so that a read after a short one could reach past it.
TEST(Lukukoot, XmlPaloittelu) {
  std::vector<std::string> lausunnot;
  for (int i = 0; i < 300; ++i) lausunnot.push_back(lausunto("E" + std::to_string(i), std::to_string(1111111 * (1 + i % 4)) + "-1"));
  const std::string eka = asiakirja({lausunnot.begin(), lausunnot.begin() + 25}) + asiakirja({}) +
                          asiakirja({lausunnot.begin() + 25, lausunnot.end()});
  const std::string toka = asiakirja({lausunto("T1", "2222222-1"), lausunto("T2", "9999999-9")});
  split::PaloitteluAsetukset a;
  a.nimenAlkuosa = "XML-";
  a.nimenLoppuosa = ".XML";
  for (const Ajo& ajo : ajot) {
    SCOPED_TRACE(std::string(ajo.arkistoi ? "arkistoiden" : "paikallaan") + (ajo.keskeytys ? ", keskeytetty" : ""));
    samatKuinKokonaisin<std::map<std::string, std::string>>(
        [&](testi::Lukukoot* koot) { return paloittele(eka, toka, ajo, a, koot); },
        [&](const std::map<std::string, std::string>& tulos) {
          std::size_t tiedostoja = 0, lausuntoja = 0;
          for (const auto& [nimi, s] : tulos) {
            if (nimi.rfind("ulos" + S, 0) != 0) continue;
            ++tiedostoja;
            for (auto i = s.find("<Stmt>"); i != std::string::npos; i = s.find("<Stmt>", i + 1)) ++lausuntoja;
          }
          EXPECT_EQ(tiedostoja, ajo.keskeytys ? 5u : 4u);
          EXPECT_EQ(lausuntoja, ajo.keskeytys ? 302u : 300u);
        });
  }
}

// A statement file that begins with a BOM is XML whatever the first read gives: a first read
// of one byte once took it for TITO, the split wrote nothing (with archiving the file went to
// TUODUT all the same) and the preview showed it as TITO.
TEST(Lukukoot, XmlBomillaPaloitteluJaEsikatselu) {
  const std::string eka = "\xEF\xBB\xBF" + asiakirja({lausunto("E1", "1111111-1"), lausunto("E2", "2222222-2")});
  for (const Ajo& ajo : {Ajo{false, false}, Ajo{true, false}}) {
    SCOPED_TRACE(ajo.arkistoi ? "arkistoiden" : "paikallaan");
    samatKuinKokonaisin<std::map<std::string, std::string>>(
        [&](testi::Lukukoot* koot) { return paloittele(eka, "", ajo, {}, koot); },
        [&](const std::map<std::string, std::string>& tulos) {
          EXPECT_EQ(tulos.count("ulos" + S + "TITO-2024-04-1111111-1.TXT"), 1u);
        });
  }
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "TILIOTE.XML", eka);
  samatKuinKokonaisin<std::string>(
      [&](testi::Lukukoot*) {
        testi::Ymparisto ymp;
        split::PaloitteluAsetukset a;
        a.tiliotetiedosto = k / "TILIOTE.XML";
        std::string s;
        EXPECT_TRUE(split::esikatselu(a, [&](const std::string& osa) { s += osa; }));
        return s;
      },
      [&](const std::string& s) { EXPECT_NE(s.find("E2"), std::string::npos) << s; });
}

// The settings file as the window and the command line read it: LF and CR LF line ends, a
// value longer than the line reader's buffer.
TEST(Lukukoot, Asetustiedosto) {
  testi::Kansio k;
  const std::string polku = k / "TITO-JAKO.OMA";
  const std::string pitka(70 * 1024, 'h');
  testi::kirjoitaTiedosto(polku, "optPositiot = True\ntxtPosAlku = 12\r\ntxtPosLoppu = 17\r\ntxtNimenAlkuosa = " +
                                     pitka + "\ntxtNimenLoppuosa = .DAT\rchkAikaleimaaPaloiteltava = 0\n");
  using Arvot = std::vector<std::string>;
  samatKuinKokonaisin<Arvot>(
      [&](testi::Lukukoot*) {
        testi::Ymparisto ymp;
        split::PaloitteluAsetukset a;
        settings::lueformi(polku, a);
        EXPECT_TRUE(ymp.viestit.viestit.empty());
        return Arvot{a.posAlku, a.posLoppu, a.nimenAlkuosa, a.nimenLoppuosa,
                     a.arkistoi ? "1" : "0", euro::fe_LueAsetus(polku, "txtNimenLoppuosa"),
                     euro::fe_LueEkaRivi(polku)};
      },
      [&](const Arvot& arvot) {
        EXPECT_EQ(arvot, (Arvot{"12", "17", pitka, ".DAT", "0", ".DAT", "optPositiot = True"}));
      });
}

TEST(Lukukoot, Esikatselu) {
  testi::Kansio k;
  const vika::Tiliote tito = vika::teeTiliote({"1111111-1", "2222222-2", "3333333-3"}, 5, true);
  testi::kirjoitaTiedosto(k / "TITO.TXT", tito.sisalto + "T00 ilman loppua");
  testi::kirjoitaTiedosto(k / "TILIOTE.XML", asiakirja({lausunto("E1", "1111111-1"), lausunto("E2", "2222222-2")}));
  for (const char* nimi : {"TITO.TXT", "TILIOTE.XML"}) {
    SCOPED_TRACE(nimi);
    samatKuinKokonaisin<std::string>(
        [&](testi::Lukukoot*) {
          testi::Ymparisto ymp;
          split::PaloitteluAsetukset a;
          a.tiliotetiedosto = k / nimi;
          std::string s;
          EXPECT_TRUE(split::esikatselu(a, [&](const std::string& osa) { s += osa; }));
          return s;
        },
        [&](const std::string& s) {
          EXPECT_NE(s.find(std::string(nimi) == "TITO.TXT" ? "T00 ilman loppua\r\n" : "E2"), std::string::npos) << s;
        });
  }
}

}  // namespace
