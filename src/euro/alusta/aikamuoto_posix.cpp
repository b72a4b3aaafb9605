#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <ctime>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace alusta {

namespace {

// The person's own locale from the environment, without touching the process locale that the
// rest of the program relies on; "C" when the environment names one that is not installed.
std::string muotoile(const Aika& aika, const char* muoto) {
  const int osat = LC_TIME_MASK | LC_CTYPE_MASK;
  locale_t l = ::newlocale(osat, "", static_cast<locale_t>(0));
  if (!l) l = ::newlocale(osat, "C", static_cast<locale_t>(0));
  if (!l) euro::heitaVirhe(euro::virhenro::muistiLoppui);
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

}  // namespace

std::string lyhytPaivays(const Aika& aika) {
  return muotoile(aika, "%x");
}
std::string kellonaika(const Aika& aika) {
  return muotoile(aika, "%X");
}

}  // namespace alusta
