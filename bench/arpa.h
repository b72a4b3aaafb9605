// The generators' random numbers: the same seed gives the same file on every system.
#pragma once

#include <cstdint>
#include <vector>

namespace generaattori {

// splitmix64: fully specified, so no library's distribution decides the output.
// An expression draws at most once, or only inside a braced list: the order in which function
// arguments and the operands of + are evaluated differs between compilers.
class Arpa {
 public:
  explicit Arpa(std::uint64_t siemen) : tila_(siemen) {}
  std::uint64_t seuraava() {
    std::uint64_t z = (tila_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0..n-1; the modulo bias is far below anything a test file could show.
  int alle(int n) { return static_cast<int>(seuraava() % static_cast<std::uint64_t>(n)); }
  std::int64_t valilta(std::int64_t a, std::int64_t b) {
    return a + static_cast<std::int64_t>(seuraava() % static_cast<std::uint64_t>(b - a + 1));
  }
  bool prosentti(int p) { return alle(100) < p; }
  template <class T>
  const T& valitse(const std::vector<T>& v) {
    return v[static_cast<std::size_t>(alle(static_cast<int>(v.size())))];
  }

 private:
  std::uint64_t tila_;
};

}  // namespace generaattori
