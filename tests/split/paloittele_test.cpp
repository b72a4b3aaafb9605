#include "split/paloittele.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <set>
#include <optional>
#include <random>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/esikatselu.h"
#include "split/ilmoitus.h"
#include "split/muoto.h"
#include "split/nimi.h"
#include "split/t00.h"
#include "tuki/kayttaja.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
using split::PaloitteluAsetukset;
constexpr char sep = alusta::erotin;
const std::string S(1, sep);

const alusta::Aika kiinteaAika{2018, 8, 21, 14, 30, 5};
alusta::Aika kello() { return kiinteaAika; }

struct Ajo : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  PaloitteluAsetukset a;

  void SetUp() override {
    a.tiliotetiedosto = kansio / "TITO.TXT";
    a.arkistoi = false;
  }
  split::PaloitteluTulos aja() { return split::paloittele(a, kello); }
  std::string rivi(const std::string& asiakas, const std::string& alku = "180801") {
    testi::T00 t;
    t.asiakas = asiakas;
    t.alku = alku;
    return t.rivi();
  }
  std::string nimi(const std::string& asiakas, const std::string& kk = "08") {
    return "TITO-2018-" + kk + "-" + asiakas + ".TXT";
  }
};

TEST_F(Ajo, TarkistustenViestit) {
  struct Tapaus {
    const char* kuvaus;
    std::string tiedosto;  // statement path; created unless it names a missing one
    bool luo;
    std::string kohde;
    std::deque<int> vastaukset;
    std::vector<testi::Viesti> odotetut;
  };
  const std::string puuttuva = kansio / "PUUTTUU.TXT";
  const std::string uusi = kansio / "uusi";
  const std::string syva = kansio / "ei" + S + "ole";
  const std::string kaksois = kansio.polku() + S + S + "TITO.TXT";
  const std::string eiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";
  const std::vector<Tapaus> tapaukset = {
      {"M1", puuttuva, false, "", {},
       {{ansi("Tiedostoa ") + puuttuva + ansi(" ei löydy"), "PALOITTELUA EI TEHTY", 0}}},
      {"M1 tyhja polku", "", false, "", {}, {{ansi("Tiedostoa  ei löydy"), "PALOITTELUA EI TEHTY", 0}}},
      {"M2", kaksois, true, "", {},
       {{ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + kaksois +
             ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
         "", 0}}},
      {"M3 ei, M5", kansio / "TITO.TXT", true, uusi, {7},
       {{ansi("Hakemistoa ") + uusi + S + ansi(" ei löydy, luodaanko se? "), "LUODAANKO HAKEMISTO", 36},
        {ansi("Hakemistoa ") + uusi + S + ansi(" ei tehty"), eiLuoda, 16}}},
      {"M3 kylla, M4", kansio / "TITO.TXT", true, syva + S, {6},
       {{ansi("Hakemistoa ") + syva + S + ansi(" ei löydy, luodaanko se? "), "LUODAANKO HAKEMISTO", 36},
        {ansi("Hakemiston ") + syva + ansi(" luominen ei onnistunut"), eiLuoda, 16}}},
  };
  for (const auto& t : tapaukset) {
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = t.vastaukset;
    if (t.luo) testi::kirjoitaTiedosto(kansio / "TITO.TXT", rivi("1") + "\r\n");
    a.tiliotetiedosto = t.tiedosto;
    a.kohdehakemisto = t.kohde;
    auto tulos = aja();
    EXPECT_FALSE(tulos.valmis) << t.kuvaus;
    EXPECT_EQ(ymp.viestit.viestit, t.odotetut) << t.kuvaus;
    EXPECT_FALSE(testi::onOlemassa(uusi)) << t.kuvaus;
    EXPECT_FALSE(testi::onOlemassa(kansio / nimi("1"))) << t.kuvaus;
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

// The run ends with a typed end and asks through its typed question; it shows no message box
// itself, so that no front has to recognise one by its words.
TEST_F(Ajo, LoppuTyypitettyIlmanViestilaatikoita) {
  struct Kysyja : split::Kysymykset {
    bool vastaus = false;
    std::vector<std::string> kysytyt;
    bool luodaankoHakemisto(const std::string& kohde) override {
      kysytyt.push_back(kohde);
      return vastaus;
    }
  };
  struct Tapaus {
    const char* kuvaus;
    std::string tiedosto, sisalto, kohde;
    bool vastaus, arkistoi;
    split::Loppu loppu;
    std::size_t kysymyksia;
  };
  const std::string tito = kansio / "TITO.TXT";
  const std::string roskaa(4096, '\x01');
  const std::vector<Tapaus> tapaukset = {
      {"ei tiedostoa", kansio / "EI.TXT", "", "", false, false, split::Loppu::eiTiedostoa, 0},
      {"verkkopolku", kansio.polku() + S + S + "TITO.TXT", rivi("1") + "\r\n", "", false, false,
       split::Loppu::verkkopolku, 0},
      {"kohde ei", tito, rivi("1") + "\r\n", kansio / "uusi", false, false, split::Loppu::kohdettaEiLuotu, 1},
      {"kohde ei luotavissa", tito, rivi("1") + "\r\n", kansio / "ei" + S + "ole", true, false,
       split::Loppu::kohdeEiLuotavissa, 1},
      {"hylatty", tito, roskaa, "", false, true, split::Loppu::hylatty, 0},
      {"paloiteltu", tito, rivi("1") + "\r\n", kansio / "uusi2", true, true, split::Loppu::paloiteltu, 1},
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    ymp.viestit.viestit.clear();
    if (!t.sisalto.empty()) testi::kirjoitaTiedosto(t.tiedosto, t.sisalto);
    a.tiliotetiedosto = t.tiedosto;
    a.kohdehakemisto = t.kohde;
    a.arkistoi = t.arkistoi;
    Kysyja k;
    k.vastaus = t.vastaus;
    const split::PaloitteluTulos tulos = split::suorita(a, k, kello);
    EXPECT_EQ(tulos.loppu, t.loppu);
    EXPECT_EQ(tulos.valmis, t.loppu == split::Loppu::paloiteltu);
    EXPECT_EQ(k.kysytyt.size(), t.kysymyksia);
    EXPECT_TRUE(ymp.viestit.viestit.empty());
    EXPECT_TRUE(ymp.virheet.empty());
    // The words of every end that is no completed split come from one place.
    EXPECT_EQ(split::ilmoitus::lopusta(tulos).has_value(), t.loppu != split::Loppu::paloiteltu);
  }
  EXPECT_TRUE(testi::onOlemassa(kansio / "uusi2" + S + nimi("1")));
}

// A TITO batch never goes into a file of another format's statements: it goes to the "-2" name,
// and the summary names the format the file holds.
TEST_F(Ajo, ToisenMuodonTiedostoonEiLisata) {
  const std::string viite = std::string(90, ' ').replace(0, 11, "02404010600") + "\r\n";
  const std::string xml = "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">"
                          "<BkToCstmrStmt></BkToCstmrStmt></Document>\r\n";
  for (const auto& [muoto, sisalto] : {std::pair<std::string, std::string>{"VIITE", viite}, {"XML", xml}}) {
    SCOPED_TRACE(muoto);
    testi::Kansio k;
    a.tiliotetiedosto = k / "TITO.TXT";
    testi::kirjoitaTiedosto(a.tiliotetiedosto, rivi("1") + "\r\n");
    testi::kirjoitaTiedosto(k / nimi("1"), sisalto);
    if (&split::muotoTiedostolle(k / nimi("1")) == &split::muotoTiedostolle(a.tiliotetiedosto)) {
      ADD_FAILURE() << "the table takes the file for TITO";
      continue;
    }
    const split::PaloitteluTulos tulos = aja();
    ASSERT_TRUE(tulos.valmis);
    EXPECT_EQ(testi::lueTiedosto(k / nimi("1")), sisalto);
    EXPECT_EQ(testi::lueTiedosto(k / "TITO-2018-08-1-2.TXT"), rivi("1") + "\r\n");
    ASSERT_EQ(tulos.yhteenveto.huomautukset.size(), 1u);
    EXPECT_NE(tulos.yhteenveto.huomautukset[0].find(" on " + muoto + "-tiliotetiedosto"), std::string::npos)
        << tulos.yhteenveto.huomautukset[0];
  }
}

TEST_F(Ajo, M3KyllaLuoHakemistonJaPaloittelee) {
  testi::kirjoitaTiedosto(a.tiliotetiedosto, rivi("1") + "\r\n");
  a.kohdehakemisto = kansio / "uusi";
  ymp.viestit.vastaukset = {6};
  auto tulos = aja();
  EXPECT_TRUE(tulos.valmis);
  EXPECT_EQ(tulos.kohdehakemisto, kansio / "uusi" + S);
  EXPECT_EQ(testi::lueTiedosto(kansio / "uusi" + S + nimi("1")), rivi("1") + "\r\n");
}

TEST_F(Ajo, ArkistohakemistoaEiVoiLuoda) {
  testi::kirjoitaTiedosto(a.tiliotetiedosto, rivi("1") + "\r\n");
  testi::kirjoitaTiedosto(kansio / "TUODUT", "tiedosto, ei hakemisto");
  a.arkistoi = true;
  a.kohdehakemisto = kansio / "uusi";
  ymp.viestit.vastaukset = {6};
  EXPECT_FALSE(aja().valmis);
  ASSERT_EQ(ymp.viestit.viestit.size(), 2u);
  EXPECT_EQ(ymp.viestit.viestit[1],
            (testi::Viesti{ansi("Hakemiston ") + kansio / "TUODUT" + ansi(" luominen ei onnistunut"),
                           "EI PALOITELTU, HAKEMISTOA EI VOI LUODA", 0}));
  // The target directory the user agreed to stays; the statement file is untouched.
  EXPECT_TRUE(testi::onOlemassa(kansio / "uusi"));
  EXPECT_EQ(testi::lueTiedosto(a.tiliotetiedosto), rivi("1") + "\r\n");
}

TEST_F(Ajo, ErätOmiinTiedostoihinsaTavuTavulta) {
  const std::string syote = "alku ennen\r\nT0 ei ole\r\n" +
                            rivi("A") + "\r\nT10 a1\r\n\r\nt00 pieni\r\n T00 tyhja eteen\r\n" +
                            rivi("B") + "\rT10 b1\nLF paattaa rivin\r\n" +
                            rivi("A", "180901") + "\r\nT10 a2\r\n" +
                            rivi("A") + "\r\nviimeinen ilman paatetta";
  testi::kirjoitaTiedosto(a.tiliotetiedosto, syote);
  testi::kirjoitaTiedosto(kansio / nimi("A"), "vanha\r\n");
  a.kohdehakemisto = "   ";
  auto tulos = aja();
  ASSERT_TRUE(tulos.valmis);
  EXPECT_EQ(tulos.kohdehakemisto, kansio.polku() + S);
  EXPECT_EQ(testi::lueTiedosto(kansio / nimi("A")),
            "vanha\r\n" + rivi("A") + "\r\nT10 a1\r\n\r\nt00 pieni\r\n T00 tyhja eteen\r\n" +
                rivi("A") + "\r\nviimeinen ilman paatetta\r\n");
  EXPECT_EQ(testi::lueTiedosto(kansio / nimi("B")), rivi("B") + "\r\nT10 b1\r\nLF paattaa rivin\r\n");
  EXPECT_EQ(testi::lueTiedosto(kansio / nimi("A", "09")), rivi("A", "180901") + "\r\nT10 a2\r\n");
  EXPECT_EQ(testi::lueTiedosto(a.tiliotetiedosto), syote);
  const auto& y = tulos.yhteenveto;
  EXPECT_EQ(y.ohitetutRivit, 2);
  ASSERT_EQ(y.tiedostot.size(), 3u);
  EXPECT_EQ(y.tiedostot[0].polku, kansio / nimi("A"));
  EXPECT_EQ(y.tiedostot[0].eria, 2);
  EXPECT_EQ(y.tiedostot[0].riveja, 7);
  EXPECT_EQ(y.tiedostot[1].riveja, 3);
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST_F(Ajo, ArkistointiJaSamaSekunti) {
  const std::string syote = "\r\n";
  testi::kirjoitaTiedosto(a.tiliotetiedosto, syote);
  a.arkistoi = true;
  auto tulos = aja();
  const std::string tuodut = kansio / "TUODUT";
  const std::string arkistoitu = tuodut + S + "2018-08-21+143005-TITO.TXT";
  EXPECT_TRUE(tulos.valmis);
  EXPECT_EQ(tulos.yhteenveto.arkistoitu, arkistoitu);
  EXPECT_EQ(testi::lueTiedosto(arkistoitu), syote);
  EXPECT_EQ(testi::tiedostot(kansio.polku()), std::vector<std::string>{"TUODUT"});

  // The bank program starts a new file, and runs of the same second take the next free
  // names, which sort after the first: a name whose journal is taken is passed over too.
  alusta::luoHakemisto(tuodut + S + "2018-08-21+143005.03-TITO.TXT.kesken.uusi");
  const std::vector<std::string> nimet = {"2018-08-21+143005.02-TITO.TXT", "2018-08-21+143005.04-TITO.TXT"};
  for (std::size_t i = 0; i < nimet.size(); ++i) {
    const std::string sisalto = rivi(std::to_string(i + 1)) + "\r\n";
    testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
    tulos = aja();
    EXPECT_TRUE(tulos.valmis) << nimet[i];
    EXPECT_EQ(tulos.yhteenveto.arkistoitu, tuodut + S + nimet[i]);
    EXPECT_EQ(testi::lueTiedosto(tuodut + S + nimet[i]), sisalto);
    EXPECT_EQ(testi::lueTiedosto(kansio / nimi(std::to_string(i + 1))), sisalto);
  }
  EXPECT_EQ(testi::tiedostot(tuodut),
            (std::vector<std::string>{"2018-08-21+143005-TITO.TXT", nimet[0],
                                      "2018-08-21+143005.03-TITO.TXT.kesken.uusi", nimet[1]}));
  EXPECT_EQ(testi::lueTiedosto(arkistoitu), syote);
  EXPECT_TRUE(ymp.virheet.empty());
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

// What stops or meets an archiving split at the bank's border: the bank program still writing
// the statement file (a handle open for writing), a reader of it (no obstacle), another run
// that moves the file away between our look and our move, and another run that makes TUODUT
// between our look and our making it.
TEST_F(Ajo, ArkistointiToisenOhjelmanRinnalla) {
  enum class Toinen { kirjoittaa, lukee, vieTiedoston, luoTuodut };
  struct Tapaus {
    Toinen toinen;
    bool siirretaan;
    std::string viesti;  // "" none; the statement file's path follows its first part
  };
  const std::vector<Tapaus> tapaukset = {
      {Toinen::kirjoittaa, false,
       "Pankkiohjelma kirjoittaa vielä tiedostoa |: se jätettiin paikalleen, sitä ei siirretty eikä paloiteltu. "
       "Paloittele uudelleen, kun pankkiohjelma on lopettanut."},
      {Toinen::lukee, true, ""},
      {Toinen::vieTiedoston, false,
       "Toinen paloittelu on jo siirtänyt tiedoston | ja paloittelee sitä: tämä ajo ei tehnyt mitään."},
      {Toinen::luoTuodut, true, ""},
  };
  a.arkistoi = true;
  const std::string sisalto = rivi("1") + "\r\nT10 a\r\n";
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(static_cast<int>(t.toinen));
    testi::Kansio k;
    const std::string polku = k / "TITO.TXT", tuodut = k / "TUODUT", muualla = k / "MUUALLA.TXT";
    a.tiliotetiedosto = polku;
    ymp.viestit.viestit.clear();
    testi::kirjoitaTiedosto(polku, sisalto);
    alusta::Tiedosto kahva;
    if (t.toinen == Toinen::kirjoittaa) kahva.avaa(polku, alusta::Tila::lisaa);
    if (t.toinen == Toinen::lukee) kahva.avaa(polku, alusta::Tila::lue);
    const std::string uusiKirja = ".kesken.uusi";
    alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
        [&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
          if (t.toinen == Toinen::vieTiedoston && v == alusta::Vaihe::avaa && p.size() > uusiKirja.size() &&
              p.compare(p.size() - uusiKirja.size(), uusiKirja.size(), uusiKirja) == 0 && testi::onOlemassa(polku))
            alusta::nimeaUudelleen(polku, muualla);
          if (t.toinen == Toinen::luoTuodut && v == alusta::Vaihe::luo && p == tuodut)
            std::filesystem::create_directory(p);
          return std::nullopt;
        });
    const auto tulos = aja();
    alusta::asetaVikakoukku(std::move(edellinen));
    kahva.sulje();
    EXPECT_EQ(tulos.valmis, t.siirretaan);
    EXPECT_EQ(tulos.loppu == split::Loppu::tiedostoAuki, t.toinen == Toinen::kirjoittaa);
    std::vector<testi::Viesti> odotetut;
    if (!t.viesti.empty()) {
      const std::size_t v = t.viesti.find('|');
      odotetut.push_back({ansi(t.viesti.substr(0, v)) + polku + ansi(t.viesti.substr(v + 1)), "PALOITTELUA EI TEHTY",
                          t.toinen == Toinen::kirjoittaa ? 48 : 0});
    }
    EXPECT_EQ(ymp.viestit.viestit, odotetut);
    EXPECT_TRUE(ymp.virheet.empty());
    const std::vector<std::string> arkistot =
        testi::onOlemassa(tuodut) ? testi::tiedostot(tuodut) : std::vector<std::string>{};
    if (t.siirretaan) {
      EXPECT_EQ(arkistot, std::vector<std::string>{"2018-08-21+143005-TITO.TXT"});
      EXPECT_EQ(testi::lueTiedosto(k / nimi("1")), sisalto);
      EXPECT_FALSE(testi::onOlemassa(polku));
    } else {
      // Left as it was: no archive, no journal, nothing split.
      EXPECT_TRUE(arkistot.empty());
      EXPECT_FALSE(testi::onOlemassa(k / nimi("1")));
      EXPECT_EQ(testi::lueTiedosto(t.toinen == Toinen::vieTiedoston ? muualla : polku), sisalto);
    }
    ymp.virheet.clear();
  }
}

// A target that refuses the split's writes (read-only) leaves the journal, and the report
// says that the next run finishes the split; that run, on a day without a new file, says
// first that it finished the cut-off split.
TEST_F(Ajo, KeskenJaanytKerrotaanJaViimeistellaan) {
  const std::string sisalto = rivi("1") + "\r\nT10 a\r\n" + rivi("2") + "\r\n";
  testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
  a.arkistoi = true;
  a.kohdehakemisto = kansio / "ulos";
  alusta::luoHakemisto(a.kohdehakemisto);
  alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
      [&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
        // The company files, not the split's marker (without which it writes nothing).
        if (p.rfind(a.kohdehakemisto, 0) == 0 && p.find(".kolvanto-") == std::string::npos &&
            (v == alusta::Vaihe::avaa || v == alusta::Vaihe::kirjoita))
          return alusta::Vika{euro::virhenro::lupaEvatty};
        return std::nullopt;
      });
  auto tulos = aja();
  alusta::asetaVikakoukku(std::move(edellinen));
  EXPECT_FALSE(tulos.valmis);
  ASSERT_EQ(ymp.virheet.size(), 1u);
  EXPECT_EQ(ymp.virheet[0].numero, euro::virhenro::lupaEvatty);
  const std::string loppu = ansi(". Paloittelu jäi kesken; seuraava paloittelu viimeistelee sen, kun syy on korjattu");
  const std::string& viesti = ymp.virheet[0].viesti;
  ASSERT_GE(viesti.size(), loppu.size());
  EXPECT_EQ(viesti.substr(viesti.size() - loppu.size()), loppu) << viesti;
  const std::string arkisto = kansio / "TUODUT" + S + "2018-08-21+143005-TITO.TXT";
  EXPECT_TRUE(testi::onOlemassa(arkisto + ".kesken"));

  ymp.virheet.clear();
  ymp.viestit.viestit.clear();
  tulos = aja();
  EXPECT_FALSE(tulos.valmis);
  EXPECT_TRUE(ymp.virheet.empty());
  ASSERT_EQ(tulos.viimeistellyt.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit,
            (std::vector<testi::Viesti>{{ansi("Keskeytynyt paloittelu viimeisteltiin: ") + arkisto + "\n" +
                                             ansi("Uutta tiedostoa ") + a.tiliotetiedosto +
                                             ansi(" ei ole, sitä ei paloiteltu"),
                                         "KESKEYTYNYT PALOITTELU VIIMEISTELTY", 0}}));
  EXPECT_EQ(testi::lueTiedosto(kansio / "ulos" + S + nimi("1")), rivi("1") + "\r\nT10 a\r\n");
  EXPECT_FALSE(testi::onOlemassa(arkisto + ".kesken"));

  // A failure before the journal is made says nothing of a next run.
  ymp.virheet.clear();
  testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
  a.arkistoi = false;
  edellinen = alusta::asetaVikakoukku([&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
    if (p.rfind(a.kohdehakemisto, 0) == 0 && v == alusta::Vaihe::avaa) return alusta::Vika{euro::virhenro::lupaEvatty};
    return std::nullopt;
  });
  EXPECT_FALSE(aja().valmis);
  alusta::asetaVikakoukku(std::move(edellinen));
  ASSERT_EQ(ymp.virheet.size(), 1u);
  EXPECT_EQ(ymp.virheet[0].viesti.find(ansi("jäi kesken")), std::string::npos);
}

// A split cut off by a failed write, wherever in its batches, and the run that finishes it:
// their summaries together count what the company files hold, each batch, line and byte once.
TEST_F(Ajo, KeskeytynytJaViimeistelyLaskevatKerran) {
  struct Tapaus {
    const char* kuvaus;
    std::string sisalto;
    int saadot;  // batches the window names ahead; 0: the default
  };
  const std::vector<Tapaus> tapaukset = {
      {"kaksi erää, yksi yritys", rivi("1") + "\r\nT10 a\r\n" + rivi("1") + "\r\nT10 b\r\n", 0},
      {"monta yritystä, monta jaksoa",
       rivi("1") + "\r\nT10 a\r\n" + rivi("2") + "\r\n" + rivi("1") + "\r\nT10 b\r\nT40 c\r\n" + rivi("3") + "\r\n" +
           rivi("2") + "\r\nT10 d\r\n",
       2},
  };
  for (const Tapaus& t : tapaukset) {
    for (int n = 1; n <= 6; ++n) {
      SCOPED_TRACE(std::string(t.kuvaus) + ", kirjoitus " + std::to_string(n));
      testi::Kansio k;
      a.tiliotetiedosto = k / "TITO.TXT";
      a.kohdehakemisto = k / "ulos";
      a.arkistoi = true;
      a.saadot.jaksot.ennakko = static_cast<std::size_t>(t.saadot);
      alusta::luoHakemisto(a.kohdehakemisto);
      testi::kirjoitaTiedosto(a.tiliotetiedosto, t.sisalto);
      int kerta = 0;
      alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
          [&](alusta::Vaihe v, const std::string& p, std::size_t m) -> std::optional<alusta::Vika> {
            if (v == alusta::Vaihe::kirjoita && p.rfind(a.kohdehakemisto, 0) == 0 &&
                p.find(".kolvanto-") == std::string::npos && ++kerta == n)
              return alusta::Vika{euro::virhenro::levyTaynna, m / 2};
            return std::nullopt;
          });
      const split::PaloitteluTulos eka = aja();
      alusta::asetaVikakoukku(std::move(edellinen));
      std::map<std::string, std::array<std::int64_t, 3>> laskettu;  // batches, lines, bytes per file
      auto lisaa = [&](const split::Yhteenveto& y) {
        for (const auto& f : y.tiedostot) {
          auto& l = laskettu[f.polku];
          l[0] += f.eria;
          l[1] += f.riveja;
          l[2] += f.tavuja;
        }
      };
      lisaa(eka.yhteenveto);
      if (!eka.valmis) {
        const split::PaloitteluTulos toka = aja();
        ASSERT_EQ(toka.viimeistellyt.size(), 1u);
        lisaa(toka.viimeistellyt[0].yhteenveto);
        std::int64_t eria = 0;
        for (const auto& f : toka.viimeistellyt[0].yhteenveto.tiedostot) eria += f.eria;
        EXPECT_EQ(toka.viimeistellyt[0].eria, eria);
      }
      // What each file holds: its batches (T00 lines), lines and bytes.
      std::map<std::string, std::array<std::int64_t, 3>> odotettu;
      for (const std::string& nimi : testi::tiedostot(k / "ulos")) {
        const std::string sisalto = testi::lueTiedosto(k / "ulos" + S + nimi);
        auto& o = odotettu[k / "ulos" + S + nimi];
        for (std::size_t i = 0; i < sisalto.size(); i = sisalto.find("\r\n", i) + 2) {
          o[0] += sisalto.compare(i, 3, "T00") == 0;
          ++o[1];
        }
        o[2] = static_cast<std::int64_t>(sisalto.size());
      }
      std::erase_if(laskettu, [](const auto& l) { return l.second == std::array<std::int64_t, 3>{}; });
      EXPECT_EQ(laskettu, odotettu);
    }
  }
}

