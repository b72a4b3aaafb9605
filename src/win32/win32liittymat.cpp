#include "win32/win32liittymat.h"

#include <commdlg.h>

#include <vector>

#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace win32puoli {

int Win32Viestit::nayta(const std::string& teksti, const std::string& otsikko, int tyyli) {
  const std::wstring o = ws(otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : otsikko);
  // A box of the start-up run has no window to belong to; it must still come to the front.
  UINT lisa = omistaja() ? 0 : MB_SETFOREGROUND;
  int v = MessageBoxW(omistaja(), ws(teksti).c_str(), o.c_str(), static_cast<UINT>(tyyli) | lisa);
  if (v == 0)
    throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                      euro::ansi("Viestiä ei voitu näyttää (koodi ") + std::to_string(GetLastError()) + ")");
  return v;
}

void Win32Viestit::palautaHiiri() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }

std::wstring suodatinlista(const euro::Tiedostovalinta& v) {
  std::wstring l;
  for (const euro::Suodatin& s : v.suodattimet) {
    l += ws(s.teksti);
    l += L'\0';
    l += ws(s.malli);
    l += L'\0';
  }
  l += L'\0';
  return l;
}

std::optional<std::string> Win32Tiedostovalitsin::valitse(const euro::Tiedostovalinta& v) {
  std::vector<wchar_t> nimi(32768, L'\0');
  const std::wstring esitaytto = ws(v.tiedostonimi);
  if (esitaytto.size() < nimi.size()) std::copy(esitaytto.begin(), esitaytto.end(), nimi.begin());
  const std::wstring suodatin = suodatinlista(v);
  const std::wstring alku = ws(v.alkuhakemisto), otsikko = ws(v.otsikko);

  OPENFILENAMEW o{};
  o.lStructSize = sizeof o;
  o.hwndOwner = omistaja();
  o.lpstrFilter = v.suodattimet.empty() ? nullptr : suodatin.c_str();
  o.nFilterIndex = static_cast<DWORD>(v.valittuSuodatin + 1);
  o.lpstrFile = nimi.data();
  o.nMaxFile = static_cast<DWORD>(nimi.size());
  o.lpstrInitialDir = alku.empty() ? nullptr : alku.c_str();
  o.lpstrTitle = otsikko.empty() ? nullptr : otsikko.c_str();
  o.Flags = (v.tiedostonOltavaOlemassa ? OFN_FILEMUSTEXIST : 0u) |
            (v.piilotaVainLuku ? OFN_HIDEREADONLY : 0u);
  if (GetOpenFileNameW(&o)) return ansiksi(nimi.data());
  const DWORD koodi = CommDlgExtendedError();
  if (koodi == 0) return std::nullopt;
  throw euro::Virhe(euro::virhenro::virheellinenKutsu,
                    euro::ansi("Tiedoston valintaikkunaa ei voitu näyttää (koodi ") +
                        std::to_string(koodi) + ")");
}

}  // namespace win32puoli
