#include "split/kesken.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/hajautus.h"
#include "split/muoto.h"
#include "split/nimi.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;
const char kirjanTunnus[] = "KOLVANTO-KESKEN 2";
// The header's line that leaves the ranges passed over to the records.
constexpr std::string_view ohitaJaksoissa = "ohita = jaksoissa\r\n";
constexpr std::uint64_t kirjaEnintaan = 64ull * 1024 * 1024;
constexpr std::uint64_t lukuEnintaan = (1ull << 62);  // every offset and length
constexpr std::size_t tiedostojaEnintaan = 1 << 20;   // a record's company files

// The journal is input like any other file: anything wrong in it is this failure, with its path.
[[noreturn]] void kelpaamaton(const std::string& polku, const std::string& miksi) {
  throw euro::Virhe(euro::virhenro::kayttovirhe,
                    euro::ansi("Keskeytyneen paloittelun päiväkirja ei kelpaa (") + euro::ansi(miksi) +
                        "): " + polku);
}

std::string heksa(std::uint64_t v) {
  char b[17];
  std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
  return b;
}

// Appends s to t, "%", CR and LF kept as %25, %0D, %0A.
bool koodattava(char c) { return c == '%' || c == '\r' || c == '\n'; }
// How long s is once koodaaPeraan has written it.
std::size_t koodattuPituus(std::string_view s) { return s.size() + 2 * std::count_if(s.begin(), s.end(), koodattava); }

void koodaaPeraan(std::string& t, std::string_view s) {
  // Company file names seldom hold any of them.
  if (std::none_of(s.begin(), s.end(), koodattava)) {
    t += s;
    return;
  }
  for (char c : s) {
    if (c == '%') t += "%25";
    else if (c == '\r') t += "%0D";
    else if (c == '\n') t += "%0A";
    else t += c;
  }
}

}  // namespace

std::string koodaaKirjaan(std::string_view s) {
  std::string t;
  koodaaPeraan(t, s);
  return t;
}

std::optional<std::string> puraKirjasta(std::string_view s) {
  std::string t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      t += s[i];
      continue;
    }
    const std::string_view h = s.substr(i + 1, 2);
    if (h == "25") t += '%';
    else if (h == "0D") t += '\r';
    else if (h == "0A") t += '\n';
    else return std::nullopt;
    i += 2;
  }
  return t;
}

