#include "split/asetukset.h"

namespace split {

void PaloitteluAsetukset::valitse(Tunniste t) {
  optAsiakastunnus = t == Tunniste::asiakastunnus;
  optTilinumero = t == Tunniste::tilinumero;
  optTilinomistajanNimi = t == Tunniste::tilinomistajanNimi;
  optPositiot = t == Tunniste::positiot;
}

}  // namespace split
