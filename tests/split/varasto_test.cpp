// The store of a run's ledger lines: runs of keyed lines, some dropped back to a mark, given back
// in the order given and merged by key as a model has them, whether memory held them or a file.
#include "split/varasto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tuki/testituki.h"

namespace {

TEST(Varasto, OsatLomitettuinaKutenMalli) {
  struct Tapaus {
    const char* kuvaus;
    std::size_t raja;    // the bytes kept in memory; 1: every line in the file
    std::size_t pitkia;  // one line in this many is longer than a read of a run
  };
  const Tapaus tapaukset[] = {{"muistissa", 1u << 20, 0}, {"tiedostossa", 1, 0}, {"välillä", 300, 0},
                              {"pitkät rivit", 1, 5}};
  for (const Tapaus& t : tapaukset) {
    for (unsigned siemen = 1; siemen <= 20; ++siemen) {
      SCOPED_TRACE(std::string(t.kuvaus) + ", siemen " + std::to_string(siemen));
      testi::Kansio k;
      std::mt19937 arpa(siemen);
      split::Varasto v(k.polku(), t.raja);
      std::vector<std::uint64_t> rajat{0};
      std::vector<std::string> malli;  // the lines of the runs kept
      const int osia = 1 + static_cast<int>(arpa() % 6);
      for (int osa = 0; osa < osia; ++osa) {
        // A run's keys grow; a part that does not fit is dropped and its keys come again.
        for (bool pudotetaan = true; pudotetaan;) {
          pudotetaan = arpa() % 4 == 0;
          std::vector<std::string> rivit;
          std::uint64_t avain = 0;
          const int n = static_cast<int>(arpa() % 40);
          for (int i = 0; i < n; ++i) {
            avain += 1 + arpa() % 1000;
            char a[17];
            std::snprintf(a, sizeof a, "%016llx", static_cast<unsigned long long>(avain * 8 + osa));
            std::string rivi = std::string(a) + "rivi " + std::to_string(i);
            if (t.pitkia && arpa() % t.pitkia == 0) rivi += std::string(20000, 'x');
            v.lisaa(rivi);
            rivit.push_back(rivi);
          }
          if (pudotetaan) {
            v.palaa(rajat.back());
          } else {
            malli.insert(malli.end(), rivit.begin(), rivit.end());
            rajat.push_back(v.koko());
          }
        }
      }
      // Read in the order given, the dropped lines are gone from the file too.
      std::vector<std::string> annettu;
      v.kay([&](const std::string& r) { annettu.push_back(r); });
      EXPECT_EQ(annettu, malli);
      std::sort(malli.begin(), malli.end());
      std::vector<std::string> saatiin;
      v.kayLomittain(rajat, 16, [&](const std::string& r) { saatiin.push_back(r); });
      EXPECT_EQ(saatiin, malli);
    }
  }
}

}  // namespace
