#include "split/paloittele.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/nimi.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;
constexpr std::size_t lukupuskurinOletus = 256 * 1024;
std::size_t lukupuskuri = lukupuskurinOletus;

// Appends the batches' bytes to the current output file: pieces of the read buffer gathered
// into one write, made before the buffer is read over and before the file is closed. It
// knows the file's length at every whole line it has written, so that a failed write, or a
// failure in the middle of a line, never leaves a company's file ending inside a line.
class Kirjoittaja {
 public:
  // pituusTarvitaan: the file's length before the batch is asked for. Otherwise it is not
  // read (one system call per batch less) and a failure reckons it back from the length then.
  void avaa(const std::string& polku, bool pituusTarvitaan) {
    sulje();
    tiedosto_.avaa(polku, alusta::Tila::lisaa);
    alkuTiedossa_ = pituusTarvitaan;
    alku_ = pituusTarvitaan ? tiedosto_.pituus() : 0;
    kirjoitettu_ = 0;
    ehja_ = alku_;
  }

  // The bytes must stay where they are until tyhjenna().
  void lisaa(const char* data, std::size_t n) {
    if (n == 0) return;
    if (!jono_.empty() && jono_.back().data + jono_.back().koko == data) {
      jono_.back().koko += n;
    } else {
      if (jono_.size() == osiaEnintaan) tyhjenna();
      jono_.push_back({data, n});
    }
    jonossa_ += n;
  }

  // What has been given so far ends a line.
  void rivinLoppu() { ehjaJonossa_ = jonossa_; }

  void tyhjenna() {
    if (jono_.empty()) return;
    const std::uint64_t odotettu = alku_ + kirjoitettu_;
    const std::size_t n = jonossa_, ehja = ehjaJonossa_;
    // Emptied also after a failed write: the same bytes must not be written again.
    struct Tyhjaksi {
      Kirjoittaja& k;
      ~Tyhjaksi() {
        k.jono_.clear();
        k.jonossa_ = k.ehjaJonossa_ = 0;
      }
    } tyhjaksi{*this};
    std::uint64_t tehty = 0;
    try {
      tiedosto_.kirjoitaOsat(jono_.data(), jono_.size(), tehty);
    } catch (...) {
      kirjoitettu_ += tehty;
      katkaiseEhjaan();
      throw;
    }
    kirjoitettu_ += n;
    if (ehja > 0) ehja_ = odotettu + ehja;
  }

  void sulje() {
    if (!tiedosto_.onAuki()) return;
    tyhjenna();
    tiedosto_.sulje();
  }

  // After a failure: whole lines still waiting go out, a line left half-written is cut off,
  // and the file is closed.
  void suljeKesken() noexcept {
    if (tiedosto_.onAuki()) {
      try {
        katkaiseJono(ehjaJonossa_);
        tyhjenna();
      } catch (...) {
      }
      katkaiseEhjaan();
    }
    jono_.clear();
    jonossa_ = ehjaJonossa_ = 0;
    tiedosto_.suljeHiljaa();
  }

  std::uint64_t pituusAlussa() const { return alku_; }

 private:
  static constexpr std::size_t osiaEnintaan = 512;

  // Cuts off what this file got past its last whole line. With the length at opening known,
  // only when the length shows nothing but this run's bytes since; without it, whatever
  // lies past the last whole line is taken for this run's own bytes.
  void katkaiseEhjaan() noexcept {
    if (alku_ + kirjoitettu_ == ehja_) return;
    if (alkuTiedossa_) {
      tiedosto_.katkaiseJos(alku_ + kirjoitettu_, ehja_);
    } else {
      try {
        const std::uint64_t nyt = tiedosto_.pituus();
        const std::uint64_t omat = kirjoitettu_ - ehja_;
        if (nyt >= kirjoitettu_) tiedosto_.katkaiseJos(nyt, nyt - omat);
      } catch (...) {
      }
    }
    // Tried once: a second try must not cut again.
    kirjoitettu_ = ehja_ - alku_;
  }

  void katkaiseJono(std::size_t n) {
    while (jonossa_ > n) {
      alusta::Osa& o = jono_.back();
      const std::size_t pois = std::min(o.koko, jonossa_ - n);
      o.koko -= pois;
      jonossa_ -= pois;
      if (o.koko == 0) jono_.pop_back();
    }
  }

