// Segments of whole batches: every batch's company file decided, the segment declared in the
// journal with each file's length before it, the batches copied byte for byte, the files
// flushed before the journal moves past them. A cut-off segment is written again into the
// files it declared, each given only what it lacks.
#include "split/viite/osittaja.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/lue.h"
#include "split/muoto.h"
#include "split/nimi.h"
#include "split/tiedostolaji.h"
#include "split/viite/muoto.h"
#include "split/viite/tietue.h"

namespace split::viite {

namespace {

using euro::ansi;

constexpr std::size_t tiedostojaOletus = 512;
constexpr std::uint64_t tavujaOletus = 8u << 20;
constexpr std::size_t puskuriOletus = 64 * 1024;
constexpr int numerojaEnintaan = 1000;
constexpr std::size_t muistettujaEnintaan = 65536;

[[noreturn]] void eiVastaa(const std::string& arkisto, const std::string& miksi) {
  throw euro::Virhe(euro::virhenro::kayttovirhe,
                    ansi("Keskeytyneen paloittelun päiväkirja ei vastaa arkistoa (") + ansi(miksi) +
                        "): " + arkisto);
}

// A segment's batches bound for one name.
struct Ryhma {
  std::string alku, loppu;     // the name's parts; a numbered name takes "-n" between them
  std::string nimi;            // the file that takes them
  std::uint64_t pituus = 0;    // its length before the segment
  std::uint64_t olemassa = 0;  // of the segment's bytes, what a cut-off run left in it
  std::vector<std::size_t> erat;
  std::int64_t ilmanAvainta = 0;
};

// Whether the journal's name is the group's own or a numbered one of it.
bool ryhmanNimi(const Ryhma& g, const std::string& nimi) {
  if (nimi == g.alku + g.loppu) return true;
  const std::string alku = g.alku + "-";
  if (nimi.size() <= alku.size() + g.loppu.size() || nimi.compare(0, alku.size(), alku) != 0 ||
      nimi.compare(nimi.size() - g.loppu.size(), g.loppu.size(), g.loppu) != 0)
    return false;
  const std::string_view n =
      std::string_view(nimi).substr(alku.size(), nimi.size() - alku.size() - g.loppu.size());
  if (n.size() > 4 || n[0] == '0' ||
      !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  return n != "1";
}

// Whether a file may take reference-payment batches: missing, empty, or holding them already;
// never another format's statements, a link or a device.
bool ottaaEria(const std::string& polku) {
  switch (tiedostolaji(polku)) {
    case Tiedostolaji::puuttuu:
      return true;
    case Tiedostolaji::tavallinen:
      return alusta::pituusJosOn(polku).value_or(0) == 0;
    case Tiedostolaji::tunnistettu:
      return &muotoTiedostolle(polku) == &muoto();
    default:
      return false;
  }
}

class Osittaja {
 public:
  Osittaja(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a,
           const Ohitettavat& ohita, Yhteenveto& y, Kirjaus* kirja)
      : arkisto_(arkisto),
        kohde_(kohde),
        a_(a),
        ohita_(ohita),
        y_(y),
        kirja_(kirja),
        nimeaja_(a.nimenAlkuosa, a.nimenLoppuosa) {
    kohdeKansio_ = kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_;
    const auto& j = a.saadot.jaksot;
    tiedostoja_ = j.tiedostoja ? j.tiedostoja : tiedostojaOletus;
    tavuja_ = j.tavuja ? j.tavuja : tavujaOletus;
    puskuri_.resize(a.saadot.puskuri ? a.saadot.puskuri : puskuriOletus);
  }

  std::int64_t aja(std::uint64_t alku, std::uint64_t raja, const KirjanOsa* kesken) {
    alusta::Tiedosto t(arkisto_, alusta::Tila::lue);
    arkisto_t_ = &t;
    jaksonAlku_ = kesken ? kesken->kohta : alku;
    Eralukija lukija(t, jaksonAlku_, raja, puskuri_.size());
    Era e;
    std::string syy;
    auto seuraava = [&] {
      if (lukija.seuraava(e, syy)) {
        if (std::string puute = avaimenPuute(e, a_); !puute.empty())
          throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto_ + ": " + puute);
        return true;
      }
      if (!syy.empty()) throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto_ + ": " + syy);
      return false;
    };
    // A batch delivered before goes nowhere; a segment spans those between its own, and its
    // recovery passes over the same ones (the journal's header keeps them).
    if (kesken) {
      while (lukija.kohta() < kesken->loppu && seuraava())
        if (!ohita_.sisaltaa(e.alku)) lisaa(std::move(e), true);
      if (lukija.kohta() != kesken->loppu || jakso_.empty()) eiVastaa(arkisto_, "jakson loppu");
      viimeistele(*kesken);
      jaksonAlku_ = kesken->loppu;
    }
    while (seuraava())
      if (!ohita_.sisaltaa(e.alku)) lisaa(std::move(e), false);
    if (!jakso_.empty()) kirjoita();
    t.sulje();
    return eria_;
  }

