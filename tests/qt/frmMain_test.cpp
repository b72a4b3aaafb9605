// The real main window offscreen, with the scripted message box and launcher.
#include <gtest/gtest.h>

#include <iostream>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "settings/apppath.h"
#include "split/historia.h"
#include "split/t00.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using qtpuoli::frmMain;

using euro::ansi;
const std::string S(1, alusta::erotin);

struct Ikkuna : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string ohjelma = kansio / "ohjelma";
  std::string asetukset = kansio / "ohjelmaTITO-JAKO.OMA";
  std::string tiedosto = kansio / "TITO.TXT";
  std::string vanhaHakemisto = alusta::nykyinenHakemisto();

  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    settings::nollaaApppath(ohjelma);
    ymp.ohjelma.datahakemisto = ohjelma;
  }
  void TearDown() override {
    alusta::vaihdaHakemisto(vanhaHakemisto);
    settings::nollaaApppath();
    qtpuoli::QtTiedostovalitsin::testikoukku = nullptr;
  }
  void kirjoitaAsetukset(const std::string& lisa) {
    testi::kirjoitaTiedosto(asetukset, "txtPaloiteltavaTiedosto = " + tiedosto +
                                           "\r\nchkAikaleimaaPaloiteltava = 0\r\n" + lisa);
  }
  std::string t00() { return testi::T00{}.rivi() + "\r\n"; }
  std::string tuotos() { return kansio / "TITO-2018-08-1234567-8.TXT"; }
  // A test that splits the same statement again as if for the first time forgets the ledger,
  // which would pass it over as delivered.
  void unohdaHistoria() {
    for (const std::string& h : split::historia::tiedostot(ohjelma)) alusta::poistaTiedosto(h);
  }
};

struct Ohjain {
  const char* nimi;
  const char* luokka;
  const char* teksti;
  const char* kehys;
  int x, y, l, k;  // twips
};

