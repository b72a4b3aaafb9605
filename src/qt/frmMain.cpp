#include "qt/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QThread>

#include "ikkunat/frmMain/kuvaus.h"

namespace qtpuoli {

frmMain::frmMain(QWidget* parent)
    : QWidget(parent),
      QtNakyma(*this, frmmain::kuvaus()),
      levennetyt_(rakenna(*this, frmmain::kuvaus())),
      CommonDialog1_(this),
      toiminta_(*this, CommonDialog1_) {
  kytke(*this, frmmain::kuvaus(), [this](const std::string& nimi) { toiminta_.napsautus(nimi); });
}

void frmMain::lopetaOhjelma() {
  hide();
  // Before the event loop runs (start-up), main sees lopetettu() and returns; an exit() then
  // would only make the next modal loop end at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void frmMain::closeEvent(QCloseEvent* tapahtuma) {
  if (!toiminta_.suljetaanko()) {
    tapahtuma->ignore();
    return;
  }
  QWidget::closeEvent(tapahtuma);
}

}  // namespace qtpuoli
