#include "split/camt.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/kesken.h"
#include "split/nimi.h"
#include "split/xml/lukija.h"

namespace split::camt {

namespace {

constexpr std::size_t puskurinOletus = 256 * 1024;
std::size_t puskurinKoko = puskurinOletus;
// A key text, an Id or a date longer than this is no bank's: refused, so memory stays bounded.
constexpr std::size_t tekstinRaja = 1024;
// The closing part of a company file (after its last statement) is held while statements go in
// before it; a longer one is not extended.
constexpr std::size_t hannanRaja = 64 * 1024;

using euro::ansi;

// A refusal of the statement file: the reason in Finnish, with its place.
struct Hylatty {
  std::string viesti;
};

std::string paikka(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta) {
  char b[96];
  std::snprintf(b, sizeof b, "asiakirja %u, rivi %lld (tavu %llu): ", asiakirja, static_cast<long long>(rivi),
                static_cast<unsigned long long>(kohta));
  return b;
}

[[noreturn]] void hylkaa(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta, const std::string& miksi) {
  throw Hylatty{paikka(asiakirja, rivi, kohta) + miksi};
}

class TiedostoLahde : public xml::Lahde {
 public:
  explicit TiedostoLahde(alusta::Tiedosto& t) : t_(t) {}
  std::size_t lue(char* p, std::size_t n) override { return t_.lue(p, n); }

