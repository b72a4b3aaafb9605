// The problem dialog on Qt: the widgets of frmpulma::kuvaus(), its buttons forwarded to
// frmpulma::Toiminta.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "ikkunat/frmPulma/toiminta.h"
#include "qt/qtnakyma.h"

namespace qtpuoli {

class frmPulma : public QDialog, public QtNakyma {
  Q_OBJECT

 public:
  explicit frmPulma(QWidget* parent = nullptr);

  frmpulma::Toiminta& toiminta() { return *toiminta_; }
  void tayta(const std::string& raportti, const std::string& hakuehdot) {
    toiminta_->tayta(raportti, hakuehdot);
  }
  const std::string& raportti() const { return toiminta_->raportti(); }

  void naytaModaalisti() override;
  // Not asked of the dialog: the error handler ends the program through Pulmaikkuna::lopeta
  // once the report is logged.
  void lopetaOhjelma() override {}

  // Tests act instead of the person: the dialog is handed over just before it is shown.
  static inline std::function<void(frmPulma&)> testikoukku;

 private:
  QtLeikepoyta leikepoyta_;
  std::unique_ptr<frmpulma::Toiminta> toiminta_;
};

// The problem dialog for the error handler: the Qt dialog made on the first report and kept.
class QtPulmaikkuna : public frmpulma::Pulmaikkuna {
 public:
  QtPulmaikkuna();
  frmPulma& ikkuna();

 private:
  std::unique_ptr<frmPulma> ikkuna_;
};

}  // namespace qtpuoli
