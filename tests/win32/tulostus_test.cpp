// The GDI printer: what lands on the pages, where, in which font, and where pages break.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cmath>
#include <string>
#include <vector>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "win32/gditulostin.h"

namespace {

struct Teksti {
  std::wstring teksti;
  int x, y;
};

struct Sivu {
  std::vector<Teksti> tekstit;
  std::vector<LOGFONTW> kirjasimet;
};

Sivu luePiirrokset(HENHMETAFILE m) {
  Sivu s;
  EnumEnhMetaFile(
      nullptr, m,
      [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM p) -> int {
        auto* sivu = reinterpret_cast<Sivu*>(p);
        if (r->iType == EMR_EXTTEXTOUTW) {
          const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
          const auto* merkit = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(r) + t->emrtext.offString);
          sivu->tekstit.push_back({std::wstring(merkit, t->emrtext.nChars), t->emrtext.ptlReference.x,
                                   t->emrtext.ptlReference.y});
        } else if (r->iType == EMR_EXTCREATEFONTINDIRECTW) {
          sivu->kirjasimet.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(r)->elfw.elfLogFont);
        }
        return 1;
      },
      &s, nullptr);
  return s;
}

class Tulostus : public ::testing::Test {
 protected:
  void SetUp() override { naytto = GetDC(nullptr); }
  void TearDown() override { ReleaseDC(nullptr, naytto); }
  HDC naytto = nullptr;
};

TEST_F(Tulostus, RaporttiAlkaaKahdenJaNeljanSenttimetrinKohdaltaJaJatkuuSeuraavalleSivulle) {
  const int dpi = GetDeviceCaps(naytto, LOGPIXELSY);
  const int sivunKorkeus = dpi * 6;  // a short page: 6 inches
  win32puoli::GdiTulostin t;
  t.metatiedostoihin(naytto, dpi * 8, sivunKorkeus);
  t.asetaSenttimetrit();
  t.asetaKirjasin("Times New Roman", 14);
  t.asetaKohta(2, 4);
  std::string raportti;
  for (int i = 1; i <= 40; ++i) raportti += "rivi " + std::to_string(i) + (i % 2 ? "\r\n" : "\r");
  t.tulosta(euro::ansi("Pulma: päivämäärä"));
  t.tulosta(raportti);
  t.lopetaAsiakirja();

  ASSERT_GE(t.sivut().size(), 2u);
  std::vector<Teksti> kaikki;
  for (std::size_t p = 0; p < t.sivut().size(); ++p) {
    Sivu s = luePiirrokset(t.sivut()[p]);
    ASSERT_FALSE(s.kirjasimet.empty());
    EXPECT_STREQ(s.kirjasimet.front().lfFaceName, L"Times New Roman");
    EXPECT_EQ(s.kirjasimet.front().lfHeight, -MulDiv(14, dpi, 72));
    ASSERT_FALSE(s.tekstit.empty());
    for (const Teksti& k : s.tekstit) {
      EXPECT_EQ(k.x, static_cast<int>(std::lround(2 * dpi / 2.54))) << p;
      EXPECT_LT(k.y, sivunKorkeus) << p;
    }
    // A new page starts at its top.
    if (p > 0) {
      EXPECT_EQ(s.tekstit.front().y, 0) << p;
    }
    kaikki.insert(kaikki.end(), s.tekstit.begin(), s.tekstit.end());
  }
  EXPECT_EQ(kaikki.front().teksti, L"Pulma: p\u00e4iv\u00e4m\u00e4\u00e4r\u00e4");
  EXPECT_EQ(kaikki.front().y, static_cast<int>(std::lround(4 * dpi / 2.54)));
  // Every line once, in order, nothing lost at the page breaks.
  ASSERT_EQ(kaikki.size(), 41u);
  for (int i = 1; i <= 40; ++i) EXPECT_EQ(kaikki[static_cast<std::size_t>(i)].teksti, L"rivi " + std::to_wstring(i));
}

TEST_F(Tulostus, IlmanTulostintaYksikonAsetusKertooSiita) {
  DWORD n = 0;
  GetDefaultPrinterW(nullptr, &n);
  if (n != 0) GTEST_SKIP() << "tällä koneella on tulostin";
  win32puoli::GdiTulostin t;
  try {
    t.asetaSenttimetrit();
    FAIL() << "ei heittänyt";
  } catch (const euro::Virhe& v) {
    EXPECT_EQ(v.numero(), euro::virhenro::tulostinvirhe);
  }
}

}  // namespace
