// The Win32 side of the core's interfaces: message boxes and the open-file dialog.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "euro/liittymat.h"
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

}  // namespace win32puoli
