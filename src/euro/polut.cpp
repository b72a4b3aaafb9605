#include "polut.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <string_view>
#include <system_error>

#include "alusta/alusta.h"
#include "rivilukija.h"
#include "teksti.h"
#include "virhe.h"

namespace euro {

namespace {

// These routines keep positions in 16-bit integers: a longer text overflows.
constexpr std::size_t pisinTeksti = std::numeric_limits<std::int16_t>::max();

void tarkistaPituus(const std::string& s) {
  if (s.size() > pisinTeksti) heitaVirhe(virhenro::ylivuoto);
}

template <typename Rutiini>
void kayRivit(const std::string& tiedosto, Rutiini&& rivilla) {
  alusta::Tiedosto f(tiedosto, alusta::Tila::lue);
  RiviLukija lukija([&](char* b, std::size_t n) { return f.lue(b, n); }, 64 * 1024,
                    Rivisaanto::tiliote);
  std::string rivi;
  bool ensimmainen = true;
  while (lukija.lueRivi(rivi)) {
    // Linux editors save UTF-8; Windows keeps its own text as it always has.
    if constexpr (!alusta::onWindows) rivi = omaRivi(std::move(rivi), ensimmainen);
    ensimmainen = false;
    if (!rivilla(rivi)) break;
  }
}

bool onHeksa(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int heksaArvo(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// "&H" and "&O" integers. The value decides the width as in the original: what fits 16 bits
// is a 16-bit signed value (&HFFFF is -1), what fits 32 bits a 32-bit one, more overflows.
double lueKokonaisluku(const std::string& s, std::size_t i, int kanta) {
  constexpr std::uint64_t suurin = 0xFFFFFFFFu;
  std::uint64_t arvo = 0;
  bool liian = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (kanta == 16) {
      if (!onHeksa(c)) break;
      d = heksaArvo(c);
    } else {
      if (c < '0' || c > '7') break;
      d = c - '0';
    }
    arvo = arvo * kanta + d;
    if (arvo > suurin) {
      liian = true;
      arvo = suurin + 1;  // keeps the product from wrapping around
    }
  }
  if (liian) heitaVirhe(virhenro::ylivuoto);
  if (arvo <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(arvo));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(arvo));
}

}  // namespace

std::string fe_PaljasHakemisto(const std::string& polku) {
  try {
    tarkistaPituus(polku);
    std::size_t i = polku.rfind(alusta::erotin);
    if (i == std::string::npos) return "";
    return polku.substr(0, i);
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::paljasHakemisto);
    return "";
  }
}

std::string fe_PaljasTiedosto(const std::string& polku) {
  try {
    tarkistaPituus(polku);
    std::size_t i = polku.rfind(alusta::erotin);
    if (i == std::string::npos) return polku;
    return polku.substr(i + 1);
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::paljasTiedosto);
    return "";
  }
}

bool fe_OnkoTiedosto(std::string polku) {
  if (polku.empty()) return false;
  try {
    return alusta::onkoTavallinenTiedosto(polku);
  } catch (...) {
    return false;
  }
}

bool fe_OnkoHakemisto(std::string polku) {
  try {
    // With the separator the empty path becomes the root of the current drive, and "C:"
    // that drive's root rather than its current directory.
    if (polku.empty() || polku.back() != alusta::erotin) polku += alusta::erotin;
    return alusta::listaakoHakemisto(polku);
  } catch (...) {
    return false;
  }
}

bool fe_LuoHakemisto(std::string& polku) {
  try {
    // The caller sees the shortened path and appends the separator again itself.
    if (!polku.empty() && polku.back() == alusta::erotin) polku.pop_back();
    alusta::luoHakemisto(polku);
  } catch (...) {
    return false;
  }
  return fe_OnkoHakemisto(polku);
}

std::string fe_LueEkaRivi(const std::string& tiedosto) {
  try {
    std::string tulos;
    kayRivit(tiedosto, [&](const std::string& rivi) {
      tulos = rivi;
      return false;
    });
    return tulos;
  } catch (...) {
    return "";
  }
}

std::string fe_LueAsetus(const std::string& tiedosto, const std::string& avain) {
  try {
    const std::string alku = pieneksi(trimmaa(avain) + " = ");
    std::string arvo;
    kayRivit(tiedosto, [&](const std::string& rivi) {
      // The line is not trimmed: one that begins with a blank never matches.
      if (rivi.size() < alku.size() ||
          pieneksi(std::string_view(rivi).substr(0, alku.size())) != alku)
        return true;
      arvo = trimmaa(std::string_view(rivi).substr(alku.size()));
      return false;
    });
    return arvo;
  } catch (...) {
    return "";
  }
}

