#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

namespace {

// The locale that the environment names for LC_TIME, as the C library looks it up.
std::string aikalokaali() {
  for (const char* nimi : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* arvo = std::getenv(nimi);
    if (arvo && *arvo) return arvo;
  }
  return "";
}

// Whether the person has a locale of their own: cron and services start with none, and the
// C locale's dates ("08/21/18") read wrongly to a Finnish office.
bool omaLokaali() {
  const std::string l = aikalokaali();
  return !(l.empty() || l == "C" || l == "POSIX" || l.rfind("C.", 0) == 0);
}

// The person's own locale from the environment, without touching the process locale that the
// rest of the program relies on; nothing when the environment names one that is not installed.
std::optional<std::string> muotoile(const Aika& aika, const char* muoto) {
  const int osat = LC_TIME_MASK | LC_CTYPE_MASK;
  locale_t l = ::newlocale(osat, "", static_cast<locale_t>(0));
  if (!l) return std::nullopt;
  std::tm tm{};
  tm.tm_year = aika.vuosi - 1900;
  tm.tm_mon = aika.kuukausi - 1;
  tm.tm_mday = aika.paiva;
  tm.tm_hour = aika.tunti;
  tm.tm_min = aika.minuutti;
  tm.tm_sec = aika.sekunti;
  tm.tm_isdst = -1;
  // Fills the weekday that some locales' formats name.
  std::tm kopio = tm;
  if (::mktime(&kopio) != static_cast<std::time_t>(-1)) {
    tm.tm_wday = kopio.tm_wday;
    tm.tm_yday = kopio.tm_yday;
  }
  char puskuri[256];
  std::size_t n = ::strftime_l(puskuri, sizeof puskuri, muoto, &tm, l);
  const bool utf8 = std::strcmp(::nl_langinfo_l(CODESET, l), "UTF-8") == 0;
  ::freelocale(l);
  if (n == 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);
  std::string tulos(puskuri, n);
  return utf8 ? euro::utf8Ansi(tulos) : tulos;
}

std::string kaksi(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

// The Finnish forms are those of a Finnish Windows: d.M.yyyy and H.mm.ss.
std::string lyhytPaivays(const Aika& aika) {
  if (omaLokaali())
    if (auto s = muotoile(aika, "%x")) return *s;
  return std::to_string(aika.paiva) + "." + std::to_string(aika.kuukausi) + "." +
         std::to_string(aika.vuosi);
}
std::string kellonaika(const Aika& aika) {
  if (omaLokaali())
    if (auto s = muotoile(aika, "%X")) return *s;
  return std::to_string(aika.tunti) + "." + kaksi(aika.minuutti) + "." + kaksi(aika.sekunti);
}

}  // namespace alusta
