// A top-level Win32 window built from the description of its controls: twips to pixels at
// the window's DPI, the window's font and colours, keyboard order, access keys and option
// groups through the dialog manager, and captions that are not clipped.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace win32puoli {

enum class Ohjainlaji { nimiko, tekstilaatikko, valintaruutu, valintanappi, painike, kehys };

// One control as the window is built from it.
struct Ohjainohje {
  Ohjainlaji laji;
  std::string nimi;
  std::string kuvateksti;  // ANSI, "&" before the access key; a text box's initial text
  int vasen, yla, leveys, korkeus;  // twips, inside kehys
  std::string kehys;                // the frame it lies in; "" for the window
  bool valittu = false;             // check box or option button on
  bool nakyva = true;
  bool kiintea = false;  // keeps its designed size: word-wrapped text, or sized at run time
};

struct Ikkunaohje {
  std::string otsikko;  // ANSI
  int leveys, korkeus;  // client area, twips
  std::wstring kirjasin;  // preferred face; the system's message font where it is missing
  double pisteet;
  bool lihava;
  std::optional<COLORREF> tausta;
  std::vector<Ohjainohje> ohjaimet;  // in keyboard order
};

// Control identifiers: the first control of the description is this, the next one more.
inline constexpr int ensimmainenTunnus = 1000;

// Twips to pixels: 15 twips a pixel at 96 dpi.
int pikseleiksi(int twipit, UINT dpi);

// The window class that both windows use, with its property "kolvanto.ikkuna" on each.
class Win32Ikkuna {
 public:
  explicit Win32Ikkuna(Ikkunaohje ohje);
  virtual ~Win32Ikkuna();
  Win32Ikkuna(const Win32Ikkuna&) = delete;
  Win32Ikkuna& operator=(const Win32Ikkuna&) = delete;

  // Makes the window and its controls, hidden.
  void luo(HWND omistaja, DWORD tyyli);
  HWND kahva() const { return kahva_; }
  HWND ohjain(const std::string& nimi) const;
  const Ikkunaohje& ohje() const { return ohje_; }
  UINT dpi() const;
  // Controls whose designed width was too narrow for their caption, widened in their room.
  const std::vector<std::string>& levennetyt() const { return levennetyt_; }

  // Places every control and sets the fonts for the DPI in force.
  void sijoita();
  // Sizes a label to its text (lines end at CR LF), no wrapping.
  void sovitaTekstiin(const std::string& nimi);

  // Runs the thread's messages, through the dialog manager for these windows, until
  // jatketaan() says no or WM_QUIT arrives (which is put back for an outer loop).
  template <typename F>
  static void silmukka(F jatketaan) {
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

 protected:
  // A control's WM_COMMAND: a click, or a label's click.
  virtual void komento(const std::string& nimi, int ilmoitus) = 0;
  // Esc.
  virtual void peruutus() {}
  // The close box; true lets the window be destroyed.
  virtual bool suljetaan() { return true; }
  // The button that Enter presses, if any.
  virtual std::optional<std::string> oletuspainike() const { return std::nullopt; }
  // Anything else; true when handled, the answer in tulos.
  virtual bool muuViesti(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  // A failure inside the window procedure: reported, never let out to the system.
  virtual void virhe() noexcept;

 private:
  static LRESULT CALLBACK proseduuri(HWND, UINT, WPARAM, LPARAM);
  LRESULT kasittele(HWND, UINT, WPARAM, LPARAM);
  void teeKirjasin();
  RECT pikselit(std::size_t i) const;
  int tarvittavaLeveys(std::size_t i, HDC dc) const;
  void paivitaSarkaimet();

  Ikkunaohje ohje_;
  HWND kahva_ = nullptr;
  std::vector<HWND> ohjaimet_;
  HFONT kirjasin_ = nullptr;
  HBRUSH sivellin_ = nullptr;
  std::vector<std::string> levennetyt_;
};

}  // namespace win32puoli
