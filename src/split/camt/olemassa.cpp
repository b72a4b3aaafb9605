// An existing company file looked at: whether it can take statements before its closing tags.
#include <cstdint>
#include <optional>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/camt/kaynti.h"

namespace split::camt::sisa {

namespace {
class Tutkija : public Kasittelija {
 public:
  void lausunto(const Asiakirja& d, const Lausunto&) override {
    tunnus = d.tunnus;
    viimeinen = d.viimeinenLoppu;
  }
  void asiakirjanLoppu(const Asiakirja&) override {}
  std::string tunnus;
  std::uint64_t viimeinen = 0;
};

}  // namespace

std::optional<Olemassa> tutki(const std::string& polku) {
  alusta::Tiedosto t;
  try {
    // Only a plain file of the user's own is ever changed: never through a link.
    t.avaa(polku, alusta::Tila::muokkaa);
  } catch (const euro::Virhe& v) {
    if (v.numero() == euro::virhenro::lupaEvatty || v.numero() == euro::virhenro::kayttovirhe) return std::nullopt;
    throw;
  }
  try {
    TiedostoLahde lahde(t);
    Tutkija tutkija;
    xml::Rajat rajat;
    rajat.monta = false;
    kay(lahde, tutkija, rajat);
    if (tutkija.tunnus.empty()) return std::nullopt;
    const std::uint64_t pituus = t.pituus();
    if (pituus < tutkija.viimeinen || pituus - tutkija.viimeinen > hannanRaja) return std::nullopt;
    Olemassa o{tutkija.tunnus, pituus, std::string(static_cast<std::size_t>(pituus - tutkija.viimeinen), '\0')};
    t.siirry(tutkija.viimeinen);
    std::size_t n = 0;
    while (n < o.hanta.size()) {
      const std::size_t m = t.lue(o.hanta.data() + n, o.hanta.size() - n);
      if (m == 0) return std::nullopt;
      n += m;
    }
    return o;
  } catch (const Hylatty&) {
    return std::nullopt;
  }
}

}  // namespace split::camt::sisa
