// The Win32 windows as a person meets them: the real controls made from the description,
// driven by window messages and keystrokes through the dialog manager.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "ikkunat/kuvaus.h"
#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "euro/virheraportti.h"
#include "ikkunat/frmMain/kuvaus.h"
#include "win32/frmMain.h"
#include "ikkunat/frmPulma/kuvaus.h"
#include "win32/frmPulma.h"
#include "win32/gditulostin.h"
#include "settings/apppath.h"
#include "split/t00.h"
#include "tuki/testituki.h"

namespace {

// Pixels as the display has them, as kolvanto.exe declares in its manifest.
[[maybe_unused]] const bool dpiTietoinen = [] {
  using Asetus = BOOL(WINAPI*)(HANDLE);
  if (auto f = reinterpret_cast<Asetus>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
    return f(reinterpret_cast<HANDLE>(-4)) != 0;  // per monitor, version 2
  return false;
}();

using ikkunat::Ohjainlaji;
using win32puoli::ansiksi;
using win32puoli::ikkunanTeksti;
using win32puoli::ilmanMerkkia;
using win32puoli::ws;

// Runs what is waiting in the thread's queue as the program's own loop would.
void pumppaa() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) win32puoli::Win32Ikkuna::kasitteleViesti(m);
}

void napauta(HWND h) {
  SendMessageW(h, BM_CLICK, 0, 0);
  pumppaa();
}

// A key as the person presses it on the control that has the focus.
void paina(UINT nappain, bool alt = false) {
  HWND kohde = GetFocus();
  if (alt) {
    PostMessageW(kohde, WM_SYSKEYDOWN, VK_MENU, 0x20000000);
    PostMessageW(kohde, WM_SYSCHAR, towlower(static_cast<wint_t>(nappain)), 0x20000000);
  } else {
    PostMessageW(kohde, WM_KEYDOWN, nappain, 0);
  }
  pumppaa();
}

std::string nimi(const win32puoli::Win32Ikkuna& w, HWND h) {
  const int i = GetDlgCtrlID(h) - win32puoli::ensimmainenTunnus;
  if (i < 0 || i >= static_cast<int>(w.kuvaus().ohjaimet.size())) return "?";
  return w.kuvaus().ohjaimet[static_cast<std::size_t>(i)].nimi;
}

