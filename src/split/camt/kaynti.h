// The walk over an XML statement file that the check, the split and the preview share: the
// documents' structure, each statement's fields and its byte range, and the company file
// names made from them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/nimi.h"
#include "xml/lukija.h"

namespace split::camt::sisa {

// A key text, an Id or a date longer than this is no bank's: refused, so memory stays bounded.
constexpr std::size_t tekstinRaja = 1024;
// The closing part of a company file (after its last statement) is held while statements go in
// before it; a longer one is not extended.
constexpr std::size_t hannanRaja = 64 * 1024;

// How the split reads the file: the reader's buffer as the settings have it.
inline xml::Rajat lukurajat(const PaloitteluAsetukset& a) {
  xml::Rajat r;
  r.puskuri = a.saadot.puskuri;
  return r;
}

// A refusal of the statement file: the reason in Finnish, with its place.
struct Hylatty {
  std::string viesti;
};

std::string paikka(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta);
[[noreturn]] void hylkaa(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta, const std::string& miksi);

class TiedostoLahde : public xml::Lahde {
 public:
  explicit TiedostoLahde(alusta::Tiedosto& t) : t_(t) {}
  std::size_t lue(char* p, std::size_t n) override { return t_.lue(p, n); }

 private:
  alusta::Tiedosto& t_;
};

// The archive from where a walk begins up to raja: an archive that a program still writes into
// is read only as far as it was when looked at. Asked for more at raja, it answers 0, or, when
// told to, throws Loppui: the walk needed bytes that had not yet come.
struct Loppui {};

class RajattuLahde : public xml::Lahde {
 public:
  RajattuLahde(alusta::Tiedosto& t, std::uint64_t kohta, std::uint64_t raja, bool heita = false)
      : t_(t), kohta_(kohta), raja_(raja), heita_(heita) {
    t_.siirry(kohta);
  }
  std::size_t lue(char* p, std::size_t n) override {
    const std::size_t m = kohta_ >= raja_ ? 0 : t_.lue(p, static_cast<std::size_t>(std::min<std::uint64_t>(n, raja_ - kohta_)));
    if (m == 0 && heita_) throw Loppui{};
    kohta_ += m;
    return m;
  }

 private:
  alusta::Tiedosto& t_;
  std::uint64_t kohta_, raja_;
  bool heita_;
};

// The fields of a statement that keys and names are taken from; after kOrgId, those of its
// identity, read only for a handler that asks for them (the current balance's in kBal*).
enum Kentta {
  kId, kCreDtTm, kFrDtTm, kToDtTm, kIban, kOthrId, kNm, kOrgId,
  kCcy, kElSeq, kLglSeq, kBalCd, kBalAmt, kBalInd,
  kenttia, kEi = kenttia
};

// A balance as the file holds it: Amt, its Ccy and CdtDbtInd.
struct Saldo {
  std::string maara, valuutta, merkki;
  bool on = false;
};
// The balances an identity takes, the first of each type.
enum SaldonLaji { sOPBD, sPRCD, sCLBD, saldolajeja };

struct Lausunto {
  std::uint64_t alku = 0, loppu = 0;
  std::uint64_t edellinen = 0;  // the end of the element before it in the list (group header, statement)
  std::int64_t rivi = 0;
  std::array<std::string, kenttia> teksti;
  std::array<bool, kenttia> on{};
  std::array<Saldo, saldolajeja> saldot;
  std::string saldonValuutta;  // the first balance's Amt/@Ccy
};

struct Asiakirja {
  std::uint32_t numero = 0;
  int viesti = 0;            // 52, 53 or 54
  std::string nimiavaruus;
  // The message, its version and the namespaces in scope at the statement list: what a
  // statement's bytes rely on. Two documents with the same one can take each other's statements.
  std::string tunnus;
  std::string luotu;                 // the group header's CreDtTm, which every message has
  std::uint64_t edellinenLoppu = 0;  // where the bytes before this document's root begin
  std::uint64_t juuri = 0;           // the root's "<"
  std::uint64_t ensimmainen = 0;     // the first statement's "<"
  std::uint64_t viimeinenLoppu = 0;  // one past the last statement
  std::uint64_t sisar = 0;           // one past the list's last element so far
  std::uint64_t loppu = 0;           // one past the root's end tag
  std::int64_t lausuntoja = 0;
  bool lista = false;                // the statement list element was seen
  bool listanJalkeen = false;        // something other than a statement followed a statement
  bool ryhma = false;                // the group header was seen
};

class Kasittelija {
 public:
  virtual ~Kasittelija() = default;
  virtual void lausunto(const Asiakirja& d, const Lausunto& l) = 0;
  virtual void asiakirjanLoppu(const Asiakirja& d) = 0;
  // Whether the statements' identity fields are read too (the split needs none of them).
  virtual bool tunnisteet() const { return false; }
};

// Walks the whole file: the documents' structure checked, each statement's fields gathered.
// Refusals throw Hylatty. kanta: the file offset where lahde begins (a cut-off split goes on
// from a document's start).
void kay(xml::Lahde& lahde, Kasittelija& k, xml::Rajat rajat = {}, std::uint64_t kanta = 0);

// The key, when it is one a statement carries (positions are not).
using Avain = PaloitteluAsetukset::Tunniste;
std::optional<Avain> valittuAvain(const PaloitteluAsetukset& a);
extern const std::string positiotEivatKay;

// The statement's Id for messages, in the program's text.
std::string tunniste(const Lausunto& l);
// The key's text as the file holds it, or nothing when the statement lacks it.
const std::string* avaimenTeksti(const Lausunto& l, Avain a);
// The text without the white space XML allows around it.
std::string_view trimmaaXml(std::string_view s);
// The statement's period as yyyymmdd dates, empty when it has none in that form.
std::pair<std::string, std::string> jakso(const Asiakirja& d, const Lausunto& l);

// Names as for TITO: prefix + key + suffix, "*", "?" and "#" from the period, then cleaned.
// A name's "-n" (n > 1) stands before the suffix: alku() + "-n" + loppu().
class Nimet {
 public:
  explicit Nimet(const PaloitteluAsetukset& a);

