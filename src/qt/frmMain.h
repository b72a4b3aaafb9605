// The main window on Qt: the widgets of frmmain::kuvaus(), its events forwarded to
// frmmain::Toiminta.
#pragma once

#include <QStringList>
#include <QWidget>
#include <string>

#include "ikkunat/frmMain/toiminta.h"
#include "qt/qtliittymat.h"
#include "qt/qtnakyma.h"

namespace qtpuoli {

class frmMain : public QWidget, public QtNakyma {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);

  // Start-up before the window is first shown; true when the program is to end at once.
  bool kaynnisty(const std::string& komentorivi) { return toiminta_.kaynnisty(komentorivi); }
  frmmain::Toiminta& toiminta() { return toiminta_; }
  bool lopetettu() const { return toiminta_.lopetettu(); }
  // Controls whose designed width was too narrow for the font in use, widened in their room.
  const QStringList& levennetyt() const { return levennetyt_; }

  void lopetaOhjelma() override;

 protected:
  void closeEvent(QCloseEvent* tapahtuma) override;

 private:
  QStringList levennetyt_;
  QtTiedostovalitsin CommonDialog1_;
  frmmain::Toiminta toiminta_;
};

}  // namespace qtpuoli
