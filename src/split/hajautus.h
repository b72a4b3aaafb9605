// The tables in memory that find a company file by its name: a name's 64-bit key and hash,
// a flat table of 64-bit keys to 64-bit values, and one of records kept elsewhere by their keys.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"

namespace split {

// FNV-1a of the bytes: the journal's checksums and names, the summary's table of paths.
inline std::uint64_t fnv1a(std::string_view s) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// A name as a 64-bit key of the tables in memory (never written anywhere): eight bytes at a
// time, a name costs a few multiplications instead of one a byte.
inline std::uint64_t avainNimesta(std::string_view s) {
  std::uint64_t h = 0x9e3779b97f4a7c15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = (h ^ w) * 0xff51afd7ed558ccdull;
    h ^= h >> 32;
  }
  std::uint64_t w = 0;
  std::memcpy(&w, s.data() + i, s.size() - i);
  h = (h ^ w) * 0xc4ceb9fe1a85ec53ull;
  return h ^ (h >> 29);
}

// A name as the file system compares it (Windows in any case), as a 64-bit hash: the
// lengths of tens of thousands of files stay in memory without a string each. Two names of
// one hash could only make a file look there when it is not (a look more) or not there when
// it is (its making then refuses it).
inline std::uint64_t nimiTiiviste(const std::string& n) {
  if constexpr (alusta::onWindows) return avainNimesta(euro::isoksi(n));
  return avainNimesta(n);
}

// 64-bit keys to values (64-bit unless a smaller one does) in one flat table: a lookup per
// batch costs no allocation and seldom more than one cache line.
template <class Arvo>
class HajautusT {
 public:
  static constexpr Arvo eiArvoa = static_cast<Arvo>(~Arvo{0});

  const Arvo* hae(std::uint64_t avain) const {
    if (avaimet_.empty()) return nullptr;
    avain |= 1;  // 0 marks a free place
    const std::size_t i = paikka(avain);
    return avaimet_[i] == avain ? &arvot_[i] : nullptr;
  }
  // The value of a key that is there, to change in place; none when it is not.
  Arvo* hae(std::uint64_t avain) {
    return const_cast<Arvo*>(static_cast<const HajautusT&>(*this).hae(avain));
  }
  // The key's value, eiArvoa when it was not there.
  Arvo& lisaa(std::uint64_t avain) {
    avain |= 1;
    // One probe finds the key or the free place it would take. A key already there never grows
    // the table: a table held at its bound by its owner would otherwise double at the bound on
    // the next lookup of a known key. Only a new key in a full table is placed again.
    if (!avaimet_.empty()) {
      const std::size_t i = paikka(avain);
      if (avaimet_[i] == avain) return arvot_[i];
      if (4 * (maara_ + 1) <= 3 * avaimet_.size()) return uusi(i, avain);
    }
    kasva();
    return uusi(paikka(avain), avain);
  }
  std::size_t koko() const { return maara_; }
  void tyhjenna() {
    if (maara_ == 0) return;
    std::fill(avaimet_.begin(), avaimet_.end(), 0);
    maara_ = 0;
  }

 private:
  // The key's place (avain with its low bit set), or the free place it would take.
  std::size_t paikka(std::uint64_t avain) const {
    std::size_t i = avain & maski_;
    while (avaimet_[i] != avain && avaimet_[i] != 0) i = (i + 1) & maski_;
    return i;
  }
  Arvo& uusi(std::size_t i, std::uint64_t avain) {
    avaimet_[i] = avain;
    arvot_[i] = eiArvoa;
    ++maara_;
    return arvot_[i];
  }
  void kasva() {
    std::vector<std::uint64_t> a = std::move(avaimet_);
    std::vector<Arvo> v = std::move(arvot_);
    const std::size_t koko = std::max<std::size_t>(64, a.size() * 2);
    avaimet_.assign(koko, 0);
    arvot_.assign(koko, 0);
    maski_ = koko - 1;
    maara_ = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i] != 0) lisaa(a[i]) = v[i];
  }

  std::vector<std::uint64_t> avaimet_;
  std::vector<Arvo> arvot_;
  std::size_t maski_ = 0, maara_ = 0;
};

using Hajautus = HajautusT<std::uint64_t>;

// Records kept elsewhere, numbered in the order they came, found by their 64-bit keys: a place
// is 4 bytes (1 + the record's number; 0: free) and the key is read from the record, so that a
// hundred thousand cost 1 MiB and a growth half that again beside it.
class Paikat {
 public:
  static constexpr std::uint32_t eiPaikkaa = ~std::uint32_t{0};

  // The number of the key's record, eiPaikkaa when none; avain(n) gives record n's key.
  template <class A>
  std::uint32_t hae(std::uint64_t k, const A& avain) const {
    return etsi(k, [&](std::uint32_t n) { return avain(n) == k; });
  }
  // The first record from key k's place on for which sama(n) holds (a record compared by more
  // than its key); eiPaikkaa when none.
  template <class S>
  std::uint32_t etsi(std::uint64_t k, const S& sama) const {
    if (p_.empty()) return eiPaikkaa;
    for (std::size_t i = k & maski_; p_[i] != 0; i = (i + 1) & maski_)
      if (sama(p_[i] - 1)) return p_[i] - 1;
    return eiPaikkaa;
  }
  // Record n, whose key k has none yet.
  template <class A>
  void lisaa(std::uint64_t k, std::uint32_t n, const A& avain) {
    if (4 * (maara_ + 1) > 3 * p_.size()) kasva(avain);
    std::size_t i = k & maski_;
    while (p_[i] != 0) i = (i + 1) & maski_;
    p_[i] = n + 1;
    ++maara_;
  }
  std::size_t tavuja() const { return p_.size() * sizeof(std::uint32_t); }
  void tyhjenna() {
    if (maara_ == 0) return;
    std::fill(p_.begin(), p_.end(), 0);
    maara_ = 0;
  }

 private:
  template <class A>
  void kasva(const A& avain) {
    std::vector<std::uint32_t> vanhat = std::move(p_);
    p_.assign(std::max<std::size_t>(64, vanhat.size() * 2), 0);
    maski_ = p_.size() - 1;
    for (const std::uint32_t p : vanhat) {
      if (p == 0) continue;
      std::size_t i = avain(p - 1) & maski_;
      while (p_[i] != 0) i = (i + 1) & maski_;
      p_[i] = p;
    }
  }

  std::vector<std::uint32_t> p_;
  std::size_t maski_ = 0, maara_ = 0;
};

}  // namespace split
