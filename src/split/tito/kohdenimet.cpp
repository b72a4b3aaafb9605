#include "split/tito/kohdenimet.h"

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/muoto.h"
#include "split/nimi.h"
#include "split/tiedostolaji.h"

namespace split::tito {

namespace {

// Names decided in one run: a target of very many companies starts the table again rather
// than grow it without end (a name is then looked at on the disk again).
constexpr std::size_t valintojaEnintaan = 1 << 15;
// The own files' names are the most of a large run, and the split's own table of the target's
// names answers first: a quarter of the bound keeps this one a small part of the peak.
constexpr std::size_t omiaEnintaan = 1 << 13;
constexpr int numerojaEnintaan = 1000;
// A listed name's value once its own file was found to take its batches.
constexpr std::uint8_t omaTiedosto = 1;

}  // namespace

const std::string& Kohdenimet::valitse(const std::string& nimi, std::size_t loppu, bool& toinen, bool poissa) {
  toinen = false;
  // Most runs take no name in another's place: the table is not hashed into for nothing.
  if (!valinnat_.empty()) {
    auto i = valinnat_.find(nimi);
    if (i != valinnat_.end()) {
      toinen = i->second.toinen;
      return i->second.tiedosto;
    }
  }
  if (poissa) return nimi;
  std::uint8_t* listassa = nullptr;
  std::uint64_t h = 0;
  if (listattu_) {
    listassa = lista_.hae(nimiTiiviste(nimi));
    if (!listassa) return nimi;
    if (*listassa == omaTiedosto) return nimi;
  } else {
    h = avainNimesta(nimi);
    if (omat_.hae(h)) return nimi;
  }
  if (loppu > nimi.size()) loppu = 0;
  std::string tiedosto = nimi;
  Tiedostolaji laji = tiedostolaji(kohde_ + tiedosto);
  const Tiedostolaji ensimmainen = laji;
  for (int n = 2; laji == Tiedostolaji::tunnistettu || laji == Tiedostolaji::linkki || laji == Tiedostolaji::erikoinen; ++n) {
    if (n > numerojaEnintaan) euro::heitaVirhe(euro::virhenro::tiedostoOnJo, kohde_ + nimi);
    const std::string_view n1(nimi);
    const std::optional<std::string> numeroitu = numeroituNimi(n1.substr(0, n1.size() - loppu), n1.substr(n1.size() - loppu), n);
    if (!numeroitu)
      euro::heitaVirhe(euro::virhenro::virheellinenNimi,
                       kohde_ + nimi.substr(0, nimi.size() - loppu) + "-" + std::to_string(n) + nimi.substr(nimi.size() - loppu));
    tiedosto = *numeroitu;
    laji = tiedostolaji(kohde_ + tiedosto);
  }
  toinen = tiedosto != nimi;
  if (toinen && y_ && y_->huomautukset.size() < Yhteenveto::tiedostoraja) {
    // The format whose statements the file holds, by its own name (XML, VIITE, ...).
    const std::string miksi =
        ensimmainen == Tiedostolaji::tunnistettu
            ? euro::ansi(" on ") + std::string(muotoTiedostolle(kohde_ + nimi).nimi()) +
                  euro::ansi("-tiliotetiedosto, johon TITO-eriä ei lisätä: kirjoitettu tiedostoon ")
        : ensimmainen == Tiedostolaji::linkki
            ? euro::ansi(" on linkki, jonka läpi ei kirjoiteta: kirjoitettu tiedostoon ")
            : euro::ansi(" ei ole tavallinen tiedosto (putki, pistoke tai laite): kirjoitettu tiedostoon ");
    y_->huomautukset.push_back(kohde_ + nimi + miksi + kohde_ + tiedosto);
  }
  if (!toinen) {
    if (listassa) {
      *listassa = omaTiedosto;
    } else {
      if (omat_.koko() >= omiaEnintaan) omat_.tyhjenna();
      omat_.lisaa(h);
    }
    return nimi;
  }
  if (valinnat_.size() >= valintojaEnintaan) valinnat_.clear();
  auto [j, _] = valinnat_.emplace(nimi, Valinta{std::move(tiedosto), toinen});
  return j->second.tiedosto;
}

void Kohdenimet::luetteleKohde() {
  // Every entry, not only the ordinary files: a FIFO at a name must be looked at.
  bool kaikki = true;
  alusta::kayKansio(kohde_.empty() ? kohde_ : kohde_.substr(0, kohde_.size() - 1), [&](const std::string& n) {
    kaikki = lista_.koko() < valintojaEnintaan;
    if (kaikki) lista_.lisaa(nimiTiiviste(n));
    return kaikki;
  });
  if (!kaikki) {
    lista_ = {};
    return;
  }
  listattu_ = true;
}

void Kohdenimet::aseta(const std::string& nimi, const std::string& tiedosto) {
  // A recorded decision stands: another file's is looked up before the own names.
  if (tiedosto == nimi) {
    valinnat_.erase(nimi);
    if (std::uint8_t* l = listattu_ ? lista_.hae(nimiTiiviste(nimi)) : nullptr) *l = omaTiedosto;
    else omat_.lisaa(avainNimesta(nimi));
  } else {
    valinnat_[nimi] = Valinta{tiedosto, true};
  }
}

}  // namespace split::tito
