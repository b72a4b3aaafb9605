// Fault injection for the tests: the platform layer's fault hook, a small file system of the
// test's own, a cumulative file of known batches, and the checks that nothing was lost.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/paloittele.h"
#include "split/tiliote.h"
#include "tuki/testituki.h"

namespace vika {

struct Kysymys {
  alusta::Vaihe vaihe;
  std::string polku;
  std::size_t n;
};

// Installs a fault hook for its lifetime. Every question is recorded; the decision gets the
// question and its number from 0.
class Koukku {
 public:
  using Paatos = std::function<std::optional<alusta::Vika>(const Kysymys&, std::size_t)>;
  explicit Koukku(Paatos paatos = {});
  ~Koukku();
  Koukku(const Koukku&) = delete;
  Koukku& operator=(const Koukku&) = delete;
  std::vector<Kysymys> kysymykset;

 private:
  Paatos paatos_;
  alusta::Vikakoukku edellinen_;
};

// A tmpfs of the test's own on an existing empty folder: Linux, and only with the right to
// mount (CI runs as root). onko() tells whether it is there.
class Tmpfs {
 public:
  Tmpfs(const std::string& kansio, std::size_t tavuja);
  ~Tmpfs();
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;
  bool onko() const { return liitetty_; }
  // Mounts it again read-only, as a disk whose writing is refused; false when it fails.
  bool vainLuettavaksi();

 private:
  std::string kansio_;
  bool liitetty_ = false;
};

// A cumulative statement file of known batches, and what each company's file must receive.
struct Tiliote {
  std::string sisalto;
  std::map<std::string, std::string> lisattava;  // output file name -> appended bytes
  std::vector<std::string> erat;                 // the batches in input order
};

// Batches of the given customer identifiers in this order; rivejaEraa lines follow each T00
// line, of growing lengths; pitka adds a line longer than the split's write buffer.
Tiliote teeTiliote(const std::vector<std::string>& asiakkaat, int rivejaEraa, bool pitka);
std::string tiedostonimi(const std::string& asiakas);

// The statement file lies exactly once, byte for byte the same: in its place, or in TUODUT
// under a time-stamped name.
::testing::AssertionResult tilioteKerran(const std::string& kansio, const std::string& nimi,
                                         const std::string& sisalto);
// The file holds its old content followed only by whole lines of what the complete run
// would have appended, from their beginning.
::testing::AssertionResult vanhaJaKokonaisiaRiveja(const std::string& nyt, const std::string& vanha,
                                                   const std::string& lisattava);

// kolvanto-cli beside the test binary, run as a process: its exit status (-1 when it had to
// be ended) and its standard error as written (UTF-8).
struct Prosessi {
  int koodi;
  std::string virhe;
};
Prosessi ajaKolvantoCli(const std::vector<std::string>& argumentit);

// The process's peak resident memory in bytes, and a reset of it (Linux; nullopt elsewhere).
std::optional<std::size_t> muistihuippu();
bool nollaaMuistihuippu();

// The files of the test folder, its TUODUT and its ulos, by their path in it ("ulos/NAME").
using Kuva = std::map<std::string, std::string>;
Kuva kuva(const testi::Kansio& k);
// The folders hold exactly the files of m.
void palauta(const testi::Kansio& k, const Kuva& m);

// A run ended at its n-th call to the file system, as a kill or a power cut would end it:
// what the files held then, and what the flushes before it had put on the disk.
struct Katko {
  std::size_t kohta;
  std::size_t kutsuja = 0;
  bool tapahtui = false;
  Kuva nyt, levylla;
};
// The hook that ends a run at katko.kohta: every call from then on fails. kuvaa takes what the
// files hold at the cut (kuva(k) when not given).
Koukku::Paatos katkaisija(const testi::Kansio& k, Katko& katko, std::function<Kuva()> kuvaa = {});

// A TITO company file as its batches (each from its T00 line), sorted, and what came before them.
std::pair<std::string, std::vector<std::string>> erat(const std::string& s);

// The files after a power cut at the moment of the kill. Names made, renamed and removed
// stay (the file system's own journal keeps them in order); each file's bytes written since
// its last flush are kept or lost as the pattern says: 0 all kept (a kill), 1 all lost,
// 2 and 3 every other file lost, 4 the journals' unflushed bytes torn in half.
Kuva sahkokatko(const Kuva& nyt, const Kuva& levylla, const Kuva& alussa, int malli);

// A marker of a split in a target whose journal is gone, as a kill between the two removals
// leaves it; the next split into the target removes it.
bool vanhaMerkki(const std::string& kansio, const std::string& nimi);

// A camt.053.001.02 document of the given statements, CR LF ended.
std::string asiakirja(const std::vector<std::string>& lausunnot);

// A cumulative TITO file: ennen, then a batch per customer, each with rivejaEraa T10 lines of
// their own (numbered on from siemen, so that no two batches are alike).
std::string tiliote(const std::vector<std::string>& asiakkaat, int rivejaEraa, int siemen = 0,
                    const std::string& ennen = "ennen\r\n");

// Every file of the folder by name with its bytes, a stale marker of the target left out.
std::map<std::string, std::string> sisallot(const std::string& kansio);

// The statements that the format of a's statement file gives for it.
std::vector<split::Tiliote> tiliotteet(const split::PaloitteluAsetukset& a);
// The archiving split of a's statement file as the run makes it, with ohita in its journal's
// header (which statements the run passes over is not these tests' concern): the journal, the
// file moved into TUODUT, its split, the journal gone. False when it failed or was refused.
bool arkistoiOhittaen(const split::PaloitteluAsetukset& a, const split::Ohitettavat& ohita, const alusta::Aika& aika,
                      split::Yhteenveto* y = nullptr);
// The split in place passing over ohita, into a's target.
bool jaaOhittaen(const split::PaloitteluAsetukset& a, const split::Ohitettavat& ohita, split::Yhteenveto* y = nullptr);

}  // namespace vika

// What the journal's fault tests begin with: `using namespace vika::yhteiset;` in a test's
// unnamed namespace.
namespace vika::yhteiset {

using alusta::Vaihe;
using split::PaloitteluAsetukset;
using vika::erat;
using vika::sisallot;
using vika::tiliote;

// The separator, for the paths the tests put together.
inline const std::string S(1, alusta::erotin);

// The clocks of a first run, of the next day's and of the day after: each archive its name.
inline alusta::Aika kello1() { return {2018, 8, 21, 14, 30, 5}; }
inline alusta::Aika kello2() { return {2018, 8, 22, 7, 0, 0}; }
inline alusta::Aika kello3() { return {2018, 8, 23, 7, 0, 0}; }

}  // namespace vika::yhteiset
