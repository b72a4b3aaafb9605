// The XML split: the file is walked once, a segment of whole documents at a time; each
// segment's statements are grouped by company document, every company file is decided (new,
// extended, or the next free "-n") and, under a journal, declared before any of it is written.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt.h"
#include "split/kesken.h"
#include "split/xml/kaynti.h"

namespace split::camt {

using namespace sisa;

namespace {

using euro::ansi;
constexpr char sep = alusta::erotin;

constexpr std::size_t jaksonTiedostotOletus = 1024;
constexpr std::uint64_t jaksonTavutOletus = 2 * 1024 * 1024;
std::size_t jaksonTiedostot = jaksonTiedostotOletus;
std::uint64_t jaksonTavut = jaksonTavutOletus;
// A segment no longer than this is read into memory once; a longer one (a single document of
// many megabytes) has each piece read where it lies.
constexpr std::uint64_t muistiinEnintaan = 4 * 1024 * 1024;
// The files this run has written, with what they end with, are remembered up to this many.
constexpr std::size_t muistettujaEnintaan = 65536;
constexpr std::size_t eiTunnusta = static_cast<std::size_t>(-1);

[[noreturn]] void eiVastaa(const std::string& arkisto, const std::string& miksi) {
  throw euro::Virhe(euro::virhenro::kayttovirhe,
                    ansi("Keskeytyneen paloittelun päiväkirja ei vastaa arkistoa (") + ansi(miksi) + "): " + arkisto);
}

void lueKohdasta(alusta::Tiedosto& t, std::uint64_t kohta, char* p, std::size_t n) {
  t.siirry(kohta);
  std::size_t m = 0;
  while (m < n) {
    const std::size_t r = t.lue(p + m, n - m);
    if (r == 0) euro::heitaVirhe(euro::virhenro::laitevirhe, t.polku());
    m += r;
  }
}

// The bytes of the statement file that a segment copies: read into memory at once when the
// segment is short, otherwise each piece read where it lies.
class Tavut {
 public:
  explicit Tavut(const std::string& polku) : t_(polku, alusta::Tila::lue) {}

  void lataa(std::uint64_t alku, std::uint64_t loppu) {
    alku_ = alku;
    muisti_.clear();
    if (loppu - alku > muistiinEnintaan) return;
    muisti_.resize(static_cast<std::size_t>(loppu - alku));
    lueKohdasta(t_, alku, muisti_.data(), muisti_.size());
  }

  // f(data, n) for the bytes [a, b), in order.
  template <class F>
  void anna(std::uint64_t a, std::uint64_t b, F&& f) {
    if (a >= alku_ && b <= alku_ + muisti_.size()) {
      if (b > a) f(muisti_.data() + (a - alku_), static_cast<std::size_t>(b - a));
      return;
    }
    while (a < b) {
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(b - a, sizeof puskuri_));
      lueKohdasta(t_, a, puskuri_, k);
      f(puskuri_, k);
      a += k;
    }
  }

  bool valkoista(std::uint64_t a, std::uint64_t b) {
    bool kylla = true;
    anna(a, b, [&](const char* p, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i)
        if (p[i] != ' ' && p[i] != '\t' && p[i] != '\r' && p[i] != '\n') kylla = false;
    });
    return kylla;
  }

  alusta::Tiedosto& tiedosto() { return t_; }

 private:
  alusta::Tiedosto t_;
  std::uint64_t alku_ = 0;
  std::string muisti_;
  char puskuri_[64 * 1024];
};

// Writes to a company file through a buffer.
class Kirjoittaja {
 public:
  void avaa(const std::string& polku, alusta::Tila tila) {
    t_.avaa(polku, tila);
    puskuri_.clear();
  }
  void kirjoita(const char* p, std::size_t n) {
    if (puskuri_.size() + n > raja) tyhjenna();
    if (n >= raja) t_.kirjoita(p, n);
    else puskuri_.append(p, n);
  }
  void sulje() {
    tyhjenna();
    t_.sulje();
  }
  // After a failure: what is not written stays unwritten; the journal's next run compares.
  void suljeKesken() noexcept {
    puskuri_.clear();
    t_.suljeHiljaa();
  }

 private:
  static constexpr std::size_t raja = 256 * 1024;
  void tyhjenna() {
    if (puskuri_.empty()) return;
    t_.kirjoita(puskuri_);
    puskuri_.clear();
  }
  alusta::Tiedosto t_;
  std::string puskuri_;
};

