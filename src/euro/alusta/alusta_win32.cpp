// Win32 side of the platform layer. Native paths are UTF-16, always converted through the
// Windows-1252 table; only the wide ("W") functions are called.
#include <algorithm>
#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/alusta/vikakoukku.h"
#include "euro/alusta/win32.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

using euro::heitaVirhe;
namespace nro = euro::virhenro;

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring leveTeksti(std::string_view ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return std::wstring(u.begin(), u.end());
}

std::wstring leve(std::string_view ansi) {
  if (ansi.find('\0') != std::string_view::npos) heitaVirhe(nro::virheellinenNimi, std::string(ansi));
  return leveTeksti(ansi);
}

std::string ansiksi(std::wstring_view w) {
  return euro::utf16Ansi(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size()));
}

std::int32_t virhenumero(DWORD koodi) {
  switch (koodi) {
    case ERROR_FILE_NOT_FOUND: return nro::tiedostoaEiLoydy;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE: return nro::polkuaEiLoydy;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return nro::lupaEvatty;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return nro::tiedostoOnJo;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return nro::levyTaynna;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return nro::virheellinenNimi;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return nro::laitevirhe;
    case ERROR_NOT_SAME_DEVICE: return nro::eriAsema;
    default: return nro::kayttovirhe;
  }
}

void heitaKoodi(DWORD koodi, const std::string& polku) {
  heitaVirhe(virhenumero(koodi), polku);
}

bool eiLoydy(DWORD koodi) {
  if (koodi == ERROR_SUCCESS || koodi == ERROR_NO_MORE_FILES) return true;
  std::int32_t n = virhenumero(koodi);
  return n == nro::tiedostoaEiLoydy || n == nro::polkuaEiLoydy;
}

