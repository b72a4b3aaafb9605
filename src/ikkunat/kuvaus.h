// A window described without any toolkit: its controls with their kinds, names, captions,
// places in twips, frames, keyboard order, initial values, font and colours. Every front
// builds its controls from such a description, so the layout is kept in one place only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ikkunat {

enum class Ohjainlaji {
  nimio,           // label
  tekstilaatikko,  // text box
  valintaruutu,    // check box
  valintanappi,    // option button; the buttons of one frame form one group
  painike,         // command button
  kehys,           // frame with a caption; holds other controls
  tiedostodialogi, // the common dialog: never drawn, no geometry
};

struct Vari {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Vari&) const = default;
};

struct Kirjasin {
  // Family names in order of preference; a front takes the first one it has. "MS Shell Dlg"
  // stands for the system's classic dialog font.
  std::vector<std::string> nimet;
  double pisteet = 8;
  bool lihavoitu = false;
};

struct Ohjainkuvaus {
  Ohjainlaji laji = Ohjainlaji::nimio;
  std::string nimi;
  // ANSI text. The caption of a label, button, check box, option button or frame, with "&"
  // before the access key; empty for a text box.
  std::string teksti;
  // The initial value in the settings file's form: a text box's text, a check box's "0" or
  // "1", an option button's "True" or "False"; empty for other kinds.
  std::string arvo;
  std::string kehys;  // the frame it lies in; empty: the window itself
  // Twips, relative to the frame or to the window's client area.
  int vasen = 0, yla = 0, leveys = 0, korkeus = 0;
  bool nakyva = true;
  bool oletus = false;          // the default button (Enter)
  bool peruutus = false;        // the cancel button (Esc)
  bool rivitetty = false;       // a label that wraps its words, text from the top left
  bool tekstinKokoinen = false; // a label sized to its text from its top left corner
  // Such a label's widest (twips): longer lines wrap at blanks, a word longer than that (a
  // path) anywhere. 0: every line of the text on one line.
  int enimmaisleveys = 0;
  bool napsautettava = false;   // a label that takes clicks (pointing-hand pointer)
};

// A command of the window that has no control: an entry in the window's system menu on
// Windows; on Qt, whose window manager owns that menu, in the window's context menu (the right
// button on the window). Both take its shortcut too. Chosen, it reaches the behaviour as a
// click by its name.
struct Valikkokohta {
  std::string nimi;         // "mnuKuukaudenRaportti"
  std::string teksti;       // ANSI, with "&" before the access key
  std::string pikanappain;  // "Ctrl+R": Ctrl and a letter; empty for none
};

struct Ikkunakuvaus {
  std::string nimi;     // "frmMain"
  std::string otsikko;  // the caption as designed (ANSI)
  int leveys = 0, korkeus = 0;  // client area in twips
  Kirjasin kirjasin;            // for the window and all its controls
  std::optional<Vari> tausta;   // the toolkit's own when empty
  // Whether captions that the front's font needs more room for are widened (levennykset).
  bool levennetaan = true;
  // In keyboard (tab) order: a control's index here is its tab index.
  std::vector<Ohjainkuvaus> ohjaimet;
  // Appended to the system menu in this order, after a separator.
  std::vector<Valikkokohta> jarjestelmavalikko;

  // The control of that name, nullptr when there is none.
  const Ohjainkuvaus* ohjain(std::string_view nimi) const;
  // The button that Esc presses, nullptr when Esc does nothing in this window.
  const Ohjainkuvaus* peruutusnappi() const;
};

// Whether the control takes the focus with the Tab key: visible text boxes, check boxes,
// option buttons and command buttons.
bool sarkainpysahdys(const Ohjainkuvaus& o);

// Captions are never cut off: a control whose caption needs more width than designed grows
// to the right within its room, which ends 60 twips (4 pixels) before the next control to its
// right on the same row, or before the edge of its frame or window. Text boxes, frames,
// wrapped labels and the file dialog keep their width. tarve answers the width in twips that
// the front's font needs for a control's caption. Answers the new widths by control name,
// for every control whose caption needs more than its designed width; nothing for a window
// whose description does not widen.
std::map<std::string, int> levennykset(const Ikkunakuvaus& kuvaus,
                                       const std::function<int(const Ohjainkuvaus&)>& tarve);

// Twips to pixels at the given dots per inch (15 twips a pixel at 96), rounded to nearest.
int pikseleina(int twips, int dpi = 96);

}  // namespace ikkunat
