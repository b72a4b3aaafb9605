// Draws the real windows offscreen into PNG files for the README: the main window, and with a
// second file name the problem dialog filled with a sample report.
#include <QApplication>
#include <QPixmap>

#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "qt/frmPulma.h"

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
  if (argc < 3) return 0;
  qtpuoli::frmPulma pulma;
  pulma.tayta(euro::ansi("Lupa evätty: /home/maija/Tiliotteet/TITO-2018-08-1234567-8.TXT\r\n(virhe 70)\r\n\r\n"
                         "Kutsurivi      100\r\nModuulista   kolvanto\r\nRutiinista     paloittele"),
              "terms=");
  pulma.show();
  QApplication::processEvents();
  return pulma.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
