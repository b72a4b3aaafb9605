// The problem dialog offscreen behind the real error handler, with the scripted message box
// and launcher; printing goes into PDF files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest/QTest>

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/teksti.h"
#include "euro/virheraportti.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "qt/frmPulma.h"
#include "qt/tulostin.h"
#include "settings/apppath.h"
#include "split/t00.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using qtpuoli::frmMain;
using qtpuoli::frmPulma;
using qtpuoli::QtPulmaikkuna;

using euro::ansi;
using qtpuoli::ansiksi;
using qtpuoli::qs;

const std::string raportti = ansi(
    "Tiedostoa ei löydy: X\r\n(virhe 53)\r\n\r\nKutsurivi      319\r\nModuulista   euro.bas\r\n"
    "Rutiinista     fe_PaljasHakemisto");
const std::string hakuehdot =
    "terms=Tiedostoa;ei;l%F6ydy%3A;X+virhe;53+319+euro.bas+fe%5FPaljasHakemisto";
const std::string osoite = "https://www.vombra.fi/cgi-bin/search.pl?" + hakuehdot + "&kutsuja=" +
                           euro::fe_UrlKoodaa(euro::exeNimi()) + "&versio=" + euro::versio;
const std::string viiva = "\r\n" + std::string(70, '-') + "\r\n";

struct Pulma : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  QtPulmaikkuna pulma;
  std::string loki = kansio / "virhelog.txt", pdf = kansio / "r.pdf";
  std::string vanhaHakemisto = alusta::nykyinenHakemisto();

  void SetUp() override {
    ymp.ohjelma.apppath = [this] { return kansio.polku(); };
    ymp.ohjelma.ongelmat = &pulma;
    euro::asetaVirheKasittelija(euro::kasitteleVirhe);
    alusta::vaihdaHakemisto(kansio.polku());  // where kysytulo.oma is looked for
    QGuiApplication::clipboard()->clear();
  }
  void TearDown() override {
    alusta::vaihdaHakemisto(vanhaHakemisto);
    frmPulma::testikoukku = nullptr;
    QtPulmaikkuna::lopetuskoukku = nullptr;
    qtpuoli::QtTulostin::valintakoukku = nullptr;
  }
  // Reports a failure; toimi acts in the open dialog, which is closed afterwards if still open.
  void raportoi(std::function<void(frmPulma&)> toimi) {
    frmPulma::testikoukku = [toimi](frmPulma& w) {
      QTimer::singleShot(0, &w, [&w, toimi] {
        toimi(w);
        if (w.isVisible()) w.ohjain<QPushButton>("cmdOK")->click();
      });
    };
    euro::fe_Virhe(53, ansi("Tiedostoa ei löydy: X"), 319, "euro.bas", "fe_PaljasHakemisto");
  }
  void tulostaPdf(const std::string& kohde) {
    qtpuoli::tulostin().laite().setOutputFormat(QPrinter::PdfFormat);
    qtpuoli::tulostin().laite().setOutputFileName(qs(kohde));
  }
  static std::string leikepoyta() { return ansiksi(QGuiApplication::clipboard()->text()); }
  static QString pdfTeksti(const std::string& pdf, const char* muoto) {
    return QString::fromUtf8(testi::ajaOhjelma("pdftotext", {muoto, pdf, "-"}).ulos);
  }
};

