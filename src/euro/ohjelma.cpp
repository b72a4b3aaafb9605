#include "ohjelma.h"

#include "alusta/alusta.h"
#include "virhe.h"

namespace euro {

namespace {

// Without a front: nothing is shown, questions get the safe answer No.
class HiljainenViestilaatikko : public Viestilaatikko {
 public:
  int nayta(const std::string&, const std::string&, int tyyli) override {
    return (tyyli & 0x0F) == 4 ? vastaus::ei : vastaus::ok;
  }
  void palautaHiiri() override {}
};

class KieltavaKaynnistin : public Kaynnistin {
 public:
  int avaa(const std::string&, const std::string&, const std::string&) override { return 2; }
  void kaynnista(const std::string& komentorivi, bool) override {
    heitaVirhe(virhenro::tiedostoaEiLoydy, komentorivi);
  }
};

class HiljainenOngelmaikkuna : public Ongelmaikkuna {
 public:
  Pulmanloppu nayta(const std::string&, const std::string&) override {
    return Pulmanloppu::eiNaytetty;
  }
  void lopeta() override {}
};

Ohjelma& oletus() {
  static HiljainenViestilaatikko viestit;
  static KieltavaKaynnistin kaynnistin;
  static HiljainenOngelmaikkuna ongelmat;
  static Ohjelma o{{}, versio, &viestit, &ongelmat, &kaynnistin, {}};
  return o;
}

Ohjelma* nykyinen = nullptr;

}  // namespace

Ohjelma& ohjelma() { return nykyinen ? *nykyinen : oletus(); }

Ohjelma* asetaOhjelma(Ohjelma* uusi) {
  Ohjelma* vanha = nykyinen;
  nykyinen = uusi;
  return vanha;
}

int viesti(const std::string& teksti, const std::string& otsikko, int tyyli) {
  Ohjelma& o = ohjelma();
  Viestilaatikko* v = o.viestit ? o.viestit : oletus().viestit;
  return v->nayta(teksti, otsikko, tyyli);
}

Kaynnistin& kaynnistin() {
  Ohjelma& o = ohjelma();
  return o.kaynnistin ? *o.kaynnistin : *oletus().kaynnistin;
}

std::string apppath() {
  Ohjelma& o = ohjelma();
  return o.apppath ? o.apppath() : alusta::ohjelmanHakemisto();
}

}  // namespace euro
