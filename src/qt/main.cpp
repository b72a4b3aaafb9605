#include <QApplication>
#include <QStringList>

#include "euro/alusta/alusta.h"
#include "euro/ohjelma.h"
#include "euro/virheraportti.h"
#include "qt/frmMain.h"
#include "qt/qtliittymat.h"
#include "qt/frmPulma.h"
#include "settings/apppath.h"

int main(int argc, char** argv) {
  QApplication sovellus(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kolvanto"));
  qtpuoli::lataaKaannokset();

  qtpuoli::QtYmparisto ymparisto;
  // Every failure from here on is shown in the problem dialog and logged.
  QtPulmaikkuna pulma;
  euro::ohjelma().ongelmat = &pulma;
  euro::ohjelma().apppath = settings::fe_apppath;
  euro::asetaVirheKasittelija(euro::kasitteleVirhe);

  // The argument text after the program's path, Qt's own options already taken out.
  std::string komentorivi;
  for (const std::string& a : alusta::komentorivi(argc, argv))
    komentorivi += (komentorivi.empty() ? "" : " ") + a;

  frmMain ikkuna;
  if (ikkuna.kaynnisty(komentorivi)) return 0;
  ikkuna.show();
  return QApplication::exec();
}
