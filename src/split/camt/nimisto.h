// The company file names of the XML split's segments, each held once: a file of many companies
// names each of them in segment after segment, and the check keeps more of it in its bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "split/hajautus.h"

namespace split::camt::sisa {

// A group's file name: alku + loppu is the plain name, alku + "-n" + loppu the others.
struct RyhmanNimi {
  std::string_view alku, loppu;
  std::string nimi1() const { return std::string(alku).append(loppu); }
};

// Names by number, in the order they came: the text one after another, 8 bytes a name beside
// it, and a table of 4-byte places, at most three quarters full, that finds one by its bytes.
// A name is its whole text and where its "-n" goes: the same text split elsewhere is another.
class Nimisto {
 public:
  static constexpr std::uint32_t eiNimea = ~std::uint32_t{0};

  // The name's number, and whether it is new here.
  std::uint32_t anna(std::string_view alku, std::string_view loppu, bool& uusi) {
    uusi = false;
    const std::uint64_t h = tiiviste(alku, loppu);
    if (4 * (paikat_.size() + 1) > 3 * haku_.size()) kasva();
    std::size_t i = h & maski_;
    for (; haku_[i] != 0; i = (i + 1) & maski_)
      if (on(haku_[i] - 1, alku, loppu)) return haku_[i] - 1;
    if (teksti_.size() + alku.size() + loppu.size() > 0xFFFFFFFFu || paikat_.size() >= eiNimea - 1) return eiNimea;
    paikat_.push_back({static_cast<std::uint32_t>(teksti_.size()), static_cast<std::uint32_t>(alku.size())});
    teksti_.append(alku).append(loppu);
    haku_[i] = static_cast<std::uint32_t>(paikat_.size());
    uusi = true;
    return haku_[i] - 1;
  }

  RyhmanNimi nimi(std::uint32_t n) const {
    const std::string_view t(teksti_);
    const Paikka& p = paikat_[n];
    const std::size_t loppu = n + 1 < paikat_.size() ? paikat_[n + 1].alku : teksti_.size();
    return {t.substr(p.alku, p.alkuPituus), t.substr(p.alku + p.alkuPituus, loppu - p.alku - p.alkuPituus)};
  }

  std::size_t koko() const { return paikat_.size(); }
  // The table that finds names by their bytes let go: the split only reads them by number (a
  // later anna builds it again).
  void unohdaHaku() {
    std::vector<std::uint32_t>().swap(haku_);
    maski_ = 0;
  }
  // What a new name of n bytes adds: up to three places each once the table has grown.
  static constexpr std::size_t hinta(std::size_t n) { return n + sizeof(Paikka) + 3 * sizeof(std::uint32_t); }

 private:
  struct Paikka {
    std::uint32_t alku, alkuPituus;
  };
  static std::uint64_t tiiviste(std::string_view alku, std::string_view loppu) {
    return avainNimesta(alku) ^ (avainNimesta(loppu) * 0x9e3779b97f4a7c15ull);
  }
  bool on(std::uint32_t n, std::string_view alku, std::string_view loppu) const {
    const RyhmanNimi m = nimi(n);
    return m.alku == alku && m.loppu == loppu;
  }
  void kasva() {
    std::size_t koko = std::max<std::size_t>(64, haku_.size() * 2);
    while (4 * (paikat_.size() + 1) > 3 * koko) koko *= 2;
    haku_.assign(koko, 0);
    maski_ = haku_.size() - 1;
    for (std::uint32_t n = 0; n < paikat_.size(); ++n) {
      const RyhmanNimi m = nimi(n);
      std::size_t i = tiiviste(m.alku, m.loppu) & maski_;
      while (haku_[i] != 0) i = (i + 1) & maski_;
      haku_[i] = n + 1;
    }
  }

  std::string teksti_;
  std::vector<Paikka> paikat_;
  std::vector<std::uint32_t> haku_;  // 1 + the name's number; 0: free
  std::size_t maski_ = 0;
};

}  // namespace split::camt::sisa
