#include "qt/frmPulma.h"

#include <QPushButton>

#include "ikkunat/frmPulma/kuvaus.h"
#include "qt/tulostin.h"

frmPulma::frmPulma(QWidget* parent) : QDialog(parent), QtNakyma(*this, frmpulma::kuvaus()) {
  // The bold captions fit their buttons as designed; a push button's size hint asks for more
  // padding than they need.
  qtpuoli::rakenna(*this, frmpulma::kuvaus(), false);
  // Closing the report must never end the program, even when no other window is shown yet.
  setAttribute(Qt::WA_QuitOnClose, false);
  toiminta_ = std::make_unique<frmpulma::Toiminta>(*this, leikepoyta_, tulostus::tulostin());
  for (const ikkunat::Ohjainkuvaus& o : frmpulma::kuvaus().ohjaimet) {
    if (o.laji != ikkunat::Ohjainlaji::painike) continue;
    connect(ohjain<QPushButton>(o.nimi), &QPushButton::clicked, this,
            [this, nimi = o.nimi] { toiminta_->napsautus(nimi); });
  }
}

void frmPulma::naytaModaalisti() {
  if (testikoukku) testikoukku(*this);
  exec();
}

QtPulmaikkuna::QtPulmaikkuna()
    : frmpulma::Pulmaikkuna([this]() -> frmpulma::Toiminta& { return ikkuna().toiminta(); }) {}

frmPulma& QtPulmaikkuna::ikkuna() {
  if (!ikkuna_) ikkuna_ = std::make_unique<frmPulma>();
  return *ikkuna_;
}
