// Win32 side of the platform layer: the running program and its surroundings (its path, the
// environment, the current folder, the clock, the console and the user).
#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/alusta/win32.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

using euro::heitaVirhe;
namespace nro = euro::virhenro;

namespace {
std::wstring ohjelmanPolku() {
  std::vector<wchar_t> b(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, b.data(), static_cast<DWORD>(b.size()));
    if (n == 0) heitaKoodi(::GetLastError(), {});
    // A full buffer means the name was cut short.
    if (n < b.size()) return std::wstring(b.data(), n);
    b.resize(b.size() * 2);
  }
}
}  // namespace

std::string ohjelmanHakemisto() {
  std::wstring p = ohjelmanPolku();
  auto i = p.find_last_of(L"\\/");
  if (i == std::wstring::npos) return {};
  // "C:\" keeps its separator; without it "C:" would mean the drive's current directory.
  bool juuri = i == 2 && p[1] == L':';
  return ansiksi(std::wstring_view(p).substr(0, juuri ? i + 1 : i));
}

std::string ohjelmanNimi() {
  std::wstring p = ohjelmanPolku();
  auto i = p.find_last_of(L"\\/");
  return ansiksi(i == std::wstring::npos ? p : std::wstring_view(p).substr(i + 1));
}

std::optional<std::string> ymparistomuuttuja(const std::string& nimi) {
  std::wstring n = leve(nimi);
  std::vector<wchar_t> b(256);
  for (;;) {
    // An empty value also answers 0, so only the error code tells it from a missing one.
    ::SetLastError(ERROR_SUCCESS);
    DWORD r = ::GetEnvironmentVariableW(n.c_str(), b.data(), static_cast<DWORD>(b.size()));
    if (r == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (r < b.size()) return ansiksi(std::wstring_view(b.data(), r));
    b.resize(r);
  }
}

void asetaYmparistomuuttuja(const std::string& nimi, const std::optional<std::string>& arvo) {
  // Windows would take "=C:"-style names; the program never means those.
  if (nimi.empty() || nimi.find('=') != std::string::npos) heitaVirhe(nro::virheellinenKutsu, nimi);
  std::wstring n = leve(nimi);
  if (arvo) {
    if (!::SetEnvironmentVariableW(n.c_str(), leve(*arvo).c_str())) heitaVirhe(nro::virheellinenKutsu, nimi);
  } else if (!::SetEnvironmentVariableW(n.c_str(), nullptr) && ::GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
    heitaVirhe(nro::virheellinenKutsu, nimi);
  }
}

std::string nykyinenHakemisto() {
  std::vector<wchar_t> b(MAX_PATH);
  for (;;) {
    DWORD r = ::GetCurrentDirectoryW(static_cast<DWORD>(b.size()), b.data());
    if (r == 0) heitaKoodi(::GetLastError(), ".");
    if (r < b.size()) return ansiksi(std::wstring_view(b.data(), r));
    b.resize(r);
  }
}

namespace {
// A folder that is not there, or is a file, is "path not found" whichever code Windows gives.
[[noreturn]] void heitaHakemistoVirhe(DWORD e, const std::string& polku) {
  bool eiKansiota = e == ERROR_FILE_NOT_FOUND || e == ERROR_DIRECTORY;
  heitaVirhe(eiKansiota ? nro::polkuaEiLoydy : virhenumero(e), polku);
}
}  // namespace

void vaihdaHakemisto(const std::string& polku) {
  if (!::SetCurrentDirectoryW(leve(polku).c_str())) heitaHakemistoVirhe(::GetLastError(), polku);
}

void vaihdaAsema(const std::string& polku) {
  if (polku.size() < 2 || polku[1] != ':') return;
  char k = polku[0];
  if (!((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z'))) return;
  // "X:" alone is the drive's own current directory, so the drive changes and keeps it.
  std::string asema{k, ':'};
  if (!::SetCurrentDirectoryW(leve(asema).c_str())) heitaHakemistoVirhe(::GetLastError(), asema);
}

Aika paikallinenAika() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void kirjoitaKonsoliin(int virta, const std::string& teksti) {
  // Called from the default failure handler, so it never throws: there is nowhere to tell.
  try {
    HANDLE h = ::GetStdHandle(virta == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
    DWORD tila;
    if (::GetConsoleMode(h, &tila)) {
      std::wstring w = leveTeksti(teksti);
      const wchar_t* p = w.data();
      std::size_t n = w.size();
      while (n > 0) {
        DWORD k = 0;
        if (!::WriteConsoleW(h, p, static_cast<DWORD>(n < 8192 ? n : 8192), &k, nullptr) || k == 0) return;
        p += k;
        n -= k;
      }
      return;
    }
    // Redirected to a file or a pipe: UTF-8, as the POSIX side writes.
    std::string u = euro::ansiUtf8(teksti);
    const char* p = u.data();
    std::size_t n = u.size();
    while (n > 0) {
      DWORD k = 0;
      if (!::WriteFile(h, p, static_cast<DWORD>(n < pala ? n : pala), &k, nullptr) || k == 0) return;
      p += k;
      n -= k;
    }
  } catch (...) {
  }
}

std::string kayttajanNimi() { return ymparistomuuttuja("USERNAME").value_or(""); }

}  // namespace alusta
