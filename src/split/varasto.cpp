#include "split/varasto.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "euro/virhe.h"
#include "split/lue.h"

namespace split {

namespace {

constexpr const char* alku = "kolvanto-varasto-";
constexpr const char* loppu = ".tmp";

}  // namespace

Varasto::Varasto(std::string kansio, std::size_t raja)
    : kansio_(std::move(kansio)), raja_(raja ? raja : std::size_t{64} << 10) {}

Varasto::~Varasto() { tyhjenna(); }

void Varasto::lisaa(std::string_view rivi) {
  // The memory is taken once, as large as the bound: a growing string would take twice that.
  if (!puskuri_.empty() && puskuri_.size() + rivi.size() + 1 > raja_) kirjoita();
  if (puskuri_.capacity() < raja_) puskuri_.reserve(raja_);
  puskuri_ += rivi;
  puskuri_ += '\n';
}

// What is in memory goes to the file, made at the first time under a free name.
void Varasto::kirjoita() {
  if (!tiedosto_.onAuki()) {
    // A run cut off leaves its file: gone from the folder before a new one is made. A live
    // run's file loses only its name, as it is written and read through its open handle.
    for (const std::string& n : alusta::tiedostot(kansio_, loppu))
      if (n.rfind(alku, 0) == 0) {
        try {
          alusta::poistaTiedosto(kansio_ + alusta::erotin + n);
        } catch (...) {
          // Held by another run (Windows): its own.
        }
      }
    for (int n = 1;; ++n) {
      polku_ = kansio_ + alusta::erotin + alku + std::to_string(n) + loppu;
      try {
        tiedosto_.avaa(polku_, alusta::Tila::kirja);
        break;
      } catch (const euro::Virhe& v) {
        if (v.numero() != euro::virhenro::tiedostoOnJo || n >= 999) {
          polku_.clear();
          throw;
        }
      }
    }
  }
  tiedosto_.kirjoita(puskuri_);
  tiedostossa_ += puskuri_.size();
  puskuri_.clear();
}

void Varasto::palaa(std::uint64_t merkki) {
  if (merkki >= tiedostossa_) {
    puskuri_.resize(static_cast<std::size_t>(std::min(merkki, koko()) - tiedostossa_));
    return;
  }
  tiedosto_.katkaise(merkki);
  tiedosto_.siirry(merkki);
  tiedostossa_ = merkki;
  puskuri_.clear();
}

void Varasto::kayLomittain(const std::vector<std::uint64_t>& rajat, std::size_t avaimen,
                           const std::function<void(const std::string&)>& anna) {
  // Every run read from one place: the file, with what memory holds written to it first.
  if (tiedosto_.onAuki() && !puskuri_.empty()) kirjoita();
  struct Ajo {
    std::uint64_t kohta = 0, loppu = 0;  // what is still to be read of the run
    std::unique_ptr<char[]> puskuri;
    const char* d = nullptr;  // the bytes read, d[i, n)
    std::size_t i = 0, n = 0;
    std::string rivi;
    bool on = false;
  };
  std::vector<Ajo> ajot;
  for (std::size_t i = 0; i + 1 < rajat.size(); ++i)
    if (rajat[i] < rajat[i + 1]) {
      ajot.emplace_back();
      ajot.back().kohta = rajat[i];
      ajot.back().loppu = rajat[i + 1];
    }
  // One run is read as the whole store is; many share the memory.
  const std::size_t koko = ajot.size() > 1 ? 8 * 1024 : 64 * 1024;
  // A run's next line, read in pieces from where it stands; a line may span many.
  auto seuraava = [&](Ajo& a) {
    a.rivi.clear();
    a.on = false;
    for (;;) {
      if (a.i == a.n) {
        if (a.kohta >= a.loppu) return;
        if (tiedosto_.onAuki()) {
          if (!a.puskuri) a.puskuri = std::make_unique_for_overwrite<char[]>(koko);
          a.n = static_cast<std::size_t>(std::min<std::uint64_t>(koko, a.loppu - a.kohta));
          lueKohdasta(tiedosto_, a.kohta, a.puskuri.get(), a.n);
          a.d = a.puskuri.get();
        } else {
          a.n = static_cast<std::size_t>(a.loppu - a.kohta);
          a.d = puskuri_.data() + a.kohta;
        }
        a.kohta += a.n;
        a.i = 0;
      }
      const char* p = a.d + a.i;
      const char* e = static_cast<const char*>(std::memchr(p, '\n', a.n - a.i));
      const std::size_t m = e ? static_cast<std::size_t>(e - p) : a.n - a.i;
      a.rivi.append(p, m);
      a.i += m + (e ? 1 : 0);
      if (e) {
        a.on = true;
        return;
      }
    }
  };
  for (Ajo& a : ajot) seuraava(a);
  for (;;) {
    Ajo* pienin = nullptr;
    for (Ajo& a : ajot)
      if (a.on && (!pienin || std::string_view(a.rivi).substr(0, avaimen) <
                                  std::string_view(pienin->rivi).substr(0, avaimen)))
        pienin = &a;
    if (!pienin) return;
    anna(pienin->rivi);
    seuraava(*pienin);
  }
}

void Varasto::kay(const std::function<void(const std::string&)>& anna) {
  kayLomittain({0, koko()}, 0, anna);
}

void Varasto::tyhjenna() noexcept {
  puskuri_.clear();
  tiedostossa_ = 0;
  if (polku_.empty()) return;
  tiedosto_.suljeHiljaa();
  try {
    alusta::poistaTiedosto(polku_);
  } catch (...) {
    // A file left behind holds only this run's lines; nothing depends on it.
  }
  polku_.clear();
}

}  // namespace split
