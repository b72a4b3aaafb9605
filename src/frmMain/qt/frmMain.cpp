#include "frmMain/qt/frmMain.h"

#include <QAbstractButton>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QShortcut>
#include <QThread>

#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/tiedostovalinta.h"
#include "euro/virhe.h"
#include "frmMain/qt/qtliittymat.h"
#include "settings/apppath.h"
#include "settings/paloitteluasetukset.h"
#include "split/esikatselu.h"
#include "split/paloittele.h"
#include "ui_frmMain.h"

using qtpuoli::ansiksi;
using qtpuoli::qs;

namespace {

// Every control of the window in keyboard order.
const char* const ohjainnimet[] = {
    "Label1", "txtPaloiteltavaTiedosto", "Label2", "txtTallennusHakemisto", "Label3", "Frame1",
    "optAsiakastunnus", "optTilinumero", "optTilinomistajanNimi", "optPositiot", "txtPosAlku",
    "txtPosLoppu", "Label4", "Label5", "cmdValitsePaloiteltavaTiedosto",
    "cmdAvaaMuistioonPaloiteltavaTiedosto", "cmdPaloittele", "cmdPoistuTallentamatta",
    "cmdPoistuTallentaen", "cmdTallenna", "cmdNaytaPaloitteluehtoMuistiossa", "Label6", "Label7",
    "txtNimenAlkuosa", "txtNimenLoppuosa", "Label8", "Label9", "chkAikaleimaaPaloiteltava",
    "Label10", "chkNaytaPaloitellut", "chkSuljeOhjelmaPaloittelunJalkeen",
    "chkPaloitteleAutomaattisesti", "Frame2", "Label11", "lblYhteystiedot", "cmdAvaaNettisivu",
};

// The text after the last "." of the whole text, "" when there is none.
std::string fe_Tarkenne(const std::string& polku) {
  std::int16_t p = euro::fe_cposr(polku, ".");
  return p > 0 ? polku.substr(static_cast<std::size_t>(p)) : std::string();
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent), ui_(new Ui::frmMain) {
  ui_->setupUi(this);
  // The design was made for an 8-point Arial-wide font; the desktop's own where none of these is.
  QFont kirjasin = font();
  kirjasin.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), kirjasin.family()});
  setFont(kirjasin);
  setFixedSize(size());
  levennaKapeat();

  connect(ui_->cmdPaloittele, &QPushButton::clicked, this, [this] { paloittelukomento(); });
  connect(ui_->cmdTallenna, &QPushButton::clicked, this, [this] { tallennaformi(); });
  connect(ui_->cmdPoistuTallentaen, &QPushButton::clicked, this, &frmMain::poistuTallentaen);
  connect(ui_->cmdPoistuTallentamatta, &QPushButton::clicked, this, &frmMain::poistuTallentamatta);
  connect(ui_->cmdValitsePaloiteltavaTiedosto, &QPushButton::clicked, this,
          &frmMain::valitsePaloiteltavaTiedosto);
  connect(ui_->cmdAvaaMuistioonPaloiteltavaTiedosto, &QPushButton::clicked, this,
          &frmMain::avaaMuistioon);
  connect(ui_->cmdNaytaPaloitteluehtoMuistiossa, &QPushButton::clicked, this,
          &frmMain::naytaPaloitteluehto);
  connect(ui_->cmdAvaaNettisivu, &QPushButton::clicked, this, &frmMain::avaaNettisivu);
  ui_->lblYhteystiedot->installEventFilter(this);

  // Esc works as the window's cancel button.
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(esc, &QShortcut::activated, ui_->cmdPoistuTallentamatta, &QPushButton::click);
}

frmMain::~frmMain() { delete ui_; }

QList<QWidget*> frmMain::ohjaimet() const {
  QList<QWidget*> l;
  for (const char* nimi : ohjainnimet) l.append(findChild<QWidget*>(QString::fromLatin1(nimi)));
  return l;
}