RECT paikka(HWND ikkuna, HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, ikkuna, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class Win32Ikkunat : public ::testing::Test {
 protected:
  void SetUp() override {
    ymparisto.ohjelma.apppath = settings::fe_apppath;
    alusta::luoHakemisto(ohjelma);
    settings::nollaaApppath(ohjelma);
  }
  void TearDown() override {
    settings::nollaaApppath();
    pumppaa();
  }
  testi::Ymparisto ymparisto;
  testi::Kansio kansio;
  // The program's folder: its data directory, settings file and error log.
  const std::string ohjelma = kansio / "ohjelma";
  win32puoli::GdiTulostin tulostin;
};

// Every control of both windows: made, named by its identifier, of its kind, with its
// caption, where the description puts it, wide enough for its caption without covering its
// neighbour, and reached by Tab in the described order.
TEST_F(Win32Ikkunat, OhjaimetOvatKuvauksenMukaiset) {
  win32puoli::frmMain paaikkuna;
  paaikkuna.toiminta().kaynnisty("*");
  win32puoli::frmPulma pulma(tulostin);
  struct Tapaus {
    win32puoli::Win32Ikkuna& ikkuna;
    std::string otsikko;
    double pisteet;
    bool lihava;
  };
  const Tapaus tapaukset[] = {
      {paaikkuna.ikkuna(), euro::ansi("Konekielisen tiliotteen jakaminen yrityksittäin - VER:") + euro::versio, 8, false},
      {pulma.ikkuna(), "Pulma", 8.25, true},
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.otsikko);
    win32puoli::Win32Ikkuna& w = t.ikkuna;
    const ikkunat::Ikkunakuvaus& k = w.kuvaus();
    // The test command runs this also with the display at another DPI.
    const int dpi = static_cast<int>(w.dpi());
    if (const char* odotettu = std::getenv("KOLVANTO_DPI")) {
      EXPECT_EQ(dpi, std::atoi(odotettu));
    }
    const auto px = [dpi](int twips) { return ikkunat::pikseleina(twips, dpi); };
    EXPECT_EQ(ikkunanTeksti(w.kahva()), t.otsikko);
    RECT asiakas;
    GetClientRect(w.kahva(), &asiakas);
    EXPECT_EQ(asiakas.right, px(k.leveys));
    EXPECT_EQ(asiakas.bottom, px(k.korkeus));

    std::vector<std::string> sarkaimet;
    for (std::size_t i = 0; i < k.ohjaimet.size(); ++i) {
      const ikkunat::Ohjainkuvaus& o = k.ohjaimet[i];
      SCOPED_TRACE(o.nimi);
      HWND h = w.ohjain(o.nimi);
      if (o.laji == Ohjainlaji::tiedostodialogi) {
        EXPECT_EQ(h, nullptr);
        continue;
      }
      ASSERT_NE(h, nullptr);
      EXPECT_EQ(nimi(w, h), o.nimi);
      EXPECT_EQ((GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0, o.nakyva);
      wchar_t luokka[32] = {};
      GetClassNameW(h, luokka, 32);
      const LONG_PTR tyyppi = GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
      switch (o.laji) {
        case Ohjainlaji::nimio: EXPECT_STREQ(luokka, L"Static"); break;
        case Ohjainlaji::tekstilaatikko: EXPECT_STREQ(luokka, L"Edit"); break;
        case Ohjainlaji::valintaruutu: EXPECT_EQ(tyyppi, BS_AUTOCHECKBOX); break;
        case Ohjainlaji::valintanappi: EXPECT_EQ(tyyppi, BS_AUTORADIOBUTTON); break;
        case Ohjainlaji::painike: EXPECT_EQ(tyyppi, o.oletus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON); break;
        case Ohjainlaji::kehys: EXPECT_EQ(tyyppi, BS_GROUPBOX); break;
        default: break;
      }
      if (o.laji == Ohjainlaji::tekstilaatikko) {
        EXPECT_EQ(ikkunanTeksti(h), o.arvo);
      } else if (!o.tekstinKokoinen && o.nimi != "lblAppPath") {
        EXPECT_EQ(ikkunanTeksti(h), o.teksti);
      }
      if (o.laji == Ohjainlaji::valintaruutu) {
        EXPECT_EQ(w.arvo(o.nimi), o.arvo);
      }
      if (o.laji == Ohjainlaji::valintanappi) {
        EXPECT_EQ(w.arvo(o.nimi), o.arvo.empty() ? "False" : o.arvo);
      }

      LOGFONTW f{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof f, &f);
      EXPECT_EQ(f.lfHeight, -std::lround(t.pisteet * dpi / 72));
      EXPECT_EQ(f.lfWeight >= FW_BOLD, t.lihava);

      int x = o.vasen, y = o.yla;
      if (const ikkunat::Ohjainkuvaus* kehys = o.kehys.empty() ? nullptr : k.ohjain(o.kehys)) {
        x += kehys->vasen;
        y += kehys->yla;
      }
      const RECT r = paikka(w.kahva(), h);
      EXPECT_EQ(r.left, px(x));
      EXPECT_EQ(r.top, px(y));
      if (!o.tekstinKokoinen) {
        EXPECT_EQ(r.bottom, px(y + o.korkeus));
        EXPECT_GE(r.right, px(x + o.leveys));
      }

      // The caption fits: the text, plus the box of a check box or option button.
      if (o.laji != Ohjainlaji::tekstilaatikko && o.laji != Ohjainlaji::kehys && !o.rivitetty) {
        HDC dc = GetDC(h);
        HGDIOBJ vanha = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
        const std::wstring teksti = ilmanMerkkia(ws(ikkunanTeksti(h)));
        SIZE s{};
        GetTextExtentPoint32W(dc, teksti.c_str(), static_cast<int>(teksti.size()), &s);
        SelectObject(dc, vanha);
        ReleaseDC(h, dc);
        const bool laatikko = o.laji == Ohjainlaji::valintaruutu || o.laji == Ohjainlaji::valintanappi;
        EXPECT_LE(s.cx + (laatikko ? GetSystemMetrics(SM_CXMENUCHECK) : 0), r.right - r.left);
        // A widened control stays clear of its neighbours on the same row.
        for (const ikkunat::Ohjainkuvaus& toinen : k.ohjaimet) {
          if (r.right <= px(x + o.leveys)) break;
          if (&toinen == &o || toinen.kehys != o.kehys || toinen.laji == Ohjainlaji::tiedostodialogi) continue;
          const RECT rt = paikka(w.kahva(), w.ohjain(toinen.nimi));
          if (rt.left >= px(x + o.leveys) - 1 && rt.top < r.bottom && rt.bottom > r.top) {
            EXPECT_LE(r.right, rt.left) << toinen.nimi;
          }
        }
      }
      if (ikkunat::sarkainpysahdys(o) && (o.laji != Ohjainlaji::valintanappi || o.arvo == "True"))
        sarkaimet.push_back(o.nimi);
    }

    std::vector<std::string> kierros;
    HWND ensimmainen = GetNextDlgTabItem(w.kahva(), nullptr, FALSE);
    for (HWND h = ensimmainen; h && kierros.size() <= k.ohjaimet.size();) {
      kierros.push_back(nimi(w, h));
      h = GetNextDlgTabItem(w.kahva(), h, FALSE);
      if (h == ensimmainen) break;
    }
    EXPECT_EQ(kierros, sarkaimet);
  }
}

// Keys go through the dialog manager as they do in the program's own loop.
TEST_F(Win32Ikkunat, NappaimistoToimiiKuvauksenMukaan) {
  win32puoli::frmMain f;
  f.toiminta().kaynnisty("*");
  win32puoli::Win32Ikkuna& w = f.ikkuna();
  w.nayta();
  pumppaa();

  SetFocus(w.ohjain("optAsiakastunnus"));
  paina(VK_DOWN);
  EXPECT_EQ(w.arvo("optTilinumero"), "True");
  EXPECT_EQ(w.arvo("optAsiakastunnus"), "False");
  EXPECT_EQ(nimi(w, GetFocus()), "optTilinumero");

  // A click on the contact line opens the maker's home page.
  HWND yhteys = w.ohjain("lblYhteystiedot");
  PostMessageW(yhteys, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(yhteys, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  pumppaa();
  ASSERT_EQ(ymparisto.kaynnistin.kaynnistykset.size(), 1u);
  EXPECT_EQ(ymparisto.kaynnistin.kaynnistykset[0].kohde, std::string(euro::valmistajanPalvelin) + "/");

  // Alt+T: "&Tallenna oletusarvoiksi" writes the settings file.
  paina('T', true);
  EXPECT_TRUE(testi::onOlemassa(f.toiminta().asetuspolku()));

  paina(VK_ESCAPE);
  EXPECT_TRUE(w.lopetettu());
  EXPECT_FALSE(w.nakyvissa());
}

// The values go through the real controls: saved from them, and at the next start restored
// into them before the start-up decides (the decisions themselves: the behaviour's tests and
// the unattended run of kolvanto.exe).
TEST_F(Win32Ikkunat, ArvotTallentuvatOhjaimistaJaPalaavatNiihin) {
  const std::string syote = euro::ansi("C:\\Pankki\\TITO ä.TXT");
  {
    win32puoli::frmMain f;
    f.toiminta().kaynnisty("*");
    win32puoli::Win32Ikkuna& w = f.ikkuna();
    SendMessageW(w.ohjain("txtPaloiteltavaTiedosto"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ws(syote).c_str()));
    SendMessageW(w.ohjain("chkAikaleimaaPaloiteltava"), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(w.ohjain("chkNaytaPaloitellut"), BM_SETCHECK, BST_CHECKED, 0);
    napauta(w.ohjain("optTilinumero"));
    napauta(w.ohjain("cmdTallenna"));
  }
  win32puoli::frmMain f;
  EXPECT_FALSE(f.toiminta().kaynnisty("*"));
  win32puoli::Win32Ikkuna& w = f.ikkuna();
  EXPECT_FALSE(w.nakyvissa());
  EXPECT_EQ(ansiksi(ws(ikkunanTeksti(w.ohjain("txtPaloiteltavaTiedosto")))), syote);
  EXPECT_EQ(SendMessageW(w.ohjain("optTilinumero"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(w.ohjain("optAsiakastunnus"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(w.ohjain("chkAikaleimaaPaloiteltava"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(w.ohjain("chkNaytaPaloitellut"), BM_GETCHECK, 0, 0), BST_CHECKED);
}

// A failure inside a window procedure reaches the central handler and the program goes on.
TEST_F(Win32Ikkunat, IkkunaproseduurinVirheRaportoidaan) {
  win32puoli::frmMain f;
  f.ikkuna().napsautus = [](const std::string&) { throw euro::Virhe(euro::virhenro::laitevirhe, "rikki"); };
  napauta(f.ikkuna().ohjain("cmdTallenna"));
  ASSERT_EQ(ymparisto.virheet.size(), 1u);
  EXPECT_EQ(ymparisto.virheet[0].numero, euro::virhenro::laitevirhe);
  EXPECT_EQ(ymparisto.virheet[0].viesti, "rikki");
  EXPECT_EQ(ymparisto.virheet[0].rutiini, "ikkunaproseduuri");
}

// Esc closes the problem dialog through OK, as a dialog's Esc does.
TEST_F(Win32Ikkunat, EscSulkeePulmaikkunanOKNapilla) {
  win32puoli::Win32Pulmaikkuna pulma(&tulostin);
  std::vector<std::string> napsautukset;
  bool suljettu = false;
  win32puoli::Win32Ikkuna::modaalikoukku = [&](win32puoli::Win32Ikkuna& d) {
    d.napsautus = [&napsautukset, eteenpain = d.napsautus](const std::string& n) {
      napsautukset.push_back(n);
      eteenpain(n);
    };
    paina(VK_ESCAPE);
    suljettu = !d.nakyvissa();
    if (!suljettu) napauta(d.ohjain("cmdOK"));
  };
  const euro::Pulmanloppu loppu = pulma.nayta("raportti", "terms=");
  win32puoli::Win32Ikkuna::modaalikoukku = nullptr;
  EXPECT_EQ(loppu, euro::Pulmanloppu::suljettu);
  EXPECT_TRUE(suljettu);
  EXPECT_EQ(napsautukset, std::vector<std::string>{"cmdOK"});
}

// A report wider than the dialog wraps left of the buttons, a path without blanks too, and
// every wrapped line lies inside the label, so none is cut off.
TEST_F(Win32Ikkunat, PitkaRaporttiRivittyyNappienVasemmalle) {
  const std::string polku = "C:\\Users\\maija\\Tiliotteet\\" + std::string(60, 'k') +
                            "\\yritykset\\TITO-2018-08-1234567-8.TXT";
  const std::string tapaukset[] = {
      euro::ansi("Lupa evätty: ") + polku +
          euro::ansi(". Paloittelu jäi kesken; seuraava paloittelu viimeistelee sen, kun syy on korjattu"),
      std::string(300, 'x'),
  };
  for (const std::string& viesti : tapaukset) {
    SCOPED_TRACE(viesti);
    win32puoli::Win32Pulmaikkuna pulma(&tulostin);
    RECT nimio{}, ok{}, asiakas{};
    int rivejaVahintaan = 0, rivinKorkeus = 0;
    std::string naytetty;
    win32puoli::Win32Ikkuna::modaalikoukku = [&](win32puoli::Win32Ikkuna& d) {
      HWND l = d.ohjain("lblPulma");
      nimio = paikka(d.kahva(), l);
      ok = paikka(d.kahva(), d.ohjain("cmdOK"));
      GetClientRect(d.kahva(), &asiakas);
      naytetty = ikkunanTeksti(l);
      // However the words fall, the message takes at least its width over the label's in
      // lines, and three more follow it.
      const std::wstring t = ws(viesti);
      HDC dc = GetDC(l);
      HGDIOBJ vanha = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(l, WM_GETFONT, 0, 0)));
      SIZE s{};
      GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &s);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      SelectObject(dc, vanha);
      ReleaseDC(l, dc);
      const int leveys = nimio.right - nimio.left;
      rivejaVahintaan = (s.cx + leveys - 1) / leveys + 3;
      rivinKorkeus = tm.tmHeight;
      napauta(d.ohjain("cmdOK"));
    };
    pulma.nayta(viesti + "\r\n(virhe 70)\r\n\r\nKutsurivi      100", "terms=");
    win32puoli::Win32Ikkuna::modaalikoukku = nullptr;
    EXPECT_EQ(naytetty, viesti + "\r\n(virhe 70)\r\n\r\nKutsurivi      100");
    EXPECT_LT(nimio.right, ok.left);
    EXPECT_LE(nimio.bottom, asiakas.bottom);
    EXPECT_GE(nimio.bottom - nimio.top, rivejaVahintaan * rivinKorkeus);
  }
}

// A failure of the split shows the real problem dialog over the disabled main window; its
// buttons copy and print the report, OK closes it, and the report goes to the error log.
TEST_F(Win32Ikkunat, PaloittelunVirheNakyyPulmaikkunassaJaLokissa) {
  const std::string syote = kansio / "TITO.TXT";
  testi::T00 a;
  testi::kirjoitaTiedosto(syote, a.rivi() + "\r\nT10\r\n");
  testi::kirjoitaTiedosto(kansio / "kysytulo.oma", "chkKysyTulostin = 0\r\n");
  wchar_t vanhaHakemisto[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, vanhaHakemisto);
  SetCurrentDirectoryW(ws(kansio.polku()).c_str());

  HDC naytto = GetDC(nullptr);
  tulostin.metatiedostoihin(naytto, 794, 1123);
  win32puoli::Win32Pulmaikkuna pulma(&tulostin);
  ymparisto.ohjelma.ongelmat = &pulma;
  euro::asetaVirheKasittelija(euro::kasitteleVirhe);

  win32puoli::frmMain f;
  f.toiminta().kaynnisty("*");
  win32puoli::Win32Ikkuna& w = f.ikkuna();
  w.nayta();
  w.asetaArvo("txtPaloiteltavaTiedosto", syote);
  w.asetaArvo("chkAikaleimaaPaloiteltava", "0");
  w.asetaArvo("txtNimenAlkuosa", "OSA-");
  // The output file is held open by another program: the split fails while writing.
  testi::kirjoitaTiedosto(kansio / "OSA-1234567-8.TXT", "");
  alusta::Tiedosto lukko(kansio / "OSA-1234567-8.TXT", alusta::Tila::yksin);

  std::string naytetty, leikepoydalla;
  bool paaikkunaEstetty = false;
  win32puoli::Win32Ikkuna::modaalikoukku = [&](win32puoli::Win32Ikkuna& d) {
    naytetty = ikkunanTeksti(d.ohjain("lblPulma"));
    paaikkunaEstetty = !IsWindowEnabled(w.kahva());
    paina('K', true);  // Alt+K: "Lei&kepöydälle"
    leikepoydalla = win32puoli::leikepoydalta();
    napauta(d.ohjain("cmdTulosta"));
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);  // Enter: the default button, OK
  };
  napauta(w.ohjain("cmdPaloittele"));
  win32puoli::Win32Ikkuna::modaalikoukku = nullptr;
  lukko.suljeHiljaa();
  SetCurrentDirectoryW(vanhaHakemisto);

  EXPECT_NE(naytetty.find("paloittele"), std::string::npos) << naytetty;
  EXPECT_TRUE(paaikkunaEstetty);
  EXPECT_TRUE(IsWindowEnabled(w.kahva()));
  ASSERT_NE(pulma.ladattu(), nullptr);
  EXPECT_FALSE(pulma.ladattu()->ikkuna().nakyvissa());
  EXPECT_NE(testi::lueTiedosto(ohjelma + "\\virhelog.txt").find(naytetty), std::string::npos);
  // The heading block, one more line end, then the report.
  EXPECT_NE(leikepoydalla.find("\r\n\r\n" + naytetty), std::string::npos);
  EXPECT_EQ(leikepoydalla.substr(leikepoydalla.size() - naytetty.size()), naytetty);
  ASSERT_EQ(tulostin.sivut().size(), 1u);
  ReleaseDC(nullptr, naytto);
}

}  // namespace