 private:
  // The batch joins the segment, which is written first when it is full.
  void lisaa(Era e, bool keskenJakso) {
    const std::string avain = nimea(nimeaja_, e, a_);
    std::string perus = nimeaja_.alku() + '\x01' + nimeaja_.loppu();
    auto r = ryhmaNimella_.find(perus);
    const std::uint64_t koko = e.loppu - e.alku;
    if (!keskenJakso && !jakso_.empty() &&
        ((r == ryhmaNimella_.end() && ryhmat_.size() >= tiedostoja_) ||
         jaksonTavut_ + koko > tavuja_)) {
      kirjoita();
      r = ryhmaNimella_.end();
    }
    if (r == ryhmaNimella_.end()) {
      Ryhma g;
      g.alku = nimeaja_.alku();
      g.loppu = nimeaja_.loppu();
      r = ryhmaNimella_.emplace(std::move(perus), ryhmat_.size()).first;
      ryhmat_.push_back(std::move(g));
    }
    Ryhma& g = ryhmat_[r->second];
    g.erat.push_back(jakso_.size());
    bool tyhja = true;
    for (char c : avain) tyhja = tyhja && (c == ' ' || !nimeaja_.kelpaa(c));
    if (tyhja) ++g.ilmanAvainta;
    jaksonTavut_ += koko;
    jakso_.push_back(std::move(e));
  }

  // The segment gathered: its files decided and declared, its batches written and flushed.
  void kirjoita() {
    varatut_.clear();
    for (Ryhma& g : ryhmat_) ratkaise(g);
    if (kirja_) {
      KirjanOsa k;
      k.siirretty = true;
      // From where the last one ended: the journal's segments follow each other, and batches
      // passed over before this one's first are its own.
      k.kohta = jaksonAlku_;
      k.loppu = jakso_.back().loppu;
      for (const Ryhma& g : ryhmat_) k.tiedostot.push_back({g.nimi, g.pituus, 0, {}});
      kirja_->kirjaa(k);
    }
    jaksonAlku_ = jakso_.back().loppu;
    kirjoitaRyhmat();
  }

  // The cut-off segment: its files are the record's, in the order their batches first come.
  void viimeistele(const KirjanOsa& k) {
    if (k.tiedostot.size() != ryhmat_.size()) eiVastaa(arkisto_, "jakson tiedostot");
    std::unordered_set<std::string> nahdyt;
    for (std::size_t i = 0; i < ryhmat_.size(); ++i) {
      Ryhma& g = ryhmat_[i];
      const KirjanOsa::Tiedosto& f = k.tiedostot[i];
      if (!ryhmanNimi(g, f.nimi) || f.ohitetaan != 0 || !f.tila.empty() ||
          !nahdyt.insert(f.nimi).second)
        eiVastaa(arkisto_, "jakson tiedostot");
      g.nimi = f.nimi;
      g.pituus = f.pituus;
      const std::string polku = kohde_ + g.nimi;
      const std::uint64_t nyt = alusta::pituusJosOn(polku).value_or(0);
      if (nyt < g.pituus)
        throw euro::Virhe(
            euro::virhenro::kayttovirhe,
            ansi("Yritystiedosto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa: ") +
                polku);
      g.olemassa = nyt - g.pituus;
      vertaa(g);
    }
    kirjoitaRyhmat();
  }

