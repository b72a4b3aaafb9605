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

int QtViestit::nayta(const std::string& teksti, const std::string& otsikko, int tyyli) {
  QMessageBox laatikko(QApplication::activeWindow());
  laatikko.setWindowTitle(qs(otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : otsikko));
  laatikko.setText(qs(teksti));
  // The sets the core asks for: OK (0, 16 critical, 48 warning) and Yes/No with a question
  // (36, and 292 with No the default).
  switch (tyyli & 0xF0) {
    case 16: laatikko.setIcon(QMessageBox::Critical); break;
    case 32: laatikko.setIcon(QMessageBox::Question); break;
    case 48: laatikko.setIcon(QMessageBox::Warning); break;
    default: laatikko.setIcon(QMessageBox::NoIcon); break;
  }
  if ((tyyli & 0x0F) == 4) {
    laatikko.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    laatikko.setDefaultButton((tyyli & 0xF00) == 256 ? QMessageBox::No : QMessageBox::Yes);
  } else {
    laatikko.setStandardButtons(QMessageBox::Ok);
    laatikko.setDefaultButton(QMessageBox::Ok);
    laatikko.setEscapeButton(QMessageBox::Ok);
  }
  laatikko.exec();
  switch (laatikko.standardButton(laatikko.clickedButton())) {
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

void lataaKaannokset() {
  static QTranslator qtbase;
  if (qtbase.load(QLocale(QLocale::Finnish, QLocale::Finland), "qtbase", "_",
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtbase);
}

}  // namespace qtpuoli
