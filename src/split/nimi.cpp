#include "split/nimi.h"

#include <array>
#include <cmath>

#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace split {

namespace {

// Characters from the line, counted from 1; only what the line holds.
std::string osa(const std::string& rivi, std::size_t alku, std::size_t pituus) {
  if (alku > rivi.size()) return {};
  return rivi.substr(alku - 1, pituus);
}

std::int32_t pyorista(double arvo) {
  double alas = std::floor(arvo);
  double murto = arvo - alas;
  double r = alas;
  if (murto > 0.5 || (murto == 0.5 && std::fmod(alas, 2.0) != 0.0)) r = alas + 1.0;
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) euro::heitaVirhe(euro::virhenro::ylivuoto);
  return static_cast<std::int32_t>(r);
}

const std::array<bool, 256>& sallitut() {
  static const std::array<bool, 256> taulu = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : euro::ansi("ABCDEFGHIJKLMNOPQRSTUWVXYZÅÄÖ1234567890+- _.()!#$%&"))
      t[c] = true;
    return t;
  }();
  return taulu;
}

}  // namespace

void asetapos(const PaloitteluAsetukset& a, std::int32_t& posAlku, std::int32_t& posLoppu) {
  if (a.optAsiakastunnus) {
    posAlku = 49;
    posLoppu = 65;
  } else if (a.optTilinumero) {
    posAlku = 10;
    posLoppu = 23;
  } else if (a.optTilinomistajanNimi) {
    posAlku = 148;
    posLoppu = 182;
  } else if (a.optPositiot) {
    posAlku = pyorista(euro::fe_yleisval(a.txtPosAlku));
    posLoppu = pyorista(euro::fe_yleisval(a.txtPosLoppu));
  }
}

std::string fe_PuhdistaNimi(const std::string& teksti) {
  const auto& sallittu = sallitut();
  std::string tulos;
  tulos.reserve(teksti.size());
  for (char c : teksti)
    if (sallittu[static_cast<unsigned char>(euro::isoksi(c))]) tulos += c;
  return tulos;
}

std::string muodostanimi(const std::string& rivi, const std::string& kohdehakemisto,
                         const PaloitteluAsetukset& a, std::int32_t posAlku,
                         std::int32_t posLoppu) {
  std::int64_t pituus = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  if (posAlku < 1 || pituus < 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);

  std::string avain = osa(rivi, static_cast<std::size_t>(posAlku), static_cast<std::size_t>(pituus));
  avain = fe_PuhdistaNimi(euro::trimmaa(avain));
  std::string nimi = a.txtNimenAlkuosa + avain + a.txtNimenLoppuosa;

  const std::string alkuVuosi = "20" + osa(rivi, 27, 2);
  const std::string alkuKuukausi = osa(rivi, 29, 2);
  const std::string jakso = alkuVuosi + alkuKuukausi + osa(rivi, 31, 2) + "-" + "20" +
                            osa(rivi, 33, 2) + osa(rivi, 35, 2) + osa(rivi, 37, 2);
  nimi = euro::fe_Korvaa(nimi, "*", alkuVuosi);
  nimi = euro::fe_Korvaa(nimi, "?", alkuKuukausi);
  nimi = euro::fe_Korvaa(nimi, "#", jakso);
  return kohdehakemisto + fe_PuhdistaNimi(nimi);
}

}  // namespace split
