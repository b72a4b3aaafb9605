// What the main window does, without any toolkit: start-up with the automatic run, the split
// command and its after-split actions, and the commands of its buttons. A front makes the
// controls of kuvaus(), implements ikkunat::Nakyma for them and forwards the window's events here.
#pragma once

#include <string>

#include "euro/liittymat.h"
#include "ikkunat/nakyma.h"
#include "settings/lomake.h"
#include "split/asetukset.h"

namespace frmmain {

class Toiminta {
 public:
  // CommonDialog1 is the window's file dialog. Both must outlive this object.
  Toiminta(ikkunat::Nakyma& nakyma, euro::Tiedostovalitsin& CommonDialog1);

  // The window's load, before it is first shown: data directory, saved values, caption with
  // the version, and the split command when the command line (the argument text after the
  // program's path) or the saved values ask for it. True when that ended the program: the
  // front must then not show the window.
  bool kaynnisty(const std::string& komentorivi);

  // A click on a button or on the contact line, or a pick of a system menu entry, by the
  // control's or entry's name; the Esc key clicks
  // cmdPoistuTallentamatta. Other names do nothing. Never throws: a failure that a command
  // does not trap itself is reported through fe_Virhe. A click that arrives while an earlier
  // command is still running (a message box or dialog of it is open) is ignored, so a split
  // never starts inside another.
  void napsautus(const std::string& ohjain);

  // The commands behind the buttons, also for a front's own use.
  // The split command; answers whether it ended the program.
  // kaynnistyksessa: the split a start runs (the argument "aja", or the setting).
  bool paloittelukomento(bool kaynnistyksessa = false);
  void tallennaformi();
  void lueformi();

  // The window's controls in keyboard order as the settings file sees them, and back.
  settings::Lomake lomake() const;
  void asetaLomake(const settings::Lomake& lomake);
  split::PaloitteluAsetukset asetukset() const;
  // The data directory with "TITO-JAKO.OMA" appended.
  std::string asetuspolku() const;
  // The data directory with "raportti-YYYY-MM.html" of that month appended.
  static std::string raporttipolku(int vuosi, int kuukausi);

  // The window's frame is being closed. Closing by the frame ends the program unsaved, but
  // not while a command runs (its message box or dialog is open): then nothing happens.
  // True when the window may go.
  bool suljetaanko();

  // Whether the program was ended (lopetaOhjelma of the view was called).
  bool lopetettu() const { return lopetettu_; }

 private:
  void lataa(const std::string& komentorivi);
  void valitsePaloiteltavaTiedosto();
  void avaaMuistioon();
  void naytaPaloitteluehto();
  void avaaNettisivu();
  void avaaKotisivu();
  void avaaRaportti();
  void lopeta();

  ikkunat::Nakyma& nakyma_;
  euro::Tiedostovalitsin& CommonDialog1_;
  bool lopetettu_ = false;
  bool kesken_ = false;
};

}  // namespace frmmain
