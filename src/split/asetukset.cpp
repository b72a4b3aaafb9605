#include "split/asetukset.h"

namespace split {

void PaloitteluAsetukset::valitse(Tunniste t) {
  optAsiakastunnus = t == Tunniste::asiakastunnus;
  optTilinumero = t == Tunniste::tilinumero;
  optTilinomistajanNimi = t == Tunniste::tilinomistajanNimi;
  optPositiot = t == Tunniste::positiot;
}

std::optional<PaloitteluAsetukset::Tunniste> PaloitteluAsetukset::tunniste() const {
  if (optAsiakastunnus) return Tunniste::asiakastunnus;
  if (optTilinumero) return Tunniste::tilinumero;
  if (optTilinomistajanNimi) return Tunniste::tilinomistajanNimi;
  if (optPositiot) return Tunniste::positiot;
  return std::nullopt;
}

}  // namespace split
