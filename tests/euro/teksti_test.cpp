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
  const std::string kaikki = kaikkiTavut();
  EXPECT_EQ(utf8Ansi(ansiUtf8(kaikki)), kaikki);
  EXPECT_EQ(utf16Ansi(ansiUtf16(kaikki)), kaikki);
}

TEST(Teksti, TunnetutMerkit) {
  struct {
    std::string ansi, utf8;
    std::u16string utf16;
  } tapaukset[] = {
      {"\x80\xE4\xF6\xC5\x9F\xFF", "€äöÅŸÿ", u"€äöÅŸÿ"},
      {"\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
       "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F",
       "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F"
       "\u0090‘’“”•–—˜™š›œ\u009DžŸ",
       u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F"
       u"\u0090‘’“”•–—˜™š›œ\u009DžŸ"},
      {std::string("a\0\xA0", 3), std::string("a\0\u00A0", 4), std::u16string(u"a\0\u00A0", 3)},
      {"ulos/TITO-2016-01-1234567-8.TXT", "ulos/TITO-2016-01-1234567-8.TXT", u"ulos/TITO-2016-01-1234567-8.TXT"},
      {"", "", u""},
  };
  for (const auto& t : tapaukset) {
    EXPECT_EQ(ansiUtf8(t.ansi), t.utf8);
    EXPECT_EQ(ansiUtf16(t.ansi), t.utf16);
    EXPECT_EQ(utf8Ansi(t.utf8), t.ansi);
    EXPECT_EQ(utf16Ansi(t.utf16), t.ansi);
  }
}

// One "?" per character, and per longest broken beginning of a sequence.
TEST(Teksti, MuuKuinWindows1252OnKysymysmerkki) {
  struct {
    std::string utf8, ansi;
  } utf8[] = {
      {"Łódź", "?\xF3" "d?"}, {"日本", "??"}, {"a😀b", "a?b"}, {"\u0080", "?"},
      {"a\x80" "b", "a?b"}, {"\xC3", "?"}, {"\xC3(", "?("}, {"\xE2\x82" "a", "?a"},
      {"\xED\x9F\xBF", "?"}, {"\xF4\x8F\xBF\xBF", "?"}, {"\xC0\xAF", "??"},
      {"\xE0\x80\xAF", "???"}, {"\xED\xA0\x80", "???"}, {"\xF4\x90\x80\x80", "????"},
  };
  for (const auto& t : utf8) EXPECT_EQ(utf8Ansi(t.utf8), t.ansi) << t.utf8;
  struct {
    std::u16string utf16;
    std::string ansi;
  } utf16[] = {
      {u"Łódź", "?\xF3" "d?"}, {u"a😀b", "a?b"}, {u"\u0080", "?"},
      {{0xD800, u'a'}, "?a"}, {{u'a', 0xDC00}, "a?"}, {{0xDC00, 0xD800}, "??"},
      {{0xD800, 0xD800, 0xDC00}, "??"},
  };
  for (const auto& t : utf16) EXPECT_EQ(utf16Ansi(t.utf16), t.ansi) << t.ansi;
}

TEST(Teksti, KirjainkokoWindows1252Taulusta) {
  const std::string pienet = "az\xE0\xE4\xE5\xF6\xFE\x9A\x9C\x9E\xFF\xF7\xDF\xB5\xAA@[`{5";
  const std::string isot = "AZ\xC0\xC4\xC5\xD6\xDE\x8A\x8C\x8E\x9F\xF7\xDF\xB5\xAA@[`{5";
  EXPECT_EQ(isoksi(pienet), isot);
  EXPECT_EQ(pieneksi(isot), pienet);
  EXPECT_EQ(isoksi(isot), isot);
  EXPECT_EQ(pieneksi(pienet), pienet);
  EXPECT_EQ(isoksi('\xD7'), '\xD7');
  // Nothing changes beyond the table, whatever the locale would add; the char and string
  // forms agree.
  const std::string kaikki = kaikkiTavut(), kaikkiIsot = isoksi(kaikki);
  int muuttuneet = 0;
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(kaikkiIsot[b], isoksi(kaikki[b])) << b;
    EXPECT_EQ(pieneksi(kaikki)[b], pieneksi(kaikki[b])) << b;
    muuttuneet += kaikkiIsot[b] != kaikki[b];
  }
  EXPECT_EQ(muuttuneet, 26 + 30 + 4);
}

TEST(Teksti, TrimmaaPoistaaVainValilyonnit) {
  struct {
    std::string sisaan, ulos;
  } tapaukset[] = {{"", ""}, {"   ", ""}, {"  a b  ", "a b"},
                   {" \t a \r\n ", "\t a \r\n"}, {"\xA0x\xA0", "\xA0x\xA0"}};
  for (const auto& t : tapaukset) EXPECT_EQ(trimmaa(t.sisaan), t.ulos) << t.sisaan;
}

}  // namespace
