// The window over the archive: read once, its T00 lines named ahead (ikkuna.h).
#include "split/tito/ikkuna.h"

#include <algorithm>
#include <cstring>

#include "split/hajautus.h"
#include "split/tito/haku.h"

namespace split::tito {

euro::Nakyma Ikkuna::anna() {
  if (annettu_ == rajaus_ && !tayta()) {
    // Only the archive's end ends the pass: a window that could not move on must not look
    // like it, or the batches after it would go unwritten with the journal removed.
    if (!lopussa_ || annettu_ != maara_) virhe("ikkuna ei edennyt");
    return {nullptr, 0};
  }
  const euro::Nakyma n{ikkuna_.get() + annettu_, rajaus_ - annettu_};
  annettu_ = rajaus_;
  return n;
}

// Keeps what is not yet given or not yet searched, reads on after it and names what came.
bool Ikkuna::tayta() {
  if (lopussa_ && rajaus_ == maara_) return false;
  if (!ikkuna_) ikkuna_ = std::make_unique_for_overwrite<char[]>(ikkunanKoko_);
  // The batches the writing pass has taken go from the queue and their names with them.
  if (eraAlku_ > 0) {
    const std::size_t pois = eraAlku_ < erat_.size() ? erat_[eraAlku_].nimenAlku : nimivarasto_.size();
    nimivarasto_.erase(0, pois);
    erat_.erase(erat_.begin(), erat_.begin() + static_cast<std::ptrdiff_t>(eraAlku_));
    for (Era& e : erat_) e.nimenAlku -= static_cast<std::uint32_t>(pois);
    eraAlku_ = 0;
  }
  const std::size_t pida = std::min(annettu_, haettu_);
  if (pida > 0) {
    ennenIkkunaa_ = ikkuna_[pida - 1];
    std::memmove(ikkuna_.get(), ikkuna_.get() + pida, maara_ - pida);
    ikkunanAlku_ += pida;
    maara_ -= pida;
    annettu_ -= pida;
    haettu_ -= pida;
  }
  while (!lopussa_ && maara_ < ikkunanKoko_) {
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>(ikkunanKoko_ - maara_, arkistonPituus_ - std::min(arkistonPituus_, ikkunanAlku_ + maara_)));
    const std::size_t m = n ? syote_.lue(ikkuna_.get() + maara_, n) : 0;
    if (m == 0) lopussa_ = true;
    maara_ += m;
  }
  hae();
  if (lopussa_ && haettu_ == maara_) {
    rajaus_ = maara_;
  } else if (!erat_.empty() && erat_.back().kohta - ikkunanAlku_ > annettu_) {
    // The search ahead may have named lines past the window: every one in it is named.
    rajaus_ = static_cast<std::size_t>(std::min<std::uint64_t>(erat_.back().kohta - ikkunanAlku_, maara_));
  } else {
    // A batch longer than the window: handed out as far as searched, never further, so
    // that no T00 line reaches the writing pass before the search has named it.
    rajaus_ = haettu_;
  }
  return rajaus_ > annettu_;
}

// The T00 lines from haettu_ on, named, into the queue. A T00 line begins with "T00" right
// after a CR or an LF, as the split's own line rule has it; the rest of the bytes are only
// searched, not cut into lines.
void Ikkuna::hae() {
  const char* b = ikkuna_.get();
  // What the search ahead went over is named already.
  if (edelleHaettu_ > ikkunanAlku_ + haettu_)
    haettu_ = static_cast<std::size_t>(std::min<std::uint64_t>(edelleHaettu_ - ikkunanAlku_, maara_));
  std::size_t i = haettu_;
  while (erat_.size() < eratEdella_ && nimivarasto_.size() < varastoEnintaan) {
    const std::size_t p = etsiT00(b, i, maara_, kapeaHaku_);
    if (p == eiT00) {
      i = lopussa_ ? maara_ : std::max(i, maara_ - std::min<std::size_t>(maara_ - i, 2));
      break;
    }
    // A line whose name would read past the window waits for the next reading.
    if (!lopussa_ && maara_ - p < tarve_) {
      i = p;
      break;
    }
    const char ennen = p == 0 ? ennenIkkunaa_ : b[p - 1];
    if (ennen == '\r' || ennen == '\n') {
      std::size_t e = p + std::min(tarve_, maara_ - p);
      for (std::size_t q = p; q < e; ++q)
        if (b[q] == '\r' || b[q] == '\n') {
          e = q;
          break;
        }
      nimea(std::string_view(b + p, e - p), ikkunanAlku_ + p);
    }
    i = p + 1;
  }
  haettu_ = i;
}

