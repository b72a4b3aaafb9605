// POSIX: reading and writing an open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "euro/alusta/alusta.h"
#include "euro/alusta/posix.h"
#include "euro/alusta/vikakoukku.h"
#include "euro/poikkeus.h"

namespace alusta {

using euro::heitaVirhe;
namespace nro = euro::virhenro;

namespace {
// A company file is opened non-blocking (a FIFO at its name would hold the open) and left so:
// the flag means nothing to an ordinary file on Linux and the BSDs, and clearing it cost a
// call per file. Should a system answer EAGAIN all the same, it is cleared and the call made
// again.
bool estavaksi(int fd) {
  const int e = errno;  // what the call answered, for its message when this does not help
  const int liput = ::fcntl(fd, F_GETFL);
  if (liput >= 0 && (liput & O_NONBLOCK) != 0 && ::fcntl(fd, F_SETFL, liput & ~O_NONBLOCK) == 0) return true;
  errno = e;
  return false;
}
bool uudelleen(int fd) { return errno == EINTR || ((errno == EAGAIN || errno == EWOULDBLOCK) && estavaksi(fd)); }
}  // namespace

std::size_t Tiedosto::lueKohdasta(std::uint64_t kohta, char* puskuri, std::size_t n) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyLukuVika(polku_, n)) heitaVirhe(v->numero, polku_);
  for (;;) {
    ssize_t r = ::pread(static_cast<int>(kahva_), puskuri, n, static_cast<off_t>(kohta));
    if (r >= 0) return static_cast<std::size_t>(r);
    if (!uudelleen(static_cast<int>(kahva_))) heitaErrno(errno, polku_);
  }
}

std::size_t Tiedosto::lue(char* puskuri, std::size_t n) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyLukuVika(polku_, n)) heitaVirhe(v->numero, polku_);
  for (;;) {
    ssize_t r = ::read(static_cast<int>(kahva_), puskuri, n);
    if (r >= 0) return static_cast<std::size_t>(r);
    if (!uudelleen(static_cast<int>(kahva_))) heitaErrno(errno, polku_);
  }
}

namespace {
// Writes all n bytes or throws.
void kirjoitaKaikki(int fd, const char* data, std::size_t n, const std::string& polku) {
  std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku, n);
  std::size_t lapi = vika && vika->lapi < n ? vika->lapi : n;
  while (lapi > 0) {
    ssize_t r = ::write(fd, data, lapi);
    if (r < 0) {
      if (uudelleen(fd)) continue;
      heitaErrno(errno, polku);
    }
    data += r;
    lapi -= static_cast<std::size_t>(r);
  }
  if (vika) heitaVirhe(vika->numero, polku);
}
}  // namespace

void Tiedosto::kirjoita(const char* data, std::size_t n) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  kirjoitaKaikki(static_cast<int>(kahva_), data, n, polku_);
}

void Tiedosto::kirjoitaOsat(const Osa* osat, std::size_t n, std::uint64_t& tehty) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  const int fd = static_cast<int>(kahva_);
  std::size_t kaikki = 0;
  for (std::size_t i = 0; i < n; ++i) kaikki += osat[i].koko;
  const std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku_, kaikki);
  std::size_t jaljella = vika && vika->lapi < kaikki ? vika->lapi : kaikki;
  {
    constexpr std::size_t kerralla = 64;
    iovec v[kerralla];
    std::size_t i = 0, siirto = 0;  // the next byte to write: osat[i].data[siirto]
    while (jaljella > 0) {
      int c = 0;
      std::size_t pyydetty = 0;
      for (std::size_t j = i; j < n && c < static_cast<int>(kerralla) && pyydetty < jaljella; ++j) {
        const std::size_t alku = j == i ? siirto : 0;
        const std::size_t k = std::min(osat[j].koko - alku, jaljella - pyydetty);
        v[c++] = {const_cast<char*>(osat[j].data + alku), k};
        pyydetty += k;
      }
      ssize_t r = ::writev(fd, v, c);
      if (r < 0) {
        if (uudelleen(fd)) continue;
        heitaErrno(errno, polku_);
      }
      if (r == 0) heitaVirhe(nro::laitevirhe, polku_);
      std::size_t m = static_cast<std::size_t>(r);
      tehty += m;
      jaljella -= m;
      while (m > 0) {
        const std::size_t k = osat[i].koko - siirto;
        if (m < k) {
          siirto += m;
          break;
        }
        m -= k;
        ++i;
        siirto = 0;
      }
      while (i < n && osat[i].koko == siirto) {
        ++i;
        siirto = 0;
      }
    }
  }
  if (vika) heitaVirhe(vika->numero, polku_);
}

std::uint64_t Tiedosto::pituus() {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  struct stat st;
  if (::fstat(static_cast<int>(kahva_), &st) != 0) heitaErrno(errno, polku_);
  return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t Tiedosto::katkaiseJos(std::uint64_t odotettu, std::uint64_t pituus) noexcept {
  constexpr std::uint64_t tuntematon = ~std::uint64_t{0};
  if (kahva_ < 0 || pituus >= odotettu) return tuntematon;
  const int fd = static_cast<int>(kahva_);
  struct stat st;
  if (::fstat(fd, &st) != 0) return tuntematon;
  if (static_cast<std::uint64_t>(st.st_size) != odotettu) return static_cast<std::uint64_t>(st.st_size);
  for (;;) {
    if (::ftruncate(fd, static_cast<off_t>(pituus)) == 0) return pituus;
    if (errno != EINTR) return odotettu;
  }
}

void Tiedosto::siirry(std::uint64_t kohta) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  if (::lseek(static_cast<int>(kahva_), static_cast<off_t>(kohta), SEEK_SET) < 0) heitaErrno(errno, polku_);
}

void Tiedosto::kirjoitaKohtaan(std::uint64_t kohta, const char* data, std::size_t n) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  const std::optional<Vika> vika = kysyVika(Vaihe::kirjoita, polku_, n);
  std::size_t lapi = vika && vika->lapi < n ? vika->lapi : n;
  while (lapi > 0) {
    ssize_t r = ::pwrite(static_cast<int>(kahva_), data, lapi, static_cast<off_t>(kohta));
    if (r < 0) {
      if (uudelleen(static_cast<int>(kahva_))) continue;
      heitaErrno(errno, polku_);
    }
    data += r;
    lapi -= static_cast<std::size_t>(r);
    kohta += static_cast<std::uint64_t>(r);
  }
  if (vika) heitaVirhe(vika->numero, polku_);
}

void Tiedosto::katkaise(std::uint64_t pituus) {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyVika(Vaihe::kirjoita, polku_, 0)) heitaVirhe(v->numero, polku_);
  while (::ftruncate(static_cast<int>(kahva_), static_cast<off_t>(pituus)) != 0)
    if (!uudelleen(static_cast<int>(kahva_))) heitaErrno(errno, polku_);
}

}  // namespace alusta
