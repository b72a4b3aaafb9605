// The one reader of text lines in the program. A line ends at CR LF or at a lone CR; by the
// statement rule also at a lone LF. The program reads every file of its own by that rule too:
// an LF-ended statement must not run into one line, and settings, kysytulo.oma and the marker
// file are edited by hand with editors that end lines with LF. A last line without an end is
// a line; an empty file has no lines. Streams through a fixed buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace euro {

// Which bytes end a line.
enum class Rivisaanto {
  omat,     // CR LF or a lone CR; a lone LF is an ordinary character
  tiliote,  // CR LF, a lone CR or a lone LF: the statement file and the program's own files
};

// Reads at most n bytes into buf, answers how many; 0 means end of input. May throw.
using Lahde = std::function<std::size_t(char* buf, std::size_t n)>;

// The next bytes of the input where they already lie, valid until the next call; none at the
// end. May throw.
struct Nakyma {
  const char* data;
  std::size_t koko;
};
using Nakymalahde = std::function<Nakyma()>;

// How a piece of a line ends.
enum class Loppu : unsigned char {
  jatkuu,  // the line goes on in the next piece
  crlf,    // at CR LF, and both bytes lie in the buffer right after the piece
  muu,     // at another end (a lone CR or LF, a CR at the buffer's end), or the input ended
};

// The first CR or LF in [a, e), or e: where a line ends by the statement rule, for a walk of
// its own over bytes in memory.
const char* rivinLoppu(const char* a, const char* e);

// A piece of a line, pointing into the reader's buffer.
struct Pala {
  const char* data;
  std::size_t koko;
  bool alkaa;          // the first piece of its line
  Loppu loppu;
  bool puskuriLoppui;  // the next call refills the buffer: data is gone then
};

// The lines as pieces straight from the buffer, without copying: a line longer than the
// buffer comes in several pieces, so memory stays at the buffer whatever the lines.
class RiviVirta {
 public:
  // alku: the offset in the file at which the source starts.
  RiviVirta(Lahde lahde, std::size_t puskurinKoko, Rivisaanto saanto, std::uint64_t alku = 0);
  // Over bytes that lie in memory already: nothing is copied, the pieces point into them.
  RiviVirta(Nakymalahde lahde, Rivisaanto saanto, std::uint64_t alku = 0);

  // The offset in the file of a byte of the latest piece.
  std::uint64_t kohta(const char* p) const {
    return puskurinKohta_ + static_cast<std::uint64_t>(p - data_);
  }

  // The next piece; false at the end of the input. A line without an end at the end of the
  // input is closed by an empty piece ending with Loppu::muu.
  bool seuraava(Pala& pala);

 private:
  bool tayta();

  Lahde lahde_;
  Nakymalahde nakyma_;
  std::unique_ptr<char[]> puskuri_;
  const char* data_ = nullptr;  // the buffer, or the latest view
  std::size_t koko_;
  std::size_t alku_ = 0;
  std::size_t loppu_ = 0;
  std::uint64_t puskurinKohta_;  // the offset in the file of the buffer's first byte
  Rivisaanto saanto_;
  bool lopussa_ = false;
  bool rivinAlussa_ = true;
  bool kesken_ = false;   // a piece of a line was given, its end not yet
  bool ohitaLf_ = false;  // the previous line ended at a CR: an LF right after it belongs to it
};

// Whole lines, for files whose lines are short: memory grows with the longest line.
class RiviLukija {
 public:
  using Lahde = euro::Lahde;

  explicit RiviLukija(Lahde lahde, std::size_t puskurinKoko = 64 * 1024,
                      Rivisaanto saanto = Rivisaanto::omat);

  // Puts the next line without its end into rivi; false at the end of the input.
  bool lueRivi(std::string& rivi);

 private:
  RiviVirta virta_;
};

}  // namespace euro
