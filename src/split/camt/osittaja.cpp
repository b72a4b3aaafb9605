// The XML split: the file is walked once, a segment of whole documents at a time; each
// segment's statements are grouped by company document, every company file is decided (new,
// extended, or the next free "-n") and, under a journal, declared before any of it is written.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt/camt.h"
#include "split/kesken.h"
#include "split/lue.h"
#include "split/camt/osat.h"
#include "split/camt/kaynti.h"
#include "split/camt/muisti.h"
#include "split/camt/tavut.h"
#include "split/camt/tuottaja.h"
#include "split/camt/osittaja.h"

namespace split::camt {

namespace sisa {

[[noreturn]] void eiVastaa(const std::string& arkisto, const std::string& miksi) {
  throw euro::Virhe(euro::virhenro::kayttovirhe,
                    ansi("Keskeytyneen paloittelun päiväkirja ei vastaa arkistoa (") + ansi(miksi) + "): " + arkisto);
}

// Whether nimi is one of the names a group of g's name may take.
bool onRyhmanNimi(const RyhmanNimi& g, const std::string& nimi) {
  if (nimi.size() == g.alku.size() + g.loppu.size()) return nimi == g.nimi1();
  const std::string alku = std::string(g.alku) + "-";
  if (nimi.size() <= alku.size() + g.loppu.size() || nimi.compare(0, alku.size(), alku) != 0 ||
      nimi.compare(nimi.size() - g.loppu.size(), g.loppu.size(), g.loppu) != 0)
    return false;
  const std::string_view n = std::string_view(nimi).substr(alku.size(), nimi.size() - alku.size() - g.loppu.size());
  if (n.size() > 9 || n[0] < '1' || n[0] > '9') return false;
  for (char c : n)
    if (c < '0' || c > '9') return false;
  return n != "1";
}

// Whether the file of length pituus ends with hanta.
bool paattyy(const std::string& polku, std::uint64_t pituus, const std::string& hanta) {
  alusta::Tiedosto f(polku, alusta::Tila::muokkaa);
  if (f.pituus() != pituus) return false;
  std::string b(hanta.size(), '\0');
  lueKohdasta(f, pituus - hanta.size(), b.data(), b.size());
  return b == hanta;
}

void Osittaja::jaa(const Jakso& j) {
  muisti_.varaa();
  std::vector<Ratkaisu> r(j.ryhmat.size());
  varatut_.clear();
  for (std::size_t i = 0; i < r.size(); ++i) ratkaise(j.ryhmat[i], j.nimi(j.ryhmat[i]), r[i]);
  KirjanOsa k;
  k.kohta = j.kohta;
  k.loppu = j.loppu;
  julista(k, r);
  kirjoita(j, r, nullptr);
}

void Osittaja::julista(KirjanOsa& k, std::vector<Ratkaisu>& r) {
  if (!kirja_) return;
  // The names and closing parts are lent to the record while it is written, not copied: a
  // segment of thousands of files would hold them twice at the run's peak.
  k.siirretty = true;
  k.tiedostot.clear();
  k.tiedostot.reserve(r.size());
  for (Ratkaisu& x : r) k.tiedostot.push_back({std::move(x.nimi), x.pituus, 0, std::move(x.hanta)});
  kirja_->kirjaa(k);
  for (std::size_t i = 0; i < r.size(); ++i) {
    r[i].nimi = std::move(k.tiedostot[i].nimi);
    r[i].hanta = std::move(k.tiedostot[i].tila);
  }
  k.tiedostot.clear();
  // The cuts are on the disk before statements go in: a lost cut under them would close a
  // document twice. In place each is cut as it is written (see kirjoitaRyhma).
  std::vector<std::string> leikatut;
  for (const Ratkaisu& x : r) {
    if (x.uusi) continue;
    leikkaa(x);
    leikatut.push_back(x.nimi);
  }
  if (!leikatut.empty()) alusta::tallennaTiedostot(kohdeKansio_, leikatut);
}

void Osittaja::viimeistele(const Jakso& j, const KirjanOsa& k) {
  muisti_.varaa();
  if (k.kohta != j.kohta) eiVastaa(arkisto_, "jakson alku");
  if (k.tiedostot.size() != j.ryhmat.size()) eiVastaa(arkisto_, "jakson tiedostot eivät vastaa arkistoa");
  std::vector<Ratkaisu> r;
  const std::vector<std::uint64_t> olemassa = kirjasta(k, r, [&](std::size_t i) { return j.nimi(j.ryhmat[i]); });
  kirjoita(j, r, &olemassa);
}

std::uint64_t Osittaja::kirjasta(const RyhmanNimi& gn, const KirjanOsa::Tiedosto& f, Ratkaisu& x,
                                 std::unordered_set<std::string>& nahdyt, std::vector<std::string>& leikatut) {
  if (!onRyhmanNimi(gn, f.nimi) || f.ohitetaan != 0 || !nahdyt.insert(f.nimi).second || (f.tila.empty() && f.pituus != 0))
    eiVastaa(arkisto_, "jakson tiedostot eivät vastaa arkistoa");
  x.nimi = f.nimi;
  x.uusi = f.tila.empty();
  x.pituus = f.pituus;
  x.hanta = f.tila;
  const std::string polku = kohde_ + x.nimi;
  const std::uint64_t alku = x.uusi ? 0 : x.pituus - x.hanta.size();
  const std::uint64_t nyt = alusta::pituusJosOn(polku).value_or(0);
  if (!x.uusi && nyt == x.pituus && paattyy(polku, x.pituus, x.hanta)) {
    // The closing part was never cut.
    leikkaa(x);
    leikatut.push_back(x.nimi);
    return 0;
  }
  if (nyt < alku)
    throw euro::Virhe(euro::virhenro::kayttovirhe,
                      ansi("Yritystiedosto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa: ") + polku);
  return nyt - alku;
}

void Osittaja::ratkaise(const Ryhma& g, const RyhmanNimi& gn, Ratkaisu& x) {
  for (int n = 1;; ++n) {
    const std::optional<std::string> nimi = numeroituNimi(gn.alku, gn.loppu, n);
    if (!nimi) throw euro::Virhe(euro::virhenro::virheellinenNimi, ansi("Tiedostonimi ei kelpaa: ") + kohde_ + gn.nimi1());
    if (varatut_.count(*nimi)) continue;
    const std::string polku = kohde_ + *nimi;
    bool eiMitaan = false;
    const std::optional<std::uint64_t> pituus = kansio_.pituusJosOn(*nimi, &eiMitaan);
    // A FIFO, socket or device keeps nothing written to it, and opening one may wait.
    if (!pituus && !eiMitaan && alusta::onErikoinen(polku)) continue;
    if (!pituus) {
      x.nimi = *nimi;
      x.uusi = true;
      x.pituus = 0;
      x.hanta.clear();
    } else {
      std::optional<Tila> t = muisti_.muistettu(*nimi);
      if (!t || t->pituus != *pituus) {
        // Not written by this run, or changed since by someone else: what it holds now.
        t = Tila{};
        t->pituus = *pituus;
        if (auto o = tutki(polku)) {
          t->tunnus = tunnukset_.anna(o->tunnus);
          t->pituus = o->pituus;
          t->hanta = std::move(o->hanta);
          t->jatkettava = true;
        }
        if (muistaa_) muisti_.muista(*nimi, *t);
      }
      if (!t->jatkettava || t->tunnus != g.tunnus) continue;
      x.nimi = *nimi;
      x.uusi = false;
      x.pituus = t->pituus;
      x.hanta = std::move(t->hanta);
    }
    varatut_.insert(x.nimi);
    if (n > 1 && y_.huomautukset.size() < Yhteenveto::tiedostoraja && huomautetut_.insert(x.nimi).second)
      y_.huomautukset.push_back(kohde_ + gn.nimi1() +
                                ansi(" ei ole samanlainen tiliotesanoma, jota voisi jatkaa: kirjoitettu tiedostoon ") +
                                kohde_ + x.nimi);
    return;
  }
}

void Osittaja::leikkaa(const Ratkaisu& x) {
  alusta::Tiedosto f(kohde_ + x.nimi, alusta::Tila::muokkaa);
  (void)leikkaa(x, f);
  f.sulje();
}

std::uint64_t Osittaja::leikkaa(const Ratkaisu& x, alusta::Tiedosto& f) {
  const std::string& polku = f.polku();
  const std::uint64_t kohta = x.pituus - x.hanta.size();
  // The length the open saw and the one the cut sees: no look of their own between (a call
  // each per company file and segment adds up over tens of thousands of files).
  if (f.pituusAvattaessa() == x.pituus) {
    hanta_.resize(x.hanta.size());
    lueKohdasta(f, kohta, hanta_.data(), hanta_.size());
    if (hanta_ != x.hanta)
      throw euro::Virhe(euro::virhenro::kayttovirhe, ansi("Yritystiedosto muuttui kesken paloittelun: ") + polku);
  }
  std::uint64_t nyt = f.katkaiseJos(x.pituus, kohta);
  if (nyt == ~std::uint64_t{0}) nyt = f.pituus();
  if (nyt != kohta)
    throw euro::Virhe(euro::virhenro::kayttovirhe, ansi("Yritystiedosto muuttui kesken paloittelun: ") + polku);
  return kohta;
}

void Osittaja::kirjoita(const Jakso& j, const std::vector<Ratkaisu>& r, const std::vector<std::uint64_t>* olemassa) {
  tuottaja_.lataa(j.kohta, j.loppu);
  kirjoitaRyhmittain(j, r, olemassa);
  tallenna(r);
}

void Osittaja::tallenna(const std::vector<Ratkaisu>& r) {
  if (!kirja_) return;
  std::vector<std::string> nimet;
  nimet.reserve(r.size());
  for (const Ratkaisu& x : r) nimet.push_back(x.nimi);
  alusta::tallennaTiedostot(kohdeKansio_, nimet);
}

void Osittaja::kirjoitaRyhmittain(const Jakso& j, const std::vector<Ratkaisu>& r,
                                   const std::vector<std::uint64_t>* olemassa) {
  std::vector<std::uint32_t> alut(j.ryhmat.size() + 1, 0);
  for (const Lau& l : j.lau) ++alut[l.ryhma + 1];
  for (std::size_t i = 1; i < alut.size(); ++i) alut[i] += alut[i - 1];
  std::vector<std::uint32_t> jarjestys(j.lau.size());
  {
    std::vector<std::uint32_t> seuraava(alut.begin(), alut.end() - 1);
    for (std::uint32_t i = 0; i < j.lau.size(); ++i) jarjestys[seuraava[j.lau[i].ryhma]++] = i;
  }
  for (std::size_t i = 0; i < r.size(); ++i) {
    const std::uint64_t ohitettava = olemassa ? (*olemassa)[i] : 0;  // bytes of it the file holds already
    const Ryhma& g = j.ryhmat[i];
    auto lausunnot = [&] {
      return [&, k = std::size_t{alut[i]}]() mutable -> const Lau* {
        return k < alut[i] + g.lausuntoja ? &j.lau[jarjestys[k++]] : nullptr;
      };
    };
    if (ohitettava > 0) vertaa(j.dokit[g.dok], r[i], lausunnot(), ohitettava);
    kirjoitaRyhma(j, g, r[i], lausunnot(), olemassa != nullptr, ohitettava);
  }
}

void Osittaja::kirjattu(const Jakso& j, const Ryhma& g, const Ratkaisu& x, std::uint64_t kohta,
                        std::int64_t kirjoitettuja, std::uint64_t ohitettava) {
  TiedostonYhteenveto& ty = yhteenvedossa_.anna(y_, kohde_ + x.nimi);
  ty.eria += kirjoitettuja;
  ty.tavuja += static_cast<std::int64_t>(kohta - std::min(kohta, ohitettava));
  if (ty.tila == TiedostonYhteenveto::Tila::tuntematon)
    ty.tila = x.nimi.size() != j.nimi(g).alku.size() + j.nimi(g).loppu.size() ? TiedostonYhteenveto::Tila::toinenNimi
              : x.uusi                                          ? TiedostonYhteenveto::Tila::uusi
                                                                : TiedostonYhteenveto::Tila::jatkettu;
  lausuntoja += kirjoitettuja;
  if (!muistaa_) return;
  Tila t;
  t.tunnus = g.tunnus;
  t.pituus = (x.uusi ? 0 : x.pituus - x.hanta.size()) + kohta;
  if (!x.uusi) {
    t.hanta = x.hanta;
    t.jatkettava = true;
  } else if (const Tuottaja::Osat& o = tuottaja_.osat(j.dokit[g.dok]); o.hantaMuistissa) {
    // Its first document's end, when short enough to cut.
    t.hanta = o.hanta;
    t.jatkettava = true;
  }
  muisti_.muista(x.nimi, std::move(t));
}

}  // namespace sisa

using namespace sisa;

namespace {

// Whether the kept segments can be written as one (Osittaja::jaaKaikki): every document's closing
// part short enough to be held, so that a file made from it could be extended by a later
// segment, and the statements few enough to be numbered.
bool yhdessa(const std::vector<Jakso>& jaksot) {
  std::uint64_t lausuntoja = 0;
  for (const Jakso& j : jaksot) {
    lausuntoja += j.lau.size();
    // The kept segments share one Nimisto, which numbers every statement's name.
    if (!j.nimet || j.nimet != jaksot.front().nimet) return false;
    for (const Lau& l : j.lau)
      if (l.ryhma >= j.nimet->koko()) return false;
    for (const Dok& d : j.dokit)
      // The line end after the root goes with the closing part: up to two bytes.
      if (d.loppu + 2 - d.viimeinenLoppu > hannanRaja) return false;
  }
  return lausuntoja < KaikkiRyhmat::loppuu;
}

// The split: the segments the walk before it kept, then the rest of the file from where they
// end, walked and written segment by segment. A cut-off split's segment is the first.
// raja: where the walk stops (the end of the last whole document when a program may still be
// writing the file; otherwise its end).
std::int64_t aja(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
                 Kirjaus* kirja, Indeksi& ind, const Rajaus& r, const KirjanOsa* kesken, const Ohitettavat& ohita,
                 std::uint64_t raja = ~std::uint64_t{0}) {
  y.muoto = "XML";
  Osittaja jakaja(arkisto, kohde, a, y, kirja, ind.tunnukset);
  Jakso karsittu;
  HajautusT<std::uint32_t> ryhmat;
  auto kirjoita = [&](Jakso& kaikki) {
    if (kesken && kesken->ryhmasta) {
      // A split that wrote the whole file's company files one by one, cut off: its segment is
      // the whole of what it wrote, its files finished and the rest written as it would have.
      const KirjanOsa* k = std::exchange(kesken, nullptr);
      std::vector<Jakso> yksi;
      yksi.push_back(std::move(kaikki));
      if (yksi.front().kohta != k->kohta || yksi.front().loppu != k->loppu || !yhdessa(yksi))
        eiVastaa(arkisto, "jakson tiedostot eivät vastaa arkistoa");
      jakaja.jaaKaikki(yksi, ohita, k);
      return;
    }
    ryhmita(kaikki, ryhmat);
    // The segments' borders are the same whatever is passed over, so a cut-off split's record
    // and its finishing walk agree on them.
    const Jakso& j = karsi(kaikki, ohita, karsittu);
    if (kesken) {
      const KirjanOsa* k = kesken;
      kesken = nullptr;
      jakaja.viimeistele(j, *k);
    } else {
      jakaja.jaa(j);
    }
  };
  // The kept segments are this split's: each is let go once written, so that the index does not
  // stand beside what the writing holds; an index used again has kept nothing.
  std::vector<Jakso> jaksot = std::move(ind.jaksot);
  ind.jaksot.clear();
  const bool kaikki = std::exchange(ind.kaikki, false);
  try {
    if (kaikki && !kesken && yhdessa(jaksot)) {
      jakaja.jaaKaikki(jaksot, ohita);
      return jakaja.lausuntoja;
    }
    for (Jakso& j : jaksot) {
      kirjoita(j);
      j = Jakso{};
    }
    if (kaikki) return jakaja.lausuntoja;
    const bool jatkuu = !jaksot.empty();
    const std::uint64_t lahto = jatkuu ? ind.lahto : 0;
    alusta::Tiedosto t(arkisto, alusta::Tila::lue);
    if (jatkuu && lahto == ind.loppu) {
      // Nothing but the space after the last document is left.
      if (lahto >= raja) return jakaja.lausuntoja;
      Lukuikkuna w(t);
      if (!asiakirjojaJaljella(w, lahto)) return jakaja.lausuntoja;
    }
    Keraaja keraaja(a, ind, {jatkuu ? ind.loppu : r.alku, jatkuu ? std::nullopt : r.pakotettu}, kirjoita, false);
    RajattuLahde lahde(t, lahto, raja, false);
    kay(lahde, keraaja, lukurajat(a), lahto);
    keraaja.loppuun();
  } catch (const Hylatty& h) {
    jakaja.suljeKesken();
    throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto + ": " + h.viesti);
  } catch (...) {
    jakaja.suljeKesken();
    throw;
  }
  return jakaja.lausuntoja;
}

// The check's segments are kept up to this much memory, each company counted with what it costs
// the run beside them; the split walks the rest again. Chosen from measured peaks: a one-document
// file of 35,000 accounts in 147,000 statements is kept whole and peaks at about 14.6 MiB; one of
// 57,000 or more companies stops keeping, and peaks no higher than when it kept less.
constexpr std::size_t indeksinRaja = 8960 * 1024;
std::size_t indeksinRajaAs(const PaloitteluAsetukset& a) { return a.saadot.indeksi ? a.saadot.indeksi : indeksinRaja; }

// The check's index when the file is still what was checked; else the file checked again.
std::shared_ptr<Indeksi> ajantasainen(const std::string& polku, const PaloitteluAsetukset& a, const Tarkistettu& t) {
  if (alusta::Tiedosto(polku, alusta::Tila::lue).pituus() == t.pituus && t.indeksi) return t.indeksi;
  // Grown since the check (the bank's program appended before the archive move): checked
  // again, so a bad end still writes nothing.
  Tarkistettu uusi = tarkista(polku, a);
  if (!uusi.syy.empty()) throw euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + uusi.syy);
  return uusi.indeksi;
}

}  // namespace

