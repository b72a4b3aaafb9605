// Whether a statement file holds XML, and in which encoding.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/camt/camt.h"

namespace split::camt {

using euro::ansi;

namespace {

// How an XML file's characters are laid out (XML 1.0, appendix F): units of leveys bytes, an
// ASCII character in the byte at kohta, the others zero.
struct Merkisto {
  const char* nimi;  // nullptr: UTF-8
  std::size_t leveys, kohta;
};
constexpr Merkisto utf8{nullptr, 1, 0};
constexpr Merkisto ilmanMerkkia[] = {{"UTF-32BE", 4, 3}, {"UTF-32LE", 4, 0},
                                     {"UCS-4 (tavujärjestys 2143)", 4, 2}, {"UCS-4 (tavujärjestys 3412)", 4, 1},
                                     {"UTF-16BE", 2, 1}, {"UTF-16LE", 2, 0}};

// The ASCII character of a unit, or -1.
int merkki(const unsigned char* u, const Merkisto& m) {
  for (std::size_t i = 0; i < m.leveys; ++i)
    if (i != m.kohta && u[i] != 0) return -1;
  return u[m.kohta] < 0x80 ? u[m.kohta] : -1;
}

bool valiTaiAlku(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<'; }

}  // namespace

bool onXml(const std::string& polku, std::string* muuMerkisto) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  unsigned char b[4096];
  std::size_t n = 0, i = 0;
  // Reads may give any number of bytes: each byte is taken as it comes.
  auto tavu = [&]() -> int {
    if (i == n) {
      n = t.lue(reinterpret_cast<char*>(b), sizeof b);
      i = 0;
      if (n == 0) return -1;
    }
    return b[i++];
  };
  unsigned char alku[4];
  std::size_t saatu = 0;
  for (int c; saatu < 4 && (c = tavu()) >= 0;) alku[saatu++] = static_cast<unsigned char>(c);
  auto on = [&](std::string_view s) {
    return saatu >= s.size() && std::equal(s.begin(), s.end(), alku, [](char x, unsigned char y) {
             return static_cast<unsigned char>(x) == y;
           });
  };
  auto muu = [&](const char* nimi) {
    if (muuMerkisto) *muuMerkisto = ansi("XML-tiedoston merkistö on ") + ansi(nimi) + ansi("; vain UTF-8 käy");
    return true;
  };
  if (muuMerkisto) muuMerkisto->clear();
  // EBCDIC's "<?xm"; its white space is not looked for.
  if (on("\x4C\x6F\xA7\x94")) return muu("EBCDIC");
  Merkisto m = utf8;
  std::size_t ohita = 0;  // the byte-order mark
  if (on(std::string_view("\0\0\xFE\xFF", 4))) m = ilmanMerkkia[0], ohita = 4;
  else if (on(std::string_view("\xFF\xFE\0\0", 4))) m = ilmanMerkkia[1], ohita = 4;
  else if (on(std::string_view("\0\0\xFF\xFE", 4))) m = ilmanMerkkia[2], ohita = 4;
  else if (on(std::string_view("\xFE\xFF\0\0", 4))) m = ilmanMerkkia[3], ohita = 4;
  else if (on("\xFE\xFF")) m = ilmanMerkkia[4], ohita = 2;
  else if (on("\xFF\xFE")) m = ilmanMerkkia[5], ohita = 2;
  else if (on("\xEF\xBB\xBF")) ohita = 3;
  else {
    // Without a mark, the first character tells: white space or "<" in units of four or two.
    for (const Merkisto& k : ilmanMerkkia)
      if (saatu >= k.leveys && valiTaiAlku(merkki(alku, k))) {
        m = k;
        break;
      }
  }
  // The first unit after the mark may still lie in alku; the rest comes from the file.
  std::size_t kohta = ohita;
  unsigned char u[4];
  for (;;) {
    for (std::size_t k = 0; k < m.leveys; ++k) {
      const int c = kohta < saatu ? alku[kohta] : tavu();
      ++kohta;
      if (c < 0) return false;
      u[k] = static_cast<unsigned char>(c);
    }
    const int c = merkki(u, m);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c != '<') return false;
    return m.nimi ? muu(m.nimi) : true;
  }
}

}  // namespace split::camt
