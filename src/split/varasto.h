// Lines kept for later in a run: in memory up to a bound, past it in a file of their own in
// the given folder (removed when done, or by the next one made after a run cut off), so that
// memory stays bounded however many lines there are and nothing is read twice to make them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "euro/alusta/alusta.h"

namespace split {

class Varasto {
 public:
  // raja: the bytes kept in memory (0: the built-in 64 KiB).
  Varasto(std::string kansio, std::size_t raja);
  ~Varasto();
  Varasto(const Varasto&) = delete;
  Varasto& operator=(const Varasto&) = delete;

  // A line without its line end (it holds none). Throws euro::Virhe when the file fails.
  void lisaa(std::string_view rivi);
  // Each line in the order given: the store as one run. Throws euro::Virhe when the file
  // cannot be read or written.
  void kay(const std::function<void(const std::string&)>& anna);
  // Where the lines given so far end: a mark to drop back to, or the border of a run.
  std::uint64_t koko() const { return tiedostossa_ + puskuri_.size(); }
  // Drops every line given after the mark.
  void palaa(std::uint64_t merkki);
  // The lines of the runs between the borders rajat (rajat[i] to rajat[i + 1]), each run in
  // the order of the key its lines begin with (avaimen bytes, compared as bytes), merged into
  // one order by those keys: a run each read at once, a buffer each.
  void kayLomittain(const std::vector<std::uint64_t>& rajat, std::size_t avaimen,
                    const std::function<void(const std::string&)>& anna);
  // Drops every line, and the file.
  void tyhjenna() noexcept;

 private:
  void kirjoita();

  std::string kansio_;
  std::size_t raja_;
  std::string puskuri_;
  std::uint64_t tiedostossa_ = 0;  // the lines' bytes before puskuri_, in the file
  alusta::Tiedosto tiedosto_;
  std::string polku_;
};

}  // namespace split
