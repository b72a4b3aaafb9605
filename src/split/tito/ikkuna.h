// The archive read once through a window, its T00 lines found and named ahead of the pass
// that writes them; the class of the archiving split (osittaja.h) is built on it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/rivilukija.h"
#include "split/tito/nimi.h"

namespace split::tito {

class Ikkuna {
 public:
  virtual ~Ikkuna() { peruHaku(); }

 protected:
  explicit Ikkuna(std::string arkisto) : arkisto_(std::move(arkisto)) {}

  // The archive is read into a window: the T00 lines in it are named (and the segment's files
  // declared) before the writing pass is given its bytes, which it takes where they lie. The
  // window is handed out up to its last T00 line, so that a segment ends at a batch whose
  // bytes have all been seen. A segment runs past the window by the search ahead (haeEdelle),
  // which reads its bytes once more; a batch longer than both is handed out as far as the
  // search has gone, and the end of its segment is found by reading ahead.
  struct Era {
    std::uint64_t kohta;
    std::uint32_t nimenAlku, nimenPituus;  // in nimivarasto_: the file that takes the batch
    std::uint64_t tiedosto;                // in the segment, eiArvoa until declared
    std::uint32_t avaimenPituus;           // the batch's own name after it, when the file is another
  };
  static constexpr std::size_t varastoEnintaan = 256 * 1024;

  // The batch whose T00 line begins with paa, at kohta, into the queue with its file's name.
  virtual void nimea(std::string_view paa, std::uint64_t kohta) = 0;
  // The same with the name made already (by the search ahead), its suffix's length with it.
  virtual void nimeaNimella(const std::string& nimi, std::size_t loppuosa, std::uint64_t kohta) = 0;
  // A maker of the batches' names of its own, for the search ahead.
  virtual std::unique_ptr<NimenMuodostaja> uusiNimeaja() const = 0;
  [[noreturn]] virtual void virhe(const std::string& miksi) = 0;

  euro::Nakyma anna();
  bool tayta();
  void karsiJono();
  bool tilaaJonossa();
  void hae();
  // Names the T00 lines after the search's end with a reader of its own, up to the first one
  // at or after raja (a file offset), which is named too: the batch before it is then known to
  // end there. The window does not search those bytes again. What aloitaHaku found is named
  // first; the search goes on from its end only when that fell short.
  void haeEdelle(std::uint64_t raja);
  // The search ahead for the segment that will ask up to raja, begun now beside the writing
  // of this one: it reads the archive a third time, on a processor of its own. It finds the
  // T00 lines and makes their names; jatkaHakua or haeEdelle queues them, in order, on this
  // one. With the tests' fault hook it waits for haeEdelle, so that the calls keep one order.
  void aloitaHaku(std::uint64_t raja);
  bool otaLoydetyt(std::uint64_t raja);
  // At each reading of the window: an ended search queued, and the next begun once the
  // writing has freed room for it.
  void jatkaHakua();
  void peruHaku() noexcept;
  // Where the naming of T00 lines goes on: past the window's search and the search ahead.
  std::uint64_t hakuAlku() const { return std::max(ikkunanAlku_ + haettu_, edelleHaettu_); }
  // Where the names of the batches the writing pass has not taken begin in nimivarasto_.
  std::size_t otetutNimet() const { return eraAlku_ < erat_.size() ? erat_[eraAlku_].nimenAlku : nimivarasto_.size(); }
  // Whether every T00 line up to the pass's end is named.
  bool kaikkiHaettu() const { return (lopussa_ && haettu_ == maara_) || edelleHaettu_ >= arkistonPituus_; }
  // The queue's T00 line at kohta, the ones before it dropped; none when the search did not
  // name it.
  const Era* eraKohdassa(std::uint64_t kohta) {
    while (eraAlku_ < erat_.size() && erat_[eraAlku_].kohta < kohta) ++eraAlku_;
    return eraAlku_ < erat_.size() && erat_[eraAlku_].kohta == kohta ? &erat_[eraAlku_] : nullptr;
  }
  std::string_view eranNimi(const Era& e) const { return std::string_view(nimivarasto_).substr(e.nimenAlku, e.nimenPituus); }
  std::string_view eranAvain(const Era& e) const {
    return std::string_view(nimivarasto_).substr(e.nimenAlku + e.nimenPituus, e.avaimenPituus);
  }
  std::uint64_t seuraavaEra(std::uint64_t kohta);

  std::string arkisto_;
  alusta::Tiedosto syote_, esi_;
  std::uint64_t arkistonPituus_ = 0;  // where the pass ends
  // The window and the named T00 lines in it.
  std::size_t tarve_ = 3;
  std::size_t eratEdella_ = 0;  // T00 lines named ahead at most
  bool kapeaHaku_ = false;
  std::unique_ptr<char[]> ikkuna_;
  std::size_t ikkunanKoko_ = 0;
  std::uint64_t ikkunanAlku_ = 0;  // the file offset of ikkuna_[0]
  std::size_t maara_ = 0, annettu_ = 0, haettu_ = 0, rajaus_ = 0;
  bool lopussa_ = false;
  char ennenIkkunaa_ = '\n';  // the byte before ikkuna_[0]
  std::vector<Era> erat_;
  std::size_t eraAlku_ = 0;  // the first the writing pass has not reached
  std::uint64_t edelleHaettu_ = 0;  // the search ahead has named every T00 line before it
  std::string nimivarasto_;
  // A search ahead beside the writing: its reader, its buffer, its own maker of names and
  // what it found, the T00 lines from alku on, each with its batch's name (the end of it in
  // nimet) and the length of the name's suffix; every T00 line before loppu is among them.
  // Made once and handed to each search in turn, so that the search itself allocates nothing.
  struct Loydetty {
    std::uint64_t kohta;
    std::uint32_t nimenLoppu, loppuosa;
  };
  struct Haku {
    alusta::Tiedosto lukija;
    std::unique_ptr<char[]> puskuri;
    std::size_t koko = 0;
    std::unique_ptr<NimenMuodostaja> nimeaja;
    std::uint64_t alku = 0, loppu = 0;
    std::vector<Loydetty> rivit;
    std::string nimet;
    std::atomic<bool> seis{false};  // called off: it stops at its next read
  };
  std::unique_ptr<Haku> haku_;     // only seis is touched here while a search runs
  std::string hakunimi_;
  std::future<void> kaynnissa_;
  std::uint64_t hakuRaja_ = 0;  // where the last search begun was to go (0: none was)
  // Reading ahead past the window.
  static constexpr std::size_t esipuskuri_ = 64 * 1024;
  std::unique_ptr<char[]> esiPuskuri_;
  std::size_t esiKoko_ = 0;
  char* esiPuskuri();
  bool taytaEdelta(char* b, std::size_t& n, std::uint64_t alku);
};

}  // namespace split::tito
