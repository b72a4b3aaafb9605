// The main window's behaviour against the scripted view: no toolkit, the real split and
// settings file in a scratch folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "ikkunat/frmMain/kuvaus.h"
#include "ikkunat/frmMain/toiminta.h"
#include "settings/apppath.h"
#include "split/historia.h"
#include "split/raporttikirja.h"
#include "split/t00.h"
#include "tuki/testituki.h"
#include "tuki/valenakyma.h"

namespace {

using euro::ansi;

// A question that the person leaves open while kysyttaessa runs, then answers No.
struct AvoinKysymys : euro::Viestilaatikko {
  std::function<void()> kysyttaessa;
  int kysytty = 0;
  int nayta(const std::string&, const std::string&, int) override {
    ++kysytty;
    if (kysyttaessa) kysyttaessa();
    return euro::vastaus::ei;
  }
  void palautaHiiri() override {}
};

struct Paaikkuna : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string ohjelma = kansio / "ohjelma";
  std::string asetukset = kansio / "ohjelmaTITO-JAKO.OMA";
  std::string tiedosto = kansio / "TITO.TXT";
  std::string tuotos = kansio / "TITO-2018-08-1234567-8.TXT";
  testi::ValeNakyma nakyma{frmmain::kuvaus()};
  testi::ValeTiedostovalitsin dialogi;
  frmmain::Toiminta toiminta{nakyma, dialogi};

  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    settings::nollaaApppath(ohjelma);
    ymp.ohjelma.datahakemisto = ohjelma;
    testi::kirjoitaTiedosto(tiedosto, testi::T00{}.rivi() + "\r\n");
  }
  void TearDown() override { settings::nollaaApppath(); }
  // The statement file and no archiving, as the person would set them.
  void valmista() {
    nakyma.asetaArvo("txtPaloiteltavaTiedosto", tiedosto);
    nakyma.asetaArvo("chkAikaleimaaPaloiteltava", "0");
  }
  // A case that splits the same statement again as if for the first time forgets the ledger,
  // which would pass it over as delivered.
  void unohdaHistoria() {
    for (const std::string& h : split::historia::tiedostot(ohjelma)) alusta::poistaTiedosto(h);
  }
  bool naytetty() const {
    for (const auto& k : nakyma.kutsut)
      if (k == "nayta") return true;
    return false;
  }
};

