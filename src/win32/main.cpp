// kolvanto.exe: the window on Windows.
#include <windows.h>
#include <commctrl.h>

#include "euro/kaynnistys.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "win32/frmMain.h"
#include "win32/win32liittymat.h"
#include "win32/frmPulma.h"
#include "settings/apppath.h"

namespace {
constexpr euro::Raportointipaikka kaynnistys{0, "kolvanto", "wWinMain"};
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR argumentit, int naytto) {
  INITCOMMONCONTROLSEX cc{sizeof cc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&cc);

  win32puoli::Win32Viestit viestit;
  // Every failure from here on is shown in the problem dialog and logged.
  win32puoli::Win32Pulmaikkuna pulma;
  euro::Kaynnistys asennettu(viestit, pulma, settings::fe_apppath);
  euro::asetaVirheKasittelija(euro::kasitteleVirhe);

  try {
    win32puoli::frmMain ikkuna;
    // The argument text as typed after the program's path.
    if (ikkuna.toiminta().kaynnisty(win32puoli::ansiksi(argumentit))) return 0;
    if (ikkuna.ikkuna().lopetettu()) return 0;
    ShowWindow(ikkuna.ikkuna().kahva(), naytto);
    ikkuna.ikkuna().nayta();
    win32puoli::Win32Ikkuna::silmukka([&] { return !ikkuna.ikkuna().lopetettu(); });
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), kaynnistys);
    return 1;
  }
  return 0;
}
