#include "frmPulma/qt/frmPulma.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QPalette>
#include <cstdlib>

#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "frmPulma/qt/tulostin.h"
#include "remoteus/remoteus.h"
#include "ui_frmPulma.h"

using euro::ansi;

namespace {

QString qs(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

// A label breaks lines at LF only.
QString naytettava(const std::string& ansi) {
  return qs(euro::fe_Korvaa(euro::fe_Korvaa(ansi, "\r\n", "\n"), "\r", "\n"));
}

void leikepoydalle(const std::string& teksti) {
  QClipboard* c = QGuiApplication::clipboard();
  c->clear();
  QCoreApplication::processEvents();
  c->setText(qs(teksti));
}

}  // namespace

frmPulma::frmPulma(QWidget* parent) : QDialog(parent), ui_(new Ui::frmPulma) {
  ui_->setupUi(this);
  QFont kirjasin = font();
  kirjasin.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                        QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                        kirjasin.family()});
  kirjasin.setStyleHint(QFont::SansSerif);
  kirjasin.setPointSizeF(8.25);
  kirjasin.setBold(true);
  setFont(kirjasin);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(p);
  setAutoFillBackground(true);
  setFixedSize(size());
  // Closing the report must never end the program, even when no other window is shown yet.
  setAttribute(Qt::WA_QuitOnClose, false);
  ui_->lblurl->hide();
  ui_->lblAppPath->setText(qs(euro::apppath()));

  connect(ui_->cmdOK, &QPushButton::clicked, this, &frmPulma::cmdOK_Click);
  connect(ui_->cmdTulosta, &QPushButton::clicked, this, &frmPulma::cmdTulosta_Click);
  connect(ui_->cmdLeikepoydalle, &QPushButton::clicked, this, &frmPulma::cmdLeikepoydalle_Click);
  connect(ui_->cmdNettineuvot, &QPushButton::clicked, this, &frmPulma::cmdNettineuvot_Click);
  connect(ui_->cmdEtatuki, &QPushButton::clicked, this, &frmPulma::cmdEtatuki_Click);
  connect(ui_->cmdLopeta, &QPushButton::clicked, this, &frmPulma::cmdLopeta_Click);
}

frmPulma::~frmPulma() {
  delete ui_;
}

void frmPulma::tayta(const std::string& raportti, const std::string& hakuehdot) {
  raportti_ = raportti;
  hakuehdot_ = hakuehdot;
  ui_->lblPulma->setText(naytettava(raportti));
  ui_->lblPulma->adjustSize();
  ui_->lblurl->setText(qs(hakuehdot));
}

void frmPulma::cmdOK_Click() {
  hide();
}

void frmPulma::cmdTulosta_Click() {
  tulostus::Tulostin& t = tulostus::tulostin();
  try {
    const std::string otsikko = euro::fe_Virheraportti();
    if (!tulostus::fe_AloitaTulostus()) return;
    t.asetaKirjasin(QStringLiteral("Times New Roman"), 14);
    t.asetaKohta(2, 4);
    t.tulosta(otsikko);
    // The caption as it is now: a report from the set-up above may have replaced it.
    t.tulosta(raportti_);
    t.lopetaAsiakirja();
  } catch (...) {
    t.keskeyta();
    try {
      euro::viesti("Tulostus ei onnistunut: " + euro::nykyinenVirhe().viesti(), "",
                   euro::tyyli::ok);
    } catch (...) {
    }
  }
}

void frmPulma::cmdLeikepoydalle_Click() {
  try {
    leikepoydalle(euro::fe_Virheraportti() + "\r\n" + raportti_);
  } catch (...) {
    try {
      euro::viesti(ansi("Leikepöydälle kopiointi ei onnistunut: ") + euro::nykyinenVirhe().viesti(),
                   "", euro::tyyli::ok);
    } catch (...) {
    }
  }
}

void frmPulma::cmdNettineuvot_Click() {
  std::string osoite;
  try {
    osoite = std::string(euro::valmistajanPalvelin) + "/cgi-bin/search.pl?";
    osoite += hakuehdot_;
    osoite += "&kutsuja=" + euro::fe_UrlKoodaa(euro::exeNimi());
    osoite += "&versio=" + euro::fe_UrlKoodaa(euro::ohjelma().versio);
    if (euro::fe_AvaaOsoite(osoite) > 32) return;
  } catch (...) {
    // Offered by hand below, as far as it was built.
  }
  try {
    int v = euro::viesti(ansi("Avaa selainohjelmaasi sivu \n") + osoite +
                             ansi("\n\nKopioidaanko osoite leikepöydälle?"),
                         "AVAA SIVU MANUAALISESTI", euro::tyyli::kyllaEiKysymys);
    if (v == euro::vastaus::kylla) leikepoydalle(osoite);
  } catch (...) {
  }
}

void frmPulma::cmdEtatuki_Click() {
  remoteus::sremo_KaynnistaAsenna();
}

void frmPulma::cmdLopeta_Click() {
  try {
    const std::string otsikko = "Ohjelman lopettaminen";
    if (euro::viesti(ansi("Tämä valinta lopettaa ohjelman ajon\n"
                          "Valinta on tarkoitettu sellaisia tilanteita varten, \n"
                          "jossa ohjelma on virhetilanteen takia jäänyt jumiin\n"
                          "\n"
                          "Lopetatko ohjelman"),
                     otsikko, euro::tyyli::kyllaEiKysymysEiOletus) != euro::vastaus::kylla)
      return;
    if (euro::viesti(ansi("Vahvista vielä lopetus"), otsikko,
                     euro::tyyli::kyllaEiKysymysEiOletus) != euro::vastaus::kylla)
      return;
  } catch (...) {
    return;
  }
  // The error handler waiting for the dialog logs the report, then ends the program.
  lopetetaan_ = true;
  hide();
}

Pulmaikkuna::Pulmaikkuna() = default;
Pulmaikkuna::~Pulmaikkuna() = default;

frmPulma& Pulmaikkuna::ikkuna() {
  if (!ikkuna_) ikkuna_ = std::make_unique<frmPulma>();
  return *ikkuna_;
}

euro::Pulmanloppu Pulmaikkuna::nayta(const std::string& raportti, const std::string& hakuehdot) {
  frmPulma& w = ikkuna();
  w.tayta(raportti, hakuehdot);
  if (w.isVisible()) return euro::Pulmanloppu::eiNaytetty;
  w.nollaaLopetus();
  if (testikoukku) testikoukku(w);
  w.exec();
  return w.lopetetaan() ? euro::Pulmanloppu::lopetetaan : euro::Pulmanloppu::suljettu;
}

void Pulmaikkuna::lopeta() {
  if (lopetuskoukku) {
    lopetuskoukku();
    return;
  }
  std::_Exit(0);
}
