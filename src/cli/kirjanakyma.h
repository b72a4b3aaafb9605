// kolvanto-cli's views of the history and the statement ledger (split/historia.h): every line
// filtered, each company file's last delivery, the company files gone quiet, and the month's
// report.
#pragma once

#include <optional>
#include <string>

#include "euro/alusta/alusta.h"
#include "split/historia.h"

namespace cli {

struct Kirjanakyma {
  split::historia::Suodatin suodatin;
  bool viimeisimmat = false;        // --viimeisimmat
  std::optional<int> hiljaiset;     // --hiljaiset N
};

// "YYYY-MM" and "YYYY-MM-DD" as the filters take them.
bool kelpaaKuukausi(const std::string& s);
bool kelpaaPaiva(const std::string& s);

// Prints the view, the header first; answers the exit status.
int naytaHistoria(const std::string& datahakemisto, const Kirjanakyma& n, const alusta::Aika& nyt);

// Prints the month's report ("YYYY-MM", checked) as an HTML page, UTF-8 bytes as they are;
// answers the exit status.
int naytaRaportti(const std::string& datahakemisto, const std::string& kuukausi);

}  // namespace cli
