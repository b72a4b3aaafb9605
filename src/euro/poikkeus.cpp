#include "euro/poikkeus.h"

#include <exception>
#include <new>
#include <utility>

#include "euro/teksti.h"

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
