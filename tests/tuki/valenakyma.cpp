#include "valenakyma.h"

#include <sstream>

#include "euro/virhe.h"

namespace testi {

ValeNakyma::ValeNakyma(const ikkunat::Ikkunakuvaus& kuvaus)
    : kuvaus_(kuvaus), otsikko_(kuvaus.otsikko) {
  for (const ikkunat::Ohjainkuvaus& o : kuvaus.ohjaimet) {
    const bool arvollinen = o.laji == ikkunat::Ohjainlaji::tekstilaatikko ||
                            o.laji == ikkunat::Ohjainlaji::valintaruutu ||
                            o.laji == ikkunat::Ohjainlaji::valintanappi;
    arvot_[o.nimi] = arvollinen ? o.arvo : o.teksti;
  }
}

std::string ValeNakyma::arvo(const std::string& ohjain) const {
  auto i = arvot_.find(ohjain);
  return i == arvot_.end() ? std::string() : i->second;
}

void ValeNakyma::asetaArvo(const std::string& ohjain, const std::string& arvo) {
  kutsut.push_back("asetaArvo " + ohjain + "=" + arvo);
  const ikkunat::Ohjainkuvaus* o = kuvaus_.ohjain(ohjain);
  if (!o) return;
  if (o->laji == ikkunat::Ohjainlaji::valintanappi) {
    if (arvo != "True") return;
    for (const ikkunat::Ohjainkuvaus& toinen : kuvaus_.ohjaimet)
      if (toinen.laji == ikkunat::Ohjainlaji::valintanappi && toinen.kehys == o->kehys)
        arvot_[toinen.nimi] = "False";
  }
  arvot_[ohjain] = arvo;
}

void ValeNakyma::painaEsc() {
  if (const ikkunat::Ohjainkuvaus* o = kuvaus_.peruutusnappi(); o && napsautus) napsautus(o->nimi);
}

void ValeNakyma::asetaOtsikko(const std::string& otsikko) {
  kutsut.push_back("asetaOtsikko " + otsikko);
  otsikko_ = otsikko;
}

void ValeNakyma::nayta() {
  kutsut.push_back("nayta");
  nakyvissa_ = true;
}

void ValeNakyma::naytaModaalisti() {
  kutsut.push_back("naytaModaalisti");
  nakyvissa_ = true;
  if (modaalisena) modaalisena();
  nakyvissa_ = false;
}

void ValeNakyma::piilota() {
  kutsut.push_back("piilota");
  nakyvissa_ = false;
}

void ValeNakyma::lopetaOhjelma() {
  kutsut.push_back("lopetaOhjelma");
  lopetettu = true;
  nakyvissa_ = false;
}

void ValeLeikepoyta::kopioi(const std::string& t) {
  if (epaonnistuu) euro::heitaVirhe(euro::virhenro::laitevirhe);
  teksti = t;
  ++kopioita;
}

void ValeTulostin::kirjaa(const std::string& kutsu, const std::string& lisa) {
  kutsut.push_back(lisa.empty() ? kutsu : kutsu + " " + lisa);
  if (kutsu == pettaa) euro::heitaVirhe(euro::virhenro::tulostinvirhe, "VALE");
}

void ValeTulostin::valmistele() { kirjaa("valmistele"); }

bool ValeTulostin::valitse() {
  if (valittaessa) valittaessa();
  kirjaa("valitse");
  return peruttu;
}

void ValeTulostin::asetaSenttimetrit() { kirjaa("senttimetrit"); }
void ValeTulostin::asetaSivualue(int sivut) { kirjaa("sivualue", std::to_string(sivut)); }
void ValeTulostin::asetaLajittelu(bool l) { kirjaa("lajittelu", l ? "1" : "0"); }

void ValeTulostin::asetaKirjasin(const std::string& nimi, double pisteet) {
  std::ostringstream s;
  s << nimi << " " << pisteet;
  kirjaa("kirjasin", s.str());
}

void ValeTulostin::asetaKohta(double vasemmalta, double ylhaalta) {
  std::ostringstream s;
  s << vasemmalta << " " << ylhaalta;
  kirjaa("kohta", s.str());
}

void ValeTulostin::tulosta(const std::string& teksti) { kirjaa("rivi", teksti); }
void ValeTulostin::lopetaAsiakirja() { kirjaa("loppu"); }
void ValeTulostin::keskeyta() noexcept { kutsut.push_back("keskeyta"); }

}  // namespace testi
