#include "split/tito/viivain.h"

#include <algorithm>
#include <limits>

#include "euro/polut.h"
#include "euro/virhe.h"

namespace split::tito {

namespace {

constexpr std::int64_t pisinRivi = std::numeric_limits<std::int16_t>::max();

std::string viivain() {
  std::string s;
  for (int i = 0; i < 32; ++i) s += "123456789*";
  return s;
}

std::string asteikko() {
  std::string s;
  for (int n = 0; n <= 320; n += 10) s += euro::va(std::to_string(n), 10);
  return s;
}

}  // namespace

std::string merkkirivi(std::int32_t posAlku, std::int32_t posLoppu) {
  const std::int64_t leveys = static_cast<std::int64_t>(posAlku) - 1;
  const std::int64_t merkkeja = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  // Positions far beyond any T00 line would fill the disk with X's.
  if (std::max<std::int64_t>(leveys, 0) + std::max<std::int64_t>(merkkeja, 0) > pisinRivi)
    throw euro::Virhe(euro::virhenro::ylivuoto, euro::vakioviesti(euro::virhenro::ylivuoto) + ": Pos " +
                                                    std::to_string(posAlku) + ":" + std::to_string(posLoppu));
  std::string nimio = "Pos " + std::to_string(posAlku) + ":" + std::to_string(posLoppu);
  std::string rivi = leveys < 1 ? "" : euro::va(nimio, static_cast<std::int16_t>(leveys));
  if (merkkeja > 0) rivi.append(static_cast<std::size_t>(merkkeja), 'X');
  return rivi;
}

std::string kehys() { return viivain() + "\r\n" + asteikko() + "\r\n"; }

}  // namespace split::tito
