#include "euro/teksti.h"

#include <string>

#include "gtest/gtest.h"

namespace {

using namespace euro;

std::string kaikkiTavut() {
  std::string s;
  for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

TEST(Teksti, JokainenTavuKulkeeEdesTakaisin) {
  for (int b = 0; b < 256; ++b) {
    std::string t(1, static_cast<char>(b));
    EXPECT_EQ(utf8Ansi(ansiUtf8(t)), t) << b;
    EXPECT_EQ(utf16Ansi(ansiUtf16(t)), t) << b;
  }
  const std::string kaikki = kaikkiTavut();
  EXPECT_EQ(utf8Ansi(ansiUtf8(kaikki)), kaikki);
  EXPECT_EQ(utf16Ansi(ansiUtf16(kaikki)), kaikki);
}

TEST(Teksti, TunnetutMerkit) {
  struct {
    std::string ansi, utf8;
    std::u16string utf16;
  } tapaukset[] = {
      {"\x80\xE4\xF6\xC5\x9F", "€äöÅŸ", u"€äöÅŸ"},
      {"\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E", "€‚ƒ„…†‡ˆ‰Š‹ŒŽ",
       u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ"},
      {"\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F", "‘’“”•–—˜™š›œžŸ",
       u"‘’“”•–—˜™š›œžŸ"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", u"\x81\x8D\x8F\x90\x9D"},
      {"\xA0\xFF", "\xC2\xA0ÿ", u"\xA0ÿ"},
      {std::string("a\0b", 3), std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& t : tapaukset) {
    EXPECT_EQ(ansiUtf8(t.ansi), t.utf8);
    EXPECT_EQ(ansiUtf16(t.ansi), t.utf16);
    EXPECT_EQ(utf8Ansi(t.utf8), t.ansi);
    EXPECT_EQ(utf16Ansi(t.utf16), t.ansi);
  }
  EXPECT_EQ(ansi("ei löydy"), "ei l\xF6ydy");
}

TEST(Teksti, Utf8JotaEiVoiEsittaaOnKysymysmerkki) {
  struct {
    std::string utf8, ansi;
  } tapaukset[] = {
      {"Łódź", "?\xF3""d?"},
      {"日本", "??"},
      {"a😀b", "a?b"},
      {"\xC2\x80", "?"},         // U+0080 is not the euro sign
      {"a\x80" "b", "a?b"},      // stray continuation byte
      {"\xC3", "?"},             // cut off at the end
      {"\xC3(", "?("},           // the breaking byte is kept
      {"\xE2\x82" "a", "?a"},    // cut-off three-byte sequence is one "?"
      {"\xF0\x9F\x98", "?"},
      {"\xC0\xAF", "??"},        // overlong
      {"\xE0\x80\xAF", "???"},   // overlong
      {"\xED\xA0\x80", "???"},   // encoded surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"\xFE\xFF", "??"},
  };
  for (const auto& t : tapaukset) EXPECT_EQ(utf8Ansi(t.utf8), t.ansi) << t.utf8;
}

TEST(Teksti, Utf16JotaEiVoiEsittaaOnKysymysmerkki) {
  struct {
    std::u16string utf16;
    std::string ansi;
  } tapaukset[] = {
      {u"Łódź", "?\xF3""d?"},
      {u"日本", "??"},
      {u"a😀b", "a?b"},
      {u"\x0080", "?"},
      {std::u16string{0xD800, u'a'}, "?a"},
      {std::u16string{u'a', 0xDC00}, "a?"},
      {std::u16string{0xDC00, 0xD800}, "??"},
      {std::u16string{0xD800, 0xD800, 0xDC00}, "??"},
  };
  for (const auto& t : tapaukset) EXPECT_EQ(utf16Ansi(t.utf16), t.ansi) << t.ansi;
}

TEST(Teksti, KirjainkokoWindows1252Taulusta) {
  struct {
    char pieni, iso;
  } parit[] = {{'a', 'A'},       {'z', 'Z'},       {'\xE4', '\xC4'}, {'\xF6', '\xD6'},
               {'\xE5', '\xC5'}, {'\xE0', '\xC0'}, {'\xFE', '\xDE'}, {'\x9A', '\x8A'},
               {'\x9C', '\x8C'}, {'\x9E', '\x8E'}, {'\xFF', '\x9F'}};
  for (const auto& p : parit) {
    EXPECT_EQ(isoksi(p.pieni), p.iso) << int(static_cast<unsigned char>(p.pieni));
    EXPECT_EQ(pieneksi(p.iso), p.pieni) << int(static_cast<unsigned char>(p.iso));
    EXPECT_EQ(isoksi(p.iso), p.iso);
    EXPECT_EQ(pieneksi(p.pieni), p.pieni);
  }
  for (char c : {'\xF7', '\xD7', '\xDF', '\xB5', '\xAA', '\xBA', '@', '[', '`', '{', '5'}) {
    EXPECT_EQ(isoksi(c), c) << int(static_cast<unsigned char>(c));
    EXPECT_EQ(pieneksi(c), c) << int(static_cast<unsigned char>(c));
  }
  // Exactly the pairs above and their ranges change, nothing the locale might add.
  const std::string kaikki = kaikkiTavut(), isot = isoksi(kaikki), pienet = pieneksi(kaikki);
  int muuttuneet = 0;
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(isot[b], isoksi(kaikki[b]));
    EXPECT_EQ(pienet[b], pieneksi(kaikki[b]));
    muuttuneet += isot[b] != kaikki[b];
  }
  EXPECT_EQ(muuttuneet, 26 + 30 + 4);
  EXPECT_EQ(isoksi(ansi("Äyräs šakki")), ansi("ÄYRÄS ŠAKKI"));
}

TEST(Teksti, TrimmaaPoistaaVainValilyonnit) {
  struct {
    std::string sisaan, ulos;
  } tapaukset[] = {
      {"", ""},         {"   ", ""},           {"  a b  ", "a b"},      {"a", "a"},
      {"\ta\t", "\ta\t"}, {" \t a \r\n ", "\t a \r\n"}, {"\xA0x\xA0", "\xA0x\xA0"},
  };
  for (const auto& t : tapaukset) EXPECT_EQ(trimmaa(t.sisaan), t.ulos) << t.sisaan;
}

}  // namespace