const Ohjain taulukko[] = {
    {"Label1", "QLabel", "Paloiteltava tiedosto", "", 600, 240, 1815, 315},
    {"txtPaloiteltavaTiedosto", "QLineEdit", "", "", 2520, 180, 5175, 375},
    {"Label2", "QLabel", "Tallennetaan hakemistoon", "", 360, 900, 2055, 255},
    {"txtTallennusHakemisto", "QLineEdit", "", "", 2520, 780, 5175, 375},
    {"Label3", "QLabel", "(jätä tyhjäksi, jos tallennetaan samaan alkuperäisen tiedoston kanssa)", "", 7920, 840, 5295, 255},
    {"Frame1", "QGroupBox", "T&unnistetaan ja paloitellaan erätietueen", "", 2040, 4320, 5535, 2775},
    {"optAsiakastunnus", "QRadioButton", "As&iakastunnuksen mukaan (pos 49:65)", "Frame1", 480, 360, 3255, 315},
    {"optTilinumero", "QRadioButton", "Tilinumeron mukaan (pos 10:23)", "Frame1", 480, 720, 2775, 315},
    {"optTilinomistajanNimi", "QRadioButton", "Tilinomista&jan nimen mukaan (pos 148:182)", "Frame1", 480, 1080, 3495, 315},
    {"optPositiot", "QRadioButton", "Position", "Frame1", 480, 1500, 975, 315},
    {"txtPosAlku", "QLineEdit", "49", "Frame1", 1440, 1500, 615, 315},
    {"txtPosLoppu", "QLineEdit", "65", "Frame1", 2280, 1500, 615, 315},
    {"Label4", "QLabel", ":", "Frame1", 2160, 1500, 135, 255},
    {"Label5", "QLabel", "mukaan", "Frame1", 3000, 1500, 735, 315},
    {"cmdValitsePaloiteltavaTiedosto", "QPushButton", "&Valitse", "", 7800, 180, 1455, 375},
    {"cmdAvaaMuistioonPaloiteltavaTiedosto", "QPushButton", "Näytä &muistiossa", "", 9360, 180, 1935, 375},
    {"cmdPaloittele", "QPushButton", "&Paloittele", "", 240, 8340, 1695, 435},
    {"cmdPoistuTallentamatta", "QPushButton", "L&opeta tallentamatta", "", 5760, 8340, 2295, 435},
    {"cmdPoistuTallentaen", "QPushButton", "&Lopeta tallentaen", "", 8160, 8340, 2295, 435},
    {"cmdTallenna", "QPushButton", "&Tallenna oletusarvoiksi", "", 2040, 8340, 2175, 435},
    {"cmdNaytaPaloitteluehtoMuistiossa", "QPushButton", "Näytä paloittelu&ehto muistiossa", "Frame1", 480, 1980, 3375, 435},
    {"Label6", "QLabel", "- nimen alkuosa (esim TITO-)", "", 240, 1380, 2175, 255},
    {"Label7", "QLabel", "- nimen loppuosa (esim .TXT)", "", 120, 1800, 2295, 255},
    {"txtNimenAlkuosa", "QLineEdit", "TITO-*-?-", "", 2520, 1320, 5175, 375},
    {"txtNimenLoppuosa", "QLineEdit", ".TXT", "", 2520, 1800, 5175, 375},
    {"Label8", "QLabel", "Tallentuvien yrityskohtaisten TITO-tiedostojen tiedostonimen alkuun ", "", 7920, 1380, 5055, 255},
    {"Label9", "QLabel", "Tallentuvien yrityskohtaisten TITO-tiedostojen tiedostonimen loppuun", "", 7920, 1860, 5055, 255},
    {"chkAikaleimaaPaloiteltava", "QCheckBox", "Al&kuperäinen paloiteltava tiedosto nimetään uudestaan aikaleimalla", "", 2520, 2640, 5175, 315},
    {"Label10", "QLabel", "Paloiteltuihin tiedostonimiin lisätään tiliotekauden alkupäivästä vuosi ja kuukausi aikaleimaksi  * = VVVV, ? = KK , # = tiliotekausi vvvvkkpp-vvvvkkpp ", "", 360, 2280, 13095, 255},
    {"chkNaytaPaloitellut", "QCheckBox", "Paloittelun jälkeen avaa &resurssienhallintaan paloittelukansio", "", 2520, 3060, 5055, 255},
    {"chkSuljeOhjelmaPaloittelunJalkeen", "QCheckBox", "Paloittelun jälkeen &sulje ohjelma", "", 2520, 3420, 4815, 255},
    {"chkPaloitteleAutomaattisesti", "QCheckBox", "K&un ohjelma käynnistyy, suorita paloittelu automaattisesti ", "", 2520, 3780, 5055, 255},
    {"Frame2", "QGroupBox", "Tietoja ohjelmasta", "", 7920, 2700, 5895, 5415},
    {"Label11", "QLabel", nullptr, "Frame2", 240, 360, 5415, 4275},
    {"lblYhteystiedot", "QLabel", nullptr, "", 8280, 9060, 4215, 255},
    {"cmdAvaaNettisivu", "QPushButton", "&Avaa nettisivu, jossa tietoa ohjelmasta", "Frame2", 1800, 4800, 3495, 435},
};

