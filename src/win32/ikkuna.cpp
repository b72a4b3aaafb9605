#include "win32/ikkuna.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "euro/virhe.h"
#include "win32/win32tuki.h"

namespace win32puoli {

using ikkunat::Ohjainlaji;

namespace {

// Where a failure inside a window procedure is reported from.
constexpr euro::Raportointipaikka ikkunaproseduuri{0, "kolvanto", "ikkunaproseduuri"};

// Per-monitor DPI calls exist from Windows 10 1607 on; older systems have one DPI.
template <typename F>
F user32(const char* nimi) {
  return reinterpret_cast<F>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), nimi)));
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

bool onkoMerkki(const std::string& s) { return s.find('&') != std::string::npos; }

bool samaRyhma(const ikkunat::Ohjainkuvaus& a, const ikkunat::Ohjainkuvaus& b) {
  return a.laji == Ohjainlaji::valintanappi && b.laji == Ohjainlaji::valintanappi && a.kehys == b.kehys;
}

void rekisteroi(WNDPROC proseduuri) {
  static bool tehty = false;
  if (tehty) return;
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = proseduuri;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hIcon = LoadIconW(c.hInstance, MAKEINTRESOURCEW(1));
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = ikkunaluokka;
  if (!RegisterClassExW(&c)) euro::heitaVirhe(euro::virhenro::muistiLoppui);
  tehty = true;
}

}  // namespace

Win32Ikkuna::Win32Ikkuna(const ikkunat::Ikkunakuvaus& kuvaus) : kuvaus_(kuvaus) {}

Win32Ikkuna::~Win32Ikkuna() {
  for (HWND h : estetyt_) EnableWindow(h, TRUE);
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
  if (wcscmp(nimi, ikkunaluokka) != 0) return nullptr;
  return reinterpret_cast<Win32Ikkuna*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

void Win32Ikkuna::luo(HWND omistaja, DWORD tyyli) {
  rekisteroi(proseduuri);
  if (kuvaus_.tausta) sivellin_ = CreateSolidBrush(RGB(kuvaus_.tausta->r, kuvaus_.tausta->g, kuvaus_.tausta->b));
  CreateWindowExW(0, ikkunaluokka, ws(kuvaus_.otsikko).c_str(), tyyli, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                  100, omistaja, nullptr, GetModuleHandleW(nullptr), this);
  if (!kahva_) euro::heitaVirhe(euro::virhenro::muistiLoppui);

  // Created in keyboard order: the dialog manager's order is the order of creation.
  const auto& o = kuvaus_.ohjaimet;
  for (std::size_t i = 0; i < o.size(); ++i) {
    const ikkunat::Ohjainkuvaus& c = o[i];
    if (c.laji == Ohjainlaji::tiedostodialogi) {
      ohjaimet_.push_back(nullptr);
      continue;
    }
    DWORD s = WS_CHILD | (c.nakyva ? WS_VISIBLE : 0u) | (ikkunat::sarkainpysahdys(c) ? WS_TABSTOP : 0u);
    DWORD ex = 0;
    const wchar_t* lk = L"BUTTON";
    std::string teksti = c.teksti;
    // Every control but an option button after another of its group starts a group of its
    // own, so that the arrow keys move within the option buttons only.
    if (!(i > 0 && samaRyhma(o[i - 1], c))) s |= WS_GROUP;
    switch (c.laji) {
      case Ohjainlaji::nimio:
        lk = L"STATIC";
        s |= c.rivitetty ? SS_LEFT : SS_LEFTNOWORDWRAP;
        // Wrapped as an edit control wraps: a word wider than the label (a path) breaks too.
        if (c.tekstinKokoinen && c.enimmaisleveys > 0) s = (s & ~SS_TYPEMASK) | SS_LEFT | SS_EDITCONTROL;
        if (c.napsautettava) s |= SS_NOTIFY;
        // Texts set at run time (reports, paths, addresses) are shown as they are.
        if (!onkoMerkki(c.teksti)) s |= SS_NOPREFIX;
        break;
      case Ohjainlaji::tekstilaatikko:
        lk = L"EDIT";
        s |= ES_AUTOHSCROLL;
        ex |= WS_EX_CLIENTEDGE;
        teksti = c.arvo;
        break;
      case Ohjainlaji::valintaruutu:
        s |= BS_AUTOCHECKBOX;
        break;
      case Ohjainlaji::valintanappi:
        s |= BS_AUTORADIOBUTTON;
        break;
      case Ohjainlaji::painike:
        s |= c.oletus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
      case Ohjainlaji::kehys:
        // Painted after the controls inside it, which come later in the order.
        s |= BS_GROUPBOX;
        ex |= WS_EX_TRANSPARENT;
        break;
      case Ohjainlaji::tiedostodialogi:
        break;
    }
    HWND h = CreateWindowExW(ex, lk, ws(teksti).c_str(), s, 0, 0, 10, 10, kahva_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ensimmainenTunnus + static_cast<int>(i))),
                             GetModuleHandleW(nullptr), nullptr);
    if (!h) euro::heitaVirhe(euro::virhenro::muistiLoppui);
    if ((c.laji == Ohjainlaji::valintaruutu && c.arvo == "1") ||
        (c.laji == Ohjainlaji::valintanappi && c.arvo == "True"))
      SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    ohjaimet_.push_back(h);
  }
  paivitaSarkaimet();
  sijoita();
  lisaaValikkoon();
}

