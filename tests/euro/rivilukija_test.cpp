#include "euro/rivilukija.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads all lines of the input through a buffer of the given size, handing out at most
// `pala` bytes per source call so that line ends fall across buffer borders.
std::vector<std::string> rivit(const std::string& syote, std::size_t puskuri, std::size_t pala,
                               euro::Rivisaanto saanto = euro::Rivisaanto::omat) {
  std::size_t kohta = 0;
  euro::RiviLukija lukija(
      [&](char* b, std::size_t n) {
        std::size_t m = std::min({n, pala, syote.size() - kohta});
        std::memcpy(b, syote.data() + kohta, m);
        kohta += m;
        return m;
      },
      puskuri, saanto);
  std::vector<std::string> tulos;
  std::string r;
  while (lukija.lueRivi(r)) tulos.push_back(r);
  return tulos;
}

struct Tapaus {
  const char* nimi;
  std::string syote;
  std::vector<std::string> odotettu;
  std::vector<std::string> tiliotteena;  // by the statement file's rule, when it differs
};

TEST(RiviLukija, RivinLoputKaikissaPuskureissa) {
  const std::vector<Tapaus> tapaukset = {
      {"tyhja", "", {}, {}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}, {}},
      {"yksinainen cr", "a\rb\r", {"a", "b"}, {}},
      {"yksinainen lf", "a\nb\n", {"a\nb\n"}, {"a", "b"}},
      {"loppu ilman paatetta", "a\r\nb", {"a", "b"}, {}},
      {"lf-tiedoston loppu ilman paatetta", "a\nb", {"a\nb"}, {"a", "b"}},
      {"cr aivan lopussa", "a\r", {"a"}, {}},
      {"pelkka cr", "\r", {""}, {}},
      {"pelkka crlf", "\r\n", {""}, {}},
      {"pelkka lf", "\n", {"\n"}, {""}},
      {"tyhjat rivit", "\r\n\r\n\r", {"", "", ""}, {}},
      {"tyhja rivi kahdesta lf:sta", "a\n\nb", {"a\n\nb"}, {"a", "", "b"}},
      {"lf cr", "a\n\rb", {"a\n", "b"}, {"a", "", "b"}},
      {"cr cr lf", "a\r\r\nb", {"a", "", "b"}, {}},
      {"lf crlf", "\n\r\n", {"\n"}, {"", ""}},
      {"sekoitus", "T00\r\nx\ry\nz\r\n\nw", {"T00", "x", "y\nz", "\nw"}, {"T00", "x", "y", "z", "", "w"}},
      {"nul-tavut", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}, {}},
  };
  for (const auto& t : tapaukset) {
    for (std::size_t puskuri : {1u, 2u, 3u, 7u, 4096u}) {
      for (std::size_t pala : {1u, 2u, 5u, 4096u}) {
        EXPECT_EQ(rivit(t.syote, puskuri, pala), t.odotettu)
            << t.nimi << " puskuri " << puskuri << " pala " << pala;
        const auto& tiliotteena = t.tiliotteena.empty() ? t.odotettu : t.tiliotteena;
        EXPECT_EQ(rivit(t.syote, puskuri, pala, euro::Rivisaanto::tiliote), tiliotteena)
            << t.nimi << " tiliotteena, puskuri " << puskuri << " pala " << pala;
      }
    }
  }
}

// Every string over the alphabet {a, CR, LF} up to length 7 against a direct model, by both
// rules.
TEST(RiviLukija, KaikkiLyhyetYhdistelmat) {
  const char aakkoset[] = {'a', '\r', '\n'};
  for (bool tiliote : {false, true}) {
    const auto saanto = tiliote ? euro::Rivisaanto::tiliote : euro::Rivisaanto::omat;
    for (int pituus = 0; pituus <= 7; ++pituus) {
      int maara = 1;
      for (int i = 0; i < pituus; ++i) maara *= 3;
      for (int k = 0; k < maara; ++k) {
        std::string s;
        for (int i = 0, x = k; i < pituus; ++i, x /= 3) s += aakkoset[x % 3];
        std::vector<std::string> malli;
        std::string nyt;
        bool kesken = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
          if (s[i] == '\r' || (tiliote && s[i] == '\n')) {
            malli.push_back(nyt);
            nyt.clear();
            kesken = false;
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
          } else {
            nyt += s[i];
            kesken = true;
          }
        }
        if (kesken) malli.push_back(nyt);
        EXPECT_EQ(rivit(s, 2, 1, saanto), malli) << tiliote;
        EXPECT_EQ(rivit(s, 64, 64, saanto), malli) << tiliote;
      }
    }
  }
}

TEST(RiviLukija, PitkaRiviKasvattaaVainRivia) {
  std::string pitka(100000, 'x');
  EXPECT_EQ(rivit(pitka + "\r\nT00", 16, 16), (std::vector<std::string>{pitka, "T00"}));
}

}  // namespace
