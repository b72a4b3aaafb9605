#include "qt/qtnakyma.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTextLayout>

#include "euro/polut.h"
#include "qt/qtteksti.h"

namespace qtpuoli {

namespace {

using L = ikkunat::Ohjainlaji;

// A label breaks lines at LF only.
QString naytettava(const std::string& ansi) {
  return qs(euro::fe_Korvaa(euro::fe_Korvaa(ansi, "\r\n", "\n"), "\r", "\n"));
}

QRect pikseleina(const ikkunat::Ohjainkuvaus& o) {
  return QRect(ikkunat::pikseleina(o.vasen), ikkunat::pikseleina(o.yla), ikkunat::pikseleina(o.leveys),
               ikkunat::pikseleina(o.korkeus));
}

// A label whose lines wrap at blanks, and a word longer than a line (a path) anywhere, as the
// Win32 static control does (a QLabel lets such a word run past its edge); its text stays the
// caption as given.
class RivittyvaNimio : public QLabel {
 public:
  RivittyvaNimio(int enimmaisleveys, QWidget* vanhempi)
      : QLabel(vanhempi), raja_(ikkunat::pikseleina(enimmaisleveys)) {}
  // Sized to the text laid out no wider than the limit.
  void sovita() {
    const QSize k = asettele(raja_, nullptr);
    resize(std::min(k.width() + 1, raja_), k.height());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    asettele(width(), &p);
  }

 private:
  QSize asettele(int leveys, QPainter* p) const {
    QTextOption muoto(Qt::AlignLeft);
    muoto.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal y = 0, levein = 0;
    for (const QString& kappale : text().split('\n')) {
      QTextLayout a(kappale, font());
      a.setTextOption(muoto);
      a.beginLayout();
      for (QTextLine rivi = a.createLine(); rivi.isValid(); rivi = a.createLine()) {
        rivi.setLineWidth(leveys);
        rivi.setPosition(QPointF(0, y));
        y += rivi.height();
        levein = std::max(levein, rivi.naturalTextWidth());
      }
      a.endLayout();
      if (p) a.draw(p, QPointF(0, 0));
    }
    return QSize(static_cast<int>(std::ceil(levein)), static_cast<int>(std::ceil(y)));
  }
  int raja_;
};

QWidget* luo(const ikkunat::Ohjainkuvaus& o, QWidget* vanhempi) {
  switch (o.laji) {
    case L::nimio: {
      auto* l = o.tekstinKokoinen && o.enimmaisleveys > 0 ? new RivittyvaNimio(o.enimmaisleveys, vanhempi) : new QLabel(vanhempi);
      l->setTextFormat(Qt::PlainText);
      l->setText(naytettava(o.teksti));
      if (o.rivitetty) l->setWordWrap(true);
      if (o.rivitetty || o.tekstinKokoinen) l->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
      if (o.napsautettava) l->setCursor(Qt::PointingHandCursor);
      return l;
    }
    case L::tekstilaatikko: {
      auto* t = new QLineEdit(vanhempi);
      t->setText(qs(o.arvo));
      return t;
    }
    case L::valintaruutu: {
      auto* c = new QCheckBox(qs(o.teksti), vanhempi);
      c->setChecked(o.arvo == "1");
      return c;
    }
    case L::valintanappi: {
      auto* r = new QRadioButton(qs(o.teksti), vanhempi);
      r->setChecked(o.arvo == "True");
      return r;
    }
    case L::painike: {
      auto* b = new QPushButton(qs(o.teksti), vanhempi);
      if (o.oletus) b->setDefault(true);
      return b;
    }
    case L::kehys:
      return new QGroupBox(qs(o.teksti), vanhempi);
    case L::tiedostodialogi:
      break;
  }
  return nullptr;
}

// A left click on a label that takes clicks.
class Napsautussuodatin : public QObject {
 public:
  Napsautussuodatin(QObject* vanhempi, std::function<void(const std::string&)> napsautus)
      : QObject(vanhempi), napsautus_(std::move(napsautus)) {}

