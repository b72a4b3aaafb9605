// The problem dialog's behaviour against the scripted view, clipboard and printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/teksti.h"
#include "euro/virheraportti.h"
#include "ikkunat/frmPulma/kuvaus.h"
#include "ikkunat/frmPulma/toiminta.h"
#include "tuki/testituki.h"
#include "tuki/valenakyma.h"

namespace {

using euro::ansi;

const std::string raportti = ansi("Tiedostoa ei löydy: X\r\n(virhe 53)");
const std::string hakuehdot = "terms=Tiedostoa;ei;l%F6ydy%3A;X+virhe;53";

struct Pulma : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string vanhaHakemisto = alusta::nykyinenHakemisto();
  testi::ValeNakyma nakyma{frmpulma::kuvaus()};
  testi::ValeLeikepoyta leikepoyta;
  testi::ValeTulostin tulostin;
  std::unique_ptr<frmpulma::Toiminta> pulma;

  void SetUp() override {
    ymp.ohjelma.apppath = [this] { return kansio.polku(); };
    alusta::vaihdaHakemisto(kansio.polku());  // where kysytulo.oma is looked for
    pulma = std::make_unique<frmpulma::Toiminta>(nakyma, leikepoyta, tulostin);
    pulma->tayta(raportti, hakuehdot);
  }
  void TearDown() override { alusta::vaihdaHakemisto(vanhaHakemisto); }
  // The heading block without its clock line, which may change between two calls.
  static std::string ilmanKelloa(const std::string& s) {
    const std::size_t k = s.find("Kello");
    return k == std::string::npos ? s : s.substr(0, k) + s.substr(s.find("\r\n", k));
  }
};

TEST_F(Pulma, NaytetaanModaalistiJaLopetetaanKahdellaKylla) {
  EXPECT_EQ(nakyma.arvo("lblAppPath"), kansio.polku());
  EXPECT_EQ(nakyma.arvo("lblPulma"), raportti);
  EXPECT_EQ(nakyma.arvo("lblurl"), hakuehdot);
  struct {
    std::deque<int> vastaukset;
    euro::Pulmanloppu loppu;
  } const tapaukset[] = {
      {{}, euro::Pulmanloppu::suljettu},  // OK only
      {{7}, euro::Pulmanloppu::suljettu},
      {{6, 7}, euro::Pulmanloppu::suljettu},
      {{6, 6}, euro::Pulmanloppu::lopetetaan},
  };
  for (const auto& t : tapaukset) {
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = t.vastaukset;
    euro::Pulmanloppu sisempi{};
    bool auki = false;
    nakyma.modaalisena = [&] {
      // A report from inside the open dialog only refills it.
      sisempi = pulma->nayta("toinen", "terms=");
      if (!t.vastaukset.empty()) pulma->napsautus("cmdLopeta");
      auki = nakyma.nakyvissa();
      if (auki) pulma->napsautus("cmdOK");
    };
    EXPECT_EQ(pulma->nayta(raportti, hakuehdot), t.loppu);
    EXPECT_EQ(sisempi, euro::Pulmanloppu::eiNaytetty);
    EXPECT_EQ(auki, t.loppu != euro::Pulmanloppu::lopetetaan);
    EXPECT_EQ(ymp.viestit.viestit.size(), t.vastaukset.size());
    for (const auto& v : ymp.viestit.viestit) {
      EXPECT_EQ(v.otsikko, "Ohjelman lopettaminen");
      EXPECT_EQ(v.tyyli, 292);
    }
    EXPECT_EQ(pulma->raportti(), "toinen");
  }
}

// Esc closes the report through OK, as a dialog's Esc does.
TEST_F(Pulma, EscSulkeeOKNapilla) {
  std::vector<std::string> napsautukset;
  nakyma.napsautus = [this, &napsautukset](const std::string& n) {
    napsautukset.push_back(n);
    pulma->napsautus(n);
  };
  bool auki = true;
  nakyma.modaalisena = [&] {
    nakyma.painaEsc();
    auki = nakyma.nakyvissa();
  };
  EXPECT_EQ(pulma->nayta(raportti, hakuehdot), euro::Pulmanloppu::suljettu);
  EXPECT_EQ(napsautukset, std::vector<std::string>{"cmdOK"});
  EXPECT_FALSE(auki);
}

