// The XML split passing over statements delivered before, as the run will hand them to it: in
// place, or archived with them in its journal's header.
#pragma once

#include <memory>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/camt/muoto.h"
#include "split/kirjuri.h"
#include "split/muoto.h"
#include "split/tiliote.h"

namespace vika {

// The statement file checked, then split in place into a.kohdehakemisto.
inline split::Yhteenveto paikallaanOhittaen(const split::PaloitteluAsetukset& a, const split::Ohitettavat& ohita) {
  std::string syy;
  const std::unique_ptr<split::Paloittelija> jako = split::camt::muoto().tarkista(a.tiliotetiedosto, a, syy);
  if (!jako) throw euro::Virhe(euro::virhenro::kayttovirhe, syy);
  split::Yhteenveto y;
  jako->jaa(a.tiliotetiedosto, a.kohdehakemisto + alusta::erotin, y, ohita);
  return y;
}

// The statement file checked, its journal made with ohita in the header, the file moved into
// TUODUT beside it under leima and split under the journal; the journal gone at the end.
inline split::Yhteenveto arkistoidenOhittaen(const split::PaloitteluAsetukset& a, const std::string& leima,
                                              const split::Ohitettavat& ohita) {
  const split::Muoto& muoto = split::camt::muoto();
  std::string syy;
  const std::unique_ptr<split::Paloittelija> jako = muoto.tarkista(a.tiliotetiedosto, a, syy);
  if (!jako) throw euro::Virhe(euro::virhenro::kayttovirhe, syy);
  const std::string& p = a.tiliotetiedosto;
  const std::size_t erotin = p.find_last_of(alusta::erotin);
  split::KirjanOtsikko o = split::otsikkoAsetuksista(a, muoto.nimi(), p.substr(0, erotin) + alusta::erotin + "TUODUT",
                                                     a.kohdehakemisto + alusta::erotin);
  if (!split::varmistaHakemisto(o.tuodut)) throw euro::Virhe(euro::virhenro::kayttovirhe, o.tuodut);
  o.ohitettavat = ohita;
  split::Kirjuri kirjuri(nullptr, nullptr, a.saadot);
  split::Paivakirja kirja;
  const std::string arkisto = kirjuri.varaa(kirja, o, leima, p.substr(erotin + 1));
  alusta::nimeaUudelleen(p, arkisto);
  split::Yhteenveto y;
  kirjuri.jaa(kirja, muoto, *jako, o, arkisto, o.kohde, y);
  return y;
}

}  // namespace vika
