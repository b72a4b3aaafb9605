#include "kaynnistys.h"

namespace euro {

Kaynnistys::Kaynnistys(Viestilaatikko& viestit, Ongelmaikkuna& ongelmat,
                       std::function<std::string()> apppath)
    : ohjelma_(euro::ohjelma()) {
  ohjelma_.viestit = &viestit;
  ohjelma_.ongelmat = &ongelmat;
  ohjelma_.kaynnistin = &kaynnistin_;
  ohjelma_.apppath = std::move(apppath);
  edellinen_ = asetaOhjelma(&ohjelma_);
}

Kaynnistys::~Kaynnistys() { asetaOhjelma(edellinen_); }

}  // namespace euro