namespace {

// A block of text lines closed by its checksum line.
std::string suljeLohko(std::string lohko) {
  lohko += "tarkiste = " + heksa(fnv1a(lohko)) + "\r\n";
  return lohko;
}

std::string otsikkoTekstiksi(const KirjanOtsikko& o) {
  return suljeLohko(std::string(kirjanTunnus) + "\r\nmuoto = " + koodaaKirjaan(o.muoto) +
                    "\r\narkisto = " + koodaaKirjaan(o.arkisto) + "\r\ntuodut = " + koodaaKirjaan(o.tuodut) +
                    "\r\nkohde = " + koodaaKirjaan(o.kohde) + "\r\nalkuosa = " + koodaaKirjaan(o.alkuosa) +
                    "\r\nloppuosa = " + koodaaKirjaan(o.loppuosa) + "\r\ntunniste = " + std::to_string(o.tunniste) +
                    "\r\nposalku = " + koodaaKirjaan(o.posAlku) + "\r\nposloppu = " + koodaaKirjaan(o.posLoppu) + "\r\n" +
                    (o.ohitettavatJaksoissa ? std::string(ohitaJaksoissa) : o.ohitettavat.tekstiksi()));
}

// tunnus: the letter of the format's own state lines (Muoto::tilanTunnus).
std::string osaTekstiksi(const KirjanOsa& j, char tunnus) {
  std::string t = "jakso = " + std::to_string(j.numero) + "\r\ntila = " + (j.siirretty ? "K" : "A") +
                  "\r\nkohta = " + std::to_string(j.kohta) + "\r\nloppu = " + std::to_string(j.loppu) +
                  (j.ryhmasta ? "\r\nryhmasta = " + std::to_string(*j.ryhmasta) : "") + "\r\n" +
                  j.ohitettavat.tekstiksi() + "tiedostoja = " + std::to_string(j.tiedostot.size()) + "\r\n";
  // Its exact length first: grown by doubling, a record of thousands of files would hold its
  // old and new buffer together at the run's peak. 48: the numbers' longest, blanks, CR LF.
  std::size_t n = t.size() + 64;  // the checksum line
  for (const auto& f : j.tiedostot) n += 48 + koodattuPituus(f.nimi) + (f.tila.empty() ? 0 : 6 + koodattuPituus(f.tila));
  t.reserve(n);
  for (const auto& f : j.tiedostot) {
    t += "t = ";
    t += std::to_string(f.pituus);
    t += ' ';
    t += std::to_string(f.ohitetaan);
    t += ' ';
    koodaaPeraan(t, f.nimi);
    t += "\r\n";
    if (!f.tila.empty()) {
      t += tunnus;
      t += " = ";
      koodaaPeraan(t, f.tila);
      t += "\r\n";
    }
  }
  return suljeLohko(std::move(t));
}

// Reads the journal's lines; a parse is a walk over them that answers nothing on any flaw.
class Jasennin {
 public:
  explicit Jasennin(std::string_view s) : s_(s) {}
  std::size_t kohta() const { return p_; }
  bool lopussa() const { return p_ >= s_.size(); }
  bool alkaa(std::string_view t) const { return s_.substr(p_, t.size()) == t; }

  std::optional<std::string_view> rivi() {
    const std::size_t e = s_.find("\r\n", p_);
    if (e == std::string_view::npos) return std::nullopt;
    std::string_view r = s_.substr(p_, e - p_);
    p_ = e + 2;
    return r;
  }
  std::optional<std::string_view> arvo(std::string_view avain) {
    auto r = rivi();
    if (!r || r->size() < avain.size() + 3 || r->substr(0, avain.size()) != avain ||
        r->substr(avain.size(), 3) != " = ")
      return std::nullopt;
    return r->substr(avain.size() + 3);
  }
  std::optional<std::string> teksti(std::string_view avain) {
    auto a = arvo(avain);
    if (!a) return std::nullopt;
    return puraKirjasta(*a);
  }
  // An "ohita =" line with at least one range, into o.
  bool ohitettavat(Ohitettavat& o) {
    auto r = rivi();
    auto l = r ? Ohitettavat::lue(r->substr(7)) : std::nullopt;
    const bool on = l && !l->tyhja();
    if (on) o = std::move(*l);
    return on;
  }
  static std::optional<std::uint64_t> luku(std::string_view t) {
    if (t.empty() || t.size() > 19 || (t.size() > 1 && t[0] == '0')) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : t) {
      if (c < '0' || c > '9') return std::nullopt;
      v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > lukuEnintaan) return std::nullopt;
    return v;
  }
  std::optional<std::uint64_t> luku(std::string_view avain, int) {
    auto a = arvo(avain);
    if (!a) return std::nullopt;
    return luku(*a);
  }
  // The next block up to and with its checksum line, when the checksum is right; nothing
  // when the block is incomplete (vajaa: the text ends before its checksum line) or its bytes
  // are not those it was written with.
  std::optional<std::string_view> lohko() {
    bool vajaa = false;
    return lohko(vajaa);
  }
  std::optional<std::string_view> lohko(bool& vajaa) {
    const std::size_t alku = p_;
    vajaa = false;
    for (;;) {
      const std::size_t ennen = p_;
      auto r = rivi();
      if (!r) {
        vajaa = true;
        return std::nullopt;
      }
      if (r->rfind("tarkiste = ", 0) != 0) continue;
      if (r->substr(11) != heksa(fnv1a(s_.substr(alku, ennen - alku)))) return std::nullopt;
      return s_.substr(alku, p_ - alku);
    }
  }
  // The checksum line closing the block that began at alku.
  bool tarkiste(std::size_t alku) {
    const std::size_t ennen = p_;
    auto a = arvo("tarkiste");
    return a && *a == heksa(fnv1a(s_.substr(alku, ennen - alku)));
  }