 private:
  alusta::Tiedosto& t_;
};

// The fields of a statement that keys and names are taken from.
enum Kentta { kId, kCreDtTm, kFrDtTm, kToDtTm, kIban, kOthrId, kNm, kOrgId, kenttia, kEi = kenttia };

struct Lausunto {
  std::uint64_t alku = 0, loppu = 0;
  std::uint64_t edellinen = 0;  // the end of the element before it in the list (group header, statement)
  std::int64_t rivi = 0;
  std::array<std::string, kenttia> teksti;
  std::array<bool, kenttia> on{};
};

struct Asiakirja {
  std::uint32_t numero = 0;
  int viesti = 0;            // 52, 53 or 54
  std::string nimiavaruus;
  // The message, its version and the namespaces in scope at the statement list: what a
  // statement's bytes rely on. Two documents with the same one can take each other's statements.
  std::string tunnus;
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
};

const char* const listat[] = {"BkToCstmrAcctRpt", "BkToCstmrStmt", "BkToCstmrDbtCdtNtfctn"};
const char* const lausunnot[] = {"Rpt", "Stmt", "Ntfctn"};

// "urn:iso:std:iso:20022:tech:xsd:camt.05N.001.VV" with N 2, 3 or 4 and any version: 50 + N;
// otherwise 0.
int viestiNimiavaruudesta(std::string_view uri) {
  constexpr std::string_view alku = "urn:iso:std:iso:20022:tech:xsd:camt.05";
  if (uri.substr(0, alku.size()) != alku) return 0;
  uri.remove_prefix(alku.size());
  if (uri.size() < 7 || uri[0] < '2' || uri[0] > '4' || uri.substr(1, 5) != ".001.") return 0;
  for (char c : uri.substr(6))
    if (c < '0' || c > '9') return 0;
  return 50 + (uri[0] - '0');
}

// Walks the whole file: the documents' structure checked, each statement's fields gathered.
// Refusals throw Hylatty.
// kanta: the file offset where lahde begins (a cut-off split goes on from a document's start).
void kay(xml::Lahde& lahde, Kasittelija& k, xml::Rajat rajat = {}, std::uint64_t kanta = 0) {
  xml::Lukija lukija(lahde, rajat);
  Asiakirja d;
  d.edellinenLoppu = kanta;
  Lausunto l;
  bool lausunnossa = false;
  std::array<std::string, 9> polku;  // local names within the statement by depth, up to 8
  Kentta kentta = kEi;
  int kentanSyvyys = 0, syvyys = 0;
  try {
    for (;;) {
      xml::Tapahtuma e = lukija.seuraava();
      e.alku += kanta;
      e.loppu += kanta;
      switch (e.laji) {
        case xml::Laji::Alku: {
          syvyys = e.syvyys;
          const bool oma = e.nimiavaruus == d.nimiavaruus;
          if (e.syvyys == 1) {
            d.viesti = viestiNimiavaruudesta(e.nimiavaruus);
            if (e.paikallinen != "Document" || d.viesti == 0)
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("juurielementti ei ole tiliotesanoman Document (odotettiin nimiavaruutta "
                          "urn:iso:std:iso:20022:tech:xsd:camt.052, 053 tai 054)"));
            d.numero = e.asiakirja;
            d.nimiavaruus = e.nimiavaruus;
            d.juuri = e.alku;
          } else if (e.syvyys == 2) {
            const char* odotettu = listat[d.viesti - 52];
            if (d.lista || !oma || e.paikallinen != odotettu)
              hylkaa(e.asiakirja, e.rivi, e.alku, ansi("odotettiin Documentin ainoaa elementtiä ") + odotettu);
            d.lista = true;
            d.tunnus = d.nimiavaruus;
            for (const auto& [etuliite, uri] : lukija.nimiavaruudet()) d.tunnus += "\n" + etuliite + "=" + uri;
          } else if (e.syvyys == 3) {
            if (oma && e.paikallinen == lausunnot[d.viesti - 52]) {
              if (d.listanJalkeen)
                hylkaa(e.asiakirja, e.rivi, e.alku, ansi("tiliotteiden välissä on muu elementti"));
              lausunnossa = true;
              l = Lausunto{};
              l.alku = e.alku;
              l.edellinen = d.sisar ? d.sisar : e.alku;
              l.rivi = e.rivi;
              if (d.lausuntoja == 0) d.ensimmainen = e.alku;
            } else if (oma && e.paikallinen == "GrpHdr" && !d.ryhma && d.lausuntoja == 0) {
              d.ryhma = true;
            } else if (oma && e.paikallinen == "SplmtryData" && d.lausuntoja > 0) {
              d.listanJalkeen = true;
            } else {
              // Anything else would be left out of every company's file unseen.
              hylkaa(e.asiakirja, e.rivi, e.alku, ansi("odotettiin elementtiä ") + lausunnot[d.viesti - 52]);
            }
          } else if (lausunnossa && e.syvyys <= 8) {
            const std::size_t s = static_cast<std::size_t>(e.syvyys);
            polku[s] = oma ? std::string(e.paikallinen) : std::string();
            Kentta uusi = kEi;
            const std::string& n = polku[s];
            if (s == 4 && n == "Id") uusi = kId;
            else if (s == 4 && n == "CreDtTm") uusi = kCreDtTm;
            else if (s == 5 && polku[4] == "FrToDt" && n == "FrDtTm") uusi = kFrDtTm;
            else if (s == 5 && polku[4] == "FrToDt" && n == "ToDtTm") uusi = kToDtTm;
            else if (s == 6 && polku[4] == "Acct" && polku[5] == "Id" && n == "IBAN") uusi = kIban;
            else if (s == 6 && polku[4] == "Acct" && polku[5] == "Ownr" && n == "Nm") uusi = kNm;
            else if (s == 7 && polku[4] == "Acct" && polku[5] == "Id" && polku[6] == "Othr" && n == "Id")
              uusi = kOthrId;
            else if (s == 8 && polku[4] == "Acct" && polku[5] == "Ownr" && polku[6] == "Id" && polku[7] == "OrgId" &&
                     n == "Othr")
              uusi = kEi;
            // Acct/Ownr/Id/OrgId/Othr/Id lies one deeper than the path keeps; see below.
            if (uusi != kEi && !l.on[uusi]) {
              kentta = uusi;
              kentanSyvyys = e.syvyys;
            }
          } else if (lausunnossa && e.syvyys == 9 && oma && e.paikallinen == "Id" && polku[4] == "Acct" &&
                     polku[5] == "Ownr" && polku[6] == "Id" && polku[7] == "OrgId" && polku[8] == "Othr" &&
                     !l.on[kOrgId]) {
            kentta = kOrgId;
            kentanSyvyys = e.syvyys;
          }
          break;
        }
        case xml::Laji::Teksti:
          if (kentta != kEi && syvyys == kentanSyvyys) {
            std::string& t = l.teksti[kentta];
            if (t.size() + e.teksti.size() > tekstinRaja)
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("tiliotteen elementin teksti on yli ") + std::to_string(tekstinRaja) + ansi(" tavua pitkä"));
            t.append(e.teksti);
          }
          break;
        case xml::Laji::Loppu:
          syvyys = e.syvyys - 1;
          if (e.syvyys == 3) d.sisar = e.loppu;
          if (kentta != kEi && e.syvyys == kentanSyvyys) {
            l.on[kentta] = true;
            kentta = kEi;
          }
          if (e.syvyys == 3 && lausunnossa) {
            lausunnossa = false;
            l.loppu = e.loppu;
            d.viimeinenLoppu = e.loppu;
            ++d.lausuntoja;
            k.lausunto(d, l);
          }
          break;
        case xml::Laji::AsiakirjanLoppu:
          if (!d.lista)
            hylkaa(e.asiakirja, e.rivi, e.alku,
                   ansi("asiakirjasta puuttuu elementti ") + listat[d.viesti - 52]);
          d.loppu = e.loppu;
          k.asiakirjanLoppu(d);
          {
            const std::uint64_t seuraava = e.loppu;
            d = Asiakirja{};
            d.edellinenLoppu = seuraava;
          }
          break;
        case xml::Laji::TiedostonLoppu:
          return;
      }
    }
  } catch (const xml::Jasennysvirhe& v) {
    throw Hylatty{paikka(v.asiakirja, v.rivi, v.kohta + kanta) + v.viesti};
  }
}

enum class Avain { asiakastunnus, tilinumero, nimi };

std::optional<Avain> valittuAvain(const PaloitteluAsetukset& a) {
  if (a.optAsiakastunnus) return Avain::asiakastunnus;
  if (a.optTilinumero) return Avain::tilinumero;
  if (a.optTilinomistajanNimi) return Avain::nimi;
  return std::nullopt;
}

std::string_view trimmaaXml(std::string_view s) {
  const auto eka = s.find_first_not_of(" \t\r\n");
  if (eka == std::string_view::npos) return {};
  return s.substr(eka, s.find_last_not_of(" \t\r\n") - eka + 1);
}

// The statement's Id for messages, in the program's text.
std::string tunniste(const Lausunto& l) {
  return l.on[kId] ? euro::utf8Ansi(trimmaaXml(l.teksti[kId])) : ansi("(ei Id:tä)");
}

