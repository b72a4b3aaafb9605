#include "split/muoto.h"

#include "split/tito/muoto.h"
#include "split/camt/muoto.h"
#include "split/viite/muoto.h"

namespace split {

namespace {

// One row a format. The last row takes whatever no row before it recognises.
const Muoto* const muodot[] = {&camt::muoto(), &viite::muoto(), &tito::muoto()};

}  // namespace

const Muoto& muotoTiedostolle(const std::string& polku) {
  for (const Muoto* m : muodot)
    if (m == muodot[std::size(muodot) - 1] || m->tunnista(polku)) return *m;
  return *muodot[std::size(muodot) - 1];
}

std::span<const Muoto* const> kaikkiMuodot() { return muodot; }

bool omaaMuotoa(const std::string& polku) { return &muotoTiedostolle(polku) != muodot[std::size(muodot) - 1]; }

const Muoto* muotoNimella(std::string_view nimi) {
  for (const Muoto* m : muodot)
    if (m->nimi() == nimi) return m;
  return nullptr;
}

const Muoto& muotoYhteenvedolle(const Yhteenveto& y) {
  const Muoto* m = muotoNimella(y.muoto);
  return m ? *m : *muodot[std::size(muodot) - 1];
}

}  // namespace split
