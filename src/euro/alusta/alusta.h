// The platform layer: the only place with operating-system calls. Paths and texts here are
// ANSI text (Windows-1252); they become UTF-8 (POSIX) or UTF-16 (Win32) inside.
// Failures throw euro::Virhe with the classic numbers and a Finnish message naming the path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace alusta {

#ifdef _WIN32
inline constexpr char erotin = '\\';
inline constexpr bool onWindows = true;
#else
inline constexpr char erotin = '/';
inline constexpr bool onWindows = false;
#endif

// An ordinary file matches the path; "*" and "?" may stand in its last part. Directories,
// hidden and system entries (POSIX: names that begin with ".") do not count.
bool onkoTavallinenTiedosto(const std::string& polku);

// Whether directory + erotin + "*.*" lists at least one entry that is neither hidden nor
// system. An existing directory counts through its own "." entry; a Windows drive root
// only through an entry of its own. Throws when the listing fails.
bool listaakoHakemisto(const std::string& hakemisto);

// Makes one directory level; its parent must exist. Throws on any failure.
void luoHakemisto(const std::string& polku);
// Makes one directory level that only its owner may enter (POSIX mode 0700; Windows: as
// luoHakemisto, the profile's rights apply). Throws on any failure.
void luoOmaHakemisto(const std::string& polku);

// Whether this user may create files in the directory. POSIX: access(2), W_OK and X_OK;
// Windows: by making a hidden file there that goes when it is closed.
bool voikoKirjoittaa(const std::string& hakemisto);

// Renames a file; never replaces an existing one (58 when the new name is taken).
void nimeaUudelleen(const std::string& vanha, const std::string& uusi);

// Moves a statement file that the bank program may still hold open, never replacing (58 when
// the new name is taken, 53 when the file is gone). Answers:
// siirretty: moved, and no other program had it open for writing, nor opened it so meanwhile;
// auki: another program has it open for writing; it stays where it was, unmoved;
// tarkistamatta: moved, but a program may still write into it where it now lies: the check
//   could not be made here, or a writer came meanwhile and the old name was taken again.
// POSIX: a read lease, refused while the file is open for writing anywhere, held across the
// rename; a writer that opened it meanwhile (the lease broken) has it put back. Where no lease
// can be had (not the file's owner, a file system without leases) it is moved unchecked.
// Windows: a handle that lets others read and delete but not write, held across the move.
enum class Siirto { siirretty, auki, tarkistamatta };
Siirto siirraJosVapaa(const std::string& vanha, const std::string& uusi);

// Whether another program has the file open for writing now, by the same tests as
// siirraJosVapaa; none when this system cannot tell here. Throws when the file is gone.
std::optional<bool> kirjoittaakoMuu(const std::string& polku);

// Puts a complete new file in the place of an old one in one step, replacing it.
void korvaaTiedosto(const std::string& uusi, const std::string& vanha);

class Tiedosto;
// A file replaced whole in one step: kirjoita writes the new one beside it (<polku>.uusi), which
// is flushed and put in its place; a failure halfway removes the new one and leaves the old,
// so that no reader ever meets half a file.
void kirjoitaKorvaten(const std::string& polku, const std::function<void(Tiedosto&)>& kirjoita);

// Removes a file (tests, temporary files and finished journals).
void poistaTiedosto(const std::string& polku);

// The length of the ordinary file at the path; none when nothing, or no ordinary file, is
// there. Throws on other failures.
std::optional<std::uint64_t> pituusJosOn(const std::string& polku);

// The lengths of files of one folder asked for one after another (a split's company files),
// as pituusJosOn of kansio + nimi gives them; kansio ends with the separator. POSIX looks from
// the folder held open: one name each time rather than the whole path. A folder that cannot
// be opened is looked into by its path. Windows: by the path.
class Kansio {
 public:
  explicit Kansio(std::string kansio);
  ~Kansio();
  Kansio(const Kansio&) = delete;
  Kansio& operator=(const Kansio&) = delete;
  // eiMitaan: set when it is sure nothing at all stands at the name (no FIFO, no link).
  std::optional<std::uint64_t> pituusJosOn(const std::string& nimi, bool* eiMitaan = nullptr) const;

