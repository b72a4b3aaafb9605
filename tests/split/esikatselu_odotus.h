// The bytes that the split-condition preview should give, built from its parts.
#pragma once

#include <string>
#include <vector>

#include "euro/teksti.h"

namespace testi {

inline std::string viivain() {
  std::string s;
  for (int i = 0; i < 32; ++i) s += "123456789*";
  return s;
}

// 0, 10, ..., 320, each padded to ten characters.
inline std::string asteikko() {
  std::string s;
  for (int n = 0; n <= 320; n += 10) {
    std::string luku = std::to_string(n);
    s += luku + std::string(10 - luku.size(), ' ');
  }
  return s;
}

inline std::string esikatselu(const std::string& merkit, const std::vector<std::string>& t00) {
  const std::string kehys = viivain() + "\r\n" + asteikko() + "\r\n";
  std::string s = euro::ansi("Konekielisen tiliotetiedoston erätietueet T00, XXXX = paloitteluehto\r\n\r\n") +
                  kehys + merkit + "\r\n";
  for (const auto& r : t00) s += r + "\r\n";
  return s + merkit + "\r\n" + kehys;
}

}  // namespace testi
