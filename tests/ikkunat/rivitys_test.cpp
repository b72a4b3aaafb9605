// How both printers lay a report out: lines by every line end, and on to a new page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ikkunat/rivitys.h"

namespace {

TEST(Rivitys, RivitJaSivunvaihdot) {
  // Lines 10 high, 12 apart; "|" marks a new page before the line, "@y" its top.
  struct {
    const char* nimi;
    std::string teksti;
    double alku, sivu, loppu;
    std::vector<std::string> odotettu;
  } const tapaukset[] = {
      {"every line end", "a\r\nb\rc\nd", 0, 1000, 48, {"a@0", "b@12", "c@24", "d@36"}},
      {"CR LF is one end, LF CR two", "a\n\rb", 0, 1000, 36, {"a@0", "@12", "b@24"}},
      {"an end last leaves an empty line", "a\r\n", 0, 1000, 24, {"a@0", "@12"}},
      {"an empty text is one empty line", "", 5, 1000, 17, {"@5"}},
      {"a line that would pass the bottom goes over", "a\r\nb\r\nc", 0, 30, 12,
       {"a@0", "b@12", "|c@0"}},
      {"a line exactly at the bottom stays", "a\r\nb", 0, 22, 24, {"a@0", "b@12"}},
      {"the top of a page never breaks, however tall", "a", 0, 5, 12, {"a@0"}},
      {"going on below an earlier text", "a", 995, 1000, 12, {"|a@0"}},
  };
  for (const auto& t : tapaukset) {
    std::vector<std::string> tulos;
    bool vaihdettu = false;
    const double loppu = ikkunat::rivita(
        t.teksti, t.alku, 10, 12, t.sivu, [&] { vaihdettu = true; },
        [&](const std::string& rivi, double y) {
          tulos.push_back((vaihdettu ? "|" : "") + rivi + "@" + std::to_string(static_cast<int>(y)));
          vaihdettu = false;
        });
    EXPECT_EQ(tulos, t.odotettu) << t.nimi;
    EXPECT_EQ(loppu, t.loppu) << t.nimi;
  }
}

}  // namespace
