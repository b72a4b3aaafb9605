// The XML split's making of a company file's bytes: where a segment's group goes, and the
// bytes it adds, read from the statement file where they lie.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/camt/kaynti.h"
#include "split/camt/osat.h"
#include "split/camt/tavut.h"

namespace split::camt::sisa {

// Where a segment's group goes.
struct Ratkaisu {
  std::string nimi;          // the file's name
  bool uusi = true;          // a new document, or one extended
  std::uint64_t pituus = 0;  // the extended file's length before, ending with hanta
  std::string hanta;
};

// The bytes a group adds to its file: a new file's head and end from its first document, the
// statements where they lie in the archive.
class Tuottaja {
 public:
  Tuottaja(const std::string& arkisto, const PaloitteluAsetukset& a)
      : tavut_(arkisto), paaTiedosto_(arkisto, alusta::Tila::lue), paa_(paaTiedosto_) {
    paa_.asetaKoko(std::min<std::size_t>(a.saadot.puskuri ? a.saadot.puskuri : 4096, 4096));
  }

  void lataa(std::uint64_t alku, std::uint64_t loppu) { tavut_.lataa(alku, loppu); }

  // The bytes a group adds to its file, in order; after each statement f(nullptr, 0, true).
  // d0: the group's first document; seuraava() gives its statements in order, then nullptr.
  template <class S, class F>
  void tuota(const Dok& d0, const Ratkaisu& x, S&& seuraava, F&& f) {
    auto anna = [&](const char* p, std::size_t n) { f(p, n, false); };
    bool paanPerassa = false;
    const Osat* o = x.uusi ? &osat(d0) : nullptr;
    if (o) {
      if (o->paaMuistissa) f(o->paa.data(), o->paa.size(), false);
      else tavut_.anna(o->paanAlku, d0.ensimmainen, anna);
      paanPerassa = true;
    }
    while (const Lau* seur = seuraava()) {
      const Lau& l = *seur;
      // The white space before it in the list goes with it, so the file keeps the bank's
      // layout; in a file just begun the head ends with it already.
      tavut_.annaLausunto(l.alku(), paanPerassa ? 0 : l.vali(), l.loppu(), anna);
      paanPerassa = false;
      f(nullptr, 0, true);
    }
    if (o) {
      if (o->hantaMuistissa) f(o->hanta.data(), o->hanta.size(), false);
      else tavut_.anna(d0.viimeinenLoppu, o->hannanLoppu, anna);
    } else {
      f(x.hanta.data(), x.hanta.size(), false);
    }
  }

  // A document's head and end, which every new file made from it takes: found and read once
  // per document, and held when short.
  struct Osat {
    std::uint64_t juuri = ~std::uint64_t{0};
    std::uint64_t paanAlku = 0, hannanLoppu = 0;
    std::string paa, hanta;
    bool paaMuistissa = false, hantaMuistissa = false;
  };
  const Osat& osat(const Dok& d0) {
    if (osat_.juuri == d0.juuri) return osat_;
    Asiakirja d;
    d.edellinenLoppu = d0.edellinenLoppu;
    d.juuri = d0.juuri;
    osat_ = Osat{};
    osat_.paanAlku = paanAlku(paa_, d);
    osat_.hannanLoppu = hannanLoppu(paa_, d0.loppu);
    osat_.paaMuistissa = d0.ensimmainen - osat_.paanAlku <= hannanRaja;
    if (osat_.paaMuistissa)
      tavut_.anna(osat_.paanAlku, d0.ensimmainen, [&](const char* p, std::size_t n) { osat_.paa.append(p, n); });
    osat_.hantaMuistissa = osat_.hannanLoppu - d0.viimeinenLoppu <= hannanRaja;
    if (osat_.hantaMuistissa)
      tavut_.anna(d0.viimeinenLoppu, osat_.hannanLoppu, [&](const char* p, std::size_t n) { osat_.hanta.append(p, n); });
    osat_.juuri = d0.juuri;
    return osat_;
  }

 private:
  Tavut tavut_;
  alusta::Tiedosto paaTiedosto_;
  Lukuikkuna paa_;  // a document's head and end
  Osat osat_;
};

}  // namespace split::camt::sisa
