// The main window: the split settings as controls, start-up, and the split command.
#pragma once

#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "settings/lomake.h"
#include "split/asetukset.h"

namespace Ui {
class frmMain;
}

class frmMain : public QWidget {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // Start-up before the window is first shown. A is the command line's argument text.
  // True when the program is to end at once, without showing the window.
  bool kaynnisty(const std::string& komentorivi);

  // The window's controls in keyboard order as the settings file sees them, and back.
  settings::Lomake lomake() const;
  void asetaLomake(const settings::Lomake& l);
  split::PaloitteluAsetukset asetukset() const;

  void tallennaformi();
  void lueformi();
  // The split command; answers whether it ended the program.
  bool paloittelukomento();

  bool lopetettu() const { return lopetettu_; }
  Ui::frmMain* ui() const { return ui_; }
  // Controls whose designed width was too narrow for the font in use, widened in their room.
  const QStringList& levennetyt() const { return levennetyt_; }

  // The settings file of this window: the data directory with "TITO-JAKO.OMA" appended.
  std::string asetuspolku() const;

 private slots:
  void valitsePaloiteltavaTiedosto();
  void avaaMuistioon();
  void naytaPaloitteluehto();
  void poistuTallentaen();
  void poistuTallentamatta();
  void avaaNettisivu();

 protected:
  bool eventFilter(QObject* kohde, QEvent* tapahtuma) override;

 private:
  void lopeta();
  void levennaKapeat();
  QList<QWidget*> ohjaimet() const;

  Ui::frmMain* ui_;
  bool lopetettu_ = false;
  QStringList levennetyt_;
};
