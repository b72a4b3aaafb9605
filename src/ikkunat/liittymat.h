// What the windows ask of the desktop beyond the core's interfaces: the clipboard and the
// printer. Each front implements them; the tests have scripted ones.
#pragma once

#include <string>

namespace ikkunat {

// The clipboard.
class Leikepoyta {
 public:
  virtual ~Leikepoyta() = default;
  // Clears the clipboard, lets pending window events run, then puts the text (ANSI) on it as
  // plain text; a toolkit that knows Unicode text stores it as such. Throws euro::Virhe when
  // the clipboard cannot be written.
  virtual void kopioi(const std::string& teksti) = 0;
};

// The printer, as the problem dialog prints a report: a document of text lines in one font
// from a print position, sent to the printer when it is ended. Every failure throws
// euro::Virhe; the caller tells it in a message box.
class Tulostin {
 public:
  virtual ~Tulostin() = default;

  // The printing set-up calls these in this order (see ikkunat/frmPulma/tulostus.h).
  // The first preparation setting: on whenever printing is being prepared.
  virtual void valmistele() = 0;
  // The printer choice: the system's print dialog, shown modally. True when the person
  // cancelled it.
  virtual bool valitse() = 0;
  // From here on positions are centimetres from the top left of the printable area (before
  // this call they are twips). Throws when there is no usable printer.
  virtual void asetaSenttimetrit() = 0;
  // The second and third preparation settings: the page range (0: every page) and collated
  // copies. Throw when there is no usable printer.
  virtual void asetaSivualue(int sivut) = 0;
  virtual void asetaLajittelu(bool lajitellaan) = 0;

  // Font family and size in points for the lines printed from now on.
  virtual void asetaKirjasin(const std::string& nimi, double pisteet) = 0;
  // The print position; the lines that follow start again at this distance from the left.
  virtual void asetaKohta(double vasemmalta, double ylhaalta) = 0;
  // Prints the lines of a text (CR LF, a lone CR or a lone LF end a line) from the print
  // position and moves to the start of the next line. A line that no longer fits on the page
  // goes to the top of a new one. The document starts with the first line printed.
  virtual void tulosta(const std::string& teksti) = 0;
  // Sends the document to the printer; nothing happens when nothing was printed.
  virtual void lopetaAsiakirja() = 0;
  // Drops an unfinished document.
  virtual void keskeyta() noexcept = 0;
};

}  // namespace ikkunat
