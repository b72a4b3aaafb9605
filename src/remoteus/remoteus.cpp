#include "remoteus/remoteus.h"

#include <string>

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace remoteus {

namespace {

// A batch file means nothing outside Windows, and the remote-support client is a Windows
// program: there the maker's remote-support page is opened in the browser instead.
void avaaEtatukisivu() {
  const std::string osoite = std::string(euro::valmistajanPalvelin) + "/etatuki/";
  int koodi = euro::fe_AvaaOsoite(osoite);
  if (koodi <= 32)
    throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                      euro::ansi("Selain ei avaa etätuen sivua (koodi ") + std::to_string(koodi) +
                          "): " + osoite);
}

}  // namespace

void sremo_KaynnistaAsenna() {
  try {
    if constexpr (!alusta::onWindows) {
      avaaEtatukisivu();
      return;
    }
    std::string hakemisto = euro::apppath();
    // An empty one would put the batch file at the root of whatever drive is current.
    if (hakemisto.empty()) euro::heitaVirhe(euro::virhenro::polkuaEiLoydy);
    if (hakemisto.back() != alusta::erotin) hakemisto += alusta::erotin;
    const std::string asiakas = hakemisto + "etatuki.exe";
    const std::string bat = hakemisto + "vombra-etatuki.bat";

    std::string s =
        "@title Avataan Vombra etatuki ...\r\n"
        "@taskkill.exe /f /t /im TeamViewer.exe\r\n";
    for (int i = 0; i < 3; ++i) s += "@taskkill.exe/f /t /im TeamViewer_Service.exe\r\n";
    if (euro::fe_OnkoTiedosto(asiakas)) {
      // Quoted: a data directory such as "...\Omat tiedostot" would otherwise make the command
      // interpreter run "...\Omat" with an argument.
      s += "@choice /C ke /N /D k /T 1 /M hetki\r\n\"" + asiakas + "\"\r\n";
    } else {
      s += "start " + std::string(euro::valmistajanPalvelin) + "/etatuki/vombra-etatuki.exe\r\n";
    }
    alusta::Tiedosto f(bat, alusta::Tila::kirjoita);
    f.kirjoita(s);
    f.sulje();

    euro::fe_KaynnistaTiedosto(bat, "");
  } catch (...) {
    // fe_Virhe puts the mouse pointer back itself.
    euro::fe_Virhe(euro::nykyinenVirhe(), euro::paikka::kaynnistaAsenna);
  }
}

}  // namespace remoteus
