// What the problem dialog does, without any toolkit: it is filled with a report, shown
// modally by the central error handler, and offers OK, printing, copying, the web advice,
// remote support and ending the program. A front makes the controls of kuvaus(), implements
// ikkunat::Nakyma for them, creates a Toiminta once they exist and forwards button clicks here.
#pragma once

#include <functional>
#include <string>

#include "euro/liittymat.h"
#include "ikkunat/liittymat.h"
#include "ikkunat/nakyma.h"

namespace frmpulma {

class Toiminta {
 public:
  // The dialog's load: lblAppPath shows the data directory. All three must outlive this.
  Toiminta(ikkunat::Nakyma& nakyma, ikkunat::Leikepoyta& leikepoyta, ikkunat::Tulostin& tulostin);

  // The captions of lblPulma (the report, CR LF lines) and lblurl (the search terms).
  void tayta(const std::string& raportti, const std::string& hakuehdot);
  const std::string& raportti() const { return raportti_; }
  const std::string& hakuehdot() const { return hakuehdot_; }

  // Fills the dialog and shows it modally until it is hidden. A report that arrives while the
  // dialog is open (from one of its own buttons) only refills it: eiNaytetty.
  euro::Pulmanloppu nayta(const std::string& raportti, const std::string& hakuehdot);

  // A click on a button by its name (the access keys and Enter click them too). Other names
  // do nothing. Never throws.
  void napsautus(const std::string& ohjain);

  // Whether the person chose to end the program during the current showing.
  bool lopetetaan() const { return lopetetaan_; }
  // Whether the dialog is shown now.
  bool auki() const { return nakyma_.nakyvissa(); }

 private:
  void cmdOK_Click();
  void cmdTulosta_Click();
  void cmdLeikepoydalle_Click();
  void cmdNettineuvot_Click();
  void cmdLopeta_Click();

  ikkunat::Nakyma& nakyma_;
  ikkunat::Leikepoyta& leikepoyta_;
  ikkunat::Tulostin& tulostin_;
  std::string raportti_, hakuehdot_;
  bool lopetetaan_ = false;
};

// The problem dialog as the central error handler sees it: loaded on first use through
// lataa (the front creates its view, which owns the Toiminta) and kept for later reports.
class Pulmaikkuna : public euro::Ongelmaikkuna {
 public:
  using Lataaja = std::function<Toiminta&()>;
  explicit Pulmaikkuna(Lataaja lataa);
  euro::Pulmanloppu nayta(const std::string& raportti, const std::string& hakuehdot) override;
  // Loads the dialog: true unless it is open already.
  bool naytetaanko() override;
  // Ends the process at once: no window event runs any more and nothing is saved.
  void lopeta() override;

  // Tests only: what ending the program does instead.
  static inline std::function<void()> lopetuskoukku;

 private:
  Lataaja lataa_;
};

}  // namespace frmpulma
