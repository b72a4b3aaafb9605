// The window over the archive: read once, its T00 lines named ahead (ikkuna.h).
#include "split/tito/ikkuna.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "split/hajautus.h"
#include "split/tito/haku.h"

namespace split::tito {

namespace {

// The first bytes of the line at b[p], up to tarve of them or its end, within b[0, n).
std::string_view rivinPaa(const char* b, std::size_t p, std::size_t n, std::size_t tarve) {
  std::size_t e = p + std::min(tarve, n - p);
  for (std::size_t q = p; q < e; ++q)
    if (b[q] == '\r' || b[q] == '\n') {
      e = q;
      break;
    }
  return std::string_view(b + p, e - p);
}

// The buffer b (b[0] at the file offset alku) filled from f after its n bytes, up to the pass's
// end; false when that end (or the file's) was reached, or the search was called off.
bool taytaPuskuri(alusta::Tiedosto& f, char* b, std::size_t koko, std::size_t& n, std::uint64_t alku,
                  std::uint64_t pituus, const std::atomic<bool>* seis) {
  while (n < koko) {
    if (seis && seis->load(std::memory_order_relaxed)) return false;
    const std::uint64_t jaljella = pituus - std::min(pituus, alku + n);
    const std::size_t m =
        jaljella ? f.lue(b + n, static_cast<std::size_t>(std::min<std::uint64_t>(koko - n, jaljella))) : 0;
    if (m == 0) return false;
    n += m;
  }
  return true;
}

// The T00 lines from alku on (after a CR or an LF, as the split's line rule has them), read
// with f into b, each given to ota with its first bytes (tarve at most, not past its line),
// up to the first one at or after raja, which is given too. ota answers false when it takes
// no more: that line is not given. Returns where the search ended: every T00 line before it
// was given.
template <class Ota>
std::uint64_t etsiRivit(alusta::Tiedosto& f, char* b, std::size_t koko, std::uint64_t alku, std::uint64_t raja,
                        std::uint64_t pituus, std::size_t tarve, bool kapea, const std::atomic<bool>* seis, Ota&& ota) {
  // b[0] is the byte at kohta; the one before the search's place is kept, for a line's start.
  std::uint64_t kohta = alku > 0 ? alku - 1 : 0;
  f.siirry(kohta);
  std::size_t n = 0, i = static_cast<std::size_t>(alku - kohta);
  bool lopussa = false;
  auto lue = [&] {
    const std::size_t pois = i > 0 ? i - 1 : 0;
    std::memmove(b, b + pois, n - pois);
    kohta += pois;
    n -= pois;
    i -= pois;
    lopussa = !taytaPuskuri(f, b, koko, n, kohta, pituus, seis);
  };
  lue();
  for (;;) {
    const std::size_t p = etsiT00(b, i, n, kapea);
    if (p == eiT00) {
      if (lopussa) return kohta + n;
      // A "T00" may begin in the last two bytes and end in the next read.
      i = n - std::min<std::size_t>(n - i, 2);
      lue();
      continue;
    }
    // A line whose name would read past the buffer waits for the next reading.
    if (!lopussa && n - p < tarve) {
      i = p;
      lue();
      continue;
    }
    const char ennen = p == 0 ? '\n' : b[p - 1];  // at 0 only at the archive's start
    if (ennen == '\r' || ennen == '\n') {
      if (!ota(rivinPaa(b, p, n, tarve), kohta + p)) return kohta + p;
      if (kohta + p >= raja) return kohta + p + 1;
    }
    i = p + 1;
  }
}

}  // namespace

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

// The batches the writing pass has taken go from the queue and their names with them.
void Ikkuna::karsiJono() {
  if (eraAlku_ == 0) return;
  const std::size_t pois = otetutNimet();
  nimivarasto_.erase(0, pois);
  erat_.erase(erat_.begin(), erat_.begin() + static_cast<std::ptrdiff_t>(eraAlku_));
  for (Era& e : erat_) e.nimenAlku -= static_cast<std::uint32_t>(pois);
  eraAlku_ = 0;
}

// Whether the queue may take another named line: its bounds hold for what the writing pass has
// not taken yet, and the taken ones go first when they are in the way.
bool Ikkuna::tilaaJonossa() {
  if (erat_.size() < eratEdella_ && nimivarasto_.size() < varastoEnintaan) return true;
  karsiJono();
  return erat_.size() < eratEdella_ && nimivarasto_.size() < varastoEnintaan;
}

// Keeps what is not yet given or not yet searched, reads on after it and names what came.
bool Ikkuna::tayta() {
  if (lopussa_ && rajaus_ == maara_) return false;
  if (!ikkuna_) ikkuna_ = std::make_unique_for_overwrite<char[]>(ikkunanKoko_);
  // Moving the queue's rest costs as much as the rest: done once half of it is taken.
  if (eraAlku_ * 2 >= erat_.size()) karsiJono();
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
  jatkaHakua();
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
  while (tilaaJonossa()) {
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
    if (ennen == '\r' || ennen == '\n') nimea(rivinPaa(b, p, maara_, tarve_), ikkunanAlku_ + p);
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
  return taytaPuskuri(esi_, b, esiKoko_, n, alku, arkistonPituus_, nullptr);
}

char* Ikkuna::esiPuskuri() {
  if (!esiPuskuri_) {
    // A T00 line's name must fit with room to spare, as in the window.
    esiKoko_ = std::max(esipuskuri_, 4 * tarve_ + 64);
    esiPuskuri_ = std::make_unique_for_overwrite<char[]>(esiKoko_);
  }
  return esiPuskuri_.get();
}

// What the ended search found, queued from where the naming stands, up to the first line at or
// after raja; true when the naming must go on after it: it took all of it and neither met raja
// nor ran out of the queue's room.
bool Ikkuna::otaLoydetyt(std::uint64_t raja) {
  kaynnissa_.get();  // a failed read fails here, as it would have in this search
  // It began where the naming stood then; the window may have named the first of its lines
  // since.
  const std::uint64_t alku = hakuAlku();
  std::uint32_t nimenAlku = 0;
  for (const Loydetty& r : haku_->rivit) {
    hakunimi_.assign(haku_->nimet, nimenAlku, r.nimenLoppu - nimenAlku);
    nimenAlku = r.nimenLoppu;
    if (r.kohta < alku) continue;
    if (!tilaaJonossa()) {
      edelleHaettu_ = r.kohta;
      return false;
    }
    nimeaNimella(hakunimi_, r.loppuosa, r.kohta);
    if (r.kohta >= raja) {
      edelleHaettu_ = r.kohta + 1;
      return false;
    }
  }
  edelleHaettu_ = std::max(edelleHaettu_, haku_->loppu);
  return true;
}

// A search that ended while the pass writes is taken in, and the next one begins for the room
// the writing has freed since: else the segment's declaration names on this thread whatever
// the first search had no room for, reading the archive a second time here.
void Ikkuna::jatkaHakua() {
  if (kaynnissa_.valid()) {
    // A deferred search (the tests' fault hook) waits for haeEdelle, keeping the calls' order.
    if (kaynnissa_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
    if (!otaLoydetyt(hakuRaja_)) return;
  }
  if (hakuRaja_ == 0 || hakuAlku() > hakuRaja_ || kaikkiHaettu()) return;
  // A thread's start is worth it for a quarter of the queue at least.
  if (erat_.size() - eraAlku_ > eratEdella_ - eratEdella_ / 4) return;
  aloitaHaku(hakuRaja_);
}

void Ikkuna::haeEdelle(std::uint64_t raja) {
  if (kaynnissa_.valid() && !otaLoydetyt(raja)) return;
  const std::uint64_t alku = hakuAlku();
  if (alku >= arkistonPituus_) return;
  if (!esi_.onAuki()) esi_.avaa(arkisto_, alusta::Tila::lue);
  char* b = esiPuskuri();
  edelleHaettu_ = etsiRivit(esi_, b, esiKoko_, alku, raja, arkistonPituus_, tarve_, kapeaHaku_, nullptr,
                            [&](std::string_view paa, std::uint64_t kohta) {
                              if (!tilaaJonossa()) return false;
                              nimea(paa, kohta);
                              return true;
                            });
}

void Ikkuna::aloitaHaku(std::uint64_t raja) {
  peruHaku();
  hakuRaja_ = raja;
  const std::uint64_t alku = hakuAlku();
  if (alku >= arkistonPituus_) return;
  // It keeps what the queue has room for beside what it holds now: the two together take no
  // more than the queue's bound, and a queue that is full leaves the search to haeEdelle.
  const std::size_t jonossa = erat_.size() - eraAlku_;
  const std::size_t nimia = nimivarasto_.size() - otetutNimet();
  const std::size_t riveja = eratEdella_ > jonossa ? eratEdella_ - jonossa : 0;
  const std::size_t tavuja = varastoEnintaan > nimia ? varastoEnintaan - nimia : 0;
  if (riveja == 0 || tavuja < tarve_) return;
  if (!haku_) {
    auto h = std::make_unique<Haku>();
    h->lukija.avaa(arkisto_, alusta::Tila::lue);
    h->koko = std::max(esipuskuri_, 4 * tarve_ + 64);
    h->puskuri = std::make_unique_for_overwrite<char[]>(h->koko);
    h->nimeaja = uusiNimeaja();
    haku_ = std::move(h);
  }
  haku_->alku = alku;
  haku_->rivit.clear();
  haku_->nimet.clear();
  haku_->rivit.reserve(riveja);
  haku_->nimet.reserve(tavuja);
  haku_->seis = false;
  auto etsi = [h = haku_.get(), raja, pituus = arkistonPituus_, tarve = tarve_, kapea = kapeaHaku_, riveja, tavuja] {
    h->loppu = etsiRivit(h->lukija, h->puskuri.get(), h->koko, h->alku, raja, pituus, tarve, kapea, &h->seis,
                         [&](std::string_view paa, std::uint64_t kohta) {
                           const std::string& nimi = h->nimeaja->nimi(paa);
                           if (h->rivit.size() >= riveja || h->nimet.size() + nimi.size() > tavuja) return false;
                           h->nimet += nimi;
                           h->rivit.push_back({kohta, static_cast<std::uint32_t>(h->nimet.size()),
                                               static_cast<std::uint32_t>(h->nimeaja->loppuosanPituus())});
                           return true;
                         });
  };
  if (!alusta::koukkuAsetettu()) {
    try {
      kaynnissa_ = std::async(std::launch::async, etsi);
      return;
    } catch (const std::system_error&) {
      // No thread to be had: the search waits for haeEdelle.
    }
  }
  kaynnissa_ = std::async(std::launch::deferred, etsi);
}

// A search begun and not needed ends before its results go; one that waits is never run.
void Ikkuna::peruHaku() noexcept {
  if (haku_) haku_->seis = true;
  kaynnissa_ = std::future<void>();
}

}  // namespace split::tito