// The key's text as the file holds it, or nothing when the statement lacks it.
const std::string* avaimenTeksti(const Lausunto& l, Avain a) {
  switch (a) {
    case Avain::asiakastunnus: return l.on[kOrgId] ? &l.teksti[kOrgId] : nullptr;
    case Avain::tilinumero:
      return l.on[kIban] ? &l.teksti[kIban] : l.on[kOthrId] ? &l.teksti[kOthrId] : nullptr;
    case Avain::nimi: return l.on[kNm] ? &l.teksti[kNm] : nullptr;
  }
  return nullptr;
}

const char* avaimenElementti(Avain a) {
  switch (a) {
    case Avain::asiakastunnus: return "Acct/Ownr/Id/OrgId/Othr/Id";
    case Avain::tilinumero: return "Acct/Id/IBAN tai Acct/Id/Othr/Id";
    case Avain::nimi: return "Acct/Ownr/Nm";
  }
  return "";
}

// "yyyy-mm-dd..." as yyyymmdd; empty when the text does not begin with a date.
std::string paiva(std::string_view t) {
  t = trimmaaXml(t);
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return {};
  std::string p;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (t[i] < '0' || t[i] > '9') return {};
    p += t[i];
  }
  return p;
}

// The period of the statement, from FrToDt, or from CreDtTm when it has none.
std::pair<std::string, std::string> jakso(const Lausunto& l) {
  if (l.on[kFrDtTm] && l.on[kToDtTm]) return {paiva(l.teksti[kFrDtTm]), paiva(l.teksti[kToDtTm])};
  const std::string p = l.on[kCreDtTm] ? paiva(l.teksti[kCreDtTm]) : std::string();
  return {p, p};
}

// Names as for TITO: prefix + key + suffix, "*", "?" and "#" from the period, then cleaned.
class Nimet {
 public:
  Nimet(const PaloitteluAsetukset& a) : a_(a), avain_(valittuAvain(a)) {
    for (int c = 0; c < 256; ++c)
      kelpaa_[static_cast<std::size_t>(c)] = !fe_PuhdistaNimi(std::string(1, static_cast<char>(c))).empty();
  }

  // The cleaned key and the file name; n > 1 puts "-n" before the suffix. Refuses a statement
  // without the key or without a date the name needs.
  std::string nimi(const Asiakirja& d, const Lausunto& l, int n = 1) {
    const std::string* t = avaimenTeksti(l, *avain_);
    if (!t)
      hylkaa(d.numero, l.rivi, l.alku,
             ansi("tiliotteelta ") + tunniste(l) + ansi(" puuttuu avaimen elementti ") + avaimenElementti(*avain_));
    avain_t.clear();
    for (char c : euro::trimmaa(euro::utf8Ansi(trimmaaXml(*t))))
      if (kelpaa_[static_cast<unsigned char>(c)]) avain_t += c;
    if (avain_t.empty())
      hylkaa(d.numero, l.rivi, l.alku,
             ansi("tiliotteen ") + tunniste(l) + ansi(" avaimessa ") + avaimenElementti(*avain_) +
                 ansi(" ei ole yhtään tiedostonimeen kelpaavaa merkkiä"));
    const std::string pohja = a_.txtNimenAlkuosa + avain_t + a_.txtNimenLoppuosa;
    if (pohja.find_first_of("*?#") != std::string::npos) {
      const auto [alku, loppu] = jakso(l);
      if (alku.empty() || loppu.empty())
        hylkaa(d.numero, l.rivi, l.alku,
               ansi("tiliotteelta ") + tunniste(l) +
                   ansi(" puuttuu nimeen tarvittava päivämäärä (FrToDt tai CreDtTm muodossa vvvv-kk-pp)"));
      vuosi_ = alku.substr(0, 4);
      kuukausi_ = alku.substr(4, 2);
      jakso_ = alku + "-" + loppu;
    }
    nimi_.clear();
    laajenna(a_.txtNimenAlkuosa, 0);
    laajenna(avain_t, 0);
    if (n > 1) nimi_ += "-" + std::to_string(n);
    laajenna(a_.txtNimenLoppuosa, 0);
    if (alusta::onLaitenimi(nimi_) || alusta::vaihtaaNimen(nimi_))
      hylkaa(d.numero, l.rivi, l.alku, ansi("tiedostonimi ") + nimi_ + ansi(" ei kelpaa"));
    return nimi_;
  }

  const std::string& avain() const { return avain_t; }

 private:
  // As the TITO name: what a step puts in is seen only by the later steps.
  void laajenna(std::string_view teksti, int vaihe) {
    for (char c : teksti) {
      if (c == '*' && vaihe < 1) laajenna(vuosi_, 1);
      else if (c == '?' && vaihe < 2) laajenna(kuukausi_, 2);
      else if (c == '#' && vaihe < 3) laajenna(jakso_, 3);
      else if (kelpaa_[static_cast<unsigned char>(c)]) nimi_ += c;
    }
  }

  const PaloitteluAsetukset& a_;
  std::optional<Avain> avain_;
  std::array<bool, 256> kelpaa_{};
  std::string avain_t, vuosi_, kuukausi_, jakso_, nimi_;
};

const std::string positiotEivatKay =
    ansi("valitut positiot eivät käy XML-tiliotteeseen: valitse asiakastunnus, tilinumero tai tilinomistajan nimi");

