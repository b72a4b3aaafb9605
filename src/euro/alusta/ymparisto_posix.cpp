// POSIX side of the platform layer: the running program and its surroundings (its path, the
// environment, the current folder, the clock, the console and the user).
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/alusta/posix.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"

namespace alusta {

using euro::heitaVirhe;
namespace nro = euro::virhenro;

namespace {
std::string ohjelmanPolku() {
  std::vector<char> b(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", b.data(), b.size());
    if (n < 0) heitaErrno(errno, "/proc/self/exe");
    if (static_cast<std::size_t>(n) < b.size()) return std::string(b.data(), static_cast<std::size_t>(n));
    b.resize(b.size() * 2);
  }
}
}  // namespace

std::string ohjelmanHakemisto() {
  std::string p = ohjelmanPolku();
  return euro::utf8Ansi(vanhempi(p));
}

std::string ohjelmanNimi() {
  std::string p = ohjelmanPolku();
  auto i = p.find_last_of('/');
  return euro::utf8Ansi(i == std::string::npos ? p : p.substr(i + 1));
}

std::optional<std::string> ymparistomuuttuja(const std::string& nimi) {
  const char* a = std::getenv(natiivi(nimi).c_str());
  if (!a) return std::nullopt;
  return euro::utf8Ansi(a);
}

void asetaYmparistomuuttuja(const std::string& nimi, const std::optional<std::string>& arvo) {
  std::string n = natiivi(nimi);
  int r = arvo ? ::setenv(n.c_str(), natiivi(*arvo).c_str(), 1) : ::unsetenv(n.c_str());
  if (r != 0) heitaVirhe(nro::virheellinenKutsu, nimi);
}

std::string nykyinenHakemisto() {
  std::vector<char> b(4096);
  while (!::getcwd(b.data(), b.size())) {
    if (errno != ERANGE) heitaErrno(errno, ".");
    b.resize(b.size() * 2);
  }
  return euro::utf8Ansi(b.data());
}

void vaihdaHakemisto(const std::string& polku) {
  if (::chdir(natiivi(polku).c_str()) != 0) {
    int e = errno;
    heitaErrno(e == ENOENT ? ENOTDIR : e, polku);
  }
}

void vaihdaAsema(const std::string&) {}

Aika paikallinenAika() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void kirjoitaKonsoliin(int virta, const std::string& teksti) {
  std::string u = euro::ansiUtf8(teksti);
  int fd = virta == 1 ? STDOUT_FILENO : STDERR_FILENO;
  const char* p = u.data();
  std::size_t n = u.size();
  while (n > 0) {
    ssize_t r = ::write(fd, p, n);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;  // nowhere left to tell
    }
    p += r;
    n -= static_cast<std::size_t>(r);
  }
}

std::string kayttajanNimi() {
  const uid_t uid = ::geteuid();
  std::vector<char> puskuri(16384);
  passwd pw{};
  passwd* tulos = nullptr;
  if (::getpwuid_r(uid, &pw, puskuri.data(), puskuri.size(), &tulos) == 0 && tulos && tulos->pw_name) {
    std::string nimi = tulos->pw_name;
    const bool kelpaa = !nimi.empty() && std::all_of(nimi.begin(), nimi.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
             c == '.';
    });
    if (kelpaa) return nimi;
  }
  return std::to_string(uid);
}

}  // namespace alusta
