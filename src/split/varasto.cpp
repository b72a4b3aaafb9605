#include "split/varasto.h"

#include <cstring>
#include <memory>
#include <utility>

#include "euro/virhe.h"

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
  puskuri_.clear();
}

void Varasto::kay(const std::function<void(const std::string&)>& anna) {
  std::string rivi;
  auto jaa = [&](const char* b, std::size_t n) {
    while (n > 0) {
      const char* e = static_cast<const char*>(std::memchr(b, '\n', n));
      if (!e) {
        rivi.append(b, n);
        return;
      }
      rivi.append(b, static_cast<std::size_t>(e - b));
      anna(rivi);
      rivi.clear();
      n -= static_cast<std::size_t>(e - b) + 1;
      b = e + 1;
    }
  };
  if (tiedosto_.onAuki()) {
    tiedosto_.siirry(0);
    const std::size_t koko = 64 * 1024;
    const auto b = std::make_unique_for_overwrite<char[]>(koko);
    while (const std::size_t n = tiedosto_.lue(b.get(), koko)) jaa(b.get(), n);
  }
  jaa(puskuri_.data(), puskuri_.size());
}

void Varasto::tyhjenna() noexcept {
  puskuri_.clear();
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