TEST_F(Pulma, PikanappaimetJaLoki) {
  testi::kirjoitaTiedosto(kansio / "kysytulo.oma", "chkKysyTulostin = 0\r\n");
  tulostaPdf(pdf);
  std::string kopio;
  bool auki = false;
  raportoi([&](frmPulma& w) {
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // A mnemonic clicks after a short animation: wait for each button's effect.
    const std::pair<Qt::Key, std::function<bool()>> napit[] = {
        {Qt::Key_K, [] { return !leikepoyta().empty(); }},
        {Qt::Key_N, [this] { return ymp.kaynnistin.kaynnistykset.size() == 1; }},
        {Qt::Key_E, [this] { return ymp.kaynnistin.kaynnistykset.size() == 2; }},
        {Qt::Key_L, [this] { return ymp.viestit.viestit.size() == 1; }},
        {Qt::Key_T, [this] { return testi::onOlemassa(pdf); }},
    };
    for (const auto& [k, valmis] : napit) {
      QTest::keyClick(&w, k, Qt::AltModifier);
      EXPECT_TRUE(QTest::qWaitFor(valmis, 10000)) << k;
    }
    kopio = leikepoyta();
    auki = w.isVisible();
    QTest::keyClick(&w, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.isVisible(); }, 10000));
  });
  EXPECT_TRUE(auki);
  frmPulma& w = pulma.ikkuna();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.ohjain<QLabel>("lblAppPath")->text(), qs(kansio.polku()));
  EXPECT_EQ(w.ohjain<QLabel>("lblurl")->text(), qs(hakuehdot));
  EXPECT_TRUE(w.ohjain<QLabel>("lblurl")->isHidden() && w.ohjain<QPushButton>("cmdOK")->isDefault());
  // The heading block, one more CR LF, the report: two empty lines after the clock.
  const std::string otsikko = euro::fe_Virheraportti();
  const std::size_t kello = otsikko.find("Tulostettu");
  EXPECT_EQ(kopio.substr(0, kello), otsikko.substr(0, kello));
  EXPECT_EQ(kopio.substr(kopio.find("\r\n\r\n\r\n")), "\r\n\r\n\r\n" + raportti);
  // Remote support on Linux is the maker's page in the browser.
  EXPECT_EQ(ymp.kaynnistin.kaynnistykset,
            (std::vector<testi::Kaynnistys>{{osoite, "", "/", false, false},
                                            {"https://www.vombra.fi/etatuki/", "", "/", false, false}}));
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);  // the quit question, answered No
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "Ohjelman lopettaminen");
  EXPECT_TRUE(testi::onOlemassa(pdf));
  const std::string l = testi::lueTiedosto(loki);
  // The log is UTF-8 here, as Linux editors read it.
  const std::string merkinta = euro::ansiUtf8(raportti + viiva);
  EXPECT_EQ(l.substr(l.size() - merkinta.size()), merkinta);
}

// Esc presses OK, so the report closes through the dialog's behaviour and not past it.
TEST_F(Pulma, EscPainaaOK) {
  int painettu = 0;
  bool suljettu = false;
  raportoi([&](frmPulma& w) {
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto laskuri = QObject::connect(w.ohjain<QPushButton>("cmdOK"), &QPushButton::clicked, [&] { ++painettu; });
    QTest::keyClick(&w, Qt::Key_Escape);
    suljettu = QTest::qWaitFor([&w] { return !w.isVisible(); }, 10000);
    QObject::disconnect(laskuri);
  });
  EXPECT_TRUE(suljettu);
  EXPECT_EQ(painettu, 1);
}

TEST_F(Pulma, NettineuvotKasinKopioitavaksi) {
  struct {
    int koodi, vastaus;
    std::string leikepoydalla;
  } const tapaukset[] = {{33, 0, ""}, {32, 6, osoite}, {2, 7, ""}};
  frmPulma& w = pulma.ikkuna();
  w.tayta(raportti, hakuehdot);
  for (const auto& t : tapaukset) {
    QGuiApplication::clipboard()->clear();
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = {t.vastaus};
    ymp.kaynnistin.avausKoodi = t.koodi;
    w.ohjain<QPushButton>("cmdNettineuvot")->click();
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset.back().kohde, osoite);
    const testi::Viesti kysymys{ansi("Avaa selainohjelmaasi sivu \n") + osoite +
                                    ansi("\n\nKopioidaanko osoite leikepöydälle?"),
                                "AVAA SIVU MANUAALISESTI", 36};
    EXPECT_EQ(ymp.viestit.viestit, std::vector<testi::Viesti>(t.vastaus ? 1 : 0, kysymys));
    EXPECT_EQ(leikepoyta(), t.leikepoydalla) << t.koodi;
  }
}

TEST_F(Pulma, LopetusKahdellaVahvistuksella) {
  const std::string o = "Ohjelman lopettaminen";
  const testi::Viesti kysymys{ansi("Tämä valinta lopettaa ohjelman ajon\nValinta on tarkoitettu "
                                   "sellaisia tilanteita varten, \njossa ohjelma on virhetilanteen "
                                   "takia jäänyt jumiin\n\nLopetatko ohjelman"), o, 292},
                     vahvistus{ansi("Vahvista vielä lopetus"), o, 292};
  // No at either question keeps the dialog open; two Yes end the program once it is logged.
  for (std::deque<int> vastaukset : {std::deque<int>{7}, {6, 7}, {6, 6}}) {
    const bool loppuu = vastaukset.back() == 6;
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = vastaukset;
    if (testi::onOlemassa(loki)) alusta::poistaTiedosto(loki);
    bool auki = false;
    std::string loppu = "ei";
    QtPulmaikkuna::lopetuskoukku = [&] { loppu = testi::onOlemassa(loki) ? "lokin jalkeen" : "heti"; };
    raportoi([&](frmPulma& w) {
      w.ohjain<QPushButton>("cmdLopeta")->click();
      auki = w.isVisible();
    });
    std::vector<testi::Viesti> odotetut{kysymys, vahvistus};
    odotetut.resize(vastaukset.size());
    EXPECT_EQ(ymp.viestit.viestit, odotetut);
    EXPECT_EQ(auki, !loppuu);
    EXPECT_EQ(loppu, loppuu ? "lokin jalkeen" : "ei");
  }
}

