#include "euro/rivilukija.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads all lines of the input through a buffer of the given size, handing out at most
// `pala` bytes per source call so that line ends fall across buffer borders.
std::vector<std::string> rivit(const std::string& syote, std::size_t puskuri, std::size_t pala) {
  std::size_t kohta = 0;
  euro::RiviLukija lukija(
      [&](char* b, std::size_t n) {
        std::size_t m = std::min({n, pala, syote.size() - kohta});
        std::memcpy(b, syote.data() + kohta, m);
        kohta += m;
        return m;
      },
      puskuri);
  std::vector<std::string> tulos;
  std::string r;
  while (lukija.lueRivi(r)) tulos.push_back(r);
  return tulos;
}

struct Tapaus {
  const char* nimi;
  std::string syote;
  std::vector<std::string> odotettu;
};

TEST(RiviLukija, RivinLoputKaikissaPuskureissa) {
  const std::vector<Tapaus> tapaukset = {
      {"tyhja", "", {}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"yksinainen cr", "a\rb\r", {"a", "b"}},
      {"yksinainen lf on merkki", "a\nb\n", {"a\nb\n"}},
      {"loppu ilman paatetta", "a\r\nb", {"a", "b"}},
      {"cr aivan lopussa", "a\r", {"a"}},
      {"pelkka cr", "\r", {""}},
      {"pelkka crlf", "\r\n", {""}},
      {"tyhjat rivit", "\r\n\r\n\r", {"", "", ""}},
      {"lf cr", "a\n\rb", {"a\n", "b"}},
      {"cr cr lf", "a\r\r\nb", {"a", "", "b"}},
      {"lf crlf", "\n\r\n", {"\n"}},
      {"sekoitus", "T00\r\nx\ry\nz\r\n\nw", {"T00", "x", "y\nz", "\nw"}},
      {"nul-tavut", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
  };
  for (const auto& t : tapaukset) {
    for (std::size_t puskuri : {1u, 2u, 3u, 7u, 4096u}) {
      for (std::size_t pala : {1u, 2u, 5u, 4096u}) {
        EXPECT_EQ(rivit(t.syote, puskuri, pala), t.odotettu)
            << t.nimi << " puskuri " << puskuri << " pala " << pala;
      }
    }
  }
}

// Every string over the alphabet {a, CR, LF} up to length 6 against a direct model.
TEST(RiviLukija, KaikkiLyhyetYhdistelmat) {
  const char aakkoset[] = {'a', '\r', '\n'};
  for (int pituus = 0; pituus <= 6; ++pituus) {
    int maara = 1;
    for (int i = 0; i < pituus; ++i) maara *= 3;
    for (int k = 0; k < maara; ++k) {
      std::string s;
      for (int i = 0, x = k; i < pituus; ++i, x /= 3) s += aakkoset[x % 3];
      std::vector<std::string> malli;
      std::string nyt;
      bool kesken = false;
      for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
          malli.push_back(nyt);
          nyt.clear();
          kesken = false;
          if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
          nyt += s[i];
          kesken = true;
        }
      }
      if (kesken) malli.push_back(nyt);
      EXPECT_EQ(rivit(s, 2, 1), malli);
      EXPECT_EQ(rivit(s, 64, 64), malli);
    }
  }
}

TEST(RiviLukija, PitkaRiviKasvattaaVainRivia) {
  std::string pitka(100000, 'x');
  EXPECT_EQ(rivit(pitka + "\r\nT00", 16, 16), (std::vector<std::string>{pitka, "T00"}));
}

}  // namespace
