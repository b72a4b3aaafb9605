#include "euro/alusta/alusta.h"
#include "euro/teksti.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace alusta {

std::vector<std::string> komentorivi(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  // argv is already in the ANSI code page of the process, which may not be 1252.
  (void)argc;
  (void)argv;
  int n = 0;
  LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
  if (w) {
    for (int i = 1; i < n; ++i) {
      std::wstring s(w[i]);
      args.push_back(euro::utf16Ansi(std::u16string(s.begin(), s.end())));
    }
    LocalFree(w);
  }
#else
  for (int i = 1; i < argc; ++i) args.push_back(euro::utf8Ansi(argv[i]));
#endif
  return args;
}

}  // namespace alusta
