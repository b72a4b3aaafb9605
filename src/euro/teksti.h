// ANSI text: std::string holding Windows-1252 bytes, one character one byte.
// Encodings change only at the file system and at the window toolkit, through these tables,
// never through the process locale.
#pragma once

#include <string>
#include <string_view>

namespace euro {

// Windows-1252 to UTF-8 and back. Undefined codes 0x81 0x8D 0x8F 0x90 0x9D map to the
// C1 controls of the same value, so every byte goes through and back unchanged.
std::string ansiUtf8(std::string_view ansi);
// UTF-8 to Windows-1252; a character that Windows-1252 cannot hold, or a broken sequence,
// becomes "?".
std::string utf8Ansi(std::string_view utf8);

std::u16string ansiUtf16(std::string_view ansi);
std::string utf16Ansi(std::u16string_view utf16);

// A UTF-8 literal of the source as ANSI text: ansi("ei löydy").
inline std::string ansi(std::string_view utf8) { return utf8Ansi(utf8); }

// Case mapping by the Windows-1252 table: a-z, å ä ö and the other accented letters.
char isoksi(char c);
char pieneksi(char c);
std::string isoksi(std::string_view s);
std::string pieneksi(std::string_view s);

// Whether the bytes are UTF-8 holding at least one character beyond ASCII, as Linux editors
// save text. Windows-1252 text with letters such as "ä" in it practically never is.
bool onUtf8(std::string_view s);
// A line of the program's own small files (settings, ainehake.oma, kysytulo.oma) as a Linux
// editor may have saved it: the byte-order mark of the file's first line dropped, UTF-8 taken
// to ANSI text. Anything else is Windows-1252 and stays as it is.
std::string omaRivi(std::string rivi, bool ensimmainen);

// Leading and trailing blanks (the space character only) removed.
std::string trimmaa(std::string_view s);

}  // namespace euro