TEST_F(Pulma, Tulostus) {
  const std::string eiKansiota = kansio / "ei" + alusta::erotin + "r.pdf";
  enum Valinta { eiKysyta, peru, pettaa };
  struct {
    Valinta valinta;
    std::string kohde;  // empty: no printer at all
    std::string viesti;
    const char* viimeinen;  // the last line printed
  } const tapaukset[] = {
      {eiKysyta, pdf, "", "Rutiinista fe_PaljasHakemisto"},
      {peru, pdf, "", nullptr},
      {eiKysyta, "", ansi("Pulma: Tulostinta ei löydy. Tarkista kirjoitinasetukset tai vaihda "
                          "kirjoitinporttia."), nullptr},
      {eiKysyta, eiKansiota, ansi("Tulostus ei onnistunut: Tulostinvirhe: ") + eiKansiota, nullptr},
      // A failure in the choice is reported into the open dialog, and its report is printed.
      {pettaa, pdf, "", "Rutiinista fe_AloitaTulostus, paikka = 4"},
  };
  frmPulma& w = pulma.ikkuna();
  w.show();
  for (const auto& t : tapaukset) {
    w.tayta(raportti, "");
    ymp.viestit.viestit.clear();
    if (testi::onOlemassa(pdf)) alusta::poistaTiedosto(pdf);
    testi::kirjoitaTiedosto(kansio / "kysytulo.oma",
                            t.valinta == eiKysyta ? "chkKysyTulostin = 0\r\n" : "");
    qtpuoli::QtTulostin::valintakoukku = [&t](QPrintDialog& d) {
      if (t.valinta == pettaa) euro::heitaVirhe(5);
      QTimer::singleShot(0, &d, &QDialog::reject);
    };
    tulostaPdf(t.kohde);
    w.ohjain<QPushButton>("cmdTulosta")->click();
    EXPECT_EQ(ymp.viestit.viestit.size(), t.viesti.empty() ? 0u : 1u) << t.kohde;
    if (!t.viesti.empty()) {
      EXPECT_EQ(ymp.viestit.viestit[0].teksti, t.viesti);
    }
    ASSERT_EQ(testi::onOlemassa(pdf), t.viimeinen != nullptr) << t.kohde;
    if (!t.viimeinen) continue;
    const std::string teksti =
        pdfTeksti(pdf, "-raw").trimmed().replace(QRegularExpression(" +"), " ").toStdString();
    const std::string alku = "kolvanto - virheraportti\n6.0-versio: " + std::string(euro::versio) + "\n";
    EXPECT_EQ(teksti.substr(0, alku.size()), alku);
    EXPECT_EQ(teksti.substr(teksti.rfind('\n') + 1), t.viimeinen);
    // 2 cm across and 4 cm down of the printable area, in points.
    const QRectF ala = qtpuoli::tulostin().laite().pageLayout().paintRect(QPageLayout::Point);
    auto m = QRegularExpression("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>kolvanto<")
                 .match(pdfTeksti(pdf, "-bbox"));
    EXPECT_NEAR(m.captured(1).toDouble(), ala.left() + 72 * 2 / 2.54, 1.5);
    EXPECT_NEAR(m.captured(2).toDouble(), ala.top() + 72 * 4 / 2.54, 4);
  }
  w.hide();
}

TEST_F(Pulma, SisakkainenRaporttiTayttaaIkkunan) {
  ymp.kaynnistin.avausKoodi = 2;  // no browser to open the remote-support page
  std::string sisempi;
  raportoi([&](frmPulma& w) {
    w.ohjain<QPushButton>("cmdEtatuki")->click();
    sisempi = ansiksi(w.ohjain<QLabel>("lblPulma")->text());
  });
  EXPECT_NE(sisempi.find("Kutsurivi      9201\nModuulista   remoteus.bas\n"), std::string::npos);
  // Only the outer report is logged.
  const std::string l = testi::lueTiedosto(loki);
  EXPECT_EQ(l.substr(l.find("\r\n\r\n\r\n") + 6), euro::ansiUtf8(raportti + viiva));
}

