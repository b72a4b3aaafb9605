// What the XML split remembers of the files this run wrote or looked at, so that a later
// segment's group for one of them needs no look at the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "split/hajautus.h"

namespace split::camt::sisa {

// The files this run has written, with what they end with, are remembered up to this many.
constexpr std::size_t muistettujaEnintaan = 65536;
// ... and the different closing parts among them.
constexpr std::size_t hannatEnintaan = 4096;
constexpr std::size_t eiTunnusta = static_cast<std::size_t>(-1);

// A file this run wrote or looked at: what it can take.
struct Tila {
  std::size_t tunnus = eiTunnusta;
  std::uint64_t pituus = 0;
  std::string hanta;
  bool jatkettava = false;
};

// What a file this run wrote or looked at ends with, by its name's hash: 16 bytes a file, the
// closing parts (the same for the files of one document) held once each. A name of another
// file with the same hash and length would still be caught: a cut checks the bytes. What does
// not fit a record (a file of a terabyte, a message form past the 2,047th) is not remembered:
// the file is looked at again.
class Muisti {
 public:
  // Room for all at once, before the segments are written: no copy beside the old at the
  // run's peak. A run that writes each file once remembers only a few and takes none.
  void varaa() { muistetut_.reserve(muistettujaEnintaan); }
  std::optional<Tila> muistettu(const std::string& nimi) const {
    const std::uint32_t i = tilaHaku_.hae(nimiTiiviste(nimi), avain());
    if (i == Paikat::eiPaikkaa) return std::nullopt;
    const std::uint64_t m = muistetut_[i].tiedot;
    Tila t;
    t.pituus = m & pituusMaski;
    if (const std::uint64_t h = (m >> pituusBitit) & hantaMaski; h != eiJatkettava) {
      t.tunnus = static_cast<std::size_t>(m >> (pituusBitit + hantaBitit));
      t.hanta = hannat_[static_cast<std::size_t>(h)];
      t.jatkettava = true;
    }
    return t;
  }

  void muista(const std::string& nimi, const Tila& t) {
    const std::uint64_t k = nimiTiiviste(nimi);
    std::uint32_t i = tilaHaku_.hae(k, avain());
    const bool mahtuu = t.pituus < pituusMaski && (!t.jatkettava || t.tunnus < tunnusRaja);
    // Files come back in the order they came (a document's accounts, again in the next one):
    // past the bound the first ones are kept, not cleared for the newest, which would come back
    // only after the bound again.
    if (i == Paikat::eiPaikkaa && (!mahtuu || muistetut_.size() >= muistettujaEnintaan)) return;
    if (!mahtuu) {
      // What is remembered of it no longer holds: a length no file it holds has, and nothing
      // to extend should one have it.
      muistetut_[i].tiedot = pituusMaski | eiJatkettava << pituusBitit;
      return;
    }
    if (t.jatkettava && hannat_.size() >= hannatEnintaan && !hantaHaku_.count(t.hanta)) {
      tilaHaku_.tyhjenna();
      muistetut_.clear();
      hannat_.clear();
      hantaHaku_.clear();
      i = Paikat::eiPaikkaa;
    }
    std::uint64_t h = eiJatkettava, tunnus = 0;
    if (t.jatkettava) {
      h = hantaHaku_.try_emplace(t.hanta, static_cast<std::uint32_t>(hannat_.size())).first->second;
      if (h == hannat_.size()) hannat_.push_back(t.hanta);
      tunnus = t.tunnus;
    }
    const Muistettu m{k, t.pituus | h << pituusBitit | tunnus << (pituusBitit + hantaBitit)};
    if (i != Paikat::eiPaikkaa) {
      muistetut_[i] = m;
      return;
    }
    muistetut_.push_back(m);
    tilaHaku_.lisaa(k, static_cast<std::uint32_t>(muistetut_.size() - 1), avain());
  }

 private:
  // A record's 64 bits past the name's hash: the length, the closing part's number
  // (eiJatkettava: none) and the message form.
  static constexpr unsigned pituusBitit = 40, hantaBitit = 13;
  static constexpr std::uint64_t pituusMaski = (std::uint64_t{1} << pituusBitit) - 1;
  static constexpr std::uint64_t hantaMaski = (std::uint64_t{1} << hantaBitit) - 1;
  static constexpr std::uint64_t eiJatkettava = hantaMaski;
  static constexpr std::size_t tunnusRaja = std::size_t{1} << (64 - pituusBitit - hantaBitit);
  static_assert(hannatEnintaan < eiJatkettava);
  struct Muistettu {
    std::uint64_t nimi;  // the name's hash
    std::uint64_t tiedot;
  };
  struct Avain {
    const std::vector<Muistettu>* v;
    std::uint64_t operator()(std::uint32_t i) const { return (*v)[i].nimi; }
  };
  Avain avain() const { return {&muistetut_}; }
  // The files by their names' hashes: 4 bytes a place, the hash in the file's record.
  Paikat tilaHaku_;
  std::vector<Muistettu> muistetut_;
  std::vector<std::string> hannat_;
  std::unordered_map<std::string, std::uint32_t> hantaHaku_;
};

}  // namespace split::camt::sisa
