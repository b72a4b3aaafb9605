// The reader's byte classes and the loop that passes plain bytes eight at a time.
#pragma once

#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>

namespace xml {


inline constexpr std::size_t lukupuskurinOletus = 64 * 1024;
// The longest look-ahead is "<![CDATA[", nine bytes.
inline constexpr std::size_t pieninPuskuri = 16;

inline constexpr std::string_view xmlUri = "http://www.w3.org/XML/1998/namespace";
inline constexpr std::string_view xmlnsUri = "http://www.w3.org/2000/xmlns/";

using Taulu = std::array<bool, 256>;

// Bytes that a fast loop may pass without a second look, per context.
inline constexpr Taulu tavallinen(std::string_view erikoiset) {
  Taulu t{};
  for (int c = 0x20; c < 0x80; ++c) t[c] = true;
  t['\t'] = t['\n'] = true;
  for (char c : erikoiset) t[static_cast<unsigned char>(c)] = false;
  return t;
}
inline constexpr Taulu tekstissa = tavallinen("<&]\r");
inline constexpr Taulu kommentissa = [] {
  Taulu t = tavallinen("-");
  t['\r'] = true;
  return t;
}();
inline constexpr Taulu ohjeessa = [] {
  Taulu t = tavallinen("?");
  t['\r'] = true;
  return t;
}();
inline constexpr Taulu cdatassa = tavallinen("]\r");
// In attribute values white space becomes a space, so tab and LF are looked at too.
inline constexpr Taulu arvossa = [] {
  Taulu t = tavallinen("<&\"'");
  t['\t'] = t['\n'] = false;
  return t;
}();

inline constexpr Taulu nimenAlku = [] {
  Taulu t{};
  for (int c = 'a'; c <= 'z'; ++c) t[c] = t[c - 'a' + 'A'] = true;
  t['_'] = t[':'] = true;
  return t;
}();
inline constexpr Taulu nimessa = [] {
  Taulu t = nimenAlku;
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  t['-'] = t['.'] = true;
  return t;
}();

// Eight bytes at a time while none of them needs a look: a word with a byte below 0x20, from
// 0x80 on, or equal to one of the special bytes goes through the table byte by byte.
constexpr std::uint64_t kaikissa(unsigned char c) { return 0x0101010101010101ull * c; }
inline constexpr std::uint64_t korkeat = kaikissa(0x80);
inline std::uint64_t alle(std::uint64_t x, unsigned char n) { return (x - kaikissa(n)) & ~x & korkeat; }
inline std::uint64_t sama(std::uint64_t x, unsigned char c) { return alle(x ^ kaikissa(c), 1); }

// A borrow only runs upwards, so the lowest flagged byte of a word is exactly the first that
// needs a look (read little-endian): the scan goes straight to it.
static_assert(std::endian::native == std::endian::little);
template <unsigned char... Erikoiset>
inline const unsigned char* tavalliset(const unsigned char* q, const unsigned char* e, const Taulu& t) {
  while (e - q >= 8) {
    std::uint64_t x;
    std::memcpy(&x, q, 8);
    std::uint64_t epailty = (x & korkeat) | alle(x, 0x20);
    ((epailty |= sama(x, Erikoiset)), ...);
    if (!epailty) {
      q += 8;
      continue;
    }
    q += std::countr_zero(epailty) >> 3;
    if (!t[*q]) return q;
    ++q;  // tab or LF, plain here
  }
  while (q < e && t[*q]) ++q;
  return q;
}

inline bool valilyonti(unsigned c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

inline bool sallittu(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

inline void lisaaUtf8(std::string& s, std::uint32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

inline bool samaIsoinPienin(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

inline std::string luku(std::uint64_t n) { return std::to_string(n); }


}  // namespace xml
