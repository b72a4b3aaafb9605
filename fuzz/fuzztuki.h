// What the harnesses share: a check that stops the run so that libFuzzer keeps the input,
// a scratch folder per process, recording fakes, a model of the line rules, and the sizes of
// reads taken from the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "euro/liittymat.h"
#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "tuki/lukukoot.h"

namespace fuzz {

[[noreturn]] inline void kaadu(const char* ehto, const char* tiedosto, int rivi) {
  std::fprintf(stderr, "%s:%d: ei pidä paikkaansa: %s\n", tiedosto, rivi, ehto);
  std::abort();
}

#define VARMISTA(ehto) ((ehto) ? (void)0 : ::fuzz::kaadu(#ehto, __FILE__, __LINE__))

namespace fs = std::filesystem;

// The harnesses make and remove files for every input: in memory when /dev/shm is there.
// Removed when the process ends normally; libFuzzer may end it without running destructors,
// so the script that runs the harnesses names a folder of its own (KOLVANTO_FUZZ_KANSIO) and
// removes it afterwards.
struct Raapustin {
  fs::path polku;
  Raapustin() {
    const char* oma = std::getenv("KOLVANTO_FUZZ_KANSIO");
    fs::path pohja = oma && *oma             ? fs::path(oma)
                     : fs::exists("/dev/shm") ? fs::path("/dev/shm")
                                              : fs::temp_directory_path();
    std::random_device satunnainen;
    do {
      polku = pohja / ("kolvanto-fuzz-" + std::to_string(satunnainen()));
    } while (!fs::create_directory(polku));
  }
  ~Raapustin() {
    std::error_code ec;
    fs::remove_all(polku, ec);
  }
};

inline const fs::path& raapustin() {
  static Raapustin r;
  return r.polku;
}

// An empty folder of the given name in the scratch folder.
inline fs::path tyhjaKansio(const std::string& nimi) {
  fs::path p = raapustin() / nimi;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

// Every input begins with a byte that says how many bytes each read gives (one, short, whole,
// or drawn from it: testi::Lukuvuoro::tavusta); it is taken off the input. Harnesses that
// read files put it on them with testi::Lukukoot, those with a source in memory ask it.
inline testi::Lukuvuoro lukuvuoro(const std::uint8_t*& data, std::size_t& koko) {
  if (koko == 0) return testi::Lukuvuoro::tavusta(0);
  --koko;
  return testi::Lukuvuoro::tavusta(*data++);
}

inline std::string lue(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void kirjoita(const fs::path& p, std::string_view sisalto) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(sisalto.data(), static_cast<std::streamsize>(sisalto.size()));
  VARMISTA(f.good());
}

// Lines: CR LF or a lone CR ends one, a lone LF is a character (tiliote: a lone LF ends one
// too, as the program reads the statement file and its own files); a last line without an end
// counts, an empty input has none.
inline std::vector<std::string> rivit(std::string_view s, bool tiliote = false) {
  std::vector<std::string> tulos;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t loppu = s.find_first_of(tiliote ? std::string_view("\r\n") : std::string_view("\r"), i);
    if (loppu == std::string_view::npos) {
      tulos.emplace_back(s.substr(i));
      break;
    }
    tulos.emplace_back(s.substr(i, loppu - i));
    i = loppu + 1;
    if (s[loppu] == '\r' && i < s.size() && s[i] == '\n') ++i;
  }
  return tulos;
}

inline std::vector<std::string> tilioterivit(std::string_view s) { return rivit(s, true); }

// The program's own small files as their readers take them on Linux: lines as the statement
// file's, a byte-order mark before the first dropped and UTF-8 lines taken to ANSI text.
inline std::vector<std::string> omatRivit(std::string_view s) {
  std::vector<std::string> v = rivit(s, true);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = euro::omaRivi(std::move(v[i]), i == 0);
  return v;
}

// Message boxes answer Yes to a question and OK otherwise, and are counted; every fe_Virhe
// report is kept.
struct Ymparisto : euro::Viestilaatikko {
  struct Viesti {
    std::string teksti, otsikko;
    int tyyli;
  };
  std::vector<Viesti> viestit;
  std::vector<euro::Vikailmoitus> virheet;
  euro::Ohjelma ohjelma;
  euro::Ohjelma* edellinen;
  euro::VirheKasittelija edellinenKasittelija;

  Ymparisto() {
    ohjelma.viestit = this;
    edellinen = euro::asetaOhjelma(&ohjelma);
    edellinenKasittelija =
        euro::asetaVirheKasittelija([this](const euro::Vikailmoitus& v) { virheet.push_back(v); });
  }
  ~Ymparisto() override {
    euro::asetaVirheKasittelija(edellinenKasittelija);
    euro::asetaOhjelma(edellinen);
  }
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override {
    viestit.push_back({teksti, otsikko, tyyli});
    return (tyyli & 0x0F) == 4 ? euro::vastaus::kylla : euro::vastaus::ok;
  }
  void palautaHiiri() override {}
};

}  // namespace fuzz
