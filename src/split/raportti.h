// The month's report from the statement ledger (historia.h): one HTML page a clerk opens in a
// browser or prints, with the company files by the month's days, a mark per statement, and
// the findings spelled out below. The page stands alone: inline style, nothing fetched.
#pragma once

#include <functional>
#include <string>

namespace split::raportti {

// Writes the page of the month (1-12) in pieces of UTF-8 text to ulos, reading the ledger of
// the data directory line by line: only the month's cells are held. A statement sits on the
// day its period ends; a run's line that delivered no statement line, on the run's day.
// Throws euro::Virhe when the ledger cannot be read or the month is none.
void kirjoita(const std::string& datahakemisto, int vuosi, int kuukausi,
              const std::function<void(const std::string&)>& ulos);

// "maaliskuu", in UTF-8.
std::string kuukaudenNimi(int kuukausi);

}  // namespace split::raportti
