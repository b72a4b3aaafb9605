// Draws the real windows offscreen into PNG files for the README: the main window, and with a
// second file name the problem dialog filled with a sample report; a third shows the main
// window with its context menu open (the month's report), a fourth a sample month's report
// page as a browser would lay it out, near enough.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextDocument>

#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "qt/frmPulma.h"
#include "split/raportti.h"
#include "split/raporttikirja.h"

namespace {

// The window with its context menu open at a point of its own, the menu drawn onto it.
bool valikkokuva(qtpuoli::frmMain& ikkuna, const QString& polku) {
  QMenu valikko(&ikkuna);
  valikko.addActions(ikkuna.actions());
  const QPoint kohta(560, 470);
  valikko.popup(ikkuna.mapToGlobal(kohta));
  QApplication::processEvents();
  valikko.resize(valikko.sizeHint());
  QApplication::processEvents();
  QPixmap kuva = ikkuna.grab();
  QPainter p(&kuva);
  p.drawPixmap(kohta, valikko.grab());
  p.end();
  valikko.close();
  return kuva.save(polku);
}

// A sample ledger's March page, laid out by Qt's rich text on a white A4-wide sheet.
bool raporttikuva(const QString& polku) {
  QTemporaryDir data;
  if (!data.isValid()) return false;
  const std::string kansio = data.path().toStdString();
  testi::raportti::kirjoitaKirja(kansio, "/home/maija/Tiliotteet");
  std::string sivu;
  split::raportti::kirjoita(kansio, 2026, 3, [&](const std::string& osa) { sivu += osa; });
  QTextDocument d;
  d.setHtml(QString::fromUtf8(sivu.data(), static_cast<int>(sivu.size())));
  d.setTextWidth(1400);
  QImage kuva(d.size().toSize(), QImage::Format_RGB32);
  kuva.fill(Qt::white);
  QPainter p(&kuva);
  d.drawContents(&p);
  p.end();
  return kuva.save(polku);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication sovellus(argc, argv);
  if (argc < 2) return 64;
  qtpuoli::lataaKaannokset();
  // An office's paths, as an installed program shows them, not the build machine's.
  euro::ohjelma().apppath = [] { return std::string("/home/maija/.local/share/kolvanto/"); };
  qtpuoli::frmMain ikkuna;
  ikkuna.setWindowTitle(ikkuna.windowTitle() + " - VER:" + euro::versio);
  ikkuna.asetaArvo("txtPaloiteltavaTiedosto", "/home/maija/Pankki/TITO.TXT");
  ikkuna.asetaArvo("txtTallennusHakemisto", "/home/maija/Tiliotteet");
  ikkuna.show();
  QApplication::processEvents();
  if (!ikkuna.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;
  if (argc >= 4 && !valikkokuva(ikkuna, QString::fromLocal8Bit(argv[3]))) return 1;
  if (argc >= 5 && !raporttikuva(QString::fromLocal8Bit(argv[4]))) return 1;
  if (argc < 3) return 0;
  qtpuoli::frmPulma pulma;
  pulma.tayta(euro::ansi("Lupa evätty: /home/maija/Tiliotteet/TITO-2018-08-1234567-8.TXT\r\n(virhe 70)\r\n\r\n"
                         "Kutsurivi      100\r\nModuulista   kolvanto\r\nRutiinista     paloittele"),
              "terms=");
  pulma.show();
  QApplication::processEvents();
  return pulma.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
