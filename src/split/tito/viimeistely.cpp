// The finishing of a cut-off segment: its company files compared with the archive's batches,
// what a cut-off batch left cut, and the segment declared again with what is there now.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/lue.h"
#include "split/tito/osittaja.h"

namespace split::tito {

// The cut-off split's segment: checked, what a cut-off batch left cut, declared again with
// what is there now, and split from its start passing over what was delivered. rikki: the
// journal went on past its last whole record, so the segment after it may have been written.
void Osittaja::jatka(const KirjanOsa& kirjattu, bool rikki, Yhteenveto& y) {
  KirjanOsa k = kirjattu;
  if (k.loppu > arkistonPituus_) virhe("arkisto on lyhyempi kuin päiväkirjassa");
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
  for (const auto& f : k.tiedostot) kohdenimet_.aseta(f.tila.empty() ? f.nimi : f.tila, f.nimi);
  if (rikki) laajennaRikottuun(k);
  Vertaaja v;
  std::vector<std::string> keskenRivin;
  lueTiedostot(k, v, keskenRivin);
  // By the batches' own name (the file's, or the one it was taken for): the file and how
  // many of its batches to pass over.
  std::unordered_map<std::string, std::pair<std::string, std::uint64_t>> ohitettavat;
  for (const auto& f : k.tiedostot) ohitettavat[f.tila.empty() ? f.nimi : f.tila] = {f.nimi, f.ohitetaan};
  auto vertailu = [&](std::uint64_t kohta, const std::string& nimi, std::size_t) -> jako::Paatos {
    if (kohta >= k.loppu) return {jako::Eralle::lopeta, {}};
    // Delivered before: no file of the segment holds it.
    if (ohitetaan(kohta, jatko ? &*jatko : nullptr)) return {jako::Eralle::ohita, {}};
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
  leikkaaKesken(k, v, keskenRivin);
  // What is there now is on the disk before the journal says so.
  KirjanOsa uusi;
  uusi.siirretty = true;
  uusi.kohta = k.kohta;
  uusi.loppu = k.loppu;
  unohdaJakso();
  for (const auto& f : k.tiedostot) {
    const Vertaaja::Tila& t = v.tiedostot.at(f.nimi);
    const std::uint64_t pituus = t.leikkaa.value_or(t.pituus);
    uusi.tiedostot.push_back({f.nimi, pituus, f.ohitetaan + t.ehjia, f.tila});
    lisaaJaksoon(f.nimi, {pituus, f.ohitetaan + t.ehjia, 0, false, nimiTiiviste(f.nimi), !f.tila.empty()},
                 avainNimesta(f.nimi));
  }
  nimet_.resize(tiedostot_.size());
  alusta::tallennaTiedostot(kohdeKansio_, nimet_);
  laskeEhjat(k, v);
  kirja_.kirjaa(uusi);
  toimitetut();
  jaksonLoppu_ = k.loppu;
  jaa(k.kohta, false, y);
  lisaaEhjat(y);
}

// The company files' lengths now, none shorter than the record has them; keskenRivin gets
// those whose recorded length is not at a line's end.
void Osittaja::lueTiedostot(const KirjanOsa& k, Vertaaja& v, std::vector<std::string>& keskenRivin) {
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
}

void Osittaja::leikkaaKesken(const KirjanOsa& k, const Vertaaja& v, const std::vector<std::string>& keskenRivin) {
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
}

void Osittaja::laskeEhjat(const KirjanOsa& k, const Vertaaja& v) {
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
}

// The journal went on past its last whole record: the segment after it was declared, and
// may have been written in part or whole, though its record is lost. Which of its batches
// their company files already hold is read from the files' ends, not taken from the
// record's absence: the recorded segment is widened by the next (a declared segment is
// never longer than its bytes' bound, or than its one batch), and a file it does not name is
// taken to begin where it ends with the beginning of its batches from there on.
void Osittaja::laajennaRikottuun(KirjanOsa& k) {
  if (k.loppu >= arkistonPituus_) return;
  const std::uint64_t raja = k.loppu + std::max<std::uint64_t>(ikkunanKoko_, rajat_.tavuja);
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
  const std::optional<jako::Jatko> jatko = jatkoKohdassa(k.loppu);
  auto ohjaus = [&](std::uint64_t kohta, const std::string& nimi, std::size_t loppu) -> jako::Paatos {
    if (kohta >= raja) return {jako::Eralle::lopeta, {}};
    if (ohitetaan(kohta, jatko ? &*jatko : nullptr)) return {jako::Eralle::ohita, {}};
    bool toinen = false;
    const std::string& tiedosto = kohdenimet_.valitse(nimi, loppu, toinen);
    if (!kirjatut.count(tiedosto) && !keraaja.tavut.count(tiedosto)) {
      jarjestys.push_back(tiedosto);
      if (toinen) avaimet[tiedosto] = nimi;
    }
    return {jako::Eralle::kirjoita, {}, false, toinen ? &tiedosto : nullptr};
  };
  syote_.siirry(k.loppu);
  const std::optional<std::uint64_t> loppui = jako::jaa(syote_, k.loppu, kohde_, a_, posAlku_, posLoppu_, ohjaus,
                                                        keraaja, nullptr, jatko ? &*jatko : nullptr, arkistonPituus_);
  for (const std::string& nimi : jarjestys) {
    const std::string& c = keraaja.tavut[nimi];
    const std::string polku = kohde_ + nimi;
    const std::uint64_t pituus = alusta::pituusJosOn(polku).value_or(0);
    const std::uint64_t omia = pituus > 0 ? omaaLopussa(polku, pituus, c) : 0;
    auto a = avaimet.find(nimi);
    k.tiedostot.push_back({nimi, pituus - omia, 0, a != avaimet.end() ? a->second : std::string()});
  }
  k.loppu = loppui.value_or(arkistonPituus_);
}

// How many bytes the file ends with of c's beginning, from a line's start: the longest
// such end.
std::uint64_t Osittaja::omaaLopussa(const std::string& polku, std::uint64_t pituus, const std::string& c) {
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

}  // namespace split::tito