settings::Lomake frmMain::lomake() const {
  settings::Lomake l;
  for (QWidget* w : ohjaimet()) {
    settings::Ohjain o;
    o.nimi = w->objectName().toStdString();
    if (auto* t = qobject_cast<QLineEdit*>(w)) {
      o.laji = settings::Laji::tekstilaatikko;
      o.arvo = ansiksi(t->text());
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
      o.laji = settings::Laji::valintaruutu;
      o.arvo = c->checkState() == Qt::Checked ? "1" : c->checkState() == Qt::PartiallyChecked ? "2" : "0";
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      o.laji = settings::Laji::valintanappi;
      o.arvo = r->isChecked() ? "True" : "False";
      o.ryhma = r->parentWidget()->objectName().toStdString();
    } else if (auto* y = qobject_cast<QComboBox*>(w)) {
      o.laji = settings::Laji::yhdistelmaruutu;
      o.arvo = ansiksi(y->currentText());
      for (int i = 0; i < y->count(); ++i) o.kohteet.push_back(ansiksi(y->itemText(i)));
      o.valittu = y->currentIndex();
      o.tyyli = y->isEditable() ? 0 : 2;
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
      o.laji = settings::Laji::luetteloruutu;
      o.arvo = lw->currentItem() ? ansiksi(lw->currentItem()->text()) : std::string();
    }
    l.push_back(std::move(o));
  }
  return l;
}

void frmMain::asetaLomake(const settings::Lomake& l) {
  for (const settings::Ohjain& o : l) {
    QWidget* w = findChild<QWidget*>(QString::fromStdString(o.nimi));
    if (!w || o.indeksi) continue;
    if (auto* t = qobject_cast<QLineEdit*>(w)) {
      t->setText(qs(o.arvo));
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
      c->setCheckState(o.arvo == "1" ? Qt::Checked : o.arvo == "2" ? Qt::PartiallyChecked : Qt::Unchecked);
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      // Auto-exclusive buttons cannot be cleared one by one; only a selection is applied.
      if (o.arvo == "True") r->setChecked(true);
    } else if (auto* y = qobject_cast<QComboBox*>(w)) {
      if (o.valittu >= 0 && o.valittu < y->count()) y->setCurrentIndex(o.valittu);
      if (y->isEditable()) y->setEditText(qs(o.arvo));
    }
  }
}

split::PaloitteluAsetukset frmMain::asetukset() const {
  split::PaloitteluAsetukset a;
  settings::ohjaimista(lomake(), a);
  return a;
}

std::string frmMain::asetuspolku() const {
  return settings::asetustiedosto(euro::ohjelma().datahakemisto);
}

void frmMain::tallennaformi() { settings::se_TallennaFormi(asetuspolku(), lomake()); }

void frmMain::lueformi() {
  settings::Lomake l = lomake();
  settings::se_LueFormi(asetuspolku(), l);
  asetaLomake(l);
}

bool frmMain::kaynnisty(const std::string& komentorivi) {
  euro::Ohjelma& o = euro::ohjelma();
  o.datahakemisto = settings::fe_apppath();
  lueformi();
  o.versio = euro::versio;
  setWindowTitle(windowTitle() + qs(" - VER:" + o.versio));

  const bool aja = euro::pieneksi(euro::trimmaa(komentorivi)) == "aja";
  if (aja || (ui_->chkPaloitteleAutomaattisesti->isChecked() && komentorivi != "*"))
    paloittelukomento();
  return lopetettu_;
}

