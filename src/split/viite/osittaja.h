// The split of a reference-payment file by batch, byte for byte, one company file a key.
#pragma once

#include <cstdint>
#include <string>

#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/paloittele.h"
#include "split/tiliote.h"

namespace split::viite {

// In place: batches [0, raja) of polku, checked before, into kohde (ending with the separator),
// but for those that begin in ohita.
void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a,
         std::uint64_t raja, const Ohitettavat& ohita, Yhteenveto& y);

// Under the journal: segments of whole batches from alku, each declared with every company
// file's length before it, written, and flushed before the next. kesken: the cut-off record
// whose segment is written again first (each file given only what it lacks). raja: where the
// split ends. kohde: o.kohde as the run names it. Batches that begin in o.ohitettavat go
// nowhere. Answers the batches written.
std::int64_t jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                         const std::string& kohde, std::uint64_t alku, const KirjanOsa* kesken,
                         std::uint64_t raja, Yhteenveto& y);

}  // namespace split::viite