 private:
  std::string polku_;
  std::intptr_t kahva_ = -1;
};

// Whether a symbolic link, a reparse point or a file with other names (hard links) stands at
// the path: a split never writes through one. False when nothing is there. Throws on other
// failures.
bool onLinkki(const std::string& polku);

// Whether something that is neither an ordinary file nor a folder stands at the path (a FIFO,
// a socket, a device): opening it may wait for another program, and what is written to it no
// file keeps. False when nothing is there or it cannot be looked at; Windows has none in a
// folder.
bool onErikoinen(const std::string& polku);

// Whether the path itself is a symbolic link (Windows: a symbolic link or a junction, not the
// reparse point of a cloud placeholder or a deduplicated file):
// what it points to, as far as it can be told (empty when not), or none when it is no link or
// nothing is there. Throws on other failures.
std::optional<std::string> linkinKohde(const std::string& polku);

// Gives the name of every entry of a folder, hidden ones and folders included, in no order,
// until kukin answers false; nothing when it cannot be listed. One listing, no look at each
// entry, and no list of them all: a target of a hundred thousand files costs no memory here.
void kayKansio(const std::string& kansio, const std::function<bool(const std::string&)>& kukin);

// Puts what was written into the named files of a folder onto the disk. POSIX: the whole file
// system of the folder at once (syncfs), which costs one call however many files, or each
// file in turn where the file system refuses that; Windows: each file in turn. A name that is
// gone is skipped.
void tallennaTiedostot(const std::string& kansio, const std::vector<std::string>& nimet);
// Puts a folder's entries (names made, renamed, removed) onto the disk. Windows: nothing to do.
void tallennaHakemisto(const std::string& kansio);

// The names of the ordinary files in a directory that end with loppu, hidden and system
// entries left out, in byte order; none when the directory cannot be listed.
std::vector<std::string> tiedostot(const std::string& hakemisto, const std::string& loppu);

// yksin: reading and writing an existing file that nobody else may open meanwhile (Windows
// share mode 0), as another program may hold it; tests only. POSIX has no share modes.
// For files in a folder that other users may write (a temporary folder, a shared one), POSIX:
// uusi: a new file in place of an earlier one of the user's own (that one is removed, so
//   whoever held it open sees nothing new); a symbolic link or another user's file at the
//   name is refused (70), a folder or other non-file too (75);
// yksityinen: as uusi, readable and writable by its owner only (bank data);
// lisaaOmaan: as lisaa, but never through a symbolic link, nor into a non-file or a file with
//   other names (hard links); in a folder that everyone may write only into the user's own
//   file, and a new one there is the owner's only.
// On Windows they are kirjoita, kirjoita and lisaa, exactly.
// paivita: reading and writing, created when missing, never emptied; others may open,
// rename and remove it meanwhile.
// kirja: a new file for reading and writing, readable by its owner only (POSIX mode 0600);
//   refused (58) when anything stands at the name, a symbolic link included; others may
//   open, rename and remove it meanwhile (a journal being made).
// muokkaa: an existing ordinary file for reading and writing, never created, never through
//   a symbolic link or a reparse point (70), nor one with other names (70) or a non-file
//   (75); others may open, rename and remove it meanwhile (a journal, a file to check).
// lisaaUusi: as lisaa, but only a file that is not there yet (58 when anything is).
enum class Tila { lue, kirjoita, lisaa, yksin, uusi, yksityinen, lisaaOmaan, paivita, kirja, muokkaa, lisaaUusi };

// Bytes to write, where they lie.
struct Osa {
  const char* data;
  std::size_t koko;
};

// An open file. lue: reading; kirjoita: created or emptied; lisaa: created or grown at its end.
class Tiedosto {
 public:
  Tiedosto() = default;
  Tiedosto(const std::string& polku, Tila tila);
  ~Tiedosto();
  Tiedosto(Tiedosto&& toinen) noexcept;
  Tiedosto& operator=(Tiedosto&& toinen) noexcept;
  Tiedosto(const Tiedosto&) = delete;
  Tiedosto& operator=(const Tiedosto&) = delete;

