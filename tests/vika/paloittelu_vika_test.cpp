// The split run when the file system fails under it: every step that touches a file fails in
// turn, the target folder turns read-only, the disk fills up, another program holds the
// statement file. Afterwards nothing may be lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/cli.h"
#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "settings/apppath.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using alusta::Vaihe;
using euro::ansi;
const std::string S(1, alusta::erotin);

alusta::Aika kello() { return {2018, 8, 21, 14, 30, 5}; }

const char* nimi(Vaihe v) {
  switch (v) {
    case Vaihe::avaa: return "avaa";
    case Vaihe::lue: return "lue";
    case Vaihe::kirjoita: return "kirjoita";
    case Vaihe::tallenna: return "tallenna";
    case Vaihe::nimea: return "nimea";
    case Vaihe::korvaa: return "korvaa";
    case Vaihe::poista: return "poista";
    case Vaihe::luo: return "luo";
    case Vaihe::vuokraa: return "vuokraa";
  }
  return "?";
}

// The number a platform gives for such a failure.
std::int32_t numero(Vaihe v) {
  switch (v) {
    case Vaihe::avaa: return euro::virhenro::lupaEvatty;
    case Vaihe::lue: return euro::virhenro::laitevirhe;
    case Vaihe::kirjoita: return euro::virhenro::levyTaynna;
    // Refused, not "already there": a name taken makes the run take the next free one.
    case Vaihe::nimea: return euro::virhenro::lupaEvatty;
    default: return euro::virhenro::kayttovirhe;
  }
}

// Three companies, two of them with a file from an earlier run; batches apart in the input;
// a line longer than the write buffer; more than one buffer of output.
struct Paloittelu : ::testing::Test {
  const vika::Tiliote tiliote =
      vika::teeTiliote({"1111111-1", "2222222-2", "3333333-3", "1111111-1", "2222222-2"}, 40, true);
  const std::map<std::string, std::string> vanhat = {
      {vika::tiedostonimi("1111111-1"), "vanha erä 1\r\n"},
      {vika::tiedostonimi("2222222-2"), "vanha erä 2\r\n"}};

  // A statement folder and a target folder with the earlier files in it.
  split::PaloitteluAsetukset valmistele(const testi::Kansio& k, const std::string& kohde, bool arkistoi) {
    testi::kirjoitaTiedosto(k / "TITO.TXT", tiliote.sisalto);
    for (const auto& [n, s] : vanhat) testi::kirjoitaTiedosto(kohde + S + n, s);
    split::PaloitteluAsetukset a;
    a.tiliotetiedosto = k / "TITO.TXT";
    a.kohdehakemisto = kohde;
    a.arkistoi = arkistoi;
    return a;
  }

  // Nothing lost: the statement file once and unchanged, and every company file its old
  // content and whole lines of its batches, with no other file beside them.
  void eiMitaanMenetetty(const testi::Kansio& k, const std::string& kohde, const std::string& tapaus) {
    EXPECT_TRUE(vika::tilioteKerran(k.polku(), "TITO.TXT", tiliote.sisalto)) << tapaus;
    for (const std::string& n : testi::tiedostot(kohde)) {
      // The marker of a split left for the next run names its journal.
      if (n == "TITO.TXT" || n == "TUODUT" || n == "asetukset.oma" || n.rfind(".kolvanto-", 0) == 0) continue;
      auto lisa = tiliote.lisattava.find(n);
      ASSERT_NE(lisa, tiliote.lisattava.end()) << tapaus << ": ylimääräinen " << n;
      auto vanha = vanhat.find(n);
      EXPECT_TRUE(vika::vanhaJaKokonaisiaRiveja(testi::lueTiedosto(kohde + S + n),
                                                vanha == vanhat.end() ? "" : vanha->second, lisa->second))
          << tapaus << ": " << n;
    }
    for (const auto& [n, s] : vanhat) EXPECT_TRUE(testi::onOlemassa(kohde + S + n)) << tapaus;
  }