 private:
  std::string_view s_;
  std::size_t p_ = 0;
};

std::optional<KirjanOtsikko> lueOtsikko(Jasennin& j) {
  KirjanOtsikko o;
  auto r = j.rivi();
  if (!r || *r != kirjanTunnus) return std::nullopt;
  auto teksti = [&](std::string_view avain, std::string& kohde) {
    auto t = j.teksti(avain);
    if (t) kohde = std::move(*t);
    return t.has_value();
  };
  if (!teksti("muoto", o.muoto) || !teksti("arkisto", o.arkisto) || !teksti("tuodut", o.tuodut) ||
      !teksti("kohde", o.kohde) || !teksti("alkuosa", o.alkuosa) || !teksti("loppuosa", o.loppuosa))
    return std::nullopt;
  auto t = j.luku("tunniste", 0);
  if (!t || *t > 4) return std::nullopt;
  o.tunniste = static_cast<int>(*t);
  if (!teksti("posalku", o.posAlku) || !teksti("posloppu", o.posLoppu)) return std::nullopt;
  o.ohitettavatJaksoissa = j.alkaa(ohitaJaksoissa);
  if (o.ohitettavatJaksoissa) j.rivi();
  else if (j.alkaa("ohita =") && !j.ohitettavat(o.ohitettavat)) return std::nullopt;
  if (!j.tarkiste(0)) return std::nullopt;
  return o;
}

// The rule the naming of company files keeps: a journal names only files the split could make.
bool onPelkkaNimi(const std::string& n) { return kelpaaTiedostonimeksi(n); }

std::optional<KirjanOsa> lueOsa(Jasennin& j, const Muoto& muoto) {
  const char tunnus[] = {muoto.tilanTunnus(), ' ', '=', ' ', 0};
  const std::size_t alku = j.kohta();
  KirjanOsa k;
  auto n = j.luku("jakso", 0);
  auto tila = j.arvo("tila");
  if (!n || !tila || (*tila != "A" && *tila != "K")) return std::nullopt;
  k.numero = *n;
  k.siirretty = *tila == "K";
  auto kohta = j.luku("kohta", 0);
  auto loppu = j.luku("loppu", 0);
  if (j.alkaa("ryhmasta = ") && !(k.ryhmasta = j.luku("ryhmasta", 0))) return std::nullopt;
  if (!kohta || !loppu || *kohta > *loppu) return std::nullopt;
  // Only its own segment's.
  if (j.alkaa("ohita =") && (!j.ohitettavat(k.ohitettavat) || k.ohitettavat.alueet().front().first < *kohta ||
                            k.ohitettavat.alueet().back().second > *loppu))
    return std::nullopt;
  auto maara = j.luku("tiedostoja", 0);
  if (!maara || *maara > tiedostojaEnintaan) return std::nullopt;
  k.kohta = *kohta;
  k.loppu = *loppu;
  for (std::uint64_t i = 0; i < *maara; ++i) {
    auto a = j.arvo("t");
    if (!a) return std::nullopt;
    const std::size_t v1 = a->find(' ');
    const std::size_t v2 = v1 == std::string_view::npos ? v1 : a->find(' ', v1 + 1);
    if (v2 == std::string_view::npos) return std::nullopt;
    auto pituus = Jasennin::luku(a->substr(0, v1));
    auto ohitetaan = Jasennin::luku(a->substr(v1 + 1, v2 - v1 - 1));
    auto nimi = puraKirjasta(a->substr(v2 + 1));
    if (!pituus || !ohitetaan || !nimi || !onPelkkaNimi(*nimi)) return std::nullopt;
    KirjanOsa::Tiedosto f{std::move(*nimi), *pituus, *ohitetaan};
    if (tunnus[0] != 0 && j.alkaa(tunnus)) {
      auto t = j.teksti(std::string_view(tunnus, 1));
      if (!t) return std::nullopt;
      f.tila = std::move(*t);
      // The format's own rule: what it would never have written is a damaged journal.
      if (!muoto.tilaKelpaa(f)) return std::nullopt;
    }
    k.tiedostot.push_back(std::move(f));
  }
  if (!j.tarkiste(alku)) return std::nullopt;
  return k;
}

