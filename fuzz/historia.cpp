// The run history's reader over an arbitrary history file, and an entry appended after it.
// Input: the filter's length, the filter, then the file.
#include "euro/teksti.h"
#include "fuzztuki.h"
#include "split/historia.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  if (koko < 1) return 0;
  const std::size_t n = std::min<std::size_t>(data[0] % 8, koko - 1);
  const std::string yritys(reinterpret_cast<const char*>(data + 1), n);
  const std::string sisalto(reinterpret_cast<const char*>(data + 1 + n), koko - 1 - n);

  const fuzz::fs::path kansio = fuzz::tyhjaKansio("historia");
  const std::string data_ = kansio.string();
  const alusta::Aika aika{2018, 8, 21, 14, 30, 5};
  fuzz::kirjoita((kansio / split::historia::tiedostonimi(aika.vuosi)).string(), sisalto);

  // Every line given is a whole one of the file with the header's 19 fields (one of the earlier
  // ten given with the other nine empty), never the header itself, and holds the filter in its
  // company file's name.
  const std::string otsikko = split::historia::otsikko();
  const std::string teksti = euro::utf8Ansi(sisalto);
  std::vector<std::string> ennen;
  split::historia::lue(data_, "", [&](const std::string& r) { ennen.push_back(r); });
  std::size_t suodatettu = 0;
  split::historia::lue(data_, yritys, [&](const std::string&) { ++suodatettu; });
  VARMISTA(suodatettu <= ennen.size());
  if (yritys.empty()) VARMISTA(suodatettu == ennen.size());
  const std::string tyhjat(9, '\t');
  for (const std::string& r : ennen) {
    VARMISTA(std::count(r.begin(), r.end(), '\t') == 18);
    VARMISTA(r.find('\n') == std::string::npos && r != otsikko);
    VARMISTA(teksti.find(r) != std::string::npos ||
             (r.size() > tyhjat.size() && r.compare(r.size() - tyhjat.size(), tyhjat.size(), tyhjat) == 0 &&
              teksti.find(r.substr(0, r.size() - tyhjat.size())) != std::string::npos));
  }

  // An entry appended after whatever the file holds comes back whole, last, after the
  // same lines as before.
  const std::string uusi = "2018-08-21 14:30:05\tpaloiteltu\tTITO\t/a\t\t/b/Y-1.TXT\t1\t2\tuusi\t";
  split::historia::kirjaa(data_, {uusi}, aika);
  std::vector<std::string> jalkeen;
  split::historia::lue(data_, "", [&](const std::string& r) { jalkeen.push_back(r); });
  VARMISTA(!jalkeen.empty() && jalkeen.back() == uusi + tyhjat);
  jalkeen.pop_back();
  // A last line cut off after its CR is whole but for its LF, and is ended as it stands.
  if (sisalto.empty() || sisalto.back() != '\r') VARMISTA(jalkeen == ennen);
  return 0;
}
