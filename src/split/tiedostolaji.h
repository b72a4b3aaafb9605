// What stands at a company file's name, as a split that appends needs to know it: a statement
// of one format never goes into a file that holds another format's, nor through a link.
#pragma once

#include <string>

namespace split {

enum class Tiedostolaji {
  puuttuu,     // nothing, or a folder (opening it for appending fails)
  tavallinen,  // an ordinary file of one name that no format recognises as its own (empty, text, ...)
  tunnistettu,  // an ordinary file whose statements a format recognises as its own (XML, ...)
  linkki,      // a symbolic link, a reparse point or a file with other names
  erikoinen,   // a FIFO, a socket or a device: no file keeps what is written to it
};

// Reads no more of the file than its beginning, up to its first character.
Tiedostolaji tiedostolaji(const std::string& polku);

}  // namespace split
