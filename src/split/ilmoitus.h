// The run's words: what kolvanto says of a split's end (PaloitteluTulos::loppu) and the question
// it asks, as the window shows them and kolvanto-cli prints them. The run itself says nothing;
// each front takes the words from here and shows them its own way.
#pragma once

#include <optional>
#include <string>

#include "split/paloittele.h"

namespace split::ilmoitus {

struct Viesti {
  std::string teksti;
  std::string otsikko;  // empty: the program's name
  int tyyli = 0;        // euro::tyyli
};

inline const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
inline const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";
inline const std::string otsikkoTarkista = "PALOITELTU, TARKISTA";
inline const std::string otsikkoViimeistelty = "KESKEYTYNYT PALOITTELU VIIMEISTELTY";

// The question before a missing target folder is made.
Viesti luodaankoHakemisto(const std::string& kohde);

// What the end says; none for a completed split, whose summary the front shows, and for a
// failure, which the problem dialog has reported.
std::optional<Viesti> lopusta(const PaloitteluTulos& t);

// Another statement folder's split holds the target.
std::string kohdeVarattu(const KohteenVaraaja& v);

// After a failure that left a journal: what the office needs to know.
std::string keskenJai();

// The archive folder is on another disk than the statement file.
std::string eriAsemalla(const std::string& tuodut, const std::string& polku);

}  // namespace split::ilmoitus
