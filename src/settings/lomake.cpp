#include "settings/lomake.h"

#include "euro/alusta/alusta.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"

namespace settings {

namespace {

const std::string rivinvaihtomerkki = "\xBF";  // the inverted question mark

bool kirjoitetaan(Laji l) { return l != Laji::muu; }

std::string avain(const Ohjain& o) {
  std::string i = fe_Indeksi(o);
  return i.empty() ? o.nimi : o.nimi + "(" + i + ")";
}

}  // namespace

std::string fe_Indeksi(const Ohjain& o) { return o.indeksi ? std::to_string(*o.indeksi) : ""; }

void se_NaytaVirhe(const std::string& otsikko, const euro::Virhe& virhe) {
  euro::viesti("Virhe:" + std::to_string(virhe.numero()) + "\n" + virhe.viesti(), otsikko,
               euro::tyyli::huutomerkki);
}

void se_TallennaFormi(const std::string& polku, const Lomake& lomake) {
  const std::string valiaikainen = polku + ".uusi";
  alusta::Tiedosto f;
  try {
    f.avaa(valiaikainen, alusta::Tila::uusi);
    std::string rivit;
    for (const Ohjain& o : lomake) {
      if (!kirjoitetaan(o.laji)) continue;
      std::string arvo = o.arvo;
      if (o.laji == Laji::valintanappi) arvo = o.arvo == "True" ? "True" : "False";
      std::string i = fe_Indeksi(o);
      std::string rivi = i.empty() ? o.nimi + " = " + arvo : o.nimi + "(" + i + ") = " + arvo;
      if (o.laji == Laji::tekstilaatikko && o.moniRivinen)
        rivi = euro::fe_Korvaa(rivi, "\r\n", rivinvaihtomerkki);
      rivit += rivi + "\r\n";
    }
    // Linux reads a line that is UTF-8 as UTF-8: text written as it is there would come back
    // changed whenever its bytes happen to form UTF-8, so it is written in UTF-8.
    if constexpr (!alusta::onWindows) rivit = euro::ansiUtf8(rivit);
    f.kirjoita(rivit);
    f.tallennaLevylle();
    f.sulje();
    alusta::korvaaTiedosto(valiaikainen, polku);
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    f.suljeHiljaa();
    try {
      if (alusta::onkoTavallinenTiedosto(valiaikainen)) alusta::poistaTiedosto(valiaikainen);
    } catch (...) {
    }
    se_NaytaVirhe("Pulma lomakkeen oletustekstien tallennuksessa", virhe);
  }
}

void asetaArvo(Lomake& lomake, std::size_t i, const std::string& arvo) {
  Ohjain& o = lomake[i];
  switch (o.laji) {
    case Laji::yhdistelmaruutu: {
      bool loytyi = false;
      for (std::size_t j = 0; j < o.kohteet.size(); ++j) {
        if (o.kohteet[j] == arvo) {
          o.valittu = static_cast<int>(j);
          o.arvo = o.kohteet[j];
          loytyi = true;
          break;
        }
      }
      if (!loytyi && o.tyyli != 2) o.arvo = arvo;
      break;
    }
    case Laji::valintanappi: {
      bool valittu = arvo == "Tosi" || arvo == "True";
      o.arvo = valittu ? "True" : "False";
      if (valittu && !o.ryhma.empty()) {
        for (std::size_t j = 0; j < lomake.size(); ++j)
          if (j != i && lomake[j].laji == Laji::valintanappi && lomake[j].ryhma == o.ryhma)
            lomake[j].arvo = "False";
      }
      break;
    }
    case Laji::valintaruutu:
      o.arvo = arvo == "1" || arvo == "Tosi" || arvo == "True" ? "1" : "0";
      break;
    default:
      o.arvo = arvo;
      break;
  }
}

void se_LueFormi(const std::string& polku, Lomake& lomake) {
  alusta::Tiedosto f;
  try {
    f.avaa(polku, alusta::Tila::lue);
    // Hand-edited files may end their lines with LF alone.
    euro::RiviLukija lukija([&](char* b, std::size_t n) { return f.lue(b, n); }, 64 * 1024,
                            euro::Rivisaanto::tiliote);
    std::string rivi;
    bool ensimmainen = true;
    while (lukija.lueRivi(rivi)) {
      // Linux editors save UTF-8, with or without a byte-order mark; Windows is unchanged.
      if constexpr (!alusta::onWindows) rivi = euro::omaRivi(std::move(rivi), ensimmainen);
      ensimmainen = false;
      std::size_t p = rivi.find('=');
      if (p == std::string::npos) continue;
      // The name part is the p - 2 characters before " = "; a line that begins with "="
      // would need a negative length.
      if (p == 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);
      std::string nimi = rivi.substr(0, p - 1);
      std::string arvo = p + 2 <= rivi.size() ? rivi.substr(p + 2) : std::string();
      for (std::size_t i = 0; i < lomake.size(); ++i) {
        if (avain(lomake[i]) != nimi) continue;
        asetaArvo(lomake, i, arvo);
        Ohjain& o = lomake[i];
        if (o.laji == Laji::tekstilaatikko && o.moniRivinen)
          o.arvo = euro::fe_Korvaa(o.arvo, rivinvaihtomerkki, "\r\n");
        break;
      }
    }
    f.sulje();
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    f.suljeHiljaa();
    if (virhe.numero() == euro::virhenro::tiedostoaEiLoydy) return;
    se_NaytaVirhe("Pulma lomakkeen oletusarvoja luettaessa" + std::to_string(virhe.numero()), virhe);
  }
}

}  // namespace settings
