#include "split/tilikirja.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
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

struct Peruttu {};

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
          muoto.tiliotteet(polku, b, 0, [&](const Tiliote& t) {
            if (rp->seis) throw Peruttu{};
            tarkastaja(t);
            if (virhe_) std::rethrow_exception(virhe_);
            rp->eteni(t.kohta + t.pituus);
          });
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
  Jatkuvuus j;
  j.lueHistoriasta(euro::ohjelma().datahakemisto, vuosi);
  Ohitettavat ohita;
  std::string avain;
  muoto.tiliotteet(arkisto, asetuksetOtsikosta(o), 0, [&](const Tiliote& t) {
    avain.assign(o.kohde).append(t.yritys);
    if (j.arvioi(avain, t).toimitettu) ohita.lisaa(t.kohta, t.kohta + t.pituus);
  });
  return ohita;
}

std::string taysiPolku(const std::string& polku) {
  return polku.empty() || alusta::onTaysiPolku(polku) ? polku : alusta::nykyinenHakemisto() + alusta::erotin + polku;
}

Jatkuvuus& Tilikirja::jatkuvuus() {
  if (!ladattu_) {
    jatkuvuus_.lueHistoriasta(euro::ohjelma().datahakemisto, aika_.vuosi);
    ladattu_ = true;
  }
  return jatkuvuus_;
}

void Tilikirja::tarkasta(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                         const std::function<void(const Tiliote&)>& tarkastaja) {
  muoto.tiliotteet(polku, a, 0, tarkastaja);
  heitaVirhe();
}

std::function<void(const Tiliote&)> Tilikirja::tarkastaja(const Muoto& muoto, const PaloitteluAsetukset& a,
                                                          const std::string& kohde, std::int64_t& toimitettuja,
                                                          std::int64_t& huomioita) {
  kohde_ = taysiPolku(kohde);
  virhe_ = nullptr;
  const std::string& data = euro::ohjelma().datahakemisto;
  if (!data.empty()) rivit_ = std::make_unique<Varasto>(data, a.saadot.varasto);
  tekstit_.emplace(std::string(muoto.nimi()), a.tiliotetiedosto, "", kohde_, aika_);
  return [this, &toimitettuja, &huomioita](const Tiliote& t) {
    // A failure (the ledger unreadable) waits for the format's check to end: a file it refuses
    // goes aside as it would without the ledger.
    if (virhe_) return;
    try {
      tarkastaYksi(t, toimitettuja, huomioita);
    } catch (...) {
      virhe_ = std::current_exception();
    }
  };
}

void Tilikirja::tarkastaYksi(const Tiliote& t, std::int64_t& toimitettuja, std::int64_t& huomioita) {
  avain_.assign(kohde_).append(t.yritys);
  const Jatkuvuus::Arvio arvio = jatkuvuus().arvioi(avain_, t);
  if (arvio.toimitettu) {
    if (rinnalla_) rinnalla_->lukiten([&] { ohitettavat_.lisaa(t.kohta, t.kohta + t.pituus); });
    else ohitettavat_.lisaa(t.kohta, t.kohta + t.pituus);
    ++toimitettuja;
  }
  std::string lyhyt;
  for (const Jatkuvuus::Huomio& h : arvio.huomiot) {
    if (h.laji != Jatkuvuus::Laji::toimitettu) {
      lyhyt += (lyhyt.empty() ? "" : "; ") + h.lyhyt;
      ++huomioita;
    }
    if (lauseet_.size() < lauseitaEnintaan) lauseet_.push_back(h.lause);
    ++lauseita_;
  }
  loppu_ = t.kohta + t.pituus;
  if (rivit_) {
    try {
      rivit_->lisaa(tekstit_->rivi(t, arvio.toimitettu, lyhyt));
    } catch (...) {
      rivit_.reset();  // the lines are made again from the file, with the notes below
    }
  }
  if (!lyhyt.empty() && huomiot_.size() < huomioitaEnintaan) huomiot_[t.kohta] = std::move(lyhyt);
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
      rivit_->kay([&](const std::string& r) {
        // In place there is no archive to put in.
        if (sarake.empty()) k.lisaa(r);
        else k.lisaa(historia::arkistonKanssa(r, sarake));
      });
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
        const auto h = huomiot_.find(t.kohta);
        if (h != huomiot_.end()) huom = h->second;
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
  std::vector<std::string> v = std::move(lauseet_);
  if (lauseita_ > v.size())
    v.push_back(euro::ansi("... ja ") + std::to_string(lauseita_ - v.size()) +
                euro::ansi(" muuta huomautusta tiliotteista; kaikki ovat paloitteluhistoriassa."));
  lauseet_.clear();
  lauseita_ = 0;
  return v;
}

}  // namespace split