class Tarkistaja : public Kasittelija {
 public:
  Tarkistaja(const PaloitteluAsetukset& a) : nimet_(a) {}
  void lausunto(const Asiakirja& d, const Lausunto& l) override { nimet_.nimi(d, l); }
  void asiakirjanLoppu(const Asiakirja&) override {}

 private:
  Nimet nimet_;
};

// Random reads of the statement file in blocks: the bytes before a root, a document's end.
class Lukuikkuna {
 public:
  explicit Lukuikkuna(alusta::Tiedosto& t) : t_(t) {}
  // The byte at kohta, or -1 past the end.
  int tavu(std::uint64_t kohta) {
    if (kohta < alku_ || kohta >= alku_ + data_.size()) {
      data_.resize(koko_);
      t_.siirry(kohta);
      std::size_t n = 0;
      while (n < data_.size()) {
        const std::size_t m = t_.lue(data_.data() + n, data_.size() - n);
        if (m == 0) break;
        n += m;
      }
      data_.resize(n);
      alku_ = kohta;
      if (n == 0) return -1;
    }
    return static_cast<unsigned char>(data_[static_cast<std::size_t>(kohta - alku_)]);
  }
  bool on(std::uint64_t kohta, std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i)
      if (tavu(kohta + i) != static_cast<unsigned char>(s[i])) return false;
    return true;
  }
  void unohda() { data_.clear(); }
  // The bytes from kohta on that the window holds (read in when it does not hold kohta);
  // empty past the end. The statements come in file order, so most copies need no read.
  std::string_view osa(std::uint64_t kohta) {
    if (tavu(kohta) < 0) return {};
    return std::string_view(data_).substr(static_cast<std::size_t>(kohta - alku_));
  }
  void asetaKoko(std::size_t koko) { koko_ = koko; }

 private:
  alusta::Tiedosto& t_;
  std::uint64_t alku_ = 0;
  std::string data_;
  std::size_t koko_ = 64 * 1024;
};

// Where a company document copied from d begins: at its XML declaration, or at the first thing
// that is not white space or a byte-order mark. What stands before a declaration (white space, a
// comment after the previous document) is not part of it.
std::uint64_t paanAlku(Lukuikkuna& w, const Asiakirja& d) {
  std::uint64_t k = d.edellinenLoppu, alku = d.juuri;
  bool loydetty = false;
  while (k < d.juuri) {
    const int c = w.tavu(k);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++k;
    } else if (w.on(k, "\xEF\xBB\xBF")) {
      k += 3;
    } else if (w.on(k, "<?xml") && (w.tavu(k + 5) == ' ' || w.tavu(k + 5) == '\t' || w.tavu(k + 5) == '\r' ||
                                     w.tavu(k + 5) == '\n' || w.tavu(k + 5) == '?')) {
      return k;
    } else {
      if (!loydetty) alku = k;
      loydetty = true;
      const std::string_view loppu = w.on(k, "<!--") ? "-->" : w.on(k, "<?") ? "?>" : "";
      if (loppu.empty()) break;
      k += 2;
      while (k < d.juuri && !w.on(k, loppu)) ++k;
      k += loppu.size();
    }
  }
  return alku;
}

// A company file that exists: what it would take, from its own walk.
struct Olemassa {
  std::string tunnus;
  std::uint64_t lisayskohta = 0;  // one past its last statement
  std::string hanta;              // the bytes from there to its end
};

class Tutkija : public Kasittelija {
 public:
  void lausunto(const Asiakirja& d, const Lausunto&) override {
    tunnus = d.tunnus;
    viimeinen = d.viimeinenLoppu;
  }
  void asiakirjanLoppu(const Asiakirja&) override {}
  std::string tunnus;
  std::uint64_t viimeinen = 0;
};

// The document an existing company file holds, when new statements can go in before its
// closing tags: one whole statement document with at least one statement and a short end.
std::optional<Olemassa> tutki(const std::string& polku) {
  try {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    TiedostoLahde lahde(t);
    Tutkija tutkija;
    xml::Rajat rajat;
    rajat.monta = false;
    kay(lahde, tutkija, rajat);
    if (tutkija.tunnus.empty()) return std::nullopt;
    const std::uint64_t pituus = t.pituus();
    if (pituus - tutkija.viimeinen > hannanRaja) return std::nullopt;
    Olemassa o{tutkija.tunnus, tutkija.viimeinen, std::string(static_cast<std::size_t>(pituus - tutkija.viimeinen), '\0')};
    t.siirry(tutkija.viimeinen);
    std::size_t n = 0;
    while (n < o.hanta.size()) {
      const std::size_t m = t.lue(o.hanta.data() + n, o.hanta.size() - n);
      if (m == 0) return std::nullopt;
      n += m;
    }
    return o;
  } catch (const Hylatty&) {
    return std::nullopt;
  }
}

bool onOlemassa(const std::string& polku) {
  try {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    return true;
  } catch (const euro::Virhe& v) {
    if (v.numero() == euro::virhenro::tiedostoaEiLoydy || v.numero() == euro::virhenro::polkuaEiLoydy) return false;
    throw;
  }
}

// Undo records are text lines, their paths escaped as the journal's values are.
std::string pura(std::string_view s) {
  auto t = puraKirjasta(s);
  if (!t) euro::heitaVirhe(euro::virhenro::kayttovirhe);
  return *t;
}

