#include "win32/frmMain.h"

#include "ikkunat/frmMain/kuvaus.h"

namespace win32puoli {

frmMain::frmMain() : ikkuna_(frmmain::kuvaus()), toiminta_(ikkuna_, CommonDialog1_) {
  ikkuna_.luo(nullptr, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  ikkuna_.napsautus = [this](const std::string& nimi) { toiminta_.napsautus(nimi); };
  ikkuna_.suljettaessa = [this] { toiminta_.suljetaanko(); };
}

}  // namespace win32puoli