 protected:
  bool eventFilter(QObject* kohde, QEvent* tapahtuma) override {
    if (tapahtuma->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(tapahtuma)->button() == Qt::LeftButton) {
      napsautus_(kohde->objectName().toStdString());
      return true;
    }
    return QObject::eventFilter(kohde, tapahtuma);
  }

 private:
  std::function<void(const std::string&)> napsautus_;
};

// A label sized to its text; one with a widest size wraps its lines within it.
void sovitaTekstiin(QLabel* l) {
  if (auto* r = dynamic_cast<RivittyvaNimio*>(l))
    r->sovita();
  else
    l->adjustSize();
}

}  // namespace

void kytke(QWidget& ikkuna, const ikkunat::Ikkunakuvaus& kuvaus,
           std::function<void(const std::string&)> napsautus) {
  auto* suodatin = new Napsautussuodatin(&ikkuna, napsautus);
  for (const ikkunat::Ohjainkuvaus& o : kuvaus.ohjaimet) {
    QWidget* w = ikkuna.findChild<QWidget*>(QString::fromStdString(o.nimi));
    if (!w) continue;
    if (auto* b = qobject_cast<QPushButton*>(w); b && o.laji == L::painike)
      QObject::connect(b, &QPushButton::clicked, &ikkuna, [napsautus, nimi = o.nimi] { napsautus(nimi); });
    else if (o.napsautettava)
      w->installEventFilter(suodatin);
  }
  // The window manager owns the system menu: the entries are the window's context menu, their
  // shortcut shown beside them and taken anywhere in the window.
  for (const ikkunat::Valikkokohta& v : kuvaus.jarjestelmavalikko) {
    auto* a = new QAction(qs(v.teksti), &ikkuna);
    a->setObjectName(QString::fromStdString(v.nimi));
    if (!v.pikanappain.empty()) a->setShortcut(QKeySequence(QString::fromStdString(v.pikanappain)));
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, &ikkuna, [napsautus, nimi = v.nimi] { napsautus(nimi); });
    ikkuna.addAction(a);
    ikkuna.setContextMenuPolicy(Qt::ActionsContextMenu);
  }
  // Before a dialog's own Esc, which would close it past its behaviour.
  if (const ikkunat::Ohjainkuvaus* p = kuvaus.peruutusnappi()) {
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), &ikkuna);
    QObject::connect(esc, &QShortcut::activated,
                     ikkuna.findChild<QPushButton*>(QString::fromStdString(p->nimi)), &QPushButton::click);
  }
}

