// Whether statements come once and in sequence: each account's statements in a target folder
// (a statement without an account: in its company file), against those the ledger
// (historia.h) says were delivered before. What a format's statement
// carries (number, period, balances, the hash of its bytes) is all it reads; nothing is held
// back for what it finds, save a statement delivered before, which is passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "split/tiliote.h"

namespace split {

class Jatkuvuus {
 public:
  // Per account, the last statements known by their bytes: a repeat of any of them is passed
  // over; an older one is told by its number.
  static constexpr std::size_t muistettavia = 32;

  enum class Laji { toimitettu, aukko, toisto, saldokatko };
  struct Huomio {
    Laji laji;
    std::string lyhyt;  // for the statement's line in the ledger
    std::string lause;  // for the office: the company file, the account, the numbers or balances
  };
  struct Arvio {
    bool toimitettu = false;  // delivered before, to the same company file: passed over
    std::vector<Huomio> huomiot;
  };

  // A statement delivered to the company file (its full path) in an earlier run, in the
  // ledger's order.
  void tunnettu(const std::string& yritys, const Tiliote& t);
  // This run's next statement, bound for the company file (its full path): what it is, and
  // remembered as delivered unless it was before.
  Arvio arvioi(const std::string& yritys, const Tiliote& t);

  // The ledger's statement lines of the data directory, from the year before vuosi on.
  void lueHistoriasta(const std::string& datahakemisto, int vuosi);

  // Where the ledger's statement lines of an archive end (0: it has none), so that the split
  // that finishes a cut-off one writes the lines the cut one had not, and none twice.
  std::uint64_t kirjattu(const std::string& arkisto) const;
  void kirjattiin(const std::string& arkisto, std::uint64_t loppu);

 private:
  // Small, as a file may hold tens of thousands of accounts: the period's year alone, and the
  // hashes grown as statements come.
  struct Tila {
    std::optional<std::int64_t> numero;  // the highest number delivered
    std::int32_t loppuVuosi = 0;         // the year the last statement's period ended in; 0: none
    std::optional<std::int64_t> loppusaldo;
    std::string valuutta;
    std::vector<std::uint64_t> tiivisteet;  // up to muistettavia, the oldest replaced first
    std::uint8_t seuraava = 0;
    bool tuntee(std::uint64_t h) const;
    void muista(std::uint64_t h);
  };
  Tila& tila(const std::string& yritys, const Tiliote& t);
  void ketjuta(Tila& s, const Tiliote& t);

  // By the hash of the series' key (target and account, or company file): no key is held.
  std::unordered_map<std::uint64_t, Tila> tilat_;
  std::unordered_map<std::string, std::uint64_t> kirjatut_;
};

}  // namespace split