struct Dok {
  std::uint64_t edellinenLoppu, juuri, ensimmainen, viimeinenLoppu, loppu;
};
struct Lau {
  std::uint64_t alku, loppu, edellinen;
  std::uint32_t dok, ryhma;
};
// The statements of one company and one message form in a segment, and the file they go to.
struct Ryhma {
  std::string nimi1, alku, loppu;  // the plain name and its parts around a "-n"
  std::size_t tunnus = 0;
  std::uint32_t dok = 0;  // the document of its first statement
  std::uint32_t lausuntoja = 0;
  std::string nimi;          // the file's name
  bool uusi = true;          // a new document, or one extended
  std::uint64_t pituus = 0;  // the extended file's length before, ending with hanta
  std::string hanta;
};
// A file this run wrote or looked at: what it can take.
struct Tila {
  std::size_t tunnus = eiTunnusta;
  std::uint64_t pituus = 0;
  std::string hanta;
  bool jatkettava = false;
};

class Jakaja : public Kasittelija {
 public:
  Jakaja(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         Paivakirja* kirja, std::uint64_t alku)
      : arkisto_(arkisto), kohde_(kohde), nimet_(a), y_(y), kirja_(kirja), tavut_(arkisto), paaTiedosto_(arkisto, alusta::Tila::lue),
        paa_(paaTiedosto_), kohta_(alku) {
    paa_.asetaKoko(std::min<std::size_t>(puskurinKoko(), 4096));
    kohdeKansio_ = kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_;
  }

  // A cut-off split: the first segment is the journal's, finished from what its files hold.
  void jatkaJaksosta(const KirjanJakso& k) { kesken_ = &k; }

  void lausunto(const Asiakirja& d, const Lausunto& l) override {
    const std::string& n1 = nimet_.nimi(d, l);
    if (d.numero != tunnuksenDok_ || dokit_.size() != tunnuksenIndeksi_) {
      tunnus_ = tunnus(d.tunnus);
      tunnuksenDok_ = d.numero;
      tunnuksenIndeksi_ = dokit_.size();
    }
    avain_.assign(n1);
    avain_ += '\0';
    avain_.append(reinterpret_cast<const char*>(&tunnus_), sizeof tunnus_);
    auto [i, uusi] = haku_.try_emplace(avain_, static_cast<std::uint32_t>(ryhmat_.size()));
    if (uusi) {
      Ryhma g;
      g.nimi1 = n1;
      g.alku = nimet_.alku();
      g.loppu = nimet_.loppu();
      g.tunnus = tunnus_;
      g.dok = static_cast<std::uint32_t>(dokit_.size());
      ryhmat_.push_back(std::move(g));
    }
    ++ryhmat_[i->second].lausuntoja;
    lau_.push_back({l.alku, l.loppu, l.edellinen, static_cast<std::uint32_t>(dokit_.size()), i->second});
    tavuja_ += l.loppu - l.alku;
  }

  void asiakirjanLoppu(const Asiakirja& d) override {
    dokit_.push_back({d.edellinenLoppu, d.juuri, d.ensimmainen, d.viimeinenLoppu, d.loppu});
    if (kesken_) {
      if (d.loppu == kesken_->loppu) {
        viimeisteleJakso(*kesken_);
        kesken_ = nullptr;
      } else if (d.loppu > kesken_->loppu) {
        eiVastaa(arkisto_, "jakso ei pääty asiakirjan loppuun");
      }
      return;
    }
    if (tavuja_ >= jaksonTavut || ryhmat_.size() >= jaksonTiedostot) jaaJakso(d.loppu);
  }

  // After the walk: the last segment.
  void loppuun() {
    if (kesken_) eiVastaa(arkisto_, "arkisto on lyhyempi kuin päiväkirjassa");
    if (!dokit_.empty()) jaaJakso(dokit_.back().loppu);
  }

  void suljeKesken() noexcept { ulos_.suljeKesken(); }

  std::int64_t lausuntoja = 0;  // written by this run

 private:
  std::size_t tunnus(const std::string& t) {
    auto [i, uusi] = tunnukset_.try_emplace(t, tunnukset_.size());
    return i->second;
  }

