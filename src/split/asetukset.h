// The window's values that a split run reads, one field per control, with a fresh window's
// defaults.
#pragma once

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

  enum class Tunniste { asiakastunnus, tilinumero, tilinomistajanNimi, positiot };
  // Turns the chosen option on and the other three off.
  void valitse(Tunniste t);
};

}  // namespace split