  alusta::Tiedosto tiedosto_;
  std::vector<alusta::Osa> jono_;
  std::size_t jonossa_ = 0;
  std::size_t ehjaJonossa_ = 0;  // the waiting bytes up to the end of the last whole line
  std::uint64_t alku_ = 0;         // the file's length when opened
  std::uint64_t kirjoitettu_ = 0;  // written since
  std::uint64_t ehja_ = 0;         // the file's length after the last whole line written
  bool alkuTiedossa_ = false;      // alku_ was read; otherwise the lengths count from 0
};

// The summary's files by path: hashes in a small open-addressing table, which stays in the
// cache while tens of thousands of batches go by.
class Tiedostohaku {
 public:
  static constexpr std::size_t eiLoydy = static_cast<std::size_t>(-1);

  // The file's index in tiedostot, or eiLoydy; remembers where a new one would go.
  std::size_t hae(const std::vector<TiedostonYhteenveto>& tiedostot, const std::string& polku) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : polku) h = (h ^ c) * 1099511628211ull;
    h |= 1;  // 0 marks a free place
    std::size_t i = h & (koko - 1);
    while (tiivisteet_[i] != 0) {
      if (tiivisteet_[i] == h && tiedostot[indeksit_[i]].polku == polku) return indeksit_[i];
      i = (i + 1) & (koko - 1);
    }
    vapaa_ = i;
    tiiviste_ = h;
    return eiLoydy;
  }
  // Puts the path last looked for, and not found, at index i.
  void lisaa(std::size_t i) {
    tiivisteet_[vapaa_] = tiiviste_;
    indeksit_[vapaa_] = static_cast<std::uint32_t>(i);
  }

 private:
  static constexpr std::size_t koko = 4096;  // over twice the files the summary keeps
  static_assert(koko > 2 * Yhteenveto::tiedostoraja);
  std::vector<std::uint64_t> tiivisteet_ = std::vector<std::uint64_t>(koko);
  std::vector<std::uint32_t> indeksit_ = std::vector<std::uint32_t>(koko);
  std::size_t vapaa_ = 0;
  std::uint64_t tiiviste_ = 0;
};

const char crlf[] = "\r\n";

bool onT00(const char* d, std::size_t n) { return n >= 3 && d[0] == 'T' && d[1] == '0' && d[2] == '0'; }

const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";

}  // namespace