QString teksti(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

TEST_F(Ikkuna, OhjaintaulukkoJaSarkainjarjestys) {
  frmMain w;
  EXPECT_EQ(w.size(), QSize(928, 625));
  QList<QWidget*> kohdistettavat;
  for (const Ohjain& o : taulukko) {
    auto* c = w.findChild<QWidget*>(o.nimi);
    ASSERT_NE(c, nullptr) << o.nimi;
    EXPECT_STREQ(c->metaObject()->className(), o.luokka) << o.nimi;
    if (o.teksti) {
      EXPECT_EQ(teksti(c), QString::fromUtf8(o.teksti)) << o.nimi;
    }
    EXPECT_EQ(c->parentWidget()->objectName(), *o.kehys ? QString(o.kehys) : QString("frmMain"));
    const QRect g = c->geometry();
    EXPECT_EQ(g.x(), qRound(o.x / 15.0)) << o.nimi;
    EXPECT_EQ(g.y(), qRound(o.y / 15.0)) << o.nimi;
    EXPECT_GE(g.width(), qRound(o.l / 15.0)) << o.nimi;
    EXPECT_GE(g.height(), qRound(o.k / 15.0)) << o.nimi;
    // Captions are never cut off: a control is widened inside its room instead.
    if (!qobject_cast<QLineEdit*>(c) && !qobject_cast<QGroupBox*>(c) && o.nimi != std::string("Label11")) {
      EXPECT_LE(c->sizeHint().width(), g.width()) << o.nimi << " leikkautuu";
    }
    EXPECT_LE(g.right(), c->parentWidget()->width()) << o.nimi;
    if (c->focusPolicy() & Qt::TabFocus) kohdistettavat.append(c);
  }
  std::cout << "levennetyt: " << w.levennetyt().join(", ").toStdString() << "\n";
  EXPECT_TRUE(w.ohjain<QRadioButton>("optAsiakastunnus")->isChecked());
  EXPECT_TRUE(w.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->isChecked());
  EXPECT_FALSE(w.ohjain<QCheckBox>("chkNaytaPaloitellut")->isChecked());
  EXPECT_FALSE(w.ohjain<QCheckBox>("chkPaloitteleAutomaattisesti")->isChecked());
  EXPECT_EQ(w.ohjain<QLabel>("Label11")->text().count("\n\n"), 4);
  EXPECT_TRUE(w.ohjain<QLabel>("Label11")->wordWrap());

  // The keyboard order is the table's order.
  QWidget* c = kohdistettavat.first();
  for (int i = 1; i < kohdistettavat.size(); ++i) {
    do c = c->nextInFocusChain();
    while (!kohdistettavat.contains(c));
    EXPECT_EQ(c, kohdistettavat[i]) << i;
  }
}

TEST_F(Ikkuna, PikanappaimetTavoittavatOhjaimensa) {
  frmMain w;
  w.show();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  // A mnemonic clicks with a short animation: wait for its effect, not for a fixed time.
  auto alt = [&](Qt::Key k, auto valmis) {
    QTest::keyClick(&w, k, Qt::AltModifier);
    return QTest::qWaitFor(valmis, 5000);
  };
  EXPECT_TRUE(alt(Qt::Key_J, [&] { return w.ohjain<QRadioButton>("optTilinomistajanNimi")->isChecked(); }));
  EXPECT_TRUE(alt(Qt::Key_K, [&] { return !w.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->isChecked(); }));
  EXPECT_TRUE(alt(Qt::Key_S, [&] { return w.ohjain<QCheckBox>("chkSuljeOhjelmaPaloittelunJalkeen")->isChecked(); }));
  EXPECT_TRUE(alt(Qt::Key_T, [&] { return testi::onOlemassa(asetukset); }));
  EXPECT_NE(testi::lueTiedosto(asetukset).find("optTilinomistajanNimi = True\r\n"), std::string::npos);
  EXPECT_TRUE(alt(Qt::Key_M, [&] { return !ymp.viestit.viestit.empty(); }));
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].teksti, ansi("Tiedostoa   ei löydy"));
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
  // The month's report: the window's context menu holds it, Ctrl+R takes it anywhere.
  auto* raportti = w.findChild<QAction*>("mnuKuukaudenRaportti");
  ASSERT_NE(raportti, nullptr);
  EXPECT_TRUE(w.actions().contains(raportti));
  EXPECT_EQ(w.contextMenuPolicy(), Qt::ActionsContextMenu);
  QTest::keyClick(w.ohjain("txtNimenAlkuosa"), Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ymp.kaynnistin.kaynnistykset.empty(); }, 5000));
  EXPECT_NE(ymp.kaynnistin.kaynnistykset[0].kohde.find(ohjelma + S + "raportti-"), std::string::npos);
}

