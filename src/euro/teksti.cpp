#include "euro/teksti.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace euro {

namespace {

// 0x80-0x9F. The five undefined codes keep their own value so that they survive a trip
// through the file system or the toolkit.
constexpr char16_t c1Merkit[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t unicodeksi(unsigned char b) {
  return b >= 0x80 && b <= 0x9F ? c1Merkit[b - 0x80] : char16_t(b);
}

constexpr auto utf16Taulu = [] {
  std::array<char16_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = unicodeksi(static_cast<unsigned char>(b));
  return t;
}();

struct Utf8Merkki {
  unsigned char pituus;
  char tavut[3];
};

constexpr auto utf8Taulu = [] {
  std::array<Utf8Merkki, 256> t{};
  for (int b = 0; b < 256; ++b) {
    char16_t u = utf16Taulu[b];
    Utf8Merkki& m = t[b];
    if (u < 0x80) {
      m = {1, {char(u), 0, 0}};
    } else if (u < 0x800) {
      m = {2, {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F)), 0}};
    } else {
      m = {3, {char(0xE0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))}};
    }
  }
  return t;
}();

// Latin-1 goes straight through; only the 0x80-0x9F row needs a search, and it is rare.
char ansiksi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (c1Merkit[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

constexpr auto isoTaulu = [] {
  std::array<char, 256> t{};
  for (int b = 0; b < 256; ++b) {
    int v = b;
    if (b >= 'a' && b <= 'z') v = b - 0x20;
    else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) v = b - 0x20;
    else if (b == 0x9A || b == 0x9C || b == 0x9E) v = b - 0x10;
    else if (b == 0xFF) v = 0x9F;
    t[b] = static_cast<char>(v);
  }
  return t;
}();

constexpr auto pieniTaulu = [] {
  std::array<char, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = static_cast<char>(b);
  for (int b = 0; b < 256; ++b) {
    auto iso = static_cast<unsigned char>(isoTaulu[b]);
    if (iso != b) t[iso] = static_cast<char>(b);
  }
  return t;
}();

std::string kuvaa(std::string_view s, const std::array<char, 256>& taulu) {
  std::string tulos(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) tulos[i] = taulu[static_cast<unsigned char>(s[i])];
  return tulos;
}

}  // namespace

std::string ansiUtf8(std::string_view ansi) {
  // ASCII is the same in both, and most paths are ASCII alone: they are copied as they are
  // (a split converts a path at every file it opens).
  std::size_t ascii = 0;
  // Eight bytes a look: the ledger's buffers go through here whole.
  for (std::uint64_t w; ascii + 8 <= ansi.size(); ascii += 8) {
    std::memcpy(&w, ansi.data() + ascii, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80) ++ascii;
  if (ascii == ansi.size()) return std::string(ansi);
  std::size_t pituus = ascii;
  for (char c : ansi.substr(ascii)) pituus += utf8Taulu[static_cast<unsigned char>(c)].pituus;
  std::string tulos(pituus, '\0');
  ansi.copy(tulos.data(), ascii);
  char* p = tulos.data() + ascii;
  for (char c : ansi.substr(ascii)) {
    const Utf8Merkki& m = utf8Taulu[static_cast<unsigned char>(c)];
    for (int k = 0; k < m.pituus; ++k) *p++ = m.tavut[k];
  }
  return tulos;
}

// A broken sequence gives one "?" for its longest valid beginning, and reading resumes at
// the byte that broke it, so one stray byte cannot swallow the character after it.
bool onUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  bool muuta = false;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned b = p[i++];
    if (b < 0x80) continue;
    muuta = true;
    std::size_t pituus;
    unsigned ala = 0x80, yla = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      pituus = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      pituus = 2;
      if (b == 0xE0) ala = 0xA0;
      if (b == 0xED) yla = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      pituus = 3;
      if (b == 0xF0) ala = 0x90;
      if (b == 0xF4) yla = 0x8F;
    } else {
      return false;
    }
    if (s.size() - i < pituus || p[i] < ala || p[i] > yla) return false;
    for (std::size_t k = 1; k < pituus; ++k)
      if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
    i += pituus;
  }
  return muuta;
}

std::string omaRivi(std::string rivi, bool ensimmainen) {
  if (ensimmainen && rivi.rfind("\xEF\xBB\xBF", 0) == 0) rivi.erase(0, 3);
  return onUtf8(rivi) ? utf8Ansi(rivi) : rivi;
}

std::string utf8Ansi(std::string_view utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::string tulos(n, '\0');
  std::size_t j = 0;
  for (std::size_t i = 0; i < n;) {
    unsigned b = p[i++];
    if (b < 0x80) {
      tulos[j++] = static_cast<char>(b);
      continue;
    }
    int pituus;
    char32_t cp;
    // The second byte's range also rules out overlong forms, surrogates and > U+10FFFF.
    unsigned ala = 0x80, yla = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      pituus = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      pituus = 3;
      cp = b & 0x0F;
      if (b == 0xE0) ala = 0xA0;
      if (b == 0xED) yla = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      pituus = 4;
      cp = b & 0x07;
      if (b == 0xF0) ala = 0x90;
      if (b == 0xF4) yla = 0x8F;
    } else {
      tulos[j++] = '?';
      continue;
    }
    int k = 1;
    for (; k < pituus && i < n && p[i] >= ala && p[i] <= yla; ++k, ++i) {
      cp = (cp << 6) | (p[i] & 0x3F);
      ala = 0x80;
      yla = 0xBF;
    }
    tulos[j++] = k == pituus ? ansiksi(cp) : '?';
  }
  tulos.resize(j);
  return tulos;
}

std::u16string ansiUtf16(std::string_view ansi) {
  std::u16string tulos(ansi.size(), u'\0');
  for (std::size_t i = 0; i < ansi.size(); ++i)
    tulos[i] = utf16Taulu[static_cast<unsigned char>(ansi[i])];
  return tulos;
}

std::string utf16Ansi(std::u16string_view utf16) {
  std::string tulos(utf16.size(), '\0');
  std::size_t j = 0;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char16_t u = utf16[i];
    if (u < 0xD800 || u > 0xDFFF) {
      tulos[j++] = ansiksi(u);
    } else {
      // A whole pair is one character outside Windows-1252: one "?", not two.
      if (u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF)
        ++i;
      tulos[j++] = '?';
    }
  }
  tulos.resize(j);
  return tulos;
}

char isoksi(char c) { return isoTaulu[static_cast<unsigned char>(c)]; }
char pieneksi(char c) { return pieniTaulu[static_cast<unsigned char>(c)]; }
std::string isoksi(std::string_view s) { return kuvaa(s, isoTaulu); }
std::string pieneksi(std::string_view s) { return kuvaa(s, pieniTaulu); }

std::string trimmaa(std::string_view s) {
  const auto alku = s.find_first_not_of(' ');
  if (alku == std::string_view::npos) return {};
  return std::string(s.substr(alku, s.find_last_not_of(' ') - alku + 1));
}

}  // namespace euro
