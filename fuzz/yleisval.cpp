// fe_yleisval and the number reader against a model: the longest prefix that the number
// grammar allows, read by strtod; "&H" and "&O" integers by their width rules.
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstring>

#include "euro/polut.h"
#include "fuzztuki.h"

namespace {

struct Arvo {
  bool ylivuoto = false;
  bool vertaa = true;  // false: a subnormal, which the reader may give as 0
  double luku = 0;
};

bool numero(const std::string& s, std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; }

Arvo kokonaisluku(const std::string& s, int kanta) {
  std::uint64_t v = 0;
  bool yli = false;
  for (std::size_t i = 2; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (kanta == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (kanta == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (d >= kanta) break;
    v = v * kanta + d;
    if (v > 0xFFFFFFFFu) {
      yli = true;
      v = 0x100000000u;
    }
  }
  if (yli) return {true, true, 0};
  if (v <= 0xFFFF) return {false, true, static_cast<double>(static_cast<std::int16_t>(v))};
  return {false, true, static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)))};
}

Arvo malli(const std::string& teksti) {
  std::string s;
  for (char c : teksti)
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return kokonaisluku(s, 16);
    if (s[1] == 'O' || s[1] == 'o') return kokonaisluku(s, 8);
    return {};
  }
  std::string luku;
  std::size_t i = 0, numeroita = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) luku += s[i++];
  for (; numero(s, i); ++i, ++numeroita) luku += s[i];
  if (i < s.size() && s[i] == '.') {
    luku += s[i++];
    for (; numero(s, i); ++i, ++numeroita) luku += s[i];
  }
  if (numeroita == 0) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string e = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) e += s[j++];
    if (numero(s, j)) {
      for (; numero(s, j); ++j) e += s[j];
      luku += e;
    }
  }
  double v = std::strtod(luku.c_str(), nullptr);
  if (std::isinf(v)) return {true, true, 0};
  if (v != 0 && std::fabs(v) < DBL_MIN) return {false, false, 0};
  return {false, true, v == 0 ? 0.0 : v};
}

bool sama(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  static const bool cLokaali = std::setlocale(LC_ALL, "C") != nullptr;
  VARMISTA(cLokaali);
  const std::string teksti(reinterpret_cast<const char*>(data), koko);

  // The number reader alone: no trap, overflow passes as error 6.
  const Arvo m = malli(teksti);
  try {
    double v = euro::lueLuku(teksti);
    VARMISTA(!m.ylivuoto);
    VARMISTA(std::isfinite(v));
    if (m.vertaa) VARMISTA(sama(v, m.luku));
  } catch (const euro::Virhe& v) {
    VARMISTA(m.ylivuoto && v.numero() == euro::virhenro::ylivuoto);
  }

  // fe_yleisval: the last separator is the decimal point, the others and blanks go.
  int erottimia = 0;
  for (char c : teksti) erottimia += c == '.' || c == ',';
  std::string puhdas;
  for (char c : teksti) {
    if (c == ' ') continue;
    if (c == '.' || c == ',') {
      if (--erottimia == 0) puhdas += '.';
      continue;
    }
    puhdas += c;
  }
  const Arvo y = teksti.size() > 32767 ? Arvo{true, true, 0} : malli(puhdas);
  fuzz::Ymparisto ymp;
  const double v = euro::fe_yleisval(teksti);
  if (y.ylivuoto) {
    VARMISTA(sama(v, 0));
    VARMISTA(ymp.virheet.size() == 1);
    const euro::Vikailmoitus& r = ymp.virheet[0];
    VARMISTA(r.numero == euro::virhenro::ylivuoto && r.kutsurivi == 2000 &&
             r.moduuli == "euro.bas" && r.rutiini == "fe_yleisval");
  } else {
    VARMISTA(ymp.virheet.empty());
    VARMISTA(std::isfinite(v));
    if (y.vertaa) VARMISTA(sama(v, y.luku));
  }
  return 0;
}