// The description's entries at the end of the system menu, their shortcut shown as menus do.
void Win32Ikkuna::lisaaValikkoon() {
  const auto& v = kuvaus_.jarjestelmavalikko;
  HMENU valikko = v.empty() ? nullptr : GetSystemMenu(kahva_, FALSE);
  if (!valikko) return;
  AppendMenuW(valikko, MF_SEPARATOR, 0, nullptr);
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string teksti = v[i].pikanappain.empty() ? v[i].teksti : v[i].teksti + "\t" + v[i].pikanappain;
    AppendMenuW(valikko, MF_STRING, valikkotunnus + valikkovali * i, ws(teksti).c_str());
  }
}

bool Win32Ikkuna::valittu(WPARAM komento) {
  // The system keeps the low four bits of a system command for itself.
  const std::size_t k = static_cast<std::size_t>(komento & 0xFFF0);
  if (k < valikkotunnus || (k - valikkotunnus) % valikkovali != 0) return false;
  const std::size_t i = (k - valikkotunnus) / valikkovali;
  if (i >= kuvaus_.jarjestelmavalikko.size()) return false;
  if (!lopetettu_ && napsautus && IsWindowEnabled(kahva_)) napsautus(kuvaus_.jarjestelmavalikko[i].nimi);
  return true;
}

// "Ctrl+R" as the key of a WM_KEYDOWN with Ctrl held; 0 for any other form.
static WPARAM ctrlNappain(const std::string& pikanappain) {
  const std::string alku = "Ctrl+";
  if (pikanappain.size() != alku.size() + 1 || pikanappain.compare(0, alku.size(), alku) != 0) return 0;
  const char c = pikanappain.back();
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? static_cast<WPARAM>(c) : 0;
}

bool Win32Ikkuna::pikanappain(const MSG& m) {
  if (m.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return false;
  for (std::size_t i = 0; i < kuvaus_.jarjestelmavalikko.size(); ++i)
    if (ctrlNappain(kuvaus_.jarjestelmavalikko[i].pikanappain) == m.wParam) {
      PostMessageW(kahva_, WM_SYSCOMMAND, valikkotunnus + valikkovali * i, 0);
      return true;
    }
  return false;
}

int Win32Ikkuna::indeksi(const std::string& nimi) const {
  for (std::size_t i = 0; i < kuvaus_.ohjaimet.size(); ++i)
    if (kuvaus_.ohjaimet[i].nimi == nimi) return static_cast<int>(i);
  return -1;
}

HWND Win32Ikkuna::ohjain(const std::string& nimi) const {
  const int i = indeksi(nimi);
  return i < 0 ? nullptr : ohjaimet_[static_cast<std::size_t>(i)];
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
  LOGFONTW l{};
  std::wstring nimi;
  for (const std::string& n : kuvaus_.kirjasin.nimet) {
    // The classic dialog font is a name the system resolves itself.
    if (n == "MS Shell Dlg" || kirjasinOn(ws(n))) {
      nimi = ws(n);
      break;
    }
  }
  if (nimi.empty()) {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    nimi = m.lfMessageFont.lfFaceName;
  }
  wcsncpy(l.lfFaceName, nimi.c_str(), LF_FACESIZE - 1);
  l.lfHeight = -static_cast<LONG>(std::lround(kuvaus_.kirjasin.pisteet * dpi() / 72.0));
  l.lfWeight = kuvaus_.kirjasin.lihavoitu ? FW_BOLD : FW_NORMAL;
  l.lfCharSet = DEFAULT_CHARSET;
  l.lfQuality = CLEARTYPE_QUALITY;
  HFONT uusi = CreateFontIndirectW(&l);
  for (HWND h : ohjaimet_)
    if (h) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(uusi), FALSE);
  if (kirjasin_) DeleteObject(kirjasin_);
  kirjasin_ = uusi;
}

