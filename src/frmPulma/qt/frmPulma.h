// The problem dialog: shows the report of a failure and offers printing, copying, the web
// advice, remote support and ending the program.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "euro/liittymat.h"

namespace Ui {
class frmPulma;
}

class frmPulma : public QDialog {
  Q_OBJECT

 public:
  explicit frmPulma(QWidget* parent = nullptr);
  ~frmPulma() override;

  // The captions of lblPulma and lblurl, as the error handler sets them (ANSI text).
  void tayta(const std::string& raportti, const std::string& hakuehdot);
  const std::string& raportti() const { return raportti_; }
  const std::string& hakuehdot() const { return hakuehdot_; }

  // Whether the person chose to end the program since the last showing.
  bool lopetetaan() const { return lopetetaan_; }
  void nollaaLopetus() { lopetetaan_ = false; }

  Ui::frmPulma* ui() const { return ui_; }

 private slots:
  void cmdOK_Click();
  void cmdTulosta_Click();
  void cmdLeikepoydalle_Click();
  void cmdNettineuvot_Click();
  void cmdEtatuki_Click();
  void cmdLopeta_Click();

 private:
  Ui::frmPulma* ui_;
  std::string raportti_, hakuehdot_;
  bool lopetetaan_ = false;
};

// The problem dialog as the error handler sees it: one dialog, loaded on first use and kept.
class Pulmaikkuna : public euro::Ongelmaikkuna {
 public:
  Pulmaikkuna();
  ~Pulmaikkuna() override;
  // Refills the dialog; when it is open already (a report from one of its own buttons), that
  // is all, and the showing fails.
  euro::Pulmanloppu nayta(const std::string& raportti, const std::string& hakuehdot) override;
  // Ends the process at once: no window event runs any more and nothing is saved.
  void lopeta() override;

  frmPulma& ikkuna();
  bool ladattu() const { return ikkuna_ != nullptr; }

  // Tests act instead of the person: the dialog is handed over just before it is shown.
  static inline std::function<void(frmPulma&)> testikoukku;
  // Tests only: what ending the program does instead.
  static inline std::function<void()> lopetuskoukku;

 private:
  std::unique_ptr<frmPulma> ikkuna_;
};
