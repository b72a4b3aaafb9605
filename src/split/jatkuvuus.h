// Whether statements come once and in sequence: each account's statements in a target folder
// (a statement without an account: in its company file), against those the ledger
// (historia.h) says were delivered before. What a format's statement
// carries (number, period, balances, the hash of its bytes) is all it reads; nothing is held
// back for what it finds, save a statement delivered before, which is passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "split/sarjat.h"
#include "split/tiliote.h"

namespace split {

class Jatkuvuus {
 public:
  // Per account, the last statements known by their bytes: a repeat of any of them is passed
  // over; an older one is told by its number.
  static constexpr std::size_t muistettavia = Sarjat::muistettavia;

  enum class Laji { toimitettu, aukko, toisto, saldokatko };
  struct Huomio {
    Laji laji;
    std::string lyhyt;  // for the statement's line in the ledger
    std::string lause;  // for the office: the company file, the account, the numbers or balances
  };
  struct Arvio {
    bool toimitettu = false;  // delivered before, to the same company file: passed over
    bool muualla = false;     // its series is in another part (rajaa): this one tells nothing of it
    std::vector<Huomio> huomiot;
  };

  // Only the series whose key's first bitit bits are osa are kept from now on, at most raja
  // bytes of them (0: no bound). Past the bound every series goes and vajaa() holds: the
  // statements must then be checked again by parts small enough.
  void rajaa(unsigned bitit, std::uint64_t osa, std::size_t raja);
  bool vajaa() const { return vajaa_; }
  std::size_t tavuja() const { return sarjat_.tavuja(); }

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
  using Tila = Sarjat::Tila;
  Tila* tila(const std::string& yritys, const Tiliote& t);
  void tarkistaRaja();
  void ketjuta(Tila& s, const Tiliote& t);
  std::uint32_t valuutta(const std::string& v);

  // By the hash of the series' key (target and account, or company file): no key is held.
  Sarjat sarjat_;
  // The currencies the series name, each once: a series holds its number.
  std::vector<std::string> valuutat_{std::string()};
  std::unordered_map<std::string, std::uint32_t> valuuttaHaku_;
  std::unordered_map<std::string, std::uint64_t> kirjatut_;
  unsigned bitit_ = 0;
  std::uint64_t osa_ = 0;
  std::size_t raja_ = 0;
  bool vajaa_ = false;
};

}  // namespace split
