#include "win32/gditulostin.h"

#include <commdlg.h>
#include <cderr.h>
#include <winspool.h>

#include <cmath>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "ikkunat/rivitys.h"
#include "win32/win32tuki.h"

namespace win32puoli {

namespace {

[[noreturn]] void tulostinvirhe(const std::string& mika) {
  throw euro::Virhe(euro::virhenro::tulostinvirhe, euro::ansi("Tulostinvirhe: ") + mika);
}

HDC oletustulostin() {
  DWORD n = 0;
  GetDefaultPrinterW(nullptr, &n);
  if (n == 0) return nullptr;
  std::wstring nimi(n, L'\0');
  if (!GetDefaultPrinterW(nimi.data(), &n)) return nullptr;
  nimi.resize(wcslen(nimi.c_str()));
  return CreateDCW(L"WINSPOOL", nimi.c_str(), nullptr, nullptr);
}

}  // namespace

GdiTulostin::~GdiTulostin() {
  keskeyta();
  vapautaLaite();
  vapautaSivut();
}

void GdiTulostin::vapautaLaite() noexcept {
  if (kirjasin_) DeleteObject(kirjasin_);
  kirjasin_ = nullptr;
  if (dc_) DeleteDC(dc_);
  dc_ = nullptr;
}

void GdiTulostin::vapautaSivut() noexcept {
  for (HENHMETAFILE s : sivut_) DeleteEnhMetaFile(s);
  sivut_.clear();
}

bool GdiTulostin::valitse() {
  PRINTDLGW p{};
  p.lStructSize = sizeof p;
  p.hwndOwner = GetActiveWindow();
  p.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  const BOOL ok = PrintDlgW(&p);
  if (p.hDevMode) GlobalFree(p.hDevMode);
  if (p.hDevNames) GlobalFree(p.hDevNames);
  if (ok) {
    keskeyta();
    vapautaLaite();
    dc_ = p.hDC;
    return false;
  }
  const DWORD koodi = CommDlgExtendedError();
  if (koodi == 0) return true;
  if (koodi == PDERR_NODEFAULTPRN || koodi == PDERR_NODEVICES || koodi == PDERR_PRINTERNOTFOUND)
    return false;
  throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                    euro::ansi("Tulostimen valintaikkunaa ei voitu näyttää (koodi ") +
                        std::to_string(koodi) + ")");
}

void GdiTulostin::asetaSenttimetrit() {
  if (!metaviite_ && !dc_) dc_ = oletustulostin();
  if (!mittaus()) tulostinvirhe(euro::ansi("tulostinta ei löydy"));
  senttimetrit_ = true;
}

void GdiTulostin::asetaSivualue(int) {
  if (!mittaus()) tulostinvirhe(euro::ansi("tulostinta ei löydy"));
}

void GdiTulostin::asetaLajittelu(bool) {
  if (!mittaus()) tulostinvirhe(euro::ansi("tulostinta ei löydy"));
}

double GdiTulostin::yksikko() const {
  // Device pixels per centimetre, or per twip before the unit was chosen.
  return GetDeviceCaps(mittaus(), LOGPIXELSY) / (senttimetrit_ ? 2.54 : 1440.0);
}

void GdiTulostin::teeKirjasin() {
  if (kirjasin_) DeleteObject(kirjasin_);
  kirjasin_ = nullptr;
  if (!mittaus()) return;
  LOGFONTW f{};
  f.lfHeight = -static_cast<LONG>(std::lround(pisteet_ * GetDeviceCaps(mittaus(), LOGPIXELSY) / 72.0));
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = DEFAULT_CHARSET;
  f.lfOutPrecision = OUT_TT_PRECIS;
  f.lfQuality = DEFAULT_QUALITY;
  wcsncpy(f.lfFaceName, kirjasinNimi_.c_str(), LF_FACESIZE - 1);
  kirjasin_ = CreateFontIndirectW(&f);
  if (sivu_ && kirjasin_) SelectObject(sivu_, kirjasin_);
}

void GdiTulostin::asetaKirjasin(const std::string& nimi, double pisteet) {
  kirjasinNimi_ = ws(nimi);
  pisteet_ = pisteet;
  teeKirjasin();
}

