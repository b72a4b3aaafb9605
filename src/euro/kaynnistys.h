// What every program installs at start-up: its message box and problem dialog, the
// platform's launcher and fe_apppath as the program-wide values.
#pragma once

#include <functional>
#include <string>

#include "kuori.h"
#include "liittymat.h"
#include "ohjelma.h"

namespace euro {

// Installs for its lifetime; the previous values are back when it ends. apppath is
// settings::fe_apppath, which lies above this library.
class Kaynnistys {
 public:
  Kaynnistys(Viestilaatikko& viestit, Ongelmaikkuna& ongelmat, std::function<std::string()> apppath);
  ~Kaynnistys();
  Kaynnistys(const Kaynnistys&) = delete;
  Kaynnistys& operator=(const Kaynnistys&) = delete;

  Ohjelma& ohjelma() { return ohjelma_; }

 private:
  JarjestelmanKaynnistin kaynnistin_;
  Ohjelma ohjelma_;
  Ohjelma* edellinen_;
};

}  // namespace euro
