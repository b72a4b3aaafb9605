// POSIX: whether another program writes a file, and the statement file's move that respects
// it (a read lease, which no open for writing may share).
#include <fcntl.h>
#include <signal.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>

#include "euro/alusta/alusta.h"
#include "euro/alusta/posix.h"
#include "euro/alusta/vikakoukku.h"

namespace alusta {

namespace {
// A network file system: a lease sees only this machine's opens (and a CIFS mount refuses one
// without an oplock), so it cannot tell whether the bank program writes the file.
bool verkossa(int fd) {
  struct statfs st;
  if (::fstatfs(fd, &st) != 0) return true;
  switch (static_cast<unsigned long>(st.f_type)) {
    case 0x6969:      // NFS
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x517B:      // SMB
    case 0x65735546:  // FUSE
    case 0x01021997:  // 9P
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

// A read lease on the file, held while the object lives: the answer of vuokraa says whether
// one could be had.
class Vuokra {
 public:
  enum class Tulos { saatu, kirjoitetaan, eiVoida };
  ~Vuokra() { vapauta(); }
  Tulos vuokraa(const std::string& polku) {
    // Non-blocking: a FIFO at the name, or a lease of someone else's, must not hold the run.
    fd_ = ::open(natiivi(polku).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      if (errno == ENOENT || errno == ENOTDIR) heitaErrno(errno, polku);
      return Tulos::eiVoida;
    }
    if (verkossa(fd_) || kysyVika(Vaihe::vuokraa, polku)) return Tulos::eiVoida;
    // A broken lease is told with SIGIO, whose default ends the process: not wanted while the
    // lease is held, and the answer is read with F_GETLEASE instead.
    struct sigaction ohita {};
    ohita.sa_handler = SIG_IGN;
    ::sigemptyset(&ohita.sa_mask);
    ::sigaction(SIGIO, &ohita, &ennen_);
    signaali_ = true;
    // A read lease is refused while the file is open for writing anywhere, this process
    // included; readers (a backup, a viewer) do not matter.
    if (::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0) return Tulos::saatu;
    return errno == EAGAIN ? Tulos::kirjoitetaan : Tulos::eiVoida;
  }
  // Someone has opened the file for writing since the lease was taken (and waits for it).
  bool rikottu() const { return ::fcntl(fd_, F_GETLEASE) == F_UNLCK; }
  void vapauta() {
    if (fd_ >= 0) {
      ::fcntl(fd_, F_SETLEASE, F_UNLCK);
      ::close(fd_);
    }
    fd_ = -1;
    if (signaali_) ::sigaction(SIGIO, &ennen_, nullptr);
    signaali_ = false;
  }

 private:
  int fd_ = -1;
  bool signaali_ = false;
  struct sigaction ennen_ {};
};

}  // namespace

std::optional<bool> kirjoittaakoMuu(const std::string& polku) {
  Vuokra v;
  switch (v.vuokraa(polku)) {
    case Vuokra::Tulos::saatu: return false;
    case Vuokra::Tulos::kirjoitetaan: return true;
    case Vuokra::Tulos::eiVoida: break;
  }
  return std::nullopt;
}

Siirto siirraJosVapaa(const std::string& vanha, const std::string& uusi) {
  const std::string a = natiivi(vanha), b = natiivi(uusi);
  Vuokra vuokra;
  switch (vuokra.vuokraa(vanha)) {
    case Vuokra::Tulos::saatu: break;
    case Vuokra::Tulos::kirjoitetaan: return Siirto::auki;
    case Vuokra::Tulos::eiVoida:
      vuokra.vapauta();
      nimeaUudelleen(vanha, uusi);
      return Siirto::tarkistamatta;
  }
  try {
    nimeaUudelleen(vanha, uusi);
  } catch (...) {
    vuokra.vapauta();
    throw;
  }
  // Someone opened it for writing between the lease and the rename, by its old name: that
  // open waits for the lease and would then write into the archive. Back where it was.
  if (vuokra.rikottu()) {
    const bool takaisin = ::renameat2(AT_FDCWD, b.c_str(), AT_FDCWD, a.c_str(), RENAME_NOREPLACE) == 0;
    return takaisin ? Siirto::auki : Siirto::tarkistamatta;
  }
  return Siirto::siirretty;
}

}  // namespace alusta
