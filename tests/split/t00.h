// T00 lines with their fields at the positions the split reads, for the split tests.
#pragma once

#include <string>

namespace testi {

struct T00 {
  std::string tili = "12345678901234";   // 10-23
  // 24-26: blank, so that the split tests' batches of one company, which are no series of
  // statements, are not told as numbers out of sequence.
  std::string numero = "   ";
  std::string alku = "180801";           // 27-32
  std::string loppu = "180831";          // 33-38
  std::string asiakas = "1234567-8";     // 49-65
  std::string nimi = "Yritys Oy";        // 148-182
  std::size_t pituus = 322;

  std::string rivi() const {
    std::string r(pituus < 182 ? 182 : pituus, ' ');
    auto aseta = [&](std::size_t pos, std::size_t len, const std::string& s) {
      r.replace(pos - 1, len, (s + std::string(len, ' ')).substr(0, len));
    };
    aseta(1, 3, "T00");
    aseta(4, 6, "322000");
    aseta(10, 14, tili);
    aseta(24, 3, numero);
    aseta(27, 6, alku);
    aseta(33, 6, loppu);
    aseta(39, 10, "1808311200");
    aseta(49, 17, asiakas);
    aseta(148, 35, nimi);
    return r.substr(0, pituus);
  }
};

}  // namespace testi
