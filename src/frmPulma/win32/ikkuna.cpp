#include "frmPulma/win32/ikkuna.h"

#include <algorithm>
#include <cmath>

#include "euro/virhe.h"
#include "frmPulma/win32/win32tuki.h"

namespace win32puoli {

namespace {

constexpr const wchar_t* luokka = L"kolvanto_ikkuna";

// Where a failure inside a window procedure is reported from.
constexpr euro::Raportointipaikka ikkunaproseduuri{0, "kolvanto", "ikkunaproseduuri"};

// Per-monitor DPI calls exist from Windows 10 1607 on; older systems have one DPI.
template <typename F>
F user32(const char* nimi) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), nimi)));
}

UINT jarjestelmanDpi() {
  HDC dc = GetDC(nullptr);
  const int d = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return d > 0 ? static_cast<UINT>(d) : 96;
}

bool kirjasinOn(const std::wstring& nimi) {
  LOGFONTW l{};
  l.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(l.lfFaceName, nimi.c_str(), LF_FACESIZE - 1);
  bool loytyi = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(
      dc, &l,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
        *reinterpret_cast<bool*>(p) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&loytyi), 0);
  ReleaseDC(nullptr, dc);
  return loytyi;
}

// The caption as it is drawn: "&&" is one "&", a single "&" marks the access key.
std::wstring ilmanMerkkia(const std::wstring& s) {
  std::wstring t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&' && i + 1 < s.size()) ++i;
    t += s[i];
  }
  return t;
}

bool onkoMerkki(const std::string& s) { return s.find('&') != std::string::npos; }

}  // namespace

int pikseleiksi(int twipit, UINT dpi) { return MulDiv(twipit, static_cast<int>(dpi), 1440); }

Win32Ikkuna::Win32Ikkuna(Ikkunaohje ohje) : ohje_(std::move(ohje)) {}

Win32Ikkuna::~Win32Ikkuna() {
  if (kahva_) {
    SetWindowLongPtrW(kahva_, GWLP_USERDATA, 0);
    DestroyWindow(kahva_);
  }
  if (kirjasin_) DeleteObject(kirjasin_);
  if (sivellin_) DeleteObject(sivellin_);
}

Win32Ikkuna* Win32Ikkuna::ikkunasta(HWND h) {
  if (!h) return nullptr;
  wchar_t nimi[64] = {};
  GetClassNameW(h, nimi, 64);
  if (wcscmp(nimi, luokka) != 0) return nullptr;
  return reinterpret_cast<Win32Ikkuna*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

void Win32Ikkuna::luo(HWND omistaja, DWORD tyyli) {
  static bool rekisteroity = false;
  if (!rekisteroity) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = proseduuri;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hIcon = LoadIconW(c.hInstance, MAKEINTRESOURCEW(1));
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = luokka;
    if (!RegisterClassExW(&c)) euro::heitaVirhe(euro::virhenro::muistiLoppui);
    rekisteroity = true;
  }
  if (ohje_.tausta) sivellin_ = CreateSolidBrush(*ohje_.tausta);

  kahva_ = CreateWindowExW(0, luokka, ws(ohje_.otsikko).c_str(), tyyli, CW_USEDEFAULT, CW_USEDEFAULT,
                           100, 100, omistaja, nullptr, GetModuleHandleW(nullptr), this);
  if (!kahva_) euro::heitaVirhe(euro::virhenro::muistiLoppui);

  // Created in keyboard order: the dialog manager's order is the order of creation.
  const auto& o = ohje_.ohjaimet;
  for (std::size_t i = 0; i < o.size(); ++i) {
    const Ohjainohje& c = o[i];
    DWORD s = WS_CHILD | (c.nakyva ? WS_VISIBLE : 0u);
    DWORD ex = 0;
    const wchar_t* lk = L"BUTTON";
    // Every control but an option button after another in the same frame starts a group,
    // so that the arrow keys move within the option buttons only.
    const bool jatkaaRyhmaa = c.laji == Ohjainlaji::valintanappi && i > 0 &&
                              o[i - 1].laji == Ohjainlaji::valintanappi && o[i - 1].kehys == c.kehys;
    if (!jatkaaRyhmaa) s |= WS_GROUP;
    switch (c.laji) {
      case Ohjainlaji::nimiko:
        lk = L"STATIC";
        // Texts set at run time (reports, paths, addresses) are shown as they are.
        s |= SS_LEFT | SS_NOTIFY | (onkoMerkki(c.kuvateksti) ? 0u : static_cast<DWORD>(SS_NOPREFIX));
        break;
      case Ohjainlaji::tekstilaatikko:
        lk = L"EDIT";
        s |= WS_TABSTOP | ES_AUTOHSCROLL;
        ex |= WS_EX_CLIENTEDGE;
        break;
      case Ohjainlaji::valintaruutu:
        s |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
      case Ohjainlaji::valintanappi:
        s |= BS_AUTORADIOBUTTON;
        break;
      case Ohjainlaji::painike:
        s |= WS_TABSTOP | (oletuspainike() == c.nimi ? static_cast<DWORD>(BS_DEFPUSHBUTTON) : BS_PUSHBUTTON);
        break;
      case Ohjainlaji::kehys:
        // Painted after the controls inside it, which lie later in the order.
        s |= BS_GROUPBOX;
        ex |= WS_EX_TRANSPARENT;
        break;
    }
    HWND h = CreateWindowExW(ex, lk, ws(c.kuvateksti).c_str(), s, 0, 0, 10, 10, kahva_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ensimmainenTunnus + static_cast<int>(i))),
                             GetModuleHandleW(nullptr), nullptr);
    if (!h) euro::heitaVirhe(euro::virhenro::muistiLoppui);
    if (c.valittu) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    ohjaimet_.push_back(h);
  }
  paivitaSarkaimet();
  sijoita();
}

