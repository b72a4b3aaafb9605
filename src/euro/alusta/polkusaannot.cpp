#include <cctype>
#include <string>

#include "euro/alusta/alusta.h"

namespace alusta {

bool vaihtaaNimen(std::string_view tiedostonimi) {
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
