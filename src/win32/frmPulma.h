// The problem dialog on Windows: the controls of its description, the clipboard and the
// printer, with its behaviour behind them. Loaded on the first report and kept.
#pragma once

#include <memory>

#include "euro/liittymat.h"
#include "frmPulma/toiminta.h"
#include "frmPulma/win32/ikkuna.h"

namespace win32puoli {

class Win32Leikepoyta : public euro::Leikepoyta {
 public:
  void kopioi(const std::string& teksti) override;
};

class frmPulma {
 public:
  explicit frmPulma(euro::Tulostin& tulostin);
  Win32Ikkuna& ikkuna() { return ikkuna_; }
  frmpulma::Toiminta& toiminta() { return *toiminta_; }

 private:
  Win32Ikkuna ikkuna_;
  Win32Leikepoyta leikepoyta_;
  std::unique_ptr<frmpulma::Toiminta> toiminta_;
};

// The problem dialog as the central error handler sees it.
class Win32Pulmaikkuna : public frmpulma::Pulmaikkuna {
 public:
  // The printer is the program's own unless a test gives one.
  explicit Win32Pulmaikkuna(euro::Tulostin* tulostin = nullptr);
  // The dialog once a report has loaded it.
  frmPulma* ladattu() { return ikkuna_.get(); }

 private:
  euro::Tulostin* tulostin_;
  std::unique_ptr<frmPulma> ikkuna_;
};

}  // namespace win32puoli