TEST_F(Ikkuna, KaynnistyksenAutomaattiajo) {
  struct {
    const char* komentorivi;
    bool ruutu;
    bool ajetaan;
  } const tapaukset[] = {
      {"AJA", false, true}, {" aja ", false, true}, {"*", true, false}, {"* ", true, true},
      {"TITO.TXT", true, true}, {"TITO.TXT", false, false}, {"", true, true}, {"", false, false},
  };
  for (const auto& t : tapaukset) {
    settings::nollaaApppath(ohjelma);
    ymp.viestit.viestit.clear();
    testi::kirjoitaTiedosto(tiedosto, t00());
    if (testi::onOlemassa(tuotos())) alusta::poistaTiedosto(tuotos());
    unohdaHistoria();
    kirjoitaAsetukset(std::string("chkPaloitteleAutomaattisesti = ") + (t.ruutu ? "1" : "0") +
                      "\r\nchkSuljeOhjelmaPaloittelunJalkeen = 1\r\n");
    frmMain w;
    bool loppui = w.kaynnisty(t.komentorivi);
    EXPECT_EQ(loppui, t.ajetaan) << t.komentorivi << " " << t.ruutu;
    EXPECT_EQ(testi::onOlemassa(tuotos()), t.ajetaan) << t.komentorivi << " " << t.ruutu;
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(),
              QString::fromUtf8("Konekielisen tiliotteen jakaminen yrityksittäin - VER:") + QString::fromUtf8(euro::versio));
    EXPECT_TRUE(ymp.viestit.viestit.empty());
  }
}

TEST_F(Ikkuna, PaloittelunJalkeisetToimet) {
  struct {
    bool nayta, sulje;
    std::deque<int> vastaus;
    bool kysytaan, avataan, loppuu;
  } const tapaukset[] = {
      {true, true, {}, false, true, true},
      {true, false, {}, false, true, false},
      {false, true, {}, false, false, true},
      {false, false, {6}, true, true, false},
      {false, false, {7}, true, false, false},
  };
  for (const auto& t : tapaukset) {
    ymp.viestit.viestit.clear();
    ymp.viestit.vastaukset = t.vastaus;
    ymp.kaynnistin.kaynnistykset.clear();
    testi::kirjoitaTiedosto(tiedosto, t00());
    unohdaHistoria();
    frmMain w;
    w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(tiedosto));
    w.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->setChecked(false);
    w.ohjain<QCheckBox>("chkNaytaPaloitellut")->setChecked(t.nayta);
    w.ohjain<QCheckBox>("chkSuljeOhjelmaPaloittelunJalkeen")->setChecked(t.sulje);
    w.ohjain<QPushButton>("cmdPaloittele")->click();
    EXPECT_EQ(w.lopetettu(), t.loppuu);
    if (t.kysytaan) {
      ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
      EXPECT_EQ(ymp.viestit.viestit[0],
                (testi::Viesti{ansi("Paloiteltu. Näytänkö hakemiston minne paloiteltu "),
                               ansi("PALOITELTU. NÄYTETÄÄNKÖ?"), 292}));
    } else {
      EXPECT_TRUE(ymp.viestit.viestit.empty());
    }
    EXPECT_EQ(ymp.kaynnistin.kaynnistykset.size(), t.avataan ? 1u : 0u);
    if (t.avataan) {
      EXPECT_NE(ymp.kaynnistin.kaynnistykset[0].kohde.find(kansio.polku()), std::string::npos);
    }
    // The split command saved the window's values first.
    EXPECT_NE(testi::lueTiedosto(asetukset).find("txtPaloiteltavaTiedosto = " + tiedosto),
              std::string::npos);
  }
}

