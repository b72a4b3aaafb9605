// fe_LueAsetus and fe_LueEkaRivi over an arbitrary file. Input: the read sizes' byte, the
// key's length, the key, then the file.
#include "euro/polut.h"
#include "euro/teksti.h"
#include "fuzztuki.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  if (koko < 1) return 0;
  const std::size_t n = std::min<std::size_t>(data[0], koko - 1);
  const std::string avain(reinterpret_cast<const char*>(data + 1), n);
  const std::string sisalto(reinterpret_cast<const char*>(data + 1 + n), koko - 1 - n);

  const fuzz::fs::path kansio = fuzz::tyhjaKansio("lueasetus");
  const std::string tiedosto = (kansio / "asetukset.oma").string();
  fuzz::kirjoita(tiedosto, sisalto);
  const std::vector<std::string> rivit = fuzz::omatRivit(sisalto);

  // The first line that begins with the key and " = ", in any case; its value trimmed.
  const std::string alku = euro::pieneksi(euro::trimmaa(avain) + " = ");
  std::string odotettu;
  for (const std::string& r : rivit) {
    if (r.size() >= alku.size() && euro::pieneksi(r.substr(0, alku.size())) == alku) {
      odotettu = euro::trimmaa(r.substr(alku.size()));
      break;
    }
  }
  fuzz::Ymparisto ymp;
  testi::Lukukoot koot(vuoro);
  VARMISTA(euro::fe_LueAsetus(tiedosto, avain) == odotettu);
  VARMISTA(euro::fe_LueEkaRivi(tiedosto) == (rivit.empty() ? "" : rivit[0]));
  // Silent routines: nothing reported, nothing shown.
  VARMISTA(euro::fe_LueAsetus(tiedosto + ".puuttuu", avain).empty());
  VARMISTA(ymp.virheet.empty() && ymp.viestit.empty());
  return 0;
}
