#include "split/tiedostolaji.h"

#include "euro/alusta/alusta.h"

namespace split {

bool alkaaXml(std::string_view b) {
  std::size_t i = 0;
  for (;;) {
    if (b.substr(i, 3) == "\xEF\xBB\xBF") i += 3;
    else if (b.substr(i, 2) == "\xFF\xFE" || b.substr(i, 2) == "\xFE\xFF") i += 2;
    else break;
  }
  for (; i < b.size(); ++i) {
    const char c = b[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0') continue;
    return c == '<';
  }
  return false;
}

Tiedostolaji tiedostolaji(const std::string& polku) {
  if (alusta::onLinkki(polku)) return Tiedostolaji::linkki;
  const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(polku);
  if (!pituus) return Tiedostolaji::puuttuu;
  if (*pituus == 0) return Tiedostolaji::tavallinen;
  // A file whose kind cannot be read is not written into: the failure stops the split.
  std::string alku;
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  char b[4096];
  while (alku.size() < sizeof b) {
    const std::size_t n = t.lue(b, sizeof b - alku.size());
    if (n == 0) break;
    alku.append(b, n);
    if (alkaaXml(alku) || alku.find_first_not_of(std::string_view(" \t\r\n\0\xEF\xBB\xBF\xFF\xFE", 9)) != std::string::npos)
      break;
  }
  return alkaaXml(alku) ? Tiedostolaji::xml : Tiedostolaji::tavallinen;
}

}  // namespace split
