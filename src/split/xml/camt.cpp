#include "split/xml/camt.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/esikatselu.h"
#include "split/nimi.h"
#include "split/xml/kaynti.h"
#include "split/xml/lukija.h"

namespace split::camt {

namespace sisa {

using euro::ansi;

std::string paikka(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta) {
  char b[96];
  std::snprintf(b, sizeof b, "asiakirja %u, rivi %lld (tavu %llu): ", asiakirja, static_cast<long long>(rivi),
                static_cast<unsigned long long>(kohta));
  return b;
}

[[noreturn]] void hylkaa(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta, const std::string& miksi) {
  throw Hylatty{paikka(asiakirja, rivi, kohta) + miksi};
}

namespace {

// Names compared at every element: their lengths known beforehand.
constexpr std::string_view listat[] = {"BkToCstmrAcctRpt", "BkToCstmrStmt", "BkToCstmrDbtCdtNtfctn"};
constexpr std::string_view lausunnot[] = {"Rpt", "Stmt", "Ntfctn"};

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

}  // namespace

void kay(xml::Lahde& lahde, Kasittelija& k, xml::Rajat rajat, std::uint64_t kanta) {
  using namespace std::string_view_literals;
  xml::Lukija lukija(lahde, rajat);
  Asiakirja d;
  d.edellinenLoppu = kanta;
  Lausunto l;
  bool lausunnossa = false;
  std::array<std::string, 9> polku;  // local names within the statement by depth, up to 8
  Kentta kentta = kEi;
  int kentanSyvyys = 0, syvyys = 0;
  // The group header's CreDtTm: 0 outside the header, 1 inside it, 2 in its CreDtTm.
  int ryhmassa = 0;
  bool tekstiaPyydetty = true;
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
            if (e.paikallinen != "Document"sv || d.viesti == 0)
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("juurielementti ei ole tiliotesanoman Document (odotettiin nimiavaruutta "
                          "urn:iso:std:iso:20022:tech:xsd:camt.052, 053 tai 054)"));
            d.numero = e.asiakirja;
            d.nimiavaruus = e.nimiavaruus;
            d.juuri = e.alku;
          } else if (e.syvyys == 2) {
            const std::string_view odotettu = listat[d.viesti - 52];
            if (d.lista || !oma || e.paikallinen != odotettu)
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("odotettiin Documentin ainoaa elementtiä ") + std::string(odotettu));
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
            } else if (oma && e.paikallinen == "GrpHdr"sv && !d.ryhma && d.lausuntoja == 0) {
              d.ryhma = true;
              ryhmassa = 1;
            } else if (oma && e.paikallinen == "SplmtryData"sv && d.lausuntoja > 0) {
              d.listanJalkeen = true;
            } else {
              // Anything else would be left out of every company's file unseen.
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("odotettiin elementtiä ") + std::string(lausunnot[d.viesti - 52]));
            }
          } else if (ryhmassa == 1 && e.syvyys == 4 && oma && e.paikallinen == "CreDtTm"sv && d.luotu.empty()) {
            ryhmassa = 2;
          } else if (lausunnossa && e.syvyys <= 8) {
            const std::size_t s = static_cast<std::size_t>(e.syvyys);
            if (oma) polku[s].assign(e.paikallinen);
            else polku[s].clear();
            Kentta uusi = kEi;
            const std::string& n = polku[s];
            if (s == 4 && n == "Id"sv) uusi = kId;
            else if (s == 4 && n == "CreDtTm"sv) uusi = kCreDtTm;
            else if (s == 5 && polku[4] == "FrToDt"sv && n == "FrDtTm"sv) uusi = kFrDtTm;
            else if (s == 5 && polku[4] == "FrToDt"sv && n == "ToDtTm"sv) uusi = kToDtTm;
            else if (s == 6 && polku[4] == "Acct"sv && polku[5] == "Id"sv && n == "IBAN"sv) uusi = kIban;
            else if (s == 6 && polku[4] == "Acct"sv && polku[5] == "Ownr"sv && n == "Nm"sv) uusi = kNm;
            else if (s == 7 && polku[4] == "Acct"sv && polku[5] == "Id"sv && polku[6] == "Othr"sv && n == "Id"sv)
              uusi = kOthrId;
            else if (s == 8 && polku[4] == "Acct"sv && polku[5] == "Ownr"sv && polku[6] == "Id"sv && polku[7] == "OrgId"sv &&
                     n == "Othr"sv)
              uusi = kEi;
            // Acct/Ownr/Id/OrgId/Othr/Id lies one deeper than the path keeps; see below.
            if (uusi != kEi && !l.on[uusi]) {
              kentta = uusi;
              kentanSyvyys = e.syvyys;
            }
          } else if (lausunnossa && e.syvyys == 9 && oma && e.paikallinen == "Id"sv && polku[4] == "Acct"sv &&
                     polku[5] == "Ownr"sv && polku[6] == "Id"sv && polku[7] == "OrgId"sv && polku[8] == "Othr"sv &&
                     !l.on[kOrgId]) {
            kentta = kOrgId;
            kentanSyvyys = e.syvyys;
          }
          break;
        }
        case xml::Laji::Teksti:
          if (ryhmassa == 2 && syvyys == 4) {
            if (d.luotu.size() + e.teksti.size() > tekstinRaja)
              hylkaa(e.asiakirja, e.rivi, e.alku,
                     ansi("ryhmän otsakkeen CreDtTm on yli ") + std::to_string(tekstinRaja) + ansi(" tavua pitkä"));
            d.luotu.append(e.teksti);
          }
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
          if (ryhmassa == 2 && e.syvyys == 4) ryhmassa = 1;
          else if (ryhmassa == 1 && e.syvyys == 3) ryhmassa = 0;
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
                   ansi("asiakirjasta puuttuu elementti ") + std::string(listat[d.viesti - 52]));
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
      // Only the fields' text is read: the rest is checked without being handed over.
      const bool tekstia = (ryhmassa == 2 && syvyys == 4) || (kentta != kEi && syvyys == kentanSyvyys);
      if (tekstia != tekstiaPyydetty) lukija.tekstiTarpeen(tekstiaPyydetty = tekstia);
    }
  } catch (const xml::Jasennysvirhe& v) {
    throw Hylatty{paikka(v.asiakirja, v.rivi, v.kohta + kanta) + v.viesti};
  }
}