RECT Win32Ikkuna::pikselit(std::size_t i, int leveys) const {
  const int d = static_cast<int>(dpi());
  const ikkunat::Ohjainkuvaus& c = kuvaus_.ohjaimet[i];
  int x = c.vasen, y = c.yla;
  if (const ikkunat::Ohjainkuvaus* k = c.kehys.empty() ? nullptr : kuvaus_.ohjain(c.kehys)) {
    x += k->vasen;
    y += k->yla;
  }
  // Corners are converted, not sizes, so that neighbours meet as designed at every DPI.
  return RECT{ikkunat::pikseleina(x, d), ikkunat::pikseleina(y, d), ikkunat::pikseleina(x + leveys, d),
              ikkunat::pikseleina(y + c.korkeus, d)};
}

int Win32Ikkuna::tarvittavaLeveys(const ikkunat::Ohjainkuvaus& c, HDC dc) const {
  std::wstring t = ws(c.teksti);
  if (c.laji != Ohjainlaji::nimio || onkoMerkki(c.teksti)) t = ilmanMerkkia(t);
  SIZE s{};
  GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &s);
  const int d = static_cast<int>(dpi());
  int px = s.cx + 1;
  if (c.laji == Ohjainlaji::painike) px = s.cx + MulDiv(12, d, 96);
  // The box or circle, and the gap before the text.
  if (c.laji == Ohjainlaji::valintaruutu || c.laji == Ohjainlaji::valintanappi) px = s.cx + MulDiv(13 + 7, d, 96);
  return (px * 1440 + d - 1) / d;
}

