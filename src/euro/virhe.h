// Failures: one exception type, the failure report call and the reporting sites.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace euro {

// Classic run-time error numbers used across the program.
namespace virhenro {
inline constexpr std::int32_t virheellinenKutsu = 5;
inline constexpr std::int32_t ylivuoto = 6;
inline constexpr std::int32_t muistiLoppui = 7;
inline constexpr std::int32_t virheellinenNimi = 52;
inline constexpr std::int32_t tiedostoaEiLoydy = 53;
inline constexpr std::int32_t laitevirhe = 57;
inline constexpr std::int32_t tiedostoOnJo = 58;
inline constexpr std::int32_t levyTaynna = 61;
inline constexpr std::int32_t lupaEvatty = 70;
inline constexpr std::int32_t eriAsema = 74;
inline constexpr std::int32_t kayttovirhe = 75;
inline constexpr std::int32_t polkuaEiLoydy = 76;
inline constexpr std::int32_t nullArvo = 94;
inline constexpr std::int32_t tulostinvirhe = 482;
}  // namespace virhenro

// An operating-system or run-time failure: a 32-bit number and an ANSI message.
class Virhe : public std::runtime_error {
 public:
  Virhe(std::int32_t numero, std::string viesti);
  std::int32_t numero() const noexcept { return numero_; }
  const std::string& viesti() const noexcept { return viesti_; }

 private:
  std::int32_t numero_;
  std::string viesti_;
};

// Throws Virhe with the number's standard Finnish message, naming the path when given.
[[noreturn]] void heitaVirhe(std::int32_t numero, const std::string& polku = {});

// The standard Finnish message of a classic error number (ANSI text).
std::string vakioviesti(std::int32_t numero);

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

// The pending failure of a catch block, whatever its type, as a Virhe
// (std::bad_alloc becomes error 7, other exceptions error 5 with their text).
Virhe nykyinenVirhe();

}  // namespace euro