  // The segment's company files decided, declared and written.
  void jaaJakso(std::uint64_t loppu) {
    varatut_.clear();
    for (Ryhma& g : ryhmat_) ratkaise(g);
    if (kirja_) {
      KirjanJakso j;
      j.siirretty = true;
      j.kohta = kohta_;
      j.loppu = loppu;
      j.tiedostot.reserve(ryhmat_.size());
      for (const Ryhma& g : ryhmat_) j.tiedostot.push_back({g.nimi, g.pituus, 0, g.hanta});
      kirja_->kirjaa(j);
    }
    // The closing parts go, and that is on the disk before statements take their place: a lost
    // cut under written statements would leave a document closed twice.
    std::vector<std::string> leikatut;
    for (const Ryhma& g : ryhmat_) {
      if (g.uusi) continue;
      leikkaa(g);
      leikatut.push_back(g.nimi);
    }
    if (kirja_ && !leikatut.empty()) alusta::tallennaTiedostot(kohdeKansio_, leikatut);
    kirjoita(loppu, nullptr);
  }

  // The file that takes group g's statements: the first of the name, name-2, ... that is not
  // there, or holds a document of the same message form whose closing part can be cut.
  void ratkaise(Ryhma& g) {
    for (int n = 1;; ++n) {
      const std::optional<std::string> nimi = n == 1 ? g.nimi1 : numeroituNimi(g.alku, g.loppu, n);
      if (!nimi) throw euro::Virhe(euro::virhenro::virheellinenNimi, ansi("Tiedostonimi ei kelpaa: ") + kohde_ + g.nimi1);
      if (varatut_.count(*nimi)) continue;
      const std::string polku = kohde_ + *nimi;
      const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(polku);
      if (!pituus) {
        g.nimi = *nimi;
        g.uusi = true;
        g.pituus = 0;
        g.hanta.clear();
      } else {
        auto i = tilat_.find(*nimi);
        if (i == tilat_.end() || i->second.pituus != *pituus) {
          // Not written by this run, or changed since by someone else: what it holds now.
          Tila t;
          t.pituus = *pituus;
          if (auto o = tutki(polku)) {
            t.tunnus = tunnus(o->tunnus);
            t.pituus = o->pituus;
            t.hanta = std::move(o->hanta);
            t.jatkettava = true;
          }
          muista(*nimi, std::move(t));
          i = tilat_.find(*nimi);
        }
        if (!i->second.jatkettava || i->second.tunnus != g.tunnus) continue;
        g.nimi = *nimi;
        g.uusi = false;
        g.pituus = i->second.pituus;
        g.hanta = i->second.hanta;
      }
      varatut_.insert(g.nimi);
      if (n > 1 && huomautetut_.insert(g.nimi).second && y_.huomautukset.size() < Yhteenveto::tiedostoraja)
        y_.huomautukset.push_back(kohde_ + g.nimi1 +
                                  ansi(" ei ole samanlainen tiliotesanoma, jota voisi jatkaa: kirjoitettu tiedostoon ") +
                                  kohde_ + g.nimi);
      return;
    }
  }

  void muista(const std::string& nimi, Tila t) {
    if (tilat_.size() >= muistettujaEnintaan) tilat_.clear();
    tilat_[nimi] = std::move(t);
  }

  // Cuts the closing part off an extended file, only when it is as it was decided.
  void leikkaa(const Ryhma& g) {
    const std::string polku = kohde_ + g.nimi;
    alusta::Tiedosto f(polku, alusta::Tila::muokkaa);
    const std::uint64_t kohta = g.pituus - g.hanta.size();
    f.katkaiseJos(g.pituus, kohta);
    if (f.pituus() != kohta)
      throw euro::Virhe(euro::virhenro::kayttovirhe, ansi("Yritystiedosto muuttui kesken paloittelun: ") + polku);
    f.sulje();
  }

