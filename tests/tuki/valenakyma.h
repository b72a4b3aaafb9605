// Scripted fakes of a window's view, the clipboard and the printer: they hold what a real
// toolkit would show and record every call, so a window's behaviour runs without a toolkit.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ikkunat/kuvaus.h"
#include "ikkunat/liittymat.h"
#include "ikkunat/nakyma.h"

namespace testi {

class ValeNakyma : public ikkunat::Nakyma {
 public:
  // The controls and initial values of a description.
  explicit ValeNakyma(const ikkunat::Ikkunakuvaus& kuvaus);

  std::string arvo(const std::string& ohjain) const override;
  void asetaArvo(const std::string& ohjain, const std::string& arvo) override;
  std::string otsikko() const override { return otsikko_; }
  void asetaOtsikko(const std::string& otsikko) override;
  void nayta() override;
  // Runs modaalisena while the window is open, then closes it if it still is.
  void naytaModaalisti() override;
  void piilota() override;
  bool nakyvissa() const override { return nakyvissa_; }
  void lopetaOhjelma() override;

  // What the person does while the window is shown modally.
  std::function<void()> modaalisena;
  // Where clicks go, as a front forwards them to the window's behaviour.
  std::function<void(const std::string&)> napsautus;
  // The Esc key: presses the description's cancel button as both fronts do; nothing without.
  void painaEsc();
  // Every call that changed something, e.g. "asetaArvo lblurl=terms=", "piilota".
  std::vector<std::string> kutsut;
  bool lopetettu = false;

 private:
  const ikkunat::Ikkunakuvaus& kuvaus_;
  std::map<std::string, std::string> arvot_;
  std::string otsikko_;
  bool nakyvissa_ = false;
};

// Holds the last text copied; fails when told to.
class ValeLeikepoyta : public ikkunat::Leikepoyta {
 public:
  void kopioi(const std::string& teksti) override;
  std::string teksti;
  int kopioita = 0;
  bool epaonnistuu = false;
};

// Records every call as a line ("kirjasin Times New Roman 14", "kohta 2 4", "rivi ...") and
// throws euro::Virhe at the call named in pettaa ("valitse", "senttimetrit", "rivi", ...).
class ValeTulostin : public ikkunat::Tulostin {
 public:
  void valmistele() override;
  bool valitse() override;
  void asetaSenttimetrit() override;
  void asetaSivualue(int sivut) override;
  void asetaLajittelu(bool lajitellaan) override;
  void asetaKirjasin(const std::string& nimi, double pisteet) override;
  void asetaKohta(double vasemmalta, double ylhaalta) override;
  void tulosta(const std::string& teksti) override;
  void lopetaAsiakirja() override;
  void keskeyta() noexcept override;

  std::vector<std::string> kutsut;
  bool peruttu = false;  // the answer of valitse
  std::string pettaa;
  std::function<void()> valittaessa;  // runs inside valitse, before its answer

 private:
  void kirjaa(const std::string& kutsu, const std::string& lisa = {});
};

}  // namespace testi
