// Photographs the real Win32 windows from the screen into BMP files for the README: the main
// window, and with a second file name the problem dialog filled with a sample report. Runs
// under Wine on a display; scripts/kuvakaappaus-win32.sh turns the pictures into PNG.
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

// What the screen shows where the window lies, frame included.
bool kuvaa(HWND ikkuna, const std::string& tiedosto) {
  RECT r;
  GetWindowRect(ikkuna, &r);
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
