#include "win32/frmPulma.h"

#include "ikkunat/frmPulma/kuvaus.h"
#include "win32/gditulostin.h"
#include "win32/win32tuki.h"

namespace win32puoli {

void Win32Leikepoyta::kopioi(const std::string& teksti) {
  tyhjennaLeikepoyta();
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    Win32Ikkuna::kasitteleViesti(m);
  }
  asetaLeikepoydalle(teksti);
}

frmPulma::frmPulma(ikkunat::Tulostin& tulostin) : ikkuna_(frmpulma::kuvaus()) {
  // A window of its own in the task bar: an unattended run may have no other.
  ikkuna_.luo(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU);
  SetWindowLongPtrW(ikkuna_.kahva(), GWL_EXSTYLE,
                    GetWindowLongPtrW(ikkuna_.kahva(), GWL_EXSTYLE) | WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW);
  RECT r;
  GetWindowRect(ikkuna_.kahva(), &r);
  SetWindowPos(ikkuna_.kahva(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  toiminta_ = std::make_unique<frmpulma::Toiminta>(ikkuna_, leikepoyta_, tulostin);
  ikkuna_.napsautus = [this](const std::string& nimi) { toiminta_->napsautus(nimi); };
  // The close box closes the report like OK.
  ikkuna_.suljettaessa = [this] { toiminta_->napsautus("cmdOK"); };
}

Win32Pulmaikkuna::Win32Pulmaikkuna(ikkunat::Tulostin* tulostin)
    : frmpulma::Pulmaikkuna([this]() -> frmpulma::Toiminta& {
        if (!ikkuna_) ikkuna_ = std::make_unique<frmPulma>(tulostin_ ? *tulostin_ : win32puoli::tulostin());
        return ikkuna_->toiminta();
      }),
      tulostin_(tulostin) {}

}  // namespace win32puoli
