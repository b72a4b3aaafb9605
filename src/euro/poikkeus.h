// The program's one exception type and the classic error numbers: the floor that every layer,
// the platform layer too, throws with.
#pragma once

#include <cstdint>
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

// The pending failure of a catch block, whatever its type, as a Virhe
// (std::bad_alloc becomes error 7, other exceptions error 5 with their text).
Virhe nykyinenVirhe();

}  // namespace euro