// A target folder that cannot be written is said as such, with nothing moved or written:
// whether its rights tell it beforehand (run as an ordinary user, whom root's rights do not
// cover) or the marker the split makes there first is refused (rights the folder's mode does
// not show, as on a network share).
TEST_F(Ajo, KirjoitussuojattuKohdeKerrotaan) {
  namespace fs = std::filesystem;
  const std::string tiliotteet = kansio / "tiliotteet";
  alusta::luoHakemisto(tiliotteet);
  fs::permissions(tiliotteet, fs::perms::all);
  const std::string kohde = kansio / "ulos";
  alusta::luoHakemisto(kohde);
  a.tiliotetiedosto = tiliotteet + S + "TITO.TXT";
  a.kohdehakemisto = kohde;
  const std::string sisalto = rivi("1") + "\r\n";
  const std::string odotettu = "70:" + ansi("Tallennushakemistoon ") + kohde +
                               ansi(" ei voi kirjoittaa (ei kirjoitusoikeutta, tai levy on vain luettava): mitään ei "
                                    "paloiteltu eikä siirretty.");
  // The run's failures, each cut to the length of the expected message.
  auto ajaJaKerro = [&](bool aikaleima) {
    ymp.virheet.clear();
    testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
    a.arkistoi = aikaleima;
    std::string t = aja().valmis ? "valmis|" : "";
    for (const auto& v : ymp.virheet) t += (std::to_string(v.numero) + ":" + v.viesti).substr(0, odotettu.size()) + "|";
    // Nothing moved, nothing made in the target.
    if (testi::lueTiedosto(a.tiliotetiedosto) != sisalto) t += "siirretty|";
    if (fs::exists(tiliotteet + S + "TUODUT") && !testi::tiedostot(tiliotteet + S + "TUODUT").empty()) t += "TUODUT|";
    if (!fs::is_empty(kohde)) t += "kohteessa|";
    return t;
  };
  {
    SCOPED_TRACE("merkki torjuttu");
    alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
        [&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
          if (v == alusta::Vaihe::avaa && p.find(".kolvanto-") != std::string::npos)
            return alusta::Vika{euro::virhenro::lupaEvatty};
          return std::nullopt;
        });
    EXPECT_EQ(ajaJaKerro(true), odotettu + "|");
    alusta::asetaVikakoukku(std::move(edellinen));
  }
  if constexpr (alusta::onWindows) return;
  testi::annaTavalliselle(a.tiliotetiedosto);
  testi::Tavallisena ajo = testi::tavallisenaKayttajana([&] { return ajaJaKerro(true) + "\n" + ajaJaKerro(false); });
  if (!ajo.tulos) GTEST_SKIP() << ajo.syy;
  EXPECT_EQ(*ajo.tulos, odotettu + "|\n" + odotettu + "|");
}