  // The file name of the statement; refuses a statement without the key or without a date
  // the name needs.
  const std::string& nimi(const Asiakirja& d, const Lausunto& l);
  // The parts of the last name around its "-n".
  const std::string& alku() const { return nimeaja_.alku(); }
  const std::string& loppu() const { return nimeaja_.loppu(); }

 private:
  Nimeaja nimeaja_;
  std::optional<Avain> avain_;
  std::string avain_t, vuosi_, kuukausi_, jakso_, nimi_;
};


// Random reads of the statement file in blocks: the bytes before a root, a document's end.
class Lukuikkuna {
 public:
  explicit Lukuikkuna(alusta::Tiedosto& t) : t_(t) {}
  // The byte at kohta, or -1 past the end.
  int tavu(std::uint64_t kohta);
  bool on(std::uint64_t kohta, std::string_view s);
  // The bytes from kohta on that the window holds (read in when it does not hold kohta);
  // empty past the end.
  std::string_view osa(std::uint64_t kohta);
  void asetaKoko(std::size_t koko) { koko_ = koko; }

 private:
  alusta::Tiedosto& t_;
  std::uint64_t alku_ = 0;
  std::string data_;
  std::size_t koko_ = 64 * 1024;
};

// Where a company document copied from d begins: at its XML declaration, or at the first thing
// that is not white space or a byte-order mark.
std::uint64_t paanAlku(Lukuikkuna& w, const Asiakirja& d);
// Whether anything but white space, byte-order marks, comments and PIs follows kohta.
bool asiakirjojaJaljella(Lukuikkuna& w, std::uint64_t kohta);
// Past the white space, comments and PIs that may close a file after its last document, from k
// up to raja: raja when nothing else stands there. A comment or PI not yet closed, a byte-order
// mark or an XML declaration (the next document's start) stops it.
std::uint64_t jalkiosanLoppu(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja);
// One past a document's end with the line end after its root, if any.
std::uint64_t hannanLoppu(Lukuikkuna& w, std::uint64_t loppu);

// A company file that exists and can take statements before its closing tags: its message
// and namespaces, its length and its closing part.
struct Olemassa {
  std::string tunnus;
  std::uint64_t pituus = 0;
  std::string hanta;
};
// Nothing when the file holds no one whole statement document with at least one statement
// and a short end, or is no plain file of the user's own to change (a link, a file with other
// names, read-only). Throws euro::Virhe when it cannot be read for another reason.
std::optional<Olemassa> tutki(const std::string& polku);

}  // namespace split::camt::sisa
