// The flat table of 64-bit keys that the splits look every batch and file up in: whatever the
// order of new and known keys, it answers as a map does, and a known key never grows it.
#include "split/hajautus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace {

TEST(Hajautus, VastaaKutenMalli) {
  struct Tapaus {
    const char* kuvaus;
    std::uint64_t avaimia;  // distinct keys drawn from
    int siirto;             // the keys' shift: 1 keeps bit 0 free, more leaves the low bits alike
  };
  // Few keys (most steps find one), about as many as steps, and keys that share low bits.
  const Tapaus tapaukset[] = {{"vähän avaimia", 50, 1}, {"paljon avaimia", 1u << 20, 1}, {"samat alabitit", 300, 21}};
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::mt19937_64 arpa(42);
    split::HajautusT<std::uint32_t> h;
    std::unordered_map<std::uint64_t, std::uint32_t> malli;
    for (int i = 0; i < 20000; ++i) {
      const std::uint64_t k = (arpa() % t.avaimia) << t.siirto;
      if (arpa() % 3 == 0) {
        const std::uint32_t* v = h.hae(k);
        const auto m = malli.find(k);
        ASSERT_EQ(v != nullptr, m != malli.end()) << i;
        if (v) {
          EXPECT_EQ(*v, m->second) << i;
        }
        continue;
      }
      const bool uusi = !malli.count(k);
      std::uint32_t& v = h.lisaa(k);
      ASSERT_EQ(v == split::HajautusT<std::uint32_t>::eiArvoa, uusi) << i;
      v = static_cast<std::uint32_t>(i);
      malli[k] = v;
      ASSERT_EQ(h.koko(), malli.size()) << i;
    }
    for (const auto& [k, v] : malli) ASSERT_NE(h.hae(k), nullptr);
    for (const auto& [k, v] : malli) EXPECT_EQ(*h.hae(k), v);
  }
}

// A table full up to its growth point takes its known keys again in place: a value's address
// stays, so the table did not move.
TEST(Hajautus, TunnettuAvainEiKasvata) {
  split::HajautusT<std::uint8_t> h;
  std::uint64_t k = 2;
  for (; h.koko() < 48; k += 2) h.lisaa(k) = 1;  // 48 of 64 places: the next new key grows it
  const std::uint8_t* ennen = h.hae(2);
  for (std::uint64_t j = 2; j < k; j += 2) EXPECT_EQ(h.lisaa(j), 1);
  EXPECT_EQ(h.hae(2), ennen);
  h.lisaa(k) = 1;
  EXPECT_NE(h.hae(2), ennen);
  EXPECT_EQ(h.koko(), 49u);
}

}  // namespace
