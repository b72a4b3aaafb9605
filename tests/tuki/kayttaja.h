// Running a check as an ordinary user, for the refusals that root would pass by; and the few
// file-system things that std::filesystem does not do. POSIX only: on Windows the run answers
// why it cannot be done, and the others do nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace testi {

struct Tavallisena {
  std::optional<std::string> tulos;  // what toimi answered; nullopt: not run
  std::string syy;                   // why not
};

// Runs toimi in a child process as the ordinary user "nobody", with umask 022, and answers its
// text. Needs root to switch users; anything else answers the reason instead.
Tavallisena tavallisenaKayttajana(const std::function<std::string()>& toimi);

// Gives a file (not what a link points to) to the user that tavallisenaKayttajana runs as.
void annaTavalliselle(const std::string& polku);
// A named pipe.
void teeFifo(const std::string& polku);
// Opens a named pipe for reading without waiting, closed again after a moment: a writer that
// waits for a reader in its open is let through. Windows: does nothing.
void paastaFifonKirjoittaja(const std::string& polku);
// Opens the file for writing without waiting, as the bank program would and closes it again
// (POSIX: a lease on it makes the open fail at once, having asked the lease's holder to let
// go); true when a lease held it up. Windows: does nothing, false.
bool avaaKirjoittajaksiOdottamatta(const std::string& polku);

}  // namespace testi