HWND Win32Ikkuna::ohjain(const std::string& nimi) const {
  for (std::size_t i = 0; i < ohje_.ohjaimet.size(); ++i)
    if (ohje_.ohjaimet[i].nimi == nimi) return ohjaimet_[i];
  return nullptr;
}

UINT Win32Ikkuna::dpi() const {
  static auto haeDpi = user32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (haeDpi && kahva_) {
    const UINT d = haeDpi(kahva_);
    if (d) return d;
  }
  return jarjestelmanDpi();
}

void Win32Ikkuna::teeKirjasin() {
  const UINT d = dpi();
  LOGFONTW l{};
  if (kirjasinOn(ohje_.kirjasin)) {
    wcsncpy(l.lfFaceName, ohje_.kirjasin.c_str(), LF_FACESIZE - 1);
  } else {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    wcsncpy(l.lfFaceName, m.lfMessageFont.lfFaceName, LF_FACESIZE - 1);
  }
  l.lfHeight = -static_cast<LONG>(std::lround(ohje_.pisteet * d / 72.0));
  l.lfWeight = ohje_.lihava ? FW_BOLD : FW_NORMAL;
  l.lfCharSet = DEFAULT_CHARSET;
  l.lfQuality = CLEARTYPE_QUALITY;
  HFONT uusi = CreateFontIndirectW(&l);
  for (HWND h : ohjaimet_) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(uusi), FALSE);
  if (kirjasin_) DeleteObject(kirjasin_);
  kirjasin_ = uusi;
}

RECT Win32Ikkuna::pikselit(std::size_t i) const {
  const UINT d = dpi();
  const Ohjainohje& c = ohje_.ohjaimet[i];
  int x = 0, y = 0;
  if (!c.kehys.empty()) {
    for (const Ohjainohje& k : ohje_.ohjaimet)
      if (k.nimi == c.kehys) {
        x = k.vasen;
        y = k.yla;
      }
  }
  // Corners are converted, not sizes, so that neighbours meet as designed at every DPI.
  RECT r{pikseleiksi(x + c.vasen, d), pikseleiksi(y + c.yla, d), pikseleiksi(x + c.vasen + c.leveys, d),
         pikseleiksi(y + c.yla + c.korkeus, d)};
  return r;
}

