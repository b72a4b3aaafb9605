// The Qt side of the core's interfaces, and the two text borders between ANSI and QString.
#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "euro/liittymat.h"
#include "euro/kuori.h"
#include "euro/ohjelma.h"

namespace qtpuoli {

QString qs(const std::string& ansi);
std::string ansiksi(const QString& s);

// QMessageBox with the classic button and icon sets; no title of its own means "kolvanto".
class QtViestit : public euro::Viestilaatikko {
 public:
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override;
  void palautaHiiri() override;
};

// The open-file dialog as QFileDialog.
class QtTiedostovalitsin : public euro::Tiedostovalitsin {
 public:
  explicit QtTiedostovalitsin(QWidget* omistaja) : omistaja_(omistaja) {}
  std::optional<std::string> valitse(const euro::Tiedostovalinta& v) override;
  // Tests answer instead of the person: the dialog is handed over just before it is shown.
  static inline std::function<void(QFileDialog&)> testikoukku;

 private:
  QWidget* omistaja_;
};

// Installs the Qt side as the program-wide values for the lifetime of the object.
class QtYmparisto {
 public:
  QtYmparisto();
  ~QtYmparisto();
  QtYmparisto(const QtYmparisto&) = delete;
  QtYmparisto& operator=(const QtYmparisto&) = delete;

 private:
  QtViestit viestit_;
  euro::JarjestelmanKaynnistin kaynnistin_;
  euro::Ohjelma ohjelma_;
  euro::Ohjelma* edellinen_;
};

// Loads Qt's own Finnish translations so that standard buttons read "Kyllä", "Ei", "OK".
void lataaKaannokset();

}  // namespace qtpuoli