// Closing by the frame waits while the split command's question is open.
TEST_F(Ikkuna, EiSuljetaKomennonAikana) {
  struct Sulkija : euro::Viestilaatikko {
    frmMain* w;
    bool suljettiin = true;
    int nayta(const std::string&, const std::string&, int) override {
      suljettiin = w->close();
      return euro::vastaus::ei;
    }
    void palautaHiiri() override {}
  } sulkija;
  frmMain w;
  sulkija.w = &w;
  ymp.ohjelma.viestit = &sulkija;
  testi::kirjoitaTiedosto(tiedosto, t00());
  w.show();
  w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(tiedosto));
  w.ohjain<QCheckBox>("chkAikaleimaaPaloiteltava")->setChecked(false);
  w.ohjain<QPushButton>("cmdPaloittele")->click();
  EXPECT_FALSE(sulkija.suljettiin);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.close());
}

TEST_F(Ikkuna, TarkistukseenPysahtynytAjoJaTallentamatonLopetus) {
  frmMain w;
  w.kaynnisty("");
  w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(kansio / "EI.TXT"));
  w.ohjain<QCheckBox>("chkNaytaPaloitellut")->setChecked(true);
  w.ohjain<QCheckBox>("chkSuljeOhjelmaPaloittelunJalkeen")->setChecked(true);
  w.ohjain<QPushButton>("cmdPaloittele")->click();
  EXPECT_FALSE(w.lopetettu());
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "PALOITTELUA EI TEHTY");
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
  const std::string tallennettu = testi::lueTiedosto(asetukset);
  EXPECT_NE(tallennettu.find("EI.TXT"), std::string::npos);

  w.ohjain<QLineEdit>("txtNimenAlkuosa")->setText("MUUTETTU-");
  w.ohjain<QPushButton>("cmdPoistuTallentamatta")->click();
  EXPECT_TRUE(w.lopetettu());
  EXPECT_EQ(testi::lueTiedosto(asetukset), tallennettu);
  settings::nollaaApppath(ohjelma);
  frmMain uusi;
  uusi.kaynnisty("*");
  EXPECT_EQ(uusi.ohjain<QLineEdit>("txtNimenAlkuosa")->text(), "TITO-*-?-");
  EXPECT_EQ(uusi.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->text(), qtpuoli::qs(kansio / "EI.TXT"));
}

TEST_F(Ikkuna, TiedostonValintaJaPuuttuvaTiedosto) {
  frmMain w;
  QString hakemisto, suodatin;
  QStringList suodattimet;
  qtpuoli::QtTiedostovalitsin::testikoukku = [&](QFileDialog& d) {
    hakemisto = d.directory().absolutePath();
    suodattimet = d.nameFilters();
    suodatin = d.selectedNameFilter();
    QTimer::singleShot(0, &d, &QDialog::reject);
  };
  testi::kirjoitaTiedosto(tiedosto, t00());
  w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(tiedosto));
  w.ohjain<QPushButton>("cmdValitsePaloiteltavaTiedosto")->click();
  EXPECT_EQ(QDir(hakemisto), QDir(qtpuoli::qs(kansio.polku())));
  EXPECT_EQ(suodattimet, QStringList{"*.TXT (*.TXT)"});
  EXPECT_EQ(w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->text(), qtpuoli::qs(tiedosto));

  w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->clear();
  qtpuoli::QtTiedostovalitsin::testikoukku = [&](QFileDialog& d) {
    suodattimet = d.nameFilters();
    d.selectFile(qtpuoli::qs(tiedosto));
    QTimer::singleShot(0, &d, [&d] { static_cast<QDialog&>(d).done(QDialog::Accepted); });
  };
  w.ohjain<QPushButton>("cmdValitsePaloiteltavaTiedosto")->click();
  EXPECT_EQ(suodattimet, QStringList{"*.* (*.*)"});
  EXPECT_EQ(w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->text(), qtpuoli::qs(tiedosto));

  // Notepad and the preview on a missing file: the message only.
  w.ohjain<QLineEdit>("txtPaloiteltavaTiedosto")->setText(qtpuoli::qs(kansio / "EI.TXT"));
  w.ohjain<QPushButton>("cmdAvaaMuistioonPaloiteltavaTiedosto")->click();
  w.ohjain<QPushButton>("cmdNaytaPaloitteluehtoMuistiossa")->click();
  ASSERT_EQ(ymp.viestit.viestit.size(), 2u);
  for (const auto& v : ymp.viestit.viestit) {
    EXPECT_EQ(v.teksti, ansi("Tiedostoa ") + kansio / "EI.TXT" + ansi("  ei löydy"));
    EXPECT_EQ(v.otsikko, "");
    EXPECT_EQ(v.tyyli, 0);
  }
  EXPECT_TRUE(ymp.kaynnistin.kaynnistykset.empty());
}

