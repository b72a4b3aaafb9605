#include "split/tiedostolaji.h"

#include "euro/alusta/alusta.h"
#include "split/muoto.h"

namespace split {

Tiedostolaji tiedostolaji(const std::string& polku) {
  if (alusta::onLinkki(polku)) return Tiedostolaji::linkki;
  const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(polku);
  if (!pituus) return alusta::onErikoinen(polku) ? Tiedostolaji::erikoinen : Tiedostolaji::puuttuu;
  if (*pituus == 0) return Tiedostolaji::tavallinen;
  // A file whose kind cannot be read is not written into: the failure stops the split. The
  // formats' own recognition tells their files (an XML document in any encoding).
  return omaaMuotoa(polku) ? Tiedostolaji::tunnistettu : Tiedostolaji::tavallinen;
}

}  // namespace split