bool frmMain::paloittelukomento() {
  tallennaformi();
  const split::PaloitteluAsetukset a = asetukset();
  split::PaloitteluTulos tulos = split::paloittele(a);
  if (!tulos.valmis) return false;
  try {
    if (a.chkNaytaPaloitellut) {
      euro::se_AvaaKansio(tulos.kohdehakemisto);
    } else if (!a.chkSuljeOhjelmaPaloittelunJalkeen) {
      int v = euro::viesti(euro::ansi("Paloiteltu. Näytänkö hakemiston minne paloiteltu "),
                           euro::ansi("PALOITELTU. NÄYTETÄÄNKÖ?"),
                           euro::tyyli::kyllaEiKysymysEiOletus);
      if (v == euro::vastaus::kylla) euro::se_AvaaKansio(tulos.kohdehakemisto);
    }
    if (a.chkSuljeOhjelmaPaloittelunJalkeen) lopeta();
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), euro::paikka::paloittele);
  }
  return lopetettu_;
}

void frmMain::levennaKapeat() {
  levennetyt_.clear();
  for (QWidget* w : ohjaimet()) {
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QGroupBox*>(w) || w == ui_->Label11) continue;
    const int tarve = w->sizeHint().width();
    QRect g = w->geometry();
    if (tarve <= g.width()) continue;
    // The room ends at the next control to the right on the same row, or at the frame's edge.
    int loppu = w->parentWidget()->width() - 4;
    for (QObject* o : w->parentWidget()->children()) {
      auto* toinen = qobject_cast<QWidget*>(o);
      if (!toinen || toinen == w) continue;
      const QRect t = toinen->geometry();
      if (t.left() >= g.right() && t.top() < g.bottom() && t.bottom() > g.top())
        loppu = std::min(loppu, t.left() - 4);
    }
    g.setWidth(std::max(g.width(), std::min(tarve, loppu - g.left())));
    w->setGeometry(g);
    levennetyt_.append(w->objectName());
  }
}

void frmMain::lopeta() {
  lopetettu_ = true;
  hide();
  // Before the event loop runs (start-up), main sees lopetettu() and returns; an exit() then
  // would only make the next modal loop end at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void frmMain::valitsePaloiteltavaTiedosto() {
  std::string hakemisto, malli = "*.*", tarkenne = "*";
  const std::string nykyinen = ansiksi(ui_->txtPaloiteltavaTiedosto->text());
  if (!nykyinen.empty()) {
    hakemisto = euro::fe_PaljasHakemisto(nykyinen);
    std::string t = fe_Tarkenne(nykyinen);
    if (!t.empty()) {
      malli = "*." + t;
      tarkenne = t;
    }
  }
  qtpuoli::QtTiedostovalitsin CommonDialog1(this);
  std::string polku = euro::fe_AvaaTiedosto(CommonDialog1, hakemisto,
                                            "Valitse paloiteltava TITO -tiedosto", malli, tarkenne);
  if (!polku.empty()) ui_->txtPaloiteltavaTiedosto->setText(qs(polku));
}

void frmMain::avaaMuistioon() {
  const std::string polku = ansiksi(ui_->txtPaloiteltavaTiedosto->text());
  if (!euro::fe_OnkoTiedosto(polku)) {
    euro::viesti(euro::ansi("Tiedostoa ") + polku + euro::ansi("  ei löydy"), "", euro::tyyli::ok);
    return;
  }
  euro::se_AvaaMuistiossa(polku);
}

void frmMain::naytaPaloitteluehto() { split::naytaPaloitteluehto(asetukset()); }

void frmMain::poistuTallentaen() {
  tallennaformi();
  lopeta();
}

void frmMain::poistuTallentamatta() { lopeta(); }

void frmMain::avaaNettisivu() { euro::fe_AvaaOsoite(std::string(euro::valmistajanPalvelin) + "/kolvanto.htm"); }

bool frmMain::eventFilter(QObject* kohde, QEvent* tapahtuma) {
  if (kohde == ui_->lblYhteystiedot && tapahtuma->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(tapahtuma)->button() == Qt::LeftButton) {
    euro::fe_AvaaOsoite(std::string(euro::valmistajanPalvelin) + "/");
    return true;
  }
  return QWidget::eventFilter(kohde, tapahtuma);
}
