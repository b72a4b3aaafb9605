// The journal of a split that archives, TUODUT/<archive>.kesken: written before the statement
// file is moved, kept up to date segment by segment while the split runs, removed when it
// completes. Its owner is kirjuri.h; every format's split records its segments in it (Kirjaus)
// and finishes a cut-off split from it, checked before anything is cut.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/paloittele.h"
#include "split/tiliote.h"

namespace split {

// The journal's file names, spelled here only. TUODUT/<archive>.kesken is a split's journal,
// made under <archive>.kesken.uusi; TUODUT/<archive>.jaettu marks where a completed split of
// an archive that may still grow ended.
namespace kirjannimi {
inline constexpr std::string_view kesken = ".kesken";
inline constexpr std::string_view luotava = ".kesken.uusi";
inline constexpr std::string_view jaettu = ".jaettu";
}  // namespace kirjannimi

// What the rest of a split needs, so that it finishes the same way whatever the settings are
// by then, and what binds the journal to its archive.
struct KirjanOtsikko {
  std::string muoto;  // the statement format (Muoto::nimi), whose own code names the company files
  std::string arkisto;         // the archive's file name; the journal is <arkisto>.kesken
  std::string tuodut;          // the folder of both, as the split names it
  std::string kohde;           // the target directory, ending with the separator
  std::string alkuosa, loppuosa;
  // The key as the journal stores it: PaloitteluAsetukset::Tunniste's number, 4 for none.
  int tunniste = 0;
  std::string posAlku, posLoppu;
  // The statements delivered before, which the split passes over (none in a journal of an
  // earlier version).
  Ohitettavat ohitettavat;
  // The header holds none of them: each record declares those of its segment, as the check
  // beside the split finds them, and a cut-off split finds the rest by the same check again.
  bool ohitettavatJaksoissa = false;
  // Not in the file: how this run's split of it reads and segments.
  PaloitteluAsetukset::Saadot saadot{};
};

// One record: a segment of the archive, [kohta, loppu), and every company file its batches
// go to with its length before them. A file's earlier batches of the segment (ohitetaan of
// them) were already delivered when a recovery declared the segment again. tila is the
// format's own state of the file, which only the format reads (see Muoto::tilanTunnus).
struct KirjanOsa {
  struct Tiedosto {
    std::string nimi;
    std::uint64_t pituus = 0;
    std::uint64_t ohitetaan = 0;
    std::string tila{};
  };
  std::uint64_t numero = 0;
  bool siirretty = false;  // false: the statement file was not yet moved (the first record)
  std::uint64_t kohta = 0, loppu = 0;
  // A split that writes [kohta, loppu) file by file (each company file once, whatever the
  // segments) records a few thousand of the files at a time: the number, in the format's order,
  // of the record's first. None in a segment's record.
  std::optional<std::uint64_t> ryhmasta;
  std::vector<Tiedosto> tiedostot;
  // Under a header whose ranges are in its records: those in [kohta, loppu), put in by the
  // journal as it writes the record.
  Ohitettavat ohitettavat{};
};

// What a format's split does with the journal of kirjuri.h: records its segments. The
// journal's life (made, adopted, finished, its markers) is the owner's alone.
class Kirjaus {
 public:
  // Appends a record after the last whole one and flushes it.
  void kirjaa(KirjanOsa& j);
  // Whether the opened journal went on past its last whole record (a record cut off, or
  // its end damaged): the segment after that record may have been written.
  bool rikki() const { return rikki_; }
  // Where the last record's segment ends in the archive.
  std::uint64_t arkistonLoppu() const { return arkistonLoppu_; }
  // Nothing can complete what the split held back (no one writes the archive any more): the
  // marker goes with the journal, so that the office is told once and not on every run.
  void merkkiTurha() { kasvaako_ = nullptr; }
  // The ranges its records declare, when the header holds none (they must outlive the split).
  void ohitettavatJaksoihin(const Ohitettavat* o) { jaksoihin_ = o; }

