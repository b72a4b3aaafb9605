// The run history and the statement ledger: one entry per run, with a line per company file
// written and a line per statement delivered or passed over, appended to a yearly file in the
// data directory, so that an office can tell months later where a company's statements went.
// Tab-separated text with one header line, for people and for spreadsheets: UTF-8 on POSIX,
// the system's ANSI text on Windows. A file of the earlier ten columns is read as it is and
// rewritten with the new header the first time an entry is appended to it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/paloittele.h"
#include "split/tiliote.h"

namespace split::historia {

// "paloitteluhistoria-2026.txt"; past the size limit the year goes on in
// "paloitteluhistoria-2026-2.txt", "-3" and so on.
std::string tiedostonimi(int vuosi, int osa = 1);

// The header line's fields, tab-separated, as ANSI text.
std::string otsikko();

// An entry line's fields by name. A statement's line fills the last nine; a run's leaves them
// empty.
struct Merkinta {
  std::string aika, tapahtuma, muoto, tiliote, arkisto, yritys, eria, tavuja, tila, huomautus;
  std::string tili, numero, alkaa, paattyy, alkusaldo, loppusaldo, valuutta, tiiviste, alue;
  bool onTiliote() const;  // a statement's line
};
// What a statement's line says happened to it.
namespace tapahtuma {
inline constexpr const char* tiliote = "tiliote";                // delivered
inline constexpr const char* toimitettu = "jo toimitettu";       // delivered before: passed over
}  // namespace tapahtuma

// The fields of an entry line as lue gives it (ANSI); false for a line that is no entry.
bool jasenna(const std::string& rivi, Merkinta& m);
std::string tekstiksi(const Merkinta& m);

// Cents as the ledger and the messages write them: "-1234,56".
std::string euroina(std::int64_t senttia);
std::optional<std::int64_t> senteiksi(const std::string& teksti);

// A run's statement lines: the time, the event, the format, the files, the company file (the
// target, ending with the separator, and the statement's file), what was added, the note and the
// statement's identity, as tekstiksi writes a Merkinta; what the lines share (the time, the
// format, the files and the target) is made once, as a run makes one a statement.
class TilioteRivit {
 public:
  TilioteRivit(const std::string& muoto, const std::string& tiliotetiedosto, const std::string& arkisto,
               const std::string& kohde, const alusta::Aika& aika);
  // Valid until the next call.
  const std::string& rivi(const Tiliote& t, bool toimitettu, const std::string& huomautus);

 private:
  std::string aika_, keski_, rivi_;
};

// Which lines lue gives: all of them filtered by what is set. yritys: the company file's name
// holds it, in any case; tili: the account holds it (blanks not counted); kuukausi "YYYY-MM"
// and paiva "YYYY-MM-DD": a statement's period meets it, a run's line its time.
struct Suodatin {
  std::string yritys, tili, kuukausi, paiva;
  bool ajot = true, tiliotteet = true;  // runs' and statements' lines
  int vuodesta = 0;                     // only the files of this year and later
  bool kelpaa(const Merkinta& m) const;
};

// Appends an entry's lines to the year's file of the data directory, the header first when the
// file is new, an earlier version's file rewritten with the new header first. Lines go in
// writes of whole lines; a line left without its end by a cut-off write is ended first, so
// that it never runs into this entry. Throws euro::Virhe.
class Kirjoittaja {
 public:
  Kirjoittaja(const std::string& datahakemisto, const alusta::Aika& aika);
  ~Kirjoittaja();
  void lisaa(const std::string& rivi);
  // levylle: flushed to the disk before it returns, so that what follows it (a journal's
  // removal) never outlives the lines in a power cut.
  void sulje(bool levylle = false);

 private:
  void tyhjenna();
  alusta::Tiedosto t_;
  std::string puskuri_;
};

// Whether the run leaves an entry: it archived, wrote or finished something, or it completed
// (a file without statements is worth a line too). A run stopped by a check leaves none.
bool kirjataanko(const PaloitteluTulos& t);

// The entry's lines (ANSI text, without line ends): one per company file written, or one
// for the run when it wrote none, and before them those of every cut-off split it finished.
std::vector<std::string> merkinta(const PaloitteluAsetukset& a, const PaloitteluTulos& t, const alusta::Aika& aika);

// Appends the lines to the year's file of the data directory in one write, the header first
// when the file is new. A line left without its end by a cut-off write is ended first, so
// that it never runs into this entry. Throws euro::Virhe.
void kirjaa(const std::string& datahakemisto, const std::vector<std::string>& rivit, const alusta::Aika& aika);

// A statement's line (TilioteRivit) made before its archive was named, with its
// archive put in.
std::string arkistonKanssa(const std::string& rivi, const std::string& arkisto);

// Reports the failure being handled as one to write the history: the split's result stands.
void kerroKirjoitusvirhe();

// The data directory's history files, oldest first.
std::vector<std::string> tiedostot(const std::string& datahakemisto);

// Every whole entry line of every file, oldest first, as ANSI text; a line without its end
// or without the header's fields (a cut-off write) is passed over. yritys: only the lines
// whose company file's name holds this text, in any case; empty: all. Throws euro::Virhe.
void lue(const std::string& datahakemisto, const std::string& yritys,
         const std::function<void(const std::string& rivi)>& anna);
void lue(const std::string& datahakemisto, const Suodatin& s, const std::function<void(const std::string& rivi)>& anna);

// Every company file's last delivery (its newest line that delivered something), in the order
// of the company files' first lines; filtered as lue. Holds a line per company file.
void viimeisimmat(const std::string& datahakemisto, const Suodatin& s,
                  const std::function<void(const std::string& rivi)>& anna);
// The company files whose last delivery is more than paivia days before tanaan.
void hiljaiset(const std::string& datahakemisto, int paivia, const alusta::Aika& tanaan,
               const std::function<void(const std::string& rivi)>& anna);

// The size past which a year's file goes on in the next one; 0 gives back the default of
// 32 MiB. Tests make it small.
void asetaKokoraja(std::uint64_t tavuja);

}  // namespace split::historia