  static void raportoituKerran(const testi::Ymparisto& ymp, std::int32_t nro, const std::string& tapaus) {
    ASSERT_EQ(ymp.virheet.size(), 1u) << tapaus;
    const euro::Vikailmoitus& v = ymp.virheet[0];
    EXPECT_EQ(v.numero, nro) << tapaus;
    EXPECT_EQ(v.kutsurivi, 100) << tapaus;
    EXPECT_EQ(v.moduuli, "kolvanto") << tapaus;
    EXPECT_EQ(v.rutiini, "paloittele") << tapaus;
    EXPECT_TRUE(ymp.viestit.viestit.empty()) << tapaus;
  }
};

// Every question that a complete run asks of the file system is made to fail in turn: once,
// and from there on (a disk that stays full); a write after none, half or all of its bytes.
// With a small read buffer the long line goes out in several writes: a failure between them
// must not leave its beginning behind.
TEST_F(Paloittelu, JokainenTiedostovaiheVuorollaan) {
  for (const auto& [arkistoi, puskuri] : {std::pair{false, 0}, std::pair{true, 0}, std::pair{false, 8192}}) {
    auto valmistele = [&](const testi::Kansio& k, const std::string& kansio, bool arkistoi) {
      auto a = this->valmistele(k, kansio, arkistoi);
      a.saadot.puskuri = static_cast<std::size_t>(puskuri);
      return a;
    };
    std::vector<vika::Kysymys> kysymykset;
    {
      testi::Kansio k;
      testi::Ymparisto ymp;
      auto a = valmistele(k, k.polku(), arkistoi);
      vika::Koukku koukku;
      ASSERT_TRUE(split::paloittele(a, kello).valmis);
      kysymykset = koukku.kysymykset;
      for (const auto& [n, lisa] : tiliote.lisattava) {
        auto vanha = vanhat.find(n);
        EXPECT_EQ(testi::lueTiedosto(k / n), (vanha == vanhat.end() ? "" : vanha->second) + lisa);
      }
    }
    ASSERT_GE(kysymykset.size(), 15u);
    for (std::size_t i = 0; i < kysymykset.size(); ++i) {
      // The target's marker goes after the journal: a failure there leaves a stale marker,
      // which the next split into the target removes, and the split stands.
      if (kysymykset[i].vaihe == Vaihe::poista && kysymykset[i].polku.find(".kolvanto-") != std::string::npos)
        continue;
      // The look whether the bank writes the file, answered, cannot be made: no failure, the
      // split goes on as where it cannot be told (a network drive).
      if (kysymykset[i].vaihe == Vaihe::vuokraa) continue;
      const Vaihe vaihe = kysymykset[i].vaihe;
      const std::size_t n = kysymykset[i].n;
      std::vector<std::size_t> lapi = {0};
      if (vaihe == Vaihe::kirjoita) lapi = {0, n / 2, n > 0 ? n - 1 : 0, n};
      for (bool pysyva : {false, true}) {
        for (std::size_t l : lapi) {
          const std::string tapaus = std::string(arkistoi ? "arkistoiden, " : "") + "puskuri " +
                                     std::to_string(puskuri) + ", kysymys " +
                                     std::to_string(i) + " " + nimi(vaihe) + (pysyva ? " pysyvästi" : "") +
                                     ", läpi " + std::to_string(l) + "/" + std::to_string(n);
          testi::Kansio k;
          testi::Ymparisto ymp;
          auto a = valmistele(k, k.polku(), arkistoi);
          vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t j) -> std::optional<alusta::Vika> {
            if (j == i || (pysyva && j > i && q.vaihe == vaihe)) return alusta::Vika{numero(vaihe), l};
            return std::nullopt;
          });
          EXPECT_FALSE(split::paloittele(a, kello).valmis) << tapaus;
          if (vaihe == Vaihe::luo) {
            // TUODUT that cannot be made is the split's own check, told in its message.
            EXPECT_TRUE(ymp.virheet.empty()) << tapaus;
            ASSERT_EQ(ymp.viestit.viestit.size(), 1u) << tapaus;
            EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "EI PALOITELTU, HAKEMISTOA EI VOI LUODA") << tapaus;
          } else {
            raportoituKerran(ymp, numero(vaihe), tapaus);
          }
          eiMitaanMenetetty(k, k.polku(), tapaus);
        }
      }
    }
  }
}

namespace fs = std::filesystem;

