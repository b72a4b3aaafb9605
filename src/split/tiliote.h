// A statement as the office counts them: its identity, read by its format from its bytes, so
// that the run can tell whether it came whole, once and in sequence. The shared split code
// never reads a format's bytes for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace split {

struct Tiliote {
  std::string tili;                     // the account (IBAN or domestic number); empty when none
  std::optional<std::int64_t> numero;   // the statement's number in its account's series
  std::string alku, loppu;              // its period, "YYYY-MM-DD"; empty when none
  std::optional<std::int64_t> alkusaldo, loppusaldo;  // opening and closing balance, in cents
  std::string valuutta;                 // "EUR"; empty when the format does not say
  std::uint64_t tiiviste = 0;           // of its bytes (Tiivistaja)
  std::string yritys;                   // the company file's name, without its folder
  std::uint64_t kohta = 0, pituus = 0;  // its bytes in the file read
};

// FNV-1a over 64 bits, fed in pieces: the same bytes give the same value however they are read.
class Tiivistaja {
 public:
  void lisaa(const char* p, std::size_t n) {
    std::uint64_t h = h_;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    h_ = h;
  }
  std::uint64_t arvo() const { return h_; }

 private:
  std::uint64_t h_ = 14695981039346656037ull;
};

}  // namespace split
