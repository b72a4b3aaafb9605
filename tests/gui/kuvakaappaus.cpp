// Draws the real main window offscreen into a PNG for the README.
#include <QApplication>
#include <QPixmap>

#include "frmMain/frmMain.h"
#include "frmMain/qtliittymat.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication sovellus(argc, argv);
  if (argc < 2) return 64;
  qtpuoli::lataaKaannokset();
  frmMain ikkuna;
  ikkuna.setWindowTitle(ikkuna.windowTitle() + " - VER:21.8.2018");
  ikkuna.show();
  QApplication::processEvents();
  return ikkuna.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
