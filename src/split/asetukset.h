// The window's values that a split run reads, one field per control, with a fresh window's
// defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace split {

struct PaloitteluAsetukset {
  std::string txtPaloiteltavaTiedosto;
  std::string txtTallennusHakemisto;
  std::string txtNimenAlkuosa = "TITO-*-?-";
  std::string txtNimenLoppuosa = ".TXT";
  // One group: exactly one of the four is on.
  bool optAsiakastunnus = true;
  bool optTilinumero = false;
  bool optTilinomistajanNimi = false;
  bool optPositiot = false;
  std::string txtPosAlku = "49";
  std::string txtPosLoppu = "65";
  bool chkAikaleimaaPaloiteltava = true;
  bool chkNaytaPaloitellut = false;
  bool chkSuljeOhjelmaPaloittelunJalkeen = false;
  bool chkPaloitteleAutomaattisesti = false;

  // The split key: the one type every format and the journal take it as.
  enum class Tunniste { asiakastunnus, tilinumero, tilinomistajanNimi, positiot };
  // Turns the chosen option on and the other three off.
  void valitse(Tunniste t);
  // The option that is on; none when none is.
  std::optional<Tunniste> tunniste() const;

  // How the split reads and how far a segment of it runs; never stored with the window's
  // values. Tests make them small, so that buffer borders and segment ends fall everywhere;
  // 0 is the built-in value.
  struct Saadot {
    std::size_t lukupuskuri = 0;  // TITO: the line reader's buffer
    std::size_t xmlPuskuri = 0;   // XML: the reader's buffer and its windows over the file
    struct Jaksot {
      std::size_t tiedostoja = 0;  // company files in a segment
      std::uint64_t tavuja = 0;    // bytes of a segment
      std::size_t eria = 0;        // TITO: the batches the window names ahead
    };
    Jaksot tito, xml;
    bool kapeaHaku = false;  // TITO: T00 lines searched sixteen bytes at a time, not 32
  } saadot;
};

}  // namespace split
