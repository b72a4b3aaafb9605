// The XML split's segments: whole documents, or, in a document of more companies than a
// segment takes, a run of its statements; each segment's statements grouped by company
// document. The check gathers them as it walks, and the split writes them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "euro/virhe.h"
#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/camt/camt.h"
#include "split/camt/kaynti.h"
#include "split/camt/nimisto.h"

namespace split::camt {

namespace sisa {

// Where a document's parts lie: what a company file made from it takes as its head and its end.
struct Dok {
  std::uint64_t edellinenLoppu, juuri, ensimmainen, viimeinenLoppu, loppu;
  std::uint32_t tunnus = 0;  // its message form
};
// A statement in 16 bytes: its offset with the length of the gap before it (the end of the
// element before it in the list, up to 256 bytes back) in the top bits, its length, its group
// (as the walk keeps it: its name's number, see ryhmita).
struct Lau {
  static constexpr int siirto = 48;
  std::uint64_t alkuJaVali;
  std::uint32_t pituus, ryhma;
  std::uint64_t alku() const { return alkuJaVali & ((1ull << siirto) - 1); }
  std::uint64_t loppu() const { return alku() + pituus; }
  std::uint64_t vali() const { return alkuJaVali >> siirto; }
};
// A group's key in a table of groups: its message form and its name's number, one key for each
// pair (bit 0 free, as the tables want it). The tables take a key's low bits as its place, so
// the form is mixed into them: else the groups of one name in many forms all want one place.
inline std::uint64_t ryhmanAvain(std::uint32_t tunnus, std::uint32_t nimi) {
  constexpr std::uint64_t bitit63 = ~std::uint64_t{0} >> 1;
  std::uint64_t v = ((std::uint64_t{tunnus} & 0x7fffffffu) << 32) | nimi;
  v ^= v >> 31;                             // both steps one to one on 63 bits
  v = (v * 0x9E3779B97F4A7C15ull) & bitit63;
  return v << 1;
}
// The statements of one company and one message form in a segment, made when the segment is
// written; its name is a number in the segment's Nimisto, which the check's segments share: a
// file of many companies names each in segment after segment.
struct Ryhma {
  std::uint32_t nimi = 0;
  std::uint32_t tunnus = 0;
  std::uint32_t dok = 0;  // the document of its first statement
  std::uint32_t lausuntoja = 0;
};
// The statements of the file from kohta to loppu. A walk that reaches the next segment begins
// at jatko: loppu itself between documents, else the start of the document loppu lies in.
struct Jakso {
  std::uint64_t kohta = 0, loppu = 0, jatko = 0;
  std::vector<Dok> dokit;
  std::vector<Lau> lau;
  std::vector<Ryhma> ryhmat;
  std::shared_ptr<const Nimisto> nimet;
  RyhmanNimi nimi(const Ryhma& g) const { return nimet->nimi(g.nimi); }
};

// The message forms seen, as numbers.
struct Tunnukset {
  std::unordered_map<std::string, std::size_t> m;
  std::size_t anna(const std::string& t) { return m.try_emplace(t, m.size()).first->second; }
};

// Where the split begins: statements before alku are not its own, and a cut-off split's
// first segment ends exactly at pakotettu.
struct Rajaus {
  std::uint64_t alku = 0;
  std::optional<std::uint64_t> pakotettu;
};

// A segment ends after the document that brings its statements past tavuja bytes or its
// groups to tiedostoja, and inside a document before the statement that would bring in a
// group past tiedostoja, or its bytes past 8 * tavuja, or its statements past 262,144, so that
// memory stays bounded whatever the number of companies and statements. The settings' saadot
// give them (built in: 4096 files, 256 MiB).
struct JaksonRajat {
  std::size_t tiedostoja;
  std::uint64_t tavuja;
};
JaksonRajat jaksonRajat(const PaloitteluAsetukset& a);

}  // namespace sisa

// The walk of a check, kept for the split: the segments it found, up to a bound of memory,
// and every document a segment ends inside (the split needs its end before it gets there).
struct Indeksi {
  sisa::Tunnukset tunnukset;
  std::vector<sisa::Jakso> jaksot;
  std::vector<sisa::Dok> pitkat;  // in the file's order
  std::uint64_t lahto = 0, loppu = 0;  // where the last segment kept ends, and a walk to it begins
  bool kaikki = false;                 // every segment of the file is kept
};

namespace sisa {

// Gathers statements into segments as the walk goes, each statement named (which checks its
// key and name), and hands every segment on when it is complete. Past its bound of memory it
// only checks, and keeps the segments' borders. A segment that ends inside a document waits
// for that document's end, unless pitkat already tells where the document ends.
class Keraaja : public Kasittelija {
 public:
  using Valmis = std::function<void(Jakso&)>;
  Keraaja(const PaloitteluAsetukset& a, Indeksi& ind, Rajaus r, Valmis valmis, bool keraaPitkat,
          std::size_t raja = ~std::size_t{0});

  bool ylittyi() const { return !keraa_; }
  void lausunto(const Asiakirja& d, const Lausunto& l) override;
  void asiakirjanLoppu(const Asiakirja& d) override;
  // After the walk: the last segment.
  void loppuun();

 private:
  void sulje(std::uint64_t loppu, std::uint64_t jatko, bool odottaa = false);
  void suljeKesken(const Asiakirja& d);
  std::uint32_t tunnus(const Asiakirja& d);
  // The number of the statement's name n1 (its parts as nimet_ made them).
  std::uint32_t ryhmanNimi(const Asiakirja& d, const Lausunto& l, const std::string& n1);
  std::uint64_t hakuavain(std::uint32_t nimi) const { return ryhmanAvain(static_cast<std::uint32_t>(tunnus_), nimi); }

