// The XML split copies statements out of the statement file through a window that reads ahead
// only for bytes that follow it: whatever order and size the pieces are asked in, each is given
// exactly as the file holds it.
#include "split/camt/tavut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tuki/testituki.h"

namespace {

using split::camt::sisa::Tavut;

// What annaLausunto gives: the gap before the statement with it when the gap is white space.
std::string lausunto(const std::string& s, std::uint64_t alku, std::uint64_t vali, std::uint64_t loppu) {
  const std::string vali_ = s.substr(alku - vali, vali);
  const bool valkoinen = vali_.find_first_not_of(" \t\r\n") == std::string::npos;
  const std::uint64_t a = valkoinen ? alku - vali : alku;
  return s.substr(a, loppu - a);
}

TEST(Tavut, AntaaPalatKutenTiedostossa) {
  testi::Kansio kansio;
  const std::string polku = kansio / "TILIOTE.XML";
  // Bytes with runs of white space, so that some gaps go with their statement and some do not.
  std::mt19937 r(7);
  std::string s(1536 * 1024 + 777, '\0');
  for (char& c : s) c = (r() % 4 == 0) ? " \n\t\r"[r() % 4] : static_cast<char>('a' + r() % 26);
  testi::kirjoitaTiedosto(polku, s);

  struct Tapaus {
    const char* nimi;
    std::uint64_t alku, loppu;  // the segment
    bool hyppien;               // statements taken out of the file's order
    std::uint32_t pisin;        // the longest statement
  };
  const std::vector<Tapaus> tapaukset = {
      {"peräkkäin, lyhyet", 0, s.size(), false, 300},
      {"peräkkäin, ikkunaa pidemmät", 5, s.size(), false, 200 * 1024},
      {"peräkkäin, yhden tavun", 1000, 1024 * 1024 + 5000, false, 1},
      {"hyppien", 0, s.size(), true, 5000},
      {"hyppien, ikkunaa pidemmät", 0, s.size(), true, 150 * 1024},
      {"lyhyt jakso muistissa", 4096, 4096 + 600 * 1024, true, 3000},
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.nimi);
    // The statements of the segment, with gaps of 0 to 256 bytes between them.
    struct Pala {
      std::uint64_t alku, vali, loppu;
    };
    std::vector<Pala> palat;
    for (std::uint64_t k = t.alku + 1; k < t.loppu;) {
      const std::uint64_t vali = std::min<std::uint64_t>(r() % 257, k - t.alku);
      const std::uint64_t loppu = std::min<std::uint64_t>(k + 1 + r() % t.pisin, t.loppu);
      palat.push_back({k, vali, loppu});
      k = loppu + r() % 257;
    }
    if (t.hyppien) std::shuffle(palat.begin(), palat.end(), r);
    Tavut tavut(polku);
    tavut.lataa(t.alku, t.loppu);
    std::size_t vaarin = 0;
    for (const Pala& p : palat) {
      std::string saatu;
      if (r() % 5 == 0) {
        // A piece of a document's head or end, which may lie outside the segment.
        const std::uint64_t a = r() % s.size(), b = std::min<std::uint64_t>(a + r() % 70000, s.size());
        tavut.anna(a, b, [&](const char* d, std::size_t n) { saatu.append(d, n); });
        if (saatu != s.substr(a, b - a)) ++vaarin;
        saatu.clear();
      }
      tavut.annaLausunto(p.alku, p.vali, p.loppu, [&](const char* d, std::size_t n) { saatu.append(d, n); });
      if (saatu != lausunto(s, p.alku, p.vali, p.loppu)) ++vaarin;
    }
    EXPECT_EQ(vaarin, 0u) << "of " << palat.size();
  }
}

}  // namespace
