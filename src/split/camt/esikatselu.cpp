// The preview of an XML statement file: one line per statement, every key's candidate.
#include <functional>
#include <optional>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt/camt.h"
#include "split/camt/kaynti.h"
#include "split/esikatselu.h"

namespace split::camt {

using namespace sisa;
using euro::ansi;

void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                const std::function<void(const std::string&)>& ulos) {
  class Esikatselija : public Kasittelija {
   public:
    Esikatselija(const PaloitteluAsetukset& a, const std::function<void(const std::string&)>& ulos)
        : valittu_(valittuAvain(a)), ulos_(ulos) {}
    void lausunto(const Asiakirja& d, const Lausunto& l) override {
      puskuri_ += paikka(d.numero, l.rivi, l.alku) + "Id " + tunniste(l);
      for (Avain k : {Avain::asiakastunnus, Avain::tilinumero, Avain::tilinomistajanNimi}) {
        static const char* const nimet[] = {"asiakastunnus", "tilinumero", "nimi"};
        const std::string* t = avaimenTeksti(l, k);
        const bool merkitty = valittu_ == k;
        puskuri_ += std::string(" | ") + (merkitty ? ">>" : "") + nimet[static_cast<int>(k)] + " " +
                    (t ? euro::utf8Ansi(trimmaaXml(*t)) : "-") + (merkitty ? "<<" : "");
      }
      const auto [alku, loppu] = jakso(d, l);
      puskuri_ += " | jakso " + (alku.empty() ? std::string("-") : alku + "-" + loppu) + "\r\n";
      if (puskuri_.size() >= 64 * 1024) {
        ulos_(puskuri_);
        puskuri_.clear();
      }
    }
    void asiakirjanLoppu(const Asiakirja&) override {}
    std::string puskuri_;

   private:
    std::optional<Avain> valittu_;
    const std::function<void(const std::string&)>& ulos_;
  };
  Esikatselija e(a, ulos);
  e.puskuri_ = ansi("XML-tiliotetiedoston tiliotteet, >>avain<< = paloitteluehto") + "\r\n";
  if (!valittuAvain(a)) e.puskuri_ += positiotEivatKay + "\r\n";
  e.puskuri_ += "\r\n";
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  TiedostoLahde lahde(t);
  try {
    kay(lahde, e);
  } catch (const Hylatty& h) {
    throw HylattyTiedosto(euro::virhenro::kayttovirhe, polku + ": " + h.viesti);
  }
  ulos(e.puskuri_);
}

}  // namespace split::camt
