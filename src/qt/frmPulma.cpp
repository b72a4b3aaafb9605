#include "qt/frmPulma.h"

#include "ikkunat/frmPulma/kuvaus.h"
#include "qt/tulostin.h"

namespace qtpuoli {

frmPulma::frmPulma(QWidget* parent) : QDialog(parent), QtNakyma(*this, frmpulma::kuvaus()) {
  rakenna(*this, frmpulma::kuvaus());
  // Closing the report must never end the program, even when no other window is shown yet.
  setAttribute(Qt::WA_QuitOnClose, false);
  toiminta_ = std::make_unique<frmpulma::Toiminta>(*this, leikepoyta_, tulostin());
  kytke(*this, frmpulma::kuvaus(), [this](const std::string& nimi) { toiminta_->napsautus(nimi); });
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

}  // namespace qtpuoli