std::string heksa(std::string_view s) {
  static const char m[] = "0123456789ABCDEF";
  std::string t;
  for (unsigned char c : s) {
    t += m[c >> 4];
    t += m[c & 15];
  }
  return t;
}

std::string heksasta(std::string_view s) {
  auto arvo = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    euro::heitaVirhe(euro::virhenro::kayttovirhe);
  };
  if (s.size() % 2) euro::heitaVirhe(euro::virhenro::kayttovirhe);
  std::string t;
  for (std::size_t i = 0; i < s.size(); i += 2) t += static_cast<char>(arvo(s[i]) * 16 + arvo(s[i + 1]));
  return t;
}

std::uint64_t luku(std::string_view t) {
  if (t.empty() || t.size() > 19) euro::heitaVirhe(euro::virhenro::kayttovirhe);
  std::uint64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') euro::heitaVirhe(euro::virhenro::kayttovirhe);
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return v;
}

// Undoes what the cut-off document had done, when the undo records are of the document the
// journal stands at: new files go, extended files get back their length and closing part.
void kumoa(const std::string& loki, std::uint64_t kohta) {
  std::string sisalto;
  {
    alusta::Tiedosto t;
    try {
      t.avaa(loki, alusta::Tila::lue);
    } catch (const euro::Virhe& v) {
      if (v.numero() == euro::virhenro::tiedostoaEiLoydy) return;
      throw;
    }
    char b[4096];
    while (std::size_t n = t.lue(b, sizeof b)) {
      sisalto.append(b, n);
      if (sisalto.size() > 64 * 1024 * 1024) euro::heitaVirhe(euro::virhenro::kayttovirhe, loki);
    }
  }
  std::vector<std::string_view> rivit;
  std::string_view loput = sisalto;
  while (!loput.empty()) {
    const auto p = loput.find("\r\n");
    if (p == std::string_view::npos) break;  // a record cut off while written: its change was not made
    rivit.push_back(loput.substr(0, p));
    loput.remove_prefix(p + 2);
  }
  if (rivit.empty()) return;
  if (rivit[0].substr(0, 2) != "D " ) euro::heitaVirhe(euro::virhenro::kayttovirhe, loki);
  if (luku(rivit[0].substr(2)) != kohta) return;  // an older document's, already complete
  for (std::size_t i = rivit.size(); i-- > 1;) {
    const std::string_view r = rivit[i];
    if (r.substr(0, 2) == "N ") {
      const std::string polku = pura(r.substr(2));
      try {
        alusta::poistaTiedosto(polku);
      } catch (const euro::Virhe& v) {
        if (v.numero() != euro::virhenro::tiedostoaEiLoydy) throw;
      }
    } else if (r.substr(0, 2) == "L ") {
      const auto a = r.find(' ', 2), b = r.find(' ', a + 1);
      if (a == std::string_view::npos || b == std::string_view::npos) euro::heitaVirhe(euro::virhenro::kayttovirhe, loki);
      const std::uint64_t pituus = luku(r.substr(2, a - 2));
      const std::string hanta = heksasta(r.substr(a + 1, b - a - 1));
      const std::string polku = pura(r.substr(b + 1));
      if (hanta.size() > pituus) euro::heitaVirhe(euro::virhenro::kayttovirhe, loki);
      alusta::Tiedosto t(polku, alusta::Tila::paivita);
      if (t.pituus() < pituus - hanta.size()) euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
      t.katkaise(pituus - hanta.size());
      t.kirjoitaKohtaan(pituus - hanta.size(), hanta.data(), hanta.size());
      t.sulje();
    } else {
      euro::heitaVirhe(euro::virhenro::kayttovirhe, loki);
    }
  }
}

// Whether anything but white space, byte-order marks, comments and PIs follows kohta.
bool asiakirjojaJaljella(Lukuikkuna& w, std::uint64_t kohta) {
  for (;;) {
    const int c = w.tavu(kohta);
    if (c < 0) return false;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++kohta;
    } else if (w.on(kohta, "\xEF\xBB\xBF")) {
      kohta += 3;
    } else if (w.on(kohta, "<!--") || w.on(kohta, "<?")) {
      const std::string_view loppu = w.on(kohta, "<!--") ? "-->" : "?>";
      kohta += 2;
      while (w.tavu(kohta) >= 0 && !w.on(kohta, loppu)) ++kohta;
      kohta += loppu.size();
    } else {
      return true;
    }
  }
}

class Jakaja : public Kasittelija {
 public:
  Jakaja(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         const Kirjanpito* kirja)
      : kohde_(kohde), nimet_(a), y_(y), syote_(polku, alusta::Tila::lue), ikkuna_(syote_), paa_(syote_),
        kirja_(kirja) {
    ikkuna_.asetaKoko(puskurinKoko);
    paa_.asetaKoko(std::min<std::size_t>(puskurinKoko, 4096));
  }

  void lausunto(const Asiakirja& d, const Lausunto& l) override {
    const std::string& pohja = nimet_.nimi(d, l);
    const std::string* polku;
    if (auto i = tassa_.find(pohja); i != tassa_.end()) {
      polku = &i->second;
    } else {
      std::string nimi = pohja;
      std::string ratkaistu = ratkaise(d, l);
      polku = &tassa_.emplace(std::move(nimi), std::move(ratkaistu)).first->second;
    }
    avaa(*polku);
    // The white space before it in the list goes with it, so the file keeps the bank's layout;
    // in a file just begun the head ends with it already.
    kopioi(ikkuna_, l.alku, l.loppu, aloitettu_ ? 0 : l.edellinen);
    aloitettu_ = false;
    ++tiedosto(*polku).eria;
  }

