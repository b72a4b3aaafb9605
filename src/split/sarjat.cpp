#include "split/sarjat.h"

namespace split {

// What holds a hundred thousand accounts in a few MiB.
static_assert(sizeof(Sarjat::Tila) <= 48);

Sarjat::Tila& Sarjat::hae(std::uint64_t avain) {
  const auto avainOf = [this](std::uint32_t n) { return tilat_[n].avain; };
  const std::uint32_t n = paikat_.hae(avain, avainOf);
  if (n != Paikat::eiPaikkaa) return tilat_[n];
  const std::uint32_t uusi = tilat_.lisaa();
  tilat_[uusi].avain = avain;
  paikat_.lisaa(avain, uusi, avainOf);
  return tilat_[uusi];
}

bool Sarjat::tuntee(const Tila& s, std::uint64_t tiiviste) const {
  if (s.tiivisteita == 0) return false;
  if (s.ensimmainen == tiiviste) return true;
  // A block's places past the series' count are unused, whatever they hold.
  unsigned jaljella = s.tiivisteita - 1u;
  for (std::uint32_t j = s.jatke; j != 0 && jaljella > 0;) {
    const Jatke& k = jatkeet_[j - 1];
    for (unsigned i = 0; i < jatkeessa && jaljella > 0; ++i, --jaljella)
      if (k.h[i] == tiiviste) return true;
    j = k.seuraava;
  }
  return false;
}

std::uint64_t& Sarjat::paikka(Tila& s, unsigned i) {
  if (i == 0) return s.ensimmainen;
  // A missing block is made only on the way to the next new place: the blocks fill in order.
  std::uint32_t* linkki = &s.jatke;
  for (unsigned lohko = (i - 1) / jatkeessa;; --lohko) {
    if (*linkki == 0) *linkki = jatkeet_.lisaa() + 1;
    Jatke& k = jatkeet_[*linkki - 1];
    if (lohko == 0) return k.h[(i - 1) % jatkeessa];
    linkki = &k.seuraava;
  }
}

void Sarjat::muista(Tila& s, std::uint64_t tiiviste) {
  if (s.tiivisteita < muistettavia) {
    paikka(s, s.tiivisteita) = tiiviste;
    ++s.tiivisteita;
    return;
  }
  paikka(s, s.seuraava) = tiiviste;
  s.seuraava = static_cast<std::uint8_t>((s.seuraava + 1) % muistettavia);
}

}  // namespace split
