#include <QApplication>
#include <string>

#include "euro/alusta/alusta.h"
#include "euro/kaynnistys.h"
#include "euro/virheraportti.h"
#include "qt/frmMain.h"
#include "qt/frmPulma.h"
#include "qt/qtliittymat.h"
#include "settings/apppath.h"

int main(int argc, char** argv) {
  QApplication sovellus(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kolvanto"));
  qtpuoli::lataaKaannokset();

  qtpuoli::QtViestit viestit;
  // Every failure from here on is shown in the problem dialog and logged.
  qtpuoli::QtPulmaikkuna pulma;
  euro::Kaynnistys asennettu(viestit, pulma, settings::fe_apppath);
  euro::asetaVirheKasittelija(euro::kasitteleVirhe);

  // The argument text after the program's path, Qt's own options already taken out.
  std::string komentorivi;
  for (const std::string& a : alusta::komentorivi(argc, argv))
    komentorivi += (komentorivi.empty() ? "" : " ") + a;

  qtpuoli::frmMain ikkuna;
  if (ikkuna.kaynnisty(komentorivi)) return 0;
  ikkuna.show();
  return QApplication::exec();
}
