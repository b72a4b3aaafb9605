#include "split/nimi.h"

#include <algorithm>
#include <array>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"

namespace split {

namespace {

const std::array<bool, 256>& sallitut() {
  static const std::array<bool, 256> taulu = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : euro::ansi("ABCDEFGHIJKLMNOPQRSTUWVXYZÅÄÖ1234567890+- _.()!#$%&"))
      t[c] = true;
    return t;
  }();
  return taulu;
}

}  // namespace

std::string fe_PuhdistaNimi(const std::string& teksti) {
  const auto& sallittu = sallitut();
  std::string tulos;
  tulos.reserve(teksti.size());
  for (char c : teksti)
    if (sallittu[static_cast<unsigned char>(euro::isoksi(c))]) tulos += c;
  return tulos;
}

bool kelpaaTiedostonimeksi(std::string_view nimi) {
  // The journal's reader refuses what is not a plain name in its folder: the split never makes one.
  if (nimi.empty() || nimi.size() > 255 || nimi == "." || nimi == "..") return false;
  for (unsigned char c : nimi)
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  // Windows reads the base name up to the first point, without the blanks at its end.
  std::string_view perus = nimi.substr(0, nimi.find('.'));
  while (!perus.empty() && perus.back() == ' ') perus.remove_suffix(1);
  // Every device name is 3 or 4 characters: a company's name is not copied at every batch.
  if (perus.size() == 3 || perus.size() == 4) {
    char iso[4];
    for (std::size_t i = 0; i < perus.size(); ++i)
      iso[i] = perus[i] >= 'a' && perus[i] <= 'z' ? static_cast<char>(perus[i] - 'a' + 'A') : perus[i];
    const std::string_view s(iso, perus.size());
    if (s == "CON" || s == "PRN" || s == "AUX" || s == "NUL") return false;
    // Windows also takes the superscripts 1, 2 and 3 of its code page for the digits here.
    if (s.size() == 4 && (s.substr(0, 3) == "COM" || s.substr(0, 3) == "LPT") &&
        ((s[3] >= '1' && s[3] <= '9') || s[3] == '\xB9' || s[3] == '\xB2' || s[3] == '\xB3'))
      return false;
  }
  return !alusta::vaihtaaNimen(nimi);
}

std::optional<std::string> numeroituNimi(std::string_view alku, std::string_view loppu, int n) {
  std::string nimi(alku);
  if (n > 1) nimi += "-" + std::to_string(n);
  nimi += loppu;
  if (!kelpaaTiedostonimeksi(nimi)) return std::nullopt;
  return nimi;
}

Nimeaja::Nimeaja(std::string alkuosa, std::string loppuosa)
    : alkuosa_(std::move(alkuosa)), loppuosa_(std::move(loppuosa)) {
  for (int c = 0; c < 256; ++c)
    kelpaa_[static_cast<std::size_t>(c)] = sallitut()[static_cast<unsigned char>(euro::isoksi(static_cast<char>(c)))];
}

void Nimeaja::muodosta(std::string_view avain, std::string_view vuosi, std::string_view kuukausi,
                       std::string_view jakso) {
  vuosi_ = vuosi;
  kuukausi_ = kuukausi;
  jakso_ = jakso;
  alku_.clear();
  loppu_.clear();
  laajenna(alku_, alkuosa_, 0);
  laajenna(alku_, avain, 0);
  laajenna(loppu_, loppuosa_, 0);
}

bool Nimeaja::kelvolliseksi() {
  std::string nimi = alku_ + "-2" + loppu_;
  if (kelpaaTiedostonimeksi(nimi)) {
    alku_ += "-2";
    return true;
  }
  // A device name is read up to the first point: "LPT1.X" takes it there, "LPT1-2.X".
  const std::size_t piste = alku_.find('.');
  if (piste == std::string::npos) return false;
  nimi = alku_;
  nimi.insert(piste, "-2");
  if (!kelpaaTiedostonimeksi(nimi + loppu_)) return false;
  alku_ = std::move(nimi);
  return true;
}

bool Nimeaja::tarvitseeJakson(std::string_view avain) const {
  for (std::string_view osa : {std::string_view(alkuosa_), avain, std::string_view(loppuosa_)})
    if (osa.find_first_of("*?#") != std::string_view::npos) return true;
  return false;
}

// The replacements in one pass: what a step puts in is seen only by the
// later steps (vaihe counts the steps already done), and the cleaning is the test at the end.
void Nimeaja::laajenna(std::string& kohde, std::string_view teksti, int vaihe) {
  for (char c : teksti) {
    if (c == '*' && vaihe < 1) laajenna(kohde, vuosi_, 1);
    else if (c == '?' && vaihe < 2) laajenna(kohde, kuukausi_, 2);
    else if (c == '#' && vaihe < 3) laajenna(kohde, jakso_, 3);
    else if (kelpaa(c)) kohde += c;
  }
}

}  // namespace split
