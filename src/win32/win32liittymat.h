// The Win32 side of the core's interfaces: message boxes and the open-file dialog.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "euro/kuori.h"
#include "euro/liittymat.h"
#include "euro/ohjelma.h"
#include "win32/win32tuki.h"

namespace win32puoli {

// MessageBoxW with the classic button and icon sets, which are Windows' own numbers.
class Win32Viestit : public euro::Viestilaatikko {
 public:
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override;
  void palautaHiiri() override;
};

// The open-file dialog as GetOpenFileNameW.
class Win32Tiedostovalitsin : public euro::Tiedostovalitsin {
 public:
  std::optional<std::string> valitse(const euro::Tiedostovalinta& v) override;
};

// The "text\0pattern\0...\0\0" list that GetOpenFileNameW takes.
std::wstring suodatinlista(const euro::Tiedostovalinta& v);

// Installs the Win32 side as the program-wide values for the lifetime of the object.
class Win32Ymparisto {
 public:
  Win32Ymparisto();
  ~Win32Ymparisto();
  Win32Ymparisto(const Win32Ymparisto&) = delete;
  Win32Ymparisto& operator=(const Win32Ymparisto&) = delete;

 private:
  Win32Viestit viestit_;
  euro::JarjestelmanKaynnistin kaynnistin_;
  euro::Ohjelma ohjelma_;
  euro::Ohjelma* edellinen_;
};

}  // namespace win32puoli
