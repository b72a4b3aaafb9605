#include "ikkunat/frmPulma/toiminta.h"

#include <cstdlib>

#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "ikkunat/frmPulma/tulostus.h"
#include "remoteus/remoteus.h"

namespace frmpulma {

using euro::ansi;

Toiminta::Toiminta(ikkunat::Nakyma& nakyma, ikkunat::Leikepoyta& leikepoyta, ikkunat::Tulostin& tulostin)
    : nakyma_(nakyma), leikepoyta_(leikepoyta), tulostin_(tulostin) {
  nakyma_.asetaArvo("lblAppPath", euro::apppath());
}

void Toiminta::tayta(const std::string& raportti, const std::string& hakuehdot) {
  raportti_ = raportti;
  hakuehdot_ = hakuehdot;
  nakyma_.asetaArvo("lblPulma", raportti);
  nakyma_.asetaArvo("lblurl", hakuehdot);
}

euro::Pulmanloppu Toiminta::nayta(const std::string& raportti, const std::string& hakuehdot) {
  tayta(raportti, hakuehdot);
  if (nakyma_.nakyvissa()) return euro::Pulmanloppu::eiNaytetty;
  lopetetaan_ = false;
  nakyma_.naytaModaalisti();
  return lopetetaan_ ? euro::Pulmanloppu::lopetetaan : euro::Pulmanloppu::suljettu;
}

void Toiminta::napsautus(const std::string& ohjain) {
  // Each command traps its own failures; anything unforeseen is still reported, never thrown
  // out of the event.
  try {
    if (ohjain == "cmdOK") cmdOK_Click();
    else if (ohjain == "cmdTulosta") cmdTulosta_Click();
    else if (ohjain == "cmdLeikepoydalle") cmdLeikepoydalle_Click();
    else if (ohjain == "cmdNettineuvot") cmdNettineuvot_Click();
    else if (ohjain == "cmdEtatuki") remoteus::sremo_KaynnistaAsenna();
    else if (ohjain == "cmdLopeta") cmdLopeta_Click();
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), 0, "frmPulma", ohjain + "_Click");
  }
}

void Toiminta::cmdOK_Click() { nakyma_.piilota(); }

void Toiminta::cmdTulosta_Click() {
  try {
    const std::string otsikko = euro::fe_Virheraportti();
    if (!fe_AloitaTulostus(tulostin_)) return;
    tulostin_.asetaKirjasin("Times New Roman", 14);
    tulostin_.asetaKohta(2, 4);
    tulostin_.tulosta(otsikko);
    // The caption as it is now: a report from the set-up above may have replaced it.
    tulostin_.tulosta(raportti_);
    tulostin_.lopetaAsiakirja();
  } catch (...) {
    tulostin_.keskeyta();
    try {
      euro::viesti("Tulostus ei onnistunut: " + euro::nykyinenVirhe().viesti(), "",
                   euro::tyyli::ok);
    } catch (...) {
    }
  }
}

void Toiminta::cmdLeikepoydalle_Click() {
  try {
    leikepoyta_.kopioi(euro::fe_Virheraportti() + "\r\n" + raportti_);
  } catch (...) {
    // Not settled by the design; the person should know the copy is not there.
    try {
      euro::viesti(ansi("Leikepöydälle kopiointi ei onnistunut: ") + euro::nykyinenVirhe().viesti(),
                   "", euro::tyyli::ok);
    } catch (...) {
    }
  }
}

void Toiminta::cmdNettineuvot_Click() {
  std::string osoite;
  try {
    osoite = std::string(euro::valmistajanPalvelin) + "/cgi-bin/search.pl?";
    osoite += hakuehdot_;
    osoite += "&kutsuja=" + euro::fe_UrlKoodaa(euro::exeNimi());
    osoite += "&versio=" + euro::fe_UrlKoodaa(euro::ohjelma().versio);
    if (euro::fe_AvaaOsoite(osoite) > 32) return;
  } catch (...) {
    // Offered by hand below, as far as it was built.
  }
  try {
    int v = euro::viesti(ansi("Avaa selainohjelmaasi sivu \n") + osoite +
                             ansi("\n\nKopioidaanko osoite leikepöydälle?"),
                         "AVAA SIVU MANUAALISESTI", euro::tyyli::kyllaEiKysymys);
    if (v == euro::vastaus::kylla) leikepoyta_.kopioi(osoite);
  } catch (...) {
  }
}

void Toiminta::cmdLopeta_Click() {
  try {
    const std::string otsikko = "Ohjelman lopettaminen";
    if (euro::viesti(ansi("Tämä valinta lopettaa ohjelman ajon\n"
                          "Valinta on tarkoitettu sellaisia tilanteita varten, \n"
                          "jossa ohjelma on virhetilanteen takia jäänyt jumiin\n"
                          "\n"
                          "Lopetatko ohjelman"),
                     otsikko, euro::tyyli::kyllaEiKysymysEiOletus) != euro::vastaus::kylla)
      return;
    if (euro::viesti(ansi("Vahvista vielä lopetus"), otsikko,
                     euro::tyyli::kyllaEiKysymysEiOletus) != euro::vastaus::kylla)
      return;
  } catch (...) {
    return;
  }
  // The error handler waiting for the dialog logs the report first, then ends the program.
  lopetetaan_ = true;
  nakyma_.piilota();
}

Pulmaikkuna::Pulmaikkuna(Lataaja lataa) : lataa_(std::move(lataa)) {}

euro::Pulmanloppu Pulmaikkuna::nayta(const std::string& raportti, const std::string& hakuehdot) {
  return lataa_().nayta(raportti, hakuehdot);
}

bool Pulmaikkuna::naytetaanko() {
  try {
    return !lataa_().auki();
  } catch (...) {
    // Not loaded: nayta fails the same way, and nothing is logged.
    return false;
  }
}

void Pulmaikkuna::lopeta() {
  if (lopetuskoukku) {
    lopetuskoukku();
    return;
  }
  std::_Exit(0);
}

}  // namespace frmpulma
