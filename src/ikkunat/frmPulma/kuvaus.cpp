#include "ikkunat/frmPulma/kuvaus.h"

#include "euro/teksti.h"

namespace frmpulma {

namespace {

ikkunat::Ikkunakuvaus rakenna() {
  using L = ikkunat::Ohjainlaji;
  auto ohjain = [](L laji, const char* nimi, const char* teksti, int vasen, int yla, int leveys,
                   int korkeus) {
    ikkunat::Ohjainkuvaus o;
    o.laji = laji;
    o.nimi = nimi;
    o.teksti = euro::ansi(teksti);
    o.vasen = vasen;
    o.yla = yla;
    o.leveys = leveys;
    o.korkeus = korkeus;
    return o;
  };
  ikkunat::Ikkunakuvaus k;
  k.nimi = "frmPulma";
  k.otsikko = "Pulma";
  k.leveys = 7080;
  k.korkeus = 4125;
  k.kirjasin = {{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}, 8.25, true};
  k.tausta = ikkunat::Vari{192, 192, 192};
  // Keyboard order; tab index 6 was left unused in the design.
  k.ohjaimet = {
      ohjain(L::nimio, "lblPulma", "", 525, 690, 0, 0),
      ohjain(L::painike, "cmdOK", "&OK", 4380, 3525, 1245, 510),
      ohjain(L::painike, "cmdTulosta", "&Tulosta", 5760, 3525, 1170, 510),
      ohjain(L::painike, "cmdNettineuvot", "&Nettineuvot", 5760, 2865, 1170, 510),
      ohjain(L::nimio, "lblurl", "", 4530, 1365, 480, 195),
      ohjain(L::painike, "cmdLopeta", "&Lopeta", 4410, 2865, 1215, 516),
      ohjain(L::painike, "cmdEtatuki", "&etäVombra", 4440, 2040, 1170, 630),
      ohjain(L::painike, "cmdLeikepoydalle", "Lei&kepöydälle", 5385, 1245, 1515, 516),
      ohjain(L::nimio, "lblAppPath", "", 540, 240, 6210, 300),
  };
  k.ohjaimet[0].tekstinKokoinen = true;
  // A report with a path is longer than the dialog is wide: it wraps left of the buttons
  // (cmdOK's edge less a gap), so that no button covers any of it.
  k.ohjaimet[0].enimmaisleveys = 4380 - 120 - 525;
  k.ohjaimet[1].oletus = true;
  // Esc closes the report as a dialog's Esc does, through OK.
  k.ohjaimet[1].peruutus = true;
  // The bold captions fit their buttons as designed; a toolkit's button padding asks for more.
  k.levennetaan = false;
  k.ohjaimet[4].nakyva = false;
  return k;
}

}  // namespace

const ikkunat::Ikkunakuvaus& kuvaus() {
  static const ikkunat::Ikkunakuvaus k = rakenna();
  return k;
}

}  // namespace frmpulma
