// The key and the period of a T00 line, as the name of its batch's company file takes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "split/asetukset.h"
#include "split/nimi.h"

namespace split::tito {

// First and last key position of the option that is on; left as they were when none is.
// Typed positions go through fe_yleisval and are rounded half to even; a value outside the
// 32-bit signed range throws euro::Virhe 6.
void asetapos(const PaloitteluAsetukset& a, std::int32_t& posAlku, std::int32_t& posLoppu);

// The path of the file that receives the batch opened by this T00 line. The target directory
// ends with the separator. Positions that cannot be cut throw euro::Virhe 5.
std::string muodostanimi(const std::string& rivi, const std::string& kohdehakemisto,
                         const PaloitteluAsetukset& a, std::int32_t posAlku,
                         std::int32_t posLoppu);

// muodostanimi's file name (without the directory) for every T00 line of one run, built in
// one pass into a string that is used again: the split names tens of thousands of batches.
class NimenMuodostaja {
 public:
  NimenMuodostaja(const PaloitteluAsetukset& a, std::int32_t posAlku, std::int32_t posLoppu);

  // How many bytes from the start of a T00 line the name reads at most: the rest of the
  // line is never needed.
  std::size_t tarve() const { return tarve_; }

  // The name for the T00 line that begins with rivi (at least tarve() bytes of it, or the
  // whole line). Valid until the next call. Positions that cannot be cut throw euro::Virhe 5.
  const std::string& nimi(std::string_view rivi);

  // How many bytes of the last name its suffix (nimenLoppuosa) made: a numbered name
  // ("-2") goes before them.
  std::size_t loppuosanPituus() const { return nimeaja_.loppu().size(); }

  // Whether the key of that T00 line is blank: nothing but blanks is left of it once the
  // characters a file name may not hold are dropped.
  bool avainTyhja(std::string_view rivi) const;

 private:
  Nimeaja nimeaja_;
  std::int32_t posAlku_, posLoppu_;
  std::size_t tarve_;
  std::string avain_, vuosi_, kuukausi_, jakso_, nimi_;
};

}  // namespace split::tito
