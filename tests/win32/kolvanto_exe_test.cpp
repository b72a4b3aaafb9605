// kolvanto.exe as a program: what it carries (subsystem, manifest, version, icon, no DLL of
// its own), the unattended run, and a failed run that shows the problem dialog and logs.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "euro/teksti.h"
#include "win32/ikkuna.h"
#include "win32/win32tuki.h"
#include "euro/alusta/alusta.h"
#include "settings/paloitteluasetukset.h"
#include "tuki/prosessi.h"
#include "tuki/testituki.h"

namespace {

using win32puoli::ws;

std::string esimerkki() {
  std::string p = std::string("Z:") + KOLVANTO_ESIMERKKI;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::wstring versiotieto(const std::vector<char>& tiedot, const wchar_t* nimi) {
  void* p = nullptr;
  UINT n = 0;
  const std::wstring polku = std::wstring(L"\\StringFileInfo\\040B04B0\\") + nimi;
  if (!VerQueryValueW(tiedot.data(), polku.c_str(), &p, &n) || n == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(p), n - 1);
}

TEST(KolvantoExe, KantaaManifestinVersiotiedotJaKuvakkeenIlmanOmiaDllia) {
  const std::wstring exe = ws(testi::ohjelmaBin("kolvanto"));
  std::vector<char> tiedot(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
  ASSERT_FALSE(tiedot.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(tiedot.size()), tiedot.data()));
  VS_FIXEDFILEINFO* kiintea = nullptr;
  UINT n = 0;
  ASSERT_TRUE(VerQueryValueW(tiedot.data(), L"\\", reinterpret_cast<void**>(&kiintea), &n));
  // The four numbers of project(VERSION), as the generated header gives them.
  constexpr unsigned versio[] = {KOLVANTO_VERSIO_NUMEROT};
  EXPECT_EQ(kiintea->dwFileVersionMS, MAKELONG(versio[1], versio[0]));
  EXPECT_EQ(kiintea->dwFileVersionLS, MAKELONG(versio[3], versio[2]));
  EXPECT_EQ(versiotieto(tiedot, L"ProductVersion"), ws(euro::versio));
  EXPECT_EQ(versiotieto(tiedot, L"ProductName"), L"kolvanto");
  EXPECT_EQ(versiotieto(tiedot, L"FileDescription"), L"Konekielisen tiliotteen jakaminen yrityksitt\u00e4in");
  EXPECT_EQ(versiotieto(tiedot, L"CompanyName"), L"Vombra Oy");

  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(m, nullptr);
  EXPECT_NE(FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // RT_GROUP_ICON
  HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));           // RT_MANIFEST
  ASSERT_NE(r, nullptr);
  const std::string manifesti(static_cast<const char*>(LockResource(LoadResource(m, r))), SizeofResource(m, r));
  FreeLibrary(m);
  for (const char* kohta : {"PerMonitorV2", "true/pm", "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""})
    EXPECT_NE(manifesti.find(kohta), std::string::npos) << kohta;

  const std::string tavut = testi::lueTiedosto(testi::ohjelmaBin("kolvanto"));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(tavut.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(tavut.data() + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  for (const char* dll : {"libstdc++", "libgcc_s", "libwinpthread"})
    EXPECT_EQ(tavut.find(dll + std::string("-")), std::string::npos) << dll;
}

class KolvantoAjo : public ::testing::Test {
 protected:
  void SetUp() override {
    alusta::luoHakemisto(ohjelma);
    alusta::luoHakemisto(kohde);
    exe = ohjelma + "\\kolvanto.exe";
    testi::kopioi(testi::ohjelmaBin("kolvanto"), exe);
    testi::kopioi(esimerkki(), syote);
  }
  // The saved values of the window: the settings file beside the data directory.
  void asetukset(const std::string& aikaleima) {
    testi::kirjoitaTiedosto(settings::asetustiedosto(ohjelma),
                            "txtPaloiteltavaTiedosto = " + syote + "\r\ntxtTallennusHakemisto = " + kohde +
                                "\\\r\nchkAikaleimaaPaloiteltava = " + aikaleima +
                                "\r\nchkNaytaPaloitellut = 0\r\nchkSuljeOhjelmaPaloittelunJalkeen = 1\r\n");
  }
  testi::Kansio kansio;
  const std::string ohjelma = kansio / "ohjelma", kohde = kansio / "yritykset", syote = kansio / "TITO.TXT";
  std::string exe;
};

// Waits for a shown window of the started program with this caption; another program's in the
// same Wine prefix (another test run) is not taken for it. The first start in a fresh prefix
// on a loaded machine may take a minute before any window.
HWND odotaIkkunaa(const testi::Kaynnissa& ohjelma, const std::string& alku,
                  std::chrono::seconds aikaa = std::chrono::seconds(240)) {
  struct Haku {
    std::wstring alku;
    DWORD pid;
    HWND loytyi = nullptr;
  } haku{ws(alku), static_cast<DWORD>(ohjelma.tunnus())};
  const auto loppu = std::chrono::steady_clock::now() + aikaa;
  while (!haku.loytyi && std::chrono::steady_clock::now() < loppu) {
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
          auto* k = reinterpret_cast<Haku*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(h, &pid);
          wchar_t luokka[64] = {}, otsikko[256] = {};
          GetClassNameW(h, luokka, 64);
          GetWindowTextW(h, otsikko, 256);
          if (pid == k->pid && IsWindowVisible(h) && wcscmp(luokka, win32puoli::ikkunaluokka) == 0 &&
              std::wstring(otsikko).rfind(k->alku, 0) == 0) {
            k->loytyi = h;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&haku));
    if (!haku.loytyi) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return haku.loytyi;
}

// Waits until the file holds this text; answers what it held last.
std::string odotaTiedostossa(const std::string& polku, const std::string& teksti,
                             std::chrono::seconds aikaa = std::chrono::seconds(60)) {
  const auto loppu = std::chrono::steady_clock::now() + aikaa;
  std::string sisalto;
  for (;;) {
    sisalto = testi::onOlemassa(polku) ? testi::lueTiedosto(polku) : "";
    if (sisalto.find(teksti) != std::string::npos || std::chrono::steady_clock::now() >= loppu) return sisalto;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

TEST_F(KolvantoAjo, AjaPaloitteleeEsimerkinNayttamattaIkkunaa) {
  asetukset("1");
  testi::Ajo ajo;
  ajo.aikarajaMs = 60000;
  const testi::Ajettu a = testi::ajaOhjelma(exe, {"aja"}, ajo);
  // A shown window or message box would wait for a person until the time ran out.
  EXPECT_FALSE(a.aikaLoppui);
  EXPECT_EQ(a.koodi, 0);
  std::size_t yhteensa = 0;
  for (const std::string& n : testi::tiedostot(kohde)) yhteensa += testi::lueTiedosto(kohde + "\\" + n).size();
  const std::string alkuperainen = testi::lueTiedosto(esimerkki());
  // Everything from the first T00 line on, in a file per company and month (6 companies,
  // January to May, by the designed prefix "TITO-*-?-"); the input went to TUODUT.
  EXPECT_EQ(testi::tiedostot(kohde).size(), 30u);
  EXPECT_EQ(yhteensa, alkuperainen.size() - alkuperainen.find("T00"));
  EXPECT_FALSE(testi::onOlemassa(syote));
  EXPECT_EQ(testi::tiedostot(kansio / "TUODUT").size(), 1u);
  EXPECT_FALSE(testi::onOlemassa(ohjelma + "\\virhelog.txt"));
}

// A failed unattended run shows the problem dialog, and its report is in the log while the
// dialog still waits for someone: nobody may ever close it. Closed, the program stays.
TEST_F(KolvantoAjo, EpaonnistunutAjoNayttaaPulmanJaKirjaaLokiin) {
  const std::string yritys = kohde + "\\TITO-2016-01-0038001-5.TXT";
  struct Tapaus {
    const char* nimi;
    const char* aikaleima;
    const char* raportissa;
  } const tapaukset[] = {
      // Another program holds the statement file: reading it fails.
      {"lukittu", "0", "paloittele"},
      // A folder stands at a company file's name: the archived split is left to be finished.
      {"kansio yrityksen nimellä", "1", "seuraava paloittelu viimeistelee sen"},
  };
  for (const Tapaus& t : tapaukset) {
    SCOPED_TRACE(t.nimi);
    asetukset(t.aikaleima);
    if (!testi::onOlemassa(syote)) testi::kopioi(esimerkki(), syote);
    std::optional<alusta::Tiedosto> lukko;
    if (t.aikaleima == std::string("0")) lukko.emplace(syote, alusta::Tila::yksin);
    else alusta::luoHakemisto(yritys);
    testi::Ajo ajo;
    ajo.aikarajaMs = 300000;
    testi::Kaynnissa k(exe, {"aja"}, ajo);

    HWND pulma = odotaIkkunaa(k, "Pulma");
    ASSERT_NE(pulma, nullptr);
    const std::string raportti = win32puoli::ikkunanTeksti(GetDlgItem(pulma, win32puoli::ensimmainenTunnus));
    EXPECT_NE(raportti.find(t.raportissa), std::string::npos) << raportti;
    const std::string loki = odotaTiedostossa(ohjelma + "\\virhelog.txt", raportti);
    EXPECT_NE(loki.find(raportti), std::string::npos) << loki;
    PostMessageW(GetDlgItem(pulma, win32puoli::ensimmainenTunnus + 1), BM_CLICK, 0, 0);  // cmdOK

    HWND paa = odotaIkkunaa(k, "Konekielisen tiliotteen");
    ASSERT_NE(paa, nullptr);
    if (lukko) lukko->suljeHiljaa();
    PostMessageW(paa, WM_CLOSE, 0, 0);
    const testi::Ajettu a = k.odota();
    EXPECT_FALSE(a.aikaLoppui);
    EXPECT_EQ(a.koodi, 0);
    // Logged once, not again when the dialog closed.
    const std::string lopuksi = testi::lueTiedosto(ohjelma + "\\virhelog.txt");
    EXPECT_EQ(lopuksi.find(raportti), lopuksi.rfind(raportti));
    // Nothing lost: unread, or archived with its journal for the next run to finish.
    if (lukko)
      EXPECT_TRUE(testi::tiedostot(kohde).empty());
    else
      EXPECT_FALSE(testi::tiedostot(kansio / "TUODUT").empty());
    alusta::poistaTiedosto(ohjelma + "\\virhelog.txt");
  }
}

}  // namespace
