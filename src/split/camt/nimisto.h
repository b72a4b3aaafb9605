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
// it, and a table of 4-byte places (Paikat) that finds one by its bytes.
// A name is its whole text and where its "-n" goes: the same text split elsewhere is another.
class Nimisto {
 public:
  static constexpr std::uint32_t eiNimea = ~std::uint32_t{0};

  // The name's number, and whether it is new here.
  std::uint32_t anna(std::string_view alku, std::string_view loppu, bool& uusi) {
    uusi = false;
    const std::uint64_t h = tiiviste(alku, loppu);
    const std::uint32_t n = haku_.etsi(h, [&](std::uint32_t m) { return on(m, alku, loppu); });
    if (n != Paikat::eiPaikkaa) return n;
    if (teksti_.size() + alku.size() + loppu.size() > 0xFFFFFFFFu || paikat_.size() >= eiNimea - 1) return eiNimea;
    paikat_.push_back({static_cast<std::uint32_t>(teksti_.size()), static_cast<std::uint32_t>(alku.size())});
    teksti_.append(alku).append(loppu);
    haku_.lisaa(h, static_cast<std::uint32_t>(paikat_.size() - 1), Avain{this});
    uusi = true;
    return static_cast<std::uint32_t>(paikat_.size() - 1);
  }

  RyhmanNimi nimi(std::uint32_t n) const {
    const std::string_view t(teksti_);
    const Paikka& p = paikat_[n];
    const std::size_t loppu = n + 1 < paikat_.size() ? paikat_[n + 1].alku : teksti_.size();
    return {t.substr(p.alku, p.alkuPituus), t.substr(p.alku + p.alkuPituus, loppu - p.alku - p.alkuPituus)};
  }

  std::size_t koko() const { return paikat_.size(); }
  // The table that finds names by their bytes let go, after the last anna: the split only
  // reads them by number.
  void unohdaHaku() { haku_ = Paikat{}; }
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
  // A name's key for the table, from its number.
  struct Avain {
    const Nimisto* nimisto;
    std::uint64_t operator()(std::uint32_t n) const {
      const RyhmanNimi m = nimisto->nimi(n);
      return tiiviste(m.alku, m.loppu);
    }
  };

  std::string teksti_;
  std::vector<Paikka> paikat_;
  Paikat haku_;  // the names by their bytes
};

}  // namespace split::camt::sisa
