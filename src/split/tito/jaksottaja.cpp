// The TITO split that archives: the archive read once through a window, its T00 lines named
// ahead, company files declared in the journal segment by segment; and the recovery that
// compares a cut-off segment with what its company files hold.
#include "split/tito/jaksottaja.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/hajautus.h"
#include "split/tito/jako.h"
#include "split/lue.h"
#include "split/nimi.h"
#include "split/tito/haku.h"
#include "split/tito/kohdenimet.h"
#include "split/tito/pidatys.h"
#include "split/tito/vertaaja.h"

namespace split {

namespace {

using tito::alkaakoRivi;
using tito::pidatettava;
using tito::rivinAlku;
using tito::viimeinenT00;

constexpr char sep = alusta::erotin;

// A segment's bounds, the settings' own or the built-in ones.
struct Rajat {
  std::size_t tiedostoja;
  std::uint64_t tavuja;
  std::size_t eratEdella;
  explicit Rajat(const PaloitteluAsetukset::Saadot::Jaksot& j)
      : tiedostoja(j.tiedostoja ? j.tiedostoja : 1024), tavuja(j.tavuja ? j.tavuja : 1024 * 1024),
        // The window keeps the next batch's T00 line named: at least one more must fit.
        eratEdella(j.eria ? std::max<std::size_t>(j.eria, 2) : 16384) {}
};

// A segment being split: a company file's length as it grows, and how many of its batches to
// pass over. Its name is the same place in the segment's list of names.
struct JaksonTiedosto {
  std::uint64_t pituus = 0;
  std::uint64_t ohitetaan = 0;
  std::uint64_t nahty = 0;
  bool uusi = false;  // not in the folder when the split began, nor made since
  std::uint64_t avain = 0;  // the name as the target's known names hash it
  bool toinen = false;      // taken in the place of the file the batches' name gives
  bool tehty = false;       // made by this split: nothing stood at the name when it began
};

class Jaksottaja {
 public:
  Jaksottaja(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto, const std::string& kohde,
             Yhteenveto& y)
      : kirja_(kirja), o_(o), y_(y), toimitettu_(y), a_(asetuksetOtsikosta(o)), rajat_(a_.saadot.tito), arkisto_(arkisto), kohde_(kohde), kohdenimet_(kohde, &y) {
    asetapos(a_, posAlku_, posLoppu_);
    syote_.avaa(arkisto, alusta::Tila::lue);
    pituus_ = arkistonPituus_ = syote_.pituus();
    // Where no one can be shown not to write the archive, the bank may still be writing its
    // last line.
    kasvaa_ = alusta::kirjoittaakoMuu(arkisto).value_or(true);
    kohdeKansio_ = kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_;
    // One listing of the target instead of a look at each new file: a name not there is a
    // file of length 0.
    for (const std::string& n : alusta::nimetKansiossa(kohdeKansio_)) tunne(nimiTiiviste(n), false);
    nimeaja_ = std::make_unique<NimenMuodostaja>(a_, posAlku_, posLoppu_);
    tarve_ = std::max<std::size_t>(nimeaja_->tarve(), 3);
    // Small archives take a small window.
    const std::uint64_t vahintaan = 4 * tarve_ + 64;
    ikkunanKoko_ = static_cast<std::size_t>(
        std::max(vahintaan, std::min<std::uint64_t>(rajat_.tavuja, arkistonPituus_ + 1)));
  }