std::string fe_Korvaa(const std::string& teksti, const std::string& haettava,
                      const std::string& korvaava) {
  if (haettava.empty()) return teksti;
  std::string tulos;
  tulos.reserve(teksti.size());
  std::size_t alku = 0;
  for (std::size_t i; (i = teksti.find(haettava, alku)) != std::string::npos;
       alku = i + haettava.size()) {
    tulos.append(teksti, alku, i - alku);
    tulos += korvaava;
  }
  tulos.append(teksti, alku, std::string::npos);
  return tulos;
}

std::int16_t fe_cposr(const std::string& teksti, const std::string& haettava) {
  try {
    // With the text at most 32,767 characters, no occurrence can start beyond that.
    tarkistaPituus(teksti);
    // An empty search text has nothing to find; an answer of "found" would be a guess.
    if (haettava.empty()) return 0;
    std::size_t i = teksti.rfind(haettava);
    if (i == std::string::npos) return 0;
    return static_cast<std::int16_t>(i + 1);
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::cposr);
    return 0;
  }
}

std::string va(const std::string& teksti, std::int16_t leveys) {
  try {
    if (leveys <= 0) return "";
    std::string tulos = teksti.substr(0, static_cast<std::size_t>(leveys));
    tulos.resize(static_cast<std::size_t>(leveys), ' ');
    return tulos;
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::va);
    return "";
  }
}

double fe_yleisval(std::string teksti) {
  try {
    tarkistaPituus(teksti);
    std::int16_t n = 0;
    for (char c : teksti)
      if (c == '.' || c == ',') ++n;
    // Only the last separator is the decimal point; the earlier ones group thousands.
    std::string puhdas;
    puhdas.reserve(teksti.size());
    for (char c : teksti) {
      if (c == ' ') continue;
      if (c == '.' || c == ',') {
        if (--n == 0) puhdas += '.';
        continue;
      }
      puhdas += c;
    }
    return lueLuku(puhdas);
  } catch (...) {
    fe_Virhe(nykyinenVirhe(), paikka::yleisval);
    return 0;
  }
}

double lueLuku(const std::string& teksti) {
  // Blanks, tabs and line feeds do not count anywhere, not even between digits.
  std::string s;
  s.reserve(teksti.size());
  for (char c : teksti)
    if (c != ' ' && c != '\t' && c != '\n') s += c;

  auto onNumero = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };

  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return lueKokonaisluku(s, 2, 16);
    if (s[1] == 'O' || s[1] == 'o') return lueKokonaisluku(s, 2, 8);
    return 0;
  }

  std::size_t i = 0;
  bool miinus = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) miinus = s[i++] == '-';

  // The number as from_chars wants it; it reads "." the same in every locale.
  std::string luku;
  std::size_t kokonaisia = 0;
  while (onNumero(i)) {
    luku += s[i++];
    ++kokonaisia;
  }
  std::size_t numeroita = kokonaisia;
  if (i < s.size() && s[i] == '.') {
    luku += s[i++];
    while (onNumero(i)) {
      luku += s[i++];
      ++numeroita;
    }
  }
  if (numeroita == 0) return 0;

  // An exponent counts only with digits; a bare "E" ends the number.
  long long eksponentti = 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    std::size_t j = i + 1;
    bool eMiinus = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) eMiinus = s[j++] == '-';
    if (onNumero(j)) {
      luku += 'e';
      if (eMiinus) luku += '-';
      for (; onNumero(j); ++j) {
        luku += s[j];
        if (eksponentti < 1'000'000) eksponentti = eksponentti * 10 + (s[j] - '0');
      }
      if (eMiinus) eksponentti = -eksponentti;
    }
  }

  double arvo = 0;
  auto [loppu, ec] = std::from_chars(luku.data(), luku.data() + luku.size(), arvo);
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either too large or too small: the place of the first significant
    // digit tells which. Too small is simply 0, as the original reads it.
    std::size_t eka = luku.find_first_not_of("0.");
    long long suuruus = eksponentti;
    if (eka < kokonaisia)
      suuruus += static_cast<long long>(kokonaisia - eka) - 1;
    else
      suuruus -= static_cast<long long>(eka - kokonaisia);
    if (suuruus > 0) heitaVirhe(virhenro::ylivuoto);
    return 0;
  }
  if (ec != std::errc()) return 0;
  if (arvo == 0) return 0;  // no negative zero
  return miinus ? -arvo : arvo;
}

}  // namespace euro