// The bank program still holds the archive open for writing when its split completes (it
// held the statement file before the move) and goes on writing batches into it: a later run
// splits what came, once, also when that split is cut off; lines that continue a batch
// already delivered go on in that batch's file. Once nothing holds the archive, the record of
// its end goes.
TEST_F(Ajo, KasvanutArkistoPaloitellaanKerran) {
  a.arkistoi = true;
  a.kohdehakemisto = kansio / "ulos";
  alusta::luoHakemisto(a.kohdehakemisto);
  const std::string arkisto = kansio / "TUODUT" + S + "2018-08-21+143005-TITO.TXT";
  const std::string merkki = arkisto + ".jaettu";
  const std::string ulos = kansio / "ulos" + S;
  const std::string eka = rivi("1") + "\r\nT10 a\r\n" + rivi("2") + "\r\n";
  testi::kirjoitaTiedosto(a.tiliotetiedosto, eka);
  alusta::Tiedosto pankki;
  alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
      [&](alusta::Vaihe v, const std::string&, std::size_t) -> std::optional<alusta::Vika> {
        if (v == alusta::Vaihe::tallenna && !pankki.onAuki() && testi::onOlemassa(arkisto))
          pankki.avaa(arkisto, alusta::Tila::lisaa);
        return std::nullopt;
      });
  auto tulos = aja();
  alusta::asetaVikakoukku(std::move(edellinen));
  ASSERT_TRUE(tulos.valmis);
  ASSERT_TRUE(pankki.onAuki());
  EXPECT_TRUE(testi::onOlemassa(merkki));
  EXPECT_FALSE(testi::onOlemassa(arkisto + ".kesken"));

  // Nothing came yet: the record stays while the archive is held.
  a.tiliotetiedosto = kansio / "EI-OLE.TXT";
  tulos = aja();
  EXPECT_TRUE(tulos.viimeistellyt.empty());
  EXPECT_TRUE(testi::onOlemassa(merkki));

  // Two batches, the second cut off by a full target; the next run finishes it.
  const std::string toka = rivi("3") + "\r\nT10 c\r\n" + rivi("1") + "\r\nT10 d\r\n";
  pankki.kirjoita(toka);
  int kirjoituksia = 0;
  edellinen = alusta::asetaVikakoukku([&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
    if (v == alusta::Vaihe::kirjoita && p.rfind(ulos, 0) == 0 && ++kirjoituksia == 2)
      return alusta::Vika{euro::virhenro::levyTaynna};
    return std::nullopt;
  });
  tulos = aja();
  alusta::asetaVikakoukku(std::move(edellinen));
  ASSERT_EQ(ymp.virheet.size(), 1u);
  EXPECT_NE(ymp.virheet[0].viesti.find(ansi("seuraava paloittelu viimeistelee")), std::string::npos);
  EXPECT_TRUE(testi::onOlemassa(arkisto + ".kesken"));
  ymp.virheet.clear();
  tulos = aja();
  for (const auto& v : ymp.virheet) ADD_FAILURE() << v.viesti;
  ASSERT_EQ(tulos.viimeistellyt.size(), 1u);
  EXPECT_FALSE(tulos.viimeistellyt[0].jatko);  // the cut-off split of what came
  EXPECT_FALSE(testi::onOlemassa(arkisto + ".kesken"));
  EXPECT_TRUE(testi::onOlemassa(merkki));  // still held

  // A batch's continuation, then a batch; the bank program closes the file.
  const std::string jatko = "T10 jatkoa\r\n";
  const std::string kolmas = rivi("2") + "\r\nT10 e\r\n";
  pankki.kirjoita(jatko + kolmas);
  pankki.sulje();
  ymp.viestit.viestit.clear();
  tulos = aja();
  ASSERT_EQ(tulos.viimeistellyt.size(), 1u);
  EXPECT_TRUE(tulos.viimeistellyt[0].jatko);
  EXPECT_EQ(tulos.viimeistellyt[0].eria, 1);
  EXPECT_TRUE(tulos.yhteenveto.huomautukset.empty());
  EXPECT_TRUE(tulos.katsottavaa.empty());
  EXPECT_TRUE(ymp.virheet.empty());
  EXPECT_FALSE(testi::onOlemassa(merkki));
  EXPECT_EQ(testi::lueTiedosto(arkisto), eka + toka + jatko + kolmas);

  // Every batch once, whatever runs follow.
  tulos = aja();
  EXPECT_TRUE(tulos.viimeistellyt.empty());
  EXPECT_EQ(testi::lueTiedosto(ulos + nimi("1")), rivi("1") + "\r\nT10 a\r\n" + rivi("1") + "\r\nT10 d\r\n" + jatko);
  EXPECT_EQ(testi::lueTiedosto(ulos + nimi("2")), rivi("2") + "\r\n" + kolmas);
  EXPECT_EQ(testi::lueTiedosto(ulos + nimi("3")), rivi("3") + "\r\nT10 c\r\n");
  EXPECT_EQ(testi::tiedostot(kansio / "TUODUT"), std::vector<std::string>{"2018-08-21+143005-TITO.TXT"});
}