  // The cut-off split's segment: checked, what a cut-off batch left cut, declared again with
  // what is there now, and split from its start passing over what was delivered. rikki: the
  // journal went on past its last whole record, so the segment after it may have been written.
  void jatka(const KirjanJakso& kirjattu, bool rikki, Yhteenveto& y) {
    KirjanJakso k = kirjattu;
    if (k.loppu > arkistonPituus_) virhe("arkisto on lyhyempi kuin päiväkirjassa");
    for (const auto& f : k.tiedostot)
      if (!f.hanta.empty()) virhe("TITO-tiedostolla ei ole loppuosaa");
    // A segment begins and ends at a batch's T00 line (the first at the file's start), or
    // where a split of what grew began or ended, at a line inside a batch: from anywhere else
    // the pass would lose a batch or take half of one for a whole. A split that ended inside
    // a batch (the archive's end then) is finished as far as it went; what came after is
    // split from the marker it leaves.
    if (!eranRaja(k.kohta) && !alkaakoRivi(syote_, k.kohta)) virhe("jakson raja ei ole erän alussa");
    if (!eranRaja(k.loppu) && !alkaakoRivi(syote_, k.loppu)) virhe("jakson raja ei ole erän alussa");
    if (!eranRaja(k.loppu) && k.loppu > k.kohta) {
      arkistonPituus_ = k.loppu;
    } else {
      rajaa(k.kohta);
      arkistonPituus_ = std::max(arkistonPituus_, k.loppu);
    }
    const std::optional<jako::Jatko> jatko = jatkoKohdassa(k.kohta);
    // The files the journal chose stay chosen.
    for (const auto& f : k.tiedostot) kohdenimet_.aseta(f.avain.empty() ? f.nimi : f.avain, f.nimi);
    if (rikki) laajennaRikottuun(k);
    Vertaaja v;
    std::vector<std::string> keskenRivin;
    for (const auto& f : k.tiedostot) {
      const std::string polku = kohde_ + f.nimi;
      Vertaaja::Tila t;
      std::uint64_t nyt = 0;
      if (f.pituus > 0 || alusta::pituusJosOn(polku)) {
        alusta::Tiedosto tarkistus(polku, alusta::Tila::muokkaa);
        nyt = tarkistus.pituus();
        // The split leaves its company files at a line's end, unless one did not end in a
        // line end before it: checked below against what follows.
        char c = 0;
        if (f.pituus > 0 && nyt >= f.pituus) {
          tarkistus.siirry(f.pituus - 1);
          if (tarkistus.lue(&c, 1) != 1 || c != '\n') keskenRivin.push_back(f.nimi);
        }
      }
      if (nyt < f.pituus)
        throw euro::Virhe(euro::virhenro::kayttovirhe,
                          euro::ansi("Yritystiedosto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa: ") + polku);
      t.pituus = nyt;
      t.kohta = f.pituus;
      if (!v.tiedostot.emplace(f.nimi, t).second) virhe("sama tiedosto kahdesti");
    }
    // By the batches' own name (the file's, or the one it was taken for): the file and how
    // many of its batches to pass over.
    std::unordered_map<std::string, std::pair<std::string, std::uint64_t>> ohitettavat;
    for (const auto& f : k.tiedostot) ohitettavat[f.avain.empty() ? f.nimi : f.avain] = {f.nimi, f.ohitetaan};
    auto vertailu = [&](std::uint64_t kohta, const std::string& nimi, std::size_t) -> jako::Paatos {
      if (kohta >= k.loppu) return {jako::Eralle::lopeta, {}};
      auto i = ohitettavat.find(nimi);
      if (i == ohitettavat.end()) virhe("jakson tiedostot eivät vastaa arkistoa");
      if (i->second.second > 0) {
        --i->second.second;
        return {jako::Eralle::ohita, {}};
      }
      return {jako::Eralle::kirjoita, {}, false, i->second.first != nimi ? &i->second.first : nullptr};
    };
    syote_.siirry(k.kohta);
    jako::jaa(syote_, k.kohta, kohde_, a_, posAlku_, posLoppu_, vertailu, v, nullptr, jatko ? &*jatko : nullptr,
              arkistonPituus_);
    v.sulje();
    // A recorded length inside a line stands only where this split's own bytes follow it, or
    // nothing: anything else is no journal this split wrote.
    for (const std::string& nimi : keskenRivin) {
      const Vertaaja::Tila& t = v.tiedostot.at(nimi);
      const auto& f = *std::find_if(k.tiedostot.begin(), k.tiedostot.end(), [&](const auto& x) { return x.nimi == nimi; });
      if (t.pituus == f.pituus || t.ehjia > 0 || t.leikkaa == f.pituus) continue;
      throw euro::Virhe(euro::virhenro::kayttovirhe,
                        euro::ansi("Keskeytyneen paloittelun päiväkirjan pituus ei ole rivin lopussa: ") + kohde_ + nimi);
    }
    for (auto& [nimi, t] : v.tiedostot) {
      if (!t.leikkaa) continue;
      alusta::Tiedosto f(kohde_ + nimi, alusta::Tila::muokkaa);
      f.katkaiseJos(t.pituus, *t.leikkaa);
      if (f.pituus() != *t.leikkaa) euro::heitaVirhe(euro::virhenro::kayttovirhe, kohde_ + nimi);
      f.sulje();
    }
    // What is there now is on the disk before the journal says so.
    KirjanJakso uusi;
    uusi.siirretty = true;
    uusi.kohta = k.kohta;
    uusi.loppu = k.loppu;
    unohdaJakso();
    for (const auto& f : k.tiedostot) {
      const Vertaaja::Tila& t = v.tiedostot.at(f.nimi);
      const std::uint64_t pituus = t.leikkaa.value_or(t.pituus);
      uusi.tiedostot.push_back({f.nimi, pituus, f.ohitetaan + t.ehjia, {}, f.avain});
      lisaaJaksoon(f.nimi, {pituus, f.ohitetaan + t.ehjia, 0, false, nimiTiiviste(f.nimi), !f.avain.empty()},
                   avainNimesta(f.nimi));
    }
    nimet_.resize(tiedostot_.size());
    alusta::tallennaTiedostot(kohdeKansio_, nimet_);
    // The batches found whole were delivered by the split that was cut off, which no longer
    // counts them (its summary ends at its last record): this split does, so that the two add
    // up to what the files hold.
    for (const auto& f : k.tiedostot) {
      const Vertaaja::Tila& t = v.tiedostot.at(f.nimi);
      if (t.ehjia == 0) continue;
      TiedostonYhteenveto e;
      e.polku = kohde_ + f.nimi;
      e.eria = static_cast<std::int64_t>(t.ehjia);
      e.riveja = static_cast<std::int64_t>(t.ehjiaRiveja);
      e.tavuja = static_cast<std::int64_t>((t.vertaillaan ? t.kohta : t.eranAlku) - f.pituus);
      e.tila = f.pituus == 0 ? TiedostonYhteenveto::Tila::uusi : TiedostonYhteenveto::Tila::jatkettu;
      ehjat_.push_back(std::move(e));
    }
    kirja_.kirjaa(uusi);
    toimitetut();
    jaksonLoppu_ = k.loppu;
    jaa(k.kohta, false, y);
    lisaaEhjat(y);
  }

