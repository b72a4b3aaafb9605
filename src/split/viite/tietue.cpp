#include "split/viite/tietue.h"

#include <algorithm>
#include <array>

#include "euro/teksti.h"
#include "split/nimi.h"

namespace split::viite {

namespace {

using euro::ansi;

bool numeroita(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Fields are at most 11 digits: no sum of a file that fits on a disk overflows.
std::uint64_t luku(std::string_view s) {
  std::uint64_t v = 0;
  for (char c : s) v = v * 10 + static_cast<std::uint64_t>(c - '0');
  return v;
}

std::string kohdassa(std::uint64_t kohta) {
  return ansi(" (tavu ") + std::to_string(kohta) + ")";
}

std::string eraSanoin(std::uint64_t numero, std::uint64_t kohta) {
  return ansi("erä ") + std::to_string(numero) + kohdassa(kohta);
}

}  // namespace

Eralukija::Eralukija(alusta::Tiedosto& t, std::uint64_t alku, std::uint64_t raja,
                     std::size_t puskuri)
    : t_(t),
      kohta_(alku),
      raja_(raja),
      puskurinAlku_(alku),
      lohko_(std::max<std::size_t>(puskuri, 1)) {}

bool Eralukija::tayta(std::size_t n) {
  std::size_t ohi = static_cast<std::size_t>(kohta_ - puskurinAlku_);
  if (puskuri_.size() - ohi >= n) return true;
  // What lies before kohta_ is never read again: it goes only when more must be read.
  puskuri_.erase(0, ohi);
  puskurinAlku_ = kohta_;
  while (puskuri_.size() < n) {
    const std::uint64_t loppu = puskurinAlku_ + puskuri_.size();
    if (loppu >= raja_) return false;
    const std::size_t m = static_cast<std::size_t>(std::min<std::uint64_t>(lohko_, raja_ - loppu));
    const std::size_t vanha = puskuri_.size();
    puskuri_.resize(vanha + m);
    const std::size_t r = t_.lueKohdasta(loppu, puskuri_.data() + vanha, m);
    puskuri_.resize(vanha + r);
    if (r == 0) {
      raja_ = loppu;  // the file ended before raja
      return false;
    }
  }
  return true;
}

bool Eralukija::tietue(std::string_view& t, std::size_t& pituus, std::string& syy) {
  tayta(tietueenPituus + 2);
  const std::string_view b =
      std::string_view(puskuri_).substr(static_cast<std::size_t>(kohta_ - puskurinAlku_));
  const std::size_t rivinloppu = b.substr(0, tietueenPituus + 1).find_first_of("\r\n");
  if (rivinloppu == std::string_view::npos && b.size() <= tietueenPituus) {
    syy = ansi("tiedosto päättyy kesken tietueen") + kohdassa(kohta_);
    return false;
  }
  if (rivinloppu != tietueenPituus) {
    syy = ansi("tietue ei ole 90 merkin pituinen") + kohdassa(kohta_);
    return false;
  }
  pituus = tietueenPituus + 1;
  if (b[tietueenPituus] == '\r') {
    if (b.size() <= tietueenPituus + 1 || b[tietueenPituus + 1] != '\n') {
      syy = ansi("tietueen jälkeen on CR ilman LF:ää") + kohdassa(kohta_ + tietueenPituus);
      return false;
    }
    pituus = tietueenPituus + 2;
  }
  t = b.substr(0, tietueenPituus);
  return true;
}

bool Eralukija::seuraava(Era& e, std::string& syy) {
  syy.clear();
  if (!tayta(1)) return false;
  e = Era{};
  e.numero = ++numero_;
  e.alku = kohta_;
  tiiviste_ = {};
  std::uint64_t maksut = 0, maksusumma = 0, oikaisut = 0, oikaisusumma = 0;
  bool tiliLuettu = false;
  for (bool ensimmainen = true;; ensimmainen = false) {
    if (!ensimmainen && !tayta(1)) {
      syy = ansi("erästä ") + std::to_string(e.numero) + kohdassa(e.alku) +
            ansi(" puuttuu summatietue 9: tiedosto päättyy kesken erän");
      return false;
    }
    std::string_view t;
    std::size_t pituus = 0;
    if (!tietue(t, pituus, syy)) {
      syy = eraSanoin(e.numero, e.alku) + ": " + syy;
      return false;
    }
    const char laji = t[0];
    if (ensimmainen && laji != '0') {
      syy = ansi("tietue ennen erätietuetta 0") + kohdassa(kohta_) + ansi(" (tietuetunnus \"") +
            std::string(1, laji) + "\")";
      if (laji != '3' && laji != '5' && laji != '9')
        syy = ansi("tuntematon tietuetunnus \"") + std::string(1, laji) + "\"" + kohdassa(kohta_);
      return false;
    }
    if (laji == '0' && !ensimmainen) {
      syy = ansi("erästä ") + std::to_string(e.numero) + kohdassa(e.alku) +
            ansi(" puuttuu summatietue 9: seuraava erätietue 0 alkaa tavusta ") +
            std::to_string(kohta_);
      return false;
    }
    if (laji == '0') {
      if (!numeroita(luontipaiva.lue(t)) || !numeroita(luontiaika.lue(t))) {
        syy = eraSanoin(e.numero, e.alku) +
              ansi(": erätietueen luontipäivä ja -aika eivät ole numeroita");
        return false;
      }
      e.eratietue.assign(t);
    } else if (laji == '3' || laji == '5') {
      const std::string_view m = rahamaara.lue(t);
      if (!numeroita(m)) {
        syy = eraSanoin(e.numero, e.alku) + ansi(": tietueen") + kohdassa(kohta_) +
              ansi(" rahamäärä ei ole numeroita");
        return false;
      }
      (laji == '3' ? maksut : oikaisut) += 1;
      (laji == '3' ? maksusumma : oikaisusumma) += luku(m);
      const std::string_view tili = tilinumero.lue(t);
      if (!tiliLuettu)
        e.tili.assign(tili);
      else if (tili != e.tili)
        e.tiliVaihtuu = true;
      tiliLuettu = true;
    } else if (laji == '9') {
      if (!summatTasmaavat(t, e, {maksut, maksusumma, oikaisut, oikaisusumma}, syy)) return false;
      seuraavaan(t, pituus);
      e.tiiviste = tiivistetaan_ ? tiiviste_.arvo() : 0;
      e.loppu = kohta_;
      return true;
    } else {
      syy = eraSanoin(e.numero, e.alku) + ansi(": tuntematon tietuetunnus \"") +
            std::string(1, laji) + "\"" + kohdassa(kohta_);
      return false;
    }
    seuraavaan(t, pituus);
  }
}

// The record's line end follows it in the buffer: its bytes are t's and the next pituus - 90.
void Eralukija::seuraavaan(std::string_view t, std::size_t pituus) {
  if (tiivistetaan_) tiiviste_.lisaa(t.data(), pituus);
  kohta_ += pituus;
}

bool Eralukija::summatTasmaavat(std::string_view t, const Era& e,
                                const std::array<std::uint64_t, 4>& erassa,
                                std::string& syy) const {
  const Kentta kentat[] = {maksuja, maksujenSumma, oikaisuja, oikaisujenSumma};
  const char* const nimet[] = {"maksujen määrä (tietueet 3)", "maksujen summa sentteinä",
                               "oikaisujen määrä (tietueet 5)", "oikaisujen summa sentteinä"};
  for (const Kentta& k : kentat)
    if (!numeroita(k.lue(t))) {
      syy = eraSanoin(e.numero, e.alku) + ansi(": summatietueen") + kohdassa(kohta_) +
            ansi(" määrät ja summat eivät ole numeroita");
      return false;
    }
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint64_t summatietueessa = luku(kentat[i].lue(t));
    if (summatietueessa == erassa[i]) continue;
    syy = eraSanoin(e.numero, e.alku) + ansi(": summatietueen") + kohdassa(kohta_) + " " +
          ansi(nimet[i]) + ansi(" on ") + std::to_string(summatietueessa) +
          ansi(", mutta erän tietueissa ") + std::to_string(erassa[i]);
    return false;
  }
  return true;
}

bool alkaaEratietueella(std::string_view alku) {
  if (alku.size() < tietueenPituus + 1 || alku[0] != '0') return false;
  const std::string_view t = alku.substr(0, tietueenPituus);
  if (t.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!numeroita(luontipaiva.lue(t)) || !numeroita(luontiaika.lue(t))) return false;
  return alku[tietueenPituus] == '\n' ||
         (alku[tietueenPituus] == '\r' && alku.size() > tietueenPituus + 1 &&
          alku[tietueenPituus + 1] == '\n');
}

std::string avainEiKay(const PaloitteluAsetukset& a) {
  using T = PaloitteluAsetukset::Tunniste;
  const auto t = a.tunniste();
  if (!t)
    return ansi(
        "paloitteluehtoa ei ole valittu: valitse asiakastunnus (palvelutunnus), tilinumero tai "
        "positiot");
  if (*t == T::tilinomistajanNimi)
    return ansi(
        "viitesiirroissa ei ole tilinomistajan nimeä: valitse paloitteluehdoksi asiakastunnus "
        "(maksunsaajan palvelutunnus), tilinumero tai positiot");
  if (*t == T::positiot) {
    const auto [alku, loppu] = a.positiot();
    if (alku < 1 || loppu < alku || loppu > static_cast<std::int32_t>(tietueenPituus))
      return ansi("viitesiirtojen erätietueessa on positiot 1-90: positiot ") +
             std::to_string(alku) + "-" + std::to_string(loppu) + ansi(" eivät käy");
  }
  return {};
}

std::string_view avain(const Era& e, const PaloitteluAsetukset& a) {
  using T = PaloitteluAsetukset::Tunniste;
  const auto t = a.tunniste();
  if (t == T::tilinumero) return e.tili;
  if (t == T::positiot) {
    const auto [alku, loppu] = a.positiot();
    return Kentta{static_cast<std::size_t>(alku), static_cast<std::size_t>(loppu - alku + 1)}.lue(
        e.eratietue);
  }
  return palvelutunnus.lue(e.eratietue);
}

std::string luotu(const Era& e) {
  const std::string_view p = luontipaiva.lue(e.eratietue);
  return "20" + std::string(p.substr(0, 2)) + "-" + std::string(p.substr(2, 2)) + "-" + std::string(p.substr(4, 2));
}

std::string nimea(Nimeaja& n, const Era& e, const PaloitteluAsetukset& a) {
  std::string k = euro::trimmaa(avain(e, a));
  const std::string paiva(luontipaiva.lue(e.eratietue));
  const std::string vuosi = "20" + paiva.substr(0, 2);
  const std::string kausi = vuosi + paiva.substr(2) + "-" + vuosi + paiva.substr(2);
  n.muodosta(k, vuosi, paiva.substr(2, 2), kausi);
  // A name no file may bear takes "-2" by the name alone, as every format's does.
  if (!kelpaaTiedostonimeksi(n.alku() + n.loppu())) n.kelvolliseksi();
  return k;
}

std::string avaimenPuute(const Era& e, const PaloitteluAsetukset& a) {
  if (a.tunniste() != PaloitteluAsetukset::Tunniste::tilinumero) return {};
  if (e.tiliVaihtuu)
    return eraSanoin(e.numero, e.alku) +
           ansi(
               ": erän maksutietueissa on eri tilinumeroita, eikä erää voi paloitella tilinumeron "
               "mukaan; "
               "valitse paloitteluehdoksi asiakastunnus (palvelutunnus)");
  if (e.tili.empty())
    return eraSanoin(e.numero, e.alku) + ansi(
                                             ": erässä ei ole maksutietuetta, josta tilinumeron "
                                             "voisi lukea; valitse paloitteluehdoksi "
                                             "asiakastunnus (palvelutunnus)");
  return {};
}

}  // namespace split::viite