void Win32Ikkuna::sijoita() {
  const UINT d = dpi();
  teeKirjasin();

  RECT ulko{0, 0, ikkunat::pikseleina(kuvaus_.leveys, static_cast<int>(d)),
            ikkunat::pikseleina(kuvaus_.korkeus, static_cast<int>(d))};
  const DWORD tyyli = static_cast<DWORD>(GetWindowLongPtrW(kahva_, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(kahva_, GWL_EXSTYLE));
  static auto sovita = user32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (sovita)
    sovita(&ulko, tyyli, FALSE, ex, d);
  else
    AdjustWindowRectEx(&ulko, tyyli, FALSE, ex);
  SetWindowPos(kahva_, nullptr, 0, 0, ulko.right - ulko.left, ulko.bottom - ulko.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  HDC dc = GetDC(kahva_);
  HGDIOBJ vanha = SelectObject(dc, kirjasin_);
  const std::map<std::string, int> leveydet =
      ikkunat::levennykset(kuvaus_, [&](const ikkunat::Ohjainkuvaus& o) { return tarvittavaLeveys(o, dc); });
  SelectObject(dc, vanha);
  ReleaseDC(kahva_, dc);

  levennetyt_.clear();
  for (std::size_t i = 0; i < kuvaus_.ohjaimet.size(); ++i) {
    if (!ohjaimet_[i]) continue;
    const ikkunat::Ohjainkuvaus& c = kuvaus_.ohjaimet[i];
    int leveys = c.leveys;
    if (auto l = leveydet.find(c.nimi); l != leveydet.end()) {
      leveys = l->second;
      levennetyt_.push_back(c.nimi);
    }
    const RECT r = pikselit(i, leveys);
    SetWindowPos(ohjaimet_[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.tekstinKokoinen) sovitaTekstiin(i);
  }
  InvalidateRect(kahva_, nullptr, TRUE);
}

void Win32Ikkuna::sovitaTekstiin(std::size_t i) {
  HWND h = ohjaimet_[i];
  std::wstring t = ws(ikkunanTeksti(h));
  HDC dc = GetDC(h);
  HGDIOBJ vanha = SelectObject(dc, kirjasin_);
  // Measured with the flags the static control draws with.
  const int enintaan = kuvaus_.ohjaimet[i].enimmaisleveys;
  UINT muoto = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
  const int raja = enintaan > 0 ? ikkunat::pikseleina(enintaan, static_cast<int>(dpi())) : 0;
  RECT r{0, 0, raja, 0};
  if (raja > 0) muoto |= DT_WORDBREAK | DT_EDITCONTROL;
  if (!t.empty()) DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, muoto);
  SelectObject(dc, vanha);
  ReleaseDC(h, dc);
  // Never wider than the limit: drawn in a wider box, the lines would break elsewhere.
  const int leveys = raja > 0 ? std::min(static_cast<int>(r.right) + 1, raja) : static_cast<int>(r.right) + 1;
  SetWindowPos(h, nullptr, 0, 0, leveys, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ikkuna::paivitaSarkaimet() {
  // Tab reaches an option group at its selected button, as in a dialog.
  const auto& o = kuvaus_.ohjaimet;
  for (std::size_t i = 0; i < o.size();) {
    if (o[i].laji != Ohjainlaji::valintanappi) {
      ++i;
      continue;
    }
    std::size_t j = i, valittu = i;
    while (j < o.size() && samaRyhma(o[i], o[j])) {
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

std::string Win32Ikkuna::arvo(const std::string& nimi) const {
  const int i = indeksi(nimi);
  if (i < 0 || !ohjaimet_[static_cast<std::size_t>(i)]) return {};
  HWND h = ohjaimet_[static_cast<std::size_t>(i)];
  switch (kuvaus_.ohjaimet[static_cast<std::size_t>(i)].laji) {
    case Ohjainlaji::valintaruutu: {
      const LRESULT t = SendMessageW(h, BM_GETCHECK, 0, 0);
      return t == BST_CHECKED ? "1" : t == BST_INDETERMINATE ? "2" : "0";
    }
    case Ohjainlaji::valintanappi:
      return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? "True" : "False";
    default:
      return ikkunanTeksti(h);
  }
}

void Win32Ikkuna::asetaArvo(const std::string& nimi, const std::string& arvo) {
  const int i = indeksi(nimi);
  if (i < 0 || !ohjaimet_[static_cast<std::size_t>(i)]) return;
  const std::size_t n = static_cast<std::size_t>(i);
  HWND h = ohjaimet_[n];
  const ikkunat::Ohjainkuvaus& c = kuvaus_.ohjaimet[n];
  switch (c.laji) {
    case Ohjainlaji::valintaruutu:
      if (arvo == "2") SetWindowLongPtrW(h, GWL_STYLE, (GetWindowLongPtrW(h, GWL_STYLE) & ~0xFL) | BS_AUTO3STATE);
      SendMessageW(h, BM_SETCHECK, arvo == "1" ? BST_CHECKED : arvo == "2" ? BST_INDETERMINATE : BST_UNCHECKED, 0);
      break;
    case Ohjainlaji::valintanappi:
      if (arvo == "True") {
        for (std::size_t k = 0; k < ohjaimet_.size(); ++k)
          if (k != n && samaRyhma(kuvaus_.ohjaimet[k], c)) SendMessageW(ohjaimet_[k], BM_SETCHECK, BST_UNCHECKED, 0);
      }
      SendMessageW(h, BM_SETCHECK, arvo == "True" ? BST_CHECKED : BST_UNCHECKED, 0);
      paivitaSarkaimet();
      break;
    default:
      SetWindowTextW(h, ws(arvo).c_str());
      if (c.tekstinKokoinen) sovitaTekstiin(n);
      break;
  }
}

std::string Win32Ikkuna::otsikko() const { return ikkunanTeksti(kahva_); }

void Win32Ikkuna::asetaOtsikko(const std::string& otsikko) { SetWindowTextW(kahva_, ws(otsikko).c_str()); }

void Win32Ikkuna::nayta() {
  if (lopetettu_) return;
  ShowWindow(kahva_, SW_SHOW);
  UpdateWindow(kahva_);
  SetForegroundWindow(kahva_);
}

void Win32Ikkuna::naytaModaalisti() {
  if (modaali_ || lopetettu_) return;
  // The thread's other windows take no input while this one is shown.
  HWND edellinen = GetActiveWindow();
  estetyt_.clear();
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        auto* self = reinterpret_cast<Win32Ikkuna*>(p);
        if (h != self->kahva_ && IsWindowVisible(h) && IsWindowEnabled(h)) self->estetyt_.push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
  for (HWND h : estetyt_) EnableWindow(h, FALSE);

  modaali_ = true;
  ShowWindow(kahva_, SW_SHOW);
  SetForegroundWindow(kahva_);
  for (std::size_t i = 0; i < ohjaimet_.size(); ++i)
    if (kuvaus_.ohjaimet[i].oletus && ohjaimet_[i]) SetFocus(ohjaimet_[i]);
  if (modaalikoukku) modaalikoukku(*this);
  silmukka([this] { return IsWindowVisible(kahva_) && !lopetettu_; });
  modaali_ = false;
  for (HWND h : estetyt_) EnableWindow(h, TRUE);
  estetyt_.clear();
  if (edellinen && IsWindow(edellinen) && IsWindowVisible(edellinen)) SetActiveWindow(edellinen);
}

void Win32Ikkuna::piilota() {
  // The owner is enabled first, so that the activation stays in this program.
  for (HWND h : estetyt_) EnableWindow(h, TRUE);
  estetyt_.clear();
  ShowWindow(kahva_, SW_HIDE);
}

bool Win32Ikkuna::nakyvissa() const { return kahva_ && IsWindowVisible(kahva_); }

void Win32Ikkuna::lopetaOhjelma() {
  lopetettu_ = true;
  piilota();
  if (silmukoita > 0) PostQuitMessage(0);
}

void Win32Ikkuna::kasitteleViesti(MSG& m) {
  HWND juuri = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
  if (Win32Ikkuna* w = ikkunasta(juuri); w && w->pikanappain(m)) return;
  if (ikkunasta(juuri) && IsDialogMessageW(juuri, &m)) return;
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

void Win32Ikkuna::painettu(std::size_t i) {
  const ikkunat::Ohjainkuvaus& c = kuvaus_.ohjaimet[i];
  if (c.laji == Ohjainlaji::valintanappi) paivitaSarkaimet();
  if (lopetettu_ || !napsautus) return;
  if (c.laji == Ohjainlaji::painike || (c.laji == Ohjainlaji::nimio && c.napsautettava))
    napsautus(c.nimi);
}

LRESULT CALLBACK Win32Ikkuna::proseduuri(HWND h, UINT v, WPARAM w, LPARAM l) {
  if (v == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    static_cast<Win32Ikkuna*>(cs->lpCreateParams)->kahva_ = h;
  }
  auto* ikkuna = reinterpret_cast<Win32Ikkuna*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!ikkuna) return DefWindowProcW(h, v, w, l);
  // No exception may pass through the system's frames: it is reported like any failure.
  try {
    return ikkuna->kasittele(h, v, w, l);
  } catch (...) {
    euro::fe_Virhe(euro::nykyinenVirhe(), ikkunaproseduuri);
    return 0;
  }
}

LRESULT Win32Ikkuna::kasittele(HWND h, UINT v, WPARAM w, LPARAM l) {
  switch (v) {
    case WM_COMMAND: {
      const int tunnus = LOWORD(w);
      if (l == 0 && tunnus == IDCANCEL) {
        // Esc presses the description's cancel button.
        if (const ikkunat::Ohjainkuvaus* p = kuvaus_.peruutusnappi()) {
          const std::size_t i = static_cast<std::size_t>(p - kuvaus_.ohjaimet.data());
          if (ohjaimet_[i] && IsWindowEnabled(ohjaimet_[i])) painettu(i);
        }
        return 0;
      }
      const int i = tunnus - ensimmainenTunnus;
      if (l != 0 && HIWORD(w) == BN_CLICKED && i >= 0 && i < static_cast<int>(ohjaimet_.size()))
        painettu(static_cast<std::size_t>(i));
      return 0;
    }
    case WM_SYSCOMMAND:
      if (valittu(w)) return 0;
      break;
    case DM_GETDEFID:
      for (std::size_t i = 0; i < kuvaus_.ohjaimet.size(); ++i)
        if (kuvaus_.ohjaimet[i].oletus) return MAKELRESULT(ensimmainenTunnus + static_cast<int>(i), DC_HASDEFID);
      return 0;
    case WM_SETCURSOR:
      for (std::size_t i = 0; i < kuvaus_.ohjaimet.size(); ++i)
        if (kuvaus_.ohjaimet[i].napsautettava && ohjaimet_[i] == reinterpret_cast<HWND>(w)) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (sivellin_) {
        SetBkColor(reinterpret_cast<HDC>(w), RGB(kuvaus_.tausta->r, kuvaus_.tausta->g, kuvaus_.tausta->b));
        return reinterpret_cast<LRESULT>(sivellin_);
      }
      break;
    case WM_ERASEBKGND:
      if (sivellin_) {
        RECT r;
        GetClientRect(h, &r);
        FillRect(reinterpret_cast<HDC>(w), &r, sivellin_);
        return 1;
      }
      break;
    case WM_DPICHANGED: {
      const RECT* r = reinterpret_cast<const RECT*>(l);
      SetWindowPos(h, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      sijoita();
      return 0;
    }
    case WM_CLOSE:
      // Whether the window may go while a command runs is the behaviour's to say.
      if (suljettaessa)
        suljettaessa();
      else
        piilota();
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