QStringList rakenna(QWidget& ikkuna, const ikkunat::Ikkunakuvaus& kuvaus) {
  ikkuna.setObjectName(QString::fromStdString(kuvaus.nimi));
  ikkuna.setWindowTitle(qs(kuvaus.otsikko));
  QFont kirjasin = ikkuna.font();
  QStringList perheet;
  for (const std::string& n : kuvaus.kirjasin.nimet)
    if (n != "MS Shell Dlg") perheet << QString::fromStdString(n);  // a Windows-only alias
  perheet << kirjasin.family();
  kirjasin.setFamilies(perheet);
  kirjasin.setStyleHint(QFont::SansSerif);
  kirjasin.setPointSizeF(kuvaus.kirjasin.pisteet);
  kirjasin.setBold(kuvaus.kirjasin.lihavoitu);
  ikkuna.setFont(kirjasin);
  if (kuvaus.tausta) {
    QPalette p = ikkuna.palette();
    p.setColor(QPalette::Window, QColor(kuvaus.tausta->r, kuvaus.tausta->g, kuvaus.tausta->b));
    ikkuna.setPalette(p);
    ikkuna.setAutoFillBackground(true);
  }
  ikkuna.setFixedSize(ikkunat::pikseleina(kuvaus.leveys), ikkunat::pikseleina(kuvaus.korkeus));

  QWidget* edellinen = nullptr;
  for (const ikkunat::Ohjainkuvaus& o : kuvaus.ohjaimet) {
    QWidget* vanhempi = &ikkuna;
    if (!o.kehys.empty()) vanhempi = ikkuna.findChild<QGroupBox*>(QString::fromStdString(o.kehys));
    QWidget* w = luo(o, vanhempi);
    if (!w) continue;
    w->setObjectName(QString::fromStdString(o.nimi));
    if (o.tekstinKokoinen) {
      w->move(pikseleina(o).topLeft());
      if (auto* l = qobject_cast<QLabel*>(w))
        sovitaTekstiin(l);
      else
        w->adjustSize();
    } else {
      w->setGeometry(pikseleina(o));
    }
    if (!o.nakyva) w->hide();
    if (ikkunat::sarkainpysahdys(o)) {
      if (edellinen) QWidget::setTabOrder(edellinen, w);
      edellinen = w;
    }
  }

  QStringList levennetyt;
  const auto leveydet = ikkunat::levennykset(kuvaus, [&ikkuna](const ikkunat::Ohjainkuvaus& o) {
    QWidget* w = ikkuna.findChild<QWidget*>(QString::fromStdString(o.nimi));
    return w ? w->sizeHint().width() * 15 : 0;  // twips at the 96 dpi of the layout
  });
  for (const auto& [nimi, leveys] : leveydet) {
    QWidget* w = ikkuna.findChild<QWidget*>(QString::fromStdString(nimi));
    w->resize(ikkunat::pikseleina(leveys), w->height());
    levennetyt << QString::fromStdString(nimi);
  }
  return levennetyt;
}

std::string QtNakyma::arvo(const std::string& nimi) const {
  QWidget* w = ohjain(nimi);
  if (auto* t = qobject_cast<QLineEdit*>(w)) return ansiksi(t->text());
  if (auto* c = qobject_cast<QCheckBox*>(w))
    return c->checkState() == Qt::Checked ? "1" : c->checkState() == Qt::PartiallyChecked ? "2" : "0";
  if (auto* r = qobject_cast<QRadioButton*>(w)) return r->isChecked() ? "True" : "False";
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return ansiksi(b->text());
  if (auto* l = qobject_cast<QLabel*>(w)) return ansiksi(l->text());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return ansiksi(g->title());
  return {};
}

void QtNakyma::asetaArvo(const std::string& nimi, const std::string& arvo) {
  QWidget* w = ohjain(nimi);
  if (auto* t = qobject_cast<QLineEdit*>(w)) {
    t->setText(qs(arvo));
  } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
    c->setCheckState(arvo == "1" ? Qt::Checked : arvo == "2" ? Qt::PartiallyChecked : Qt::Unchecked);
  } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
    // Auto-exclusive buttons cannot be cleared one by one; only a selection is applied.
    if (arvo == "True") r->setChecked(true);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(qs(arvo));
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(naytettava(arvo));
    const ikkunat::Ohjainkuvaus* o = kuvaus_.ohjain(nimi);
    if (o && o->tekstinKokoinen) sovitaTekstiin(l);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(qs(arvo));
  }
}

std::string QtNakyma::otsikko() const { return ansiksi(ikkuna_.windowTitle()); }
void QtNakyma::asetaOtsikko(const std::string& otsikko) { ikkuna_.setWindowTitle(qs(otsikko)); }
void QtNakyma::nayta() { ikkuna_.show(); }

void QtNakyma::naytaModaalisti() {
  if (auto* d = qobject_cast<QDialog*>(&ikkuna_)) {
    d->exec();
    return;
  }
  ikkuna_.setWindowModality(Qt::ApplicationModal);
  ikkuna_.show();
  while (ikkuna_.isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtNakyma::piilota() { ikkuna_.hide(); }
bool QtNakyma::nakyvissa() const { return ikkuna_.isVisible(); }

void QtLeikepoyta::kopioi(const std::string& teksti) {
  QClipboard* c = QGuiApplication::clipboard();
  c->clear();
  QCoreApplication::processEvents();
  c->setText(qs(teksti));
}

}  // namespace qtpuoli
