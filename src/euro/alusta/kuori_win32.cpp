// Outside programs on Windows: the shell's "open" and command lines, never waited for.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

namespace {

namespace nro = euro::virhenro;

std::wstring leve(std::string_view ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return std::wstring(u.begin(), u.end());
}

}  // namespace

int avaaKuorella(const std::string& kohde, const std::string& parametrit,
                 const std::string& tyohakemisto) {
  std::wstring k = leve(kohde), p = leve(parametrit), h = leve(tyohakemisto);
  HINSTANCE r = ::ShellExecuteW(::GetDesktopWindow(), L"open", k.c_str(),
                                p.empty() ? nullptr : p.c_str(), h.empty() ? nullptr : h.c_str(),
                                SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(r));
}

void kaynnistaKomento(const std::string& komentorivi, bool maksimoitu) {
  // CreateProcessW may write into the command line.
  std::wstring w = leve(komentorivi);
  std::vector<wchar_t> rivi(w.begin(), w.end());
  rivi.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = maksimoitu ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, rivi.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    DWORD e = ::GetLastError();
    switch (e) {
      case ERROR_FILE_NOT_FOUND: euro::heitaVirhe(nro::tiedostoaEiLoydy, komentorivi);
      case ERROR_PATH_NOT_FOUND: euro::heitaVirhe(nro::polkuaEiLoydy, komentorivi);
      case ERROR_ACCESS_DENIED: euro::heitaVirhe(nro::lupaEvatty, komentorivi);
      case ERROR_NOT_ENOUGH_MEMORY:
      case ERROR_OUTOFMEMORY: euro::heitaVirhe(nro::muistiLoppui);
      default: euro::heitaVirhe(nro::virheellinenKutsu, komentorivi);
    }
  }
  // The started program runs on its own: its task is not kept.
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

std::optional<std::uint32_t> windowsVersio() { return static_cast<std::uint32_t>(::GetVersion()); }

void kirjoitaTavut(int virta, std::string_view tavut) {
  HANDLE h = ::GetStdHandle(virta == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;  // no stream to write to
  while (!tavut.empty()) {
    DWORD n = tavut.size() < (1u << 30) ? static_cast<DWORD>(tavut.size()) : (1u << 30);
    DWORD k = 0;
    if (!::WriteFile(h, tavut.data(), n, &k, nullptr) || k == 0) {
      DWORD e = ::GetLastError();
      euro::heitaVirhe(e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL ? nro::levyTaynna
                                                                            : nro::laitevirhe);
    }
    tavut.remove_prefix(k);
  }
}

}  // namespace alusta
