// The recovery's comparer: a cut-off segment's batches against what their company files hold.
#pragma once

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/lue.h"
#include "split/tito/jako.h"

namespace split::tito {

// Compares a declared segment's batches with what their company files hold from the
// recorded lengths on: per file, how many of its batches are there whole, and whether the
// file ends inside the next one (whose own bytes may then be cut).
class Vertaaja {
 public:
  struct Tila {
    std::uint64_t pituus = 0;  // now
    std::uint64_t kohta = 0;   // the next byte to compare
    std::uint64_t eranAlku = 0;
    std::uint64_t ehjia = 0;   // whole batches found
    std::uint64_t ehjiaRiveja = 0;  // and their lines
    bool vertaillaan = true;
    std::optional<std::uint64_t> leikkaa;
  };
  std::unordered_map<std::string, Tila> tiedostot;

  void avaa(const std::string& polku, const std::string& nimi, std::optional<std::uint64_t>, bool) {
    lopetaEra();
    nyt_ = &tiedostot.at(nimi);
    if (!nyt_->vertaillaan) return;
    nyt_->eranAlku = nyt_->kohta;
    rivinAlku_ = nyt_->kohta;
    ensimmaisella_ = true;
    eranRivit_ = 0;
    if (nyt_->kohta >= nyt_->pituus) {
      nyt_->vertaillaan = false;
      return;
    }
    tiedosto_.avaa(polku, alusta::Tila::muokkaa);
  }

  void lisaa(const char* d, std::size_t n) {
    while (nyt_ && nyt_->vertaillaan && n > 0) {
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>({n, nyt_->pituus - nyt_->kohta, sizeof b_}));
      if (k == 0) {
        // The file ends inside the batch, on bytes that are its own: they go.
        nyt_->leikkaa = nyt_->eranAlku;
        nyt_->vertaillaan = false;
        return;
      }
      lueKohdasta(tiedosto_, nyt_->kohta, b_, k);
      if (std::memcmp(b_, d, k) != 0) {
        // Other bytes where a line of the batch should be. A batch has one T00 line, its
        // first: unless a T00 line stands where the difference is, after whole lines of this
        // batch, the other bytes began where this batch would have (another run's batch,
        // alike so far), and this batch is not there. A part of this batch followed by
        // another batch is something nothing may cut.
        if (!ensimmaisella_ && onT00Rivi(rivinAlku_))
          throw euro::Virhe(euro::virhenro::kayttovirhe,
                            euro::ansi("Yritystiedostossa on keskeytyneen erän jälkeen muuta (kohta ") +
                                std::to_string(nyt_->eranAlku) + "): " + tiedosto_.polku());
        nyt_->vertaillaan = false;
        return;
      }
      nyt_->kohta += k;
      d += k;
      n -= k;
    }
  }
  void rivinLoppu() {
    ensimmaisella_ = false;
    if (nyt_) rivinAlku_ = nyt_->kohta;
    ++eranRivit_;
  }
  void tyhjenna() {}
  void sulje() { lopetaEra(); }

 private:
  bool onT00Rivi(std::uint64_t kohta) {
    char t[3];
    if (nyt_->pituus - kohta < 3) return false;
    tiedosto_.siirry(kohta);
    std::size_t n = 0;
    while (n < 3) {
      const std::size_t m = tiedosto_.lue(t + n, 3 - n);
      if (m == 0) return false;
      n += m;
    }
    return jako::onT00(t, 3);
  }

  void lopetaEra() {
    if (nyt_ && nyt_->vertaillaan) {
      ++nyt_->ehjia;
      nyt_->ehjiaRiveja += eranRivit_;
    }
    nyt_ = nullptr;
    tiedosto_.suljeHiljaa();
  }

  Tila* nyt_ = nullptr;
  bool ensimmaisella_ = false;
  std::uint64_t rivinAlku_ = 0;  // where the batch's current line begins in the file
  std::uint64_t eranRivit_ = 0;
  alusta::Tiedosto tiedosto_;
  char b_[64 * 1024];
};

}  // namespace split::tito
