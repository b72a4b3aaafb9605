#include "win32/win32tuki.h"

#include <cstring>

#include "euro/teksti.h"
#include "euro/virhe.h"

namespace win32puoli {

std::wstring ws(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return std::wstring(u.begin(), u.end());
}

std::string ansiksi(const std::wstring& s) {
  return euro::utf16Ansi(std::u16string(s.begin(), s.end()));
}

std::string ansiksi(const wchar_t* s) { return s ? ansiksi(std::wstring(s)) : std::string(); }

std::string ikkunanTeksti(HWND ikkuna) {
  const int n = GetWindowTextLengthW(ikkuna);
  std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
  w.resize(static_cast<std::size_t>(GetWindowTextW(ikkuna, w.data(), n + 1)));
  return ansiksi(w);
}

HWND omistaja() { return GetActiveWindow(); }

std::wstring ilmanMerkkia(const std::wstring& s) {
  std::wstring t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&' && i + 1 < s.size()) ++i;
    t += s[i];
  }
  return t;
}

namespace {

// The clipboard's owner: a window of its own, as a clipboard opened without one cannot be
// written, and the active window may be another program's.
HWND leikepoydanOmistaja() {
  static HWND h = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  return h;
}

// Another program may hold the clipboard for a moment.
void avaaLeikepoyta() {
  for (int yritys = 0; yritys < 20; ++yritys) {
    if (OpenClipboard(leikepoydanOmistaja())) return;
    Sleep(25);
  }
  throw euro::Virhe(euro::virhenro::lupaEvatty, euro::ansi("Leikepöytä on toisen ohjelman käytössä"));
}

struct Suljettava {
  ~Suljettava() { CloseClipboard(); }
};

}  // namespace

void tyhjennaLeikepoyta() {
  avaaLeikepoyta();
  Suljettava s;
  EmptyClipboard();
}

void asetaLeikepoydalle(const std::string& teksti) {
  const std::wstring w = ws(teksti);
  const std::size_t tavut = (w.size() + 1) * sizeof(wchar_t);
  HGLOBAL muisti = GlobalAlloc(GMEM_MOVEABLE, tavut);
  if (!muisti) euro::heitaVirhe(euro::virhenro::muistiLoppui);
  void* p = GlobalLock(muisti);
  std::memcpy(p, w.c_str(), tavut);
  GlobalUnlock(muisti);
  try {
    avaaLeikepoyta();
  } catch (...) {
    GlobalFree(muisti);
    throw;
  }
  Suljettava s;
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, muisti)) {
    GlobalFree(muisti);
    throw euro::Virhe(euro::virhenro::laitevirhe, euro::ansi("Leikepöydälle kirjoitus ei onnistunut"));
  }
}

std::string leikepoydalta() {
  avaaLeikepoyta();
  Suljettava s;
  HANDLE h = GetClipboardData(CF_UNICODETEXT);
  if (!h) return {};
  const auto* p = static_cast<const wchar_t*>(GlobalLock(h));
  std::string t = p ? ansiksi(p) : std::string();
  GlobalUnlock(h);
  return t;
}

}  // namespace win32puoli
