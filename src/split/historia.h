// The run history: one entry per split that wrote, archived or finished something, appended
// to a yearly file in the data directory, so that an office can tell months later where a
// company's statements went. Tab-separated text with one header line, for people and for
// spreadsheets: UTF-8 on POSIX, the system's ANSI text on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/paloittele.h"

namespace split::historia {

// "paloitteluhistoria-2026.txt"; past the size limit the year goes on in
// "paloitteluhistoria-2026-2.txt", "-3" and so on.
std::string tiedostonimi(int vuosi, int osa = 1);

// The header line's fields, tab-separated, as ANSI text.
std::string otsikko();

// Whether the run leaves an entry: it archived, wrote or finished something, or it completed
// (a file without statements is worth a line too). A run stopped by a check leaves none.
bool kirjataanko(const PaloitteluTulos& t);

// The entry's lines (ANSI text, without line ends): one per company file written, or one
// for the run when it wrote none, and before them those of every cut-off split it finished.
std::vector<std::string> merkinta(const PaloitteluAsetukset& a, const PaloitteluTulos& t, const alusta::Aika& aika);

// Appends the lines to the year's file of the data directory in one write, the header first
// when the file is new. A line left without its end by a cut-off write is ended first, so
// that it never runs into this entry. Throws euro::Virhe.
void kirjaa(const std::string& datahakemisto, const std::vector<std::string>& rivit, const alusta::Aika& aika);

// The data directory's history files, oldest first.
std::vector<std::string> tiedostot(const std::string& datahakemisto);

// Every whole entry line of every file, oldest first, as ANSI text; a line without its end
// or without the header's fields (a cut-off write) is passed over. yritys: only the lines
// whose company file's name holds this text, in any case; empty: all. Throws euro::Virhe.
void lue(const std::string& datahakemisto, const std::string& yritys,
         const std::function<void(const std::string& rivi)>& anna);

// The size past which a year's file goes on in the next one; 0 gives back the default of
// 32 MiB. Tests make it small.
void asetaKokoraja(std::uint64_t tavuja);

}  // namespace split::historia
