// The program's printer on Qt.
#pragma once

#include <QFont>
#include <QPrinter>
#include <functional>
#include <memory>
#include <string>

#include "ikkunat/liittymat.h"

class QPainter;
class QPrintDialog;

namespace qtpuoli {

// The one printer of the program: text is printed line by line from a print position, and the
// document goes to the printer when it is ended.
class QtTulostin : public ikkunat::Tulostin {
 public:
  QtTulostin();
  ~QtTulostin();
  QtTulostin(const QtTulostin&) = delete;
  QtTulostin& operator=(const QtTulostin&) = delete;

  QPrinter& laite() { return laite_; }
  // A printer of the system, or a file to print into. Without any printer Qt falls back to
  // PDF output with no file, which cannot print.
  bool kaytettava() const;
  // Font embedding on.
  void valmistele() override;
  // QPrintDialog; true when cancelled.
  bool valitse() override;
  void asetaSenttimetrit() override;
  void asetaSivualue(int sivut) override;
  void asetaLajittelu(bool lajitellaan) override;
  void asetaKirjasin(const std::string& nimi, double pisteet) override;
  void asetaKohta(double vasemmalta, double ylhaalta) override;
  // Throws euro::Virhe when the document cannot be started.
  void tulosta(const std::string& teksti) override;
  void lopetaAsiakirja() override;
  void keskeyta() noexcept override;

  // Tests answer instead of the person: the printer dialog is handed over just before it shows.
  static inline std::function<void(QPrintDialog&)> valintakoukku;

 private:
  double yksikko() const;

  QPrinter laite_;
  std::unique_ptr<QPainter> maalari_;
  QFont kirjasin_;
  bool senttimetrit_ = false;
  double vasen_ = 0, y_ = 0;  // in the printer's pixels
};

QtTulostin& tulostin();

}  // namespace qtpuoli
