// How the core reaches the person and the desktop. The window fronts, kolvanto-cli and the
// tests each implement these; the core never shows anything itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace euro {

// Button and icon sets of a message box, by their classic numbers.
namespace tyyli {
inline constexpr int ok = 0;
inline constexpr int okKriittinen = 16;
inline constexpr int kyllaEiKysymys = 36;
inline constexpr int kyllaEiKysymysEiOletus = 292;
inline constexpr int huutomerkki = 48;
}  // namespace tyyli

// Answers of a message box.
namespace vastaus {
inline constexpr int ok = 1;
inline constexpr int kylla = 6;
inline constexpr int ei = 7;
}  // namespace vastaus

class Viestilaatikko {
 public:
  virtual ~Viestilaatikko() = default;
  // An empty title means the program's name. Answers 1 (OK), 6 (Yes) or 7 (No).
  virtual int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) = 0;
  // Puts the screen's mouse pointer back to its default shape.
  virtual void palautaHiiri() = 0;
};

// How a showing of the problem dialog ended.
enum class Pulmanloppu {
  eiNaytetty,  // it could not be shown (for one, it is open already)
  suljettu,    // the person closed it
  lopetetaan,  // the person chose to end the program
};

class Ongelmaikkuna {
 public:
  virtual ~Ongelmaikkuna() = default;
  // Puts the report and the search terms into the dialog, shows it modally and returns when
  // it is closed.
  virtual Pulmanloppu nayta(const std::string& raportti, const std::string& hakuehdot) = 0;
  // Whether nayta would show the dialog now (it is not open already). Then the handler logs
  // the report before showing it, so that the report of an unattended run is kept even when
  // nobody ever closes the dialog. false: not known, logged once it has been closed.
  virtual bool naytetaanko() { return false; }
  // Ends the program at once; called after the report that asked for it has been logged.
  virtual void lopeta() = 0;
};

class Kaynnistin {
 public:
  virtual ~Kaynnistin() = default;
  // Opens a document, folder or address with the desktop without waiting. Empty parameters
  // and working directory mean none. Answers the shell's code: above 32 started; 2 the file
  // or the opener is missing; 31 nothing handles it.
  virtual int avaa(const std::string& kohde, const std::string& parametrit,
                   const std::string& tyohakemisto) = 0;
  // Starts a program by command line without waiting, maximised or in a normal window, given
  // the focus. Throws euro::Virhe when it cannot start.
  virtual void kaynnista(const std::string& komentorivi, bool maksimoitu) = 0;
};

// One entry of a file dialog's filter list.
struct Suodatin {
  std::string teksti;  // shown in the list, e.g. "*.TXT (*.TXT)"
  std::string malli;   // e.g. "*.TXT"
  bool operator==(const Suodatin&) const = default;
};

// What an open-file dialog is prepared with.
struct Tiedostovalinta {
  std::string alkuhakemisto;  // empty: the dialog's own default
  std::string tiedostonimi;   // preset in the file-name box
  std::string otsikko;
  std::vector<Suodatin> suodattimet;
  std::size_t valittuSuodatin = 0;  // index into suodattimet
  bool tiedostonOltavaOlemassa = true;
  bool piilotaVainLuku = true;  // no read-only check box
  bool operator==(const Tiedostovalinta&) const = default;
};

class Tiedostovalitsin {
 public:
  virtual ~Tiedostovalitsin() = default;
  // Shows the open-file dialog modally. Answers the full path of the chosen file, or nothing
  // when the person cancels. Throws euro::Virhe when the dialog cannot be shown.
  virtual std::optional<std::string> valitse(const Tiedostovalinta& valinta) = 0;
};

}  // namespace euro