  // What a cut-off run left after the declared length is the beginning of what the segment
  // gives the file; anything else there is not this split's, and nothing is touched.
  void vertaa(const Ryhma& g) {
    if (g.olemassa == 0) return;
    const std::string polku = kohde_ + g.nimi;
    alusta::Tiedosto f(polku, alusta::Tila::lue);
    std::uint64_t verrattu = 0;
    std::string b;
    for (std::size_t i : g.erat) {
      const Era& e = jakso_[i];
      for (std::uint64_t p = e.alku; p < e.loppu && verrattu < g.olemassa;) {
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>({puskuri_.size(), e.loppu - p, g.olemassa - verrattu}));
        lueKohdasta(*arkisto_t_, p, puskuri_.data(), n);
        b.resize(n);
        lueKohdasta(f, g.pituus + verrattu, b.data(), n);
        if (std::memcmp(b.data(), puskuri_.data(), n) != 0)
          throw euro::Virhe(
              euro::virhenro::kayttovirhe,
              ansi("Yritystiedostossa on keskeytyneen paloittelun kohdalla muuta: ") + polku);
        p += n;
        verrattu += n;
      }
    }
    if (verrattu < g.olemassa)
      throw euro::Virhe(
          euro::virhenro::kayttovirhe,
          ansi("Yritystiedostossa on keskeytyneen paloittelun jälkeen muuta: ") + polku);
  }

  // The first of the name, name-2, ... that no other group of the segment took and that is
  // missing, empty, or holds reference payments: never another format's statements, a link
  // or a device.
  void ratkaise(Ryhma& g) {
    for (int n = 1;; ++n) {
      const std::optional<std::string> nimi = numeroituNimi(g.alku, g.loppu, n);
      if (!nimi || n > numerojaEnintaan)
        throw euro::Virhe(euro::virhenro::virheellinenNimi,
                          ansi("Tiedostonimi ei kelpaa: ") + kohde_ + g.alku +
                              (n > 1 ? "-" + std::to_string(n) : "") + g.loppu);
      if (varatut_.count(*nimi) || !kelpaa(*nimi)) continue;
      g.nimi = *nimi;
      g.pituus = alusta::pituusJosOn(kohde_ + g.nimi).value_or(0);
      varatut_.insert(g.nimi);
      if (n > 1 && y_.huomautukset.size() < Yhteenveto::tiedostoraja &&
          huomautetut_.insert(g.nimi).second)
        y_.huomautukset.push_back(
            kohde_ + g.alku + g.loppu +
            ansi(" ei ole viitesiirtotiedosto, johon eriä voi lisätä: kirjoitettu tiedostoon ") +
            kohde_ + g.nimi);
      return;
    }
  }

  bool kelpaa(const std::string& nimi) {
    if (auto i = omat_.find(nimi); i != omat_.end()) return i->second;
    const bool k = ottaaEria(kohde_ + nimi);
    muista(nimi, k);
    return k;
  }

  void muista(const std::string& nimi, bool k) {
    if (omat_.size() >= muistettujaEnintaan) omat_.clear();
    omat_[nimi] = k;
  }

