#include "virhe.h"

#include <mutex>
#include <utility>

#include "alusta/alusta.h"
#include "ohjelma.h"
#include "teksti.h"

namespace euro {

namespace {

void oletusKasittelija(const Vikailmoitus& v) {
  std::string s = v.viesti + " (virhe " + std::to_string(v.numero) + ")  " +
                  std::to_string(v.kutsurivi) + " " + v.moduuli + " " + v.rutiini + "\n";
  alusta::kirjoitaKonsoliin(2, s);
}

VirheKasittelija& kasittelija() {
  static VirheKasittelija k = oletusKasittelija;
  return k;
}

}  // namespace

VirheKasittelija asetaVirheKasittelija(VirheKasittelija uusi) {
  if (!uusi) uusi = oletusKasittelija;
  return std::exchange(kasittelija(), std::move(uusi));
}

void fe_Virhe(std::int32_t numero, const std::string& viesti, std::int16_t kutsurivi,
              const std::string& moduuli, const std::string& rutiini) noexcept {
  try {
    if (auto* v = ohjelma().viestit) v->palautaHiiri();
  } catch (...) {
  }
  try {
    Vikailmoitus ilmoitus{numero, viesti, kutsurivi, moduuli, rutiini};
    kasittelija()(ilmoitus);
  } catch (...) {
    // A handler that fails has nowhere left to report to.
  }
}

void fe_Virhe(const Virhe& virhe, const Raportointipaikka& paikka) noexcept {
  try {
    fe_Virhe(virhe.numero(), virhe.viesti(), paikka.kutsurivi, paikka.moduuli, paikka.rutiini);
  } catch (...) {
  }
}

void fe_Virhe(const Virhe& virhe, std::int16_t kutsurivi, const std::string& moduuli,
              const std::string& rutiini) noexcept {
  fe_Virhe(virhe.numero(), virhe.viesti(), kutsurivi, moduuli, rutiini);
}

}  // namespace euro
