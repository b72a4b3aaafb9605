// Failures: the failure report call and the reporting sites, over the exception type.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "euro/poikkeus.h"

namespace euro {

// Where a failure is reported from: call line, module name, routine name.
struct Raportointipaikka {
  std::int16_t kutsurivi;
  const char* moduuli;
  const char* rutiini;
};

// Every reporting site of the program, in one place.
namespace paikka {
inline constexpr Raportointipaikka paloittele{100, "kolvanto", "paloittele"};
inline constexpr Raportointipaikka paljasHakemisto{319, "euro.bas", "fe_PaljasHakemisto"};
inline constexpr Raportointipaikka paljasTiedosto{320, "", "fe_PaljasTiedosto"};
inline constexpr Raportointipaikka cposr{9002, "euro.bas", "fe_cposr"};
inline constexpr Raportointipaikka va{2036, "euro.bas", "va"};
inline constexpr Raportointipaikka yleisval{2000, "euro.bas", "fe_yleisval"};
inline constexpr Raportointipaikka avaaTiedosto{9099, "RaroVuvYhteinen", "fe_AvaaTiedosto"};
inline constexpr Raportointipaikka kaynnistaAsenna{9201, "remoteus.bas", "sremo_KaynnistaAsenna"};
// The printing set-up appends its step marker to this routine name.
inline constexpr Raportointipaikka aloitaTulostus{7277, "RaroVuvYht2", "fe_AloitaTulostus, paikka = "};
}  // namespace paikka

// What a handler receives: the pending error and the site, unchanged.
struct Vikailmoitus {
  std::int32_t numero;
  std::string viesti;
  std::int16_t kutsurivi;
  std::string moduuli;
  std::string rutiini;
};

using VirheKasittelija = std::function<void(const Vikailmoitus&)>;

// Installs the handler behind fe_Virhe and returns the previous one. An empty handler
// restores the default, which writes the report to standard error.
VirheKasittelija asetaVirheKasittelija(VirheKasittelija kasittelija);

// The failure report call. Resets the mouse pointer, hands the failure to the handler and
// returns; never throws and never ends the program.
void fe_Virhe(std::int32_t numero, const std::string& viesti, std::int16_t kutsurivi,
              const std::string& moduuli, const std::string& rutiini) noexcept;
void fe_Virhe(const Virhe& virhe, const Raportointipaikka& paikka) noexcept;
void fe_Virhe(const Virhe& virhe, std::int16_t kutsurivi, const std::string& moduuli,
              const std::string& rutiini) noexcept;

}  // namespace euro
