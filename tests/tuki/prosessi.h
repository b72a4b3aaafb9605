// Starts a program directly (no command interpreter), with its standard output and error in
// files of its own, and waits for it with a time limit. Paths and arguments are ANSI text.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testi {

struct Ajo {
  std::string hakemisto;  // working directory; empty: this process's
  std::vector<std::pair<std::string, std::string>> ymparisto;  // variables to set
  std::vector<std::string> poistettavat;                       // variables to remove
  std::string syote;                                           // standard input
  int aikarajaMs = 120000;
};

struct Ajettu {
  int koodi = -1;  // exit status; 128 + signal number when a POSIX signal ended it
  std::string ulos, virhe;  // bytes as the program wrote them
  bool aikaLoppui = false;  // the time limit ran out and the program was ended
};

// A started program. Ended (and its files removed) when the object goes, if not waited for.
class Kaynnissa {
 public:
  Kaynnissa(const std::string& ohjelma, const std::vector<std::string>& argumentit,
            const Ajo& ajo = {});
  ~Kaynnissa();
  Kaynnissa(const Kaynnissa&) = delete;
  Kaynnissa& operator=(const Kaynnissa&) = delete;

  // Waits until the program ends or the time limit of the run is reached (then ends it).
  Ajettu odota();
  // Ends the program at once, as a crash or a forced reboot would (SIGKILL, TerminateProcess).
  void tapa();
  // What the program has written to its standard output so far.
  std::string ulosTahan() const;
  // Its process identifier: its windows are told from another program's by it.
  unsigned long tunnus() const;

 private:
  struct Tila;
  std::unique_ptr<Tila> t_;
  int aikarajaMs_;
};

Ajettu ajaOhjelma(const std::string& ohjelma, const std::vector<std::string>& argumentit,
                  const Ajo& ajo = {});

// The path of one of the project's programs beside the test binary ("kolvanto-cli" gives
// kolvanto-cli or kolvanto-cli.exe).
std::string ohjelmaBin(const std::string& nimi);

// Quotes one argument for a Windows command line by the rules that the C run-time's parser
// undoes (backslashes before a quote doubled).
std::string lainaaWindows(const std::string& argumentti);

}  // namespace testi