  Nimet nimet_;
  JaksonRajat rajat_;
  Indeksi& ind_;
  Valmis valmis_;
  bool keraaPitkat_;
  std::size_t raja_, muisti_ = 0;
  bool keraa_ = true;
  std::uint64_t alku_;
  std::optional<std::uint64_t> pakotettu_;
  std::uint64_t kohta_;
  Jakso j_;
  std::vector<Jakso> odottavat_;  // ended inside the open document, waiting for its end
  bool kesken_ = false;           // a segment ended inside the open document
  // The names: the check's kept segments share one Nimisto; a walk that keeps nothing (the
  // split's own, the check's past its bound) takes a new one for each segment.
  std::shared_ptr<Nimisto> nimisto_ = std::make_shared<Nimisto>();
  bool yhteisetNimet_;
  HajautusT<std::uint32_t> haku_;  // the segment's groups by name and message form
  std::uint64_t tavuja_ = 0, viimeinenLoppu_ = 0, dokinLoppu_ = 0;
  std::size_t dokissa_ = 0;  // statements of the open document in the segment
  std::size_t lausuntoja_ = 0;
  std::size_t tunnus_ = 0;
  std::uint64_t tunnuksenJuuri_ = ~std::uint64_t{0};
};

// The walk of the file from its start under r, up to loppu: checked whole, its segments kept
// up to raja bytes of memory. Refusals throw Hylatty.
// With anna, the file's statements as tiliotteet gives them, from the same walk.
std::shared_ptr<Indeksi> indeksoi(const std::string& polku, const PaloitteluAsetukset& a, const Rajaus& r,
                                  std::size_t raja, std::uint64_t* pituus = nullptr,
                                  std::uint64_t loppu = ~std::uint64_t{0},
                                  const std::function<void(const Tiliote&)>* anna = nullptr);

// The walk of kay with k, each statement also given to anna as tiliotteet gives it (after k
// took it: a statement k refuses is given to no one).
void kayLuetellen(xml::Lahde& lahde, Kasittelija& k, const std::string& polku, const PaloitteluAsetukset& a,
                  const std::function<void(const Tiliote&)>& anna);

// The segment's groups, in the order of their first statements, from its statements' names and
// their documents' message forms; each statement's ryhma from its name's number to its group's.
// The walk keeps no groups: in a file of many companies a segment has as many as statements.
void ryhmita(Jakso& j, HajautusT<std::uint32_t>& haku);

// Every kept segment's statements grouped by company file for the whole file, in the order of
// the groups' first statements, as the segments would group them one after another. The
// statements are numbered over all segments; each one's ryhma links to the next of its group
// (loppuu after the last), so that the grouping costs no memory per statement.
struct KaikkiRyhmat {
  static constexpr std::uint32_t loppuu = ~std::uint32_t{0};
  struct Koko {
    Ryhma ryhma;               // its dok in the segment of its first statement
    std::uint32_t jakso = 0;   // that segment
    std::uint32_t ensimmainen = 0, viimeinen = 0;
    std::uint32_t toinen = loppuu;  // the group of the same name in another message form, if any
    bool toisia = false;            // a later group has the same name
  };
  std::vector<Koko> ryhmat;
  std::vector<std::uint32_t> alut;  // each segment's first statement's number
  std::size_t jakso(std::uint32_t n) const {
    return static_cast<std::size_t>(std::upper_bound(alut.begin(), alut.end(), n) - alut.begin()) - 1;
  }
  const Lau& lau(const std::vector<Jakso>& jaksot, std::uint32_t n) const {
    const std::size_t s = jakso(n);
    return jaksot[s].lau[n - alut[s]];
  }
  // The group's statements in order, one a call, then nullptr.
  auto lausunnot(const std::vector<Jakso>& jaksot, const Koko& g) const {
    return [this, &jaksot, n = g.ensimmainen]() mutable -> const Lau* {
      if (n == loppuu) return nullptr;
      const Lau& l = lau(jaksot, n);
      n = l.ryhma;
      return &l;
    };
  }
};
// From the statements as the walk keeps them (each one's ryhma its name's number in the
// segments' one Nimisto); those that begin in ohita go in no group.
void ryhmitaKaikki(std::vector<Jakso>& jaksot, const Ohitettavat& ohita, KaikkiRyhmat& k);

// The segment without the statements that begin in ohita and the groups left with none (no
// file is made for them), each group's document its first statement's: j itself when nothing
// of it is passed over, else karsittu made so.
const Jakso& karsi(const Jakso& j, const Ohitettavat& ohita, Jakso& karsittu);

// A split's key must be one a statement carries (positions are not).
inline void vaadiAvain(const PaloitteluAsetukset& a) {
  if (!valittuAvain(a)) throw euro::Virhe(euro::virhenro::virheellinenKutsu, positiotEivatKay);
}

// The end of the archive's last whole document before anything that is not one, as far as the
// archive is now: a document the bank program is still writing, or bytes that came after the
// split and do not pass, are left to the grown archive's split, which waits for them or
// refuses them.
std::uint64_t kokonaistenLoppu(const std::string& arkisto);

// The end of the last whole document from alku on (a document start), alku when none is whole
// yet; a document that does not pass throws Hylatty, as the grown archive's split refuses it.
std::uint64_t kokonaistenLoppuKohdasta(const std::string& arkisto, std::uint64_t alku);

// A split that ended at its last document's end with only white space, whole comments and PIs
// after it (the line end after the root, a closing comment) takes its journal's last record to
// the archive's end, so that an archive nobody writes any more keeps no record of a split that
// went on.
void loppuunValit(Kirjaus& kirja, const std::string& arkisto);

}  // namespace sisa

}  // namespace split::camt
