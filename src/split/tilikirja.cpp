#include "split/tilikirja.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "euro/ohjelma.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/historia.h"
#include "split/muoto.h"

namespace split {

namespace {

// The office is told of every statement: each sentence up to a bound, then how many more, all of
// them in the history; the notes for the ledger's lines are bounded too (past it the lines go
// without them, the sentences are told).
constexpr std::size_t lauseitaEnintaan = 100;
constexpr std::size_t huomioitaEnintaan = 10000;
// The parts whose ledger lines are kept and merged, each with a buffer of its own when written.
constexpr std::size_t osiaEnintaan = 64;
constexpr std::size_t osanAvain = 16;

struct Peruttu {};
// The first pass found more series than their memory's bound: it stops, and the parts follow.
struct Osiin {};
struct Taynna {};

template <class K>
void rajattuna(std::map<K, std::string>& m, const K& k, std::string s, std::size_t raja) {
  if (m.size() >= raja && !(k < m.rbegin()->first)) return;
  m.emplace(k, std::move(s));
  if (m.size() > raja) m.erase(std::prev(m.end()));
}

// Each statement of the walk (kay) judged against the ledger, a part of the series at a time:
// 2^bitit parts by the first bits of their keys, twice as many from a part whose series do
// not fit in raja bytes. anna gets a part's statements; valmis(true) ends a part that fitted,
// valmis(false) one whose statements anna must forget.
void osissa(const std::string& data, int vuosi, std::size_t raja, unsigned bitit, const std::string& kohde,
            const std::function<void(const std::function<void(const Tiliote&)>&)>& kay,
            const std::function<void(const Tiliote&, const Jatkuvuus::Arvio&)>& anna,
            const std::function<void(bool)>& valmis) {
  std::string avain;
  const unsigned alku = bitit;
  for (std::uint64_t osa = 0; osa < (std::uint64_t{1} << bitit);) {
    Jatkuvuus j;
    // A part of one key's series always fits: so far down, the bound goes.
    j.rajaa(bitit, osa, bitit < 32 ? raja : 0);
    j.lueHistoriasta(data, vuosi);
    bool mahtui = !j.vajaa();
    if (mahtui) {
      try {
        kay([&](const Tiliote& t) {
          avain.assign(kohde).append(t.yritys);
          const Jatkuvuus::Arvio a = j.arvioi(avain, t);
          if (j.vajaa()) throw Taynna{};
          if (!a.muualla) anna(t, a);
        });
      } catch (const Taynna&) {
        mahtui = false;
      }
    }
    valmis(mahtui);
    if (!mahtui) {
      ++bitit;
      osa *= 2;
      continue;
    }
    ++osa;
    // Past a part that took little, the next ones are as large as they were before it.
    while (bitit > alku && osa % 2 == 0 && j.tavuja() <= raja / 4) {
      --bitit;
      osa /= 2;
    }
  }
}

}  // namespace

// What the split asks of the check beside it: the ranges found, once the check has passed the
// unit asked for. The check's progress and its ranges change under one lock.
class Tilikirja::Rinnalla : public Ohitettavat::Kasvava {
 public:
  explicit Rinnalla(const Ohitettavat& o) : o_(o) {}

  bool sisaltaa(std::uint64_t kohta) const override {
    std::unique_lock<std::mutex> l(m_);
    if (ohi_ <= kohta && !loppui_) {
      odottaa_ = true;
      cv_.wait(l, [&] { return ohi_ > kohta || loppui_; });
      odottaa_ = false;
    }
    // Stopped short of the unit: the split stops with the check's failure.
    if (ohi_ <= kohta && syy_) std::rethrow_exception(syy_);
    return o_.sisaltaa(kohta);
  }
  Ohitettavat valilla(std::uint64_t alku, std::uint64_t loppu) const override {
    if (alku < loppu) sisaltaa(loppu - 1);
    std::lock_guard<std::mutex> l(m_);
    return o_.valilla(alku, loppu);
  }
  template <class F>
  void lukiten(const F& f) {
    std::lock_guard<std::mutex> l(m_);
    f();
  }
  // Every unit that begins before kohta is decided.
  void eteni(std::uint64_t kohta) {
    bool herata = false;
    {
      std::lock_guard<std::mutex> l(m_);
      ohi_ = kohta;
      herata = odottaa_;
    }
    if (herata) cv_.notify_one();
  }
  void loppui(std::exception_ptr syy) {
    {
      std::lock_guard<std::mutex> l(m_);
      loppui_ = true;
      syy_ = std::move(syy);
    }
    cv_.notify_one();
  }
  std::exception_ptr syy() const { return syy_; }  // once the thread has ended

