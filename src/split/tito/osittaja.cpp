// The TITO split that archives: the archive read once through a window, its T00 lines named
// ahead, company files declared in the journal segment by segment.
#include "split/tito/osittain.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/lue.h"
#include "split/nimi.h"
#include "split/tito/osittaja.h"

namespace split::tito {

namespace {

constexpr char sep = alusta::erotin;

}  // namespace

Osittaja::Osittaja(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto, const std::string& kohde,
                       Yhteenveto& y)
    : Ikkuna(arkisto), kirja_(kirja), o_(o), y_(y), toimitettu_(y), a_(asetuksetOtsikosta(o)), rajat_(a_.saadot.jaksot), kohde_(kohde), kohdenimet_(kohde, &y) {
  eratEdella_ = rajat_.eratEdella;
  kapeaHaku_ = a_.saadot.kapeaHaku;
  asetapos(a_, posAlku_, posLoppu_);
  syote_.avaa(arkisto, alusta::Tila::lue);
  pituus_ = arkistonPituus_ = syote_.pituus();
  // Where no one can be shown not to write the archive, the bank may still be writing its
  // last line.
  kasvaa_ = alusta::kirjoittaakoMuu(arkisto).value_or(true);
  kohdeKansio_ = kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_;
  // One listing of the target instead of a look at each new file: a name not there is a
  // file of length 0.
  alusta::kayKansio(kohdeKansio_, [&](const std::string& n) {
    tunne(nimiTiiviste(n), false);
    return true;
  });
  nimeaja_ = std::make_unique<NimenMuodostaja>(a_, posAlku_, posLoppu_);
  tarve_ = std::max<std::size_t>(nimeaja_->tarve(), 3);
  // Small archives take a small window; a segment runs past it by the search ahead.
  const std::uint64_t vahintaan = 4 * tarve_ + 64;
  const std::uint64_t koko = a_.saadot.puskuri ? a_.saadot.puskuri : std::min<std::uint64_t>(rajat_.tavuja, 256 * 1024);
  ikkunanKoko_ = static_cast<std::size_t>(std::max(vahintaan, std::min<std::uint64_t>(koko, arkistonPituus_ + 1)));
}

// The summary goes back to what the journal's last record holds as delivered: the batches of
// the segment being written are counted by the split that finishes it.
void Osittaja::palautaToimitettu() noexcept {
  y_.tiedostot = std::move(toimitettu_.tiedostot);
  y_.muut = toimitettu_.muut;
  y_.ilmanAvainta = toimitettu_.ilmanAvainta;
  y_.ohitetutRivit = toimitettu_.ohitetutRivit;
}

// The whole archive from its start, or from where an earlier split of it ended.
void Osittaja::aloita(std::uint64_t alku, Yhteenveto& y) {
  if (alku > arkistonPituus_ || (!eranRaja(alku) && !alkaakoRivi(syote_, alku))) virhe("alku ei ole erän alussa");
  rajaa(alku);
  jaa(alku, true, y);
}

// The pass ends before a last line that may not be delivered yet (pidatys.h).
void Osittaja::rajaa(std::uint64_t alku) {
  pidatys_ = pidatettava(syote_, alku, pituus_, kasvaa_);
  arkistonPituus_ = pidatys_.raja;
}

// A pass from a line inside a batch goes on in that batch's file: the batch of the last T00
// line before it. None at a batch's start, or before the archive's first T00 line.
std::optional<jako::Jatko> Osittaja::jatkoKohdassa(std::uint64_t kohta) {
  if (kohta == 0 || kohta >= arkistonPituus_ || eranRaja(kohta)) return std::nullopt;
  const std::optional<std::uint64_t> t00 = viimeinenT00(syote_, 0, kohta);
  if (!t00) return std::nullopt;
  return jako::Jatko{kohta, rivinAlku(syote_, *t00, pituus_, tarve_), *t00};
}

// The end held back, told with the archive, the bytes and the company file that waits for it.
void Osittaja::kerroPidatetysta(Yhteenveto& y) {
  if (pidatys_.raja >= pituus_ || pidatys_.raja != arkistonPituus_) return;
  using euro::ansi;
  std::string tiedosto;
  if (pidatys_.era) {
    bool toinen = false;
    const std::string& nimi = nimeaja_->nimi(rivinAlku(syote_, *pidatys_.era, pituus_, tarve_));
    tiedosto = ansi(" tiedostoon ") + kohde_ + kohdenimet_.valitse(nimi, nimeaja_->loppuosanPituus(), toinen);
  }
  const std::string tavut = o_.tuodut + sep + o_.arkisto + ansi(" tavut ") + std::to_string(pidatys_.raja) + "-" +
                            std::to_string(pituus_);
  if (!pidatys_.katkennut)
    y.katsottavaa.push_back(ansi("Arkiston ") + tavut + ansi(": viimeiseltä riviltä puuttuu rivin loppu, eikä sitä "
                                                        "paloiteltu. Seuraava paloittelu vie sen") + tiedosto +
                            ansi(", kun pankkiohjelma on kirjoittanut sen loppuun."));
  else if (kasvaa_)
    y.katsottavaa.push_back(ansi("Arkiston ") + tavut + ansi(": viimeinen erä on kesken, eikä sitä paloiteltu. "
                                                        "Seuraava paloittelu vie sen") + tiedosto +
                            ansi(", kun pankkiohjelma on kirjoittanut sen loppuun."));
  else {
    y.katsottavaa.push_back(ansi("Arkiston ") + tavut + ansi(": viimeinen erä on katkennut (viimeinen tietue on "
                                                        "lyhyempi kuin sen pituus), eikä sitä paloiteltu") + tiedosto +
                            ansi(". Mikään ei enää täydennä sitä: hae tiliote pankista uudelleen."));
    kirja_.merkkiTurha();
  }
}

// What the journal now holds as delivered: the summary so far, and the whole batches found.
void Osittaja::toimitetut() {
  toimitettu_.tiedostot = y_.tiedostot;
  toimitettu_.muut = y_.muut;
  toimitettu_.ilmanAvainta = y_.ilmanAvainta;
  toimitettu_.ohitetutRivit = y_.ohitetutRivit;
  lisaaEhjat(toimitettu_);
}

void Osittaja::lisaaEhjat(Yhteenveto& y) const {
  for (const TiedostonYhteenveto& e : ehjat_) {
    auto i = std::find_if(y.tiedostot.begin(), y.tiedostot.end(), [&](const auto& t) { return t.polku == e.polku; });
    if (i == y.tiedostot.end() && y.tiedostot.size() >= Yhteenveto::tiedostoraja) {
      y.muut.eria += e.eria;
      y.muut.riveja += e.riveja;
      y.muut.tavuja += e.tavuja;
      continue;
    }
    if (i == y.tiedostot.end()) {
      y.tiedostot.push_back(e);
      continue;
    }
    i->eria += e.eria;
    i->riveja += e.riveja;
    i->tavuja += e.tavuja;
    i->tila = e.tila;
  }
}

void Osittaja::virhe(const std::string& miksi) {
  throw euro::Virhe(euro::virhenro::kayttovirhe,
                    euro::ansi("Keskeytyneen paloittelun päiväkirja ei vastaa arkistoa (") + euro::ansi(miksi) +
                        "): " + o_.tuodut + sep + o_.arkisto);
}

bool Osittaja::eranRaja(std::uint64_t kohta) {
  if (kohta == arkistonPituus_) return true;
  if (kohta == 0) return true;
  char b[4];
  syote_.siirry(kohta - 1);
  std::size_t n = 0;
  while (n < sizeof b) {
    const std::size_t m = syote_.lue(b + n, sizeof b - n);
    if (m == 0) return false;
    n += m;
  }
  return (b[0] == '\r' || b[0] == '\n') && jako::onT00(b + 1, 3);
}

// The batch whose T00 line begins with paa, at kohta, into the queue with its file's name.
void Osittaja::nimea(std::string_view paa, std::uint64_t kohta) {
  const std::string& nimi = nimeaja_->nimi(paa);
  nimeaNimella(nimi, nimeaja_->loppuosanPituus(), kohta);
}

std::unique_ptr<NimenMuodostaja> Osittaja::uusiNimeaja() const {
  return std::make_unique<NimenMuodostaja>(a_, posAlku_, posLoppu_);
}

// The batch at kohta, whose T00 line names it nimi (its suffix the last loppuosa bytes).
void Osittaja::nimeaNimella(const std::string& nimi, std::size_t loppuosa, std::uint64_t kohta) {
  // A batch delivered before goes to no file: none is chosen, looked at or noted for it.
  if (ohitetaan(kohta, jatko_)) {
    erat_.push_back({kohta, static_cast<std::uint32_t>(nimivarasto_.size()), static_cast<std::uint32_t>(nimi.size()),
                     Hajautus::eiArvoa, 0});
    nimivarasto_ += nimi;
    return;
  }
  // Which file takes it is decided here, before the segment is declared. A name that
  // was not in the target when the split began, or whose file this split made, is its
  // own file's: neither the disk nor the names' table is asked.
  bool toinen = false;
  const std::uint8_t* tunnettu = tunnetut_.hae(alusta::onWindows ? nimiTiiviste(nimi) : avainNimesta(nimi));
  const bool poissa = tunnettu ? *tunnettu == tehtyTaalla : kaikkiTunnetaan_;
  const std::string& tiedosto = kohdenimet_.valitse(nimi, loppuosa, toinen, poissa);
  erat_.push_back({kohta, static_cast<std::uint32_t>(nimivarasto_.size()), static_cast<std::uint32_t>(tiedosto.size()),
                   Hajautus::eiArvoa, static_cast<std::uint32_t>(toinen ? nimi.size() : 0)});
  nimivarasto_ += tiedosto;
  if (toinen) nimivarasto_ += nimi;
}

// Declares the segment from kohta on, with its company files and their lengths, flushed,
// before any of its batches is written.
void Osittaja::julista(std::uint64_t kohta) {
  unohdaJakso();
  KirjanOsa j;
  j.siirretty = true;
  j.kohta = kohta;
  if (!kaikkiHaettu()) haeEdelle(kohta + rajat_.tavuja);
  const bool kaikki = kaikkiHaettu();  // every T00 line to the end is named
  std::optional<std::uint64_t> loppu;
  // The target held open while its files' lengths are read: one name each, not the path.
  std::optional<alusta::Kansio> kansio;
  std::size_t i = eraAlku_;
  while (i < erat_.size() && erat_[i].kohta < kohta) ++i;
  for (; i < erat_.size(); ++i) {
    Era& e = erat_[i];
    // The last T00 line seen: its batch may go on past what has been read.
    if (!kaikki && i + 1 == erat_.size() && e.kohta > kohta) {
      loppu = e.kohta;
      break;
    }
    // A segment of more than one batch ends within its bytes' bound.
    if (e.kohta > kohta && i + 1 < erat_.size() && erat_[i + 1].kohta - kohta > rajat_.tavuja) {
      loppu = e.kohta;
      break;
    }
    // Passed over: the segment holds it, but no file of it.
    if (ohitetaan(e.kohta, jatko_)) continue;
    const std::string_view nimi = eranNimi(e);
    const std::uint64_t hn = avainNimesta(nimi);
    e.tiedosto = jaksossa(nimi, hn);
    if (e.tiedosto != Hajautus::eiArvoa) continue;
    if (e.kohta > kohta && tiedostot_.size() >= rajat_.tiedostoja) {
      loppu = e.kohta;
      break;
    }
    const std::uint64_t h = alusta::onWindows ? nimiTiiviste(std::string(nimi)) : hn;
    std::uint64_t pituus = 0;
    bool uusi = false;
    bool tehty = false;
    const std::uint8_t* tunnettu = tunnetut_.hae(h);
    // A file that is there is recorded as long as the disk has it, not as this split left
    // it: another split may have written into it since.
    if (!tunnettu && kaikkiTunnetaan_) {
      uusi = true;
    } else {
      try {
        if (!kansio) kansio.emplace(kohde_);
        const std::optional<std::uint64_t> p = kansio->pituusJosOn(std::string(nimi));
        uusi = !p;
        pituus = p.value_or(0);
        if (tunnettu && *tunnettu == tehtyTaalla) tehty = true;
      } catch (...) {
        // A name no file can have: the batches before it are still delivered, and the
        // failure comes when the next segment begins with it.
        if (e.kohta > kohta) {
          loppu = e.kohta;
          break;
        }
        throw;
      }
      tunne(h, false);
    }
    const bool toinen = e.avaimenPituus > 0;
    e.tiedosto = lisaaJaksoon(nimi, {pituus, 0, 0, uusi, h, toinen, tehty || uusi}, hn);
    j.tiedostot.push_back({std::string(), pituus, 0, toinen ? std::string(eranAvain(e)) : std::string()});
  }
  if (!loppu) loppu = kaikki ? (lopussa_ ? ikkunanAlku_ + maara_ : edelleHaettu_) : seuraavaEra(kohta);
  j.loppu = *loppu;
  if (j.loppu > arkistonPituus_) virhe("arkisto kasvoi");
  // The names lent to the record for its writing, not copied.
  for (std::size_t i = 0; i < tiedostot_.size(); ++i) j.tiedostot[i].nimi.swap(nimet_[i]);
  kirja_.kirjaa(j);
  for (std::size_t i = 0; i < tiedostot_.size(); ++i) j.tiedostot[i].nimi.swap(nimet_[i]);
  toimitetut();
  jaksonLoppu_ = j.loppu;
  // The next segment's search goes on while this one is written.
  if (!kaikkiHaettu()) aloitaHaku(j.loppu + rajat_.tavuja);
}

// The segment's batches are in their files: on the disk before the journal goes past them.
void Osittaja::tarkistuspiste() {
  merkitse();
  tuloste_.sulje();
  nimet_.resize(tiedostot_.size());
  alusta::tallennaTiedostot(kohdeKansio_, nimet_);
  for (const JaksonTiedosto& t : tiedostot_) tunne(t.avain, t.tehty);
}

void Osittaja::merkitse() {
  if (edellinen_) edellinen_->pituus = tuloste_.pituusNyt();
  edellinen_ = nullptr;
}

// The pass from alku (the start, or a declared segment's start), its lines taken from the
// window; a new split declares its first segment before anything is written.
void Osittaja::jaa(std::uint64_t alku, bool julistaAlussa, Yhteenveto& y) {
  // A pass from inside a batch: its lines up to the next T00 line go on in the batch's file,
  // named like a batch there. Looked for before the reading begins (it reads elsewhere).
  const std::optional<jako::Jatko> jatko = jatkoKohdassa(alku);
  syote_.siirry(alku);
  ikkunanAlku_ = alku;
  maara_ = annettu_ = haettu_ = rajaus_ = 0;
  lopussa_ = false;
  ennenIkkunaa_ = '\n';
  erat_.clear();
  eraAlku_ = 0;
  peruHaku();
  edelleHaettu_ = alku;
  nimivarasto_.clear();
  jatko_ = jatko ? &*jatko : nullptr;
  struct Pois {
    const jako::Jatko*& j;
    ~Pois() { j = nullptr; }
  } pois{jatko_};
  if (jatko) nimea(jatko->paa, alku);
  tayta();
  if (julistaAlussa) julista(alku);
  struct Ohjaus {
    Osittaja& j;
    // The name the window's search gave the batch at kohta: not made a second time.
    const std::string* nimiKohdassa(std::uint64_t kohta) {
      const Era* e = j.eraKohdassa(kohta);
      if (!e) return nullptr;
      if (e->tiedosto != Hajautus::eiArvoa && kohta < j.jaksonLoppu_) return &j.nimet_[e->tiedosto];
      j.nimi_.assign(j.eranNimi(*e));
      return &j.nimi_;
    }
    jako::Paatos operator()(std::uint64_t kohta, const std::string& nimi, std::size_t loppu) {
      j.merkitse();
      if (kohta >= j.jaksonLoppu_) {
        j.tarkistuspiste();
        j.julista(kohta);
      }
      std::uint64_t i = Hajautus::eiArvoa;
      if (const Era* e = j.eraKohdassa(kohta)) {
        i = e->tiedosto;
        ++j.eraAlku_;
      }
      if (j.ohitetaan(kohta, j.jatko_)) return {jako::Eralle::ohita, {}};
      if (i == Hajautus::eiArvoa) {
        bool toinen = false;
        const std::string& tiedosto = j.kohdenimet_.valitse(nimi, loppu, toinen);
        i = j.jaksossa(tiedosto, avainNimesta(tiedosto));
      }
      // The search and this pass read the same bytes: a name the segment lacks is a fault.
      if (i == Hajautus::eiArvoa) j.virhe("tiedosto puuttuu jaksosta");
      JaksonTiedosto* t = &j.tiedostot_[i];
      if (t->nahty++ < t->ohitetaan) return {jako::Eralle::ohita, {}};
      j.edellinen_ = t;
      const bool uusi = t->uusi;
      t->uusi = false;
      return {jako::Eralle::kirjoita, t->pituus, uusi, t->toinen ? &j.nimet_[i] : nullptr};
    }
  };
  Ohjaus ohjaus{*this};
  euro::RiviVirta virta([this] { return anna(); }, euro::Rivisaanto::tiliote, alku);
  jako::jaa(virta, kohde_, a_, posAlku_, posLoppu_, ohjaus, tuloste_, &y, jatko ? &*jatko : nullptr);
  tarkistuspiste();
  kerroPidatetysta(y);
  syote_.sulje();
}

void jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     const KirjanOsa* kesken, Yhteenveto& y, const std::string* kohde) {
  Osittaja j(kirja, o, arkisto, kohde ? *kohde : o.kohde, y);
  try {
    if (kesken && kesken->siirretty) {
      j.jatka(*kesken, kirja.rikki(), y);
    } else if (kesken && kirja.rikki()) {
      // The first segment's record is what was lost: from its start, its batches looked for.
      KirjanOsa alku;
      alku.siirretty = true;
      alku.kohta = alku.loppu = kesken->kohta;
      j.jatka(alku, true, y);
    } else {
      j.aloita(kesken ? kesken->kohta : 0, y);
    }
  } catch (...) {
    // Whole lines already read still go out, as they would have line by line.
    j.suljeKesken();
    j.palautaToimitettu();
    throw;
  }
}

}  // namespace split::tito
