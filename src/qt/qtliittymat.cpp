#include "qt/qtliittymat.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "euro/ohjelma.h"
#include "euro/teksti.h"

namespace qtpuoli {

QString qs(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string ansiksi(const QString& s) {
  return euro::utf16Ansi(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                             static_cast<std::size_t>(s.size())));
}

int QtViestit::nayta(const std::string& teksti, const std::string& otsikko, int tyyli) {
  QMessageBox laatikko(QApplication::activeWindow());
  laatikko.setWindowTitle(qs(otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : otsikko));
  laatikko.setText(qs(teksti));
  switch (tyyli & 0xF0) {
    case 16: laatikko.setIcon(QMessageBox::Critical); break;
    case 32: laatikko.setIcon(QMessageBox::Question); break;
    case 48: laatikko.setIcon(QMessageBox::Warning); break;
    case 64: laatikko.setIcon(QMessageBox::Information); break;
    default: laatikko.setIcon(QMessageBox::NoIcon); break;
  }
  QList<QMessageBox::StandardButton> napit;
  switch (tyyli & 0x0F) {
    case 1: napit = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case 3: napit = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    case 4: napit = {QMessageBox::Yes, QMessageBox::No}; break;
    case 5: napit = {QMessageBox::Retry, QMessageBox::Cancel}; break;
    default: napit = {QMessageBox::Ok}; break;
  }
  QMessageBox::StandardButtons kaikki;
  for (auto n : napit) kaikki |= n;
  laatikko.setStandardButtons(kaikki);
  // 256 and 512 make the second or third button the default.
  std::size_t oletus = static_cast<std::size_t>((tyyli & 0xF00) >> 8);
  if (oletus >= static_cast<std::size_t>(napit.size())) oletus = 0;
  laatikko.setDefaultButton(napit[static_cast<qsizetype>(oletus)]);
  if (napit.contains(QMessageBox::Cancel)) laatikko.setEscapeButton(QMessageBox::Cancel);
  else if (napit.size() == 1) laatikko.setEscapeButton(napit[0]);

  laatikko.exec();
  switch (laatikko.standardButton(laatikko.clickedButton())) {
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Yes: return euro::vastaus::kylla;
    case QMessageBox::No: return euro::vastaus::ei;
    default: return euro::vastaus::ok;
  }
}

void QtViestit::palautaHiiri() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

std::optional<std::string> QtTiedostovalitsin::valitse(const euro::Tiedostovalinta& v) {
  QFileDialog d(omistaja_, qs(v.otsikko));
  d.setAcceptMode(QFileDialog::AcceptOpen);
  d.setFileMode(v.tiedostonOltavaOlemassa ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!v.alkuhakemisto.empty()) d.setDirectory(qs(v.alkuhakemisto));
  QStringList suodattimet;
  for (const auto& s : v.suodattimet) {
    // QFileDialog reads the patterns from the brackets of the display text.
    QString teksti = qs(s.teksti), malli = qs(s.malli);
    suodattimet << (teksti.endsWith("(" + malli + ")") ? teksti : teksti + " (" + malli + ")");
  }
  if (!suodattimet.isEmpty()) {
    d.setNameFilters(suodattimet);
    if (v.valittuSuodatin < static_cast<std::size_t>(suodattimet.size()))
      d.selectNameFilter(suodattimet[static_cast<qsizetype>(v.valittuSuodatin)]);
  }
  if (!v.tiedostonimi.empty()) d.selectFile(qs(v.tiedostonimi));
  if (testikoukku) testikoukku(d);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
  return ansiksi(QDir::toNativeSeparators(d.selectedFiles().first()));
}

QtYmparisto::QtYmparisto() : ohjelma_(euro::ohjelma()) {
  ohjelma_.viestit = &viestit_;
  ohjelma_.kaynnistin = &kaynnistin_;
  edellinen_ = euro::asetaOhjelma(&ohjelma_);
}

QtYmparisto::~QtYmparisto() { euro::asetaOhjelma(edellinen_); }

void lataaKaannokset() {
  static QTranslator qtbase;
  if (qtbase.load(QLocale(QLocale::Finnish, QLocale::Finland), "qtbase", "_",
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtbase);
}

}  // namespace qtpuoli
