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
  std::optional<Vika> v = k(vaihe, polku, n);
  if (v && v->numero == 0) return std::nullopt;
  return v;
}

std::optional<Vika> kysyLukuVika(const std::string& polku, std::size_t& n) {
  const Vikakoukku& k = koukku();
  if (!k) return std::nullopt;
  std::optional<Vika> v = k(Vaihe::lue, polku, n);
  if (!v || v->numero != 0) return v;
  if (v->lapi < n) n = v->lapi > 0 ? v->lapi : 1;
  return std::nullopt;
}

bool koukkuAsetettu() { return static_cast<bool>(koukku()); }

}  // namespace alusta
