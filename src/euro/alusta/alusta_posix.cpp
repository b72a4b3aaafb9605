// POSIX side of the platform layer. Native paths are UTF-8; hidden = name begins with ".".
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/alusta/posix.h"
#include "euro/alusta/vikakoukku.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

using euro::heitaVirhe;
namespace nro = euro::virhenro;

namespace {

bool onOlemassa(const std::string& natiiviPolku) {
  struct stat st;
  return ::lstat(natiiviPolku.c_str(), &st) == 0;
}

}  // namespace

std::string natiivi(const std::string& ansi) {
  if (ansi.find('\0') != std::string::npos) heitaVirhe(nro::virheellinenNimi, ansi);
  return euro::ansiUtf8(ansi);
}

std::string vanhempi(const std::string& polku) {
  auto p = polku.find_last_of('/');
  if (p == std::string::npos) return ".";
  if (p == 0) return "/";
  return polku.substr(0, p);
}

void heitaErrno(int e, const std::string& polku) {
  std::int32_t n;
  switch (e) {
    case ENOENT: n = onOlemassa(vanhempi(natiivi(polku))) ? nro::tiedostoaEiLoydy : nro::polkuaEiLoydy; break;
    case ENOTDIR: n = nro::polkuaEiLoydy; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: n = nro::lupaEvatty; break;
    case EEXIST:
    case ENOTEMPTY: n = nro::tiedostoOnJo; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: n = nro::levyTaynna; break;
    case EIO: n = nro::laitevirhe; break;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: n = nro::virheellinenNimi; break;
    case ENOMEM: n = nro::muistiLoppui; break;
    case EXDEV: n = nro::eriAsema; break;
    default: n = nro::kayttovirhe; break;
  }
  heitaVirhe(n, polku);
}

namespace {

// Windows-style wildcard match: "*" any run, "?" one character. "*.*" matches every name.
bool tasmaa(std::string_view malli, std::string_view nimi) {
  if (malli == "*.*") return true;
  std::size_t m = 0, n = 0, tahti = std::string_view::npos, paluu = 0;
  while (n < nimi.size()) {
    if (m < malli.size() && (malli[m] == '?' || malli[m] == nimi[n])) {
      ++m;
      ++n;
    } else if (m < malli.size() && malli[m] == '*') {
      tahti = m++;
      paluu = n;
    } else if (tahti != std::string_view::npos) {
      m = tahti + 1;
      n = ++paluu;
    } else {
      return false;
    }
  }
  while (m < malli.size() && malli[m] == '*') ++m;
  return m == malli.size();
}

bool onTavallinen(const std::string& natiiviPolku) {
  struct stat st;
  return ::stat(natiiviPolku.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool onkoTavallinenTiedosto(const std::string& polku) {
  // A name with a NUL cannot exist.
  if (polku.empty() || polku.find('\0') != std::string::npos) return false;
  std::string n = natiivi(polku);
  auto p = n.find_last_of('/');
  std::string kansio = p == std::string::npos ? std::string(".") : (p == 0 ? "/" : n.substr(0, p));
  std::string malli = p == std::string::npos ? n : n.substr(p + 1);
  if (malli.empty() || malli[0] == '.') return false;
  if (malli.find_first_of("*?") == std::string::npos) return onTavallinen(n);
  // "?" is one character: match the ANSI forms, not the UTF-8 bytes.
  malli = euro::utf8Ansi(malli);

  DIR* d = ::opendir(kansio.c_str());
  if (!d) return false;
  bool loytyi = false;
  while (dirent* e = ::readdir(d)) {
    std::string_view nimi = e->d_name;
    if (nimi.empty() || nimi[0] == '.' || !tasmaa(malli, euro::utf8Ansi(nimi))) continue;
    if (onTavallinen(kansio + "/" + std::string(nimi))) {
      loytyi = true;
      break;
    }
  }
  ::closedir(d);
  return loytyi;
}

bool listaakoHakemisto(const std::string& hakemisto) {
  std::string n = natiivi(hakemisto);
  if (n.empty()) n = "/";
  DIR* d = ::opendir(n.c_str());
  if (!d) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    heitaErrno(errno, hakemisto);
  }
  // Every directory lists its own "." entry, which is what makes it count.
  bool loytyi = false;
  while (dirent* e = ::readdir(d)) {
    if (std::string_view(e->d_name) == ".") {
      loytyi = true;
      break;
    }
  }
  ::closedir(d);
  return loytyi;
}

void luoHakemisto(const std::string& polku) {
  if (auto v = kysyVika(Vaihe::luo, polku)) heitaVirhe(v->numero, polku);
  if (::mkdir(natiivi(polku).c_str(), 0777) != 0) heitaErrno(errno, polku);
}

void luoOmaHakemisto(const std::string& polku) {
  if (::mkdir(natiivi(polku).c_str(), 0700) != 0) heitaErrno(errno, polku);
}

bool voikoKirjoittaa(const std::string& hakemisto) {
  return ::access(natiivi(hakemisto).c_str(), W_OK | X_OK) == 0;
}

void nimeaUudelleen(const std::string& vanha, const std::string& uusi) {
  if (auto v = kysyVika(Vaihe::nimea, vanha)) heitaVirhe(v->numero, vanha);
  std::string a = natiivi(vanha), b = natiivi(uusi);
  if (!onOlemassa(a)) heitaVirhe(nro::tiedostoaEiLoydy, vanha);
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) == 0) return;
  int e = errno;
  if (e == EINVAL || e == ENOSYS || e == EOPNOTSUPP) {
    // A file system without the no-replace flag: a hard link cannot replace either.
    if (::link(a.c_str(), b.c_str()) != 0) heitaErrno(errno, uusi);
    if (::unlink(a.c_str()) != 0) {
      int e2 = errno;
      ::unlink(b.c_str());
      heitaErrno(e2, vanha);
    }
    return;
  }
  heitaErrno(e, uusi);
}