TEST_F(Paaikkuna, KaynnistyksenAutomaattiajo) {
  struct {
    const char* komentorivi;
    bool ruutu, ajetaan;
  } const tapaukset[] = {
      {"AJA", false, true}, {" aja ", false, true}, {"*", true, false}, {"* ", true, true},
      {"TITO.TXT", true, true}, {"TITO.TXT", false, false}, {"", true, true}, {"", false, false},
  };
  for (const auto& t : tapaukset) {
    if (testi::onOlemassa(tuotos)) alusta::poistaTiedosto(tuotos);
    unohdaHistoria();
    testi::kirjoitaTiedosto(asetukset, "txtPaloiteltavaTiedosto = " + tiedosto +
                                           "\r\nchkAikaleimaaPaloiteltava = 0\r\n"
                                           "chkSuljeOhjelmaPaloittelunJalkeen = 1\r\n"
                                           "chkPaloitteleAutomaattisesti = " +
                                           (t.ruutu ? "1" : "0") + "\r\n");
    testi::ValeNakyma n(frmmain::kuvaus());
    frmmain::Toiminta w(n, dialogi);
    EXPECT_EQ(w.kaynnisty(t.komentorivi), t.ajetaan) << t.komentorivi << t.ruutu;
    EXPECT_EQ(n.lopetettu, t.ajetaan) << t.komentorivi << t.ruutu;
    EXPECT_EQ(testi::onOlemassa(tuotos), t.ajetaan) << t.komentorivi << t.ruutu;
    EXPECT_EQ(n.otsikko(), ansi("Konekielisen tiliotteen jakaminen yrityksittäin - VER:") + euro::versio);
    EXPECT_EQ(n.arvo("txtPaloiteltavaTiedosto"), tiedosto);
  }
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST_F(Paaikkuna, PaloittelunJalkeisetToimet) {
  struct {
    const char* nayta;
    const char* sulje;
    std::deque<int> vastaus;
    bool kysytaan, avataan, loppuu;
  } const tapaukset[] = {
      {"1", "1", {}, false, true, true},   {"1", "0", {}, false, true, false},
      {"0", "1", {}, false, false, true},  {"0", "0", {6}, true, true, false},
      {"0", "0", {7}, true, false, false},
  };
  for (const auto& t : tapaukset) {
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = t.vastaus;
    ymp.kaynnistin.kaynnistykset.clear();
    unohdaHistoria();
    testi::ValeNakyma n(frmmain::kuvaus());
    frmmain::Toiminta w(n, dialogi);
    n.asetaArvo("txtPaloiteltavaTiedosto", tiedosto);
    n.asetaArvo("chkAikaleimaaPaloiteltava", "0");
    n.asetaArvo("chkNaytaPaloitellut", t.nayta);
    n.asetaArvo("chkSuljeOhjelmaPaloittelunJalkeen", t.sulje);
    w.napsautus("cmdPaloittele");
    EXPECT_EQ(n.lopetettu, t.loppuu);
    const std::vector<testi::Viesti> kysymys{{ansi("Paloiteltu. Näytänkö hakemiston minne paloiteltu "),
                                              ansi("PALOITELTU. NÄYTETÄÄNKÖ?"), 292}};
    EXPECT_EQ(ymp.viestit.viestit, t.kysytaan ? kysymys : std::vector<testi::Viesti>{});
    ASSERT_EQ(ymp.kaynnistin.kaynnistykset.size(), t.avataan ? 1u : 0u);
    if (t.avataan) {
      EXPECT_NE(ymp.kaynnistin.kaynnistykset[0].kohde.find(kansio.polku()), std::string::npos);
    }
    // The window's values were saved before the run.
    EXPECT_NE(testi::lueTiedosto(asetukset).find("chkSuljeOhjelmaPaloittelunJalkeen = " +
                                                 std::string(t.sulje)),
              std::string::npos);
  }
}

// A split that held something back says so before the usual question, and the log keeps it:
// a cut last batch is not a plain "Paloiteltu".
TEST_F(Paaikkuna, KatkennutEraVaroittaaEnnenKysymysta) {
  const std::string kokonainen = testi::T00{}.rivi() + "\r\n";
  testi::kirjoitaTiedosto(tiedosto, kokonainen + testi::T00{}.rivi() + "\r\nT10188 katkennut");
  valmista();
  ymp.ohjelma.apppath = [this] { return ohjelma; };
  ymp.viestit.vastaukset = {1, 7};
  toiminta.napsautus("cmdPaloittele");
  ASSERT_EQ(ymp.viestit.viestit.size(), 2u);
  const testi::Viesti& varoitus = ymp.viestit.viestit[0];
  EXPECT_EQ(varoitus.otsikko, "PALOITELTU, TARKISTA");
  EXPECT_EQ(varoitus.tyyli, 48);
  EXPECT_EQ(varoitus.teksti.rfind(ansi("Paloiteltu, mutta tarkista:\nTiedoston ") + tiedosto, 0), 0u) << varoitus.teksti;
  EXPECT_NE(varoitus.teksti.find(ansi("viimeinen erä on katkennut")), std::string::npos) << varoitus.teksti;
  EXPECT_EQ(ymp.viestit.viestit[1].otsikko, ansi("PALOITELTU. NÄYTETÄÄNKÖ?"));
  EXPECT_EQ(testi::lueTiedosto(tuotos), kokonainen);
  EXPECT_NE(testi::lueTiedosto(ohjelma + alusta::erotin + "virhelog.txt").find("PALOITELTU, TARKISTA: Tiedoston "),
            std::string::npos);
  EXPECT_TRUE(ymp.virheet.empty());
}

// A click while the question of a split is open must not start a second split.
TEST_F(Paaikkuna, KomentoKeskenEiAloitaToista) {
  AvoinKysymys kysyja;
  kysyja.kysyttaessa = [&] {
    if (kysyja.kysytty > 1) return;
    for (const char* nappi : {"cmdPaloittele", "cmdPoistuTallentamatta", "cmdTallenna"})
      toiminta.napsautus(nappi);
  };
  ymp.ohjelma.viestit = &kysyja;
  valmista();
  toiminta.napsautus("cmdPaloittele");
  EXPECT_EQ(kysyja.kysytty, 1);
  EXPECT_FALSE(nakyma.lopetettu);
  EXPECT_EQ(testi::lueTiedosto(tuotos), testi::T00{}.rivi() + "\r\n");
  // Once the command is over, clicks work again.
  toiminta.napsautus("cmdPoistuTallentamatta");
  EXPECT_TRUE(nakyma.lopetettu);
}

// Closing by the frame ends the program unsaved, but not from inside a command: the window
// would go from under its open question.
TEST_F(Paaikkuna, KehyksestaSuljetaanTallentamattaMuttaEiKomennonAikana) {
  bool saiLahtea = true;
  AvoinKysymys kysymys;
  kysymys.kysyttaessa = [&] { saiLahtea = toiminta.suljetaanko(); };
  ymp.ohjelma.viestit = &kysymys;
  valmista();
  toiminta.napsautus("cmdPaloittele");
  EXPECT_EQ(kysymys.kysytty, 1);
  EXPECT_FALSE(saiLahtea);
  EXPECT_FALSE(nakyma.lopetettu);

  const std::string tallennettu = testi::lueTiedosto(asetukset);
  nakyma.asetaArvo("txtNimenAlkuosa", "MUUTETTU-");
  EXPECT_TRUE(toiminta.suljetaanko());
  EXPECT_TRUE(nakyma.lopetettu);
  EXPECT_EQ(testi::lueTiedosto(asetukset), tallennettu);
  // Once ended, no later click runs.
  toiminta.napsautus("cmdTallenna");
  EXPECT_EQ(testi::lueTiedosto(asetukset), tallennettu);
}

TEST_F(Paaikkuna, TarkistukseenPysahtynytAjoTallentaaSilti) {
  nakyma.asetaArvo("txtPaloiteltavaTiedosto", kansio / "EI.TXT");
  nakyma.asetaArvo("chkNaytaPaloitellut", "1");
  nakyma.asetaArvo("chkSuljeOhjelmaPaloittelunJalkeen", "1");
  toiminta.napsautus("cmdPaloittele");
  EXPECT_FALSE(nakyma.lopetettu);
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "PALOITTELUA EI TEHTY");
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
  EXPECT_NE(testi::lueTiedosto(asetukset).find("EI.TXT"), std::string::npos);
}

