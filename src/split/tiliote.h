// A statement as the office counts them: its identity, read by its format from its bytes, so
// that the run can tell whether it came whole, once and in sequence. The shared split code
// never reads a format's bytes for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace split {

struct Tiliote {
  std::string tili;                     // the account (IBAN or domestic number); empty when none
  std::optional<std::int64_t> numero;   // the statement's number in its account's series
  std::string alku, loppu;              // its period, "YYYY-MM-DD"; empty when none
  std::optional<std::int64_t> alkusaldo, loppusaldo;  // opening and closing balance, in cents
  std::string valuutta;                 // "EUR"; empty when the format does not say
  std::uint64_t tiiviste = 0;           // of its bytes (Tiivistaja)
  std::string yritys;                   // the company file's name, without its folder
  std::uint64_t kohta = 0, pituus = 0;  // its bytes in the file read
};

// A 64-bit hash of a unit's bytes, fed in pieces: the same bytes give the same value however
// they are read. Eight bytes a step, so that hashing keeps up with the disk.
class Tiivistaja {
 public:
  void lisaa(const char* p, std::size_t n) {
    pituus_ += n;
    while (n > 0 && k_ != 0) {
      lisaaTavu(static_cast<unsigned char>(*p++));
      --n;
    }
    while (n >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      sekoita(w);
      p += 8;
      n -= 8;
    }
    while (n > 0) {
      lisaaTavu(static_cast<unsigned char>(*p++));
      --n;
    }
  }
  std::uint64_t arvo() const {
    std::uint64_t h = h_;
    if (k_ != 0) h = (h ^ w_) * kerroin;
    h ^= pituus_;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
  }

 private:
  static constexpr std::uint64_t kerroin = 0x9E3779B97F4A7C15ull;
  void sekoita(std::uint64_t w) {
    h_ = (h_ ^ w) * kerroin;
    h_ = (h_ << 31) | (h_ >> 33);
  }
  // Little-endian, as memcpy reads a word on every machine this runs on.
  void lisaaTavu(unsigned char c) {
    w_ |= static_cast<std::uint64_t>(c) << (8 * k_);
    if (++k_ == 8) {
      sekoita(w_);
      w_ = 0;
      k_ = 0;
    }
  }
  std::uint64_t h_ = 0x243F6A8885A308D3ull;
  std::uint64_t w_ = 0;
  unsigned k_ = 0;
  std::uint64_t pituus_ = 0;
};

// The byte ranges [alku, loppu) of a statement file that hold statements delivered before:
// its split passes over every unit that begins inside one, so that each is delivered once.
// Sorted and apart; made by the run before anything is written (in place: while the split
// writes, a unit decided before it is written), kept in the journal's header.
class Ohitettavat {
 public:
  // Ranges a check still finds while the split asks: sisaltaa waits until the check has
  // passed the unit.
  class Kasvava {
   public:
    virtual bool sisaltaa(std::uint64_t kohta) const = 0;
    // The ranges in [alku, loppu), once the check has passed every unit that begins there.
    virtual Ohitettavat valilla(std::uint64_t alku, std::uint64_t loppu) const = 0;

   protected:
    ~Kasvava() = default;
  };
  Ohitettavat() = default;
  explicit Ohitettavat(const Kasvava* k) : kasvava_(k) {}

  // A unit's range, after those added before it: it joins the last range when they meet.
  void lisaa(std::uint64_t alku, std::uint64_t loppu) {
    if (alku >= loppu) return;
    if (!v_.empty() && v_.back().second >= alku) {
      if (loppu > v_.back().second) v_.back().second = loppu;
      return;
    }
    v_.emplace_back(alku, loppu);
  }
  // Whether the unit beginning at kohta is passed over.
  bool sisaltaa(std::uint64_t kohta) const {
    if (kasvava_) return kasvava_->sisaltaa(kohta);
    std::size_t a = 0, b = v_.size();
    while (a < b) {
      const std::size_t m = (a + b) / 2;
      if (v_[m].second <= kohta) a = m + 1;
      else b = m;
    }
    return a < v_.size() && v_[a].first <= kohta;
  }
  bool tyhja() const { return v_.empty(); }
  // The ranges cut to [alku, loppu): what a journal's record declares of its segment.
  Ohitettavat valilla(std::uint64_t alku, std::uint64_t loppu) const;
  // These ranges and o's: those of a check that found them by parts.
  void yhdista(const Ohitettavat& o);
  // These ranges outside [alku, loppu), and sisalla's inside it.
  Ohitettavat korvattu(std::uint64_t alku, std::uint64_t loppu, const Ohitettavat& sisalla) const;
  // The journal's header line: "ohita = 0-120 480-900\r\n", none when there are no ranges.
  std::string tekstiksi() const;
  // The ranges after "ohita =", each " alku-loppu", sorted and apart; none on any flaw.
  static std::optional<Ohitettavat> lue(std::string_view s);
  const std::vector<std::pair<std::uint64_t, std::uint64_t>>& alueet() const { return v_; }
  bool operator==(const Ohitettavat& o) const { return v_ == o.v_ && kasvava_ == o.kasvava_; }

 private:
  std::vector<std::pair<std::uint64_t, std::uint64_t>> v_;
  const Kasvava* kasvava_ = nullptr;
};

}  // namespace split
