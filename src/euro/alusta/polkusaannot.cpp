#include <cctype>
#include <string>

#include "euro/alusta/alusta.h"

namespace alusta {

bool onLaitenimi(const std::string& tiedostonimi) {
  if constexpr (!onWindows) {
    return false;
  } else {
    // Windows ignores the extension and trailing blanks and dots of the base name.
    std::string perus = tiedostonimi.substr(0, tiedostonimi.find('.'));
    while (!perus.empty() && (perus.back() == ' ' || perus.back() == '.')) perus.pop_back();
    for (char& c : perus) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (perus == "CON" || perus == "PRN" || perus == "AUX" || perus == "NUL") return true;
    if (perus.size() == 4 && (perus.compare(0, 3, "COM") == 0 || perus.compare(0, 3, "LPT") == 0))
      return perus[3] >= '1' && perus[3] <= '9';
    return false;
  }
}

bool vaihtaaNimen(const std::string& tiedostonimi) {
  if constexpr (!onWindows) {
    return false;
  } else {
    return !tiedostonimi.empty() && (tiedostonimi.back() == '.' || tiedostonimi.back() == ' ');
  }
}

bool onAbsoluuttinen(const std::string& polku) {
  if constexpr (!onWindows) {
    return !polku.empty() && polku[0] == '/';
  } else {
    if (!polku.empty() && polku[0] == '\\') return true;  // root of the drive, or a network path
    return polku.size() >= 3 && std::isalpha(static_cast<unsigned char>(polku[0])) &&
           polku[1] == ':' && polku[2] == '\\';
  }
}

bool onTaysiPolku(const std::string& polku) {
  if constexpr (!onWindows) {
    return !polku.empty() && polku[0] == '/';
  } else {
    return polku.size() >= 3 && std::isalpha(static_cast<unsigned char>(polku[0])) &&
           polku[1] == ':' && polku[2] == '\\';
  }
}

}  // namespace alusta