void asetaLukupuskurinKoko(std::size_t koko) { lukupuskuri = koko ? koko : lukupuskurinOletus; }

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello) {
  using euro::ansi;
  PaloitteluTulos tulos;
  alusta::Tiedosto syote;
  Kirjoittaja tuloste;
  try {
    std::string polku = a.txtPaloiteltavaTiedosto;
    if (!euro::fe_OnkoTiedosto(polku)) {
      euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok);
      return tulos;
    }
    if (polku.find(std::string(2, sep)) != std::string::npos) {
      euro::viesti(ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + polku +
                       ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                   "", euro::tyyli::ok);
      return tulos;
    }

    std::string kohde;
    if (euro::trimmaa(a.txtTallennusHakemisto).empty()) {
      kohde = euro::fe_PaljasHakemisto(polku) + sep;
    } else {
      kohde = a.txtTallennusHakemisto;
      if (kohde.empty() || kohde.back() != sep) kohde += sep;
      if (!euro::fe_OnkoHakemisto(kohde)) {
        int v = euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei löydy, luodaanko se? "),
                             "LUODAANKO HAKEMISTO", euro::tyyli::kyllaEiKysymys);
        if (v != euro::vastaus::kylla) {
          euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei tehty"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
        if (!euro::fe_LuoHakemisto(kohde)) {
          euro::viesti(ansi("Hakemiston ") + kohde + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
      }
    }
    tulos.kohdehakemisto = kohde;

    if (a.chkAikaleimaaPaloiteltava) {
      std::string arkistonimi = aikaleima(kello()) + euro::fe_PaljasTiedosto(polku);
      std::string arkisto = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
      if (!euro::fe_OnkoHakemisto(arkisto)) {
        std::string luotava = arkisto;
        if (!euro::fe_LuoHakemisto(luotava)) {
          euro::viesti(ansi("Hakemiston ") + arkisto + ansi(" luominen ei onnistunut"),
                       otsikkoEiLuoda, euro::tyyli::ok);
          return tulos;
        }
      }
      std::string uusi = arkisto + sep + arkistonimi;
      alusta::nimeaUudelleen(polku, uusi);
      polku = uusi;
      tulos.yhteenveto.arkistoitu = uusi;
    }

    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    tulos.kohdehakemisto = kohde;

    std::int32_t posAlku = 0, posLoppu = 0;
    asetapos(a, posAlku, posLoppu);

    syote.avaa(polku, alusta::Tila::lue);
    euro::RiviVirta virta([&](char* b, std::size_t n) { return syote.lue(b, n); }, lukupuskuri,
                          euro::Rivisaanto::tiliote);
    NimenMuodostaja nimet(a, posAlku, posLoppu);
    const std::size_t tarve = nimet.tarve();
    Tiedostohaku haku;
    TiedostonYhteenveto* nykyinen = nullptr;
    std::string kohdepolku;

    // A T00 line opens its company's file: the name reads only the line's first bytes.
    auto aloitaEra = [&](std::string_view paa) {
      const std::string& nimi = nimet.nimi(paa);
      kohdepolku.assign(kohde).append(nimi);
      if (alusta::onLaitenimi(nimi) || alusta::vaihtaaNimen(nimi))
        euro::heitaVirhe(euro::virhenro::virheellinenNimi, kohdepolku);
      tuloste.avaa(kohdepolku, false);
      auto& y = tulos.yhteenveto;
      const std::size_t i = haku.hae(y.tiedostot, kohdepolku);
      if (i != Tiedostohaku::eiLoydy) {
        nykyinen = &y.tiedostot[i];
      } else if (y.tiedostot.size() < Yhteenveto::tiedostoraja) {
        haku.lisaa(y.tiedostot.size());
        y.tiedostot.push_back({kohdepolku, 0, 0});
        nykyinen = &y.tiedostot.back();
      } else {
        nykyinen = &y.muut;
      }
      ++nykyinen->eria;
    };

    // Lines pass from the read buffer to the output in pieces. Only the beginning of a line
    // whose first piece is too short to tell whether it is a T00 line, or to name its file,
    // is copied aside (paa), and no further than the name reads.
    std::string paa;
    bool kerataan = false;
    euro::Pala p;
    while (virta.seuraava(p)) {
      const char* d = p.data;
      std::size_t n = p.koko;
      if (p.alkaa) {
        if (n >= 3 && !onT00(d, n)) {
          // an ordinary line
        } else if (n >= tarve || p.loppu != euro::Loppu::jatkuu) {
          if (onT00(d, n)) aloitaEra(std::string_view(d, std::min(n, tarve)));
        } else {
          paa.assign(d, n);
          kerataan = true;
          n = 0;
        }
      } else if (kerataan) {
        const std::size_t m = std::min(n, tarve - paa.size());
        paa.append(d, m);
        d += m;
        n -= m;
      }
      if (kerataan) {
        const bool t00 = onT00(paa.data(), paa.size());
        if ((paa.size() >= 3 && !t00) || paa.size() >= tarve || p.loppu != euro::Loppu::jatkuu) {
          kerataan = false;
          if (t00) aloitaEra(paa);
          if (nykyinen) {
            tuloste.lisaa(paa.data(), paa.size());
            tuloste.tyhjenna();  // paa is used again for the next line
          }
        } else {
          if (p.puskuriLoppui) tuloste.tyhjenna();
          continue;
        }
      }
      if (nykyinen) {
        if (p.loppu == euro::Loppu::crlf) {
          tuloste.lisaa(d, n + 2);
        } else {
          tuloste.lisaa(d, n);
          if (p.loppu == euro::Loppu::muu) tuloste.lisaa(crlf, 2);
        }
        if (p.loppu != euro::Loppu::jatkuu) {
          tuloste.rivinLoppu();
          ++nykyinen->riveja;
        }
      } else if (p.loppu != euro::Loppu::jatkuu) {
        ++tulos.yhteenveto.ohitetutRivit;
      }
      if (p.puskuriLoppui) tuloste.tyhjenna();
    }
    tuloste.sulje();
    syote.sulje();
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    // Whole lines already read still go out, as they would have line by line.
    tuloste.suljeKesken();
    syote.suljeHiljaa();
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace split
