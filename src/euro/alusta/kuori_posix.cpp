// Outside programs on POSIX: the desktop's opener (xdg-open) and command lines, started
// detached and never waited for.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

extern char** environ;

namespace alusta {

namespace {

namespace nro = euro::virhenro;

// How long the opener may take to say that nothing opens the target. Only a quick refusal can
// be told; an opener still running then has handed the target on, or is showing it itself.
constexpr long vastausaikaMs = 1000;

// Shell codes: what ShellExecute answers for the same outcomes.
namespace koodi {
constexpr int kaynnistyi = 42;
constexpr int eiLoydy = 2;
constexpr int polkuEiLoydy = 3;
constexpr int lupaEvatty = 5;
constexpr int muistiLoppui = 8;
constexpr int vaaraMuoto = 11;
constexpr int eiAvaajaa = 31;
}  // namespace koodi

bool onSuoritettava(const std::string& polku) {
  struct stat st;
  return ::stat(polku.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(polku.c_str(), X_OK) == 0;
}

// The program file as execve wants it: a name with a "/" as it is, otherwise the first
// executable of that name on PATH. Found before the fork, where the child could not allocate.
std::string etsiOhjelma(const std::string& nimi) {
  if (nimi.find('/') != std::string::npos) return onSuoritettava(nimi) ? nimi : "";
  const char* p = std::getenv("PATH");
  std::string polut = p ? p : "/usr/local/bin:/usr/bin:/bin";
  std::size_t alku = 0;
  for (;;) {
    std::size_t loppu = polut.find(':', alku);
    std::string kansio = polut.substr(alku, loppu == std::string::npos ? loppu : loppu - alku);
    std::string ehdokas = (kansio.empty() ? "." : kansio) + "/" + nimi;
    if (onSuoritettava(ehdokas)) return ehdokas;
    if (loppu == std::string::npos) return "";
    alku = loppu + 1;
  }
}

std::vector<std::string> sanat(const std::string& teksti) {
  std::vector<std::string> tulos;
  std::size_t i = 0;
  while ((i = teksti.find_first_not_of(' ', i)) != std::string::npos) {
    std::size_t j = teksti.find(' ', i);
    tulos.push_back(teksti.substr(i, j == std::string::npos ? j : j - i));
    i = j;
  }
  return tulos;
}

// What the children tell through the pipe: a failed chdir or execve with its errno, or the
// wait status of an opener that ended within the answer time.
struct Ilmoitus {
  char laji;  // 'c' chdir, 'e' execve, 'f' fork, 'x' ended
  int arvo;
};

void ilmoita(int fd, char laji, int arvo) noexcept {
  Ilmoitus i{laji, arvo};
  // Smaller than PIPE_BUF: written whole or not at all.
  while (::write(fd, &i, sizeof i) < 0 && errno == EINTR) {
  }
}

long nytMs() noexcept {
  timespec t;
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

struct Lahto {
  char vaihe = 0;  // 0: started; otherwise the Ilmoitus laji of the failure
  int virhe = 0;
  bool paattyi = false;  // ended within the answer time, with tila
  int tila = 0;
};

// The opener, the middle process's child: default signal handling, the standard streams on
// /dev/null, then the program; a failure is told through ilmoitukset. Only async-signal-safe
// calls.
[[noreturn]] void avaajana(int ilmoitukset, int tyhja, const char* kansio, const std::string& ohjelma,
                           char* const* argv) {
  struct sigaction oletus {};
  oletus.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) ::sigaction(s, &oletus, nullptr);
  sigset_t tyhjaJoukko;
  ::sigemptyset(&tyhjaJoukko);
  ::sigprocmask(SIG_SETMASK, &tyhjaJoukko, nullptr);
  ::dup2(tyhja, 0);
  ::dup2(tyhja, 1);
  ::dup2(tyhja, 2);
#ifdef SYS_close_range
  // Descriptors without O_CLOEXEC would stay open in the started program; best effort.
  ::syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
  if (kansio && ::chdir(kansio) != 0) {
    ilmoita(ilmoitukset, 'c', errno);
    ::_exit(127);
  }
  ::execve(ohjelma.c_str(), argv, environ);
  ilmoita(ilmoitukset, 'e', errno);
  ::_exit(127);
}

// What the middle process and the opener tell through the pipe. End of file comes when the
// middle process has gone and the opener has run execve.
Lahto lueIlmoitukset(int putki) {
  Lahto tulos;
  Ilmoitus i;
  std::size_t saatu = 0;
  for (;;) {
    ssize_t r = ::read(putki, reinterpret_cast<char*>(&i) + saatu, sizeof i - saatu);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    saatu += static_cast<std::size_t>(r);
    if (saatu < sizeof i) continue;
    saatu = 0;
    if (i.laji == 'x') {
      tulos.paattyi = true;
      tulos.tila = i.arvo;
    } else if (tulos.vaihe == 0) {
      tulos.vaihe = i.laji;
      tulos.virhe = i.arvo;
    }
  }
  return tulos;
}

// Runs the program file with its arguments in a session of its own, standard streams on
// /dev/null and no other descriptor of this process, as a grandchild that init adopts: it is
// never this process's child and holds none of its terminals or pipes. With odota, an end
// within vastausaikaMs is told too. Only the short-lived middle process is waited for.
// Between fork and execve only async-signal-safe calls: another thread may hold a lock.
Lahto kaynnistaIrti(const std::string& ohjelma, const std::vector<std::string>& argumentit,
                    const std::string& hakemisto, bool odota) {
  std::vector<char*> argv;
  for (const auto& a : argumentit) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const char* kansio = hakemisto.empty() ? nullptr : hakemisto.c_str();

  int putki[2];
  if (::pipe2(putki, O_CLOEXEC) != 0) return {'f', errno};
  int tyhja = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (tyhja < 0) {
    int e = errno;
    ::close(putki[0]);
    ::close(putki[1]);
    return {'f', e};
  }

  pid_t valissa = ::fork();
  if (valissa == 0) {
    ::close(putki[0]);
    ::setsid();
    pid_t avaaja = ::fork();
    if (avaaja < 0) {
      ilmoita(putki[1], 'f', errno);
      ::_exit(1);
    }
    if (avaaja == 0) avaajana(putki[1], tyhja, kansio, ohjelma, argv.data());
    if (odota) {
      const long raja = nytMs() + vastausaikaMs;
      for (;;) {
        int tila;
        pid_t r = ::waitpid(avaaja, &tila, WNOHANG);
        if (r == avaaja) {
          ilmoita(putki[1], 'x', tila);
          break;
        }
        if ((r < 0 && errno != EINTR) || nytMs() >= raja) break;
        timespec hetki{0, 10 * 1000 * 1000};
        ::nanosleep(&hetki, nullptr);
      }
    }
    ::_exit(0);
  }
  int forkVirhe = errno;
  ::close(putki[1]);
  ::close(tyhja);
  if (valissa < 0) {
    ::close(putki[0]);
    return {'f', forkVirhe};
  }

  const Lahto tulos = lueIlmoitukset(putki[0]);
  ::close(putki[0]);
  while (::waitpid(valissa, nullptr, 0) < 0 && errno == EINTR) {
  }
  return tulos;
}

int shellkoodi(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return koodi::eiLoydy;
    case EACCES:
    case EPERM: return koodi::lupaEvatty;
    case ENOMEM:
    case EAGAIN: return koodi::muistiLoppui;
    case ENOEXEC: return koodi::vaaraMuoto;
    default: return koodi::eiLoydy;
  }
}

}  // namespace

int avaaKuorella(const std::string& kohde, const std::string& parametrit,
                 const std::string& tyohakemisto) {
  std::string k = euro::ansiUtf8(kohde);
  std::vector<std::string> p = sanat(euro::ansiUtf8(parametrit));
  std::string h = euro::ansiUtf8(tyohakemisto);

  if (!p.empty() && onSuoritettava(k)) {
    // xdg-open takes no parameters; a program given some is meant to run with them.
    p.insert(p.begin(), k);
    Lahto l = kaynnistaIrti(k, p, h, false);
    if (l.vaihe == 'c') return koodi::polkuEiLoydy;
    return l.vaihe ? shellkoodi(l.virhe) : koodi::kaynnistyi;
  }

  std::string avaaja = etsiOhjelma("xdg-open");
  if (avaaja.empty()) return koodi::eiLoydy;
  // A target that begins with "-" would be read as an option.
  if (!k.empty() && k[0] == '-') k = "./" + k;
  Lahto l = kaynnistaIrti(avaaja, {"xdg-open", k}, h, true);
  if (l.vaihe == 'c') return koodi::polkuEiLoydy;
  if (l.vaihe) return shellkoodi(l.virhe);
  if (!l.paattyi) return koodi::kaynnistyi;
  if (WIFEXITED(l.tila)) {
    // xdg-open: 0 done, 2 the file is missing, 1 3 4 nothing could open it.
    if (WEXITSTATUS(l.tila) == 0) return koodi::kaynnistyi;
    if (WEXITSTATUS(l.tila) == 2) return koodi::eiLoydy;
  }
  return koodi::eiAvaajaa;
}

void kaynnistaKomento(const std::string& komentorivi, bool) {
  std::vector<std::string> s = sanat(euro::ansiUtf8(komentorivi));
  if (s.empty()) euro::heitaVirhe(nro::virheellinenKutsu);
  std::string ohjelma = etsiOhjelma(s[0]);
  if (ohjelma.empty()) euro::heitaVirhe(nro::tiedostoaEiLoydy, euro::utf8Ansi(s[0]));
  Lahto l = kaynnistaIrti(ohjelma, s, "", false);
  if (!l.vaihe) return;
  switch (l.virhe) {
    case ENOENT: euro::heitaVirhe(nro::tiedostoaEiLoydy, euro::utf8Ansi(s[0]));
    case EACCES:
    case EPERM: euro::heitaVirhe(nro::lupaEvatty, euro::utf8Ansi(s[0]));
    case ENOMEM:
    case EAGAIN: euro::heitaVirhe(nro::muistiLoppui);
    default: euro::heitaVirhe(nro::virheellinenKutsu, euro::utf8Ansi(s[0]));
  }
}

std::optional<std::uint32_t> windowsVersio() { return std::nullopt; }

void kirjoitaTavut(int virta, std::string_view tavut) {
  int fd = virta == 1 ? STDOUT_FILENO : STDERR_FILENO;
  while (!tavut.empty()) {
    ssize_t r = ::write(fd, tavut.data(), tavut.size());
    if (r < 0) {
      if (errno == EINTR) continue;
      euro::heitaVirhe(errno == ENOSPC ? nro::levyTaynna : nro::laitevirhe);
    }
    tavut.remove_prefix(static_cast<std::size_t>(r));
  }
}

}  // namespace alusta
