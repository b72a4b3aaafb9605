#include "tuki/kayttaja.h"

namespace testi {

Tavallisena tavallisenaKayttajana(const std::function<std::string()>&) {
  return {std::nullopt, "Windowsissa ei vaihdeta käyttäjää eikä ole symbolisia linkkejä"};
}

void annaTavalliselle(const std::string&) {}
void teeFifo(const std::string&) {}
void paastaFifonKirjoittaja(const std::string&) {}
bool avaaKirjoittajaksiOdottamatta(const std::string&) { return false; }

}  // namespace testi