TEST_F(Ikkuna, AjaProsessinaIlmanIkkunaa) {
  const std::string exe = std::string("kolvanto") + (alusta::onWindows ? ".exe" : "");
  testi::kopioi(alusta::ohjelmanHakemisto() + S + exe, ohjelma + S + exe);
  testi::kirjoitaTiedosto(tiedosto, "ohi\r\n" + t00());
  kirjoitaAsetukset("chkSuljeOhjelmaPaloittelunJalkeen = 1\r\n");
  testi::Ajo ajo;
  ajo.ymparisto = {{"QT_QPA_PLATFORM", "offscreen"}};
  testi::Ajettu a = testi::ajaOhjelma(ohjelma + S + exe, {"aja"}, ajo);
  EXPECT_FALSE(a.aikaLoppui);
  EXPECT_EQ(a.koodi, 0) << a.virhe;
  EXPECT_EQ(testi::lueTiedosto(tuotos()), t00());
}

TEST(QtViestit, NapitKuvakkeetOletusJaVastaus) {
  qtpuoli::lataaKaannokset();
  struct {
    int tyyli;
    QStringList napit;
    QString oletus;
    QMessageBox::Icon kuvake;
    QString painetaan;
    int vastaus;
  } const tapaukset[] = {
      {0, {"OK"}, "OK", QMessageBox::NoIcon, "OK", 1},
      {16, {"OK"}, "OK", QMessageBox::Critical, "OK", 1},
      {36, {"Kyllä", "Ei"}, "Kyllä", QMessageBox::Question, "Kyllä", 6},
      {292, {"Kyllä", "Ei"}, "Ei", QMessageBox::Question, "Ei", 7},
      {48, {"OK"}, "OK", QMessageBox::Warning, "OK", 1},
  };
  for (const auto& t : tapaukset) {
    QStringList napit;
    QString oletus, otsikko;
    QMessageBox::Icon kuvake = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
      auto* laatikko = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!laatikko) return;
      otsikko = laatikko->windowTitle();
      kuvake = laatikko->icon();
      oletus = laatikko->defaultButton()->text().remove('&');
      for (auto* b : laatikko->buttons()) {
        napit << b->text().remove('&');
        if (b->text().remove('&') == t.painetaan) QTimer::singleShot(0, b, &QAbstractButton::click);
      }
    });
    qtpuoli::QtViestit viestit;
    int vastaus = viestit.nayta("teksti", "", t.tyyli);
    napit.sort();
    QStringList odotetut = t.napit;
    odotetut.sort();
    EXPECT_EQ(napit, odotetut) << t.tyyli;
    EXPECT_EQ(oletus, t.oletus) << t.tyyli;
    EXPECT_EQ(kuvake, t.kuvake) << t.tyyli;
    EXPECT_EQ(otsikko, "kolvanto") << t.tyyli;
    EXPECT_EQ(vastaus, t.vastaus) << t.tyyli;
  }
}

}  // namespace