  void asiakirjanLoppu(const Asiakirja& d) override {
    if (!kosketut_.empty()) paata(d);
    // The journal moves past the document (a document without statements too) before its undo
    // records go: a kill between the two leaves records of an older document, which the
    // journal's offset shows are not to be undone.
    if (kirja_) {
      kirja_->edistyi(d.loppu);
      if (lokissa_ > 0) loki_.katkaise(0);
      lokissa_ = 0;
    }
  }

  // The document's end to every file it wrote to.
  void paata(const Asiakirja& d) {
    // The document's end, with the line end after its root, if any.
    std::uint64_t loppu = d.loppu;
    if (paa_.tavu(loppu) == '\r' && paa_.tavu(loppu + 1) == '\n') loppu += 2;
    else if (paa_.tavu(loppu) == '\n') loppu += 1;
    std::string hanta;
    const bool pitka = loppu - d.viimeinenLoppu > hannanRaja;
    if (!pitka) {
      for (std::uint64_t k = d.viimeinenLoppu; k < loppu; ++k) hanta += static_cast<char>(paa_.tavu(k));
    }
    for (const std::string& polku : kosketut_) {
      Tila& t = tilat_[polku];
      avaa(polku);
      if (t.uusi) {
        if (pitka) kopioi(paa_, d.viimeinenLoppu, loppu);
        else ulos_.kirjoita(hanta);
        t.hanta = hanta;
        t.jatkettava = !pitka;
        t.uusi = false;
      } else {
        ulos_.kirjoita(t.hanta);
      }
    }
    sulje();
    kosketut_.clear();
    tassa_.clear();
  }

  // After a complete split: the undo records are not needed any more.
  void poistaLoki() {
    if (!loki_.onAuki()) return;
    loki_.sulje();
    alusta::poistaTiedosto(kirja_->kumoamisloki);
  }

  void sulje() {
    if (ulos_.onAuki()) ulos_.sulje();
    ulosPolku_.clear();
  }

  void suljeKesken() noexcept {
    ulos_.suljeHiljaa();
    ulosPolku_.clear();
  }

 private:
  struct Tila {
    std::string tunnus;
    std::string hanta;
    std::uint32_t asiakirja = 0;  // the document that last wrote to it
    bool jatkettava = false;
    bool uusi = false;  // begun in the current document: its end comes from that document
  };

  // The file that receives the statements of this company from document d: the first of the
  // name, name-2, name-3, ... that is new or holds a document these statements can go into.
  std::string ratkaise(const Asiakirja& d, const Lausunto& l) {
    for (int n = 1;; ++n) {
      const std::string polku = kohde_ + (n == 1 ? nimet_.nimi(d, l) : nimet_.nimi(d, l, n));
      auto i = tilat_.find(polku);
      if (i != tilat_.end()) {
        Tila& t = i->second;
        if (t.asiakirja == d.numero && t.tunnus == d.tunnus) return polku;  // another key, same name
        if (t.jatkettava && t.tunnus == d.tunnus) {
          if (leikkaa(d, polku, t.hanta)) {
            aloita(polku, t, d, false);
            return polku;
          }
          t.jatkettava = false;  // changed by someone else meanwhile
        }
      } else if (!onOlemassa(polku)) {
        Tila& t = tilat_[polku];
        t.tunnus = d.tunnus;
        aloita(polku, t, d, true);
        if (n > 1) huomauta(d, l, polku, n);
        return polku;
      } else if (auto o = tutki(polku); o && o->tunnus == d.tunnus && leikkaa(d, polku, o->hanta)) {
        Tila& t = tilat_[polku];
        t.tunnus = o->tunnus;
        t.hanta = std::move(o->hanta);
        t.jatkettava = true;
        aloita(polku, t, d, false);
        if (n > 1) huomauta(d, l, polku, n);
        return polku;
      } else {
        tilat_[polku].jatkettava = false;
      }
    }
  }

  void huomauta(const Asiakirja& d, const Lausunto& l, const std::string& polku, int n) {
    if (y_.huomautukset.size() >= Yhteenveto::tiedostoraja) return;
    const std::string ensimmainen = kohde_ + nimet_.nimi(d, l);
    (void)n;
    y_.huomautukset.push_back(ensimmainen + ansi(" ei ole samanlainen tiliotesanoma, jota voisi jatkaa: kirjoitettu tiedostoon ") +
                              polku);
  }

  // An undo record of the document in progress, written before the change it undoes; the
  // first names the document's start, which the journal's offset is compared with.
  void kirjaa(const Asiakirja& d, const std::string& rivi) {
    if (!kirja_) return;
    if (!loki_.onAuki()) loki_.avaa(kirja_->kumoamisloki, alusta::Tila::paivita);
    std::string s = lokissa_ == 0 ? "D " + std::to_string(d.edellinenLoppu) + "\r\n" : std::string();
    s += rivi + "\r\n";
    loki_.kirjoitaKohtaan(lokissa_, s.data(), s.size());
    lokissa_ += s.size();
  }