bool samaPolku(const std::string& a, const std::string& b) {
  // Windows names a folder the same in any case.
  if constexpr (alusta::onWindows) return euro::isoksi(a) == euro::isoksi(b);
  return a == b;
}

}  // namespace

void tarkistaOtsikko(const KirjanOtsikko& o, const std::string& kirjanPolku) {
  if (!muotoNimella(o.muoto)) kelpaamaton(kirjanPolku, "tuntematon muoto " + o.muoto);
  if (!onPelkkaNimi(o.arkisto)) kelpaamaton(kirjanPolku, "arkiston nimi");
  const std::string nimi = kirjanPolku.substr(kirjanPolku.find_last_of(sep) + 1);
  const std::string kansio = kirjanPolku.substr(0, kirjanPolku.find_last_of(sep));
  // A copy or a renamed journal names another archive than its own name does.
  if (!samaPolku(nimi, o.arkisto + std::string(kirjannimi::kesken))) kelpaamaton(kirjanPolku, "kuuluu arkistolle " + o.arkisto);
  if (!samaPolku(kansio, o.tuodut)) kelpaamaton(kirjanPolku, "kuuluu kansioon " + o.tuodut);
  const std::string& k = o.kohde;
  bool kohdeKelpaa = alusta::onTaysiPolku(k) && !k.empty() && k.back() == sep;
  for (unsigned char c : k) kohdeKelpaa = kohdeKelpaa && c >= 0x20;
  if (!kohdeKelpaa) kelpaamaton(kirjanPolku, "kohdehakemisto " + k);
}

void Paivakirja::luo(const std::string& polku, const KirjanOtsikko& o, std::uint64_t alkaa) {
  // A journal of a format no row has could never be read back.
  if (!muotoNimella(o.muoto)) kelpaamaton(polku, "tuntematon muoto " + o.muoto);
  const std::string uusi = polku + ".uusi";
  tiedosto_.avaa(uusi, alusta::Tila::kirja);
  try {
    if (!tiedosto_.lukitse()) euro::heitaVirhe(euro::virhenro::lupaEvatty, uusi);
    KirjanOsa alku;
    alku.kohta = alku.loppu = alkaa;
    arkistonLoppu_ = alkaa;
    std::string t = otsikkoTekstiksi(o) + osaTekstiksi(alku, 0);
    tiedosto_.kirjoitaKohtaan(0, t.data(), t.size());
    tiedosto_.tallennaLevylle();
    // Whole and on the disk before any other run can find it under its own name.
    alusta::nimeaUudelleen(uusi, polku);
    tiedosto_.nimettiin(polku);
    loppu_ = t.size();
    seuraava_ = 1;
    polku_ = polku;
    kohde_ = o.kohde;
    muoto_ = o.muoto;
    jaksoihin_ = o.ohitettavatJaksoissa ? &o.ohitettavat : nullptr;
  } catch (...) {
    tiedosto_.suljeHiljaa();
    try {
      alusta::poistaTiedosto(uusi);
    } catch (...) {
    }
    throw;
  }
  alusta::tallennaHakemisto(o.tuodut);
  try {
    merkitseKohde();
  } catch (...) {
    // Nothing was written yet: refused, with no journal left.
    tiedosto_.suljeHiljaa();
    try {
      alusta::poistaTiedosto(polku);
    } catch (...) {
    }
    poistaKohteenMerkki();
    throw;
  }
}

