#include "euro/alusta/vikakoukku.h"

#include <utility>

namespace alusta {

namespace {
Vikakoukku& koukku() {
  static Vikakoukku k;
  return k;
}
}  // namespace

Vikakoukku asetaVikakoukku(Vikakoukku uusi) { return std::exchange(koukku(), std::move(uusi)); }

std::optional<Vika> kysyVika(Vaihe vaihe, const std::string& polku, std::size_t n) {
  const Vikakoukku& k = koukku();
  if (!k) return std::nullopt;
  return k(vaihe, polku, n);
}

bool koukkuAsetettu() { return static_cast<bool>(koukku()); }

}  // namespace alusta
