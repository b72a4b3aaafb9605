// A window's values as an ordered list of controls, and the settings file written from it
// and read back into it. The window toolkit adapts its widgets to the list; so does the
// split settings record, so a front without a window reads the very same file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "euro/virhe.h"

namespace settings {

enum class Laji { tekstilaatikko, valintaruutu, valintanappi, yhdistelmaruutu, luetteloruutu, muu };

struct Ohjain {
  Laji laji = Laji::muu;
  std::string nimi;
  std::optional<int> indeksi;  // index in a control array
  // The value as text: a text box's text; a check box's "0", "1" or "2"; an option button's
  // "True" or "False"; a combo box's current text; a list box's selected item.
  std::string arvo;
  bool moniRivinen = false;  // text box MultiLine
  // Combo box: items, selected item (-1 none) and style (2 = drop-down list).
  std::vector<std::string> kohteet;
  int valittu = -1;
  int tyyli = 0;
  // Option buttons of one group share this; selecting one clears the others.
  std::string ryhma;
};

using Lomake = std::vector<Ohjain>;

// The control's index in its control array in decimal, "" when it is no member of one.
std::string fe_Indeksi(const Ohjain& o);

// Writes a line for every saved control. The old file is replaced only once the new one is
// complete, so a failed save leaves it as it was. Failures are told in a message box.
void se_TallennaFormi(const std::string& polku, const Lomake& lomake);

// Puts every value of the file back into the control that its line names. A missing file
// passes in silence; other failures are told in a message box, earlier lines staying applied.
void se_LueFormi(const std::string& polku, Lomake& lomake);

// The message box of a failure being handled: "Virhe:" + number + LF + description.
void se_NaytaVirhe(const std::string& otsikko, const euro::Virhe& virhe);

// Sets a control's value as a line of the file does, selecting within its option group.
void asetaArvo(Lomake& lomake, std::size_t i, const std::string& arvo);

}  // namespace settings
