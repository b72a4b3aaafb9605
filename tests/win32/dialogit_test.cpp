// The system's own dialogs as the program prepares them: the open-file dialog and the print
// dialog, answered from another thread as a person would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "euro/teksti.h"
#include "win32/win32liittymat.h"
#include "win32/gditulostin.h"
#include "tuki/testituki.h"

namespace {

// Waits for a dialog of the calling thread and answers it; the dialog's caption is kept.
class Vahti {
 public:
  explicit Vahti(std::function<void(HWND)> vastaa)
      : saie_(GetCurrentThreadId()), vastaa_(std::move(vastaa)), t_([this] { odota(); }) {}
  ~Vahti() { loppu(); }
  // Stops waiting; answers the caption of the dialog it answered, "" when none came.
  std::string loppu() {
    valmis_ = true;
    if (t_.joinable()) t_.join();
    return otsikko_;
  }

 private:
  void odota() {
    HWND loytyi = nullptr;
    for (int i = 0; i < 200 && !valmis_ && !loytyi; ++i) {
      Sleep(50);
      EnumThreadWindows(
          saie_,
          [](HWND h, LPARAM p) -> BOOL {
            wchar_t luokka[64] = {};
            GetClassNameW(h, luokka, 64);
            if (!IsWindowVisible(h) || wcscmp(luokka, L"#32770") != 0) return TRUE;
            *reinterpret_cast<HWND*>(p) = h;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&loytyi));
    }
    if (!loytyi) return;
    otsikko_ = win32puoli::ikkunanTeksti(loytyi);
    vastaa_(loytyi);
  }
  DWORD saie_;
  std::function<void(HWND)> vastaa_;
  std::atomic<bool> valmis_{false};
  std::string otsikko_;
  std::thread t_;
};

// Types a name into the file-name box and presses OK, or cancels.
TEST(Dialogit, TiedostovalintaAntaaPolunTaiPeruu) {
  testi::Kansio kansio;
  testi::kirjoitaTiedosto(kansio / "TITO.TXT", "T00\r\n");
  euro::Tiedostovalinta v;
  v.alkuhakemisto = kansio.polku();
  v.otsikko = "Valitse paloiteltava TITO -tiedosto";
  v.suodattimet = {{"*.TXT (*.TXT)", "*.TXT"}};
  struct Tapaus {
    const wchar_t* nimi;  // nullptr: Cancel
    std::optional<std::string> odotettu;
  };
  const Tapaus tapaukset[] = {{L"TITO.TXT", kansio / "TITO.TXT"}, {nullptr, std::nullopt}};
  for (const Tapaus& t : tapaukset) {
    win32puoli::Win32Tiedostovalitsin valitsin;
    std::optional<std::string> tulos;
    {
      Vahti vahti([&](HWND d) {
        if (t.nimi) SendMessageW(GetDlgItem(d, 0x47c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.nimi));
        PostMessageW(d, WM_COMMAND, t.nimi ? IDOK : IDCANCEL, 0);
      });
      tulos = valitsin.valitse(v);
      EXPECT_EQ(vahti.loppu(), v.otsikko);
    }
    EXPECT_EQ(tulos, t.odotettu);
  }
}

// Closing the print dialog with Cancel is a cancel.
TEST(Dialogit, TulostusikkunanPeruutus) {
  win32puoli::GdiTulostin t;
  bool peruttu = false;
  {
    Vahti vahti([](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    peruttu = t.valitse();
    EXPECT_FALSE(vahti.loppu().empty());
  }
  EXPECT_TRUE(peruttu);
}

}  // namespace