// Takes the write rights of a folder and its files away; false when they do not bind the
// process (root), when the rights are given back.
bool kirjoitusoikeudetPois(const std::string& kansio) {
  const fs::path k = euro::ansiUtf8(kansio);
  const auto kirjoitus = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  for (const auto& e : fs::directory_iterator(k)) fs::permissions(e.path(), kirjoitus, fs::perm_options::remove);
  fs::permissions(k, kirjoitus, fs::perm_options::remove);
  std::ofstream koe(k / "koe");
  if (!koe) return true;
  koe.close();
  fs::permissions(k, kirjoitus, fs::perm_options::add);
  fs::remove(k / "koe");
  for (const auto& e : fs::directory_iterator(k)) fs::permissions(e.path(), kirjoitus, fs::perm_options::add);
  return false;
}

// The target folder becomes read-only while the run goes on: a file system of the test's own
// mounted again read-only (as root), the folder's rights taken away (otherwise), or the
// refusal given by the hook where neither binds (Windows, root without mounting).
TEST_F(Paloittelu, KohdeMuuttuuKeskenVainLuettavaksi) {
  testi::Kansio k;
  const std::string kohde = k / "kohde";
  alusta::luoHakemisto(kohde);
  vika::Tmpfs tmpfs(kohde, 16 << 20);
  auto a = valmistele(k, kohde, true);
  testi::Ymparisto ymp;
  int avauksia = 0;
  std::string tapa = "koukku";
  // The folder turns when the third batch's file is opened (the split also opens the files
  // that are there to see what they hold).
  const std::string kolmas = kohde + S + vika::tiedostonimi("3333333-3");
  vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
    if (q.vaihe != Vaihe::avaa || q.polku != kolmas || ++avauksia != 1) return std::nullopt;
    if (tmpfs.vainLuettavaksi()) {
      tapa = "tmpfs";
      return std::nullopt;
    }
    if (!alusta::onWindows && kirjoitusoikeudetPois(kohde)) {
      tapa = "oikeudet";
      return std::nullopt;
    }
    return alusta::Vika{euro::virhenro::lupaEvatty};
  });
  EXPECT_FALSE(split::paloittele(a, kello).valmis);
  SCOPED_TRACE(tapa);
  raportoituKerran(ymp, euro::virhenro::lupaEvatty, tapa);
  eiMitaanMenetetty(k, kohde, tapa);
  // Two batches went out before the folder turned; the third found it closed.
  EXPECT_EQ(testi::lueTiedosto(kohde + S + vika::tiedostonimi("1111111-1")),
            vanhat.at(vika::tiedostonimi("1111111-1")) + tiliote.erat[0]);
  EXPECT_EQ(testi::lueTiedosto(kohde + S + vika::tiedostonimi("2222222-2")),
            vanhat.at(vika::tiedostonimi("2222222-2")) + tiliote.erat[1]);
  EXPECT_FALSE(testi::onOlemassa(kohde + S + vika::tiedostonimi("3333333-3")));
  std::cout << "[ tapa     ] " << tapa << "\n";
}

// A disk that fills up under the run, for real: the target folder is a small file system of
// the test's own. In the process and as kolvanto-cli.
TEST_F(Paloittelu, LevyTayttyyKesken) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "oma tiedostojärjestelmä vain Linuxissa";
  for (bool prosessina : {false, true}) {
    testi::Kansio k;
    const std::string kohde = k / "kohde";
    alusta::luoHakemisto(kohde);
    vika::Tmpfs tmpfs(kohde, 128 * 1024);
    if (!tmpfs.onko()) GTEST_SKIP() << "tmpfs:ää ei voi liittää (vaatii pääkäyttäjän)";
    ASSERT_GT(tiliote.sisalto.size(), 2 * 128 * 1024u);
    auto a = valmistele(k, kohde, true);
    const std::string tapaus = prosessina ? "kolvanto-cli" : "paloittele";
    if (prosessina) {
      testi::kirjoitaTiedosto(k / "asetukset.oma", "");
      vika::Prosessi p = vika::ajaKolvantoCli(
          {"--asetukset", k / "asetukset.oma", "--kohde", kohde, a.tiliotetiedosto});
      EXPECT_EQ(p.koodi, cli::virhe);
      EXPECT_NE(p.virhe.find("Levy on täynnä"), std::string::npos) << p.virhe;
      EXPECT_NE(p.virhe.find("paloittele"), std::string::npos) << p.virhe;
    } else {
      testi::Ymparisto ymp;
      EXPECT_FALSE(split::paloittele(a, kello).valmis);
      raportoituKerran(ymp, euro::virhenro::levyTaynna, tapaus);
    }
    eiMitaanMenetetty(k, kohde, tapaus);
  }
}