  // The bytes group g adds to its file, in order, each statement's as one piece.
  template <class F>
  void tuota(const Ryhma& g, const std::vector<std::uint32_t>& jarjestys, std::size_t alku, F&& f) {
    const Dok& d0 = dokit_[g.dok];
    bool paanPerassa = false;
    if (g.uusi) {
      Asiakirja d;
      d.edellinenLoppu = d0.edellinenLoppu;
      d.juuri = d0.juuri;
      tavut_.anna(paanAlku(paa_, d), d0.ensimmainen, [&](const char* p, std::size_t n) { f(p, n, false); });
      paanPerassa = true;
    }
    for (std::size_t i = alku; i < alku + g.lausuntoja; ++i) {
      const Lau& l = lau_[jarjestys[i]];
      std::uint64_t a = l.alku;
      // The white space before it in the list goes with it, so the file keeps the bank's
      // layout; in a file just begun the head ends with it already.
      if (!paanPerassa && l.edellinen < l.alku && l.alku - l.edellinen <= 256 && tavut_.valkoista(l.edellinen, l.alku))
        a = l.edellinen;
      paanPerassa = false;
      tavut_.anna(a, l.loppu, [&](const char* p, std::size_t n) { f(p, n, false); });
      f(nullptr, 0, true);
    }
    if (g.uusi) {
      tavut_.anna(d0.viimeinenLoppu, hannanLoppu(paa_, d0.loppu), [&](const char* p, std::size_t n) { f(p, n, false); });
    } else {
      f(g.hanta.data(), g.hanta.size(), false);
    }
  }

  // The closing part a new file gets from its first document, when it is short enough to cut.
  std::optional<std::string> uudenHanta(const Ryhma& g) {
    const Dok& d0 = dokit_[g.dok];
    const std::uint64_t loppu = hannanLoppu(paa_, d0.loppu);
    if (loppu - d0.viimeinenLoppu > hannanRaja) return std::nullopt;
    std::string h;
    tavut_.anna(d0.viimeinenLoppu, loppu, [&](const char* p, std::size_t n) { h.append(p, n); });
    return h;
  }

  // Writes every group's bytes; with olemassa, a cut-off segment's files, each from the byte
  // that is not yet there (what is there compared first).
  void kirjoita(std::uint64_t loppu, const std::vector<std::uint64_t>* olemassa) {
    tavut_.lataa(kohta_, loppu);
    std::vector<std::uint32_t> alut(ryhmat_.size() + 1, 0);
    for (const Lau& l : lau_) ++alut[l.ryhma + 1];
    for (std::size_t i = 1; i < alut.size(); ++i) alut[i] += alut[i - 1];
    std::vector<std::uint32_t> jarjestys(lau_.size());
    {
      std::vector<std::uint32_t> seuraava(alut.begin(), alut.end() - 1);
      for (std::uint32_t i = 0; i < lau_.size(); ++i) jarjestys[seuraava[lau_[i].ryhma]++] = i;
    }
    std::vector<std::string> nimet;
    nimet.reserve(ryhmat_.size());
    for (std::size_t r = 0; r < ryhmat_.size(); ++r) {
      const Ryhma& g = ryhmat_[r];
      const std::string polku = kohde_ + g.nimi;
      std::uint64_t ohitettava = 0;  // bytes of it the file holds already
      if (olemassa) {
        ohitettava = (*olemassa)[r];
        if (ohitettava > 0) vertaa(g, jarjestys, alut[r], ohitettava);
      }
      ulos_.avaa(polku, g.uusi && !olemassa ? alusta::Tila::lisaaUusi : alusta::Tila::lisaa);
      std::uint64_t kohta = 0;
      std::int64_t lausuntoja = 0;
      tuota(g, jarjestys, alut[r], [&](const char* p, std::size_t n, bool lausunnonLoppu) {
        if (lausunnonLoppu) {
          if (kohta > ohitettava) ++lausuntoja;
          return;
        }
        if (kohta + n > ohitettava) {
          const std::size_t ohi = kohta >= ohitettava ? 0 : static_cast<std::size_t>(ohitettava - kohta);
          ulos_.kirjoita(p + ohi, n - ohi);
        }
        kohta += n;
      });
      ulos_.sulje();
      nimet.push_back(g.nimi);
      lausuntoja_(polku) += lausuntoja;
      this->lausuntoja += lausuntoja;
      // What the file ends with now, for the next segment that finds it.
      Tila t;
      t.tunnus = g.tunnus;
      t.pituus = (g.uusi ? 0 : g.pituus - g.hanta.size()) + kohta;
      if (g.uusi) {
        if (auto h = uudenHanta(g)) {
          t.hanta = std::move(*h);
          t.jatkettava = true;
        }
      } else {
        t.hanta = g.hanta;
        t.jatkettava = true;
      }
      muista(g.nimi, std::move(t));
    }
    // On the disk before the journal moves past them.
    if (kirja_) alusta::tallennaTiedostot(kohdeKansio_, nimet);
    dokit_.clear();
    lau_.clear();
    ryhmat_.clear();
    haku_.clear();
    tavuja_ = 0;
    tunnuksenIndeksi_ = static_cast<std::size_t>(-1);
    kohta_ = loppu;
  }