std::optional<Avain> valittuAvain(const PaloitteluAsetukset& a) {
  const auto t = a.tunniste();
  if (t == Avain::positiot) return std::nullopt;
  return t;
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
    case Avain::tilinomistajanNimi: return l.on[kNm] ? &l.teksti[kNm] : nullptr;
    case Avain::positiot: break;
  }
  return nullptr;
}

const char* avaimenElementti(Avain a) {
  switch (a) {
    case Avain::asiakastunnus: return "Acct/Ownr/Id/OrgId/Othr/Id";
    case Avain::tilinumero: return "Acct/Id/IBAN tai Acct/Id/Othr/Id";
    case Avain::tilinomistajanNimi: return "Acct/Ownr/Nm";
    case Avain::positiot: break;
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

// The period of the statement, from FrToDt, or from its CreDtTm when it has none, or from the
// message's, which the schema makes mandatory where a statement's own is optional.
std::pair<std::string, std::string> jakso(const Asiakirja& d, const Lausunto& l) {
  if (l.on[kFrDtTm] && l.on[kToDtTm]) return {paiva(l.teksti[kFrDtTm]), paiva(l.teksti[kToDtTm])};
  const std::string p = l.on[kCreDtTm] ? paiva(l.teksti[kCreDtTm]) : paiva(d.luotu);
  return {p, p};
}

Nimet::Nimet(const PaloitteluAsetukset& a) : nimeaja_(a.txtNimenAlkuosa, a.txtNimenLoppuosa), avain_(valittuAvain(a)) {}

const std::string& Nimet::nimi(const Asiakirja& d, const Lausunto& l) {
  const std::string* t = avaimenTeksti(l, *avain_);
  if (!t)
    hylkaa(d.numero, l.rivi, l.alku,
           ansi("tiliotteelta ") + tunniste(l) + ansi(" puuttuu avaimen elementti ") + avaimenElementti(*avain_));
  avain_t.clear();
  for (char c : euro::trimmaa(euro::utf8Ansi(trimmaaXml(*t))))
    if (nimeaja_.kelpaa(c)) avain_t += c;
  if (avain_t.empty())
    hylkaa(d.numero, l.rivi, l.alku,
           ansi("tiliotteen ") + tunniste(l) + ansi(" avaimessa ") + avaimenElementti(*avain_) +
               ansi(" ei ole yhtään tiedostonimeen kelpaavaa merkkiä"));
  if (nimeaja_.tarvitseeJakson(avain_t)) {
    const auto [alku, loppu] = jakso(d, l);
    if (alku.empty() || loppu.empty())
      hylkaa(d.numero, l.rivi, l.alku,
             ansi("tiliotteelta ") + tunniste(l) +
                 ansi(" puuttuu nimeen tarvittava päivämäärä (FrToDt tai CreDtTm muodossa vvvv-kk-pp)"));
    vuosi_ = alku.substr(0, 4);
    kuukausi_ = alku.substr(4, 2);
    jakso_ = alku + "-" + loppu;
  }
  nimeaja_.muodosta(avain_t, vuosi_, kuukausi_, jakso_);
  nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  if (!kelpaaTiedostonimeksi(nimi_)) {
    const std::string alkuperainen = nimi_;
    if (!nimeaja_.kelvolliseksi())
      hylkaa(d.numero, l.rivi, l.alku, ansi("tiedostonimi ") + alkuperainen + ansi(" ei kelpaa"));
    nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  }
  return nimi_;
}

const std::string positiotEivatKay =
    ansi("valitut positiot eivät käy XML-tiliotteeseen: valitse asiakastunnus, tilinumero tai tilinomistajan nimi");

int Lukuikkuna::tavu(std::uint64_t kohta) {
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

bool Lukuikkuna::on(std::uint64_t kohta, std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (tavu(kohta + i) != static_cast<unsigned char>(s[i])) return false;
  return true;
}

std::string_view Lukuikkuna::osa(std::uint64_t kohta) {
  if (tavu(kohta) < 0) return {};
  return std::string_view(data_).substr(static_cast<std::size_t>(kohta - alku_));
}

std::uint64_t hannanLoppu(Lukuikkuna& w, std::uint64_t loppu) {
  if (w.tavu(loppu) == '\r' && w.tavu(loppu + 1) == '\n') return loppu + 2;
  if (w.tavu(loppu) == '\n') return loppu + 1;
  return loppu;
}

namespace {

// Past white space and byte-order marks from k, up to raja.
std::uint64_t ohitaTyhjat(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  while (k < raja) {
    const int c = w.tavu(k);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') ++k;
    else if (w.on(k, "\xEF\xBB\xBF")) k += 3;
    else break;
  }
  return k;
}

// Past the comment or PI at k, if one begins there.
std::uint64_t ohitaKommentti(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  const std::string_view loppu = w.on(k, "<!--") ? "-->" : w.on(k, "<?") ? "?>" : "";
  if (loppu.empty()) return k;
  k += 2;
  while (k < raja && w.tavu(k) >= 0 && !w.on(k, loppu)) ++k;
  return k + loppu.size();
}

}  // namespace

// Where a company document copied from d begins: at its XML declaration, or at the first thing
// that is not white space or a byte-order mark. What stands before a declaration (white space, a
// comment after the previous document) is not part of it.
std::uint64_t paanAlku(Lukuikkuna& w, const Asiakirja& d) {
  std::uint64_t k = d.edellinenLoppu, alku = d.juuri;
  bool loydetty = false;
  for (;;) {
    k = ohitaTyhjat(w, k, d.juuri);
    if (k >= d.juuri) break;
    if (w.on(k, "<?xml") && (w.tavu(k + 5) == ' ' || w.tavu(k + 5) == '\t' || w.tavu(k + 5) == '\r' ||
                             w.tavu(k + 5) == '\n' || w.tavu(k + 5) == '?'))
      return k;
    if (!loydetty) alku = k;
    loydetty = true;
    const std::uint64_t ohi = ohitaKommentti(w, k, d.juuri);
    if (ohi == k) break;
    k = ohi;
  }
  return alku;
}

std::uint64_t jalkiosanLoppu(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  for (;;) {
    for (int c; k < raja && ((c = w.tavu(k)) == ' ' || c == '\t' || c == '\r' || c == '\n');) ++k;
    if (k >= raja) return raja;
    std::uint64_t j;
    if (w.on(k, "<!--")) {
      // The reader refuses "--" inside a comment: the first one must close it.
      for (j = k + 4; j + 1 < raja && !(w.tavu(j) == '-' && w.tavu(j + 1) == '-');) ++j;
      if (j + 2 >= raja || w.tavu(j + 2) != '>') return k;
      j += 3;
    } else if (w.on(k, "<?")) {
      // "<?xml" is the next document's declaration (any other case of it the reader refuses).
      auto pieni = [&](std::uint64_t i) { return w.tavu(i) | 0x20; };
      const int c = w.tavu(k + 5);
      if (pieni(k + 2) == 'x' && pieni(k + 3) == 'm' && pieni(k + 4) == 'l' &&
          (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '?'))
        return k;
      for (j = k + 2; j + 1 < raja && !w.on(j, "?>");) ++j;
      if (j + 1 >= raja) return k;
      j += 2;
    } else {
      return k;
    }
    k = j;
  }
}

bool asiakirjojaJaljella(Lukuikkuna& w, std::uint64_t kohta) {
  constexpr std::uint64_t loppuun = ~std::uint64_t{0};
  for (;;) {
    kohta = ohitaTyhjat(w, kohta, loppuun);
    if (w.tavu(kohta) < 0) return false;
    const std::uint64_t ohi = ohitaKommentti(w, kohta, loppuun);
    if (ohi == kohta) return true;
    kohta = ohi;
  }
}

namespace {
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

}  // namespace

std::optional<Olemassa> tutki(const std::string& polku) {
  alusta::Tiedosto t;
  try {
    // Only a plain file of the user's own is ever changed: never through a link.
    t.avaa(polku, alusta::Tila::muokkaa);
  } catch (const euro::Virhe& v) {
    if (v.numero() == euro::virhenro::lupaEvatty || v.numero() == euro::virhenro::kayttovirhe) return std::nullopt;
    throw;
  }
  try {
    TiedostoLahde lahde(t);
    Tutkija tutkija;
    xml::Rajat rajat;
    rajat.monta = false;
    kay(lahde, tutkija, rajat);
    if (tutkija.tunnus.empty()) return std::nullopt;
    const std::uint64_t pituus = t.pituus();
    if (pituus < tutkija.viimeinen || pituus - tutkija.viimeinen > hannanRaja) return std::nullopt;
    Olemassa o{tutkija.tunnus, pituus, std::string(static_cast<std::size_t>(pituus - tutkija.viimeinen), '\0')};
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

}  // namespace sisa

using namespace sisa;

namespace {

// How an XML file's characters are laid out (XML 1.0, appendix F): units of leveys bytes, an
// ASCII character in the byte at kohta, the others zero.
struct Merkisto {
  const char* nimi;  // nullptr: UTF-8
  std::size_t leveys, kohta;
};
constexpr Merkisto utf8{nullptr, 1, 0};
constexpr Merkisto ilmanMerkkia[] = {{"UTF-32BE", 4, 3}, {"UTF-32LE", 4, 0},
                                     {"UCS-4 (tavujärjestys 2143)", 4, 2}, {"UCS-4 (tavujärjestys 3412)", 4, 1},
                                     {"UTF-16BE", 2, 1}, {"UTF-16LE", 2, 0}};

// The ASCII character of a unit, or -1.
int merkki(const unsigned char* u, const Merkisto& m) {
  for (std::size_t i = 0; i < m.leveys; ++i)
    if (i != m.kohta && u[i] != 0) return -1;
  return u[m.kohta] < 0x80 ? u[m.kohta] : -1;
}

bool valiTaiAlku(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<'; }

}  // namespace

bool onXml(const std::string& polku, std::string* muuMerkisto) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  unsigned char b[4096];
  std::size_t n = 0, i = 0;
  // Reads may give any number of bytes: each byte is taken as it comes.
  auto tavu = [&]() -> int {
    if (i == n) {
      n = t.lue(reinterpret_cast<char*>(b), sizeof b);
      i = 0;
      if (n == 0) return -1;
    }
    return b[i++];
  };
  unsigned char alku[4];
  std::size_t saatu = 0;
  for (int c; saatu < 4 && (c = tavu()) >= 0;) alku[saatu++] = static_cast<unsigned char>(c);
  auto on = [&](std::string_view s) {
    return saatu >= s.size() && std::equal(s.begin(), s.end(), alku, [](char x, unsigned char y) {
             return static_cast<unsigned char>(x) == y;
           });
  };
  auto muu = [&](const char* nimi) {
    if (muuMerkisto) *muuMerkisto = ansi("XML-tiedoston merkistö on ") + ansi(nimi) + ansi("; vain UTF-8 käy");
    return true;
  };
  if (muuMerkisto) muuMerkisto->clear();
  // EBCDIC's "<?xm"; its white space is not looked for.
  if (on("\x4C\x6F\xA7\x94")) return muu("EBCDIC");
  Merkisto m = utf8;
  std::size_t ohita = 0;  // the byte-order mark
  if (on(std::string_view("\0\0\xFE\xFF", 4))) m = ilmanMerkkia[0], ohita = 4;
  else if (on(std::string_view("\xFF\xFE\0\0", 4))) m = ilmanMerkkia[1], ohita = 4;
  else if (on(std::string_view("\0\0\xFF\xFE", 4))) m = ilmanMerkkia[2], ohita = 4;
  else if (on(std::string_view("\xFE\xFF\0\0", 4))) m = ilmanMerkkia[3], ohita = 4;
  else if (on("\xFE\xFF")) m = ilmanMerkkia[4], ohita = 2;
  else if (on("\xFF\xFE")) m = ilmanMerkkia[5], ohita = 2;
  else if (on("\xEF\xBB\xBF")) ohita = 3;
  else {
    // Without a mark, the first character tells: white space or "<" in units of four or two.
    for (const Merkisto& k : ilmanMerkkia)
      if (saatu >= k.leveys && valiTaiAlku(merkki(alku, k))) {
        m = k;
        break;
      }
  }
  // The first unit after the mark may still lie in alku; the rest comes from the file.
  std::size_t kohta = ohita;
  unsigned char u[4];
  for (;;) {
    for (std::size_t k = 0; k < m.leveys; ++k) {
      const int c = kohta < saatu ? alku[kohta] : tavu();
      ++kohta;
      if (c < 0) return false;
      u[k] = static_cast<unsigned char>(c);
    }
    const int c = merkki(u, m);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c != '<') return false;
    return m.nimi ? muu(m.nimi) : true;
  }
}

void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                const std::function<void(const std::string&)>& ulos) {
  class Esikatselija : public Kasittelija {
   public:
    Esikatselija(const PaloitteluAsetukset& a, const std::function<void(const std::string&)>& ulos)
        : valittu_(valittuAvain(a)), ulos_(ulos) {}
    void lausunto(const Asiakirja& d, const Lausunto& l) override {
      puskuri_ += paikka(d.numero, l.rivi, l.alku) + "Id " + tunniste(l);
      for (Avain k : {Avain::asiakastunnus, Avain::tilinumero, Avain::tilinomistajanNimi}) {
        static const char* const nimet[] = {"asiakastunnus", "tilinumero", "nimi"};
        const std::string* t = avaimenTeksti(l, k);
        const bool merkitty = valittu_ == k;
        puskuri_ += std::string(" | ") + (merkitty ? ">>" : "") + nimet[static_cast<int>(k)] + " " +
                    (t ? euro::utf8Ansi(trimmaaXml(*t)) : "-") + (merkitty ? "<<" : "");
      }
      const auto [alku, loppu] = jakso(d, l);
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
    throw HylattyTiedosto(euro::virhenro::kayttovirhe, polku + ": " + h.viesti);
  }
  ulos(e.puskuri_);
}

}  // namespace split::camt
