// kolvanto-cli with a reference-payment file: the summary counts batches, every fault of a
// batch refuses the whole file with 65 and its place before anything is written, a key the
// format has not is a failure that leaves the file where it is.
#include <gtest/gtest.h>

#include <filesystem>

#include "euro/alusta/alusta.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"
#include "tuki/viitesiirrot.h"

namespace {

namespace v = testi::viite;

// The i-th record (from 0) of a CR LF file with its 90 characters replaced.
std::string korvaa(std::string s, std::size_t i, const std::string& tietue) {
  return s.replace(i * 92, 90, tietue);
}

TEST(CliViite, YhteenvetoHylkayksetJaEsikatselu) {
  testi::Kansio kansio;
  const std::string ohjelma = testi::ohjelmaBin("kolvanto-cli");
  const std::string syote = kansio / "VIITE.DAT";
  const std::string S(1, alusta::erotin);
  alusta::luoHakemisto(kansio / "ulos");
  // Two batches of two payments each (records 0-3 and 4-8), the second with a correction (7).
  std::vector<v::Era> erat = v::erat({1, 2}, 2, 1);
  const std::string hyva = v::tiedosto(erat);
  const std::string eka = v::era(erat[0]);
  // The test's own layout: the second batch's sum record is the ninth record.
  ASSERT_EQ(hyva.substr(8 * 92, 90), v::summatietue(2, 601, 1, 50));
  const struct {
    const char* kuvaus;
    std::string sisalto;
    std::vector<std::string> lisa;
    int koodi;
    const char* ulos;   // part of standard output
    const char* virhe;  // part of standard error
  } tapaukset[] = {
      {"paloittelu", hyva, {}, 0, "V-PT0000001.TXT: 1 erä\n", ""},
      {"maksujen määrä", korvaa(hyva, 8, v::summatietue(3, 601, 1, 50)), {}, 65, "", "erä 2 (tavu 368): summatietueen"},
      {"maksujen summa", korvaa(hyva, 3, v::summatietue(2, 402, 0, 0)), {}, 65, "", "erä 1 (tavu 0): summatietueen"},
      {"oikaisujen määrä", korvaa(hyva, 8, v::summatietue(2, 601, 0, 50)), {}, 65, "", "oikaisujen määrä"},
      {"oikaisujen summa", korvaa(hyva, 8, v::summatietue(2, 601, 1, 51)), {}, 65, "", "oikaisujen summa"},
      {"katkennut erä", hyva.substr(0, hyva.size() - 92), {}, 65, "", "erästä 2 (tavu 368) puuttuu summatietue 9"},
      {"summatietue puuttuu välistä", eka.substr(0, eka.size() - 92) + hyva.substr(eka.size()), {}, 65, "",
       "erästä 1 (tavu 0) puuttuu summatietue 9"},
      {"lyhyt tietue", hyva.substr(0, 92 + 89) + hyva.substr(92 + 90), {}, 65, "", "90 merkin"},
      {"pitkä tietue", hyva.substr(0, 92 + 90) + " " + hyva.substr(92 + 90), {}, 65, "", "90 merkin"},
      {"tuntematon tietue", korvaa(hyva, 6, "4" + hyva.substr(6 * 92 + 1, 89)), {}, 65, "", "tuntematon tietuetunnus \"4\""},
      {"tietue erien välissä", hyva.substr(0, eka.size()) + hyva.substr(92, 92) + hyva.substr(eka.size()), {}, 65, "",
       "tietue ennen erätietuetta 0 (tavu 368)"},
      {"ilman rivinvaihtoa lopussa", hyva.substr(0, hyva.size() - 2), {}, 65, "", "kesken tietueen"},
      {"rahamäärä ei numero", korvaa(hyva, 1, hyva.substr(92, 77) + "00000001X0" + hyva.substr(92 + 87, 3)), {}, 65, "",
       "ei ole numeroita"},
      {"nimi avaimena", hyva, {"--avain", "nimi"}, 2, "", "tilinomistajan nim"},
      {"esikatselu", hyva, {"--esikatselu"}, 0, "0240402060050>>PT0000001<<1", ""},
      {"esikatselu katkennut", hyva.substr(0, hyva.size() - 92), {"--esikatselu"}, 65, "", "ESIKATSELUA EI TEHTY: "},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::kirjoitaTiedosto(syote, t.sisalto);
    std::vector<std::string> argumentit = {"--kohde", kansio / "ulos", "--alkuosa", "V-", "--loppuosa", ".TXT"};
    argumentit.insert(argumentit.end(), t.lisa.begin(), t.lisa.end());
    argumentit.push_back(syote);
    const auto a = testi::ajaOhjelma(ohjelma, argumentit);
    EXPECT_EQ(a.koodi, t.koodi) << a.ulos << a.virhe;
    EXPECT_NE(a.ulos.find(t.ulos), std::string::npos) << a.ulos;
    EXPECT_NE(a.virhe.find(t.virhe), std::string::npos) << a.virhe;
    std::vector<std::string> tuodut;
    if (testi::onOlemassa(kansio / "TUODUT")) tuodut = testi::tiedostot(kansio / "TUODUT");
    if (t.koodi == 0 && t.lisa.empty()) {
      // Archived whole, split byte for byte.
      ASSERT_EQ(tuodut.size(), 1u);
      EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + S + tuodut[0]), t.sisalto);
      EXPECT_EQ(testi::lueTiedosto(kansio / "ulos" + S + "V-PT0000001.TXT"), eka);
      EXPECT_EQ(testi::lueTiedosto(kansio / "ulos" + S + "V-PT0000002.TXT"), hyva.substr(eka.size()));
    } else {
      // Nothing written; a refused file aside whole, anything else left in its place.
      EXPECT_TRUE(testi::tiedostot(kansio / "ulos").empty());
      if (t.koodi == 65 && t.lisa.empty()) {
        ASSERT_EQ(tuodut.size(), 1u);
        EXPECT_EQ(tuodut[0].substr(tuodut[0].size() - 8), ".hylatty");
        EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + S + tuodut[0]), t.sisalto);
        EXPECT_FALSE(testi::onOlemassa(syote));
      } else {
        EXPECT_TRUE(tuodut.empty());
        EXPECT_EQ(testi::lueTiedosto(syote), t.sisalto);
      }
    }
    std::filesystem::remove_all(kansio / "TUODUT");
    std::filesystem::remove_all(kansio / "ulos");
    alusta::luoHakemisto(kansio / "ulos");
  }
}

}  // namespace
