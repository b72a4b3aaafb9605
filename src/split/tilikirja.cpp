#include "split/tilikirja.h"

#include <algorithm>
#include <exception>
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

}  // namespace

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
    ohitettavat_.lisaa(t.kohta, t.kohta + t.pituus);
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