  // A file first written by document d: a new one gets d's head.
  void aloita(const std::string& polku, Tila& t, const Asiakirja& d, bool uusi) {
    t.asiakirja = d.numero;
    t.uusi = uusi;
    kosketut_.push_back(polku);
    if (uusi) {
      kirjaa(d, "N " + koodaaKirjaan(polku));
      avaa(polku);
      kopioi(paa_, paanAlku(paa_, d), d.ensimmainen);
      aloitettu_ = true;
    }
  }

  // Takes the closing part off a file about to get statements before it; false when the file
  // no longer ends with it (changed by someone else), so it is not extended.
  bool leikkaa(const Asiakirja& d, const std::string& polku, const std::string& hanta) {
    if (ulosPolku_ == polku) sulje();
    alusta::Tiedosto t(polku, alusta::Tila::paivita);
    const std::uint64_t pituus = t.pituus();
    if (pituus < hanta.size()) return false;
    std::string loppu(hanta.size(), '\0');
    t.siirry(pituus - hanta.size());
    std::size_t n = 0;
    while (n < loppu.size()) {
      const std::size_t m = t.lue(loppu.data() + n, loppu.size() - n);
      if (m == 0) return false;
      n += m;
    }
    if (loppu != hanta) return false;
    kirjaa(d, "L " + std::to_string(pituus) + " " + heksa(hanta) + " " + koodaaKirjaan(polku));
    t.katkaise(pituus - hanta.size());
    t.sulje();
    return true;
  }

  void avaa(const std::string& polku) {
    if (ulosPolku_ == polku) return;
    sulje();
    ulos_.avaa(polku, alusta::Tila::lisaa);
    ulosPolku_ = polku;
  }

  // The input's bytes [alku, loppu) to the open file, as they are; from valkoinen on when
  // what lies between (a short gap) is white space only.
  void kopioi(Lukuikkuna& w, std::uint64_t alku, std::uint64_t loppu, std::uint64_t valkoinen = 0) {
    if (valkoinen && valkoinen < alku && alku - valkoinen <= 256) {
      std::uint64_t k = valkoinen;
      while (k < alku) {
        const int c = w.tavu(k);
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
        ++k;
      }
      if (k == alku) alku = valkoinen;
    }
    while (alku < loppu) {
      const std::string_view v = w.osa(alku);
      if (v.empty()) euro::heitaVirhe(euro::virhenro::laitevirhe, syote_.polku());
      const std::size_t m = static_cast<std::size_t>(std::min<std::uint64_t>(v.size(), loppu - alku));
      ulos_.kirjoita(v.data(), m);
      alku += m;
    }
  }

  TiedostonYhteenveto& tiedosto(const std::string& polku) {
    auto i = yhteenvedossa_.find(polku);
    if (i != yhteenvedossa_.end()) return y_.tiedostot[i->second];
    if (y_.tiedostot.size() >= Yhteenveto::tiedostoraja) return y_.muut;
    yhteenvedossa_.emplace(polku, y_.tiedostot.size());
    y_.tiedostot.push_back({polku, 0, 0});
    return y_.tiedostot.back();
  }

  std::string kohde_;
  Nimet nimet_;
  Yhteenveto& y_;
  alusta::Tiedosto syote_;
  Lukuikkuna ikkuna_;  // the statements, in file order
  Lukuikkuna paa_;     // a document's head and end
  alusta::Tiedosto ulos_;
  std::string ulosPolku_;
  std::unordered_map<std::string, Tila> tilat_;          // every file this run wrote or looked at
  std::unordered_map<std::string, std::string> tassa_;   // the current document's names to files
  std::vector<std::string> kosketut_;                    // files the current document wrote to
  std::unordered_map<std::string, std::size_t> yhteenvedossa_;
  const Kirjanpito* kirja_;
  bool aloitettu_ = false;  // the file was begun with a head for the statement being copied
  alusta::Tiedosto loki_;
  std::uint64_t lokissa_ = 0;
};

std::string tarkistaAuki(alusta::Tiedosto& t, const PaloitteluAsetukset& a) {
  if (!valittuAvain(a)) return positiotEivatKay;
  TiedostoLahde lahde(t);
  Tarkistaja tarkistaja(a);
  try {
    kay(lahde, tarkistaja);
  } catch (const Hylatty& h) {
    return h.viesti;
  }
  return {};
}

}  // namespace

void asetaPuskurinKoko(std::size_t koko) { puskurinKoko = koko ? koko : puskurinOletus; }

bool onXml(const std::string& polku) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  char b[4096];
  bool alussa = true;
  while (std::size_t n = t.lue(b, sizeof b)) {
    std::size_t i = 0;
    if (alussa && n >= 3 && b[0] == '\xEF' && b[1] == '\xBB' && b[2] == '\xBF') i = 3;
    alussa = false;
    for (; i < n; ++i) {
      if (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n') continue;
      return b[i] == '<';
    }
  }
  return false;
}

std::string tarkista(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t* pituus) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  if (pituus) *pituus = t.pituus();
  return tarkistaAuki(t, a);
}

