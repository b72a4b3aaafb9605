// What stands at a company file's name, as a split that appends needs to know it: a statement
// of one format never goes into a file that holds another format's, nor through a link.
#pragma once

#include <string>
#include <string_view>

namespace split {

enum class Tiedostolaji {
  puuttuu,     // nothing, or no ordinary file (opening it for appending decides)
  tavallinen,  // an ordinary file of one name that holds no XML document (empty, TITO, text)
  xml,         // an ordinary file whose first character is "<"
  linkki,      // a symbolic link, a reparse point or a file with other names
};

// Reads at most the file's first few kilobytes.
Tiedostolaji tiedostolaji(const std::string& polku);

// Whether a file that begins with these bytes holds an XML document: after byte-order marks
// (UTF-8, UTF-16), white space and the zero bytes of UTF-16, the first character is "<".
// False when the bytes end before that is known.
bool alkaaXml(std::string_view alku);

}  // namespace split
