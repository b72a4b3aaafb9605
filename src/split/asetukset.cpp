#include "split/asetukset.h"

#include <cmath>

#include "euro/polut.h"
#include "euro/virhe.h"

namespace split {

namespace {

// Half to even, as the window's arithmetic rounds; beyond 32 bits is an overflow.
std::int32_t pyorista(double arvo) {
  double alas = std::floor(arvo);
  double murto = arvo - alas;
  double r = alas;
  if (murto > 0.5 || (murto == 0.5 && std::fmod(alas, 2.0) != 0.0)) r = alas + 1.0;
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) euro::heitaVirhe(euro::virhenro::ylivuoto);
  return static_cast<std::int32_t>(r);
}

}  // namespace

std::pair<std::int32_t, std::int32_t> PaloitteluAsetukset::positiot() const {
  return {pyorista(euro::fe_yleisval(posAlku)), pyorista(euro::fe_yleisval(posLoppu))};
}

void PaloitteluAsetukset::valitse(Tunniste t) {
  avainAsiakastunnus = t == Tunniste::asiakastunnus;
  avainTilinumero = t == Tunniste::tilinumero;
  avainNimi = t == Tunniste::tilinomistajanNimi;
  avainPositiot = t == Tunniste::positiot;
}

std::optional<PaloitteluAsetukset::Tunniste> PaloitteluAsetukset::tunniste() const {
  if (avainAsiakastunnus) return Tunniste::asiakastunnus;
  if (avainTilinumero) return Tunniste::tilinumero;
  if (avainNimi) return Tunniste::tilinomistajanNimi;
  if (avainPositiot) return Tunniste::positiot;
  return std::nullopt;
}

}  // namespace split