void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         std::uint64_t tarkistettu, const Kirjanpito* kirja) {
  y.xml = true;
  if (!valittuAvain(a)) throw euro::Virhe(euro::virhenro::virheellinenKutsu, positiotEivatKay);
  // Grown since the check (the bank's program appended before the archive move): checked again,
  // so a bad end still writes nothing.
  {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    if (t.pituus() != tarkistettu) {
      const std::string syy = tarkistaAuki(t, a);
      if (!syy.empty()) throw euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + syy);
    }
  }
  Jakaja jakaja(polku, kohde, a, y, kirja);
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  TiedostoLahde lahde(t);
  try {
    kay(lahde, jakaja);
    jakaja.sulje();
    jakaja.poistaLoki();
  } catch (const Hylatty& h) {
    jakaja.suljeKesken();
    throw euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + h.viesti);
  } catch (...) {
    jakaja.suljeKesken();
    throw;
  }
}

std::int64_t viimeistele(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a,
                         std::uint64_t kohta, const Kirjanpito& kirja) {
  if (!valittuAvain(a)) throw euro::Virhe(euro::virhenro::virheellinenKutsu, positiotEivatKay);
  kumoa(kirja.kumoamisloki, kohta);
  Yhteenveto y;
  alusta::Tiedosto t(arkisto, alusta::Tila::lue);
  {
    Lukuikkuna w(t);
    if (!asiakirjojaJaljella(w, kohta)) {
      try {
        alusta::poistaTiedosto(kirja.kumoamisloki);
      } catch (const euro::Virhe&) {
      }
      return 0;
    }
  }
  t.siirry(kohta);
  Jakaja jakaja(arkisto, kohde, a, y, &kirja);
  TiedostoLahde lahde(t);
  try {
    kay(lahde, jakaja, {}, kohta);
    jakaja.sulje();
    jakaja.poistaLoki();
  } catch (const Hylatty& h) {
    jakaja.suljeKesken();
    throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto + ": " + h.viesti);
  } catch (...) {
    jakaja.suljeKesken();
    throw;
  }
  std::int64_t n = y.muut.eria;
  for (const auto& f : y.tiedostot) n += f.eria;
  return n;
}

namespace {

// Records every completed document in the journal, each record's segment following the last.
Kirjanpito kirjanpito(Paivakirja& kirja, const std::string& arkisto, std::uint64_t alku) {
  auto edellinen = std::make_shared<std::uint64_t>(alku);
  return {arkisto + ".kesken.xml", [&kirja, edellinen](std::uint64_t kohta) {
            KirjanJakso j;
            j.siirretty = true;
            j.kohta = *edellinen;
            j.loppu = kohta;
            kirja.kirjaa(j);
            *edellinen = kohta;
          }};
}

}  // namespace

void jaaKirjanKanssa(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     std::uint64_t tarkistettu, Yhteenveto& y) {
  const Kirjanpito kp = kirjanpito(kirja, arkisto, 0);
  jaa(arkisto, o.kohde, asetuksetOtsikosta(o), y, tarkistettu, &kp);
  kirja.poista();
}

std::int64_t viimeisteleKirjasta(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                 const KirjanJakso& viimeinen) {
  const std::uint64_t kohta = viimeinen.siirretty ? viimeinen.loppu : 0;
  const Kirjanpito kp = kirjanpito(kirja, arkisto, kohta);
  const std::int64_t n = viimeistele(arkisto, o.kohde, asetuksetOtsikosta(o), kohta, kp);
  kirja.poista();
  return n;
}

void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                const std::function<void(const std::string&)>& ulos) {
  class Esikatselija : public Kasittelija {
   public:
    Esikatselija(const PaloitteluAsetukset& a, const std::function<void(const std::string&)>& ulos)
        : valittu_(valittuAvain(a)), ulos_(ulos) {}
    void lausunto(const Asiakirja& d, const Lausunto& l) override {
      puskuri_ += paikka(d.numero, l.rivi, l.alku) + "Id " + tunniste(l);
      for (Avain k : {Avain::asiakastunnus, Avain::tilinumero, Avain::nimi}) {
        static const char* const nimet[] = {"asiakastunnus", "tilinumero", "nimi"};
        const std::string* t = avaimenTeksti(l, k);
        const bool merkitty = valittu_ == k;
        puskuri_ += std::string(" | ") + (merkitty ? ">>" : "") + nimet[static_cast<int>(k)] + " " +
                    (t ? euro::utf8Ansi(trimmaaXml(*t)) : "-") + (merkitty ? "<<" : "");
      }
      const auto [alku, loppu] = jakso(l);
      puskuri_ += " | jakso " + (alku.empty() ? std::string("-") : alku + "-" + loppu) + "\r\n";
      if (puskuri_.size() >= 64 * 1024) {
        ulos_(puskuri_);
        puskuri_.clear();
      }
    }
    void asiakirjanLoppu(const Asiakirja&) override {}
    std::string puskuri_;

   private:
    std::optional<Avain> valittu_;
    const std::function<void(const std::string&)>& ulos_;
  };
  Esikatselija e(a, ulos);
  e.puskuri_ = ansi("XML-tiliotetiedoston tiliotteet, >>avain<< = paloitteluehto") + "\r\n";
  if (!valittuAvain(a)) e.puskuri_ += positiotEivatKay + "\r\n";
  e.puskuri_ += "\r\n";
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  TiedostoLahde lahde(t);
  try {
    kay(lahde, e);
  } catch (const Hylatty& h) {
    throw euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + h.viesti);
  }
  ulos(e.puskuri_);
}

}  // namespace split::camt
