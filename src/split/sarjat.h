// The ledger's per-series state in memory (jatkuvuus.h): a file may hold a hundred thousand
// accounts, so each series is a record of 40 bytes in blocks that never move, found by its key
// through a table of 4-byte places, and the hashes past a series' first are kept in blocks made
// only for the series that have them. Nothing is freed before the whole goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "split/hajautus.h"

namespace split {

// Elements in blocks of N: adding one never moves the others (no copy of the whole beside the
// old at the run's peak), and a reference stays good while more are added.
template <class T, std::size_t N>
class Lohkot {
 public:
  std::uint32_t lisaa() {
    if (n_ % N == 0) lohkot_.push_back(std::make_unique<T[]>(N));
    return static_cast<std::uint32_t>(n_++);
  }
  T& operator[](std::size_t i) { return lohkot_[i / N][i % N]; }
  const T& operator[](std::size_t i) const { return lohkot_[i / N][i % N]; }
  std::size_t koko() const { return n_; }

 private:
  std::vector<std::unique_ptr<T[]>> lohkot_;
  std::size_t n_ = 0;
};

class Sarjat {
 public:
  // Per series, the last statements known by their bytes; past these the oldest is replaced.
  static constexpr unsigned muistettavia = 32;

  // Currencies a series can name by number; past these a series names none.
  static constexpr std::uint32_t valuuttojaEnintaan = 1u << 10;

  struct Tila {
    std::uint64_t avain = 0;        // the hash of the series' key
    std::int64_t numero = 0;        // the highest number delivered, when onNumero
    std::int64_t loppusaldo = 0;    // the last closing balance, when onSaldo
    std::uint64_t ensimmainen = 0;  // the first remembered hash
    std::uint32_t jatke = 0;        // the rest: 1 + the first block's index; 0: none
    // In one word, so that a hundred thousand series take 40 bytes each.
    std::uint32_t valuutta : 10 = 0;    // its currency's number, given by the owner; 0: none
    std::uint32_t loppuVuosi : 14 = 0;  // the year the last period ended in (four digits); 0: none
    // Hashes remembered: below muistettavia their count; from it on all are in use and the one
    // replaced next is kertyma - muistettavia.
    std::uint32_t kertyma : 6 = 0;
    std::uint32_t onNumero : 1 = 0, onSaldo : 1 = 0;
  };

  // The series of the key, a new empty one when it had none.
  Tila& hae(std::uint64_t avain);
  bool tuntee(const Tila& s, std::uint64_t tiiviste) const;
  void muista(Tila& s, std::uint64_t tiiviste);
  std::size_t koko() const { return tilat_.koko(); }
  // The bytes the series and their hashes take (without what their last blocks leave unused).
  std::size_t tavuja() const;

 private:
  // The hashes past the first in four blocks, 1, 3, 6 and 21 of them, made as the series
  // grows: a series of two statements takes 16 bytes more, a full one is read in four steps.
  template <unsigned N>
  struct Jatke {
    std::uint64_t h[N] = {};
    std::uint32_t seuraava = 0;  // 1 + the next block's index; 0: none
  };
  template <class L>
  static auto& lohko(std::uint32_t& linkki, L& lohkot);
  std::uint64_t& paikka(Tila& s, unsigned i);

  Lohkot<Tila, 1024> tilat_;
  Lohkot<Jatke<1>, 2048> ykkoset_;
  Lohkot<Jatke<3>, 1024> kolmoset_;
  Lohkot<Jatke<6>, 512> kutoset_;
  Lohkot<Jatke<21>, 256> suuret_;
  Paikat paikat_;
};

}  // namespace split