// The next T00 line after kohta (a T00 line's start), or the archive's end, read ahead past
// the window: the batch at kohta is longer than what the window holds of it.
std::uint64_t Ikkuna::seuraavaEra(std::uint64_t kohta) {
  if (!esi_.onAuki()) esi_.avaa(arkisto_, alusta::Tila::lue);
  esi_.siirry(kohta);
  char* b = esiPuskuri();
  std::uint64_t alku = kohta;  // the file offset of b[0]
  std::size_t n = 0;
  bool lopussa = false;
  char edellinen = '\n';  // kohta is a line's start
  std::size_t i = 0;
  for (;;) {
    if (!lopussa && n - i < 3) {
      if (i > 0) {
        edellinen = b[i - 1];
        std::memmove(b, b + i, n - i);
        alku += i;
        n -= i;
        i = 0;
      }
      lopussa = !taytaEdelta(b, n, alku);
    }
    if (i >= n) return arkistonPituus_;
    const std::size_t p = etsiT00(b, i, n, kapeaHaku_);
    if (p == eiT00) {
      if (lopussa) return arkistonPituus_;
      // A "T00" may begin in the last two bytes and end in the next read.
      i = n - std::min<std::size_t>(n - i, 2);
      continue;
    }
    const char ennen = p == 0 ? edellinen : b[p - 1];
    if ((ennen == '\r' || ennen == '\n') && alku + p > kohta) return alku + p;
    i = p + 1;
  }
}

// The read-ahead buffer b (b[0] at the file offset alku) filled after its n bytes, up to the
// pass's end; false when that end (or the file's) was reached.
bool Ikkuna::taytaEdelta(char* b, std::size_t& n, std::uint64_t alku) {
  while (n < esiKoko_) {
    const std::uint64_t jaljella = arkistonPituus_ - std::min(arkistonPituus_, alku + n);
    const std::size_t m =
        jaljella ? esi_.lue(b + n, static_cast<std::size_t>(std::min<std::uint64_t>(esiKoko_ - n, jaljella))) : 0;
    if (m == 0) return false;
    n += m;
  }
  return true;
}

char* Ikkuna::esiPuskuri() {
  if (!esiPuskuri_) {
    // A T00 line's name must fit with room to spare, as in the window.
    esiKoko_ = std::max(esipuskuri_, 4 * tarve_ + 64);
    esiPuskuri_ = std::make_unique_for_overwrite<char[]>(esiKoko_);
  }
  return esiPuskuri_.get();
}

void Ikkuna::haeEdelle(std::uint64_t raja) {
  const std::uint64_t alku = std::max(ikkunanAlku_ + haettu_, edelleHaettu_);
  if (alku >= arkistonPituus_) return;
  if (!esi_.onAuki()) esi_.avaa(arkisto_, alusta::Tila::lue);
  char* b = esiPuskuri();
  // b[0] is the byte at kohta; the one before the search's place is kept, for a line's start.
  std::uint64_t kohta = alku > 0 ? alku - 1 : 0;
  esi_.siirry(kohta);
  std::size_t n = 0, i = static_cast<std::size_t>(alku - kohta);
  bool lopussa = false;
  auto lue = [&] {
    const std::size_t pois = i > 0 ? i - 1 : 0;
    std::memmove(b, b + pois, n - pois);
    kohta += pois;
    n -= pois;
    i -= pois;
    lopussa = !taytaEdelta(b, n, kohta);
  };
  lue();
  for (;;) {
    const std::size_t p = etsiT00(b, i, n, kapeaHaku_);
    if (p == eiT00) {
      if (lopussa) {
        edelleHaettu_ = kohta + n;
        return;
      }
      // A "T00" may begin in the last two bytes and end in the next read.
      i = n - std::min<std::size_t>(n - i, 2);
      lue();
      continue;
    }
    // A line whose name would read past the buffer waits for the next reading.
    if (!lopussa && n - p < tarve_) {
      i = p;
      lue();
      continue;
    }
    const char ennen = p == 0 ? '\n' : b[p - 1];  // at 0 only at the archive's start
    if (ennen == '\r' || ennen == '\n') {
      if (erat_.size() >= eratEdella_ || nimivarasto_.size() >= varastoEnintaan) {
        edelleHaettu_ = kohta + p;
        return;
      }
      std::size_t e = p + std::min(tarve_, n - p);
      for (std::size_t q = p; q < e; ++q)
        if (b[q] == '\r' || b[q] == '\n') {
          e = q;
          break;
        }
      nimea(std::string_view(b + p, e - p), kohta + p);
      if (kohta + p >= raja) {
        edelleHaettu_ = kohta + p + 1;
        return;
      }
    }
    i = p + 1;
  }
}

}  // namespace split::tito
