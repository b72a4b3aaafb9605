#include <QApplication>
#include <QStringList>

#include "euro/alusta/alusta.h"
#include "euro/ohjelma.h"
#include "frmMain/frmMain.h"
#include "frmMain/qtliittymat.h"

int main(int argc, char** argv) {
  QApplication sovellus(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kolvanto"));
  qtpuoli::lataaKaannokset();

  qtpuoli::QtYmparisto ymparisto;

  // The argument text after the program's path, Qt's own options already taken out.
  std::string komentorivi;
  for (const std::string& a : alusta::komentorivi(argc, argv))
    komentorivi += (komentorivi.empty() ? "" : " ") + a;

  frmMain ikkuna;
  if (ikkuna.kaynnisty(komentorivi)) return 0;
  ikkuna.show();
  return QApplication::exec();
}
