#include "prosessi.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace testi {


std::string lainaaWindows(const std::string& a) {
  if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) return a;
  std::string q = "\"";
  std::size_t kenoja = 0;
  for (char c : a) {
    if (c == '\\') {
      ++kenoja;
      continue;
    }
    // Backslashes count double only before a quote.
    q.append(c == '"' ? kenoja * 2 + 1 : kenoja, '\\');
    kenoja = 0;
    q += c;
  }
  q.append(kenoja * 2, '\\');
  return q + "\"";
}

std::string ohjelmaBin(const std::string& nimi) {
  return alusta::ohjelmanHakemisto() + alusta::erotin + nimi + (alusta::onWindows ? ".exe" : "");
}

#ifdef _WIN32

namespace {
std::string lue(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::wstring leveaksi(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  return std::wstring(u.begin(), u.end());
}

HANDLE avaaPeritty(const fs::path& p, bool kirjoitus) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE h = CreateFileW(p.c_str(), kirjoitus ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                         kirjoitus ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("ajon tiedostoa ei voi avata");
  return h;
}

bool samaNimi(const std::wstring& rivi, const std::wstring& nimi) {
  if (rivi.size() <= nimi.size() || rivi[nimi.size()] != L'=') return false;
  return CompareStringOrdinal(rivi.c_str(), static_cast<int>(nimi.size()), nimi.c_str(),
                              static_cast<int>(nimi.size()), TRUE) == CSTR_EQUAL;
}
}  // namespace

struct Kaynnissa::Tila {
  fs::path ulos, virhe, syote;
  PROCESS_INFORMATION pi{};
  bool odotettu = false;
};

Kaynnissa::Kaynnissa(const std::string& ohjelma, const std::vector<std::string>& argumentit,
                     const Ajo& ajo)
    : t_(std::make_unique<Tila>()), aikarajaMs_(ajo.aikarajaMs) {
  static int laskuri = 0;
  fs::path pohja = fs::temp_directory_path() /
                   ("kolvanto-ajo-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(laskuri++));
  t_->ulos = pohja.wstring() + L".ulos";
  t_->virhe = pohja.wstring() + L".virhe";
  t_->syote = pohja.wstring() + L".syote";
  { std::ofstream(t_->syote, std::ios::binary) << ajo.syote; }

  std::wstring rivi = leveaksi(lainaaWindows(ohjelma));
  for (const auto& a : argumentit) rivi += L" " + leveaksi(lainaaWindows(a));

  std::vector<std::wstring> muuttujat;
  if (wchar_t* e = GetEnvironmentStringsW()) {
    for (wchar_t* p = e; *p; p += wcslen(p) + 1) muuttujat.emplace_back(p);
    FreeEnvironmentStringsW(e);
  }
  auto poista = [&](const std::wstring& nimi) {
    std::erase_if(muuttujat, [&](const std::wstring& r) { return samaNimi(r, nimi); });
  };
  for (const auto& n : ajo.poistettavat) poista(leveaksi(n));
  for (const auto& [n, a] : ajo.ymparisto) {
    poista(leveaksi(n));
    muuttujat.push_back(leveaksi(n) + L"=" + leveaksi(a));
  }
  std::wstring lohko;
  for (const auto& m : muuttujat) lohko += m + L'\0';
  lohko += L'\0';

  HANDLE sisaan = avaaPeritty(t_->syote, false);
  HANDLE ulos = avaaPeritty(t_->ulos, true);
  HANDLE virhe = avaaPeritty(t_->virhe, true);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = sisaan;
  si.hStdOutput = ulos;
  si.hStdError = virhe;
  std::wstring hakemisto = leveaksi(ajo.hakemisto);
  BOOL ok = FALSE;
  DWORD syy = 0;
  // Wine on a loaded machine now and then fails a start with ERROR_INTERNAL_ERROR and starts
  // the same program a moment later: a test is not about that.
  for (int kerta = 0; kerta < 5; ++kerta) {
    ok = CreateProcessW(nullptr, rivi.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                        lohko.data(), hakemisto.empty() ? nullptr : hakemisto.c_str(), &si, &t_->pi);
    syy = GetLastError();
    if (ok || syy != ERROR_INTERNAL_ERROR || kerta + 1 == 5) break;
    Sleep(200 << kerta);
  }
  CloseHandle(sisaan);
  CloseHandle(ulos);
  CloseHandle(virhe);
  if (!ok) throw std::runtime_error("ohjelmaa ei voi käynnistää: " + ohjelma + " (" +
                                    std::to_string(syy) + ")");
}

Kaynnissa::~Kaynnissa() {
  if (!t_->odotettu) {
    tapa();
    WaitForSingleObject(t_->pi.hProcess, INFINITE);
  }
  CloseHandle(t_->pi.hProcess);
  CloseHandle(t_->pi.hThread);
  std::error_code ec;
  for (const auto& p : {t_->ulos, t_->virhe, t_->syote}) fs::remove(p, ec);
}

void Kaynnissa::tapa() { TerminateProcess(t_->pi.hProcess, 137); }

unsigned long Kaynnissa::tunnus() const { return t_->pi.dwProcessId; }

Ajettu Kaynnissa::odota() {
  Ajettu a;
  if (WaitForSingleObject(t_->pi.hProcess, static_cast<DWORD>(aikarajaMs_)) != WAIT_OBJECT_0) {
    a.aikaLoppui = true;
    tapa();
    WaitForSingleObject(t_->pi.hProcess, INFINITE);
  }
  DWORD koodi = 0;
  GetExitCodeProcess(t_->pi.hProcess, &koodi);
  t_->odotettu = true;
  a.koodi = static_cast<int>(koodi);
  a.ulos = lue(t_->ulos);
  a.virhe = lue(t_->virhe);
  return a;
}

#else

struct Kaynnissa::Tila {
  pid_t pid = -1;
  int ulos = -1, virhe = -1;
  bool odotettu = false;
};

namespace {
int valiaikainen() {
  std::string malli = (fs::temp_directory_path() / "kolvanto-ajo-XXXXXX").string();
  int fd = mkstemp(malli.data());
  if (fd < 0) throw std::runtime_error("ajon tiedostoa ei voi luoda");
  // Gone from the folder at once; the descriptors keep it.
  unlink(malli.c_str());
  return fd;
}

std::string lueKuvaajasta(int fd) {
  std::string s;
  char puskuri[65536];
  for (off_t kohta = 0;;) {
    ssize_t n = pread(fd, puskuri, sizeof puskuri, kohta);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    s.append(puskuri, static_cast<std::size_t>(n));
    kohta += n;
  }
  return s;
}
}  // namespace

Kaynnissa::Kaynnissa(const std::string& ohjelma, const std::vector<std::string>& argumentit,
                     const Ajo& ajo)
    : t_(std::make_unique<Tila>()), aikarajaMs_(ajo.aikarajaMs) {
  int sisaan = valiaikainen();
  for (std::size_t n = 0; n < ajo.syote.size();) {
    ssize_t k = write(sisaan, ajo.syote.data() + n, ajo.syote.size() - n);
    if (k <= 0) throw std::runtime_error("syötettä ei voi kirjoittaa");
    n += static_cast<std::size_t>(k);
  }
  lseek(sisaan, 0, SEEK_SET);
  t_->ulos = valiaikainen();
  t_->virhe = valiaikainen();

  std::vector<std::string> sanat{euro::ansiUtf8(ohjelma)};
  for (const auto& a : argumentit) sanat.push_back(euro::ansiUtf8(a));
  std::vector<char*> argv;
  for (auto& s : sanat) argv.push_back(s.data());
  argv.push_back(nullptr);

  std::vector<std::string> muuttujat;
  for (char** e = environ; *e; ++e) muuttujat.emplace_back(*e);
  auto poista = [&](const std::string& nimi) {
    std::erase_if(muuttujat, [&](const std::string& r) { return r.rfind(nimi + "=", 0) == 0; });
  };
  for (const auto& n : ajo.poistettavat) poista(n);
  for (const auto& [n, a] : ajo.ymparisto) {
    poista(n);
    muuttujat.push_back(n + "=" + euro::ansiUtf8(a));
  }
  std::vector<char*> envp;
  for (auto& m : muuttujat) envp.push_back(m.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t toimet;
  posix_spawn_file_actions_init(&toimet);
  posix_spawn_file_actions_adddup2(&toimet, sisaan, 0);
  posix_spawn_file_actions_adddup2(&toimet, t_->ulos, 1);
  posix_spawn_file_actions_adddup2(&toimet, t_->virhe, 2);
  std::string hakemisto = euro::ansiUtf8(ajo.hakemisto);
  if (!hakemisto.empty()) posix_spawn_file_actions_addchdir_np(&toimet, hakemisto.c_str());
  // A bare name is looked up in PATH, as a shell would.
  auto kaynnista = ohjelma.find('/') == std::string::npos ? posix_spawnp : posix_spawn;
  int syy = kaynnista(&t_->pid, argv[0], &toimet, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&toimet);
  close(sisaan);
  if (syy != 0) {
    t_->odotettu = true;
    throw std::runtime_error("ohjelmaa ei voi käynnistää: " + ohjelma + " (" +
                             std::strerror(syy) + ")");
  }
}

Kaynnissa::~Kaynnissa() {
  if (!t_->odotettu) {
    tapa();
    int tila;
    while (waitpid(t_->pid, &tila, 0) < 0 && errno == EINTR) {
    }
  }
  close(t_->ulos);
  close(t_->virhe);
}

void Kaynnissa::tapa() {
  if (t_->pid > 0 && !t_->odotettu) kill(t_->pid, SIGKILL);
}

unsigned long Kaynnissa::tunnus() const { return static_cast<unsigned long>(t_->pid); }

Ajettu Kaynnissa::odota() {
  Ajettu a;
  // The process's own descriptor becomes readable when it ends: no polling loop.
  int pfd = static_cast<int>(syscall(SYS_pidfd_open, t_->pid, 0));
  if (pfd >= 0) {
    pollfd p{pfd, POLLIN, 0};
    int n;
    while ((n = poll(&p, 1, aikarajaMs_)) < 0 && errno == EINTR) {
    }
    if (n == 0) {
      a.aikaLoppui = true;
      kill(t_->pid, SIGKILL);
    }
    close(pfd);
  }
  int tila = 0;
  while (waitpid(t_->pid, &tila, 0) < 0 && errno == EINTR) {
  }
  t_->odotettu = true;
  a.koodi = WIFEXITED(tila) ? WEXITSTATUS(tila) : 128 + WTERMSIG(tila);
  a.ulos = lueKuvaajasta(t_->ulos);
  a.virhe = lueKuvaajasta(t_->virhe);
  return a;
}

#endif

std::string Kaynnissa::ulosTahan() const {
#ifdef _WIN32
  return lue(t_->ulos);
#else
  return lueKuvaajasta(t_->ulos);
#endif
}

Ajettu ajaOhjelma(const std::string& ohjelma, const std::vector<std::string>& argumentit,
                  const Ajo& ajo) {
  return Kaynnissa(ohjelma, argumentit, ajo).odota();
}

}  // namespace testi
