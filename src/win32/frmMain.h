// The main window on Windows: the controls of its description, the open-file dialog, and
// its behaviour behind them.
#pragma once

#include "ikkunat/frmMain/toiminta.h"
#include "win32/win32liittymat.h"
#include "win32/ikkuna.h"

namespace win32puoli {

class frmMain {
 public:
  frmMain();
  Win32Ikkuna& ikkuna() { return ikkuna_; }
  frmmain::Toiminta& toiminta() { return toiminta_; }

 private:
  Win32Ikkuna ikkuna_;
  Win32Tiedostovalitsin CommonDialog1_;
  frmmain::Toiminta toiminta_;
};

}  // namespace win32puoli