void korvaaTiedosto(const std::string& uusi, const std::string& vanha) {
  if (auto v = kysyVika(Vaihe::korvaa, vanha)) heitaVirhe(v->numero, vanha);
  if (::rename(natiivi(uusi).c_str(), natiivi(vanha).c_str()) != 0) heitaErrno(errno, vanha);
}

void poistaTiedosto(const std::string& polku) {
  if (auto v = kysyVika(Vaihe::poista, polku)) heitaVirhe(v->numero, polku);
  if (::unlink(natiivi(polku).c_str()) != 0) heitaErrno(errno, polku);
}

std::optional<std::uint64_t> pituusJosOn(const std::string& polku) {
  struct stat st;
  if (::stat(natiivi(polku).c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }
  if (errno == ENOENT || errno == ELOOP) return std::nullopt;
  heitaErrno(errno, polku);
}

Kansio::Kansio(std::string kansio) : polku_(std::move(kansio)) {
  if (polku_.find('\0') != std::string::npos) return;
  kahva_ = ::open(euro::ansiUtf8(polku_.empty() ? std::string(".") : polku_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

Kansio::~Kansio() {
  if (kahva_ >= 0) ::close(static_cast<int>(kahva_));
}

std::optional<std::uint64_t> Kansio::pituusJosOn(const std::string& nimi, bool* eiMitaan) const {
  if (eiMitaan) *eiMitaan = false;
  // The path's own call where the folder gives no shortcut, with its answers and messages.
  if (kahva_ < 0 || nimi.find('\0') != std::string::npos) return alusta::pituusJosOn(polku_ + nimi);
  struct stat st;
  if (::fstatat(static_cast<int>(kahva_), euro::ansiUtf8(nimi).c_str(), &st, 0) == 0) {
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }
  const int e = errno;
  if (e == ENOENT && eiMitaan) *eiMitaan = true;
  if (e == ENOENT || e == ELOOP) return std::nullopt;
  heitaErrno(e, polku_ + nimi);
}

bool onLinkki(const std::string& polku) {
  struct stat st;
  if (::lstat(natiivi(polku).c_str(), &st) == 0) return S_ISLNK(st.st_mode) || (S_ISREG(st.st_mode) && st.st_nlink != 1);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  heitaErrno(errno, polku);
}

bool onErikoinen(const std::string& polku) {
  struct stat st;
  if (::lstat(natiivi(polku).c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
}

std::optional<std::string> linkinKohde(const std::string& polku) {
  const std::string n = natiivi(polku);
  struct stat st;
  if (::lstat(n.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    heitaErrno(errno, polku);
  }
  if (!S_ISLNK(st.st_mode)) return std::nullopt;
  std::string kohde(4096, '\0');
  const ssize_t m = ::readlink(n.c_str(), kohde.data(), kohde.size());
  if (m < 0) return std::string();
  kohde.resize(static_cast<std::size_t>(m));
  return euro::utf8Ansi(kohde);
}

void kayKansio(const std::string& kansio, const std::function<bool(const std::string&)>& kukin) {
  DIR* d = ::opendir(natiivi(kansio).c_str());
  if (!d) return;
  try {
    while (dirent* e = ::readdir(d))
      if (!kukin(euro::utf8Ansi(e->d_name))) break;
  } catch (...) {
    ::closedir(d);
    throw;
  }
  ::closedir(d);
}

void tallennaTiedostot(const std::string& kansio, const std::vector<std::string>& nimet) {
  if (nimet.empty()) return;
  if (koukkuAsetettu())
    for (const std::string& n : nimet)
      if (auto v = kysyVika(Vaihe::tallenna, kansio + "/" + n)) heitaVirhe(v->numero, kansio + "/" + n);
  const int fd = ::open(natiivi(kansio).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) heitaErrno(errno, kansio);
  // One syncfs, not a disk round per file; where the file system refuses it, each file's own.
  const int r = ::syncfs(fd);
  const int e = errno;
  ::close(fd);
  if (r != 0 && e != ENOSYS && e != EOPNOTSUPP && e != EINVAL) heitaErrno(e, kansio);
  for (std::size_t i = 0; r != 0 && i < nimet.size(); ++i)
    if (pituusJosOn(kansio + "/" + nimet[i])) Tiedosto(kansio + "/" + nimet[i], Tila::lue).tallennaLevylle();
}

void tallennaHakemisto(const std::string& kansio) {
  if (auto v = kysyVika(Vaihe::tallenna, kansio)) heitaVirhe(v->numero, kansio);
  const int fd = ::open(natiivi(kansio).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) heitaErrno(errno, kansio);
  const int r = ::fsync(fd);
  const int e = errno;
  ::close(fd);
  if (r != 0 && e != EINVAL) heitaErrno(e, kansio);
}

namespace {

bool kaikkiVoivatKirjoittaa(const std::string& natiiviPolku) {
  struct stat st;
  return ::stat(vanhempi(natiiviPolku).c_str(), &st) == 0 && (st.st_mode & S_IWOTH) != 0;
}

// A fresh file: whatever stands at the name is either the user's own earlier file, which goes,
// or refused. O_EXCL never opens what is there, a symbolic link included.
int luoUusi(const std::string& n, const std::string& polku, mode_t oikeudet) {
  for (int kerta = 0;; ++kerta) {
    int fd = ::open(n.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, oikeudet);
    if (fd >= 0) return fd;
    // Someone keeps putting a name back in its place: give up rather than go on.
    if (errno != EEXIST || kerta == 3) heitaErrno(errno, polku);
    struct stat st;
    if (::lstat(n.c_str(), &st) != 0) {
      if (errno == ENOENT) continue;
      heitaErrno(errno, polku);
    }
    if (S_ISLNK(st.st_mode) || st.st_uid != ::geteuid()) heitaVirhe(nro::lupaEvatty, polku);
    if (!S_ISREG(st.st_mode)) heitaVirhe(nro::kayttovirhe, polku);
    // Removed rather than emptied: a reader that opened it earlier keeps only the old bytes.
    if (::unlink(n.c_str()) != 0 && errno != ENOENT) heitaErrno(errno, polku);
  }
}

// Opens one ordinary file of one name, never through a link, a FIFO or a second name; with
// omistajan, only a file of this user's. Non-blocking: a FIFO at the name would hold the open
// until someone reads it; an ordinary file pays no heed to the flag, so it stays (reads and
// writes clear it should a system ever answer EAGAIN). pituus: its length as the open saw it.
int avaaTavallinen(const std::string& n, const std::string& polku, int liput, mode_t tila, bool omistajan,
                   std::uint64_t& pituus) {
  int fd = ::open(n.c_str(), liput | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, tila);
  if (fd < 0) {
    if (errno == ELOOP) heitaVirhe(nro::lupaEvatty, polku);
    if (errno == ENXIO) heitaVirhe(nro::kayttovirhe, polku);
    heitaErrno(errno, polku);
  }
  struct stat st;
  std::int32_t virhe = 0;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    virhe = nro::kayttovirhe;
  else if (st.st_nlink != 1 || (omistajan && st.st_uid != ::geteuid()))
    virhe = nro::lupaEvatty;
  if (virhe) {
    ::close(fd);
    heitaVirhe(virhe, polku);
  }
  pituus = static_cast<std::uint64_t>(st.st_size);
  return fd;
}

int avaaOmaanLisattavaksi(const std::string& n, const std::string& polku, std::uint64_t& pituus) {
  const bool kaikkien = kaikkiVoivatKirjoittaa(n);
  return avaaTavallinen(n, polku, O_WRONLY | O_APPEND | O_CREAT, kaikkien ? 0600 : 0666, kaikkien, pituus);
}

// A company file to append to: only an ordinary file, and the open never waits (a FIFO at the
// name would hold it until someone reads); the flag stays, as above. A folder fails as it
// always has, by its own error.
int avaaLisattavaksi(const std::string& n, const std::string& polku, int liput, std::uint64_t& pituus) {
  const int fd = ::open(n.c_str(), liput | O_NONBLOCK, 0666);
  if (fd < 0) {
    if (errno == ENXIO) heitaVirhe(nro::kayttovirhe, polku);
    heitaErrno(errno, polku);
  }
  // What O_EXCL made is an empty ordinary file: no look needed (one call less a new file).
  if (liput & O_EXCL) {
    pituus = 0;
    return fd;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    heitaVirhe(nro::kayttovirhe, polku);
  }
  pituus = static_cast<std::uint64_t>(st.st_size);
  return fd;
}

// An existing ordinary file of one name, for reading and writing, never through a link.
int avaaOlemassaOleva(const std::string& n, const std::string& polku, std::uint64_t& pituus) {
  return avaaTavallinen(n, polku, O_RDWR, 0, false, pituus);
}

}  // namespace

void Tiedosto::avaa(const std::string& polku, Tila tila) {
  suljeHiljaa();
  if (auto v = kysyVika(Vaihe::avaa, polku)) heitaVirhe(v->numero, polku);
  int liput = O_CLOEXEC;
  switch (tila) {
    case Tila::lue: liput |= O_RDONLY; break;
    case Tila::kirjoita: liput |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Tila::lisaa: liput |= O_WRONLY | O_CREAT | O_APPEND; break;
    case Tila::yksin: liput |= O_RDWR; break;
    case Tila::paivita: liput |= O_RDWR | O_CREAT; break;
    case Tila::kirja: liput |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    case Tila::lisaaUusi: liput |= O_WRONLY | O_CREAT | O_APPEND | O_EXCL; break;
    case Tila::uusi:
    case Tila::yksityinen:
    case Tila::lisaaOmaan:
    case Tila::muokkaa: break;
  }
  const std::string n = natiivi(polku);
  std::uint64_t pituus = ~std::uint64_t{0};
  int fd;
  if (tila == Tila::uusi || tila == Tila::yksityinen)
    fd = luoUusi(n, polku, tila == Tila::yksityinen ? 0600 : 0666);
  else if (tila == Tila::lisaaOmaan)
    fd = avaaOmaanLisattavaksi(n, polku, pituus);
  else if (tila == Tila::muokkaa)
    fd = avaaOlemassaOleva(n, polku, pituus);
  else if (tila == Tila::lisaa || tila == Tila::lisaaUusi)
    fd = avaaLisattavaksi(n, polku, liput, pituus);
  else
    fd = ::open(n.c_str(), liput, tila == Tila::kirja ? 0600 : 0666);
  if (fd < 0) heitaErrno(errno, polku);
  // A folder opens for reading; writing to one fails by itself.
  struct stat st;
  if (tila == Tila::lue && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    heitaVirhe(nro::kayttovirhe, polku);
  }
  kahva_ = fd;
  polku_ = polku;
  avattuPituus_ = pituus;
}

bool Tiedosto::onAuki() const noexcept { return kahva_ >= 0; }

bool Tiedosto::lukitse() {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  // flock belongs to this open file, not to the process: another open file of the same
  // process is shut out too, and closing some other descriptor does not let it go.
  while (::flock(static_cast<int>(kahva_), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return false;
    if (errno != EINTR) heitaErrno(errno, polku_);
  }
  return true;
}

std::vector<std::string> tiedostot(const std::string& hakemisto, const std::string& loppu) {
  std::vector<std::string> nimet;
  DIR* d = ::opendir(natiivi(hakemisto).c_str());
  if (!d) return nimet;
  while (dirent* e = ::readdir(d)) {
    std::string nimi = euro::utf8Ansi(e->d_name);
    if (nimi.empty() || nimi[0] == '.' || nimi.size() <= loppu.size() ||
        nimi.compare(nimi.size() - loppu.size(), loppu.size(), loppu) != 0)
      continue;
    if (onTavallinen(natiivi(hakemisto) + "/" + e->d_name)) nimet.push_back(nimi);
  }
  ::closedir(d);
  std::sort(nimet.begin(), nimet.end());
  return nimet;
}

void Tiedosto::sulje() {
  if (kahva_ < 0) return;
  int fd = static_cast<int>(kahva_);
  kahva_ = -1;
  if (::close(fd) != 0 && errno != EINTR) heitaErrno(errno, polku_);
}

void Tiedosto::tallennaLevylle() {
  if (kahva_ < 0) heitaVirhe(nro::virheellinenNimi, polku_);
  if (auto v = kysyVika(Vaihe::tallenna, polku_)) heitaVirhe(v->numero, polku_);
  if (::fsync(static_cast<int>(kahva_)) != 0 && errno != EINVAL) heitaErrno(errno, polku_);
}

void Tiedosto::suljeHiljaa() noexcept {
  if (kahva_ >= 0) ::close(static_cast<int>(kahva_));
  kahva_ = -1;
}

bool onPaate(int virta) { return ::isatty(virta == 1 ? STDOUT_FILENO : STDERR_FILENO) == 1; }

std::string luettavaksi(const std::string& teksti) { return euro::ansiUtf8(teksti); }

void asetaAttribuutit(const std::string&, bool, bool) {}

}  // namespace alusta
