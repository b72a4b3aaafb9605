// The one reader of text lines in the program. A line ends at CR LF or at a lone CR; in the
// statement file also at a lone LF (an LF-ended statement must not run into one line); in the
// program's own files a lone LF is an ordinary character. A last line without an end is a
// line; an empty file has no lines. Streams through a fixed buffer: memory grows only with
// the longest line.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace euro {

// Which bytes end a line.
enum class Rivisaanto {
  omat,     // CR LF or a lone CR: settings, kysytulo.oma, the marker file
  tiliote,  // CR LF, a lone CR or a lone LF: the statement file
};

class RiviLukija {
 public:
  // Reads at most n bytes into buf, answers how many; 0 means end of input. May throw.
  using Lahde = std::function<std::size_t(char* buf, std::size_t n)>;

  explicit RiviLukija(Lahde lahde, std::size_t puskurinKoko = 64 * 1024,
                      Rivisaanto saanto = Rivisaanto::omat);

  // Puts the next line without its end into rivi; false at the end of the input.
  bool lueRivi(std::string& rivi);

 private:
  bool tayta();

  Lahde lahde_;
  std::unique_ptr<char[]> puskuri_;
  std::size_t koko_;
  std::size_t alku_ = 0;
  std::size_t loppu_ = 0;
  Rivisaanto saanto_;
  bool lopussa_ = false;
  bool ohitaLf_ = false;  // the previous line ended at a CR: an LF right after it belongs to it
};

}  // namespace euro