TEST_F(Ajo, VirhepolutSuljevatJaRaportoivat) {
  struct Tapaus {
    const char* kuvaus;
    std::string alkuosa, loppuosa, posAlku, posLoppu;
    bool arkistoi;
    std::int32_t numero;
  };
  const std::vector<Tapaus> tapaukset = {
      {"alkupositio alle 1", "X", "", "0", "5", false, 5},
      {"loppu kaksi ennen alkua", "X", "", "10", "8", false, 5},
      {"positio yli 32 bitin", "X", "", "1E10", "5", true, 6},
  };
  for (const auto& t : tapaukset) {
    ymp.virheet.clear();
    const std::string syote = "ohi\r\n" + rivi("1") + "\r\nT10\r\n";
    testi::kirjoitaTiedosto(a.tiliotetiedosto, syote);
    a.valitse(PaloitteluAsetukset::Tunniste::positiot);
    a.nimenAlkuosa = t.alkuosa;
    a.nimenLoppuosa = t.loppuosa;
    a.posAlku = t.posAlku;
    a.posLoppu = t.posLoppu;
    a.arkistoi = t.arkistoi;
    EXPECT_FALSE(aja().valmis) << t.kuvaus;
    ASSERT_EQ(ymp.virheet.size(), 1u) << t.kuvaus;
    EXPECT_EQ(ymp.virheet[0].numero, t.numero) << t.kuvaus;
    EXPECT_EQ(ymp.virheet[0].kutsurivi, 100) << t.kuvaus;
    // Nothing written, nothing moved: the statements are read for their identity, which
    // names their files, before the statement file is archived.
    auto nimet = testi::tiedostot(kansio.polku());
    std::erase_if(nimet, [](const std::string& n) { return n.rfind(".kolvanto-", 0) == 0; });
    EXPECT_EQ(nimet, (std::vector<std::string>{"TITO.TXT"})) << t.kuvaus;
    EXPECT_EQ(testi::lueTiedosto(a.tiliotetiedosto), syote) << t.kuvaus;
  }
}