Tarkistettu tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                     const std::function<void(const Tiliote&)>* anna) {
  Tarkistettu t;
  if (!valittuAvain(a)) {
    t.syy = positiotEivatKay;
    return t;
  }
  try {
    t.indeksi = indeksoi(polku, a, {}, indeksinRajaAs(a), &t.pituus, ~std::uint64_t{0}, anna);
  } catch (const Hylatty& h) {
    t.syy = h.viesti;
  }
  return t;
}

void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         const Tarkistettu& t, const Ohitettavat& ohita) {
  vaadiAvain(a);
  aja(polku, kohde, a, y, nullptr, *ajantasainen(polku, a, t), {}, nullptr, ohita);
}

void jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto, const Tarkistettu& t,
                     Yhteenveto& y) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  vaadiAvain(a);
  // What the check passed, and no more: what the bank program wrote into the file since is
  // the grown archive's, split by a later run.
  if (t.indeksi) aja(arkisto, o.kohde, a, y, &kirja, *t.indeksi, {}, nullptr, o.ohitettavat, t.pituus);
  else aja(arkisto, o.kohde, a, y, &kirja, *ajantasainen(arkisto, a, t), {}, nullptr, o.ohitettavat);
  loppuunValit(kirja, arkisto);
}

std::int64_t viimeisteleKirjasta(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                 const KirjanOsa& viimeinen, Yhteenveto* yhteenveto) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  vaadiAvain(a);
  Yhteenveto oma;
  Yhteenveto& y = yhteenveto ? *yhteenveto : oma;
  // The cut-off segment, when its record names files, is the first; the walk from the start
  // finds the same borders the split found, and where the documents it ends inside end.
  const KirjanOsa* kesken = viimeinen.siirretty && !viimeinen.tiedostot.empty() ? &viimeinen : nullptr;
  // A first record begins where its split does: the archive's start, or the end of an earlier
  // split of a grown archive.
  Rajaus r;
  r.alku = kesken ? viimeinen.kohta : viimeinen.loppu;
  if (kesken) r.pakotettu = viimeinen.loppu;
  const std::uint64_t raja = kokonaistenLoppu(arkisto);
  std::shared_ptr<Indeksi> ind;
  try {
    ind = indeksoi(arkisto, a, r, indeksinRajaAs(a), nullptr, raja);
  } catch (const Hylatty& h) {
    throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto + ": " + h.viesti);
  }
  const std::int64_t n = aja(arkisto, o.kohde, a, y, &kirja, *ind, r, kesken, o.ohitettavat, raja);
  loppuunValit(kirja, arkisto);
  return n;
}

}  // namespace split::camt