  void avaa(const std::string& polku, Tila tila);
  bool onAuki() const noexcept;
  // Reads up to n bytes; 0 at the end of the file.
  std::size_t lue(char* puskuri, std::size_t n);
  // Writes all n bytes or throws.
  void kirjoita(const char* data, std::size_t n);
  void kirjoita(const std::string& s) { kirjoita(s.data(), s.size()); }
  // Writes the pieces in order, as one write for the fault hook; tehty grows with every byte
  // that went through, also when it throws.
  void kirjoitaOsat(const Osa* osat, std::size_t n, std::uint64_t& tehty);
  // The length in bytes.
  std::uint64_t pituus();
  // The length the file had when it was opened: what the open saw where it looked anyway (a
  // company file's open on POSIX), else as pituus() gives it now.
  std::uint64_t pituusAvattaessa();
  // Moves the reading point to the given offset from the start.
  void siirry(std::uint64_t kohta);
  // Reads up to n bytes at the given offset in one call; 0 at the end. Where lue goes on from
  // afterwards is not said.
  std::size_t lueKohdasta(std::uint64_t kohta, char* puskuri, std::size_t n);
  // Writes all n bytes at the given offset.
  void kirjoitaKohtaan(std::uint64_t kohta, const char* data, std::size_t n);
  // Sets the length; a longer file loses its end.
  void katkaise(std::uint64_t pituus);
  // Takes an exclusive lock on the file at once, unless another open file holds one (then
  // false). The system lets it go when the file is closed or the process ends, however.
  bool lukitse();
  // Cuts the file to pituus, only when it is exactly odotettu long now; silent. Gives the length
  // it leaves as far as it saw (pituus after the cut, the length found when it was another),
  // all ones when it did not look or could not.
  std::uint64_t katkaiseJos(std::uint64_t odotettu, std::uint64_t pituus) noexcept;
  // Closes; harmless when nothing is open. Reports a failed close only when asked.
  void sulje();
  void suljeHiljaa() noexcept;
  // Puts what was written onto the disk before the file is relied on (replacing another).
  void tallennaLevylle();
  const std::string& polku() const noexcept { return polku_; }
  // The file was given another name while open: the name its messages use from now on.
  void nimettiin(const std::string& uusi) { polku_ = uusi; }

 private:
  std::intptr_t kahva_ = -1;
  std::string polku_;
  std::uint64_t avattuPituus_ = ~std::uint64_t{0};  // all ones: not seen at the open
};

// The directory of the running executable, resolved, without a closing separator except
// at a root.
std::string ohjelmanHakemisto();
// The file name of the running executable, extension included.
std::string ohjelmanNimi();

std::optional<std::string> ymparistomuuttuja(const std::string& nimi);
void asetaYmparistomuuttuja(const std::string& nimi, const std::optional<std::string>& arvo);

std::string nykyinenHakemisto();
void vaihdaHakemisto(const std::string& polku);
// Windows: makes the drive of the path current; POSIX: does nothing.
void vaihdaAsema(const std::string& polku);

struct Aika {
  int vuosi, kuukausi, paiva, tunti, minuutti, sekunti;
};
Aika paikallinenAika();

// Writes ANSI text to standard output (1) or standard error (2) in the console's encoding.
void kirjoitaKonsoliin(int virta, const std::string& teksti);
// POSIX: whether standard output (1) or standard error (2) is a terminal, which shows UTF-8.
// Windows: false; bytes go out as they are, Windows-1252 as the system's own editors read it.
bool onPaate(int virta);
// The user's login name, for names of the user's own in a shared folder; POSIX: the number
// when the name is unknown or holds more than letters, digits, "_", "-" and ".".
std::string kayttajanNimi();
// A text file that people open with the system's editors and mail to support (the error log):
// UTF-8 on POSIX, where a Windows-1252 byte shows as a broken character; ANSI on Windows.
std::string luettavaksi(const std::string& teksti);

// Windows only: marks an existing file hidden or system (tests). POSIX: does nothing.
void asetaAttribuutit(const std::string& polku, bool piilotettu, bool jarjestelma);