namespace {

// The journal opened and locked (auki), or why not.
Paivakirja::Avattu avaaLukittuna(alusta::Tiedosto& t, const std::string& polku) {
  try {
    // Never created: one that is gone was finished by another run.
    t.avaa(polku, alusta::Tila::muokkaa);
  } catch (const euro::Virhe& v) {
    if (v.numero() == euro::virhenro::tiedostoaEiLoydy) return Paivakirja::Avattu::poissa;
    throw;
  }
  if (t.lukitse()) return Paivakirja::Avattu::auki;
  t.suljeHiljaa();
  return Paivakirja::Avattu::lukittu;
}

}  // namespace

Paivakirja::Avattu Paivakirja::avaa(const std::string& polku, KirjanOtsikko& o, KirjanOsa& viimeinen) {
  if (const Avattu a = avaaLukittuna(tiedosto_, polku); a != Avattu::auki) return a;
  polku_ = polku;
  // Read as a stream: only the unparsed part and the last whole record are held, so that a
  // journal of any length that this split wrote is read back. One record, and what follows
  // the last whole one, are bounded.
  std::string s;
  std::size_t p = 0;        // the next block's place in s
  std::uint64_t pohja = 0;  // the file offset of s[0]
  bool lopussa = false;
  auto lueLisaa = [&] {
    if (s.size() - p > kirjaEnintaan) kelpaamaton(polku, "liian suuri");
    if (p > 0) {
      s.erase(0, p);
      pohja += p;
      p = 0;
    }
    char b[64 * 1024];
    const std::size_t n = tiedosto_.lue(b, sizeof b);
    if (n == 0) lopussa = true;
    s.append(b, n);
  };
  for (;;) {
    Jasennin j(s);
    if (auto otsikko = lueOtsikko(j)) {
      o = std::move(*otsikko);
      p = j.kohta();
      break;
    }
    if (lopussa || s.size() > 1024 * 1024) kelpaamaton(polku, "otsake");
    lueLisaa();
  }
  const Muoto* muoto = muotoNimella(o.muoto);
  if (!muoto) kelpaamaton(polku, "tuntematon muoto " + o.muoto);
  std::optional<KirjanOsa> edellinen;
  std::uint64_t loppu = p;
  for (;;) {
    // A block whose checksum fails can only be the last, cut off as it was written.
    Jasennin j(std::string_view(s).substr(p));
    bool vajaa = false;
    auto lohko = j.lohko(vajaa);
    if (!lohko) {
      if (vajaa && !lopussa) {
        lueLisaa();
        continue;
      }
      break;
    }
    Jasennin b(*lohko);
    auto k = lueOsa(b, *muoto);
    if (!k || !b.lopussa()) kelpaamaton(polku, "jakso");
    const bool jatkuu = edellinen ? k->numero == edellinen->numero + 1 && k->siirretty &&
                                        (k->kohta == edellinen->kohta || k->kohta == edellinen->loppu)
                                  : k->numero == 0 && !k->siirretty && k->kohta == k->loppu &&
                                        k->tiedostot.empty();
    if (!jatkuu) kelpaamaton(polku, "jakso " + std::to_string(k->numero));
    if (edellinen && !edellinen->siirretty && k->kohta != edellinen->kohta) kelpaamaton(polku, "ensimmäinen jakso");
    edellinen = std::move(k);
    p += j.kohta();
    loppu = pohja + p;
  }
  if (!edellinen) kelpaamaton(polku, "ei jaksoa");
  // What follows the last whole record, read to the end. A whole block in it means the file
  // was changed.
  while (!lopussa) lueLisaa();
  const std::string_view loput = std::string_view(s).substr(p);
  for (std::size_t q = loput.find("\r\njakso = "); q != std::string_view::npos; q = loput.find("\r\njakso = ", q + 1)) {
    Jasennin muu(loput.substr(q + 2));
    if (muu.lohko()) kelpaamaton(polku, "rikkinäinen jakso");
  }
  viimeinen = std::move(*edellinen);
  kohde_ = o.kohde;
  muoto_ = o.muoto;
  arkistonLoppu_ = viimeinen.loppu;
  rikki_ = !loput.empty();
  loppu_ = loppu;
  seuraava_ = viimeinen.numero + 1;
  return Avattu::auki;
}

