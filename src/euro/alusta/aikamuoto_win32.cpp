#include <windows.h>

#include <string>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

namespace {

SYSTEMTIME systeemiaika(const Aika& a) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(a.vuosi);
  st.wMonth = static_cast<WORD>(a.kuukausi);
  st.wDay = static_cast<WORD>(a.paiva);
  st.wHour = static_cast<WORD>(a.tunti);
  st.wMinute = static_cast<WORD>(a.minuutti);
  st.wSecond = static_cast<WORD>(a.sekunti);
  // The round trip fills the weekday that a long format may name.
  FILETIME ft;
  if (::SystemTimeToFileTime(&st, &ft)) ::FileTimeToSystemTime(&ft, &st);
  return st;
}

std::string ansiksi(const wchar_t* w, int n) {
  // n counts the closing NUL.
  std::u16string u(reinterpret_cast<const char16_t*>(w),
                   static_cast<std::size_t>(n > 0 ? n - 1 : 0));
  return euro::utf16Ansi(u);
}

[[noreturn]] void epaonnistui() {
  throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                    euro::vakioviesti(euro::virhenro::virheellinenKutsu) + " (" +
                        std::to_string(::GetLastError()) + ")");
}

}  // namespace

std::string lyhytPaivays(const Aika& aika) {
  SYSTEMTIME st = systeemiaika(aika);
  wchar_t b[128];
  int n =
      ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, b, 128, nullptr);
  if (n == 0) epaonnistui();
  return ansiksi(b, n);
}

std::string kellonaika(const Aika& aika) {
  SYSTEMTIME st = systeemiaika(aika);
  wchar_t b[128];
  int n = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, b, 128);
  if (n == 0) epaonnistui();
  return ansiksi(b, n);
}

}  // namespace alusta
