// Reads of every size: a read may give fewer bytes than asked at any time (a file that grows
// while it is read), so every reader of outside bytes is run with reads of one byte, short
// ones and whole ones. Lukuvuoro says how many bytes each read gives; Lukukoot puts that on
// every file read through the platform layer's fault hook, and an in-memory source asks it
// itself. Header only, without GoogleTest: the fuzzers use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"

namespace testi {

enum class Luku : unsigned char {
  yksi,       // one byte
  lyhyt,      // fewer than asked, at least one
  kokonainen  // all that was asked (as far as the input goes)
};

// The size of every read in turn: a schedule repeated, or drawn from a seed.
class Lukuvuoro {
 public:
  explicit Lukuvuoro(std::vector<Luku> aikataulu) : aikataulu_(std::move(aikataulu)) {}
  // Each read one byte, short or whole, short ones of any length, from the seed.
  explicit Lukuvuoro(std::uint64_t siemen) : tila_(siemen * 0x9E3779B97F4A7C15ull + 1), satunnainen_(true) {}
  // The fuzzers' byte: 0 whole reads, 1 one byte, 2 short, anything else drawn from it.
  static Lukuvuoro tavusta(std::uint8_t t) {
    if (t == 0) return Lukuvuoro({Luku::kokonainen});
    if (t == 1) return Lukuvuoro({Luku::yksi});
    if (t == 2) return Lukuvuoro({Luku::lyhyt});
    return Lukuvuoro(std::uint64_t{t});
  }

  // How many of the n bytes asked for the next read gives (n when n is 0).
  std::size_t koko(std::size_t n) {
    if (n <= 1) return n;
    if (satunnainen_) {
      const std::uint64_t r = seuraava();
      switch (r % 3) {
        case 0: return 1;
        case 1: return 1 + static_cast<std::size_t>((r >> 8) % (n - 1));
        default: return n;
      }
    }
    const Luku l = aikataulu_.empty() ? Luku::kokonainen : aikataulu_[kohta_++ % aikataulu_.size()];
    switch (l) {
      case Luku::yksi: return 1;
      case Luku::lyhyt: return n / 2;  // n >= 2: between 1 and n - 1
      case Luku::kokonainen: break;
    }
    return n;
  }

 private:
  std::uint64_t seuraava() {  // splitmix64
    std::uint64_t z = (tila_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  std::vector<Luku> aikataulu_;
  std::size_t kohta_ = 0;
  std::uint64_t tila_ = 0;
  bool satunnainen_ = false;
};

// For its lifetime every read of a file gives the bytes the schedule says. Questions go on to
// the hook installed before it, whose failures win.
class Lukukoot {
 public:
  explicit Lukukoot(Lukuvuoro vuoro) : vuoro_(std::move(vuoro)) {
    edellinen_ = alusta::asetaVikakoukku(
        [this](alusta::Vaihe vaihe, const std::string& polku, std::size_t n) -> std::optional<alusta::Vika> {
          std::optional<alusta::Vika> v = edellinen_ ? edellinen_(vaihe, polku, n) : std::nullopt;
          if (v || vaihe != alusta::Vaihe::lue) return v;
          ++lukuja;
          const std::size_t k = vuoro_.koko(n);
          if (k >= n) return std::nullopt;
          ++lyhyita;
          return alusta::Vika{0, k};
        });
  }
  ~Lukukoot() { alusta::asetaVikakoukku(std::move(edellinen_)); }
  Lukukoot(const Lukukoot&) = delete;
  Lukukoot& operator=(const Lukukoot&) = delete;

  std::size_t lukuja = 0;   // reads of files
  std::size_t lyhyita = 0;  // of them given fewer bytes than asked

 private:
  Lukuvuoro vuoro_;
  alusta::Vikakoukku edellinen_;
};

// The schedules a table-driven test goes through; whole reads first, the reference.
struct Aikataulu {
  const char* nimi;
  Lukuvuoro vuoro;
};
inline std::vector<Aikataulu> aikataulut() {
  return {
      {"kokonaiset", Lukuvuoro({Luku::kokonainen})},
      {"tavu kerrallaan", Lukuvuoro({Luku::yksi})},
      {"lyhyet", Lukuvuoro({Luku::lyhyt})},
      {"lyhyt ja kokonainen", Lukuvuoro({Luku::lyhyt, Luku::kokonainen})},
      {"tavu, kokonainen, lyhyt", Lukuvuoro({Luku::yksi, Luku::kokonainen, Luku::lyhyt, Luku::kokonainen})},
      {"satunnaiset 1", Lukuvuoro(std::uint64_t{1})},
      {"satunnaiset 29", Lukuvuoro(std::uint64_t{29})},
  };
}

}  // namespace testi
