// Which company file takes a TITO batch: the file of its own name, unless an XML document, a
// link or a FIFO, socket or device stands there (appending would corrupt the first, write past
// the target through the second, and wait for a reader or write nowhere into the last); then the first of name-2, name-3, ... that can take it, numbered before the suffix
// as the XML split numbers its files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "split/hajautus.h"
#include "split/paloittele.h"

namespace split::tito {

class Kohdenimet {
 public:
  // kohde ends with the separator; the summary, when given, gets a note of every name taken
  // in another's place.
  Kohdenimet(std::string kohde, Yhteenveto* y) : kohde_(std::move(kohde)), y_(y) {}

  // The file for the batches of nimi, decided at its first batch and kept for the run; toinen
  // tells whether it is another name (otherwise the answer is nimi itself). loppu: how many
  // bytes of nimi its suffix made. poissa: the caller knows that nothing stood at nimi when
  // the split began (a listing of the target lacks it), so that the file there is the one
  // this split makes: the disk is not asked, and nothing is remembered, as the caller can
  // tell the same again.
  const std::string& valitse(const std::string& nimi, std::size_t loppu, bool& toinen, bool poissa = false);

  // A decision already recorded (in a journal): kept as it is, the disk not looked at.
  void aseta(const std::string& nimi, const std::string& tiedosto);
  // Lists the target once: a name it lacks is then not looked at on the disk. A target of more
  // files than the bound is not listed.
  void luetteleKohde();

 private:
  struct Valinta {
    std::string tiedosto;
    bool toinen;
  };
  std::string kohde_;
  Yhteenveto* y_;
  // The target's names by hash, when listed, each with omaTiedosto once its own file was
  // found to take its batches: a name the listing lacks costs no memory. A byte a name, as
  // the tables' bound of names is a part of a large run's peak.
  HajautusT<std::uint8_t> lista_;
  bool listattu_ = false;
  HajautusT<std::uint8_t> omat_;  // unlisted: names whose own file takes their batches, by hash
  std::unordered_map<std::string, Valinta> valinnat_;  // names that go to another file
};

}  // namespace split::tito
