// What reached an archive after its split, and how far a split of an archive that a program may
// still write goes: only to its last whole document.
#include <optional>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/kesken.h"
#include "split/lue.h"
#include "split/camt/camt.h"
#include "split/camt/osat.h"
#include "split/camt/kaynti.h"

namespace split::camt {

using euro::ansi;

namespace sisa {

namespace {

// The documents a walk has seen whole, each statement named when settings are given (which
// checks its key and name as the split does).
class Tarkastaja : public Kasittelija {
 public:
  explicit Tarkastaja(const PaloitteluAsetukset* a) {
    if (a) nimet_.emplace(*a);
  }
  void lausunto(const Asiakirja& d, const Lausunto& l) override {
    if (nimet_) nimet_->nimi(d, l);
  }
  void asiakirjanLoppu(const Asiakirja& d) override {
    loppu = d.loppu;
    ++asiakirjoja;
  }
  std::uint64_t loppu = 0;
  std::size_t asiakirjoja = 0;

 private:
  std::optional<Nimet> nimet_;
};

}  // namespace

std::uint64_t kokonaistenLoppu(const std::string& arkisto) {
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  const std::uint64_t pituus = t.pituus();
  Tarkastaja k(nullptr);
  try {
    RajattuLahde lahde(t, 0, pituus, true);
    kay(lahde, k);
  } catch (const Loppui&) {
  } catch (const Hylatty&) {
  }
  // Without one whole document the walk that follows is let to the end, to name the fault.
  return k.asiakirjoja > 0 ? k.loppu : pituus;
}

std::uint64_t kokonaistenLoppuKohdasta(const std::string& arkisto, std::uint64_t alku) {
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  Tarkastaja k(nullptr);
  try {
    RajattuLahde lahde(t, alku, t.pituus(), true);
    kay(lahde, k, {}, alku);
  } catch (const Loppui&) {
  }
  return k.asiakirjoja > 0 ? k.loppu : alku;
}

void loppuunValit(Kirjaus& kirja, const std::string& arkisto) {
  const std::uint64_t loppu = kirja.arkistonLoppu();
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  const std::uint64_t pituus = t.pituus();
  if (pituus <= loppu) return;
  Lukuikkuna w(t);
  if (jalkiosanLoppu(w, loppu, pituus) != pituus) return;
  KirjanOsa k;
  k.siirretty = true;
  k.kohta = loppu;
  k.loppu = pituus;
  kirja.kirjaa(k);
}

}  // namespace sisa

using namespace sisa;

std::optional<std::uint64_t> jatkonAlku(const std::string& arkisto, const KirjanOtsikko& o, std::uint64_t loppu,
                                        std::uint64_t pituus) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  vaadiAvain(a);
  const std::string mita = ansi("Arkistoon ") + arkisto + ansi(" paloittelun jälkeen tulleet tavut ") +
                           std::to_string(loppu) + "-" + std::to_string(pituus);
  const std::string eiKirjoitettu = ansi(": niitä ei paloiteltu, eikä mitään kirjoitettu");
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  {
    Lukuikkuna w(t);
    // What may close a file after its last document is no new document: a finished end.
    const std::uint64_t k = jalkiosanLoppu(w, loppu, pituus);
    if (k >= pituus) return pituus;
    // A document begins with "<" (its declaration, a comment, its root) or the UTF-8 mark.
    const int c = w.tavu(k);
    if (c != '<' && c != 0xEF)
      throw euro::Virhe(euro::virhenro::kayttovirhe, mita + ansi(" eivät ala XML-asiakirjalla") + eiKirjoitettu);
  }
  Tarkastaja k(&a);
  try {
    RajattuLahde lahde(t, loppu, pituus, true);
    kay(lahde, k, {}, loppu);
  } catch (const Loppui&) {
  } catch (const Hylatty& h) {
    throw euro::Virhe(euro::virhenro::kayttovirhe, mita + ansi(" eivät kelpaa (") + h.viesti + ")" + eiKirjoitettu);
  }
  if (k.asiakirjoja > 0) return loppu;
  // Its first document is not whole yet: it waits while it may still be written.
  if (alusta::kirjoittaakoMuu(arkisto) == false)
    throw euro::Virhe(euro::virhenro::kayttovirhe,
                      mita + ansi(" ovat kesken jäänyt XML-asiakirja, jota ei enää kirjoiteta") + eiKirjoitettu);
  return std::nullopt;
}

}  // namespace split::camt