// Folders are shared with Windows machines: a device name takes its number on both systems.
TEST_F(Ajo, LaitenimiSaaNumeron) {
  const std::string syote = rivi("CON") + "\r\n" + rivi("lpt1.x") + "\r\n" + rivi("OK") + "\r\n";
  testi::kirjoitaTiedosto(a.tiliotetiedosto, syote);
  a.nimenAlkuosa = "";
  a.nimenLoppuosa = "";
  auto tulos = aja();
  EXPECT_TRUE(tulos.valmis);
  EXPECT_TRUE(ymp.virheet.empty());
  EXPECT_EQ(testi::tiedostot(kansio.polku()), (std::vector<std::string>{"CON-2", "OK", "TITO.TXT", "lpt1-2.x"}));
}

TEST_F(Ajo, KauttaviivatEivatOleVerkkopolku) {
  if constexpr (!alusta::onWindows) GTEST_SKIP() << "vain Windowsissa / ei ole erotin";
  std::string polku = kansio.polku();
  for (char& c : polku)
    if (c == '\\') c = '/';
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", rivi("1") + "\r\n");
  a.tiliotetiedosto = polku + "/TITO.TXT";
  a.kohdehakemisto = kansio.polku();
  EXPECT_TRUE(aja().valmis);
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_EQ(testi::lueTiedosto(kansio / nimi("1")), rivi("1") + "\r\n");
}