// Fault injection for the tests; inert unless a hook is set. The file operations above ask
// the hook before they act; an answer makes the operation fail with that classic number, as
// a full disk, a read-only folder or a failing device would, a write only after `lapi` of its
// bytes have gone through. The hook may also change the file system itself and answer none.
// tallenna: a flush of a file (its path) or of a folder's entries (the folder's path);
// tallennaTiedostot asks once for each named file. luo: making a directory level.
// numero 0 is no failure: a read then gives at most `lapi` bytes (at least one, as none
// would say the file ended), as a file that grows while it is read may; so every reader can
// be run with reads of every size. vuokraa: the look whether another program writes the file
// (siirraJosVapaa, kirjoittaakoMuu); answered, it cannot be made, as on a network drive.
// Any other operation goes ahead as if unanswered.
enum class Vaihe { avaa, lue, kirjoita, tallenna, nimea, korvaa, poista, luo, vuokraa };
struct Vika {
  std::int32_t numero;
  std::size_t lapi = 0;
};
// n: the bytes asked for by lue and kirjoita, otherwise 0.
using Vikakoukku =
    std::function<std::optional<Vika>(Vaihe vaihe, const std::string& polku, std::size_t n)>;
// Installs a hook (an empty one removes it) and returns the previous one.
Vikakoukku asetaVikakoukku(Vikakoukku koukku);
// Whether a hook is installed. Work that could go on beside the run's other calls then runs
// among them, so that the hook sees every call in one order, the same in every run.
bool koukkuAsetettu();

}  // namespace alusta

namespace alusta {
// Windows: whether the system would store the file under another name, having dropped the
// blanks and points at its end ("ABC." becomes "ABC", another company's file). POSIX: false.
bool vaihtaaNimen(std::string_view tiedostonimi);
// Whether a path stands on its own, without the current directory.
bool onAbsoluuttinen(const std::string& polku);
// A full local path: "X:\..." on Windows, "/..." on POSIX (no network or drive-relative path).
bool onTaysiPolku(const std::string& polku);
}  // namespace alusta

namespace alusta {
// The program's arguments as ANSI text, without the program name: from UTF-8 on POSIX, from
// the wide command line on Windows.
std::vector<std::string> komentorivi(int argc, char** argv);
}  // namespace alusta

namespace alusta {
// Opens a document, folder or address with the desktop and does not wait for what opens it.
// Windows: ShellExecuteW with the verb "open", the desktop window as owner and show command 1;
// the shell's code as it is. POSIX: xdg-open in a session of its own (an executable file
// given parameters is started itself, with them split at blanks); answers 42 when it runs,
// and 32 or less when it cannot: 2 when the opener is missing or says that the file is,
// 31 when it ends at once saying that nothing opens the target, otherwise the shell's code
// nearest to the failure (3, 5, 8, 11).
int avaaKuorella(const std::string& kohde, const std::string& parametrit,
                 const std::string& tyohakemisto);
// Starts a command line without waiting, maximised or in a normal window, with the focus.
// POSIX: the words split at blanks and no shell in between; no window state to give.
// Throws euro::Virhe (53 when the program cannot be found).
void kaynnistaKomento(const std::string& komentorivi, bool maksimoitu);
// The version word of GetVersion on Windows; nothing elsewhere.
std::optional<std::uint32_t> windowsVersio();
// Writes bytes to standard output (1) or standard error (2) as they are. Throws on failure.
void kirjoitaTavut(int virta, std::string_view tavut);
}  // namespace alusta

namespace alusta {
// A moment in the system's short date format and in its time format, as ANSI text: the
// user's regional settings on Windows, the LC_TIME locale ("%x", "%X") on POSIX. Without a
// locale of its own ("C", "POSIX", none set, or one not installed, as under cron) POSIX gives
// the Finnish forms 21.8.2018 and 9.05.07, not the C locale's American 08/21/18.
// Throws euro::Virhe when the system cannot format it.
std::string lyhytPaivays(const Aika& aika);
std::string kellonaika(const Aika& aika);
}  // namespace alusta