 protected:
  alusta::Tiedosto tiedosto_;
  std::string polku_;
  std::string muoto_;           // the header's format, whose own state the records hold
  std::uint64_t loppu_ = 0;     // after the last whole record
  std::uint64_t seuraava_ = 0;  // the next record's number
  bool katkaistu_ = false;      // what followed the last whole record is gone
  std::uint64_t arkistonLoppu_ = 0;  // the end of the last record's segment
  std::string merkki_;
  std::function<bool(std::uint64_t)> kasvaako_;
  bool rikki_ = false;          // something followed the last whole record when opened
  std::string kohde_;           // the target of the journal's split, from its header
  const Ohitettavat* jaksoihin_ = nullptr;
};

// The journal itself, for its owner (kirjuri.h) and the tests.
class Paivakirja : public Kirjaus {
 public:
  // A new journal with its first record, locked, flushed: written under a passing name
  // (exclusive, never through a link, owner-only) and then given its own, the folder's
  // entries flushed too. Throws (58) when either name is taken.
  // alku: where in the archive the split begins (after a split that ended there), at the
  // start of a unit of the format or at the archive's end.
  void luo(const std::string& polku, const KirjanOtsikko& o, std::uint64_t alku = 0);

  enum class Avattu { auki, lukittu, poissa };
  // An existing journal, locked: its header and its last whole record, every number
  // bounded and the checksums right. lukittu: a live split holds it; poissa: it is gone
  // (another run finished it). Throws when it is no journal of this form.
  Avattu avaa(const std::string& polku, KirjanOtsikko& o, KirjanOsa& viimeinen);

  // The split is complete (its company files flushed): the journal goes. With sailytaMerkkina,
  // it takes the marker's place instead (replacing an older one), and the marker goes too when
  // kasvaako, asked with where the split ended, says no one can add to the archive any more.
  void poista();
  // The archive may grow after its split (the bank program writing through a handle it held
  // when the file was moved): a completed journal is kept as the record of where it ended.
  void sailytaMerkkina(std::string merkki, std::function<bool(std::uint64_t loppu)> kasvaako);
  // Leaves the journal for the next run; the lock goes with the file.
  void sulje() noexcept;

  // The marker in the target that names this journal (see kohteenMerkki), made anew when a
  // kill cut its making or an older version wrote the journal. Before the split writes.
  void merkitseKohde();
  const std::string& polku() const;

 private:
  void poistaKohteenMerkki() noexcept;
};

// Splits of two statement folders may write into one target. Each archiving split keeps a
// marker there naming its journal, from before its first segment until after the journal is
// gone, so that a split into the target can finish a cut-off one first, or wait while it runs;
// a split writing after another's cut-off batch would leave neither finishable.
// The marker's path for a journal (made full, as the marker names it).
std::string kohteenMerkki(const std::string& kohde, const std::string& kirjanPolku);
// The journals that the target's markers name, besides those in the TUODUT folders of ohita
// (full paths: a folder's own splits are held apart by its journals' locks); a marker whose
// journal is gone is removed. Throws (75) for a marker that is not one of these.
std::vector<std::string> kohteenKirjat(const std::string& kohde, const std::vector<std::string>& ohita);
// The full path of a journal or its folder, as markers name it.
std::string kirjanTaysiPolku(const std::string& kirjanPolku);

// The header's checks that need no file: the archive's own name, the folder it lies in, the
// target, the names' parts and the key. Throws 75 with the journal's path.
void tarkistaOtsikko(const KirjanOtsikko& o, const std::string& kirjanPolku);

// The settings of a journal's split.
PaloitteluAsetukset asetuksetOtsikosta(const KirjanOtsikko& o);
// A journal's header for a split of the format (Muoto::nimi) with these settings, its archive's
// folder tuodut and target kohde (ending with the separator) as the caller names them.
KirjanOtsikko otsikkoAsetuksista(const PaloitteluAsetukset& a, std::string_view muoto, const std::string& tuodut,
                                 const std::string& kohde);

// A value on one line of a journal or an undo record: "%", CR and LF kept as %25, %0D, %0A.
std::string koodaaKirjaan(std::string_view s);
// Nothing for a "%" that starts none of the three.
std::optional<std::string> puraKirjasta(std::string_view s);

}  // namespace split