// A report longer than the dialog is wide wraps left of the buttons, a path without blanks
// too, and is logged already while the dialog waits for someone.
TEST_F(Pulma, PitkaRaporttiRivittyyJaOnLokissaJoAuki) {
  const std::string polku = "/home/maija/Tiliotteet/" + std::string(60, 'k') + "/yritykset/TITO-2018-08-1234567-8.TXT";
  const std::string tapaukset[] = {
      ansi("Lupa evätty: ") + polku +
          ansi(". Paloittelu jäi kesken; seuraava paloittelu viimeistelee sen, kun syy on korjattu"),
      std::string(300, 'x'),
  };
  for (const std::string& viesti : tapaukset) {
    SCOPED_TRACE(viesti);
    if (testi::onOlemassa(loki)) alusta::poistaTiedosto(loki);
    QRect nimio, ok, asiakas;
    int rivejaVahintaan = 0, rivinKorkeus = 0;
    std::string naytetty, lokissa;
    frmPulma::testikoukku = [&](frmPulma& w) {
      QTimer::singleShot(0, &w, [&] {
        auto* l = w.ohjain<QLabel>("lblPulma");
        nimio = l->geometry();
        // However the words fall, the message takes at least its width over the label's in
        // lines, and five more follow it.
        const int leveys = l->fontMetrics().horizontalAdvance(qs(viesti));
        rivejaVahintaan = (leveys + l->width() - 1) / l->width() + 5;
        rivinKorkeus = l->fontMetrics().height();
        ok = w.ohjain<QPushButton>("cmdOK")->geometry();
        asiakas = w.rect();
        naytetty = ansiksi(l->text());
        lokissa = testi::onOlemassa(loki) ? testi::lueTiedosto(loki) : "";
        w.ohjain<QPushButton>("cmdOK")->click();
      });
    };
    euro::fe_Virhe(70, viesti, 100, "kolvanto", "paloittele");
    EXPECT_LT(nimio.right(), ok.left());
    EXPECT_LE(nimio.bottom(), asiakas.bottom());
    EXPECT_GE(nimio.height(), rivejaVahintaan * rivinKorkeus);
    EXPECT_EQ(naytetty, viesti + "\n(virhe 70)\n\nKutsurivi      100\nModuulista   kolvanto\nRutiinista     paloittele");
    EXPECT_NE(lokissa.find(euro::ansiUtf8(viesti + "\r\n(virhe 70)")), std::string::npos);
  }
}

// A failure provoked in the main window shows the dialog and leaves its log entry.
TEST_F(Pulma, IkkunanVirheNakyyJaKirjataan) {
  const std::string ohjelma = kansio / "ohjelma";
  alusta::luoHakemisto(ohjelma);
  settings::nollaaApppath(ohjelma);
  ymp.ohjelma.apppath = settings::fe_apppath;
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", testi::T00{}.rivi() + "\r\n");
  // The output file's name is taken by a folder: it cannot be opened for appending.
  alusta::luoHakemisto(kansio / "TITO-2018-08-1234567-8.TXT");
  std::string naytetty;
  frmPulma::testikoukku = [&](frmPulma& w) {
    naytetty = w.raportti();
    QTimer::singleShot(0, w.ohjain<QPushButton>("cmdOK"), &QPushButton::click);
  };
  frmMain ikkuna;
  ikkuna.kaynnisty("*");
  ikkuna.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qs(kansio / "TITO.TXT"));
  ikkuna.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->setChecked(false);
  ikkuna.ohjain<QPushButton>("cmdPaloittele")->click();
  settings::nollaaApppath();
  EXPECT_NE(naytetty.find("TITO-2018-08-1234567-8.TXT\r\n(virhe "), std::string::npos) << naytetty;
  EXPECT_NE(naytetty.find("Kutsurivi      100\r\nModuulista   kolvanto\r\nRutiinista     paloittele"),
            std::string::npos);
  const std::string l = testi::lueTiedosto(ohjelma + alusta::erotin + "virhelog.txt");
  const std::string merkinta = euro::ansiUtf8(naytetty + viiva);
  EXPECT_EQ(l.substr(l.size() - merkinta.size()), merkinta);
}

}  // namespace
