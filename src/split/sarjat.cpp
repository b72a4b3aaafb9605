#include "split/sarjat.h"

#include <algorithm>

namespace split {

// What holds a hundred thousand accounts in a few MiB.
static_assert(sizeof(Sarjat::Tila) <= 40);
static_assert(2 * Sarjat::muistettavia <= 64);
static_assert(1 + 1 + 3 + 6 + 21 == Sarjat::muistettavia);

Sarjat::Tila& Sarjat::hae(std::uint64_t avain) {
  const auto avainOf = [this](std::uint32_t n) { return tilat_[n].avain; };
  const std::uint32_t n = paikat_.hae(avain, avainOf);
  if (n != Paikat::eiPaikkaa) return tilat_[n];
  const std::uint32_t uusi = tilat_.lisaa();
  tilat_[uusi].avain = avain;
  paikat_.lisaa(avain, uusi, avainOf);
  return tilat_[uusi];
}

namespace {

// Whether the first n of a block's hashes hold the hash; the places past them are unused.
template <std::size_t N>
bool joukossa(const std::uint64_t (&h)[N], unsigned n, std::uint64_t tiiviste) {
  for (unsigned i = 0; i < n && i < N; ++i)
    if (h[i] == tiiviste) return true;
  return false;
}

}  // namespace

std::size_t Sarjat::tavuja() const {
  return tilat_.koko() * sizeof(Tila) + ykkoset_.koko() * sizeof(Jatke<1>) + kolmoset_.koko() * sizeof(Jatke<3>) +
         kutoset_.koko() * sizeof(Jatke<6>) + suuret_.koko() * sizeof(Jatke<21>) + paikat_.tavuja();
}

bool Sarjat::tuntee(const Tila& s, std::uint64_t tiiviste) const {
  const unsigned kaytossa = std::min<unsigned>(s.kertyma, muistettavia);
  if (kaytossa == 0) return false;
  if (s.ensimmainen == tiiviste) return true;
  // Every place in use has its block.
  const unsigned n = kaytossa - 1u;
  if (n == 0) return false;
  const Jatke<1>& a = ykkoset_[s.jatke - 1];
  if (a.h[0] == tiiviste) return true;
  if (n <= 1) return false;
  const Jatke<3>& b = kolmoset_[a.seuraava - 1];
  if (joukossa(b.h, n - 1, tiiviste)) return true;
  if (n <= 4) return false;
  const Jatke<6>& c = kutoset_[b.seuraava - 1];
  if (joukossa(c.h, n - 4, tiiviste)) return true;
  if (n <= 10) return false;
  return joukossa(suuret_[c.seuraava - 1].h, n - 10, tiiviste);
}

template <class L>
auto& Sarjat::lohko(std::uint32_t& linkki, L& lohkot) {
  if (linkki == 0) linkki = lohkot.lisaa() + 1;
  return lohkot[linkki - 1];
}

std::uint64_t& Sarjat::paikka(Tila& s, unsigned i) {
  if (i == 0) return s.ensimmainen;
  // A missing block is made only on the way to the next new place: the blocks fill in order.
  auto& a = lohko(s.jatke, ykkoset_);
  if (i <= 1) return a.h[0];
  auto& b = lohko(a.seuraava, kolmoset_);
  if (i <= 4) return b.h[i - 2];
  auto& c = lohko(b.seuraava, kutoset_);
  if (i <= 10) return c.h[i - 5];
  return lohko(c.seuraava, suuret_).h[i - 11];
}

void Sarjat::muista(Tila& s, std::uint64_t tiiviste) {
  if (s.kertyma < muistettavia) {
    paikka(s, s.kertyma) = tiiviste;
    ++s.kertyma;
    return;
  }
  const unsigned seuraava = s.kertyma - muistettavia;
  paikka(s, seuraava) = tiiviste;
  s.kertyma = muistettavia + (seuraava + 1) % muistettavia;
}

}  // namespace split
