#include "ikkunat/frmPulma/tulostus.h"

#include <string>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace frmpulma {

namespace {

void palautaHiiri() noexcept {
  try {
    if (auto* v = euro::ohjelma().viestit) v->palautaHiiri();
  } catch (...) {
  }
}

}  // namespace

bool fe_AloitaTulostus(ikkunat::Tulostin& t) {
  std::string paikka = "1";
  bool tulos = true;
  paikka = "2";
  try {
    // A bare name: the file is looked for in the current directory.
    if (euro::fe_LueAsetus("kysytulo.oma", "chkKysyTulostin") != "0") {
      paikka = "3";
      t.valmistele();
      paikka = "4";
      const bool peruttu = t.valitse();
      paikka = "5";
      if (peruttu) {
        paikka = "6";
        tulos = false;
      }
      paikka = "7";
    } else {
      paikka = "8";
      t.valmistele();
      paikka = "9";
    }
    // From here on a failure means that no printer can be used.
    paikka = "10";
    t.asetaSenttimetrit();
    paikka = "11";
    t.asetaSivualue(0);
    paikka = "12";
    t.asetaLajittelu(true);
    paikka = "13";
    return tulos;
  } catch (...) {
    if (paikka == "10" || paikka == "11" || paikka == "12") {
      try {
        euro::viesti(euro::ansi("Pulma: Tulostinta ei löydy. Tarkista kirjoitinasetukset tai "
                                "vaihda kirjoitinporttia."),
                     "", euro::tyyli::ok);
      } catch (...) {
      }
      palautaHiiri();
      return false;
    }
    palautaHiiri();
    euro::fe_Virhe(euro::nykyinenVirhe(), euro::paikka::aloitaTulostus.kutsurivi,
                   euro::paikka::aloitaTulostus.moduuli,
                   std::string(euro::paikka::aloitaTulostus.rutiini) + paikka);
    return tulos;
  }
}

}  // namespace frmpulma
