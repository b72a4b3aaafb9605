// What the Win32 files of the platform layer share: texts and paths in UTF-16, and the
// system's error codes as the classic numbers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace alusta {

// ANSI text in UTF-16, through the Windows-1252 table.
std::wstring leveTeksti(std::string_view ansi);
// Paths and names for the system. A NUL would end them early, so that they named another
// file: one that holds one is refused.
std::wstring leve(std::string_view ansi);
std::string ansiksi(std::wstring_view w);
// GetLastError to the classic number.
std::int32_t virhenumero(DWORD koodi);
[[noreturn]] void heitaKoodi(DWORD koodi, const std::string& polku);
// Whether the code says that nothing is at the path (nor, for a listing, any match).
bool eiLoydy(DWORD koodi);

// Large requests go to ReadFile and WriteFile in pieces that a DWORD holds.
inline constexpr std::size_t pala = 1u << 30;

}  // namespace alusta
