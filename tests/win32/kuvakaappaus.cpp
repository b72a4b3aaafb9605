// Photographs the real Win32 windows from the screen into BMP files for the README: the main
// window, with a second file name the problem dialog filled with a sample report, and with a
// third the main window with its system menu open (the month's report's entry). Runs under Wine
// on a display; scripts/kuvakaappaus-win32.sh turns the pictures into PNG.
#include <windows.h>

#include <fstream>
#include <string>

#include "euro/kaynnistys.h"
#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "win32/frmMain.h"
#include "win32/win32liittymat.h"
#include "win32/frmPulma.h"
#include "win32/gditulostin.h"

namespace {

void odota(int ms) {
  const DWORD loppu = GetTickCount() + static_cast<DWORD>(ms);
  while (GetTickCount() < loppu) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) win32puoli::Win32Ikkuna::kasitteleViesti(m);
    Sleep(20);
  }
}

// What the screen shows where the window lies, frame included, and a menu open over it.
bool kuvaa(HWND ikkuna, const std::string& tiedosto, HWND valikko = nullptr) {
  RECT r;
  GetWindowRect(ikkuna, &r);
  if (valikko) {
    RECT v;
    GetWindowRect(valikko, &v);
    UnionRect(&r, &r, &v);
  }
  const int l = r.right - r.left, k = r.bottom - r.top;
  HDC naytto = GetDC(nullptr);
  HDC muisti = CreateCompatibleDC(naytto);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = l;
  bi.bmiHeader.biHeight = k;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* pikselit = nullptr;
  HBITMAP kuva = CreateDIBSection(naytto, &bi, DIB_RGB_COLORS, &pikselit, nullptr, 0);
  HGDIOBJ vanha = SelectObject(muisti, kuva);
  BitBlt(muisti, 0, 0, l, k, naytto, r.left, r.top, SRCCOPY);
  GdiFlush();
  const int rivi = (l * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(rivi * k);
  std::ofstream f(tiedosto, std::ios::binary);
  f.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  f.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  f.write(static_cast<const char*>(pikselit), rivi * k);
  SelectObject(muisti, vanha);
  DeleteObject(kuva);
  DeleteDC(muisti);
  ReleaseDC(nullptr, naytto);
  return static_cast<bool>(f);
}

// The system menu is a modal loop of its own: a second thread waits for its popup, photographs
// it over the window and ends the loop.
struct Valikkokuva {
  HWND ikkuna;
  std::string tiedosto;
  bool onnistui = false;
};

DWORD WINAPI kuvaaValikko(void* p) {
  auto& k = *static_cast<Valikkokuva*>(p);
  HWND valikko = nullptr;
  for (int i = 0; i < 100 && !valikko; ++i) {
    Sleep(50);
    valikko = FindWindowW(L"#32768", nullptr);
  }
  if (valikko) {
    Sleep(700);
    k.onnistui = kuvaa(k.ikkuna, k.tiedosto, valikko);
  }
  PostMessageW(k.ikkuna, WM_CANCELMODE, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  win32puoli::Win32Viestit viestit;
  win32puoli::Win32Pulmaikkuna ongelmat;
  // Where the MSI installs for an office's user.
  euro::Kaynnistys asennettu(viestit, ongelmat, [] {
    return std::string("C:\\Users\\maija\\AppData\\Local\\Programs\\kolvanto");
  });

  win32puoli::frmMain paa;
  paa.ikkuna().asetaOtsikko(paa.ikkuna().otsikko() + " - VER:" + euro::versio);
  paa.ikkuna().asetaArvo("txtPaloiteltavaTiedosto", "C:\\Pankki\\TITO.TXT");
  paa.ikkuna().asetaArvo("txtTallennusHakemisto", "C:\\Tiliotteet");
  SetWindowPos(paa.ikkuna().kahva(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  paa.ikkuna().nayta();
  odota(1500);
  if (!kuvaa(paa.ikkuna().kahva(), argv[1])) return 1;
  if (argc >= 4) {
    // Alt+Space, as the guide tells the office to open it.
    Valikkokuva k{paa.ikkuna().kahva(), argv[3]};
    HANDLE saie = CreateThread(nullptr, 0, kuvaaValikko, &k, 0, nullptr);
    PostMessageW(paa.ikkuna().kahva(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    odota(6000);
    WaitForSingleObject(saie, INFINITE);
    CloseHandle(saie);
    if (!k.onnistui) return 1;
  }
  if (argc < 3) return 0;
  paa.ikkuna().piilota();

  win32puoli::frmPulma pulma(win32puoli::tulostin());
  pulma.toiminta().tayta(
      euro::ansi("Lupa evätty: C:\\Tiliotteet\\TITO-2018-08-1234567-8.TXT\r\n(virhe 70)\r\n\r\n"
                 "Kutsurivi      100\r\nModuulista   kolvanto\r\nRutiinista     paloittele"),
      "terms=");
  SetWindowPos(pulma.ikkuna().kahva(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  pulma.ikkuna().nayta();
  SetFocus(pulma.ikkuna().ohjain("cmdOK"));
  odota(1500);
  return kuvaa(pulma.ikkuna().kahva(), argv[2]) ? 0 : 1;
}
