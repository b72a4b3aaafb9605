#include "euro/tiedostovalinta.h"

#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "tuki/testituki.h"

namespace {

using euro::Suodatin;
using euro::Tiedostovalinta;
const std::string S(1, alusta::erotin);
const std::string otsikko = "Valitse paloiteltava TITO -tiedosto";

TEST(Tiedostovalinta, ArgumenteistaDialogi) {
  const std::string data = alusta::onWindows ? "C:\\data" : "/data";
  struct Tapaus {
    const char* kuvaus;
    std::string polku, kuvausteksti, tarkenne;
    std::string alkuhakemisto, tiedostonimi;
    std::vector<Suodatin> suodattimet;
  };
  const Tapaus tapaukset[] = {
      // The main window: an empty box, a file with an extension, a file without one.
      {"tyhja", "", "*.*", "*", "", "", {{"*.* (*.*)", "*.*"}}},
      {"TXT", data, "*.TXT", "TXT", data, "", {{"*.TXT (*.TXT)", "*.TXT"}}},
      {"ilman tarkennetta", data, "*.*", "*", data, "", {{"*.* (*.*)", "*.*"}}},
      {"puuttuva hakemisto", data + S + "ei-ole", "*.*", "*", data + S + "ei-ole", "", {{"*.* (*.*)", "*.*"}}},
      {"valmis suodatin", "", "ohitetaan", "Tekstit|*.txt|Kaikki|*.*", "", "",
       {{"Tekstit", "*.txt"}, {"Kaikki", "*.*"}}},
      {"tahtimuoto", "*" + data + S + "TITO.TXT", "*.*", "*", "", data, {{"*.* (*.*)", "*.*"}}},
      {"tahtimuoto ilman hakemistoa", "*TITO.TXT", "*.*", "*", "", "", {{"*.* (*.*)", "*.*"}}},
  };
  for (const auto& t : tapaukset) {
    Tiedostovalinta v = euro::tiedostovalinta(t.polku, otsikko, t.kuvausteksti, t.tarkenne);
    Tiedostovalinta odotettu{t.alkuhakemisto, t.tiedostonimi, otsikko, t.suodattimet, 0, true, true};
    EXPECT_EQ(v, odotettu) << t.kuvaus;
  }
}

TEST(Tiedostovalinta, SuodatinTeksti) {
  struct {
    std::string teksti;
    std::vector<Suodatin> entryt;
  } const tapaukset[] = {
      {"A|*.a||B|*.b", {{"A", "*.a"}}},  // the empty pair ends the list
      {"A|*.a|B", {{"A", "*.a"}}},       // a display text without its pattern
      {"|*.a|B|*.b", {}},
      {"", {}},
      {"A|", {{"A", ""}}},
  };
  for (const auto& t : tapaukset) EXPECT_EQ(euro::suodattimet(t.teksti), t.entryt) << t.teksti;
}

TEST(Tiedostovalinta, ValintaPeruutusJaVirhe) {
  testi::Ymparisto ymp;
  testi::ValeTiedostovalitsin dialogi;
  const std::string valittu = alusta::onWindows ? "C:\\data\\TITO.TXT" : "/data/TITO.TXT";
  const std::string tahti = "*" + valittu;
  dialogi.vastaukset = {valittu, std::nullopt};
  dialogi.epaonnistuu = true;

  EXPECT_EQ(euro::fe_AvaaTiedosto(dialogi, "", otsikko, "*.TXT", "TXT"), valittu);
  EXPECT_EQ(euro::fe_AvaaTiedosto(dialogi, tahti, otsikko, "*.*", "*"), "");
  EXPECT_TRUE(ymp.virheet.empty()) << "peruutus ei ole virhe";
  EXPECT_EQ(euro::fe_AvaaTiedosto(dialogi, "", otsikko, "*.*", "*"), "");

  ASSERT_EQ(dialogi.valinnat.size(), 3u);
  EXPECT_EQ(dialogi.valinnat[0], euro::tiedostovalinta("", otsikko, "*.TXT", "TXT"));
  EXPECT_EQ(dialogi.valinnat[1], euro::tiedostovalinta(tahti, otsikko, "*.*", "*"));
  ASSERT_EQ(ymp.virheet.size(), 1u);
  const auto& v = ymp.virheet[0];
  EXPECT_EQ(v.numero, euro::virhenro::virheellinenKutsu);
  EXPECT_EQ(v.kutsurivi, 9099);
  EXPECT_EQ(v.moduuli, "RaroVuvYhteinen");
  EXPECT_EQ(v.rutiini, "fe_AvaaTiedosto");
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

}  // namespace