// A statement file whose lines end in LF, CR or a mix must give every company exactly what the
// CR LF file gives, by every key, and the preview must list the same T00 lines.
TEST_F(Ajo, LfJaSekoitetutRivinloputKutenCrLf) {
  using T = PaloitteluAsetukset::Tunniste;
  auto t00 = [](const char* asiakas, const char* tili, const char* nimi, const char* alku) {
    testi::T00 t;
    t.asiakas = asiakas;
    t.tili = tili;
    t.nimi = nimi;
    t.alku = alku;
    return t.rivi();
  };
  // Three companies, one of them twice apart, an empty line inside a batch, lines before the
  // first T00 line.
  const std::vector<std::string> rivit = {
      "ennen", "",
      t00("1111111-1", "11111111111111", "POHJANLINNAN RAUTATALO", "180301"), "T10 a", "", "T40 a",
      t00("2222222-2", "22222222222222", "Kalle Oy", "180301"), "T10 b",
      t00("1111111-1", "11111111111111", "POHJANLINNAN RAUTATALO", "180401"), "T10 c",
      t00("3333333-3", "33333333333333", "Kolmas Ab", "180301"), "T50 d"};
  auto kokoa = [&](const std::vector<const char*>& paatteet, bool viimeinenIlman) {
    std::string s;
    for (std::size_t i = 0; i < rivit.size(); ++i) {
      s += rivit[i];
      if (i + 1 < rivit.size() || !viimeinenIlman) s += paatteet[i % paatteet.size()];
    }
    return s;
  };
  const std::string crlf = kokoa({"\r\n"}, false);
  const struct {
    const char* kuvaus;
    std::string syote;
  } muunnelmat[] = {
      {"lf", kokoa({"\n"}, false)},
      {"lf, viimeinen ilman paatetta", kokoa({"\n"}, true)},
      {"crlf, cr ja lf sekaisin", kokoa({"\r\n", "\r", "\n"}, false)},
      // (a CR before an empty line ended by LF would be one CR LF: the line list has none)
      {"lf ja cr sekaisin", kokoa({"\n", "\n", "\r"}, true)},
  };
  const struct {
    T tunniste;
    const char* alku;
    const char* loppu;
    std::size_t tiedostoja;
  } avaimet[] = {{T::asiakastunnus, "", "", 4},
                 {T::tilinumero, "", "", 4},
                 {T::tilinomistajanNimi, "", "", 4},
                 {T::positiot, "10", "30", 4}};

  auto paloittele = [&](const std::string& syote, const std::string& kansio, const PaloitteluAsetukset& b) {
    testi::kirjoitaTiedosto(kansio + S + "TITO.TXT", syote);
    PaloitteluAsetukset c = b;
    c.tiliotetiedosto = kansio + S + "TITO.TXT";
    c.kohdehakemisto = kansio + S + "ulos";
    ymp.viestit.vastaukset = {6};
    auto tulos = split::paloittele(c, kello);
    EXPECT_TRUE(tulos.valmis);
    std::map<std::string, std::string> sisallot;
    for (const std::string& n : testi::tiedostot(kansio + S + "ulos"))
      sisallot[n] = testi::lueTiedosto(kansio + S + "ulos" + S + n);
    std::string esikatselu;
    split::esikatselu(c, [&](const std::string& osa) { esikatselu += osa; });
    return std::tuple{sisallot, tulos.yhteenveto.ohitetutRivit, esikatselu};
  };

  for (const auto& avain : avaimet) {
    PaloitteluAsetukset b;
    b.arkistoi = false;
    b.valitse(avain.tunniste);
    if (avain.tunniste == T::positiot) {
      b.posAlku = avain.alku;
      b.posLoppu = avain.loppu;
    }
    testi::Kansio viite;
    const auto [odotetut, ohitetut, esikatselu] = paloittele(crlf, viite.polku(), b);
    ASSERT_EQ(odotetut.size(), avain.tiedostoja);
    EXPECT_EQ(ohitetut, 2);
    // Every T00 line of the file is in the preview.
    for (const std::string& r : rivit) {
      if (r.rfind("T00", 0) == 0) {
        EXPECT_NE(esikatselu.find("\r\n" + r + "\r\n"), std::string::npos);
      }
    }
    for (const auto& m : muunnelmat) {
      testi::Kansio k;
      const auto [saadut, ohitetutNyt, esikatseluNyt] = paloittele(m.syote, k.polku(), b);
      EXPECT_EQ(saadut, odotetut) << m.kuvaus << ", avain " << static_cast<int>(avain.tunniste);
      EXPECT_EQ(ohitetutNyt, 2) << m.kuvaus;
      EXPECT_EQ(esikatseluNyt, esikatselu) << m.kuvaus << ", avain " << static_cast<int>(avain.tunniste);
    }
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

// The archived split of many segments, each declared with the batches named ahead of it by
// searches on their own threads (taken in between the window's readings, or at the next
// declaration), writes what the split in place writes: every batch once, in order.
TEST_F(Ajo, ArkistoidenKutenPaikallaanMontaJaksoa) {
  std::mt19937 arpa(20181201);
  std::string syote;
  for (int i = 0; i < 600; ++i) {
    syote += rivi(std::to_string(1 + arpa() % 40)) + "\r\n";
    for (int r = arpa() % 4; r > 0; --r) syote += "T10 " + std::string(arpa() % 200, 'a' + i % 26) + "\r\n";
  }
  std::map<std::string, std::string> tulokset[2];
  for (const bool arkistoi : {false, true}) {
    testi::Kansio k;
    testi::kirjoitaTiedosto(k / "TITO.TXT", syote);
    a.tiliotetiedosto = k / "TITO.TXT";
    a.kohdehakemisto = k / "ulos";
    a.arkistoi = arkistoi;
    a.saadot.puskuri = 97;
    a.saadot.jaksot.ennakko = 5;
    alusta::luoHakemisto(a.kohdehakemisto);
    ASSERT_TRUE(aja().valmis);
    for (const std::string& n : testi::tiedostot(k / "ulos")) tulokset[arkistoi][n] = testi::lueTiedosto(k / "ulos" + S + n);
  }
  EXPECT_EQ(tulokset[1].size(), 40u);
  EXPECT_EQ(tulokset[0], tulokset[1]);
  EXPECT_TRUE(ymp.virheet.empty());
}

// Random cumulative files against a small model of the split written here, read through
// buffers of every size, so that their borders fall inside lines, line ends and T00 heads;
// split in place and archived.
TEST_F(Ajo, SatunnaisetSyotteetMalliaVasten) {
  const std::size_t puskurit[] = {1, 2, 3, 5, 37, 64, 321, 0};
  std::mt19937 arpa(20180821);
  auto valitse = [&](std::initializer_list<const char*> v) {
    return std::string(*(v.begin() + arpa() % v.size()));
  };
  const char* paatteet[] = {"\r\n", "\r", "\n", "\r\n", "\r\n"};
  for (int kierros = 0; kierros < 160; ++kierros) {
    testi::Kansio k;
    std::string syote;
    int rivit = 1 + arpa() % 40;
    for (int i = 0; i < rivit; ++i) {
      std::string r;
      switch (arpa() % 6) {
        case 0:
        case 1: {
          testi::T00 t;
          t.asiakas = valitse({"1", "2", "3*", "4?", "#5", " 6 ", "", "ä7"});
          t.alku = valitse({"180801", "181201", "99*?01", "#10101"});
          t.pituus = arpa() % 4 == 0 ? 20 + arpa() % 60 : 322;
          r = ansi(t.rivi());
          break;
        }
        case 2: r = valitse({"t00 pieni", " T00 tyhja", "T0", "T01"}); break;
        case 3: r = ""; break;
        default: r = "T10 rivi " + std::to_string(i); break;
      }
      syote += r;
      if (i + 1 < rivit || arpa() % 2) syote += paatteet[arpa() % 5];
    }
    testi::kirjoitaTiedosto(k / "TITO.TXT", syote);

    // The model: lines end at CR LF, CR or LF; a batch begins at "T00"; a batch whose bytes
    // went to its company file before is passed over.
    std::map<std::string, std::string> odotettu;
    std::map<std::string, std::set<std::string>> toimitetut;
    std::string nyt, eraTavut, eraTeksti;
    bool erassa = false;
    std::string riviNyt;
    auto paataEra = [&] {
      if (erassa && toimitetut[nyt].insert(eraTavut).second) odotettu[nyt] += eraTeksti;
      eraTavut.clear();
      eraTeksti.clear();
    };
    auto kasittele = [&](const std::string& r, const std::string& tavut) {
      if (r.rfind("T00", 0) == 0) {
        paataEra();
        erassa = true;
        std::string avain = r.size() >= 49 ? r.substr(48, 17) : "";
        while (!avain.empty() && avain.back() == ' ') avain.pop_back();
        while (!avain.empty() && avain.front() == ' ') avain.erase(0, 1);
        std::erase(avain, '*');
        std::erase(avain, '?');
        auto pala = [&](std::size_t p) { return p <= r.size() ? r.substr(p - 1, 2) : ""; };
        std::string nimi = "TITO-*-?-" + avain + ".TXT", tulos;
        for (char c : nimi) {
          if (c == '*') tulos += "20" + pala(27);
          else tulos += c;
        }
        nimi.swap(tulos);
        tulos.clear();
        for (char c : nimi) {
          if (c == '?') tulos += pala(29);
          else tulos += c;
        }
        nimi.swap(tulos);
        tulos.clear();
        for (char c : nimi) {
          if (c == '#')
            tulos += "20" + pala(27) + pala(29) + pala(31) + "-20" + pala(33) + pala(35) + pala(37);
          else tulos += c;
        }
        nimi.clear();
        for (char c : tulos)
          if (c != '*' && c != '?') nimi += c;
        nyt = nimi;
      }
      if (erassa) {
        eraTeksti += r + "\r\n";
        eraTavut += tavut;
      }
    };
    bool kesken = false;
    std::vector<std::string> luetut, raa;  // lines, and their bytes with their ends
    std::size_t rivinAlku = 0;
    for (std::size_t i = 0; i < syote.size(); ++i) {
      if (syote[i] == '\r' || syote[i] == '\n') {
        luetut.push_back(riviNyt);
        riviNyt.clear();
        kesken = false;
        if (syote[i] == '\r' && i + 1 < syote.size() && syote[i + 1] == '\n') ++i;
        raa.push_back(syote.substr(rivinAlku, i + 1 - rivinAlku));
        rivinAlku = i + 1;
      } else {
        riviNyt += syote[i];
        kesken = true;
      }
    }
    if (kesken) {
      luetut.push_back(riviNyt);
      raa.push_back(syote.substr(rivinAlku));
    }
    auto numero = [](char c) { return c >= '0' && c <= '9'; };
    auto tietue = [&](const std::string& r) { return r.size() >= 3 && r[0] == 'T' && numero(r[1]) && numero(r[2]); };
    // Records before the first T00 line refuse the file; a last record without its line end
    // and shorter than its length holds its batch back.
    bool hylatty = false;
    for (const std::string& r : luetut) {
      if (r.rfind("T00", 0) == 0) break;
      hylatty = hylatty || tietue(r);
    }
    if (kesken) {
      const std::string& r = luetut.back();
      if (tietue(r) && r.size() >= 6 && numero(r[3]) && numero(r[4]) && numero(r[5]) &&
          r.size() < static_cast<std::size_t>(std::stoi(r.substr(3, 3)))) {
        while (!luetut.empty() && luetut.back().rfind("T00", 0) != 0) luetut.pop_back();
        if (!luetut.empty()) luetut.pop_back();
      }
    }
    for (std::size_t i = 0; i < luetut.size(); ++i) kasittele(luetut[i], raa[i]);
    paataEra();

    PaloitteluAsetukset b;
    b.saadot.puskuri = puskurit[kierros % std::size(puskurit)];
    b.tiliotetiedosto = k / "TITO.TXT";
    b.kohdehakemisto = k / "ulos";
    // Every third archived, naming two or three batches ahead: its segments' searches ahead
    // run on their own threads and are taken in while the window is refilled.
    b.arkistoi = kierros % 3 == 2;
    b.saadot.jaksot.ennakko = b.arkistoi ? 2 + kierros % 2 : 0;
    ymp.viestit.vastaukset = {6};
    if (hylatty) {
      EXPECT_FALSE(split::paloittele(b, kello).valmis) << kierros;
      EXPECT_EQ(ymp.virheet.size(), 1u) << kierros;
      EXPECT_TRUE(testi::tiedostot(k / "ulos").empty()) << kierros;
      ymp.virheet.clear();
      continue;
    }
    ASSERT_TRUE(split::paloittele(b, kello).valmis) << kierros;
    std::vector<std::string> nimet;
    for (const auto& [nimi, sisalto] : odotettu) {
      nimet.push_back(nimi);
      EXPECT_EQ(testi::lueTiedosto(k / "ulos" + S + nimi), sisalto) << kierros << " " << nimi;
    }
    if (odotettu.empty()) EXPECT_TRUE(testi::tiedostot(k / "ulos").empty());
    else EXPECT_EQ(testi::tiedostot(k / "ulos"), nimet) << kierros;
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

}  // namespace

namespace {

// A FIFO at a company file's name is never opened: its statements go to the next free "-n", as
// past a link, and the summary says so; opening one for appending fails at once. Whatever
// waits on the FIFO anyway is let go after a deadline and fails here instead of hanging.
TEST(Erikoistiedosto, FifoSaaNumeronEikaOdota) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "FIFOja vain POSIXissa";
  auto rajassa = [](const std::string& fifo, auto&& toimi) {
    auto tulos = std::async(std::launch::async, toimi);
    if (tulos.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
      ADD_FAILURE() << "jäi odottamaan: " << fifo;
      while (tulos.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) testi::paastaFifonKirjoittaja(fifo);
    }
    return tulos.get();
  };
  const std::string S(1, alusta::erotin);
  for (const bool xml : {false, true}) {
    for (const bool arkistoi : {false, true}) {
      SCOPED_TRACE(std::string(xml ? "XML" : "TITO") + (arkistoi ? ", arkistoiden" : ""));
      testi::Ymparisto ymp;
      ymp.viestit.vastaukset = {6};
      testi::Kansio k;
      PaloitteluAsetukset a;
      a.tiliotetiedosto = k / "TILIOTE";
      a.kohdehakemisto = k / "ulos";
      a.nimenAlkuosa = "";
      a.nimenLoppuosa = ".TXT";
      a.arkistoi = arkistoi;
      alusta::luoHakemisto(a.kohdehakemisto);
      std::string sisalto;
      if (xml) {
        a.valitse(PaloitteluAsetukset::Tunniste::tilinumero);
        sisalto = "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">"
                  "<BkToCstmrStmt><GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>"
                  "<Stmt><Id>S1</Id><Acct><Id><IBAN>1234567-8</IBAN></Id></Acct></Stmt></BkToCstmrStmt></Document>\n";
      } else {
        sisalto = testi::T00{}.rivi() + "\r\nT10 rivi\r\n";
      }
      testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
      const std::string fifo = a.kohdehakemisto + S + "1234567-8.TXT";
      testi::teeFifo(fifo);
      const split::PaloitteluTulos tulos = rajassa(fifo, [&] { return split::paloittele(a); });
      EXPECT_TRUE(tulos.valmis);
      for (const auto& e : ymp.virheet) ADD_FAILURE() << e.viesti;
      EXPECT_TRUE(std::filesystem::is_fifo(fifo));
      const std::string toinen = a.kohdehakemisto + S + "1234567-8-2.TXT";
      EXPECT_NE(testi::lueTiedosto(toinen).find(xml ? "<Id>S1</Id>" : "T10 rivi"), std::string::npos);
      bool kerrottu = false;
      for (const std::string& h : tulos.yhteenveto.huomautukset)
        kerrottu = kerrottu || (h.find(fifo) != std::string::npos && h.find(toinen) != std::string::npos);
      EXPECT_TRUE(kerrottu);
    }
  }
  testi::Kansio k;
  const std::string fifo = k / "putki";
  testi::teeFifo(fifo);
  for (const alusta::Tila tila : {alusta::Tila::lisaa, alusta::Tila::lisaaUusi}) {
    const std::int32_t numero = rajassa(fifo, [&] {
      try {
        alusta::Tiedosto t(fifo, tila);
      } catch (const euro::Virhe& v) {
        return v.numero();
      }
      return 0;
    });
    EXPECT_EQ(numero, tila == alusta::Tila::lisaa ? euro::virhenro::kayttovirhe : euro::virhenro::tiedostoOnJo);
  }
}

}  // namespace