TEST_F(Paaikkuna, LopetusTallennusJaNettisivut) {
  struct {
    const char* nappi;
    bool tallentaa, loppuu;
    const char* osoite;
  } const tapaukset[] = {
      {"cmdTallenna", true, false, nullptr},
      {"cmdPoistuTallentamatta", false, true, nullptr},
      {"cmdPoistuTallentaen", true, true, nullptr},
      {"cmdAvaaNettisivu", false, false, "https://www.vombra.fi/kolvanto.htm"},
      {"lblYhteystiedot", false, false, "https://www.vombra.fi/"},
      {"Label1", false, false, nullptr},
  };
  for (const auto& t : tapaukset) {
    if (testi::onOlemassa(asetukset)) alusta::poistaTiedosto(asetukset);
    ymp.kaynnistin.kaynnistykset.clear();
    testi::ValeNakyma n(frmmain::kuvaus());
    frmmain::Toiminta w(n, dialogi);
    n.asetaArvo("txtNimenAlkuosa", "MUUTETTU-");
    w.napsautus(t.nappi);
    EXPECT_EQ(testi::onOlemassa(asetukset), t.tallentaa) << t.nappi;
    if (t.tallentaa) {
      EXPECT_NE(testi::lueTiedosto(asetukset).find("txtNimenAlkuosa = MUUTETTU-\r\n"), std::string::npos);
    }
    EXPECT_EQ(n.lopetettu, t.loppuu) << t.nappi;
    std::vector<std::string> avatut;
    for (const auto& k : ymp.kaynnistin.kaynnistykset) avatut.push_back(k.kohde);
    EXPECT_EQ(avatut, t.osoite ? std::vector<std::string>{t.osoite} : std::vector<std::string>{})
        << t.nappi;
  }
}

TEST_F(Paaikkuna, TiedostonValintaJaMuistio) {
  const std::string kansio2 = kansio.polku();
  struct {
    std::string nykyinen;
    std::optional<std::string> valittu;
    std::string alkuhakemisto, suodatin, lopuksi;
  } const tapaukset[] = {
      {tiedosto, std::nullopt, kansio2, "*.TXT (*.TXT)", tiedosto},
      {"", tiedosto, "", "*.* (*.*)", tiedosto},
      {kansio / "TITO", kansio / "B.DAT", kansio2, "*.* (*.*)", kansio / "B.DAT"},
  };
  for (const auto& t : tapaukset) {
    dialogi.valinnat.clear();
    dialogi.vastaukset = {t.valittu};
    nakyma.asetaArvo("txtPaloiteltavaTiedosto", t.nykyinen);
    toiminta.napsautus("cmdValitsePaloiteltavaTiedosto");
    ASSERT_EQ(dialogi.valinnat.size(), 1u);
    EXPECT_EQ(dialogi.valinnat[0].alkuhakemisto, t.alkuhakemisto);
    EXPECT_EQ(dialogi.valinnat[0].otsikko, "Valitse paloiteltava TITO -tiedosto");
    ASSERT_EQ(dialogi.valinnat[0].suodattimet.size(), 1u);
    EXPECT_EQ(dialogi.valinnat[0].suodattimet[0].teksti, t.suodatin);
    EXPECT_EQ(nakyma.arvo("txtPaloiteltavaTiedosto"), t.lopuksi);
  }

  // Notepad: a missing file is told and nothing starts; an editor that cannot start is
  // reported, not thrown out of the event.
  nakyma.asetaArvo("txtPaloiteltavaTiedosto", kansio / "EI.TXT");
  toiminta.napsautus("cmdAvaaMuistioonPaloiteltavaTiedosto");
  EXPECT_EQ(ymp.viestit.viestit,
            (std::vector<testi::Viesti>{{ansi("Tiedostoa ") + kansio / "EI.TXT" + ansi("  ei löydy"), "", 0}}));
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
  nakyma.asetaArvo("txtPaloiteltavaTiedosto", tiedosto);
  ymp.kaynnistin.kaynnistysEpaonnistuu = true;
  ymp.kaynnistin.avausKoodi = 2;
  toiminta.napsautus("cmdAvaaMuistioonPaloiteltavaTiedosto");
  ASSERT_EQ(ymp.kaynnistin.kaynnistykset.size(), 1u);
  EXPECT_NE(ymp.kaynnistin.kaynnistykset[0].kohde.find(tiedosto), std::string::npos);
  ASSERT_EQ(ymp.virheet.size(), 1u);
  EXPECT_EQ(ymp.virheet[0].rutiini, "cmdAvaaMuistioonPaloiteltavaTiedosto_Click");
}