  // The first n bytes group g adds are what its file holds from where they begin; anything
  // else there is not this split's, and nothing is touched.
  void vertaa(const Ryhma& g, const std::vector<std::uint32_t>& jarjestys, std::size_t alku, std::uint64_t n) {
    const std::string polku = kohde_ + g.nimi;
    alusta::Tiedosto f(polku, alusta::Tila::muokkaa);
    f.siirry(g.uusi ? 0 : g.pituus - g.hanta.size());
    std::uint64_t verrattu = 0;
    std::string b;
    tuota(g, jarjestys, alku, [&](const char* p, std::size_t m, bool) {
      if (verrattu >= n || m == 0) return;
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(m, n - verrattu));
      b.resize(k);
      lueKohdasta(f, (g.uusi ? 0 : g.pituus - g.hanta.size()) + verrattu, b.data(), k);
      if (std::memcmp(b.data(), p, k) != 0)
        throw euro::Virhe(euro::virhenro::kayttovirhe,
                          ansi("Yritystiedostossa on keskeytyneen paloittelun kohdalla muuta: ") + polku);
      verrattu += k;
    });
    if (verrattu < n)
      throw euro::Virhe(euro::virhenro::kayttovirhe,
                        ansi("Yritystiedostossa on keskeytyneen paloittelun jälkeen muuta: ") + polku);
  }

  // The journal's segment, cut off: its files are the record's, checked against what this
  // segment makes of them; each is given only what it lacks.
  void viimeisteleJakso(const KirjanJakso& k) {
    if (k.kohta != kohta_) eiVastaa(arkisto_, "jakson alku");
    if (k.tiedostot.size() != ryhmat_.size()) eiVastaa(arkisto_, "jakson tiedostot eivät vastaa arkistoa");
    std::unordered_set<std::string> nahdyt;
    std::vector<std::uint64_t> olemassa(ryhmat_.size(), 0);
    std::vector<std::string> leikatut;
    for (std::size_t i = 0; i < ryhmat_.size(); ++i) {
      Ryhma& g = ryhmat_[i];
      const KirjanJakso::Tiedosto& f = k.tiedostot[i];
      if (!onRyhmanNimi(g, f.nimi) || f.ohitetaan != 0 || !nahdyt.insert(f.nimi).second ||
          (f.hanta.empty() && f.pituus != 0))
        eiVastaa(arkisto_, "jakson tiedostot eivät vastaa arkistoa");
      g.nimi = f.nimi;
      g.uusi = f.hanta.empty();
      g.pituus = f.pituus;
      g.hanta = f.hanta;
      const std::string polku = kohde_ + g.nimi;
      const std::uint64_t alku = g.uusi ? 0 : g.pituus - g.hanta.size();
      const std::uint64_t nyt = alusta::pituusJosOn(polku).value_or(0);
      if (!g.uusi && nyt == g.pituus && paattyy(polku, g.pituus, g.hanta)) {
        // The closing part was never cut.
        leikkaa(g);
        leikatut.push_back(g.nimi);
        continue;
      }
      if (nyt < alku)
        throw euro::Virhe(euro::virhenro::kayttovirhe,
                          ansi("Yritystiedosto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa: ") + polku);
      olemassa[i] = nyt - alku;
    }
    if (!leikatut.empty()) alusta::tallennaTiedostot(kohdeKansio_, leikatut);
    kirjoita(k.loppu, &olemassa);
  }

  bool onRyhmanNimi(const Ryhma& g, const std::string& nimi) const {
    if (nimi == g.nimi1) return true;
    const std::string alku = g.alku + "-";
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

  std::int64_t& lausuntoja_(const std::string& polku) {
    auto i = yhteenvedossa_.find(polku);
    if (i != yhteenvedossa_.end()) return y_.tiedostot[i->second].eria;
    if (y_.tiedostot.size() >= Yhteenveto::tiedostoraja) return y_.muut.eria;
    yhteenvedossa_.emplace(polku, y_.tiedostot.size());
    y_.tiedostot.push_back({polku, 0, 0});
    return y_.tiedostot.back().eria;
  }

  std::string arkisto_, kohde_, kohdeKansio_;
  Nimet nimet_;
  Yhteenveto& y_;
  Paivakirja* kirja_;
  Tavut tavut_;
  alusta::Tiedosto paaTiedosto_;
  Lukuikkuna paa_;  // a document's head and end
  Kirjoittaja ulos_;
  const KirjanJakso* kesken_ = nullptr;
  std::uint64_t kohta_;  // where the segment begins
  // The segment.
  std::vector<Dok> dokit_;
  std::vector<Lau> lau_;
  std::vector<Ryhma> ryhmat_;
  std::unordered_map<std::string, std::uint32_t> haku_;
  std::uint64_t tavuja_ = 0;
  std::string avain_;
  std::size_t tunnus_ = 0, tunnuksenIndeksi_ = static_cast<std::size_t>(-1);
  std::uint32_t tunnuksenDok_ = 0;
  std::unordered_set<std::string> varatut_;  // names the segment's groups took
  // The run.
  std::unordered_map<std::string, std::size_t> tunnukset_;
  std::unordered_map<std::string, Tila> tilat_;
  std::unordered_set<std::string> huomautetut_;
  std::unordered_map<std::string, std::size_t> yhteenvedossa_;
};

