// Environment variables that a test changes, put back as they were when it ends.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "euro/alusta/alusta.h"

namespace testi {

class Muuttujat {
 public:
  ~Muuttujat() {
    for (const auto& [nimi, arvo] : alkuperaiset_) alusta::asetaYmparistomuuttuja(nimi, arvo);
  }
  // nullopt removes the variable.
  void aseta(const std::string& nimi, const std::optional<std::string>& arvo) {
    alkuperaiset_.try_emplace(nimi, alusta::ymparistomuuttuja(nimi));
    alusta::asetaYmparistomuuttuja(nimi, arvo);
  }

 private:
  std::map<std::string, std::optional<std::string>> alkuperaiset_;
};

}  // namespace testi
