#include "qt/tulostin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace tulostus {

namespace {

QString qs(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

}  // namespace

Tulostin::Tulostin() : laite_(QPrinter::HighResolution) {}
Tulostin::~Tulostin() {
  keskeyta();
}

bool Tulostin::kaytettava() const {
  if (laite_.outputFormat() == QPrinter::PdfFormat) return !laite_.outputFileName().isEmpty();
  return laite_.isValid() && !laite_.printerName().isEmpty();
}

void Tulostin::asetaSenttimetrit() {
  if (!kaytettava()) euro::heitaVirhe(euro::virhenro::tulostinvirhe);
  senttimetrit_ = true;
}

double Tulostin::yksikko() const {
  // Device pixels per centimetre, or per twip before the unit was chosen.
  return laite_.resolution() / (senttimetrit_ ? 2.54 : 1440.0);
}

void Tulostin::valmistele() { laite_.setFontEmbeddingEnabled(true); }

bool Tulostin::valitse() {
  QPrintDialog d(&laite_, QApplication::activeWindow());
  if (valintakoukku) valintakoukku(d);
  return d.exec() != QDialog::Accepted;
}

void Tulostin::asetaSivualue(int sivut) { laite_.setFromTo(sivut, sivut); }
void Tulostin::asetaLajittelu(bool lajitellaan) { laite_.setCollateCopies(lajitellaan); }

void Tulostin::uusiSivu() {
  if (maalari_) laite_.newPage();
  y_ = 0;
  x_ = vasen_;
}

void Tulostin::asetaKirjasin(const std::string& nimi, double pisteet) {
  kirjasin_ = QFont(qs(nimi));
  kirjasin_.setPointSizeF(pisteet);
  if (maalari_) maalari_->setFont(kirjasin_);
}

void Tulostin::asetaKohta(double vasemmalta, double ylhaalta) {
  vasen_ = x_ = vasemmalta * yksikko();
  y_ = ylhaalta * yksikko();
}

void Tulostin::tulosta(const std::string& teksti) {
  if (!maalari_) {
    auto m = std::make_unique<QPainter>();
    if (!m->begin(&laite_)) {
      const QString kohde = laite_.outputFormat() == QPrinter::PdfFormat ? laite_.outputFileName()
                                                                         : laite_.printerName();
      std::u16string u(reinterpret_cast<const char16_t*>(kohde.utf16()),
                       static_cast<std::size_t>(kohde.size()));
      euro::heitaVirhe(euro::virhenro::tulostinvirhe, euro::utf16Ansi(u));
    }
    maalari_ = std::move(m);
    maalari_->setFont(kirjasin_);
  }
  const QFontMetricsF mitat(kirjasin_, &laite_);
  const double korkeus = laite_.pageRect(QPrinter::DevicePixel).height();
  std::size_t alku = 0;
  for (;;) {
    std::size_t loppu = teksti.find_first_of("\r\n", alku);
    const std::string rivi =
        teksti.substr(alku, loppu == std::string::npos ? std::string::npos : loppu - alku);
    if (y_ + mitat.height() > korkeus && y_ > 0) {
      laite_.newPage();
      y_ = 0;
    }
    maalari_->drawText(QPointF(x_, y_ + mitat.ascent()), qs(rivi));
    x_ = vasen_;
    y_ += mitat.lineSpacing();
    if (loppu == std::string::npos) break;
    alku = loppu + (teksti.compare(loppu, 2, "\r\n") == 0 ? 2 : 1);
  }
}

void Tulostin::lopetaAsiakirja() {
  if (!maalari_) return;
  auto m = std::move(maalari_);
  if (!m->end()) euro::heitaVirhe(euro::virhenro::tulostinvirhe);
}

void Tulostin::keskeyta() noexcept {
  if (!maalari_) return;
  laite_.abort();
  maalari_->end();
  maalari_.reset();
}

Tulostin& tulostin() {
  // Goes with the application object: a printer must not outlive Qt's printing support.
  static Tulostin* t = nullptr;
  if (!t) {
    t = new Tulostin;
    qAddPostRoutine([] {
      delete t;
      t = nullptr;
    });
  }
  return *t;
}

}  // namespace tulostus
