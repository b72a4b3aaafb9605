// The Qt side of the core's interfaces: the message box and the open-file dialog.
#pragma once

#include <QFileDialog>
#include <functional>
#include <optional>
#include <string>

#include "euro/liittymat.h"
#include "qt/qtteksti.h"

namespace qtpuoli {

// QMessageBox with the classic numbers of the sets the core asks for; no title of its own
// means "kolvanto".
class QtViestit : public euro::Viestilaatikko {
 public:
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override;
  void palautaHiiri() override;
};

// The open-file dialog as QFileDialog.
class QtTiedostovalitsin : public euro::Tiedostovalitsin {
 public:
  explicit QtTiedostovalitsin(QWidget* omistaja) : omistaja_(omistaja) {}
  std::optional<std::string> valitse(const euro::Tiedostovalinta& v) override;
  // Tests answer instead of the person: the dialog is handed over just before it is shown.
  static inline std::function<void(QFileDialog&)> testikoukku;

 private:
  QWidget* omistaja_;
};

// Loads Qt's own Finnish translations so that standard buttons read "Kyllä", "Ei", "OK".
void lataaKaannokset();

}  // namespace qtpuoli