// Whether anything but white space, byte-order marks, comments and PIs follows kohta.
bool asiakirjojaJaljella(Lukuikkuna& w, std::uint64_t kohta) {
  for (;;) {
    const int c = w.tavu(kohta);
    if (c < 0) return false;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++kohta;
    } else if (w.on(kohta, "\xEF\xBB\xBF")) {
      kohta += 3;
    } else if (w.on(kohta, "<!--") || w.on(kohta, "<?")) {
      const std::string_view loppu = w.on(kohta, "<!--") ? "-->" : "?>";
      kohta += 2;
      while (w.tavu(kohta) >= 0 && !w.on(kohta, loppu)) ++kohta;
      kohta += loppu.size();
    } else {
      return true;
    }
  }
}

// The walk from alku (the start, or a cut-off segment's), the segments written as they end.
std::int64_t aja(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
                 Paivakirja* kirja, std::uint64_t alku, const KirjanJakso* kesken) {
  y.xml = true;
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  if (alku > 0 && !kesken) {
    // A cut-off split that ended after its last document: nothing is left.
    Lukuikkuna w(t);
    if (!asiakirjojaJaljella(w, alku)) return 0;
  }
  Jakaja jakaja(arkisto, kohde, a, y, kirja, alku);
  if (kesken) jakaja.jatkaJaksosta(*kesken);
  t.siirry(alku);
  TiedostoLahde lahde(t);
  try {
    kay(lahde, jakaja, {}, alku);
    jakaja.loppuun();
  } catch (const Hylatty& h) {
    jakaja.suljeKesken();
    throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto + ": " + h.viesti);
  } catch (...) {
    jakaja.suljeKesken();
    throw;
  }
  return jakaja.lausuntoja;
}

void vaadiAvain(const PaloitteluAsetukset& a) {
  if (!valittuAvain(a)) throw euro::Virhe(euro::virhenro::virheellinenKutsu, positiotEivatKay);
}

}  // namespace

void asetaJaksonRajat(std::size_t tiedostoja, std::uint64_t tavuja) {
  jaksonTiedostot = tiedostoja ? tiedostoja : jaksonTiedostotOletus;
  jaksonTavut = tavuja ? tavuja : jaksonTavutOletus;
}

void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         std::uint64_t tarkistettu) {
  vaadiAvain(a);
  tarkistaJosKasvoi(polku, a, tarkistettu);
  aja(polku, kohde, a, y, nullptr, 0, nullptr);
}

void jaaKirjanKanssa(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     std::uint64_t tarkistettu, Yhteenveto& y) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  vaadiAvain(a);
  tarkistaJosKasvoi(arkisto, a, tarkistettu);
  aja(arkisto, o.kohde, a, y, &kirja, 0, nullptr);
  kirja.poista();
}

std::int64_t viimeisteleKirjasta(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                 const KirjanJakso& viimeinen) {
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  vaadiAvain(a);
  Yhteenveto y;
  const std::int64_t n = viimeinen.siirretty && !viimeinen.tiedostot.empty()
                             ? aja(arkisto, o.kohde, a, y, &kirja, viimeinen.kohta, &viimeinen)
                             : aja(arkisto, o.kohde, a, y, &kirja, viimeinen.siirretty ? viimeinen.loppu : 0, nullptr);
  kirja.poista();
  return n;
}

}  // namespace split::camt
