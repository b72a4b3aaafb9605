// The window's values that a split run reads, one field per control, with a fresh window's
// defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace split {

struct PaloitteluAsetukset {
  std::string tiliotetiedosto;
  std::string kohdehakemisto;
  std::string nimenAlkuosa = "TITO-*-?-";
  std::string nimenLoppuosa = ".TXT";
  // One group: exactly one of the four is on.
  bool avainAsiakastunnus = true;
  bool avainTilinumero = false;
  bool avainNimi = false;
  bool avainPositiot = false;
  std::string posAlku = "49";
  std::string posLoppu = "65";
  bool arkistoi = true;
  bool naytaPaloitellut = false;
  bool suljeLopuksi = false;
  bool paloitteleKaynnistyessa = false;

  // The split key: the one type every format and the journal take it as.
  enum class Tunniste { asiakastunnus, tilinumero, tilinomistajanNimi, positiot };
  // Turns the chosen option on and the other three off.
  void valitse(Tunniste t);
  // The option that is on; none when none is.
  std::optional<Tunniste> tunniste() const;
  // The positions key's first and last position, counted from 1, as the fields give them
  // (rounded half to even; throws on overflow).
  std::pair<std::int32_t, std::int32_t> positiot() const;

  // How the split reads and how far a segment of it runs; never stored with the window's
  // values. Tests make them small, so that buffer borders and segment ends fall everywhere;
  // 0 is the built-in value.
  struct Saadot {
    std::size_t puskuri = 0;  // the format's reader buffer (and its windows over the file)
    struct Jaksot {
      std::size_t tiedostoja = 0;  // company files in a segment
      std::uint64_t tavuja = 0;    // bytes of a segment
      std::size_t ennakko = 0;     // batch headers the split names ahead of a segment
    } jaksot;
    bool kapeaHaku = false;  // the format's narrower search for its batch headers, where it has one
    std::size_t varasto = 0;  // bytes of the run's ledger lines kept in memory before a file takes them
    std::size_t indeksi = 0;  // bytes of a check's index kept for the split, where the format keeps one
    std::size_t sarjat = 0;   // bytes of the ledger's series the check keeps at once
  } saadot;
};

}  // namespace split