void GdiTulostin::asetaKohta(double vasemmalta, double ylhaalta) {
  if (!mittaus()) tulostinvirhe(euro::ansi("tulostinta ei löydy"));
  const double x = GetDeviceCaps(mittaus(), LOGPIXELSX) / (senttimetrit_ ? 2.54 : 1440.0);
  vasen_ = vasemmalta * x;
  y_ = ylhaalta * yksikko();
}

void GdiTulostin::aloitaSivu() {
  if (metaviite_) {
    // The frame is given in hundredths of a millimetre.
    const double mmX = GetDeviceCaps(metaviite_, HORZSIZE) * 100.0 / GetDeviceCaps(metaviite_, HORZRES);
    const double mmY = GetDeviceCaps(metaviite_, VERTSIZE) * 100.0 / GetDeviceCaps(metaviite_, VERTRES);
    RECT r{0, 0, static_cast<LONG>(metaLeveys_ * mmX), static_cast<LONG>(metaKorkeus_ * mmY)};
    sivu_ = CreateEnhMetaFileW(metaviite_, nullptr, &r, nullptr);
    if (!sivu_) tulostinvirhe("CreateEnhMetaFile");
  } else {
    if (!dc_) tulostinvirhe(euro::ansi("tulostinta ei löydy"));
    if (!asiakirjaAuki_) {
      DOCINFOW d{};
      d.cbSize = sizeof d;
      d.lpszDocName = tyonNimi;
      if (StartDocW(dc_, &d) <= 0) tulostinvirhe("StartDoc");
      asiakirjaAuki_ = true;
    }
    if (StartPage(dc_) <= 0) tulostinvirhe("StartPage");
    sivu_ = dc_;
  }
  if (!kirjasin_) teeKirjasin();
  SelectObject(sivu_, kirjasin_);
  SetBkMode(sivu_, TRANSPARENT);
  SetTextColor(sivu_, RGB(0, 0, 0));
  SetTextAlign(sivu_, TA_TOP | TA_LEFT | TA_NOUPDATECP);
}

void GdiTulostin::lopetaSivu() {
  if (!sivu_) return;
  HDC s = sivu_;
  sivu_ = nullptr;
  if (metaviite_) {
    HENHMETAFILE m = CloseEnhMetaFile(s);
    if (!m) tulostinvirhe("CloseEnhMetaFile");
    sivut_.push_back(m);
  } else if (EndPage(s) <= 0) {
    tulostinvirhe("EndPage");
  }
}

void GdiTulostin::tulosta(const std::string& teksti) {
  if (!sivu_) aloitaSivu();
  TEXTMETRICW m{};
  HGDIOBJ vanha = SelectObject(mittaus(), kirjasin_);
  GetTextMetricsW(mittaus(), &m);
  SelectObject(mittaus(), vanha);
  const double korkeus = metaviite_ ? metaKorkeus_ : GetDeviceCaps(dc_, VERTRES);
  y_ = ikkunat::rivita(
      teksti, y_, m.tmHeight, m.tmHeight + m.tmExternalLeading, korkeus,
      [this] {
        lopetaSivu();
        aloitaSivu();
      },
      [this](const std::string& rivi, double y) {
        const std::wstring w = ws(rivi);
        if (!w.empty() && !TextOutW(sivu_, static_cast<int>(std::lround(vasen_)), static_cast<int>(std::lround(y)),
                                    w.c_str(), static_cast<int>(w.size())))
          tulostinvirhe("TextOut");
      });
}

void GdiTulostin::lopetaAsiakirja() {
  lopetaSivu();
  if (!metaviite_ && asiakirjaAuki_) {
    asiakirjaAuki_ = false;
    if (EndDoc(dc_) <= 0) tulostinvirhe("EndDoc");
  }
}

void GdiTulostin::keskeyta() noexcept {
  if (metaviite_) {
    if (sivu_) DeleteEnhMetaFile(CloseEnhMetaFile(sivu_));
  } else if (asiakirjaAuki_ && dc_) {
    AbortDoc(dc_);
  }
  sivu_ = nullptr;
  asiakirjaAuki_ = false;
}

void GdiTulostin::metatiedostoihin(HDC viite, int leveys, int korkeus) {
  keskeyta();
  vapautaLaite();
  metaviite_ = viite;
  metaLeveys_ = leveys;
  metaKorkeus_ = korkeus;
}

GdiTulostin& tulostin() {
  static GdiTulostin t;
  return t;
}

}  // namespace win32puoli
