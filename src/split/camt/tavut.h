// The bytes an XML split copies from the statement file, and the buffered writing of a
// company file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "euro/alusta/alusta.h"
#include "split/lue.h"

namespace split::camt::sisa {

// A segment no longer than this is read into memory once; a longer one (a single document of
// many megabytes) has each piece read where it lies. Small: a segment of 4096 company files
// held whole was the largest part of a run's peak, and a read per statement costs no more.
inline constexpr std::uint64_t muistiinEnintaan = 1024 * 1024;

// The bytes of the statement file that a segment copies: read into memory at once when the
// segment is short, otherwise through a window of 64 KiB. The window reads ahead only when the
// bytes asked for follow it, as one company's statement follows another's in a document of
// many accounts; a split that jumps about reads each piece alone, so that no read brings in
// bytes it will not use.
class Tavut {
 public:
  explicit Tavut(const std::string& polku) : t_(polku, alusta::Tila::lue) {}

  void lataa(std::uint64_t alku, std::uint64_t loppu) {
    alku_ = alku;
    loppu_ = loppu;
    muisti_.clear();
    if (loppu - alku > muistiinEnintaan) return;
    muisti_.resize(static_cast<std::size_t>(loppu - alku));
    lueKohdasta(t_, alku, muisti_.data(), muisti_.size());
  }

  // f(data, n) for the bytes [a, b), in order.
  template <class F>
  void anna(std::uint64_t a, std::uint64_t b, F&& f) {
    if (a >= alku_ && b <= alku_ + muisti_.size()) {
      if (b > a) f(muisti_.data() + (a - alku_), static_cast<std::size_t>(b - a));
      return;
    }
    while (a < b) {
      if (!ikkunassa(a, a + 1)) lue(a, b);
      const std::size_t k = static_cast<std::size_t>(std::min(b, ikkunaAlku_ + ikkunassa_) - a);
      f(puskuri_ + (a - ikkunaAlku_), k);
      a += k;
    }
  }

  // A statement's bytes [alku, loppu), from vali bytes before it when those are white space.
  template <class F>
  void annaLausunto(std::uint64_t alku, std::uint64_t vali, std::uint64_t loppu, F&& f) {
    const std::uint64_t a = alku - vali;
    if (a >= alku_ && loppu <= alku_ + muisti_.size()) {
      const char* p = muisti_.data() + (a - alku_);
      f(p + valkoistenPerassa(p, vali), static_cast<std::size_t>(loppu - a) - valkoistenPerassa(p, vali));
      return;
    }
    // The gap and the start in one read.
    if (!ikkunassa(a, alku)) lue(a, loppu);
    anna(a + valkoistenPerassa(puskuri_ + (a - ikkunaAlku_), vali), loppu, f);
  }

 private:
  bool ikkunassa(std::uint64_t a, std::uint64_t b) const { return a >= ikkunaAlku_ && b <= ikkunaAlku_ + ikkunassa_; }

  // The window from a: the bytes up to b, and when a follows the window, as far ahead as the
  // segment goes.
  void lue(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t ikkunanLoppu = ikkunaAlku_ + ikkunassa_;
    std::uint64_t n = std::min<std::uint64_t>(b - a, sizeof puskuri_);
    if (a >= ikkunanLoppu && a - ikkunanLoppu <= perakkain && loppu_ > a)
      n = std::max(n, std::min<std::uint64_t>(loppu_ - a, sizeof puskuri_));
    lueKohdasta(t_, a, puskuri_, static_cast<std::size_t>(n));
    ikkunaAlku_ = a;
    ikkunassa_ = static_cast<std::size_t>(n);
  }

  // 0 when the vali bytes at p are white space only (they go with the statement), else vali.
  static std::size_t valkoistenPerassa(const char* p, std::uint64_t vali) {
    for (std::size_t i = 0; i < vali; ++i)
      if (p[i] != ' ' && p[i] != '\t' && p[i] != '\r' && p[i] != '\n') return static_cast<std::size_t>(vali);
    return 0;
  }

 public:
  alusta::Tiedosto& tiedosto() { return t_; }

 private:
  static constexpr std::uint64_t perakkain = 4096;  // how far past the window bytes still follow it
  alusta::Tiedosto t_;
  std::uint64_t alku_ = 0, loppu_ = 0;
  std::string muisti_;
  std::uint64_t ikkunaAlku_ = 0;
  std::size_t ikkunassa_ = 0;
  char puskuri_[64 * 1024];
};

// Writes to a company file through a buffer; from jatkaKohdasta on at a place of its own (a
// file just cut), without a seek of its own.
class Kirjoittaja {
 public:
  void avaa(const std::string& polku, alusta::Tila tila) {
    t_.avaa(polku, tila);
    puskuri_.clear();
    kohta_ = eiKohtaa;
  }
  void jatkaKohdasta(std::uint64_t kohta) { kohta_ = kohta; }
  void kirjoita(const char* p, std::size_t n) {
    if (puskuri_.size() + n > raja) tyhjenna();
    if (n >= raja) anna(p, n);
    else puskuri_.append(p, n);
  }
  void sulje() {
    tyhjenna();
    t_.sulje();
  }
  alusta::Tiedosto& tiedosto() { return t_; }
  // After a failure: what is not written stays unwritten; the journal's next run compares.
  void suljeKesken() noexcept {
    puskuri_.clear();
    t_.suljeHiljaa();
  }

 private:
  static constexpr std::size_t raja = 256 * 1024;
  static constexpr std::uint64_t eiKohtaa = ~std::uint64_t{0};
  void tyhjenna() {
    if (puskuri_.empty()) return;
    anna(puskuri_.data(), puskuri_.size());
    puskuri_.clear();
  }
  void anna(const char* p, std::size_t n) {
    if (kohta_ == eiKohtaa) {
      t_.kirjoita(p, n);
      return;
    }
    t_.kirjoitaKohtaan(kohta_, p, n);
    kohta_ += n;
  }
  alusta::Tiedosto t_;
  std::string puskuri_;
  std::uint64_t kohta_ = eiKohtaa;
};

}  // namespace split::camt::sisa
