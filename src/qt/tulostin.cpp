#include "qt/tulostin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>

#include "euro/virhe.h"
#include "ikkunat/rivitys.h"
#include "qt/qtteksti.h"

namespace qtpuoli {

QtTulostin::QtTulostin() : laite_(QPrinter::HighResolution) {}
QtTulostin::~QtTulostin() {
  keskeyta();
}

bool QtTulostin::kaytettava() const {
  if (laite_.outputFormat() == QPrinter::PdfFormat) return !laite_.outputFileName().isEmpty();
  return laite_.isValid() && !laite_.printerName().isEmpty();
}

void QtTulostin::asetaSenttimetrit() {
  if (!kaytettava()) euro::heitaVirhe(euro::virhenro::tulostinvirhe);
  senttimetrit_ = true;
}

double QtTulostin::yksikko() const {
  // Device pixels per centimetre, or per twip before the unit was chosen.
  return laite_.resolution() / (senttimetrit_ ? 2.54 : 1440.0);
}

void QtTulostin::valmistele() { laite_.setFontEmbeddingEnabled(true); }

bool QtTulostin::valitse() {
  QPrintDialog d(&laite_, QApplication::activeWindow());
  if (valintakoukku) valintakoukku(d);
  return d.exec() != QDialog::Accepted;
}

void QtTulostin::asetaSivualue(int sivut) { laite_.setFromTo(sivut, sivut); }
void QtTulostin::asetaLajittelu(bool lajitellaan) { laite_.setCollateCopies(lajitellaan); }

void QtTulostin::asetaKirjasin(const std::string& nimi, double pisteet) {
  kirjasin_ = QFont(qs(nimi));
  kirjasin_.setPointSizeF(pisteet);
  if (maalari_) maalari_->setFont(kirjasin_);
}

void QtTulostin::asetaKohta(double vasemmalta, double ylhaalta) {
  vasen_ = vasemmalta * yksikko();
  y_ = ylhaalta * yksikko();
}

void QtTulostin::tulosta(const std::string& teksti) {
  if (!maalari_) {
    auto m = std::make_unique<QPainter>();
    if (!m->begin(&laite_)) {
      const QString kohde = laite_.outputFormat() == QPrinter::PdfFormat ? laite_.outputFileName()
                                                                         : laite_.printerName();
      euro::heitaVirhe(euro::virhenro::tulostinvirhe, ansiksi(kohde));
    }
    maalari_ = std::move(m);
    maalari_->setFont(kirjasin_);
  }
  const QFontMetricsF mitat(kirjasin_, &laite_);
  y_ = ikkunat::rivita(
      teksti, y_, mitat.height(), mitat.lineSpacing(), laite_.pageRect(QPrinter::DevicePixel).height(),
      [this] { laite_.newPage(); },
      [this, &mitat](const std::string& rivi, double y) {
        maalari_->drawText(QPointF(vasen_, y + mitat.ascent()), qs(rivi));
      });
}

void QtTulostin::lopetaAsiakirja() {
  if (!maalari_) return;
  auto m = std::move(maalari_);
  if (!m->end()) euro::heitaVirhe(euro::virhenro::tulostinvirhe);
}

void QtTulostin::keskeyta() noexcept {
  if (!maalari_) return;
  laite_.abort();
  maalari_->end();
  maalari_.reset();
}

QtTulostin& tulostin() {
  // Goes with the application object: a printer must not outlive Qt's printing support.
  static QtTulostin* t = nullptr;
  if (!t) {
    t = new QtTulostin;
    qAddPostRoutine([] {
      delete t;
      t = nullptr;
    });
  }
  return *t;
}

}  // namespace qtpuoli