namespace {

bool onHakemisto(const std::wstring& polku) {
  DWORD a = ::GetFileAttributesW(polku.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool nakyva(const WIN32_FIND_DATAW& d) {
  return !(d.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// Walks the matches of a pattern until ehto accepts one. Without an accepted match, koodi
// tells why: ERROR_SUCCESS (matches, none accepted), or the failure of the listing.
template <class Ehto>
bool etsi(const std::wstring& malli, Ehto ehto, DWORD& koodi) {
  WIN32_FIND_DATAW d;
  HANDLE h = ::FindFirstFileW(malli.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) {
    koodi = ::GetLastError();
    return false;
  }
  koodi = ERROR_SUCCESS;
  bool loytyi = false;
  do {
    if (ehto(d)) {
      loytyi = true;
      break;
    }
  } while (::FindNextFileW(h, &d));
  if (!loytyi) {
    DWORD e = ::GetLastError();
    if (e != ERROR_NO_MORE_FILES) koodi = e;
  }
  ::FindClose(h);
  return loytyi;
}

HANDLE kahva(std::intptr_t k) { return reinterpret_cast<HANDLE>(k); }

}  // namespace

bool onkoTavallinenTiedosto(const std::string& polku) {
  // A name with a NUL cannot exist.
  if (polku.empty() || polku.find('\0') != std::string::npos) return false;
  DWORD koodi;
  bool loytyi = etsi(
      leve(polku),
      [](const WIN32_FIND_DATAW& d) { return nakyva(d) && !(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); },
      koodi);
  if (loytyi) return true;
  // No match and a name that cannot exist are both just "no such file".
  if (eiLoydy(koodi) || virhenumero(koodi) == nro::virheellinenNimi) return false;
  heitaKoodi(koodi, polku);
}

bool listaakoHakemisto(const std::string& hakemisto) {
  std::string malli = hakemisto;
  if (malli.empty() || malli.back() != '\\') malli += '\\';
  malli += "*.*";
  DWORD koodi;
  if (etsi(leve(malli), nakyva, koodi)) return true;
  if (eiLoydy(koodi)) return false;
  // A file where the folder should be is no folder either. Windows calls it ERROR_DIRECTORY,
  // Wine ERROR_INVALID_NAME, which a really malformed name also gives.
  if (koodi == ERROR_DIRECTORY || koodi == ERROR_INVALID_NAME) {
    DWORD a = ::GetFileAttributesW(leve(hakemisto).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  }
  heitaKoodi(koodi, hakemisto);
}

void luoHakemisto(const std::string& polku) {
  if (auto v = kysyVika(Vaihe::luo, polku)) heitaVirhe(v->numero, polku);
  if (!::CreateDirectoryW(leve(polku).c_str(), nullptr)) heitaKoodi(::GetLastError(), polku);
}

void luoOmaHakemisto(const std::string& polku) { luoHakemisto(polku); }

bool voikoKirjoittaa(const std::string& hakemisto) {
  // Windows tells only by trying: a hidden file of this process's own, gone when closed.
  std::string koe = hakemisto;
  if (koe.empty() || koe.back() != erotin) koe += erotin;
  koe += "~kolvanto-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
  HANDLE h = ::CreateFileW(leve(koe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return true;
  }
  const DWORD e = ::GetLastError();
  return e != ERROR_ACCESS_DENIED && e != ERROR_WRITE_PROTECT && e != ERROR_PATH_NOT_FOUND &&
         e != ERROR_FILE_NOT_FOUND;
}

void nimeaUudelleen(const std::string& vanha, const std::string& uusi) {
  if (auto v = kysyVika(Vaihe::nimea, vanha)) heitaVirhe(v->numero, vanha);
  std::wstring a = leve(vanha), b = leve(uusi);
  // No MOVEFILE_REPLACE_EXISTING: an archived statement must never be overwritten.
  if (::MoveFileExW(a.c_str(), b.c_str(), 0)) return;
  DWORD e = ::GetLastError();
  // Name the side that failed: the source when it is gone, otherwise the target.
  bool lahdeLoytyy = ::GetFileAttributesW(a.c_str()) != INVALID_FILE_ATTRIBUTES;
  heitaKoodi(e, lahdeLoytyy ? uusi : vanha);
}

void korvaaTiedosto(const std::string& uusi, const std::string& vanha) {
  if (auto v = kysyVika(Vaihe::korvaa, vanha)) heitaVirhe(v->numero, vanha);
  if (!::MoveFileExW(leve(uusi).c_str(), leve(vanha).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    heitaKoodi(::GetLastError(), vanha);
}

void poistaTiedosto(const std::string& polku) {
  if (auto v = kysyVika(Vaihe::poista, polku)) heitaVirhe(v->numero, polku);
  if (!::DeleteFileW(leve(polku).c_str())) heitaKoodi(::GetLastError(), polku);
}

std::optional<std::uint64_t> pituusJosOn(const std::string& polku) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (::GetFileAttributesExW(leve(polku).c_str(), GetFileExInfoStandard, &d)) {
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  }
  const DWORD e = ::GetLastError();
  if (e == ERROR_FILE_NOT_FOUND) return std::nullopt;
  heitaKoodi(e, polku);
}

Kansio::Kansio(std::string kansio) : polku_(std::move(kansio)) {}

Kansio::~Kansio() = default;

std::optional<std::uint64_t> Kansio::pituusJosOn(const std::string& nimi, bool* eiMitaan) const {
  if (eiMitaan) *eiMitaan = false;  // Windows has no FIFO in a folder to look for
  return alusta::pituusJosOn(polku_ + nimi);
}

bool onErikoinen(const std::string&) { return false; }

bool onLinkki(const std::string& polku) {
  const std::wstring w = leve(polku);
  const DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = ::GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return false;
    heitaKoodi(e, polku);
  }
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
  // Other names show only on an open handle; one that cannot be opened is left to the writer.
  HANDLE h = ::CreateFileW(w.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION t;
  const bool muita = ::GetFileInformationByHandle(h, &t) && t.nNumberOfLinks != 1;
  ::CloseHandle(h);
  return muita;
}

std::optional<std::string> linkinKohde(const std::string& polku) {
  const std::wstring w = leve(polku);
  const DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = ::GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return std::nullopt;
    heitaKoodi(e, polku);
  }
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) return std::nullopt;
  // Only a symbolic link or a junction leads elsewhere: a cloud placeholder (OneDrive) or a
  // deduplicated file carries a reparse point of its own kind and is the file itself.
  WIN32_FIND_DATAW d;
  HANDLE f = ::FindFirstFileW(w.c_str(), &d);
  if (f != INVALID_HANDLE_VALUE) {
    ::FindClose(f);
    if (d.dwReserved0 != IO_REPARSE_TAG_SYMLINK && d.dwReserved0 != IO_REPARSE_TAG_MOUNT_POINT) return std::nullopt;
  }
  // The final path of what it leads to; a link that leads nowhere has none.
  HANDLE h = ::CreateFileW(w.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::wstring kohde(32768, L'\0');
  const DWORD m = ::GetFinalPathNameByHandleW(h, kohde.data(), static_cast<DWORD>(kohde.size()), FILE_NAME_NORMALIZED);
  ::CloseHandle(h);
  if (m == 0 || m >= kohde.size()) return std::string();
  kohde.resize(m);
  if (kohde.rfind(L"\\\\?\\", 0) == 0) kohde.erase(0, 4);
  return ansiksi(kohde);
}

void kayKansio(const std::string& kansio, const std::function<bool(const std::string&)>& kukin) {
  WIN32_FIND_DATAW d;
  HANDLE h = ::FindFirstFileW(leve(kansio + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  try {
    do {
      if (!kukin(euro::utf16Ansi(reinterpret_cast<const char16_t*>(d.cFileName)))) break;
    } while (::FindNextFileW(h, &d));
  } catch (...) {
    ::FindClose(h);
    throw;
  }
  ::FindClose(h);
}

void tallennaTiedostot(const std::string& kansio, const std::vector<std::string>& nimet) {
  for (const std::string& n : nimet) {
    const std::string polku = kansio + "\\" + n;
    if (auto v = kysyVika(Vaihe::tallenna, polku)) heitaVirhe(v->numero, polku);
    HANDLE h = ::CreateFileW(leve(polku).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD e = ::GetLastError();
      if (e == ERROR_FILE_NOT_FOUND) continue;
      heitaKoodi(e, polku);
    }
    const BOOL ok = ::FlushFileBuffers(h);
    const DWORD e = ::GetLastError();
    ::CloseHandle(h);
    if (!ok) heitaKoodi(e, polku);
  }
}

void tallennaHakemisto(const std::string& kansio) {
  if (auto v = kysyVika(Vaihe::tallenna, kansio)) heitaVirhe(v->numero, kansio);
}

namespace {

// How a mode opens a file: its access, what others may do with it meanwhile, and its creation.
void avaustapa(Tila tila, DWORD& oikeudet, DWORD& jako, DWORD& luonti) {
  switch (tila) {
    case Tila::lue:
      // The bank program may still be appending to the statement file while it is read.
      oikeudet = GENERIC_READ;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      luonti = OPEN_EXISTING;
      break;
    case Tila::kirjoita:
    case Tila::uusi:
    case Tila::yksityinen:
      oikeudet = GENERIC_WRITE;
      jako = FILE_SHARE_READ;
      luonti = CREATE_ALWAYS;
      break;
    case Tila::lisaaUusi:
      oikeudet = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE;
      luonti = CREATE_NEW;
      break;
    case Tila::lisaa:
    case Tila::lisaaOmaan:
      // Append data only: every write lands at the end, whoever else has the file open.
      // The length is read before a write, to cut back a write that failed half-way.
      oikeudet = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE;
      luonti = OPEN_ALWAYS;
      break;
    case Tila::yksin:
      oikeudet = GENERIC_READ | GENERIC_WRITE;
      jako = 0;
      luonti = OPEN_EXISTING;
      break;
    case Tila::paivita:
      oikeudet = GENERIC_READ | GENERIC_WRITE;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      luonti = OPEN_ALWAYS;
      break;
    case Tila::kirja:
      // CREATE_NEW opens nothing that stands at the name, a link included.
      oikeudet = GENERIC_READ | GENERIC_WRITE;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      luonti = CREATE_NEW;
      break;
    case Tila::muokkaa:
      oikeudet = GENERIC_READ | GENERIC_WRITE;
      jako = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      luonti = OPEN_EXISTING;
      break;
  }
}

}  // namespace

void Tiedosto::avaa(const std::string& polku, Tila tila) {
  suljeHiljaa();
  if (auto v = kysyVika(Vaihe::avaa, polku)) heitaVirhe(v->numero, polku);
  DWORD oikeudet = 0, jako = 0, luonti = 0;
  avaustapa(tila, oikeudet, jako, luonti);
  std::wstring w = leve(polku);
  // A reparse point (a link) is opened as itself, and refused below.
  const DWORD liput = FILE_ATTRIBUTE_NORMAL | (tila == Tila::muokkaa ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE h = ::CreateFileW(w.c_str(), oikeudet, jako, nullptr, luonti, liput, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = ::GetLastError();
    // A folder cannot be opened as a file: "path/file access error", as on POSIX.
    if (e == ERROR_ACCESS_DENIED && onHakemisto(w)) heitaVirhe(nro::kayttovirhe, polku);
    heitaKoodi(e, polku);
  }
  // A company file is only ever an ordinary file on a disk, never a pipe or a device.
  if ((tila == Tila::lisaa || tila == Tila::lisaaUusi) && ::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    heitaVirhe(nro::kayttovirhe, polku);
  }
  if (tila == Tila::muokkaa) {
    BY_HANDLE_FILE_INFORMATION t;
    std::int32_t virhe = 0;
    if (!::GetFileInformationByHandle(h, &t) || (t.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      virhe = nro::kayttovirhe;
    else if ((t.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || t.nNumberOfLinks != 1)
      virhe = nro::lupaEvatty;
    if (virhe) {
      ::CloseHandle(h);
      heitaVirhe(virhe, polku);
    }
  }
  kahva_ = reinterpret_cast<std::intptr_t>(h);
  polku_ = polku;
}

bool Tiedosto::onAuki() const noexcept { return kahva_ != -1; }

std::size_t Tiedosto::lue(char* puskuri, std::size_t n) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyLukuVika(polku_, n)) heitaVirhe(v->numero, polku_);
  DWORD luettu = 0;
  if (!::ReadFile(kahva(kahva_), puskuri, static_cast<DWORD>(n < pala ? n : pala), &luettu, nullptr)) {
    DWORD e = ::GetLastError();
    if (e == ERROR_HANDLE_EOF || e == ERROR_BROKEN_PIPE) return 0;
    heitaKoodi(e, polku_);
  }
  return luettu;
}

namespace {
// Writes the first lapi bytes of data; tehty grows with every byte that went through.
void kirjoitaLapi(HANDLE h, const char* data, std::size_t lapi, const std::string& polku,
                  std::uint64_t& tehty) {
  while (lapi > 0) {
    DWORD kirjoitettu = 0;
    if (!::WriteFile(h, data, static_cast<DWORD>(lapi < pala ? lapi : pala), &kirjoitettu, nullptr))
      heitaKoodi(::GetLastError(), polku);
    // Success with nothing written would loop for ever.
    if (kirjoitettu == 0) heitaVirhe(nro::laitevirhe, polku);
    data += kirjoitettu;
    lapi -= kirjoitettu;
    tehty += kirjoitettu;
  }
}
}  // namespace

void Tiedosto::kirjoita(const char* data, std::size_t n) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  const std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku_, n);
  std::uint64_t tehty = 0;
  kirjoitaLapi(kahva(kahva_), data, vika && vika->lapi < n ? vika->lapi : n, polku_, tehty);
  if (vika) heitaVirhe(vika->numero, polku_);
}

void Tiedosto::kirjoitaOsat(const Osa* osat, std::size_t n, std::uint64_t& tehty) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  HANDLE h = kahva(kahva_);
  std::size_t kaikki = 0;
  for (std::size_t i = 0; i < n; ++i) kaikki += osat[i].koko;
  const std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku_, kaikki);
  std::size_t jaljella = vika && vika->lapi < kaikki ? vika->lapi : kaikki;
  {
    for (std::size_t i = 0; i < n && jaljella > 0; ++i) {
      const std::size_t k = osat[i].koko < jaljella ? osat[i].koko : jaljella;
      kirjoitaLapi(h, osat[i].data, k, polku_, tehty);
      jaljella -= k;
    }
  }
  if (vika) heitaVirhe(vika->numero, polku_);
}

std::uint64_t Tiedosto::pituus() {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  LARGE_INTEGER koko;
  if (!::GetFileSizeEx(kahva(kahva_), &koko)) heitaKoodi(::GetLastError(), polku_);
  return static_cast<std::uint64_t>(koko.QuadPart);
}

std::uint64_t Tiedosto::katkaiseJos(std::uint64_t odotettu, std::uint64_t pituus) noexcept {
  constexpr std::uint64_t tuntematon = ~std::uint64_t{0};
  if (!onAuki() || pituus >= odotettu) return tuntematon;
  HANDLE h = kahva(kahva_);
  LARGE_INTEGER nyt;
  if (!::GetFileSizeEx(h, &nyt)) return tuntematon;
  if (static_cast<std::uint64_t>(nyt.QuadPart) != odotettu) return static_cast<std::uint64_t>(nyt.QuadPart);
  // An append-only handle cannot set the end of the file; a second handle on the same file can.
  HANDLE k = ::ReOpenFile(h, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
  if (k == INVALID_HANDLE_VALUE) return odotettu;
  LARGE_INTEGER kohta;
  kohta.QuadPart = static_cast<LONGLONG>(pituus);
  const bool katkaistu = ::SetFilePointerEx(k, kohta, nullptr, FILE_BEGIN) && ::SetEndOfFile(k);
  ::CloseHandle(k);
  return katkaistu ? pituus : odotettu;
}

std::size_t Tiedosto::lueKohdasta(std::uint64_t kohta, char* puskuri, std::size_t n) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyLukuVika(polku_, n)) heitaVirhe(v->numero, polku_);
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(kohta & 0xFFFFFFFFu);
  o.OffsetHigh = static_cast<DWORD>(kohta >> 32);
  DWORD luettu = 0;
  if (!::ReadFile(kahva(kahva_), puskuri, static_cast<DWORD>(n < pala ? n : pala), &luettu, &o)) {
    DWORD e = ::GetLastError();
    if (e == ERROR_HANDLE_EOF || e == ERROR_BROKEN_PIPE) return 0;
    heitaKoodi(e, polku_);
  }
  return luettu;
}

void Tiedosto::siirry(std::uint64_t kohta) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  LARGE_INTEGER k;
  k.QuadPart = static_cast<LONGLONG>(kohta);
  if (!::SetFilePointerEx(kahva(kahva_), k, nullptr, FILE_BEGIN)) heitaKoodi(::GetLastError(), polku_);
}

void Tiedosto::kirjoitaKohtaan(std::uint64_t kohta, const char* data, std::size_t n) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  const std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku_, n);
  std::size_t lapi = vika && vika->lapi < n ? vika->lapi : n;
  while (lapi > 0) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(kohta & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(kohta >> 32);
    DWORD kirjoitettu = 0;
    if (!::WriteFile(kahva(kahva_), data, static_cast<DWORD>(lapi < pala ? lapi : pala), &kirjoitettu, &o))
      heitaKoodi(::GetLastError(), polku_);
    if (kirjoitettu == 0) heitaVirhe(nro::laitevirhe, polku_);
    data += kirjoitettu;
    lapi -= kirjoitettu;
    kohta += kirjoitettu;
  }
  if (vika) heitaVirhe(vika->numero, polku_);
}

void Tiedosto::katkaise(std::uint64_t pituus) {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyVika(Vaihe::kirjoita, polku_, 0)) heitaVirhe(v->numero, polku_);
  LARGE_INTEGER k;
  k.QuadPart = static_cast<LONGLONG>(pituus);
  if (!::SetFilePointerEx(kahva(kahva_), k, nullptr, FILE_BEGIN) || !::SetEndOfFile(kahva(kahva_)))
    heitaKoodi(::GetLastError(), polku_);
}

bool Tiedosto::lukitse() {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  // The whole file's range, and more: the lock holds whatever the journal grows to.
  OVERLAPPED o{};
  if (::LockFileEx(kahva(kahva_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0xFFFFFFFFu,
                   0xFFFFFFFFu, &o))
    return true;
  DWORD e = ::GetLastError();
  if (e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING) return false;
  heitaKoodi(e, polku_);
}

std::vector<std::string> tiedostot(const std::string& hakemisto, const std::string& loppu) {
  std::vector<std::string> nimet;
  WIN32_FIND_DATAW d;
  HANDLE h = ::FindFirstFileW(leve(hakemisto + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return nimet;
  do {
    if (!nakyva(d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::string nimi = euro::utf16Ansi(reinterpret_cast<const char16_t*>(d.cFileName));
    if (nimi.size() > loppu.size() && nimi.compare(nimi.size() - loppu.size(), loppu.size(), loppu) == 0)
      nimet.push_back(nimi);
  } while (::FindNextFileW(h, &d));
  ::FindClose(h);
  std::sort(nimet.begin(), nimet.end());
  return nimet;
}

void Tiedosto::sulje() {
  if (!onAuki()) return;
  HANDLE h = kahva(kahva_);
  kahva_ = -1;
  if (!::CloseHandle(h)) heitaKoodi(::GetLastError(), polku_);
}

void Tiedosto::tallennaLevylle() {
  if (!onAuki()) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyVika(Vaihe::tallenna, polku_)) heitaVirhe(v->numero, polku_);
  if (!::FlushFileBuffers(kahva(kahva_))) heitaKoodi(::GetLastError(), polku_);
}

void Tiedosto::suljeHiljaa() noexcept {
  if (onAuki()) ::CloseHandle(kahva(kahva_));
  kahva_ = -1;
}

bool onPaate(int) { return false; }

std::string luettavaksi(const std::string& teksti) { return teksti; }

void asetaAttribuutit(const std::string& polku, bool piilotettu, bool jarjestelma) {
  std::wstring w = leve(polku);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) heitaKoodi(::GetLastError(), polku);
  a &= ~(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NORMAL);
  if (piilotettu) a |= FILE_ATTRIBUTE_HIDDEN;
  if (jarjestelma) a |= FILE_ATTRIBUTE_SYSTEM;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  if (!::SetFileAttributesW(w.c_str(), a)) heitaKoodi(::GetLastError(), polku);
}

}  // namespace alusta
