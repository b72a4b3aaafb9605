// A top-level Win32 window built from a window's description, and the view that its
// behaviour talks to: twips to pixels at the window's DPI, the described font and colours,
// keyboard order, access keys and option groups through the dialog manager, and captions
// that are not clipped.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ikkunat/kuvaus.h"
#include "ikkunat/nakyma.h"

namespace win32puoli {

// Control identifiers: the first control of the description has this one, the next one more.
inline constexpr int ensimmainenTunnus = 1000;
// The system menu's entries of the description: the first has this command, the next one
// valikkovali more (below 0xF000, the low four bits clear, as system commands must be).
inline constexpr std::size_t valikkotunnus = 0x0100, valikkovali = 0x10;
// The window class of both windows.
inline constexpr const wchar_t* ikkunaluokka = L"kolvanto_ikkuna";

class Win32Ikkuna : public ikkunat::Nakyma {
 public:
  explicit Win32Ikkuna(const ikkunat::Ikkunakuvaus& kuvaus);
  ~Win32Ikkuna() override;
  Win32Ikkuna(const Win32Ikkuna&) = delete;
  Win32Ikkuna& operator=(const Win32Ikkuna&) = delete;

  // Makes the window and its controls, hidden.
  void luo(HWND omistaja, DWORD tyyli);
  HWND kahva() const { return kahva_; }
  HWND ohjain(const std::string& nimi) const;
  const ikkunat::Ikkunakuvaus& kuvaus() const { return kuvaus_; }
  UINT dpi() const;
  // Controls whose designed width was too narrow for their caption, widened in their room.
  const std::vector<std::string>& levennetyt() const { return levennetyt_; }

  // Where the window's events go: a click on a button or a clickable label, by the control's
  // name (Esc presses the description's cancel button, Enter the default one), and an entry
  // of the system menu, chosen or by its shortcut, by the entry's name.
  std::function<void(const std::string&)> napsautus;
  // The close box. Without one the window is hidden; with one, what happens is up to it.
  std::function<void()> suljettaessa;

  // ikkunat::Nakyma
  std::string arvo(const std::string& ohjain) const override;
  void asetaArvo(const std::string& ohjain, const std::string& arvo) override;
  std::string otsikko() const override;
  void asetaOtsikko(const std::string& otsikko) override;
  void nayta() override;
  void naytaModaalisti() override;
  void piilota() override;
  bool nakyvissa() const override;
  void lopetaOhjelma() override;
  bool lopetettu() const { return lopetettu_; }

  // Places every control and sets the font for the DPI in force.
  void sijoita();

  // Runs the thread's messages, through the dialog manager for these windows, until
  // jatketaan() says no or WM_QUIT arrives (which is put back for an outer loop).
  template <typename F>
  static void silmukka(F jatketaan) {
    Silmukassa s;
    MSG m;
    while (jatketaan()) {
      const BOOL r = GetMessageW(&m, nullptr, 0, 0);
      if (r == 0) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return;
      }
      if (r < 0) return;
      kasitteleViesti(m);
    }
  }
  static void kasitteleViesti(MSG& m);
  static Win32Ikkuna* ikkunasta(HWND h);

  // Tests: called once a modal showing has begun, inside its message loop.
  static inline std::function<void(Win32Ikkuna&)> modaalikoukku;

 private:
  // Counts the message loops that run now: ending the program before the first one needs no
  // WM_QUIT, inside one it does.
  struct Silmukassa {
    Silmukassa() { ++silmukoita; }
    ~Silmukassa() { --silmukoita; }
  };
  static inline int silmukoita = 0;

  static LRESULT CALLBACK proseduuri(HWND, UINT, WPARAM, LPARAM);
  LRESULT kasittele(HWND, UINT, WPARAM, LPARAM);
  void teeKirjasin();
  RECT pikselit(std::size_t i, int leveys) const;
  int tarvittavaLeveys(const ikkunat::Ohjainkuvaus& o, HDC dc) const;
  void paivitaSarkaimet();
  void sovitaTekstiin(std::size_t i);
  int indeksi(const std::string& nimi) const;
  void painettu(std::size_t i);
  void lisaaValikkoon();
  bool valittu(WPARAM komento);
  bool pikanappain(const MSG& m);

  const ikkunat::Ikkunakuvaus& kuvaus_;
  HWND kahva_ = nullptr;
  std::vector<HWND> ohjaimet_;
  HFONT kirjasin_ = nullptr;
  HBRUSH sivellin_ = nullptr;
  std::vector<std::string> levennetyt_;
  std::vector<HWND> estetyt_;  // windows disabled while this one is shown modally
  bool modaali_ = false, lopetettu_ = false;
};

}  // namespace win32puoli
