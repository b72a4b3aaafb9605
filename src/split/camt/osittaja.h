// The XML split's writer of company files, shared by its two ways of writing: segment by
// segment (osittaja.cpp), and, when the check kept the whole file, each company file once for
// the run (kaikki.cpp).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/kesken.h"
#include "split/lue.h"
#include "split/paloittele.h"
#include "split/camt/kaynti.h"
#include "split/camt/muisti.h"
#include "split/camt/osat.h"
#include "split/camt/tavut.h"
#include "split/camt/tuottaja.h"

namespace split::camt::sisa {

using euro::ansi;

[[noreturn]] void eiVastaa(const std::string& arkisto, const std::string& miksi);
// Whether nimi is one of the names a group of g's name may take.
bool onRyhmanNimi(const RyhmanNimi& g, const std::string& nimi);
// Whether the file of length pituus ends with hanta.
bool paattyy(const std::string& polku, std::uint64_t pituus, const std::string& hanta);

// Writes company files: every group's file decided, declared in the journal (when there is one),
// its closing part cut, its statements and closing part written, all flushed before the next
// record.
class Osittaja {
 public:
  Osittaja(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
           Kirjaus* kirja, Tunnukset& t)
      : arkisto_(arkisto), kohde_(kohde), y_(y), kirja_(kirja), tunnukset_(t), tuottaja_(arkisto, a), kansio_(kohde),
        tiedostoja_(jaksonRajat(a).tiedostoja) {
    kohdeKansio_ = kohde_.size() > 1 ? kohde_.substr(0, kohde_.size() - 1) : kohde_;
  }

  void suljeKesken() noexcept { ulos_.suljeKesken(); }

  std::int64_t lausuntoja = 0;  // written by this run

  void jaa(const Jakso& j);
  // The journal's segment, cut off: its files are the record's, checked against what this
  // segment makes of them; each is given only what it lacks.
  void viimeistele(const Jakso& j, const KirjanOsa& k);
  // Every kept segment at once (kaikki.cpp): each company file decided, opened and written once
  // for the run, its closing part cut and written once. Under the journal its records name the
  // files a segment's bound of them at a time; kesken: such a record, cut off, whose files are
  // finished first (jaksot then its one segment).
  void jaaKaikki(std::vector<Jakso>& jaksot, const Ohitettavat& ohita, const KirjanOsa* kesken = nullptr);

 private:
  // The file that takes group g's statements: the first of the name, name-2, ... where nothing
  // is, or that holds a document of the same message form whose closing part can be cut.
  void ratkaise(const Ryhma& g, const RyhmanNimi& gn, Ratkaisu& x);
  // Under the journal: the record of r's files (k: where they are from), in the journal before
  // any of them is touched, and the closing parts of those extended cut, on the disk before
  // statements go in.
  void julista(KirjanOsa& k, std::vector<Ratkaisu>& r);
  // A cut-off record's file f, for a group named gn: checked, and decided as the record has it;
  // the bytes of the group's that the file holds already. A closing part never cut is cut now
  // (named in leikatut, to be flushed).
  std::uint64_t kirjasta(const RyhmanNimi& gn, const KirjanOsa::Tiedosto& f, Ratkaisu& x,
                         std::unordered_set<std::string>& nahdyt, std::vector<std::string>& leikatut);
  // Every file of the cut-off record k, the i-th for the group named nimi(i), decided into r as
  // kirjasta does; the cuts made flushed. Returns the bytes each file holds already.
  template <class N>
  std::vector<std::uint64_t> kirjasta(const KirjanOsa& k, std::vector<Ratkaisu>& r, const N& nimi) {
    std::unordered_set<std::string> nahdyt;
    std::vector<std::uint64_t> olemassa(k.tiedostot.size(), 0);
    std::vector<std::string> leikatut;
    r.assign(k.tiedostot.size(), Ratkaisu{});
    for (std::size_t i = 0; i < r.size(); ++i) olemassa[i] = kirjasta(nimi(i), k.tiedostot[i], r[i], nahdyt, leikatut);
    if (!leikatut.empty()) alusta::tallennaTiedostot(kohdeKansio_, leikatut);
    return olemassa;
  }
  // The rest of jaaKaikki's files from group g on: in place each decided as it is written.
  void kirjoitaKaikki(std::vector<Jakso>& jaksot, const KaikkiRyhmat& k, std::size_t g);
  std::size_t viimeisteleKaikki(std::vector<Jakso>& jaksot, const KaikkiRyhmat& k, const KirjanOsa& kesken);
  void muistaaRyhman(const KaikkiRyhmat::Koko& kg);
  // Cuts the closing part off an extended file, only when it is as it was decided; the file is
  // left at the cut, to be written on.
  void leikkaa(const Ratkaisu& x);
  // Returns where the writing goes on.
  std::uint64_t leikkaa(const Ratkaisu& x, alusta::Tiedosto& f);
  // Writes every group's bytes; with olemassa, a cut-off segment's files, each from the byte
  // that is not yet there (what is there compared first).
  void kirjoita(const Jakso& j, const std::vector<Ratkaisu>& r, const std::vector<std::uint64_t>* olemassa);
  // Under the journal, r's files on the disk before the journal moves past them.
  void tallenna(const std::vector<Ratkaisu>& r);
  // A group at a time, its statements read where they lie: a segment of thousands of company
  // files gathered in the file's order would need as many files open, or a write for each few
  // statements, and costs more than a read each (measured).
  void kirjoitaRyhmittain(const Jakso& j, const std::vector<Ratkaisu>& r, const std::vector<std::uint64_t>* olemassa);
  // A group's bytes into its file, from the byte ohitettava on (what a cut-off segment's file
  // holds already); jatkuu: the file is a cut-off segment's.
  template <class S>
  void kirjoitaRyhma(const Jakso& j, const Ryhma& g, const Ratkaisu& x, S&& lausunnot, bool jatkuu,
                     std::uint64_t ohitettava) {
    // In place, cut through the handle that writes it: a failure leaves that one file open.
    const bool leikaten = !x.uusi && !jatkuu && !kirja_;
    ulos_.avaa(kohde_ + x.nimi, leikaten ? alusta::Tila::muokkaa
                                         : (x.uusi && !jatkuu ? alusta::Tila::lisaaUusi : alusta::Tila::lisaa));
    if (leikaten) ulos_.jatkaKohdasta(leikkaa(x, ulos_.tiedosto()));
    std::uint64_t kohta = 0;
    std::int64_t kirjoitettuja = 0;
    tuottaja_.tuota(j.dokit[g.dok], x, lausunnot, [&](const char* p, std::size_t n, bool lausunnonLoppu) {
      if (lausunnonLoppu) {
        if (kohta > ohitettava) ++kirjoitettuja;
        return;
      }
      if (kohta + n > ohitettava) {
        const std::size_t ohi = kohta >= ohitettava ? 0 : static_cast<std::size_t>(ohitettava - kohta);
        ulos_.kirjoita(p + ohi, n - ohi);
      }
      kohta += n;
    });
    ulos_.sulje();
    kirjattu(j, g, x, kohta, kirjoitettuja, ohitettava);
  }