void Kirjaus::kirjaa(KirjanOsa& j) {
  // A record its own reader would refuse leaves a split that no run can finish: not written.
  const Muoto& muoto = *muotoNimella(muoto_);
  for (const auto& f : j.tiedostot)
    if (!onPelkkaNimi(f.nimi) || (!f.tila.empty() && !muoto.tilaKelpaa(f)))
      euro::heitaVirhe(euro::virhenro::virheellinenNimi, kohde_ + (onPelkkaNimi(f.nimi) ? f.tila : f.nimi));
  // A record cut off as it was written goes before the next one.
  if (!katkaistu_) {
    if (tiedosto_.pituus() > loppu_) tiedosto_.katkaise(loppu_);
    katkaistu_ = true;
  }
  j.numero = seuraava_;
  // Waits, beside the split, until the check has passed the segment.
  if (jaksoihin_) j.ohitettavat = jaksoihin_->valilla(j.kohta, j.loppu);
  const std::string t = osaTekstiksi(j, muoto.tilanTunnus());
  tiedosto_.kirjoitaKohtaan(loppu_, t.data(), t.size());
  tiedosto_.tallennaLevylle();
  loppu_ += t.size();
  ++seuraava_;
  arkistonLoppu_ = j.loppu;
}

void Paivakirja::sailytaMerkkina(std::string merkki, std::function<bool(std::uint64_t)> kasvaako) {
  merkki_ = std::move(merkki);
  kasvaako_ = std::move(kasvaako);
}

void Paivakirja::poista() {
  // Closed first: Windows keeps a removed file that is open in the listing, where another
  // run could not open it. A run that takes it up meanwhile finds every batch delivered.
  tiedosto_.sulje();
  if (!merkki_.empty()) {
    // Renamed, not removed and written again: at every moment one file says where the split
    // of the archive ended, the older marker or this journal in its place.
    alusta::korvaaTiedosto(polku_, merkki_);
    alusta::tallennaHakemisto(polku_.substr(0, polku_.find_last_of(sep)));
    poistaKohteenMerkki();
    if (kasvaako_ && kasvaako_(arkistonLoppu_)) return;
    alusta::poistaTiedosto(merkki_);
    return;
  }
  try {
    alusta::poistaTiedosto(polku_);
  } catch (const euro::Virhe& v) {
    if (v.numero() != euro::virhenro::tiedostoaEiLoydy) throw;
  }
  poistaKohteenMerkki();
}

void Paivakirja::merkitseKohde() {
  if (kohde_.empty()) return;
  const std::string merkki = kohteenMerkki(kohde_, polku_);
  const std::string uusi = merkki + ".uusi";
  // Left by a making that was cut off: this journal's own.
  try {
    alusta::poistaTiedosto(uusi);
  } catch (const euro::Virhe& v) {
    if (v.numero() != euro::virhenro::tiedostoaEiLoydy) throw;
  }
  {
    alusta::Tiedosto t(uusi, alusta::Tila::kirja);
    const std::string sisalto = koodaaKirjaan(kirjanTaysiPolku(polku_)) + "\r\n";
    t.kirjoitaKohtaan(0, sisalto.data(), sisalto.size());
    t.tallennaLevylle();
  }
  // Whole under its name, so that a marker is always readable.
  alusta::korvaaTiedosto(uusi, merkki);
  alusta::tallennaHakemisto(kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_);
}

