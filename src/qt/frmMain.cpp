#include "qt/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QThread>

#include "ikkunat/frmMain/kuvaus.h"

frmMain::frmMain(QWidget* parent)
    : QWidget(parent),
      QtNakyma(*this, frmmain::kuvaus()),
      levennetyt_(qtpuoli::rakenna(*this, frmmain::kuvaus())),
      CommonDialog1_(this),
      toiminta_(*this, CommonDialog1_) {
  for (const ikkunat::Ohjainkuvaus& o : frmmain::kuvaus().ohjaimet) {
    if (o.laji == ikkunat::Ohjainlaji::painike) {
      connect(ohjain<QPushButton>(o.nimi), &QPushButton::clicked, this,
              [this, nimi = o.nimi] { toiminta_.napsautus(nimi); });
      if (o.peruutus) {
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(esc, &QShortcut::activated, ohjain<QPushButton>(o.nimi), &QPushButton::click);
      }
    } else if (o.napsautettava) {
      ohjain(o.nimi)->installEventFilter(this);
    }
  }
}

void frmMain::lopetaOhjelma() {
  hide();
  // Before the event loop runs (start-up), main sees lopetettu() and returns; an exit() then
  // would only make the next modal loop end at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

bool frmMain::eventFilter(QObject* kohde, QEvent* tapahtuma) {
  if (tapahtuma->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(tapahtuma)->button() == Qt::LeftButton) {
    toiminta_.napsautus(kohde->objectName().toStdString());
    return true;
  }
  return QWidget::eventFilter(kohde, tapahtuma);
}

void frmMain::closeEvent(QCloseEvent* tapahtuma) {
  // The window stays while a command of it runs; it would be dropped under the command.
  if (toiminta_.kesken() && !toiminta_.lopetettu()) {
    tapahtuma->ignore();
    return;
  }
  QWidget::closeEvent(tapahtuma);
}
