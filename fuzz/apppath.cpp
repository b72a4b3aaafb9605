// The marker file's first line, through fe_apppath. "@" in the input stands for the scratch
// folder, which holds the program folder, a profile with a documents folder, and more
// folders, so that lines can lead to existing places. A model of the marker forms says which
// directory must result; the current directory is put back after each input. Input: the read
// sizes' byte, the marker file.
#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "fuzztuki.h"
#include "settings/apppath.h"

namespace {

namespace fs = fuzz::fs;

struct Paikat {
  std::string juuri, ohjelma, profiili, lahto;
  Paikat() {
    fs::path j = fuzz::tyhjaKansio("apppath");
    for (const char* k : {"ohjelma", "profiili/My documents", "profiili/Kirjanpito", "Tiedot"})
      fs::create_directories(j / k);
    fs::create_directories(j / euro::ansiUtf8("Tiedot/\xC4\xE4"));
    fuzz::kirjoita(j / "tiedosto", "ei kansio");
    juuri = j.string();
    ohjelma = juuri + "/ohjelma";
    profiili = juuri + "/profiili";
    alusta::asetaYmparistomuuttuja("HOME", profiili);
    lahto = alusta::nykyinenHakemisto();
  }
};

// The directory the marker leads to, if any.
std::optional<std::string> odotettu(const std::string& merkki, const Paikat& p) {
  std::vector<std::string> rivit = fuzz::omatRivit(merkki);
  if (rivit.empty() || rivit[0].empty()) return std::nullopt;
  const std::string& rivi = rivit[0];
  std::string ehdokas;
  if (euro::trimmaa(rivi) == "*") {
    ehdokas = p.profiili + "/My documents";
  } else if (rivi[0] == '*') {
    std::string loput = euro::trimmaa(rivi.substr(1));
    if (loput.empty() || loput[0] != '/') loput = "/" + loput;
    ehdokas = p.profiili + loput;
  } else {
    ehdokas = rivi;
  }
  // A NUL cannot stand in a path: such a line names no directory.
  if (ehdokas[0] != '/' || ehdokas.find('\0') != std::string::npos) return std::nullopt;
  std::error_code ec;
  fs::path natiivi = euro::ansiUtf8(ehdokas);
  if (!fs::is_directory(natiivi, ec)) return std::nullopt;
  fs::path kanoninen = fs::canonical(natiivi, ec);
  if (ec) return std::nullopt;
  return euro::utf8Ansi(kanoninen.string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  static const Paikat p;
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  std::string merkki;
  for (std::size_t i = 0; i < koko; ++i) {
    if (data[i] == '@') merkki += p.juuri;
    else merkki += static_cast<char>(data[i]);
  }
  fuzz::kirjoita(p.ohjelma + "/ainehake.oma", merkki);
  const std::optional<std::string> kohde = odotettu(merkki, p);

  fuzz::Ymparisto ymp;
  settings::nollaaApppath(p.ohjelma);
  std::string tulos;
  try {
    testi::Lukukoot koot(vuoro);
    tulos = settings::fe_apppath();
  } catch (const euro::Virhe&) {
    VARMISTA(!"fe_apppath heitti");
  }
  const std::string nyt = alusta::nykyinenHakemisto();
  alusta::vaihdaHakemisto(p.lahto);
  settings::nollaaApppath();

  // The current directory moves to the data directory, or stays where it was.
  VARMISTA(tulos == kohde.value_or(p.ohjelma));
  VARMISTA(nyt == kohde.value_or(p.lahto));
  VARMISTA(ymp.virheet.empty() && ymp.viestit.empty());
  return 0;
}
