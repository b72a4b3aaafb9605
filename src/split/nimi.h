// The split key and the output file name of a batch.
#pragma once

#include <cstdint>
#include <string>

#include "split/asetukset.h"

namespace split {

// First and last key position of the option that is on; left as they were when none is.
// Typed positions go through fe_yleisval and are rounded half to even; a value outside the
// 32-bit signed range throws euro::Virhe 6.
void asetapos(const PaloitteluAsetukset& a, std::int32_t& posAlku, std::int32_t& posLoppu);

// The path of the file that receives the batch opened by this T00 line. The target directory
// ends with the separator. Positions that cannot be cut throw euro::Virhe 5.
std::string muodostanimi(const std::string& rivi, const std::string& kohdehakemisto,
                         const PaloitteluAsetukset& a, std::int32_t posAlku,
                         std::int32_t posLoppu);

// The text without the characters that may not stand in an output file name.
std::string fe_PuhdistaNimi(const std::string& teksti);

}  // namespace split
