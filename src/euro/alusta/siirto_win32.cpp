// Win32: whether another program writes a file, and the statement file's move that respects
// it (a handle that shares reading and deleting but not writing).
#include <windows.h>

#include "euro/alusta/alusta.h"
#include "euro/alusta/vikakoukku.h"
#include "euro/alusta/win32.h"

namespace alusta {

std::optional<bool> kirjoittaakoMuu(const std::string& polku) {
  HANDLE h = ::CreateFileW(leve(polku).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = ::GetLastError();
    if (e == ERROR_SHARING_VIOLATION) return true;
    if (eiLoydy(e)) heitaKoodi(e, polku);
    return std::nullopt;
  }
  ::CloseHandle(h);
  if (kysyVika(Vaihe::vuokraa, polku)) return std::nullopt;
  return false;
}

Siirto siirraJosVapaa(const std::string& vanha, const std::string& uusi) {
  // Reading and deleting shared, writing not: refused while any handle may write the file,
  // and while it is held no one can open it for writing.
  HANDLE h = ::CreateFileW(leve(vanha).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = ::GetLastError();
    if (e == ERROR_SHARING_VIOLATION) return Siirto::auki;
    if (eiLoydy(e)) heitaKoodi(e, vanha);
    nimeaUudelleen(vanha, uusi);
    return Siirto::tarkistamatta;
  }
  if (kysyVika(Vaihe::vuokraa, vanha)) {
    ::CloseHandle(h);
    nimeaUudelleen(vanha, uusi);
    return Siirto::tarkistamatta;
  }
  try {
    nimeaUudelleen(vanha, uusi);
  } catch (...) {
    ::CloseHandle(h);
    throw;
  }
  ::CloseHandle(h);
  return Siirto::siirretty;
}

}  // namespace alusta
