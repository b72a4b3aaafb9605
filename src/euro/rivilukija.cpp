#include "rivilukija.h"

#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace euro {

namespace {

// The first CR, or also LF, from a on; e when there is none.
const char* etsiLoppu(const char* a, const char* e, bool lfkin) {
  if (!lfkin) {
    const void* r = std::memchr(a, '\r', static_cast<std::size_t>(e - a));
    return r ? static_cast<const char*>(r) : e;
  }
#if defined(__SSE2__)
  // Both bytes at once, sixteen at a time: a line costs a few compares, not two scans.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (e - a >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const unsigned m = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    if (m) return a + std::countr_zero(m);
    a += 16;
  }
#endif
  for (; a < e; ++a)
    if (*a == '\r' || *a == '\n') return a;
  return e;
}

}  // namespace

const char* rivinLoppu(const char* a, const char* e) { return etsiLoppu(a, e, true); }

RiviVirta::RiviVirta(Lahde lahde, std::size_t puskurinKoko, Rivisaanto saanto, std::uint64_t alku)
    : lahde_(std::move(lahde)),
      puskuri_(new char[puskurinKoko ? puskurinKoko : 1]),
      koko_(puskurinKoko ? puskurinKoko : 1),
      puskurinKohta_(alku),
      saanto_(saanto) {
  data_ = puskuri_.get();
}

RiviVirta::RiviVirta(Nakymalahde lahde, Rivisaanto saanto, std::uint64_t alku)
    : nakyma_(std::move(lahde)), koko_(0), puskurinKohta_(alku), saanto_(saanto) {}

bool RiviVirta::tayta() {
  if (lopussa_) return false;
  puskurinKohta_ += loppu_;
  alku_ = 0;
  if (nakyma_) {
    const Nakyma n = nakyma_();
    loppu_ = n.data ? n.koko : 0;
    if (loppu_) data_ = n.data;
  } else {
    loppu_ = lahde_(puskuri_.get(), koko_);
  }
  if (loppu_ == 0) lopussa_ = true;
  return loppu_ > 0;
}

bool RiviVirta::seuraava(Pala& pala) {
  for (;;) {
    if (alku_ == loppu_ && !tayta()) {
      if (!kesken_) return false;
      kesken_ = false;
      rivinAlussa_ = true;
      pala = {data_, 0, false, Loppu::muu, true};
      return true;
    }
    if (ohitaLf_) {
      ohitaLf_ = false;
      if (data_[alku_] == '\n') {
        ++alku_;
        continue;
      }
    }
    const char* a = data_ + alku_;
    const char* e = data_ + loppu_;
    const char* t = etsiLoppu(a, e, saanto_ == Rivisaanto::tiliote);
    pala.data = a;
    pala.alkaa = rivinAlussa_;
    pala.koko = static_cast<std::size_t>(t - a);
    if (t == e) {
      pala.loppu = Loppu::jatkuu;
      alku_ = loppu_;
      kesken_ = true;
      rivinAlussa_ = false;
    } else {
      pala.loppu = Loppu::muu;
      alku_ += pala.koko + 1;
      if (*t == '\r') {
        if (alku_ == loppu_) {
          ohitaLf_ = true;
        } else if (*(t + 1) == '\n') {
          pala.loppu = Loppu::crlf;
          ++alku_;
        }
      }
      kesken_ = false;
      rivinAlussa_ = true;
    }
    pala.puskuriLoppui = alku_ == loppu_;
    return true;
  }
}

RiviLukija::RiviLukija(Lahde lahde, std::size_t puskurinKoko, Rivisaanto saanto)
    : virta_(std::move(lahde), puskurinKoko, saanto) {}

bool RiviLukija::lueRivi(std::string& rivi) {
  rivi.clear();
  Pala p;
  while (virta_.seuraava(p)) {
    rivi.append(p.data, p.koko);
    if (p.loppu != Loppu::jatkuu) return true;
  }
  return false;
}

}  // namespace euro
