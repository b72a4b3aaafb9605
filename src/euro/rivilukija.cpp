#include "rivilukija.h"

#include <cstring>
#include <utility>

namespace euro {

RiviLukija::RiviLukija(Lahde lahde, std::size_t puskurinKoko)
    : lahde_(std::move(lahde)),
      puskuri_(new char[puskurinKoko ? puskurinKoko : 1]),
      koko_(puskurinKoko ? puskurinKoko : 1) {}

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
    const void* cr = std::memchr(p, '\r', loppu_ - alku_);
    if (!cr) {
      rivi.append(p, loppu_ - alku_);
      alku_ = loppu_;
      jotain = true;
      continue;
    }
    std::size_t n = static_cast<const char*>(cr) - p;
    rivi.append(p, n);
    alku_ += n + 1;
    ohitaLf_ = true;
    return true;
  }
}

}  // namespace euro