  // The summary goes back to what the journal's last record holds as delivered: the batches of
  // the segment being written are counted by the split that finishes it.
  void palautaToimitettu() noexcept {
    y_.tiedostot = std::move(toimitettu_.tiedostot);
    y_.muut = toimitettu_.muut;
    y_.ilmanAvainta = toimitettu_.ilmanAvainta;
    y_.ohitetutRivit = toimitettu_.ohitetutRivit;
  }

  // The whole archive from its start, or from where an earlier split of it ended.
  void aloita(std::uint64_t alku, Yhteenveto& y) {
    if (alku > arkistonPituus_ || (!eranRaja(alku) && !alkaakoRivi(syote_, alku))) virhe("alku ei ole erän alussa");
    rajaa(alku);
    jaa(alku, true, y);
  }

  void suljeKesken() noexcept { tuloste_.suljeKesken(); }

 private:
  // The pass ends before a last line that may not be delivered yet (pidatys.h).
  void rajaa(std::uint64_t alku) {
    pidatys_ = pidatettava(syote_, alku, pituus_, kasvaa_);
    arkistonPituus_ = pidatys_.raja;
  }

  // A pass from a line inside a batch goes on in that batch's file: the batch of the last T00
  // line before it. None at a batch's start, or before the archive's first T00 line.
  std::optional<jako::Jatko> jatkoKohdassa(std::uint64_t kohta) {
    if (kohta == 0 || kohta >= arkistonPituus_ || eranRaja(kohta)) return std::nullopt;
    const std::optional<std::uint64_t> t00 = viimeinenT00(syote_, 0, kohta);
    if (!t00) return std::nullopt;
    return jako::Jatko{kohta, rivinAlku(syote_, *t00, pituus_, tarve_)};
  }