  // The first n bytes a group adds are what its file holds from where they begin; anything
  // else there is not this split's, and nothing is touched.
  template <class S>
  void vertaa(const Dok& d0, const Ratkaisu& x, S&& lausunnot, std::uint64_t n) {
    const std::string polku = kohde_ + x.nimi;
    alusta::Tiedosto f(polku, alusta::Tila::muokkaa);
    const std::uint64_t kanta = x.uusi ? 0 : x.pituus - x.hanta.size();
    std::uint64_t verrattu = 0;
    std::string b;
    tuottaja_.tuota(d0, x, lausunnot, [&](const char* p, std::size_t m, bool) {
      if (verrattu >= n || m == 0) return;
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(m, n - verrattu));
      b.resize(k);
      lueKohdasta(f, kanta + verrattu, b.data(), k);
      if (std::memcmp(b.data(), p, k) != 0)
        throw euro::Virhe(euro::virhenro::kayttovirhe,
                          ansi("Yritystiedostossa on keskeytyneen paloittelun kohdalla muuta: ") + polku);
      verrattu += k;
    });
    if (verrattu < n)
      throw euro::Virhe(euro::virhenro::kayttovirhe,
                        ansi("Yritystiedostossa on keskeytyneen paloittelun jälkeen muuta: ") + polku);
  }

  // A group's file written: the summary told, and what it ends with now remembered for the
  // next segment that finds it.
  void kirjattu(const Jakso& j, const Ryhma& g, const Ratkaisu& x, std::uint64_t kohta, std::int64_t kirjoitettuja,
                std::uint64_t ohitettava);

  std::string arkisto_, kohde_, kohdeKansio_;
  Yhteenveto& y_;
  Kirjaus* kirja_;
  Tunnukset& tunnukset_;
  Tuottaja tuottaja_;
  alusta::Kansio kansio_;  // the company files' lengths looked up from the folder held open
  std::size_t tiedostoja_;  // a segment's bound of files, and a record's in jaaKaikki
  Kirjoittaja ulos_;
  std::string hanta_;                        // a closing part read back
  std::unordered_set<std::string> varatut_;  // names the segment's groups took
  Muisti muisti_;
  bool muistaa_ = true;  // what the files hold is remembered (see muistaaRyhman)
  std::unordered_set<std::string> huomautetut_;
  Tiedostohaku yhteenvedossa_;
};

}  // namespace split::camt::sisa
