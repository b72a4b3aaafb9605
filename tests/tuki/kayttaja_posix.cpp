#include "tuki/kayttaja.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "euro/teksti.h"

namespace testi {

namespace {

struct Tunnus {
  uid_t uid;
  gid_t gid;
};

Tunnus tavallinen() {
  if (const passwd* p = ::getpwnam("nobody")) return {p->pw_uid, p->pw_gid};
  return {65534, 65534};
}

}  // namespace

Tavallisena tavallisenaKayttajana(const std::function<std::string()>& toimi) {
  if (::geteuid() != 0) return {std::nullopt, "vaatii pääkäyttäjän, joka voi vaihtaa käyttäjää"};
  int putki[2];
  if (::pipe(putki) != 0) return {std::nullopt, "putkea ei voi tehdä"};
  const Tunnus t = tavallinen();
  pid_t lapsi = ::fork();
  if (lapsi < 0) return {std::nullopt, "fork epäonnistui"};
  if (lapsi == 0) {
    ::close(putki[0]);
    std::string tulos;
    if (::setgroups(0, nullptr) != 0 || ::setgid(t.gid) != 0 || ::setuid(t.uid) != 0 ||
        ::geteuid() == 0) {
      tulos = "käyttäjää ei voi vaihtaa";
    } else {
      ::umask(022);
      try {
        tulos = toimi();
      } catch (const std::exception& e) {
        tulos = std::string("poikkeus: ") + e.what();
      }
    }
    const char* p = tulos.data();
    std::size_t n = tulos.size();
    while (n > 0) {
      ssize_t r = ::write(putki[1], p, n);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      p += r;
      n -= static_cast<std::size_t>(r);
    }
    // No destructors: the test's folders belong to the parent.
    ::_exit(0);
  }
  ::close(putki[1]);
  std::string tulos;
  char puskuri[4096];
  for (;;) {
    ssize_t r = ::read(putki[0], puskuri, sizeof puskuri);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    tulos.append(puskuri, static_cast<std::size_t>(r));
  }
  ::close(putki[0]);
  int tila = 0;
  while (::waitpid(lapsi, &tila, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(tila) || WEXITSTATUS(tila) != 0) return {"lapsi päättyi kesken: " + tulos, ""};
  return {tulos, ""};
}

void annaTavalliselle(const std::string& polku) {
  const Tunnus t = tavallinen();
  if (::lchown(euro::ansiUtf8(polku).c_str(), t.uid, t.gid) != 0)
    throw std::runtime_error("lchown: " + polku);
}

void teeFifo(const std::string& polku) {
  if (::mkfifo(euro::ansiUtf8(polku).c_str(), 0600) != 0) throw std::runtime_error("mkfifo: " + polku);
}

void paastaFifonKirjoittaja(const std::string& polku) {
  const int fd = ::open(euro::ansiUtf8(polku).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  // Long enough for the waiting open to return; what it then writes is read away.
  char b[4096];
  for (int i = 0; i < 50; ++i) {
    while (::read(fd, b, sizeof b) > 0) {
    }
    ::usleep(10000);
  }
  ::close(fd);
}

bool avaaKirjoittajaksiOdottamatta(const std::string& polku) {
  const int fd = ::open(euro::ansiUtf8(polku).c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) ::close(fd);
  return fd < 0 && errno == EWOULDBLOCK;
}

}  // namespace testi
