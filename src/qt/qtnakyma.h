// A Qt window built from its description, and the view interface over its widgets.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>

#include "ikkunat/kuvaus.h"
#include "ikkunat/liittymat.h"
#include "ikkunat/nakyma.h"

namespace qtpuoli {

// Makes the window's widgets from the description inside ikkuna: names, captions, values,
// places, frames, keyboard order, font and colours; the window gets its designed client size,
// fixed. Captions that the font needs more room for are widened as the description says;
// their names are answered.
QStringList rakenna(QWidget& ikkuna, const ikkunat::Ikkunakuvaus& kuvaus);

// Forwards the window's events by control name as its description has them: clicks on its
// buttons and clickable labels, Esc as a press of its cancel button, and its system menu's
// entries (a context menu here, with their shortcuts) by their names.
void kytke(QWidget& ikkuna, const ikkunat::Ikkunakuvaus& kuvaus,
           std::function<void(const std::string&)> napsautus);

// ikkunat::Nakyma over the widgets that rakenna made. The window itself supplies showing and
// ending; a QDialog is shown modally by exec.
class QtNakyma : public ikkunat::Nakyma {
 public:
  QtNakyma(QWidget& ikkuna, const ikkunat::Ikkunakuvaus& kuvaus) : ikkuna_(ikkuna), kuvaus_(kuvaus) {}

  std::string arvo(const std::string& ohjain) const override;
  void asetaArvo(const std::string& ohjain, const std::string& arvo) override;
  std::string otsikko() const override;
  void asetaOtsikko(const std::string& otsikko) override;
  void nayta() override;
  void naytaModaalisti() override;
  void piilota() override;
  bool nakyvissa() const override;

  // A widget of the window by its control name, as its Qt class; nullptr when there is none.
  template <class T = QWidget>
  T* ohjain(const std::string& nimi) const {
    return ikkuna_.findChild<T*>(QString::fromStdString(nimi));
  }

 private:
  QWidget& ikkuna_;
  const ikkunat::Ikkunakuvaus& kuvaus_;
};

// The clipboard as QClipboard, the text as Unicode.
class QtLeikepoyta : public ikkunat::Leikepoyta {
 public:
  void kopioi(const std::string& teksti) override;
};

}  // namespace qtpuoli