int Win32Ikkuna::tarvittavaLeveys(std::size_t i, HDC dc) const {
  const Ohjainohje& c = ohje_.ohjaimet[i];
  std::wstring t = ws(c.kuvateksti);
  if (c.laji != Ohjainlaji::nimiko || onkoMerkki(c.kuvateksti)) t = ilmanMerkkia(t);
  SIZE s{};
  GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &s);
  const UINT d = dpi();
  switch (c.laji) {
    case Ohjainlaji::painike:
      return s.cx + MulDiv(12, static_cast<int>(d), 96);
    case Ohjainlaji::valintaruutu:
    case Ohjainlaji::valintanappi:
      return s.cx + MulDiv(13 + 7, static_cast<int>(d), 96);
    default:
      return s.cx + 1;
  }
}

void Win32Ikkuna::sijoita() {
  const UINT d = dpi();
  teeKirjasin();

  RECT ulko{0, 0, pikseleiksi(ohje_.leveys, d), pikseleiksi(ohje_.korkeus, d)};
  const DWORD tyyli = static_cast<DWORD>(GetWindowLongPtrW(kahva_, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(kahva_, GWL_EXSTYLE));
  static auto sovita = user32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (sovita)
    sovita(&ulko, tyyli, FALSE, ex, d);
  else
    AdjustWindowRectEx(&ulko, tyyli, FALSE, ex);
  SetWindowPos(kahva_, nullptr, 0, 0, ulko.right - ulko.left, ulko.bottom - ulko.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const auto& o = ohje_.ohjaimet;
  std::vector<RECT> r(o.size());
  for (std::size_t i = 0; i < o.size(); ++i) r[i] = pikselit(i);

  // A caption wider than its control takes room up to the next control on its right in
  // the same frame, or up to the frame's edge.
  levennetyt_.clear();
  HDC dc = GetDC(kahva_);
  HGDIOBJ vanha = SelectObject(dc, kirjasin_);
  const int rako = MulDiv(4, static_cast<int>(d), 96);
  for (std::size_t i = 0; i < o.size(); ++i) {
    if (o[i].kiintea || o[i].laji == Ohjainlaji::tekstilaatikko || o[i].laji == Ohjainlaji::kehys)
      continue;
    const int tarve = tarvittavaLeveys(i, dc);
    if (tarve <= r[i].right - r[i].left) continue;
    int loppu = pikseleiksi(ohje_.leveys, d) - rako;
    for (std::size_t k = 0; k < o.size(); ++k)
      if (o[k].nimi == o[i].kehys) loppu = r[k].right - rako;
    for (std::size_t j = 0; j < o.size(); ++j) {
      if (j == i || o[j].kehys != o[i].kehys) continue;
      if (r[j].left >= r[i].right && r[j].top < r[i].bottom && r[j].bottom > r[i].top)
        loppu = std::min(loppu, static_cast<int>(r[j].left) - rako);
    }
    r[i].right = std::max(r[i].right, r[i].left + std::min(tarve, loppu - static_cast<int>(r[i].left)));
    levennetyt_.push_back(o[i].nimi);
  }
  SelectObject(dc, vanha);
  ReleaseDC(kahva_, dc);

  for (std::size_t i = 0; i < o.size(); ++i)
    SetWindowPos(ohjaimet_[i], nullptr, r[i].left, r[i].top, r[i].right - r[i].left, r[i].bottom - r[i].top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(kahva_, nullptr, TRUE);
}

void Win32Ikkuna::sovitaTekstiin(const std::string& nimi) {
  HWND h = ohjain(nimi);
  if (!h) return;
  std::wstring t = ws(ikkunanTeksti(h));
  HDC dc = GetDC(h);
  HGDIOBJ vanha = SelectObject(dc, kirjasin_);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, vanha);
  ReleaseDC(h, dc);
  SetWindowPos(h, nullptr, 0, 0, r.right + 1, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ikkuna::paivitaSarkaimet() {
  // Tab reaches an option group at its selected button, as in a dialog.
  const auto& o = ohje_.ohjaimet;
  for (std::size_t i = 0; i < o.size();) {
    if (o[i].laji != Ohjainlaji::valintanappi) {
      ++i;
      continue;
    }
    std::size_t j = i;
    std::size_t valittu = i;
    while (j < o.size() && o[j].laji == Ohjainlaji::valintanappi && o[j].kehys == o[i].kehys) {
      if (SendMessageW(ohjaimet_[j], BM_GETCHECK, 0, 0) == BST_CHECKED) valittu = j;
      ++j;
    }
    for (std::size_t k = i; k < j; ++k) {
      LONG_PTR s = GetWindowLongPtrW(ohjaimet_[k], GWL_STYLE);
      s = k == valittu ? (s | WS_TABSTOP) : (s & ~static_cast<LONG_PTR>(WS_TABSTOP));
      SetWindowLongPtrW(ohjaimet_[k], GWL_STYLE, s);
    }
    i = j;
  }
}

void Win32Ikkuna::virhe() noexcept {
  euro::fe_Virhe(euro::nykyinenVirhe(), ikkunaproseduuri);
}

void Win32Ikkuna::kasitteleViesti(MSG& m) {
  HWND juuri = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
  if (ikkunasta(juuri) && IsDialogMessageW(juuri, &m)) return;
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

LRESULT CALLBACK Win32Ikkuna::proseduuri(HWND h, UINT v, WPARAM w, LPARAM l) {
  if (v == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    static_cast<Win32Ikkuna*>(cs->lpCreateParams)->kahva_ = h;
  }
  auto* ikkuna = reinterpret_cast<Win32Ikkuna*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!ikkuna) return DefWindowProcW(h, v, w, l);
  // No exception may pass through the system's frames.
  try {
    return ikkuna->kasittele(h, v, w, l);
  } catch (...) {
    ikkuna->virhe();
    return 0;
  }
}

LRESULT Win32Ikkuna::kasittele(HWND h, UINT v, WPARAM w, LPARAM l) {
  LRESULT tulos = 0;
  if (muuViesti(v, w, l, tulos)) return tulos;
  switch (v) {
    case WM_COMMAND: {
      const int tunnus = LOWORD(w);
      const int ilmoitus = HIWORD(w);
      if (tunnus == IDCANCEL && l == 0) {
        peruutus();
        return 0;
      }
      const int i = tunnus - ensimmainenTunnus;
      if (l != 0 && i >= 0 && i < static_cast<int>(ohjaimet_.size())) {
        const Ohjainohje& c = ohje_.ohjaimet[static_cast<std::size_t>(i)];
        if (ilmoitus == BN_CLICKED && c.laji == Ohjainlaji::valintanappi) paivitaSarkaimet();
        if (ilmoitus == BN_CLICKED) komento(c.nimi, ilmoitus);
      }
      return 0;
    }
    case DM_GETDEFID:
      if (auto p = oletuspainike()) {
        for (std::size_t i = 0; i < ohje_.ohjaimet.size(); ++i)
          if (ohje_.ohjaimet[i].nimi == *p) return MAKELRESULT(ensimmainenTunnus + static_cast<int>(i), DC_HASDEFID);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (sivellin_) {
        SetBkColor(reinterpret_cast<HDC>(w), *ohje_.tausta);
        return reinterpret_cast<LRESULT>(sivellin_);
      }
      break;
    case WM_ERASEBKGND:
      if (sivellin_) {
        RECT r;
        GetClientRect(kahva_, &r);
        FillRect(reinterpret_cast<HDC>(w), &r, sivellin_);
        return 1;
      }
      break;
    case WM_DPICHANGED: {
      const RECT* r = reinterpret_cast<const RECT*>(l);
      SetWindowPos(kahva_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      sijoita();
      return 0;
    }
    case WM_CLOSE:
      if (suljetaan()) DestroyWindow(h);
      return 0;
    case WM_NCDESTROY:
      kahva_ = nullptr;
      ohjaimet_.assign(ohjaimet_.size(), nullptr);
      break;
    default:
      break;
  }
  return DefWindowProcW(h, v, w, l);
}

}  // namespace win32puoli
