// The program's printer and the printing set-up before a text is printed.
#pragma once

#include <QFont>
#include <QPrinter>
#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPrintDialog;

namespace tulostus {

// The one printer of the program: text is printed line by line from a print position, and the
// document goes to the printer when it is ended.
class Tulostin {
 public:
  Tulostin();
  ~Tulostin();
  Tulostin(const Tulostin&) = delete;
  Tulostin& operator=(const Tulostin&) = delete;

  QPrinter& laite() { return laite_; }
  // A printer of the system, or a file to print into. Without any printer Qt falls back to
  // PDF output with no file, which cannot print.
  bool kaytettava() const;
  // Positions are given in centimetres from here on. Throws when there is no usable printer.
  void asetaSenttimetrit();
  void asetaKirjasin(const QString& nimi, double pisteet);
  // The print position; following lines start again at this distance from the left.
  void asetaKohta(double vasemmalta, double ylhaalta);
  // Prints the lines of an ANSI text (CR LF, CR or LF end a line) and moves to a new line.
  // Throws euro::Virhe when the document cannot be started.
  void tulosta(const std::string& teksti);
  // Sends the document to the printer.
  void lopetaAsiakirja();
  // Drops an unfinished document.
  void keskeyta() noexcept;

 private:
  double yksikko() const;

  QPrinter laite_;
  std::unique_ptr<QPainter> maalari_;
  QFont kirjasin_;
  bool senttimetrit_ = false;
  double vasen_ = 0, x_ = 0, y_ = 0;  // in the printer's pixels
};

Tulostin& tulostin();

// Prepares the printer; "kysytulo.oma" in the current directory decides whether the printer
// is chosen in a dialog first. False when printing must not go on: the choice was cancelled,
// or no printer is usable (told in a message box).
bool fe_AloitaTulostus();

// Tests answer instead of the person: the printer dialog is handed over just before it shows.
inline std::function<void(QPrintDialog&)> valintakoukku;

}  // namespace tulostus