  std::atomic<bool> seis{false};
  std::thread saie;
  const Ohitettavat nakyma{this};

 private:
  const Ohitettavat& o_;
  mutable std::mutex m_;
  mutable std::condition_variable cv_;
  mutable bool odottaa_ = false;
  std::uint64_t ohi_ = 0;
  bool loppui_ = false;
  std::exception_ptr syy_;
};

template <class F>
void Tilikirja::ohitettaviin(const F& f) {
  if (rinnalla_) rinnalla_->lukiten([&] { f(ohitettavat_); });
  else f(ohitettavat_);
}

Tilikirja::Tilikirja(const alusta::Aika& aika) : aika_(aika) {}
Tilikirja::~Tilikirja() { peruTarkastus(); }

const Ohitettavat& Tilikirja::ohitettavat() const { return rinnalla_ ? rinnalla_->nakyma : ohitettavat_; }

void Tilikirja::tarkastaRinnalla(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                                 const std::function<void(const Tiliote&)>& tarkastaja) {
  if (!alusta::koukkuAsetettu()) {
    auto r = std::make_unique<Rinnalla>(ohitettavat_);
    Rinnalla* rp = r.get();
    rinnalla_ = std::move(r);
    // Its reads are smaller than the split's: its buffer is live beside the split's, at the peak.
    PaloitteluAsetukset b = a;
    if (!b.saadot.puskuri) b.saadot.puskuri = 64 * 1024;
    try {
      rp->saie = std::thread([this, rp, &muoto, b, polku, tarkastaja] {
        std::exception_ptr syy;
        try {
          try {
            muoto.tiliotteet(polku, b, 0, [&](const Tiliote& t) {
              if (rp->seis) throw Peruttu{};
              tarkastaja(t);
              if (virhe_) std::rethrow_exception(virhe_);
              if (osissa_) throw Osiin{};
              rp->eteni(t.kohta + t.pituus);
            });
          } catch (const Osiin&) {
          }
          // The split waits from here on until every part is done.
          if (osissa_) tarkastaOsissa(muoto, b, polku, &rp->seis);
        } catch (...) {
          syy = std::current_exception();
        }
        rp->loppui(std::move(syy));
      });
      return;
    } catch (const std::system_error&) {
      rinnalla_.reset();  // no thread to be had: the check goes first
    }
  }
  tarkasta(muoto, a, polku, tarkastaja);
}

std::exception_ptr Tilikirja::paataTarkastus() noexcept {
  if (!rinnalla_) return nullptr;
  rinnalla_->saie.join();
  std::exception_ptr syy = rinnalla_->syy();
  rinnalla_.reset();
  virhe_ = nullptr;
  return syy;
}

void Tilikirja::odotaTarkastus() {
  if (const std::exception_ptr syy = paataTarkastus()) std::rethrow_exception(syy);
}

void Tilikirja::peruTarkastus() noexcept {
  if (rinnalla_) rinnalla_->seis = true;
  paataTarkastus();
}

Ohitettavat tarkastaUudelleen(const Muoto& muoto, const KirjanOtsikko& o, const std::string& arkisto) {
  // The ledger as that run read it: from the year before its own, which the archive's name
  // begins with.
  int vuosi = 0;
  for (std::size_t i = 0; i < 4 && i < o.arkisto.size() && o.arkisto[i] >= '0' && o.arkisto[i] <= '9'; ++i)
    vuosi = vuosi * 10 + (o.arkisto[i] - '0');
  if (vuosi < 1000) vuosi = alusta::paikallinenAika().vuosi;
  const PaloitteluAsetukset a = asetuksetOtsikosta(o);
  Ohitettavat ohita, osan;
  osissa(
      euro::ohjelma().datahakemisto, vuosi, a.saadot.sarjat ? a.saadot.sarjat : muoto.sarjoilleMuistia(), 0, o.kohde,
      [&](const std::function<void(const Tiliote&)>& f) { muoto.tiliotteet(arkisto, a, 0, f); },
      [&](const Tiliote& t, const Jatkuvuus::Arvio& arvio) {
        if (arvio.toimitettu) osan.lisaa(t.kohta, t.kohta + t.pituus);
      },
      [&](bool mahtui) {
        if (mahtui) ohita.yhdista(osan);
        osan = Ohitettavat();
      });
  return ohita;
}

std::string taysiPolku(const std::string& polku) {
  return polku.empty() || alusta::onTaysiPolku(polku) ? polku : alusta::nykyinenHakemisto() + alusta::erotin + polku;
}

Jatkuvuus& Tilikirja::jatkuvuus() {
  if (!ladattu_) {
    jatkuvuus_.rajaa(0, 0, sarjoilleMuistia_ ? sarjoilleMuistia_ : Muoto::sarjoilleMuistiaOletus);
    jatkuvuus_.lueHistoriasta(euro::ohjelma().datahakemisto, aika_.vuosi);
    historiaa_ = jatkuvuus_.vajaa() ? ~std::size_t{0} : jatkuvuus_.tavuja();
    ladattu_ = true;
  }
  return jatkuvuus_;
}

void Tilikirja::tarkasta(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                         const std::function<void(const Tiliote&)>& tarkastaja) {
  try {
    muoto.tiliotteet(polku, a, 0, [&](const Tiliote& t) {
      tarkastaja(t);
      if (osissa_) throw Osiin{};
    });
  } catch (const Osiin&) {
  }
  tarkastaLoppuun(muoto, a, polku);
}

void Tilikirja::tarkastaLoppuun(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                                std::size_t lisaa) {
  heitaVirhe();
  // A bound the tests set is kept as it is.
  if (osissa_) tarkastaOsissa(muoto, a, polku, nullptr, a.saadot.sarjat ? 0 : lisaa);
}

void Tilikirja::tarkastaOsissa(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                               const std::atomic<bool>* seis, std::size_t lisaa) {
  // From the file's start again: what the first pass found is found again (a statement's
  // verdict depends on its own series alone), and counted once.
  *toimitettuja_ -= l_.toimitettuja;
  *huomioita_ -= l_.huomioita;
  l_ = Loydetyt();
  // The ledger's lines are made again too, a run for each part, merged into the file's order
  // when written; past the bound of runs, from the file again with the notes kept.
  if (rivit_) rivit_->tyhjenna();
  osienRajat_.assign(1, 0);
  Loydetyt osan;
  // The series grow with the file: as many parts at first as the whole would need, with room.
  const std::size_t raja = sarjoilleMuistia_ + lisaa;
  unsigned bitit = lisaa > 0 ? 0 : 1;
  const std::optional<std::uint64_t> koko = alusta::pituusJosOn(polku);
  // The ledger's series and the file's, each at the rate the first pass saw. Where the
  // ledger's alone went past the bound, nothing tells the file's rate: the parts start at two
  // and halve where they do not fit, as an estimate from the file's first statement would ask
  // for tens of thousands of walks of the whole file.
  if (ylivuoto_ > 0 && koko && historiaa_ < sarjoilleMuistia_) {
    const double historia = static_cast<double>(historiaa_);
    const double kaikki = historia + (static_cast<double>(sarjoilleMuistia_) - historia) *
                                         static_cast<double>(*koko) / static_cast<double>(ylivuoto_);
    const double tarve = 1.25 * kaikki / static_cast<double>(raja);
    while (bitit < 16 && static_cast<double>(std::uint64_t{1} << bitit) < tarve) ++bitit;
  }
  osissa(
      euro::ohjelma().datahakemisto, aika_.vuosi, raja, bitit, kohde_,
      [&](const std::function<void(const Tiliote&)>& f) {
        muoto.tiliotteet(polku, a, 0, [&](const Tiliote& t) {
          if (seis && *seis) throw Peruttu{};
          loppu_ = std::max(loppu_, t.kohta + t.pituus);
          f(t);
        });
      },
      [&](const Tiliote& t, const Jatkuvuus::Arvio& arvio) { kirjaaArvio(t, arvio, osan, true); },
      [&](bool mahtui) {
        if (mahtui) {
          *toimitettuja_ += osan.toimitettuja;
          *huomioita_ += osan.huomioita;
          ohitettaviin([&](Ohitettavat& o) { o.yhdista(osan.ohita); });
          l_.lisaa(std::move(osan));
        }
        osan = Loydetyt();
        if (!rivit_) return;
        try {
          if (!mahtui) rivit_->palaa(osienRajat_.back());
          else if (rivit_->koko() == osienRajat_.back()) return;  // a part without statements
          else if (osienRajat_.size() <= osiaEnintaan) osienRajat_.push_back(rivit_->koko());
          else rivit_.reset();
        } catch (...) {
          rivit_.reset();
        }
      });
}

void Tilikirja::Loydetyt::lisaa(Loydetyt&& o) {
  toimitettuja += o.toimitettuja;
  huomioita += o.huomioita;
  for (auto& [k, v] : o.lauseet) rajattuna(lauseet, k, std::move(v), lauseitaEnintaan);
  lauseita += o.lauseita;
  for (auto& [k, v] : o.huomiot) rajattuna(huomiot, k, std::move(v), huomioitaEnintaan);
}

std::function<void(const Tiliote&)> Tilikirja::tarkastaja(const Muoto& muoto, const PaloitteluAsetukset& a,
                                                          const std::string& kohde, std::int64_t& toimitettuja,
                                                          std::int64_t& huomioita) {
  kohde_ = taysiPolku(kohde);
  virhe_ = nullptr;
  toimitettuja_ = &toimitettuja;
  huomioita_ = &huomioita;
  sarjoilleMuistia_ = a.saadot.sarjat ? a.saadot.sarjat : muoto.sarjoilleMuistia();
  osissa_ = false;
  ylivuoto_ = 0;
  if (ladattu_) jatkuvuus_.rajaa(0, 0, sarjoilleMuistia_);
  const std::string& data = euro::ohjelma().datahakemisto;
  osienRajat_.clear();
  if (!data.empty()) rivit_ = std::make_unique<Varasto>(data, a.saadot.varasto);
  tekstit_.emplace(std::string(muoto.nimi()), a.tiliotetiedosto, "", kohde_, aika_);
  return [this](const Tiliote& t) {
    // A failure (the ledger unreadable) waits for the format's check to end: a file it refuses
    // goes aside as it would without the ledger.
    if (virhe_ || osissa_) return;
    try {
      tarkastaYksi(t);
    } catch (...) {
      virhe_ = std::current_exception();
    }
  };
}

void Tilikirja::tarkastaYksi(const Tiliote& t) {
  loppu_ = t.kohta + t.pituus;
  Jatkuvuus& j = jatkuvuus();
  if (!j.vajaa()) {
    avain_.assign(kohde_).append(t.yritys);
    const Jatkuvuus::Arvio arvio = j.arvioi(avain_, t);
    if (!j.vajaa()) {
      const std::int64_t toimitettuja = l_.toimitettuja, huomioita = l_.huomioita;
      kirjaaArvio(t, arvio, l_, false);
      *toimitettuja_ += l_.toimitettuja - toimitettuja;
      *huomioita_ += l_.huomioita - huomioita;
      return;
    }
  }
  osissa_ = true;
  ylivuoto_ = t.kohta + t.pituus;  // the file's bytes whose series the bound held
}

void Tilikirja::kirjaaArvio(const Tiliote& t, const Jatkuvuus::Arvio& arvio, Loydetyt& l, bool osa) {
  if (arvio.toimitettu) {
    if (osa) l.ohita.lisaa(t.kohta, t.kohta + t.pituus);
    else ohitettaviin([&](Ohitettavat& o) { o.lisaa(t.kohta, t.kohta + t.pituus); });
    ++l.toimitettuja;
  }
  std::string lyhyt;
  std::size_t i = 0;
  for (const Jatkuvuus::Huomio& h : arvio.huomiot) {
    if (h.laji != Jatkuvuus::Laji::toimitettu) {
      lyhyt += (lyhyt.empty() ? "" : "; ") + h.lyhyt;
      ++l.huomioita;
    }
    rajattuna(l.lauseet, std::pair(t.kohta, i++), h.lause, lauseitaEnintaan);
    ++l.lauseita;
  }
  if (rivit_) {
    try {
      if (osa) {
        // Keyed by the statement's place: 16 hex digits, whose order is the numbers'.
        char avain[osanAvain + 1];
        std::snprintf(avain, sizeof avain, "%016llx", static_cast<unsigned long long>(t.kohta));
        osanRivi_.assign(avain, osanAvain).append(tekstit_->rivi(t, arvio.toimitettu, lyhyt));
        rivit_->lisaa(osanRivi_);
      } else {
        rivit_->lisaa(tekstit_->rivi(t, arvio.toimitettu, lyhyt));
      }
    } catch (...) {
      rivit_.reset();  // the lines are made again from the file, with the notes below
    }
  }
  if (!lyhyt.empty()) rajattuna(l.huomiot, t.kohta, std::move(lyhyt), huomioitaEnintaan);
}

void Tilikirja::kirjaa(const Muoto& m, const PaloitteluAsetukset& a, const std::string& tiedosto,
                       const std::string& arkisto, const std::string& kohde, const Ohitettavat& ohita,
                       std::uint64_t alku, bool oma) {
  const std::string& data = euro::ohjelma().datahakemisto;
  if (data.empty() || epaonnistui_) return;
  try {
    Jatkuvuus& j = jatkuvuus();
    const std::string sarake = taysiPolku(arkisto);
    const std::uint64_t jo = sarake.empty() ? alku : std::max(alku, j.kirjattu(sarake));
    const std::string nimi(m.nimi());
    historia::Kirjoittaja k(data, aika_);
    if (oma && rivit_) {
      auto lisaa = [&](const std::string& r) {
        // In place there is no archive to put in.
        if (sarake.empty()) k.lisaa(r);
        else k.lisaa(historia::arkistonKanssa(r, sarake));
      };
      if (osienRajat_.empty()) {
        rivit_->kay(lisaa);
      } else {
        std::string rivi;
        rivit_->kayLomittain(osienRajat_, osanAvain, [&](const std::string& r) {
          rivi.assign(r, osanAvain);
          lisaa(rivi);
        });
      }
      osienRajat_.clear();
      rivit_.reset();
      if (!sarake.empty() && loppu_ > 0) j.kirjattiin(sarake, loppu_);
      k.sulje(true);
      return;
    }
    historia::TilioteRivit tekstit(nimi, oma ? a.tiliotetiedosto : std::string(), sarake, kohde, aika_);
    m.tiliotteet(tiedosto, a, alku, [&](const Tiliote& t) {
      if (t.kohta < jo || (oma && t.kohta + t.pituus > loppu_)) return;
      const bool ohi = ohita.sisaltaa(t.kohta);
      std::string huom;
      if (oma) {
        const auto h = l_.huomiot.find(t.kohta);
        if (h != l_.huomiot.end()) huom = h->second;
      } else if (!ohi) {
        j.tunnettu(kohde + t.yritys, t);
      }
      k.lisaa(tekstit.rivi(t, ohi, huom));
      if (!sarake.empty()) j.kirjattiin(sarake, t.kohta + t.pituus);
    });
    k.sulje(true);
  } catch (...) {
    historia::kerroKirjoitusvirhe();
    epaonnistui_ = true;
  }
}

std::vector<std::string> Tilikirja::lauseet() {
  std::vector<std::string> v;
  for (auto& [k, lause] : l_.lauseet) v.push_back(std::move(lause));
  if (l_.lauseita > v.size())
    v.push_back(euro::ansi("... ja ") + std::to_string(l_.lauseita - v.size()) +
                euro::ansi(" muuta huomautusta tiliotteista; kaikki ovat paloitteluhistoriassa."));
  l_.lauseet.clear();
  l_.lauseita = 0;
  return v;
}

}  // namespace split
