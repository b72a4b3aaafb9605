// The window's values that a split run reads, one field per control, with a fresh window's
// defaults.
#pragma once

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
};

}  // namespace split
