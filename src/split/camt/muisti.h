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

// What a file this run wrote or looked at ends with, by its name's hash: a few bytes a file,
// the closing parts (the same for the files of one document) held once each. A name of
// another file with the same hash and length would still be caught: a cut checks the bytes.
class Muisti {
 public:
  // Room for all at once, before the segments are written: no copy beside the old at the
  // run's peak. A run that writes each file once remembers only a few and takes none.
  void varaa() { muistetut_.reserve(muistettujaEnintaan); }
  std::optional<Tila> muistettu(const std::string& nimi) const {
    const std::uint32_t i = tilaHaku_.hae(nimiTiiviste(nimi), avain());
    if (i == Paikat::eiPaikkaa) return std::nullopt;
    const Muistettu& m = muistetut_[i];
    Tila t;
    t.pituus = m.pituus;
    if (m.hanta != eiJatkettava) {
      t.tunnus = m.tunnus;
      t.hanta = hannat_[m.hanta];
      t.jatkettava = true;
    }
    return t;
  }

  void muista(const std::string& nimi, const Tila& t) {
    if (muistetut_.size() >= muistettujaEnintaan || hannat_.size() >= hannatEnintaan) {
      tilaHaku_.tyhjenna();
      muistetut_.clear();
      hannat_.clear();
      hantaHaku_.clear();
    }
    const std::uint64_t k = nimiTiiviste(nimi);
    Muistettu m{k, t.pituus, static_cast<std::uint32_t>(t.tunnus), eiJatkettava};
    if (t.jatkettava) m.hanta = hantaHaku_.try_emplace(t.hanta, static_cast<std::uint32_t>(hannat_.size())).first->second;
    if (m.hanta == hannat_.size()) hannat_.push_back(t.hanta);
    const std::uint32_t i = tilaHaku_.hae(k, avain());
    if (i != Paikat::eiPaikkaa) {
      muistetut_[i] = m;
      return;
    }
    muistetut_.push_back(m);
    tilaHaku_.lisaa(k, static_cast<std::uint32_t>(muistetut_.size() - 1), avain());
  }

 private:
  struct Muistettu {
    std::uint64_t nimi, pituus;  // the name's hash
    std::uint32_t tunnus, hanta;
  };
  static constexpr std::uint32_t eiJatkettava = ~std::uint32_t{0};
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
