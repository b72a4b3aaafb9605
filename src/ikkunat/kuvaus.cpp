#include "kuvaus.h"

#include <algorithm>
#include <cmath>

namespace ikkunat {

const Ohjainkuvaus* Ikkunakuvaus::ohjain(std::string_view haettu) const {
  for (const Ohjainkuvaus& o : ohjaimet)
    if (o.nimi == haettu) return &o;
  return nullptr;
}

const Ohjainkuvaus* Ikkunakuvaus::peruutusnappi() const {
  for (const Ohjainkuvaus& o : ohjaimet)
    if (o.peruutus && o.laji == Ohjainlaji::painike) return &o;
  return nullptr;
}

bool sarkainpysahdys(const Ohjainkuvaus& o) {
  switch (o.laji) {
    case Ohjainlaji::tekstilaatikko:
    case Ohjainlaji::valintaruutu:
    case Ohjainlaji::valintanappi:
    case Ohjainlaji::painike:
      return o.nakyva;
    default:
      return false;
  }
}

std::map<std::string, int> levennykset(const Ikkunakuvaus& kuvaus,
                                       const std::function<int(const Ohjainkuvaus&)>& tarve) {
  constexpr int pikseli = 15, vali = 4 * pikseli;
  std::map<std::string, int> tulos;
  if (!kuvaus.levennetaan) return tulos;
  for (const Ohjainkuvaus& o : kuvaus.ohjaimet) {
    if (o.laji == Ohjainlaji::tekstilaatikko || o.laji == Ohjainlaji::kehys ||
        o.laji == Ohjainlaji::tiedostodialogi || o.rivitetty)
      continue;
    const int tarvitaan = tarve(o);
    if (tarvitaan <= o.leveys) continue;
    int loppu;
    if (o.kehys.empty()) {
      loppu = kuvaus.leveys - vali;
    } else {
      const Ohjainkuvaus* k = kuvaus.ohjain(o.kehys);
      loppu = (k ? k->leveys : kuvaus.leveys) - vali;
    }
    // Edges as whole pixels: right and bottom are the last pixel inside.
    const int oikea = o.vasen + o.leveys - pikseli, ala = o.yla + o.korkeus - pikseli;
    for (const Ohjainkuvaus& t : kuvaus.ohjaimet) {
      if (&t == &o || t.kehys != o.kehys || t.laji == Ohjainlaji::tiedostodialogi) continue;
      if (t.vasen >= oikea && t.yla < ala && t.yla + t.korkeus - pikseli > o.yla)
        loppu = std::min(loppu, t.vasen - vali);
    }
    tulos[o.nimi] = std::max(o.leveys, std::min(tarvitaan, loppu - o.vasen));
  }
  return tulos;
}

int pikseleina(int twips, int dpi) {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / 1440.0));
}

}  // namespace ikkunat
