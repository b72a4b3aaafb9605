// The key and the period of a T00 line, as the name of its batch's company file takes them.
#include "split/tito/nimi.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace split::tito {

namespace {

// Characters from the line, counted from 1; only what the line holds.
std::string osa(const std::string& rivi, std::size_t alku, std::size_t pituus) {
  if (alku > rivi.size()) return {};
  return rivi.substr(alku - 1, pituus);
}

std::string_view osa(std::string_view rivi, std::size_t alku, std::size_t pituus) {
  if (alku > rivi.size()) return {};
  return rivi.substr(alku - 1, pituus);
}

}  // namespace

void asetapos(const PaloitteluAsetukset& a, std::int32_t& posAlku, std::int32_t& posLoppu) {
  using T = PaloitteluAsetukset::Tunniste;
  const auto t = a.tunniste();
  if (!t) return;
  switch (*t) {
    case T::asiakastunnus: posAlku = 49, posLoppu = 65; break;
    case T::tilinumero: posAlku = 10, posLoppu = 23; break;
    case T::tilinomistajanNimi: posAlku = 148, posLoppu = 182; break;
    case T::positiot:
      std::tie(posAlku, posLoppu) = a.positiot();
      break;
  }
}

std::string muodostanimi(const std::string& rivi, const std::string& kohdehakemisto,
                         const PaloitteluAsetukset& a, std::int32_t posAlku,
                         std::int32_t posLoppu) {
  std::int64_t pituus = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  if (posAlku < 1 || pituus < 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);

  std::string avain = osa(rivi, static_cast<std::size_t>(posAlku), static_cast<std::size_t>(pituus));
  avain = fe_PuhdistaNimi(euro::trimmaa(avain));
  std::string nimi = a.nimenAlkuosa + avain + a.nimenLoppuosa;

  const std::string alkuVuosi = "20" + osa(rivi, 27, 2);
  const std::string alkuKuukausi = osa(rivi, 29, 2);
  const std::string jakso = alkuVuosi + alkuKuukausi + osa(rivi, 31, 2) + "-" + "20" +
                            osa(rivi, 33, 2) + osa(rivi, 35, 2) + osa(rivi, 37, 2);
  nimi = euro::fe_Korvaa(nimi, "*", alkuVuosi);
  nimi = euro::fe_Korvaa(nimi, "?", alkuKuukausi);
  nimi = euro::fe_Korvaa(nimi, "#", jakso);
  return kohdehakemisto + fe_PuhdistaNimi(nimi);
}

NimenMuodostaja::NimenMuodostaja(const PaloitteluAsetukset& a, std::int32_t posAlku,
                                 std::int32_t posLoppu)
    : nimeaja_(a.nimenAlkuosa, a.nimenLoppuosa),
      posAlku_(posAlku),
      posLoppu_(posLoppu),
      tarve_(std::max<std::size_t>(38, posLoppu > 0 ? static_cast<std::size_t>(posLoppu) : 0)) {}

bool NimenMuodostaja::avainTyhja(std::string_view rivi) const {
  if (posAlku_ < 1 || posLoppu_ < posAlku_) return true;
  const std::string_view raaka =
      osa(rivi, static_cast<std::size_t>(posAlku_), static_cast<std::size_t>(posLoppu_ - posAlku_ + 1));
  for (char c : raaka)
    if (c != ' ' && nimeaja_.kelpaa(c)) return false;
  return true;
}

const std::string& NimenMuodostaja::nimi(std::string_view rivi) {
  std::int64_t pituus = static_cast<std::int64_t>(posLoppu_) - posAlku_ + 1;
  if (posAlku_ < 1 || pituus < 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);

  // The key: blanks trimmed at both ends, then the disallowed characters dropped.
  std::string_view raaka = osa(rivi, static_cast<std::size_t>(posAlku_), static_cast<std::size_t>(pituus));
  const auto eka = raaka.find_first_not_of(' ');
  raaka = eka == std::string_view::npos ? std::string_view() : raaka.substr(eka, raaka.find_last_not_of(' ') - eka + 1);
  avain_.clear();
  for (char c : raaka)
    if (nimeaja_.kelpaa(c)) avain_ += c;

  vuosi_.assign("20").append(osa(rivi, 27, 2));
  kuukausi_.assign(osa(rivi, 29, 2));
  jakso_.assign(vuosi_).append(kuukausi_).append(osa(rivi, 31, 2)).append("-20");
  jakso_.append(osa(rivi, 33, 2)).append(osa(rivi, 35, 2)).append(osa(rivi, 37, 2));
  nimeaja_.muodosta(avain_, vuosi_, kuukausi_, jakso_);
  nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  // One that cannot take "-2" either is left for the failure when its file is opened.
  if (!kelpaaTiedostonimeksi(nimi_) && nimeaja_.kelvolliseksi()) nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  return nimi_;
}

}  // namespace split::tito
