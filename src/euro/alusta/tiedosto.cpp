// What an open file does the same way on every platform; opening, reading and writing are in
// the platform's own file.
#include <utility>

#include "euro/alusta/alusta.h"

namespace alusta {

Tiedosto::Tiedosto(const std::string& polku, Tila tila) { avaa(polku, tila); }

Tiedosto::~Tiedosto() { suljeHiljaa(); }

Tiedosto::Tiedosto(Tiedosto&& toinen) noexcept
    : kahva_(toinen.kahva_), polku_(std::move(toinen.polku_)), avattuPituus_(toinen.avattuPituus_) {
  toinen.kahva_ = -1;
}

Tiedosto& Tiedosto::operator=(Tiedosto&& toinen) noexcept {
  if (this != &toinen) {
    suljeHiljaa();
    kahva_ = toinen.kahva_;
    polku_ = std::move(toinen.polku_);
    avattuPituus_ = toinen.avattuPituus_;
    toinen.kahva_ = -1;
  }
  return *this;
}

std::uint64_t Tiedosto::pituusAvattaessa() {
  return avattuPituus_ != ~std::uint64_t{0} ? avattuPituus_ : pituus();
}

void kirjoitaKorvaten(const std::string& polku, const std::function<void(Tiedosto&)>& kirjoita) {
  const std::string uusi = polku + ".uusi";
  try {
    Tiedosto t(uusi, Tila::kirjoita);
    kirjoita(t);
    t.tallennaLevylle();
    t.sulje();
    korvaaTiedosto(uusi, polku);
  } catch (...) {
    try {
      poistaTiedosto(uusi);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace alusta
