#include "split/nimi.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"

namespace split {

namespace {

// Characters from the line, counted from 1; only what the line holds.
std::string osa(const std::string& rivi, std::size_t alku, std::size_t pituus) {
  if (alku > rivi.size()) return {};
  return rivi.substr(alku - 1, pituus);
}

std::string_view osa(std::string_view rivi, std::size_t alku, std::size_t pituus) {
  if (alku > rivi.size()) return {};
  return rivi.substr(alku - 1, pituus);
}

std::int32_t pyorista(double arvo) {
  double alas = std::floor(arvo);
  double murto = arvo - alas;
  double r = alas;
  if (murto > 0.5 || (murto == 0.5 && std::fmod(alas, 2.0) != 0.0)) r = alas + 1.0;
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) euro::heitaVirhe(euro::virhenro::ylivuoto);
  return static_cast<std::int32_t>(r);
}

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

void asetapos(const PaloitteluAsetukset& a, std::int32_t& posAlku, std::int32_t& posLoppu) {
  using T = PaloitteluAsetukset::Tunniste;
  const auto t = a.tunniste();
  if (!t) return;
  switch (*t) {
    case T::asiakastunnus: posAlku = 49, posLoppu = 65; break;
    case T::tilinumero: posAlku = 10, posLoppu = 23; break;
    case T::tilinomistajanNimi: posAlku = 148, posLoppu = 182; break;
    case T::positiot:
      posAlku = pyorista(euro::fe_yleisval(a.txtPosAlku));
      posLoppu = pyorista(euro::fe_yleisval(a.txtPosLoppu));
      break;
  }
}

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

std::string muodostanimi(const std::string& rivi, const std::string& kohdehakemisto,
                         const PaloitteluAsetukset& a, std::int32_t posAlku,
                         std::int32_t posLoppu) {
  std::int64_t pituus = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  if (posAlku < 1 || pituus < 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);

  std::string avain = osa(rivi, static_cast<std::size_t>(posAlku), static_cast<std::size_t>(pituus));
  avain = fe_PuhdistaNimi(euro::trimmaa(avain));
  std::string nimi = a.txtNimenAlkuosa + avain + a.txtNimenLoppuosa;

  const std::string alkuVuosi = "20" + osa(rivi, 27, 2);
  const std::string alkuKuukausi = osa(rivi, 29, 2);
  const std::string jakso = alkuVuosi + alkuKuukausi + osa(rivi, 31, 2) + "-" + "20" +
                            osa(rivi, 33, 2) + osa(rivi, 35, 2) + osa(rivi, 37, 2);
  nimi = euro::fe_Korvaa(nimi, "*", alkuVuosi);
  nimi = euro::fe_Korvaa(nimi, "?", alkuKuukausi);
  nimi = euro::fe_Korvaa(nimi, "#", jakso);
  return kohdehakemisto + fe_PuhdistaNimi(nimi);
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

// The replacements of muodostanimi in one pass: what a step puts in is seen only by the
// later steps (vaihe counts the steps already done), and the cleaning is the test at the end.
void Nimeaja::laajenna(std::string& kohde, std::string_view teksti, int vaihe) {
  for (char c : teksti) {
    if (c == '*' && vaihe < 1) laajenna(kohde, vuosi_, 1);
    else if (c == '?' && vaihe < 2) laajenna(kohde, kuukausi_, 2);
    else if (c == '#' && vaihe < 3) laajenna(kohde, jakso_, 3);
    else if (kelpaa(c)) kohde += c;
  }
}

NimenMuodostaja::NimenMuodostaja(const PaloitteluAsetukset& a, std::int32_t posAlku,
                                 std::int32_t posLoppu)
    : nimeaja_(a.txtNimenAlkuosa, a.txtNimenLoppuosa),
      posAlku_(posAlku),
      posLoppu_(posLoppu),
      tarve_(std::max<std::size_t>(38, posLoppu > 0 ? static_cast<std::size_t>(posLoppu) : 0)) {}

bool NimenMuodostaja::avainTyhja(std::string_view rivi) const {
  if (posAlku_ < 1 || posLoppu_ < posAlku_) return true;
  const std::string_view raaka =
      osa(rivi, static_cast<std::size_t>(posAlku_), static_cast<std::size_t>(posLoppu_ - posAlku_ + 1));
  for (char c : raaka)
    if (c != ' ' && nimeaja_.kelpaa(c)) return false;
  return true;
}

const std::string& NimenMuodostaja::nimi(std::string_view rivi) {
  std::int64_t pituus = static_cast<std::int64_t>(posLoppu_) - posAlku_ + 1;
  if (posAlku_ < 1 || pituus < 0) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);

  // The key: blanks trimmed at both ends, then the disallowed characters dropped.
  std::string_view raaka = osa(rivi, static_cast<std::size_t>(posAlku_), static_cast<std::size_t>(pituus));
  const auto eka = raaka.find_first_not_of(' ');
  raaka = eka == std::string_view::npos ? std::string_view() : raaka.substr(eka, raaka.find_last_not_of(' ') - eka + 1);
  avain_.clear();
  for (char c : raaka)
    if (nimeaja_.kelpaa(c)) avain_ += c;

  vuosi_.assign("20").append(osa(rivi, 27, 2));
  kuukausi_.assign(osa(rivi, 29, 2));
  jakso_.assign(vuosi_).append(kuukausi_).append(osa(rivi, 31, 2)).append("-20");
  jakso_.append(osa(rivi, 33, 2)).append(osa(rivi, 35, 2)).append(osa(rivi, 37, 2));
  nimeaja_.muodosta(avain_, vuosi_, kuukausi_, jakso_);
  nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  // One that cannot take "-2" either is left for the failure when its file is opened.
  if (!kelpaaTiedostonimeksi(nimi_) && nimeaja_.kelvolliseksi()) nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  return nimi_;
}

}  // namespace split
