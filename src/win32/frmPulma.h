// The problem dialog on Windows: the controls of its description, the clipboard and the
// printer, with its behaviour behind them. Loaded on the first report and kept.
#pragma once

#include <memory>

#include "ikkunat/liittymat.h"
#include "ikkunat/frmPulma/toiminta.h"
#include "win32/ikkuna.h"

namespace win32puoli {

class Win32Leikepoyta : public ikkunat::Leikepoyta {
 public:
  void kopioi(const std::string& teksti) override;
};

class frmPulma {
 public:
  explicit frmPulma(ikkunat::Tulostin& tulostin);
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
  explicit Win32Pulmaikkuna(ikkunat::Tulostin* tulostin = nullptr);
  // The dialog once a report has loaded it.
  frmPulma* ladattu() { return ikkuna_.get(); }

 private:
  ikkunat::Tulostin* tulostin_;
  std::unique_ptr<frmPulma> ikkuna_;
};

}  // namespace win32puoli
