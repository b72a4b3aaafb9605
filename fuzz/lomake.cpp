// The settings reader over an arbitrary settings file, into the main window's controls and
// the kinds it has not (multi-line text box, combo boxes, an array member, list box, label).
// A model of the reading rules says what every control holds afterwards; a save and a second
// read must then give the same values back. Input: the read sizes' byte, the file.
#include "euro/polut.h"
#include "euro/teksti.h"
#include "fuzztuki.h"
#include "settings/lomake.h"
#include "settings/paloitteluasetukset.h"

namespace {

using settings::Laji;
using settings::Lomake;
using settings::Ohjain;

Lomake alkutila() {
  Lomake l = settings::ohjaimiksi(split::PaloitteluAsetukset{});
  Ohjain o;
  o.laji = Laji::tekstilaatikko;
  o.nimi = "txtMoni";
  o.moniRivinen = true;
  l.push_back(o);
  for (int tyyli : {0, 2}) {
    Ohjain c;
    c.laji = Laji::yhdistelmaruutu;
    c.nimi = tyyli == 2 ? "cboLista" : "cboVapaa";
    c.kohteet = {"yksi", "kaksi", "kaksi"};
    c.valittu = 0;
    c.arvo = "yksi";
    c.tyyli = tyyli;
    l.push_back(c);
  }
  Ohjain r;
  r.laji = Laji::valintaruutu;
  r.nimi = "chkValinta";
  r.indeksi = 3;
  r.arvo = "0";
  l.push_back(r);
  Ohjain lst;
  lst.laji = Laji::luetteloruutu;
  lst.nimi = "lstLuettelo";
  l.push_back(lst);
  Ohjain nimio;
  nimio.nimi = "Label1";
  nimio.arvo = "Nimi";
  l.push_back(nimio);
  return l;
}

std::string avain(const Ohjain& o) {
  return o.indeksi ? o.nimi + "(" + std::to_string(*o.indeksi) + ")" : o.nimi;
}

// The reading rules, line by line; false when a line stops the reading.
bool malli(const std::string& sisalto, Lomake& l) {
  for (const std::string& rivi : fuzz::omatRivit(sisalto)) {
    std::size_t p = rivi.find('=');
    if (p == std::string::npos) continue;
    if (p == 0) return false;
    std::string nimi = rivi.substr(0, p - 1);
    std::string arvo = p + 2 <= rivi.size() ? rivi.substr(p + 2) : "";
    for (Ohjain& o : l) {
      if (avain(o) != nimi) continue;
      if (o.laji == Laji::yhdistelmaruutu) {
        bool loytyi = false;
        for (std::size_t j = 0; j < o.kohteet.size() && !loytyi; ++j) {
          if (o.kohteet[j] != arvo) continue;
          o.valittu = static_cast<int>(j);
          o.arvo = arvo;
          loytyi = true;
        }
        if (!loytyi && o.tyyli != 2) o.arvo = arvo;
      } else if (o.laji == Laji::valintanappi) {
        bool paalla = arvo == "True" || arvo == "Tosi";
        o.arvo = paalla ? "True" : "False";
        if (paalla)
          for (Ohjain& toinen : l)
            if (&toinen != &o && toinen.laji == Laji::valintanappi && toinen.ryhma == o.ryhma)
              toinen.arvo = "False";
      } else if (o.laji == Laji::valintaruutu) {
        o.arvo = arvo == "1" || arvo == "True" || arvo == "Tosi" ? "1" : "0";
      } else {
        o.arvo = arvo;
        if (o.laji == Laji::tekstilaatikko && o.moniRivinen) o.arvo = euro::fe_Korvaa(arvo, "\xBF", "\r\n");
      }
      break;
    }
  }
  return true;
}

// tallennettu: only what a save keeps, the values of the saved kinds.
void samat(const Lomake& a, const Lomake& b, bool tallennettu) {
  VARMISTA(a.size() == b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (tallennettu && a[i].laji == Laji::muu) continue;
    VARMISTA(a[i].arvo == b[i].arvo);
    if (!tallennettu) VARMISTA(a[i].valittu == b[i].valittu);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  const std::string sisalto(reinterpret_cast<const char*>(data), koko);
  const fuzz::fs::path kansio = fuzz::tyhjaKansio("lomake");
  const std::string tiedosto = (kansio / "TITO-JAKO.OMA").string();
  fuzz::kirjoita(tiedosto, sisalto);

  Lomake odotettu = alkutila();
  const bool loppuun = malli(sisalto, odotettu);

  fuzz::Ymparisto ymp;
  testi::Lukukoot koot(vuoro);
  Lomake l = alkutila();
  settings::se_LueFormi(tiedosto, l);
  samat(l, odotettu, false);
  VARMISTA(ymp.virheet.empty());
  if (loppuun) {
    VARMISTA(ymp.viestit.empty());
  } else {
    // A line that begins with "=": told once, as a reading failure 5.
    VARMISTA(ymp.viestit.size() == 1);
    VARMISTA(ymp.viestit[0].otsikko == "Pulma lomakkeen oletusarvoja luettaessa5");
    VARMISTA(ymp.viestit[0].teksti ==
             "Virhe:5\n" + euro::vakioviesti(euro::virhenro::virheellinenKutsu));
    ymp.viestit.clear();
  }

  // What was read survives a save and a second read.
  const std::string toinen = (kansio / "TOINEN.OMA").string();
  settings::se_TallennaFormi(toinen, l);
  VARMISTA(ymp.viestit.empty());
  VARMISTA(fuzz::rivit(fuzz::lue(toinen), true).size() == l.size() - 1);  // the label has no line
  Lomake takaisin = alkutila();
  settings::se_LueFormi(toinen, takaisin);
  VARMISTA(ymp.viestit.empty());
  samat(takaisin, l, true);
  return 0;
}
