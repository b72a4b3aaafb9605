// The TITO split's pass over a statement file, shared by the split run and the journal's
// recovery: the batches' bytes to a sink, and at every batch a say in what happens to it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/nimi.h"
#include "split/tito/nimi.h"
#include "split/paloittele.h"

namespace split::tito::jako {

// The line reader's buffer.
inline std::size_t lukupuskurinKoko(const PaloitteluAsetukset& a) {
  return a.saadot.puskuri ? a.saadot.puskuri : 256 * 1024;
}

// Appends the batches' bytes to the current output file: pieces of the read buffer gathered
// into one write, made before the buffer is read over and before the file is closed. It
// knows the file's length at every whole line it has written, so that a failed write, or a
// failure in the middle of a line, never leaves a company's file ending inside a line.
class Kirjoittaja {
 public:
  // pituus: the file's length before the batch, when the caller knows it. Otherwise it is
  // not read (one system call per batch less) and a failure reckons it back from the length
  // then.
  // uusi: the file was not there when the split looked, and so is made here; one that
  // another program made meanwhile is taken only while it is empty.
  void avaa(const std::string& polku, const std::string&, std::optional<std::uint64_t> pituus, bool uusi = false) {
    sulje();
    if (!uusi) {
      tiedosto_.avaa(polku, alusta::Tila::lisaa);
    } else {
      try {
        tiedosto_.avaa(polku, alusta::Tila::lisaaUusi);
      } catch (const euro::Virhe& v) {
        if (v.numero() != euro::virhenro::tiedostoOnJo) throw;
        tiedosto_.avaa(polku, alusta::Tila::lisaa);
        if (tiedosto_.pituus() != 0) {
          tiedosto_.suljeHiljaa();
          throw euro::Virhe(euro::virhenro::kayttovirhe,
                            euro::ansi("Yritystiedosto syntyi paloittelun aikana: ") + polku);
        }
      }
    }
    alkuTiedossa_ = pituus.has_value();
    alku_ = pituus.value_or(0);
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

  // The file's length after what was handed over, when its length at opening was given.
  std::uint64_t pituusNyt() const { return alku_ + kirjoitettu_ + jonossa_; }

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

inline const char crlf[] = "\r\n";

inline bool onT00(const char* d, std::size_t n) { return n >= 3 && d[0] == 'T' && d[1] == '0' && d[2] == '0'; }

// What happens to a batch: written, passed over (already delivered), or the pass stops
// before it.
enum class Eralle { kirjoita, ohita, lopeta };
struct Paatos {
  Eralle toiminto = Eralle::kirjoita;
  std::optional<std::uint64_t> pituus;  // the file's length before the batch, when known
  bool uusi = false;                    // the file was not there when the split looked
  // The file that takes the batch when it is not the one of the batch's name (the name's own
  // holds an XML document or is a link): its name in kohde.
  const std::string* tiedosto = nullptr;
};

// Whether the run makes the file or grows it, as its decision says, or else as the disk says
// before the file is opened; unknown when the disk cannot tell.
inline TiedostonYhteenveto::Tila uusiVaiJatkettu(const std::string& polku, const Paatos& p) {
  using Tila = TiedostonYhteenveto::Tila;
  if (p.tiedosto) return Tila::toinenNimi;
  if (p.uusi) return Tila::uusi;
  if (p.pituus) return *p.pituus == 0 ? Tila::uusi : Tila::jatkettu;
  try {
    const std::optional<std::uint64_t> pituus = alusta::pituusJosOn(polku);
    return pituus && *pituus > 0 ? Tila::jatkettu : Tila::uusi;
  } catch (...) {
    return Tila::tuntematon;
  }
}

// A pass that begins inside a batch, at kohta (what reached an archive after a split that
// ended there): its lines up to the next T00 line go on in that batch's file. paa: the
// beginning of the batch's T00 line, as far as the name reads.
struct Jatko {
  std::uint64_t kohta = 0;
  std::string paa;
  std::uint64_t era = 0;  // that batch's T00 line
};

// Closes a sink after a failure (suljeKesken), when it has that, unless ok.
template <class Tuloste>
struct Kesken {
  Tuloste& t;
  bool ok = false;
  ~Kesken() {
    if constexpr (requires { t.suljeKesken(); })
      if (!ok) t.suljeKesken();
  }
};

// One pass's batches: which company file the batch being read goes to, and its count in the
// summary.
template <class Tuloste, class Ohjaus>
struct Kulku {
  Kulku(const std::string& kohde, const PaloitteluAsetukset& a, std::int32_t posAlku, std::int32_t posLoppu,
        Ohjaus& ohjaus, Tuloste& tuloste, Yhteenveto* y)
      : kohde(kohde), ohjaus(ohjaus), tuloste(tuloste), y(y), nimet(a, posAlku, posLoppu), tarve(nimet.tarve()) {}

  // A T00 line opens its company's file: the name reads only the line's first bytes.
  // False when the pass stops here.
  bool aloitaEra(std::string_view paa, std::uint64_t kohta, bool uusi = true) {
    // A caller that has already named this batch says so: the name is not made twice.
    const std::string* valmis = nullptr;
    if constexpr (requires { ohjaus.nimiKohdassa(kohta); }) valmis = ohjaus.nimiKohdassa(kohta);
    const std::string& nimi = valmis ? *valmis : nimet.nimi(paa);
    kohdepolku.assign(kohde).append(nimi);
    if (!kelpaaTiedostonimeksi(nimi))
      euro::heitaVirhe(euro::virhenro::virheellinenNimi, kohdepolku);
    eraAlkanut = true;
    const Paatos p = ohjaus(kohta, nimi, valmis ? std::string::npos : nimet.loppuosanPituus());
    if (p.toiminto == Eralle::lopeta) {
      loppui = kohta;
      return false;
    }
    if (p.toiminto == Eralle::ohita) {
      nykyinen = nullptr;
      return true;
    }
    if (p.tiedosto) kohdepolku.assign(kohde).append(*p.tiedosto);
    std::size_t i = Tiedostohaku::eiLoydy;
    TiedostonYhteenveto::Tila tila = TiedostonYhteenveto::Tila::tuntematon;
    if (y) {
      i = haku.hae(y->tiedostot, kohdepolku);
      if (i == Tiedostohaku::eiLoydy && y->tiedostot.size() < Yhteenveto::tiedostoraja)
        tila = uusiVaiJatkettu(kohdepolku, p);
    }
    tuloste.avaa(kohdepolku, p.tiedosto ? *p.tiedosto : nimi, p.pituus, p.uusi);
    if (!y) {
      nykyinen = &ohitettu;
    } else if (i != Tiedostohaku::eiLoydy) {
      nykyinen = &y->tiedostot[i];
    } else if (y->tiedostot.size() < Yhteenveto::tiedostoraja) {
      haku.lisaa(y->tiedostot.size());
      y->tiedostot.push_back({kohdepolku, 0, 0});
      nykyinen = &y->tiedostot.back();
      nykyinen->tila = tila;
    } else {
      nykyinen = &y->muut;
    }
    // A continuation is no batch of its own.
    if (!uusi) return true;
    ++nykyinen->eria;
    // A blank key still names a file ("TITO-2016-01-.TXT"), which may gather several
    // companies: counted, so that the summary and the history can say so.
    if (y && nimet.avainTyhja(paa)) {
      ++nykyinen->ilmanAvainta;
      ++y->ilmanAvainta;
    }
    return true;
  }

  const std::string& kohde;
  Ohjaus& ohjaus;
  Tuloste& tuloste;
  Yhteenveto* y;
  tito::NimenMuodostaja nimet;
  const std::size_t tarve;
  Tiedostohaku haku;
  TiedostonYhteenveto ohitettu;
  TiedostonYhteenveto* nykyinen = nullptr;  // the batch's summary line; none: not written
  bool eraAlkanut = false;
  std::string kohdepolku;
  std::optional<std::uint64_t> loppui;
};

// One pass over the statement file's lines as virta gives them, from its start (the file's
// start, a batch's T00 line, or with jatko a line inside a batch).
// ohjaus(kohta, nimi, loppu) is asked at every T00 line (its nimiKohdassa(kohta), when it has
// one, may give the name instead of it being made again), with the line's offset, its company
// file's name in kohde and how many bytes of the name its suffix made (npos for a name given),
// before anything of the batch is handed over; the sink's avaa,
// lisaa, rivinLoppu, tyhjenna and sulje take the batches' bytes as the company files get
// them. Answers the offset where ohjaus stopped it, or none at the end of the file, with the
// sink emptied either way (its bytes point into the read buffer).
template <class Tuloste, class Ohjaus>
std::optional<std::uint64_t> jaa(euro::RiviVirta& virta, const std::string& kohde, const PaloitteluAsetukset& a,
                                 std::int32_t posAlku, std::int32_t posLoppu, Ohjaus& ohjaus, Tuloste& tuloste,
                                 Yhteenveto* y, const Jatko* jatko = nullptr) {
  Kulku<Tuloste, Ohjaus> k(kohde, a, posAlku, posLoppu, ohjaus, tuloste, y);
  const std::size_t tarve = k.tarve;
  TiedostonYhteenveto*& nykyinen = k.nykyinen;

  // Lines pass from the read buffer to the output in pieces. Only the beginning of a line
  // whose first piece is too short to tell whether it is a T00 line, or to name its file,
  // is copied aside (paa), and no further than the name reads.
  std::string paa;
  std::uint64_t paanKohta = 0;
  bool kerataan = false;
  euro::Pala p;
  // The sink's waiting bytes point into virta's buffer: after a failure its whole lines go out
  // (and a half-written one is cut) while the buffer still holds them.
  Kesken<Tuloste> kesken{tuloste};
  bool jatketaan = !jatko || k.aloitaEra(jatko->paa, jatko->kohta, false);
  while (jatketaan && virta.seuraava(p)) {
    const char* d = p.data;
    std::size_t n = p.koko;
    if (p.alkaa) {
      if (n >= 3 && !onT00(d, n)) {
        // an ordinary line
      } else if (n >= tarve || p.loppu != euro::Loppu::jatkuu) {
        if (onT00(d, n) && !k.aloitaEra(std::string_view(d, std::min(n, tarve)), virta.kohta(d))) break;
      } else {
        paa.assign(d, n);
        paanKohta = virta.kohta(d);
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
        if (t00 && !k.aloitaEra(paa, paanKohta)) break;
        if (nykyinen) {
          tuloste.lisaa(paa.data(), paa.size());
          nykyinen->tavuja += static_cast<std::int64_t>(paa.size());
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
        nykyinen->tavuja += static_cast<std::int64_t>(n + 2);
      } else {
        tuloste.lisaa(d, n);
        nykyinen->tavuja += static_cast<std::int64_t>(n);
        if (p.loppu == euro::Loppu::muu) {
          tuloste.lisaa(crlf, 2);
          nykyinen->tavuja += 2;
        }
      }
      if (p.loppu != euro::Loppu::jatkuu) {
        tuloste.rivinLoppu();
        ++nykyinen->riveja;
      }
    } else if (p.loppu != euro::Loppu::jatkuu && !k.eraAlkanut && y) {
      ++y->ohitetutRivit;
    }
    if (p.puskuriLoppui) tuloste.tyhjenna();
  }
  tuloste.tyhjenna();
  kesken.ok = true;
  return k.loppui;
}

// The pass from offset alku of the statement file, read through the split's own buffer.
// raja: where the pass ends, before the file's end when its end is held back.
template <class Tuloste, class Ohjaus>
std::optional<std::uint64_t> jaa(alusta::Tiedosto& syote, std::uint64_t alku, const std::string& kohde,
                                 const PaloitteluAsetukset& a, std::int32_t posAlku, std::int32_t posLoppu,
                                 Ohjaus& ohjaus, Tuloste& tuloste, Yhteenveto* y, const Jatko* jatko = nullptr,
                                 std::optional<std::uint64_t> raja = std::nullopt) {
  std::uint64_t kohta = alku;
  euro::RiviVirta virta(
      [&](char* b, std::size_t n) {
        if (raja) n = static_cast<std::size_t>(std::min<std::uint64_t>(n, *raja - std::min(*raja, kohta)));
        const std::size_t m = n ? syote.lue(b, n) : 0;
        kohta += m;
        return m;
      },
      lukupuskurinKoko(a), euro::Rivisaanto::tiliote, alku);
  return jaa(virta, kohde, a, posAlku, posLoppu, ohjaus, tuloste, y, jatko);
}

}  // namespace split::tito::jako
