// What both Win32 windows share: the text border between ANSI and UTF-16, the owner of a
// modal box, and the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace win32puoli {

std::wstring ws(const std::string& ansi);
std::string ansiksi(const std::wstring& s);
std::string ansiksi(const wchar_t* s);

// The window's text as ANSI.
std::string ikkunanTeksti(HWND ikkuna);

// A caption as it is drawn: "&&" is one "&", a single "&" marks the access key.
std::wstring ilmanMerkkia(const std::wstring& s);

// The window that a modal box should belong to: the thread's active window, or none.
HWND omistaja();

// The clipboard as Unicode text. Throws euro::Virhe when it cannot be had.
void tyhjennaLeikepoyta();
void asetaLeikepoydalle(const std::string& teksti);
// What the clipboard holds as text; "" when nothing.
std::string leikepoydalta();

}  // namespace win32puoli