void Paivakirja::poistaKohteenMerkki() noexcept {
  // After the journal: a marker whose journal is gone is removed by the next split into the
  // target, so a failure here loses nothing.
  if (kohde_.empty()) return;
  try {
    const std::string merkki = kohteenMerkki(kohde_, polku_);
    for (const std::string& p : {merkki, merkki + ".uusi"}) {
      try {
        alusta::poistaTiedosto(p);
      } catch (...) {
      }
    }
  } catch (...) {
  }
}

std::string kirjanTaysiPolku(const std::string& kirjanPolku) {
  return alusta::onTaysiPolku(kirjanPolku) ? kirjanPolku : alusta::nykyinenHakemisto() + sep + kirjanPolku;
}

namespace {
const std::string merkinAlku = ".kolvanto-";
const std::string merkinLoppu(kirjannimi::kesken);
}  // namespace

std::string kohteenMerkki(const std::string& kohde, const std::string& kirjanPolku) {
  std::string k = kohde;
  if (k.empty() || k.back() != sep) k += sep;
  return k + merkinAlku + heksa(fnv1a(kirjanTaysiPolku(kirjanPolku))) + merkinLoppu;
}

std::vector<std::string> kohteenKirjat(const std::string& kohde, const std::vector<std::string>& ohita) {
  std::string k = kohde;
  if (k.empty() || k.back() != sep) k += sep;
  std::vector<std::string> nimet;  // the markers' alone: the target may hold 100,000 company files
  alusta::kayKansio(k.size() > 1 ? k.substr(0, k.size() - 1) : k, [&](const std::string& n) {
    if (n.size() == merkinAlku.size() + 16 + merkinLoppu.size() && n.starts_with(merkinAlku) && n.ends_with(merkinLoppu))
      nimet.push_back(n);
    return true;
  });
  std::sort(nimet.begin(), nimet.end());
  std::vector<std::string> kirjat;
  for (const std::string& nimi : nimet) {
    const std::string merkki = k + nimi;
    std::string sisalto;
    try {
      alusta::Tiedosto t(merkki, alusta::Tila::lue);
      char b[4096];
      std::size_t n;
      while ((n = t.lue(b, sizeof b)) > 0 && sisalto.size() < 16384) sisalto.append(b, n);
    } catch (const euro::Virhe& v) {
      if (v.numero() == euro::virhenro::tiedostoaEiLoydy) continue;  // removed meanwhile
      throw;
    }
    std::optional<std::string> kirja;
    if (sisalto.size() > 2 && sisalto.compare(sisalto.size() - 2, 2, "\r\n") == 0)
      kirja = puraKirjasta(std::string_view(sisalto).substr(0, sisalto.size() - 2));
    // Only a journal's own marker, under the name its path gives.
    if (!kirja || !alusta::onTaysiPolku(*kirja) || kohteenMerkki(k, *kirja) != merkki)
      throw euro::Virhe(euro::virhenro::kayttovirhe,
                        euro::ansi("Kohdehakemistossa on kelpaamaton paloittelun merkki: ") + merkki);
    if (!alusta::pituusJosOn(*kirja)) {
      // The split finished, or its journal was removed: nothing holds the target.
      try {
        alusta::poistaTiedosto(merkki);
      } catch (...) {
      }
      continue;
    }
    const std::string kansio = kirja->substr(0, kirja->find_last_of(sep));
    if (std::any_of(ohita.begin(), ohita.end(), [&](const std::string& o) { return samaPolku(o, kansio); })) continue;
    kirjat.push_back(*kirja);
  }
  return kirjat;
}

void Paivakirja::sulje() noexcept { tiedosto_.suljeHiljaa(); }

const std::string& Paivakirja::polku() const { return polku_; }

}  // namespace split
