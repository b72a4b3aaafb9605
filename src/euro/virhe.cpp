#include "virhe.h"

#include <exception>
#include <mutex>
#include <new>
#include <utility>

#include "alusta/alusta.h"
#include "ohjelma.h"
#include "teksti.h"

namespace euro {

Virhe::Virhe(std::int32_t numero, std::string viesti)
    : std::runtime_error(ansiUtf8(viesti)), numero_(numero), viesti_(std::move(viesti)) {}

std::string vakioviesti(std::int32_t numero) {
  switch (numero) {
    case virhenro::virheellinenKutsu: return ansi("Virheellinen proseduurikutsu tai argumentti");
    case virhenro::ylivuoto: return ansi("Ylivuoto");
    case virhenro::muistiLoppui: return ansi("Muisti loppui");
    case virhenro::virheellinenNimi: return ansi("Virheellinen tiedostonimi tai -numero");
    case virhenro::tiedostoaEiLoydy: return ansi("Tiedostoa ei löydy");
    case virhenro::laitevirhe: return ansi("Laitteen siirräntävirhe");
    case virhenro::tiedostoOnJo: return ansi("Tiedosto on jo olemassa");
    case virhenro::levyTaynna: return ansi("Levy on täynnä");
    case virhenro::lupaEvatty: return ansi("Lupa evätty");
    case virhenro::eriAsema: return ansi("Ei voi nimetä uudelleen eri asemalle");
    case virhenro::kayttovirhe: return ansi("Polun tai tiedoston käyttövirhe");
    case virhenro::polkuaEiLoydy: return ansi("Polkua ei löydy");
    case virhenro::nullArvo: return ansi("Null-arvon virheellinen käyttö");
    case virhenro::tulostinvirhe: return ansi("Tulostinvirhe");
    default: return ansi("Sovellusvirhe ") + std::to_string(numero);
  }
}

void heitaVirhe(std::int32_t numero, const std::string& polku) {
  std::string viesti = vakioviesti(numero);
  if (!polku.empty()) viesti += ": " + polku;
  throw Virhe(numero, std::move(viesti));
}

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

Virhe nykyinenVirhe() {
  try {
    throw;
  } catch (const Virhe& v) {
    return v;
  } catch (const std::bad_alloc&) {
    return Virhe(virhenro::muistiLoppui, vakioviesti(virhenro::muistiLoppui));
  } catch (const std::exception& e) {
    return Virhe(virhenro::virheellinenKutsu, utf8Ansi(e.what()));
  } catch (...) {
    return Virhe(virhenro::virheellinenKutsu, vakioviesti(virhenro::virheellinenKutsu));
  }
}

}  // namespace euro