// kolvanto-cli ends with status 2 and no exception whichever step fails.
TEST_F(Paloittelu, KolvantoCliPaattyySiististi) {
  struct {
    Vaihe vaihe;
    bool arkistoi;
  } const tapaukset[] = {{Vaihe::nimea, true}, {Vaihe::avaa, false}, {Vaihe::lue, false},
                         {Vaihe::kirjoita, true}};
  for (const auto& t : tapaukset) {
    testi::Kansio k;
    auto a = valmistele(k, k.polku(), t.arkistoi);
    testi::kirjoitaTiedosto(k / "asetukset.oma", "");
    int kerta = 0;
    vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
      // The second of its kind, and every one after it: a fault that stays.
      if (q.vaihe == t.vaihe && (++kerta >= 2 || t.vaihe == Vaihe::nimea))
        return alusta::Vika{numero(t.vaihe), q.n / 2};
      return std::nullopt;
    });
    std::vector<std::string> argumentit = {"--asetukset", k / "asetukset.oma",
                                           t.arkistoi ? "--aikaleima" : "--ei-aikaleimaa",
                                           a.tiliotetiedosto};
    int koodi = -1;
    // The data directory, and so the error log, in a scratch folder, not beside the test.
    testi::Kansio data;
    settings::nollaaApppath(data.polku());
    EXPECT_NO_THROW(koodi = cli::suorita(argumentit)) << nimi(t.vaihe);
    settings::nollaaApppath();
    EXPECT_EQ(koodi, cli::virhe) << nimi(t.vaihe);
    eiMitaanMenetetty(k, k.polku(), nimi(t.vaihe));
  }
}

// Another program holds the statement file open without sharing it (Windows share mode 0):
// the archive move and the reading are both refused, and nothing moves until it lets go.
TEST_F(Paloittelu, TilioteAukiToisellaOhjelmalla) {
  if constexpr (!alusta::onWindows) GTEST_SKIP() << "jakotiloja on vain Windowsissa";
  for (bool arkistoi : {true, false}) {
    const std::string tapaus = arkistoi ? "arkistoiden" : "paikallaan";
    testi::Kansio k;
    testi::Ymparisto ymp;
    auto a = valmistele(k, k.polku(), arkistoi);
    {
      alusta::Tiedosto pankki(k / "TITO.TXT", alusta::Tila::yksin);
      EXPECT_FALSE(split::paloittele(a, kello).valmis) << tapaus;
      raportoituKerran(ymp, euro::virhenro::lupaEvatty, tapaus);
      testi::kirjoitaTiedosto(k / "asetukset.oma", "");
      vika::Prosessi p = vika::ajaKolvantoCli({"--asetukset", k / "asetukset.oma",
                                               arkistoi ? "--aikaleima" : "--ei-aikaleimaa",
                                               a.tiliotetiedosto});
      EXPECT_EQ(p.koodi, cli::virhe) << tapaus << ": " << p.virhe;
      EXPECT_NE(p.virhe.find("(virhe 70)"), std::string::npos) << p.virhe;
    }
    EXPECT_TRUE(vika::tilioteKerran(k.polku(), "TITO.TXT", tiliote.sisalto)) << tapaus;
    EXPECT_TRUE(testi::onOlemassa(k / "TITO.TXT")) << tapaus;
    for (const auto& [n, vanha] : vanhat) EXPECT_EQ(testi::lueTiedosto(k / n), vanha) << tapaus;
    EXPECT_FALSE(testi::onOlemassa(k / vika::tiedostonimi("3333333-3"))) << tapaus;

    ymp.virheet.clear();
    EXPECT_TRUE(split::paloittele(a, kello).valmis) << tapaus;
    EXPECT_TRUE(ymp.virheet.empty()) << tapaus;
    for (const auto& [n, lisa] : tiliote.lisattava) {
      auto vanha = vanhat.find(n);
      EXPECT_EQ(testi::lueTiedosto(k / n), (vanha == vanhat.end() ? "" : vanha->second) + lisa) << tapaus;
    }
  }
}

}  // namespace