  // A group at a time, its batches in the archive's order; with olemassa, from the byte the
  // file lacks.
  void kirjoitaRyhmat() {
    std::vector<std::string> nimet;
    for (const Ryhma& g : ryhmat_) {
      alusta::Tiedosto f(kohde_ + g.nimi, alusta::Tila::lisaaOmaan);
      std::uint64_t kohta = 0, kirjoitettu = 0;
      std::int64_t eria = 0;
      for (std::size_t i : g.erat) {
        const Era& e = jakso_[i];
        if (kohta + (e.loppu - e.alku) > g.olemassa) ++eria;
        for (std::uint64_t p = e.alku; p < e.loppu;) {
          const std::size_t n =
              static_cast<std::size_t>(std::min<std::uint64_t>(puskuri_.size(), e.loppu - p));
          const std::size_t ohi =
              kohta >= g.olemassa
                  ? 0
                  : static_cast<std::size_t>(std::min<std::uint64_t>(n, g.olemassa - kohta));
          if (ohi < n) {
            lueKohdasta(*arkisto_t_, p + ohi, puskuri_.data(), n - ohi);
            f.kirjoita(puskuri_.data(), n - ohi);
            kirjoitettu += n - ohi;
          }
          p += n;
          kohta += n;
        }
      }
      f.sulje();
      muista(g.nimi, true);
      nimet.push_back(g.nimi);
      kerro(g, eria, kirjoitettu);
    }
    // On the disk before the journal moves past them.
    if (kirja_) alusta::tallennaTiedostot(kohdeKansio_, nimet);
    jakso_.clear();
    ryhmat_.clear();
    ryhmaNimella_.clear();
    jaksonTavut_ = 0;
  }

  void kerro(const Ryhma& g, std::int64_t eria, std::uint64_t tavuja) {
    eria_ += eria;
    y_.ilmanAvainta += g.olemassa ? 0 : g.ilmanAvainta;
    const std::string polku = kohde_ + g.nimi;
    TiedostonYhteenveto* ty = &haku_.anna(y_, polku);
    ty->eria += eria;
    ty->tavuja += static_cast<std::int64_t>(tavuja);
    if (!g.olemassa) ty->ilmanAvainta += g.ilmanAvainta;
    if (ty != &y_.muut && ty->tila == TiedostonYhteenveto::Tila::tuntematon)
      ty->tila = g.nimi.size() != g.alku.size() + g.loppu.size()
                     ? TiedostonYhteenveto::Tila::toinenNimi
                 : g.pituus == 0 ? TiedostonYhteenveto::Tila::uusi
                                 : TiedostonYhteenveto::Tila::jatkettu;
  }

  std::string arkisto_, kohde_, kohdeKansio_;
  const PaloitteluAsetukset& a_;
  const Ohitettavat& ohita_;
  Yhteenveto& y_;
  Kirjaus* kirja_;
  Nimeaja nimeaja_;
  std::size_t tiedostoja_;
  std::uint64_t tavuja_;
  std::string puskuri_;
  alusta::Tiedosto* arkisto_t_ = nullptr;
  std::vector<Era> jakso_;
  std::vector<Ryhma> ryhmat_;
  std::unordered_map<std::string, std::size_t> ryhmaNimella_;
  std::uint64_t jaksonTavut_ = 0;
  std::uint64_t jaksonAlku_ = 0;  // where the segment begins in the archive
  std::unordered_set<std::string> varatut_, huomautetut_;
  std::unordered_map<std::string, bool> omat_;
  Tiedostohaku haku_;
  std::int64_t eria_ = 0;
};

}  // namespace

void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a,
         std::uint64_t raja, const Ohitettavat& ohita, Yhteenveto& y) {
  Osittaja(polku, kohde, a, ohita, y, nullptr).aja(0, raja, nullptr);
}

std::int64_t jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                         const std::string& kohde, std::uint64_t alku, const KirjanOsa* kesken,
                         std::uint64_t raja, Yhteenveto& y) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  return Osittaja(arkisto, kohde, a, o.ohitettavat, y, &kirja).aja(alku, raja, kesken);
}

}  // namespace split::viite
