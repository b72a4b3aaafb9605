#include "rivilukija.h"

#include <cstring>
#include <utility>

namespace euro {

RiviLukija::RiviLukija(Lahde lahde, std::size_t puskurinKoko, Rivisaanto saanto)
    : lahde_(std::move(lahde)),
      puskuri_(new char[puskurinKoko ? puskurinKoko : 1]),
      koko_(puskurinKoko ? puskurinKoko : 1),
      saanto_(saanto) {}

bool RiviLukija::tayta() {
  if (lopussa_) return false;
  alku_ = 0;
  loppu_ = lahde_(puskuri_.get(), koko_);
  if (loppu_ == 0) lopussa_ = true;
  return loppu_ > 0;
}

bool RiviLukija::lueRivi(std::string& rivi) {
  rivi.clear();
  bool jotain = false;  // something of a line was met, even an empty one ended by CR
  for (;;) {
    if (alku_ == loppu_ && !tayta()) return jotain;
    if (ohitaLf_) {
      ohitaLf_ = false;
      if (puskuri_[alku_] == '\n') {
        ++alku_;
        continue;
      }
    }
    const char* p = puskuri_.get() + alku_;
    std::size_t m = loppu_ - alku_;
    const void* cr = std::memchr(p, '\r', m);
    std::size_t n = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : m;
    bool lf = false;
    if (saanto_ == Rivisaanto::tiliote) {
      if (const void* l = std::memchr(p, '\n', n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(l) - p);
        lf = true;
      }
    }
    if (!cr && !lf) {
      rivi.append(p, m);
      alku_ = loppu_;
      jotain = true;
      continue;
    }
    rivi.append(p, n);
    alku_ += n + 1;
    ohitaLf_ = !lf;
    return true;
  }
}

}  // namespace euro