TEST_F(Pulma, LeikepoytaJaNettineuvot) {
  pulma->napsautus("cmdLeikepoydalle");
  // The heading block ends with an empty line; one more CR LF, then the report.
  EXPECT_EQ(ilmanKelloa(leikepoyta.teksti), ilmanKelloa(euro::fe_Virheraportti()) + "\r\n" + raportti);
  EXPECT_NE(leikepoyta.teksti.find("\r\n\r\n\r\n" + raportti), std::string::npos);
  leikepoyta.epaonnistuu = true;
  pulma->napsautus("cmdLeikepoydalle");
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].teksti.rfind(ansi("Leikepöydälle kopiointi ei onnistunut: "), 0), 0u);
  leikepoyta.epaonnistuu = false;

  const std::string osoite = "https://www.vombra.fi/cgi-bin/search.pl?" + hakuehdot + "&kutsuja=" +
                             euro::fe_UrlKoodaa(euro::exeNimi()) + "&versio=" + euro::versio;
  struct {
    int koodi, vastaus;
    bool kysytaan, kopioidaan;
  } const tapaukset[] = {{33, 0, false, false}, {32, 6, true, true}, {2, 7, true, false}};
  for (const auto& t : tapaukset) {
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = {t.vastaus};
    ymp.kaynnistin.avausKoodi = t.koodi;
    leikepoyta.teksti.clear();
    pulma->napsautus("cmdNettineuvot");
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset.back().kohde, osoite);
    const testi::Viesti kysymys{ansi("Avaa selainohjelmaasi sivu \n") + osoite +
                                    ansi("\n\nKopioidaanko osoite leikepöydälle?"),
                                "AVAA SIVU MANUAALISESTI", 36};
    EXPECT_EQ(ymp.viestit.viestit, std::vector<testi::Viesti>(t.kysytaan ? 1 : 0, kysymys)) << t.koodi;
    EXPECT_EQ(leikepoyta.teksti, t.kopioidaan ? osoite : "") << t.koodi;
  }
}

TEST_F(Pulma, Tulostus) {
  const std::string eiTulostinta =
      ansi("Pulma: Tulostinta ei löydy. Tarkista kirjoitinasetukset tai vaihda kirjoitinporttia.");
  const std::vector<std::string> asetus{"senttimetrit", "sivualue 0", "lajittelu 1"};
  const std::vector<std::string> tuloste{"kirjasin Times New Roman 14", "kohta 2 4", "rivi",
                                         "rivi " + raportti, "loppu"};
  auto yhdessa = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct {
    const char* kysytulo;  // nullptr: no file
    bool peruttu;
    const char* pettaa;
    std::vector<std::string> kutsut;
    std::string viesti;
    const char* rutiini;  // of the reported failure
  } const tapaukset[] = {
      {"chkKysyTulostin = 0\r\n", false, "", yhdessa(yhdessa({"valmistele"}, asetus), tuloste), "", nullptr},
      {nullptr, false, "", yhdessa(yhdessa({"valmistele", "valitse"}, asetus), tuloste), "", nullptr},
      {"chkKysyTulostin = 1\r\n", true, "", yhdessa({"valmistele", "valitse"}, asetus), "", nullptr},
      {"chkKysyTulostin = 0\r\n", false, "senttimetrit", {"valmistele", "senttimetrit"}, eiTulostinta, nullptr},
      {"chkKysyTulostin = 0\r\n", false, "lajittelu", yhdessa({"valmistele"}, asetus), eiTulostinta, nullptr},
      // A failure of the choice is reported with its step, and printing goes on.
      {nullptr, false, "valitse", yhdessa({"valmistele", "valitse"}, tuloste), "",
       "fe_AloitaTulostus, paikka = 4"},
      {"chkKysyTulostin = 0\r\n", false, "rivi",
       yhdessa(yhdessa({"valmistele"}, asetus), {"kirjasin Times New Roman 14", "kohta 2 4", "rivi", "keskeyta"}),
       ansi("Tulostus ei onnistunut: Tulostinvirhe: VALE"), nullptr},
  };
  for (const auto& t : tapaukset) {
    const std::string asetustiedosto = kansio / "kysytulo.oma";
    if (testi::onOlemassa(asetustiedosto)) alusta::poistaTiedosto(asetustiedosto);
    if (t.kysytulo) testi::kirjoitaTiedosto(asetustiedosto, t.kysytulo);
    ymp.viestit.viestit.clear();
    ymp.virheet.clear();
    tulostin.kutsut.clear();
    tulostin.peruttu = t.peruttu;
    tulostin.pettaa = t.pettaa;
    pulma->napsautus("cmdTulosta");
    // The heading block's line carries the text; compare only where it goes.
    std::vector<std::string> kutsut = tulostin.kutsut;
    for (auto& k : kutsut)
      if (k.rfind("rivi " + ansi("kolvanto - virheraportti"), 0) == 0) k = "rivi";
    EXPECT_EQ(kutsut, t.kutsut) << t.pettaa;
    EXPECT_EQ(ymp.viestit.viestit.size(), t.viesti.empty() ? 0u : 1u) << t.pettaa;
    if (!t.viesti.empty() && !ymp.viestit.viestit.empty()) {
      EXPECT_EQ(ymp.viestit.viestit[0].teksti, t.viesti);
    }
    ASSERT_EQ(ymp.virheet.size(), t.rutiini ? 1u : 0u) << t.pettaa;
    if (t.rutiini) {
      EXPECT_EQ(ymp.virheet[0].rutiini, t.rutiini);
      EXPECT_EQ(ymp.virheet[0].kutsurivi, 7277);
    }
  }
}

}  // namespace