// The system menu's entry writes the current month's report into the data directory, in one
// step over last time's page, and opens it in the browser; a browser that does not start is
// reported with where the page is, and a write that fails leaves last time's page whole.
TEST_F(Paaikkuna, KuukaudenRaporttiSelaimeen) {
  const auto& valikko = frmmain::kuvaus().jarjestelmavalikko;
  ASSERT_EQ(valikko.size(), 1u);
  EXPECT_EQ(valikko[0].nimi, "mnuKuukaudenRaportti");
  EXPECT_EQ(valikko[0].pikanappain, "Ctrl+R");

  const alusta::Aika nyt = alusta::paikallinenAika();
  char paiva[16], aika[32];
  std::snprintf(paiva, sizeof paiva, "%04d-%02d-%02d", nyt.vuosi, nyt.kuukausi, nyt.paiva);
  std::snprintf(aika, sizeof aika, "%s 07:00:00", paiva);
  split::historia::Kirjoittaja k(ohjelma, nyt);
  k.lisaa(split::historia::tekstiksi(testi::raportti::ote(aika, kansio / "TITO-A.TXT", "7", paiva, paiva)));
  k.sulje();
  const std::string polku = frmmain::Toiminta::raporttipolku(nyt.vuosi, nyt.kuukausi);
  EXPECT_EQ(euro::fe_PaljasHakemisto(polku), ohjelma);

  struct {
    int koodi;
    bool kirjoitusEpaonnistuu;
    bool uusiSivu, avataan, virhe;
  } const tapaukset[] = {
      {42, false, true, true, false},
      {2, false, true, true, true},
      {42, true, false, false, true},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(std::to_string(t.koodi) + (t.kirjoitusEpaonnistuu ? " kirjoitus epäonnistuu" : ""));
    testi::kirjoitaTiedosto(polku, "vanha");
    ymp.kaynnistin.kaynnistykset.clear();
    ymp.kaynnistin.avausKoodi = t.koodi;
    ymp.virheet.clear();
    if (t.kirjoitusEpaonnistuu)
      alusta::asetaVikakoukku([](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
        if (v == alusta::Vaihe::kirjoita && p.size() > 5 && p.compare(p.size() - 5, 5, ".uusi") == 0)
          return alusta::Vika{61};
        return std::nullopt;
      });
    toiminta.napsautus("mnuKuukaudenRaportti");
    alusta::asetaVikakoukku({});
    const std::string sivu = testi::lueTiedosto(polku);
    if (t.uusiSivu) {
      EXPECT_EQ(sivu.rfind("<!DOCTYPE html>", 0), 0u);
      EXPECT_NE(sivu.find(">7</span>"), std::string::npos);
    } else {
      EXPECT_EQ(sivu, "vanha");
    }
    EXPECT_FALSE(testi::onOlemassa(polku + ".uusi"));
    ASSERT_EQ(ymp.kaynnistin.kaynnistykset.size(), t.avataan ? 1u : 0u);
    if (t.avataan) {
      EXPECT_EQ(ymp.kaynnistin.kaynnistykset[0].kohde, polku);
    }
    ASSERT_EQ(ymp.virheet.size(), t.virhe ? 1u : 0u);
    if (t.virhe) {
      EXPECT_EQ(ymp.virheet[0].rutiini, "mnuKuukaudenRaportti_Click");
      if (!t.kirjoitusEpaonnistuu) {
        EXPECT_NE(ymp.virheet[0].viesti.find(polku), std::string::npos);
      }
    }
  }
}

}  // namespace
