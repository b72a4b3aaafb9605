// Test support: scripted fakes of the core's interfaces, a recorder of failure reports and
// a scratch folder per test.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "euro/liittymat.h"
#include "euro/ohjelma.h"
#include "euro/virhe.h"

namespace testi {

struct Viesti {
  std::string teksti, otsikko;
  int tyyli;
  bool operator==(const Viesti&) const = default;
};

// Records every message box and answers from a script (OK / No when the script is empty).
class ValeViestit : public euro::Viestilaatikko {
 public:
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override;
  void palautaHiiri() override { ++hiiriPalautettu; }
  std::vector<Viesti> viestit;
  std::deque<int> vastaukset;
  int hiiriPalautettu = 0;
};

struct Kaynnistys {
  std::string kohde;  // the target of avaa, or the command line of kaynnista
  std::string parametrit, tyohakemisto;
  bool komentorivi;  // true: kaynnista, false: avaa
  bool maksimoitu;
  bool operator==(const Kaynnistys&) const = default;
};

// Records what would be started; starts nothing.
class ValeKaynnistin : public euro::Kaynnistin {
 public:
  int avaa(const std::string& kohde, const std::string& parametrit,
           const std::string& tyohakemisto) override;
  void kaynnista(const std::string& komentorivi, bool maksimoitu) override;
  std::vector<Kaynnistys> kaynnistykset;
  int avausKoodi = 42;
  bool kaynnistysEpaonnistuu = false;
};

// Records every dialog it is asked to show and answers from a script: a path, a cancel
// (nullopt), or a failure when the script is empty and epaonnistuu is set.
class ValeTiedostovalitsin : public euro::Tiedostovalitsin {
 public:
  std::optional<std::string> valitse(const euro::Tiedostovalinta& valinta) override;
  std::vector<euro::Tiedostovalinta> valinnat;
  std::deque<std::optional<std::string>> vastaukset;
  bool epaonnistuu = false;
};

// Records every report it is asked to show and ends each showing as `loppu` says.
class ValeOngelmaikkuna : public euro::Ongelmaikkuna {
 public:
  euro::Pulmanloppu nayta(const std::string& raportti, const std::string& hakuehdot) override;
  void lopeta() override {}
  std::vector<std::pair<std::string, std::string>> naytetyt;
  euro::Pulmanloppu loppu = euro::Pulmanloppu::suljettu;
};

// Installs the fakes as the program-wide values for the lifetime of the object, and records
// every fe_Virhe call instead of writing it out.
class Ymparisto {
 public:
  Ymparisto();
  ~Ymparisto();
  Ymparisto(const Ymparisto&) = delete;
  Ymparisto& operator=(const Ymparisto&) = delete;

  ValeViestit viestit;
  ValeKaynnistin kaynnistin;
  ValeOngelmaikkuna ongelmat;
  euro::Ohjelma ohjelma;
  std::vector<euro::Vikailmoitus> virheet;

 private:
  euro::Ohjelma* edellinen_;
  euro::VirheKasittelija edellinenKasittelija_;
};

// A fresh, empty folder for one test, removed with everything in it afterwards. Its path is
// ANSI text with the platform's separator and no closing separator.
class Kansio {
 public:
  Kansio();
  ~Kansio();
  Kansio(const Kansio&) = delete;
  Kansio& operator=(const Kansio&) = delete;
  const std::string& polku() const { return polku_; }
  // polku() + separator + nimi.
  std::string operator/(const std::string& nimi) const;

 private:
  std::string polku_;
};

std::string lueTiedosto(const std::string& polku);
void kirjoitaTiedosto(const std::string& polku, const std::string& sisalto);
bool onOlemassa(const std::string& polku);
void kopioi(const std::string& mista, const std::string& minne);
// Names in a folder, sorted, without "." and "..".
std::vector<std::string> tiedostot(const std::string& kansio);

}  // namespace testi
