// How the core reaches the person and the desktop. The Qt front, kolvanto-cli and the tests
// each implement these; the core never shows anything itself.
#pragma once

#include <string>

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

class Ongelmaikkuna {
 public:
  virtual ~Ongelmaikkuna() = default;
  // Shows the report modally and returns when it is closed; false when it could not be shown.
  virtual bool nayta(const std::string& raportti, const std::string& hakuehdot) = 0;
};

class Kaynnistin {
 public:
  virtual ~Kaynnistin() = default;
  // Opens a document or address with the desktop; answers the shell's code (> 32 = started).
  virtual int avaa(const std::string& kohde, const std::string& tyohakemisto) = 0;
  // Starts a program by command line without waiting. Throws euro::Virhe when it cannot start.
  virtual void kaynnista(const std::string& komentorivi, bool maksimoitu) = 0;
};

}  // namespace euro