  // The end held back, told with the archive, the bytes and the company file that waits for it.
  void kerroPidatetysta(Yhteenveto& y) {
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
  void toimitetut() {
    toimitettu_.tiedostot = y_.tiedostot;
    toimitettu_.muut = y_.muut;
    toimitettu_.ilmanAvainta = y_.ilmanAvainta;
    toimitettu_.ohitetutRivit = y_.ohitetutRivit;
    lisaaEhjat(toimitettu_);
  }

  void lisaaEhjat(Yhteenveto& y) const {
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

  [[noreturn]] void virhe(const std::string& miksi) {
    throw euro::Virhe(euro::virhenro::kayttovirhe,
                      euro::ansi("Keskeytyneen paloittelun päiväkirja ei vastaa arkistoa (") + euro::ansi(miksi) +
                          "): " + o_.tuodut + sep + o_.arkisto);
  }

  // The journal went on past its last whole record: the segment after it was declared, and
  // may have been written in part or whole, though its record is lost. Which of its batches
  // their company files already hold is read from the files' ends, not taken from the
  // record's absence: the recorded segment is widened by the next (a declared segment is
  // never longer than the window, or than its one batch), and a file it does not name is
  // taken to begin where it ends with the beginning of its batches from there on.
  void laajennaRikottuun(KirjanJakso& k) {
    if (k.loppu >= arkistonPituus_) return;
    const std::uint64_t raja = k.loppu + ikkunanKoko_;
    struct Keraaja {
      std::unordered_map<std::string, std::string> tavut;
      const std::unordered_map<std::string, std::size_t>* kirjatut = nullptr;
      std::string* nyt = nullptr;
      void avaa(const std::string&, const std::string& nimi, std::optional<std::uint64_t>, bool) {
        nyt = kirjatut->count(nimi) ? nullptr : &tavut[nimi];
      }
      void lisaa(const char* d, std::size_t n) {
        if (nyt) nyt->append(d, n);
      }
      void rivinLoppu() {}
      void tyhjenna() {}
      void sulje() {}
    } keraaja;
    std::unordered_map<std::string, std::size_t> kirjatut;
    for (std::size_t i = 0; i < k.tiedostot.size(); ++i) kirjatut[k.tiedostot[i].nimi] = i;
    keraaja.kirjatut = &kirjatut;
    std::vector<std::string> jarjestys;  // the new files in the order of their first batch
    std::unordered_map<std::string, std::string> avaimet;
    auto ohjaus = [&](std::uint64_t kohta, const std::string& nimi, std::size_t loppu) -> jako::Paatos {
      if (kohta >= raja) return {jako::Eralle::lopeta, {}};
      bool toinen = false;
      const std::string& tiedosto = kohdenimet_.valitse(nimi, loppu, toinen);
      if (!kirjatut.count(tiedosto) && !keraaja.tavut.count(tiedosto)) {
        jarjestys.push_back(tiedosto);
        if (toinen) avaimet[tiedosto] = nimi;
      }
      return {jako::Eralle::kirjoita, {}, false, toinen ? &tiedosto : nullptr};
    };
    const std::optional<jako::Jatko> jatko = jatkoKohdassa(k.loppu);
    syote_.siirry(k.loppu);
    const std::optional<std::uint64_t> loppui = jako::jaa(syote_, k.loppu, kohde_, a_, posAlku_, posLoppu_, ohjaus,
                                                          keraaja, nullptr, jatko ? &*jatko : nullptr, arkistonPituus_);
    for (const std::string& nimi : jarjestys) {
      const std::string& c = keraaja.tavut[nimi];
      const std::string polku = kohde_ + nimi;
      const std::uint64_t pituus = alusta::pituusJosOn(polku).value_or(0);
      const std::uint64_t omia = pituus > 0 ? omaaLopussa(polku, pituus, c) : 0;
      auto a = avaimet.find(nimi);
      k.tiedostot.push_back({nimi, pituus - omia, 0, {}, a != avaimet.end() ? a->second : std::string()});
    }
    k.loppu = loppui.value_or(arkistonPituus_);
  }

  // How many bytes the file ends with of c's beginning, from a line's start: the longest
  // such end.
  static std::uint64_t omaaLopussa(const std::string& polku, std::uint64_t pituus, const std::string& c) {
    const std::uint64_t m = std::min<std::uint64_t>(pituus, c.size());
    if (m == 0) return 0;
    const std::size_t ennen = pituus > m ? 1 : 0;
    std::string h(static_cast<std::size_t>(m) + ennen, '\0');
    alusta::Tiedosto f(polku, alusta::Tila::lue);
    lueKohdasta(f, pituus - m - ennen, h.data(), h.size());
    for (std::size_t p = 0; p < m; ++p) {
      if (p + ennen > 0 && h[p + ennen - 1] != '\n') continue;
      if (std::memcmp(h.data() + ennen + p, c.data(), static_cast<std::size_t>(m) - p) == 0) return m - p;
    }
    return 0;
  }

  bool eranRaja(std::uint64_t kohta) {
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

  // Bounded, so that a target of a hundred thousand files costs no more memory than a small
  // one: past the bound the table starts again and a name it lacks is looked at on the disk.
  // tehty: this split made the file, so the name's own file takes its batches; kept once known.
  void tunne(std::uint64_t h, bool tehty) {
    if (tunnetut_.koko() >= 48 * rajat_.tiedostoja && !tunnetut_.hae(h)) {
      tunnetut_.tyhjenna();
      kaikkiTunnetaan_ = false;
    }
    std::uint64_t& arvo = tunnetut_.lisaa(h);
    if (tehty) arvo = tehtyTaalla;
  }

  // The segment's company files: names, lengths and a lookup by name.
  void unohdaJakso() {
    tiedostot_.clear();
    jaksonHaku_.tyhjenna();
  }
  std::uint64_t lisaaJaksoon(std::string_view nimi, const JaksonTiedosto& t, std::uint64_t h) {
    const std::uint64_t i = tiedostot_.size();
    tiedostot_.push_back(t);
    // A name's string is used again by the next segments: no allocation per file and segment.
    if (i < nimet_.size()) nimet_[i].assign(nimi);
    else nimet_.emplace_back(nimi);
    jaksonHaku_.lisaa(h) = i;
    return i;
  }
  // The name's place in the segment, or eiArvoa. Two names of one hash stop the split: the
  // journal stays, and nothing is written to the wrong file.
  std::uint64_t jaksossa(std::string_view nimi, std::uint64_t h) {
    const std::uint64_t* i = jaksonHaku_.hae(h);
    if (!i) return Hajautus::eiArvoa;
    if (nimet_[*i] != nimi) virhe("kaksi nimeä samalla tiivisteellä");
    return *i;
  }

  // The archive is read once, into a window of 1 MiB: the T00 lines in it are named (and
  // the segment's files declared) before the writing pass is given its bytes, which it takes
  // where they lie. The window is handed out up to its last T00 line, so that a segment ends
  // at a batch whose bytes have all been seen. A batch longer than the window is handed out
  // as far as the search has gone, and the end of its segment is found by reading ahead.
  struct Era {
    std::uint64_t kohta;
    std::uint32_t nimenAlku, nimenPituus;  // in nimivarasto_: the file that takes the batch
    std::uint64_t tiedosto;                // in the segment, eiArvoa until declared
    std::uint32_t avaimenPituus;           // the batch's own name after it, when the file is another
  };
  static constexpr std::size_t varastoEnintaan = 512 * 1024;

  euro::Nakyma anna() {
    if (annettu_ == rajaus_ && !tayta()) {
      // Only the archive's end ends the pass: a window that could not move on must not look
      // like it, or the batches after it would go unwritten with the journal removed.
      if (!lopussa_ || annettu_ != maara_) virhe("ikkuna ei edennyt");
      return {nullptr, 0};
    }
    const euro::Nakyma n{ikkuna_.get() + annettu_, rajaus_ - annettu_};
    annettu_ = rajaus_;
    return n;
  }

  // Keeps what is not yet given or not yet searched, reads on after it and names what came.
  bool tayta() {
    if (lopussa_ && rajaus_ == maara_) return false;
    if (!ikkuna_) ikkuna_ = std::make_unique_for_overwrite<char[]>(ikkunanKoko_);
    // The batches the writing pass has taken go from the queue and their names with them.
    if (eraAlku_ > 0) {
      const std::size_t pois = eraAlku_ < erat_.size() ? erat_[eraAlku_].nimenAlku : nimivarasto_.size();
      nimivarasto_.erase(0, pois);
      erat_.erase(erat_.begin(), erat_.begin() + static_cast<std::ptrdiff_t>(eraAlku_));
      for (Era& e : erat_) e.nimenAlku -= static_cast<std::uint32_t>(pois);
      eraAlku_ = 0;
    }
    const std::size_t pida = std::min(annettu_, haettu_);
    if (pida > 0) {
      ennenIkkunaa_ = ikkuna_[pida - 1];
      std::memmove(ikkuna_.get(), ikkuna_.get() + pida, maara_ - pida);
      ikkunanAlku_ += pida;
      maara_ -= pida;
      annettu_ -= pida;
      haettu_ -= pida;
    }
    while (!lopussa_ && maara_ < ikkunanKoko_) {
      const std::size_t n = static_cast<std::size_t>(
          std::min<std::uint64_t>(ikkunanKoko_ - maara_, arkistonPituus_ - std::min(arkistonPituus_, ikkunanAlku_ + maara_)));
      const std::size_t m = n ? syote_.lue(ikkuna_.get() + maara_, n) : 0;
      if (m == 0) lopussa_ = true;
      maara_ += m;
    }
    hae();
    if (lopussa_ && haettu_ == maara_) {
      rajaus_ = maara_;
    } else if (!erat_.empty() && erat_.back().kohta - ikkunanAlku_ > annettu_) {
      rajaus_ = static_cast<std::size_t>(erat_.back().kohta - ikkunanAlku_);
    } else {
      // A batch longer than the window: handed out as far as searched, never further, so
      // that no T00 line reaches the writing pass before the search has named it.
      rajaus_ = haettu_;
    }
    return rajaus_ > annettu_;
  }

  // The T00 lines from haettu_ on, named, into the queue. A T00 line begins with "T00" right
  // after a CR or an LF, as the split's own line rule has it; the rest of the bytes are only
  // searched, not cut into lines.
  void hae() {
    const char* b = ikkuna_.get();
    std::size_t i = haettu_;
    while (erat_.size() < rajat_.eratEdella && nimivarasto_.size() < varastoEnintaan) {
      const std::size_t p = etsiT00(b, i, maara_, a_.saadot.kapeaHaku);
      if (p == eiT00) {
        i = lopussa_ ? maara_ : std::max(i, maara_ - std::min<std::size_t>(maara_ - i, 2));
        break;
      }
      // A line whose name would read past the window waits for the next reading.
      if (!lopussa_ && maara_ - p < tarve_) {
        i = p;
        break;
      }
      const char ennen = p == 0 ? ennenIkkunaa_ : b[p - 1];
      if (ennen == '\r' || ennen == '\n') {
        std::size_t e = p + std::min(tarve_, maara_ - p);
        for (std::size_t q = p; q < e; ++q)
          if (b[q] == '\r' || b[q] == '\n') {
            e = q;
            break;
          }
        nimea(std::string_view(b + p, e - p), ikkunanAlku_ + p);
      }
      i = p + 1;
    }
    haettu_ = i;
  }

  // The batch whose T00 line begins with paa, at kohta, into the queue with its file's name.
  void nimea(std::string_view paa, std::uint64_t kohta) {
    const std::string& nimi = nimeaja_->nimi(paa);
    // Which file takes it is decided here, before the segment is declared. A name that
    // was not in the target when the split began, or whose file this split made, is its
    // own file's: neither the disk nor the names' table is asked.
    bool toinen = false;
    const std::uint64_t* tunnettu = tunnetut_.hae(alusta::onWindows ? nimiTiiviste(nimi) : avainNimesta(nimi));
    const bool poissa = tunnettu ? *tunnettu == tehtyTaalla : kaikkiTunnetaan_;
    const std::string& tiedosto = kohdenimet_.valitse(nimi, nimeaja_->loppuosanPituus(), toinen, poissa);
    erat_.push_back({kohta, static_cast<std::uint32_t>(nimivarasto_.size()), static_cast<std::uint32_t>(tiedosto.size()),
                     Hajautus::eiArvoa, static_cast<std::uint32_t>(toinen ? nimi.size() : 0)});
    nimivarasto_ += tiedosto;
    if (toinen) nimivarasto_ += nimi;
  }

  // The queue's T00 line at kohta, the ones before it dropped; none when the search did not
  // name it.
  const Era* eraKohdassa(std::uint64_t kohta) {
    while (eraAlku_ < erat_.size() && erat_[eraAlku_].kohta < kohta) ++eraAlku_;
    return eraAlku_ < erat_.size() && erat_[eraAlku_].kohta == kohta ? &erat_[eraAlku_] : nullptr;
  }

  std::string_view eranNimi(const Era& e) const { return std::string_view(nimivarasto_).substr(e.nimenAlku, e.nimenPituus); }
  std::string_view eranAvain(const Era& e) const {
    return std::string_view(nimivarasto_).substr(e.nimenAlku + e.nimenPituus, e.avaimenPituus);
  }

  // Declares the segment from kohta on, with its company files and their lengths, flushed,
  // before any of its batches is written.
  void julista(std::uint64_t kohta) {
    unohdaJakso();
    KirjanJakso j;
    j.siirretty = true;
    j.kohta = kohta;
    const bool kaikki = lopussa_ && haettu_ == maara_;  // every T00 line to the end is named
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
      const std::uint64_t* tunnettu = tunnetut_.hae(h);
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
      j.tiedostot.push_back({std::string(), pituus, 0, {}, toinen ? std::string(eranAvain(e)) : std::string()});
    }
    if (!loppu) loppu = kaikki ? ikkunanAlku_ + maara_ : seuraavaEra(kohta);
    j.loppu = *loppu;
    if (j.loppu > arkistonPituus_) virhe("arkisto kasvoi");
    // The names lent to the record for its writing, not copied.
    for (std::size_t i = 0; i < tiedostot_.size(); ++i) j.tiedostot[i].nimi.swap(nimet_[i]);
    kirja_.kirjaa(j);
    for (std::size_t i = 0; i < tiedostot_.size(); ++i) j.tiedostot[i].nimi.swap(nimet_[i]);
    toimitetut();
    jaksonLoppu_ = j.loppu;
  }

  // The next T00 line after kohta (a T00 line's start), or the archive's end, read ahead past
  // the window: the batch at kohta is longer than what the window holds of it.
  std::uint64_t seuraavaEra(std::uint64_t kohta) {
    if (!esi_.onAuki()) esi_.avaa(arkisto_, alusta::Tila::lue);
    esi_.siirry(kohta);
    if (!esiPuskuri_) esiPuskuri_ = std::make_unique_for_overwrite<char[]>(esipuskuri_);
    char* b = esiPuskuri_.get();
    std::uint64_t alku = kohta;  // the file offset of b[0]
    std::size_t n = 0;
    bool lopussa = false;
    char edellinen = '\n';  // kohta is a line's start
    std::size_t i = 0;
    for (;;) {
      if (!lopussa && n - i < 3) {
        if (i > 0) {
          edellinen = b[i - 1];
          std::memmove(b, b + i, n - i);
          alku += i;
          n -= i;
          i = 0;
        }
        while (n < esipuskuri_) {
          const std::uint64_t jaljella = arkistonPituus_ - std::min(arkistonPituus_, alku + n);
          const std::size_t m =
              jaljella ? esi_.lue(b + n, static_cast<std::size_t>(std::min<std::uint64_t>(esipuskuri_ - n, jaljella))) : 0;
          if (m == 0) {
            lopussa = true;
            break;
          }
          n += m;
        }
      }
      if (i >= n) return arkistonPituus_;
      const std::size_t p = etsiT00(b, i, n, a_.saadot.kapeaHaku);
      if (p == eiT00) {
        if (lopussa) return arkistonPituus_;
        // A "T00" may begin in the last two bytes and end in the next read.
        i = n - std::min<std::size_t>(n - i, 2);
        continue;
      }
      const char ennen = p == 0 ? edellinen : b[p - 1];
      if ((ennen == '\r' || ennen == '\n') && alku + p > kohta) return alku + p;
      i = p + 1;
    }
  }

  // The segment's batches are in their files: on the disk before the journal goes past them.
  void tarkistuspiste() {
    merkitse();
    tuloste_.sulje();
    nimet_.resize(tiedostot_.size());
    alusta::tallennaTiedostot(kohdeKansio_, nimet_);
    for (const JaksonTiedosto& t : tiedostot_) tunne(t.avain, t.tehty);
  }

  void merkitse() {
    if (edellinen_) edellinen_->pituus = tuloste_.pituusNyt();
    edellinen_ = nullptr;
  }

  struct Ohjaus {
    Jaksottaja& j;
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

  // The pass from alku (the start, or a declared segment's start), its lines taken from the
  // window; a new split declares its first segment before anything is written.
  void jaa(std::uint64_t alku, bool julistaAlussa, Yhteenveto& y) {
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
    nimivarasto_.clear();
    if (jatko) nimea(jatko->paa, alku);
    tayta();
    if (julistaAlussa) julista(alku);
    Ohjaus ohjaus{*this};
    euro::RiviVirta virta([this] { return anna(); }, euro::Rivisaanto::tiliote, alku);
    jako::jaa(virta, kohde_, a_, posAlku_, posLoppu_, ohjaus, tuloste_, &y, jatko ? &*jatko : nullptr);
    tarkistuspiste();
    kerroPidatetysta(y);
    syote_.sulje();
    kirja_.poista();
  }

  Paivakirja& kirja_;
  const KirjanOtsikko& o_;
  Yhteenveto& y_;
  Yhteenveto toimitettu_;  // the summary as of the journal's last record
  std::vector<TiedostonYhteenveto> ehjat_;  // found whole in finishing a cut-off segment
  PaloitteluAsetukset a_;
  Rajat rajat_;
  std::string arkisto_;
  std::string kohde_;  // the target as this run names it, ending with the separator
  Kohdenimet kohdenimet_;
  std::int32_t posAlku_ = 0, posLoppu_ = 0;
  alusta::Tiedosto syote_, esi_;
  std::uint64_t arkistonPituus_ = 0;  // where the pass ends
  std::uint64_t pituus_ = 0;          // the archive's length when opened
  bool kasvaa_ = true;
  tito::Pidatys pidatys_{~std::uint64_t{0}, false, std::nullopt};
  std::string kohdeKansio_;
  jako::Kirjoittaja tuloste_;
  // The target's names as hashes, tehtyTaalla for the files this split made.
  Hajautus tunnetut_;
  static constexpr std::uint64_t tehtyTaalla = 1;
  bool kaikkiTunnetaan_ = true;  // tunnetut_ holds every name of the target: one it lacks is not there
  // The segment.
  std::vector<JaksonTiedosto> tiedostot_;
  std::vector<std::string> nimet_;  // the first tiedostot_.size() are the segment's names
  Hajautus jaksonHaku_;
  std::uint64_t jaksonLoppu_ = 0;
  JaksonTiedosto* edellinen_ = nullptr;  // the file of the batch being written
  std::string nimi_;
  // The window and the named T00 lines in it.
  std::unique_ptr<NimenMuodostaja> nimeaja_;
  std::size_t tarve_ = 3;
  std::unique_ptr<char[]> ikkuna_;
  std::size_t ikkunanKoko_ = 0;
  std::uint64_t ikkunanAlku_ = 0;  // the file offset of ikkuna_[0]
  std::size_t maara_ = 0, annettu_ = 0, haettu_ = 0, rajaus_ = 0;
  bool lopussa_ = false;
  char ennenIkkunaa_ = '\n';  // the byte before ikkuna_[0]
  std::vector<Era> erat_;
  std::size_t eraAlku_ = 0;  // the first the writing pass has not reached
  std::string nimivarasto_;
  // Reading ahead past the window.
  static constexpr std::size_t esipuskuri_ = 64 * 1024;
  std::unique_ptr<char[]> esiPuskuri_;
};

}  // namespace

void jaaKirjanKanssa(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     const KirjanJakso* kesken, Yhteenveto& y, const std::string* kohde) {
  Jaksottaja j(kirja, o, arkisto, kohde ? *kohde : o.kohde, y);
  try {
    if (kesken && kesken->siirretty) {
      j.jatka(*kesken, kirja.rikki(), y);
    } else if (kesken && kirja.rikki()) {
      // The first segment's record is what was lost: from its start, its batches looked for.
      KirjanJakso alku;
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

}  // namespace split
