// kolvanto.exe: the window on Windows.
#include <windows.h>

#include "euro/ohjelma.h"
#include "euro/virheraportti.h"
#include "frmMain/win32/win32liittymat.h"
#include "settings/apppath.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR argumentit, int naytto) {
  win32puoli::Win32Ymparisto ymparisto;
  euro::ohjelma().apppath = settings::fe_apppath;
  euro::asetaVirheKasittelija(euro::kasitteleVirhe);
  // The argument text as typed after the program's path.
  const std::string komentorivi = win32puoli::ansiksi(argumentit);
  (void)komentorivi;
  (void)naytto;
  return 0;
}
