// The statements of an XML file as the office counts them: each one the split delivers, with
// its account, number, period, balances and the hash of its bytes, read in the same walk.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt/camt.h"
#include "split/camt/kaynti.h"
#include "split/camt/osat.h"

namespace split::camt {

using namespace sisa;

namespace {

// Digits only, as the schema's Number is; none when anything else stands there or it
// overflows.
std::optional<std::int64_t> luku(std::string_view t) {
  t = trimmaaXml(t);
  if (t.empty()) return std::nullopt;
  std::int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9' || v > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// "1234.5" as 123450 cents, negative for DBIT. Digits beyond the cents must be zeros: an
// amount rounded would be a wrong one. No sign: the schema's amounts have none.
std::optional<std::int64_t> sentteina(const Saldo& b) {
  if (!b.on) return std::nullopt;
  const std::string_view t = trimmaaXml(b.maara);
  std::int64_t v = 0;
  int desimaaleja = -1, numeroita = 0;
  for (char c : t) {
    if (c == '.') {
      if (desimaaleja >= 0) return std::nullopt;
      desimaaleja = 0;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    ++numeroita;
    if (desimaaleja >= 2) {
      if (c != '0') return std::nullopt;
      continue;
    }
    if (v > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
    v = v * 10 + (c - '0');
    if (desimaaleja >= 0) ++desimaaleja;
  }
  if (numeroita == 0) return std::nullopt;
  for (desimaaleja = std::max(desimaaleja, 0); desimaaleja < 2; ++desimaaleja) {
    if (v > std::numeric_limits<std::int64_t>::max() / 10) return std::nullopt;
    v *= 10;
  }
  return trimmaaXml(b.merkki) == std::string_view("DBIT") ? -v : v;
}

// yyyymmdd as "yyyy-mm-dd".
std::string paivaksi(const std::string& p) {
  if (p.size() != 8) return {};
  return p.substr(0, 4) + "-" + p.substr(4, 2) + "-" + p.substr(6, 2);
}

class Luettelija : public Kasittelija {
 public:
  Luettelija(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
             const std::function<void(const Tiliote&)>& anna)
      : nimet_(a), tavut_(polku, alusta::Tila::lue), ikkuna_(tavut_), alku_(alku), anna_(anna) {
    if (a.saadot.puskuri) ikkuna_.asetaKoko(a.saadot.puskuri);
  }

  bool tunnisteet() const override { return true; }
  void asiakirjanLoppu(const Asiakirja&) override {}

  void lausunto(const Asiakirja& d, const Lausunto& l) override {
    // Named as the split names it, which refuses what the split refuses.
    const std::string& nimi = nimet_.nimi(d, l);
    if (l.alku < alku_) return;
    Tiliote& t = t_;
    t = Tiliote{};
    if (l.on[kIban] || l.on[kOthrId]) t.tili = euro::utf8Ansi(trimmaaXml(l.teksti[l.on[kIban] ? kIban : kOthrId]));
    if (l.on[kElSeq]) t.numero = luku(l.teksti[kElSeq]);
    if (!t.numero && l.on[kLglSeq]) t.numero = luku(l.teksti[kLglSeq]);
    const auto [alku, loppu] = jakso(d, l);
    t.alku = paivaksi(alku);
    t.loppu = paivaksi(loppu);
    if (t.alku.empty() || t.loppu.empty()) {
      t.alku.clear();
      t.loppu.clear();
    }
    t.alkusaldo = sentteina(l.saldot[sOPBD]);
    if (!l.saldot[sOPBD].on) t.alkusaldo = sentteina(l.saldot[sPRCD]);
    t.loppusaldo = sentteina(l.saldot[sCLBD]);
    t.valuutta = l.on[kCcy] ? std::string(trimmaaXml(l.teksti[kCcy])) : l.saldonValuutta;
    t.yritys = nimi;
    t.kohta = l.alku;
    t.pituus = l.loppu - l.alku;
    Tiivistaja h;
    for (std::uint64_t k = l.alku; k < l.loppu;) {
      const std::string_view s = ikkuna_.osa(k);
      if (s.empty()) euro::heitaVirhe(euro::virhenro::laitevirhe, tavut_.polku());
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(s.size(), l.loppu - k));
      h.lisaa(s.data(), n);
      k += n;
    }
    t.tiiviste = h.arvo();
    anna_(t);
  }

 private:
  Nimet nimet_;
  alusta::Tiedosto tavut_;  // the statements' bytes, read apart from the walk
  Lukuikkuna ikkuna_;
  std::uint64_t alku_;
  const std::function<void(const Tiliote&)>& anna_;
  Tiliote t_;
};

// Each statement to k, then to the list.
class Molemmille : public Kasittelija {
 public:
  Molemmille(Kasittelija& k, Luettelija& l) : k_(k), l_(l) {}
  bool tunnisteet() const override { return true; }
  void lausunto(const Asiakirja& d, const Lausunto& l) override {
    k_.lausunto(d, l);
    l_.lausunto(d, l);
  }
  void asiakirjanLoppu(const Asiakirja& d) override { k_.asiakirjanLoppu(d); }

 private:
  Kasittelija& k_;
  Luettelija& l_;
};

}  // namespace

namespace sisa {

void kayLuetellen(xml::Lahde& lahde, Kasittelija& k, const std::string& polku, const PaloitteluAsetukset& a,
                  const std::function<void(const Tiliote&)>& anna) {
  Luettelija l(polku, a, 0, anna);
  Molemmille m(k, l);
  kay(lahde, m, lukurajat(a));
}

}  // namespace sisa

void tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                const std::function<void(const Tiliote&)>& anna) {
  auto hylatty = [&](const std::string& syy) { return euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + syy); };
  std::string muuMerkisto;
  onXml(polku, &muuMerkisto);
  if (!muuMerkisto.empty()) throw hylatty(muuMerkisto);
  if (!valittuAvain(a)) throw hylatty(positiotEivatKay);
  try {
    // From the start, the split takes the file whole or refuses it; a grown archive's split
    // holds back a last document not yet whole, and so are its statements here.
    const std::uint64_t raja = alku == 0 ? ~std::uint64_t{0} : kokonaistenLoppuKohdasta(polku, alku);
    if (raja == alku) return;
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    Luettelija k(polku, a, alku, anna);
    RajattuLahde lahde(t, alku, raja);
    kay(lahde, k, lukurajat(a), alku);
  } catch (const Hylatty& h) {
    throw hylatty(h.viesti);
  }
}

}  // namespace split::camt
