// What a window's behaviour asks of its view: the toolkit's window with the controls of its
// description. Controls are reached by their names; all text is ANSI.
#pragma once

#include <string>

namespace ikkunat {

class Nakyma {
 public:
  virtual ~Nakyma() = default;

  // A control's value in the settings file's form: a text box's text; a check box's "0", "1"
  // or "2" (greyed); an option button's "True" or "False"; the caption of a label, button or
  // frame. "" for a name the window does not have.
  virtual std::string arvo(const std::string& ohjain) const = 0;
  // Sets a value in the same form. "True" on an option button selects it and clears the
  // others of its group; "False" may be ignored. A label's caption may hold CR LF line ends.
  // A name the window does not have is ignored.
  virtual void asetaArvo(const std::string& ohjain, const std::string& arvo) = 0;

  // The window's caption.
  virtual std::string otsikko() const = 0;
  virtual void asetaOtsikko(const std::string& otsikko) = 0;

  // Shows the window without waiting.
  virtual void nayta() = 0;
  // Shows the window modally and returns when it is hidden again (dialogs).
  virtual void naytaModaalisti() = 0;
  // Hides the window; a modal showing ends.
  virtual void piilota() = 0;
  virtual bool nakyvissa() const = 0;

  // Ends the program at once: the window is dropped, nothing more is saved, and no later
  // event of this window runs. Called before the window was ever shown (an automatic run at
  // start-up) it must still make the program end instead of showing it.
  virtual void lopetaOhjelma() = 0;
};

}  // namespace ikkunat
