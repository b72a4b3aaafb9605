// The walk over an XML statement file: every document's structure checked, every statement's
// fields gathered, refusals with their place.
#include "split/camt/kaynti.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "euro/teksti.h"
#include "xml/lukija.h"

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

// The walk's state between the reader's events.
struct Kavija {
  Kavija(Kasittelija& k, std::uint64_t kanta) : k(k), tunnisteet(k.tunnisteet()) { d.edellinenLoppu = kanta; }

  void alku(const xml::Tapahtuma& e, const xml::Lukija& lukija);
  void kentanAlku(const xml::Tapahtuma& e, bool oma);
  Kentta tunnisteenKentta(const xml::Tapahtuma& e);
  void saldonLoppu();
  void teksti(const xml::Tapahtuma& e);
  void loppu(const xml::Tapahtuma& e);
  void asiakirjanLoppu(const xml::Tapahtuma& e);
  // Only the fields' text is read: the rest is checked without being handed over.
  bool tekstia() const { return (ryhmassa == 2 && syvyys == 4) || (kentta != kEi && syvyys == kentanSyvyys); }

  Kasittelija& k;
  const bool tunnisteet;
  Asiakirja d;
  Lausunto l;
  bool lausunnossa = false;
  std::array<std::string, 9> polku;  // local names within the statement by depth, up to 8
  Kentta kentta = kEi;
  int kentanSyvyys = 0, syvyys = 0;
  // The group header's CreDtTm: 0 outside the header, 1 inside it, 2 in its CreDtTm.
  int ryhmassa = 0;
  std::string valuutta;  // the current balance's Amt/@Ccy
};

void Kavija::alku(const xml::Tapahtuma& e, const xml::Lukija& lukija) {
  using namespace std::string_view_literals;
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
      hylkaa(e.asiakirja, e.rivi, e.alku, ansi("odotettiin Documentin ainoaa elementtiä ") + std::string(odotettu));
    d.lista = true;
    d.tunnus = d.nimiavaruus;
    for (const auto& [etuliite, uri] : lukija.nimiavaruudet()) d.tunnus += "\n" + etuliite + "=" + uri;
  } else if (e.syvyys == 3) {
    if (oma && e.paikallinen == lausunnot[d.viesti - 52]) {
      if (d.listanJalkeen) hylkaa(e.asiakirja, e.rivi, e.alku, ansi("tiliotteiden välissä on muu elementti"));
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
      hylkaa(e.asiakirja, e.rivi, e.alku, ansi("odotettiin elementtiä ") + std::string(lausunnot[d.viesti - 52]));
    }
  } else if (ryhmassa == 1 && e.syvyys == 4 && oma && e.paikallinen == "CreDtTm"sv && d.luotu.empty()) {
    ryhmassa = 2;
  } else {
    kentanAlku(e, oma);
  }
}

// An element inside a statement: one of the fields that keys and names are taken from?
void Kavija::kentanAlku(const xml::Tapahtuma& e, bool oma) {
  using namespace std::string_view_literals;
  if (lausunnossa && e.syvyys <= 8) {
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
    else if (tunnisteet && oma)
      uusi = tunnisteenKentta(e);
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
}

// An element of the statement's identity; a balance's start forgets the one before it.
Kentta Kavija::tunnisteenKentta(const xml::Tapahtuma& e) {
  using namespace std::string_view_literals;
  const std::size_t s = static_cast<std::size_t>(e.syvyys);
  const std::string& n = polku[s];
  if (s == 4 && n == "ElctrncSeqNb"sv) return kElSeq;
  if (s == 4 && n == "LglSeqNb"sv) return kLglSeq;
  if (s == 5 && polku[4] == "Acct"sv && n == "Ccy"sv) return kCcy;
  if (s == 4 && n == "Bal"sv) {
    for (Kentta b : {kBalCd, kBalAmt, kBalInd}) {
      l.teksti[b].clear();
      l.on[b] = false;
    }
    valuutta.clear();
    return kEi;
  }
  if (polku[4] != "Bal"sv) return kEi;
  if (s == 5 && n == "Amt"sv) {
    for (const xml::Attribuutti& a : e.attribuutit)
      if (a.nimi == "Ccy"sv && a.arvo.size() <= tekstinRaja) valuutta.assign(a.arvo);
    return kBalAmt;
  }
  if (s == 5 && n == "CdtDbtInd"sv) return kBalInd;
  if (s == 7 && polku[5] == "Tp"sv && polku[6] == "CdOrPrtry"sv && n == "Cd"sv) return kBalCd;
  return kEi;
}

// The balance just read kept when it is the first of a type the identity takes.
void Kavija::saldonLoppu() {
  using namespace std::string_view_literals;
  if (l.saldonValuutta.empty()) l.saldonValuutta = trimmaaXml(valuutta);
  if (!l.on[kBalCd]) return;
  const std::string_view koodi = trimmaaXml(l.teksti[kBalCd]);
  const SaldonLaji laji = koodi == "OPBD"sv ? sOPBD : koodi == "PRCD"sv ? sPRCD : koodi == "CLBD"sv ? sCLBD : saldolajeja;
  if (laji == saldolajeja || l.saldot[laji].on) return;
  Saldo& b = l.saldot[laji];
  b.maara = l.on[kBalAmt] ? l.teksti[kBalAmt] : std::string();
  b.valuutta = valuutta;
  b.merkki = l.on[kBalInd] ? l.teksti[kBalInd] : std::string();
  b.on = true;
}

void Kavija::teksti(const xml::Tapahtuma& e) {
  if (ryhmassa == 2 && syvyys == 4) {
    if (d.luotu.size() + e.teksti.size() > tekstinRaja)
      hylkaa(e.asiakirja, e.rivi, e.alku,
             ansi("ryhmän otsakkeen CreDtTm on yli ") + std::to_string(tekstinRaja) + ansi(" tavua pitkä"));
    d.luotu.append(e.teksti);
  }
  if (kentta != kEi && syvyys == kentanSyvyys) {
    std::string& t = l.teksti[kentta];
    if (t.size() + e.teksti.size() > tekstinRaja && kentta > kOrgId) {
      // The split reads no identity field and refuses none: one no bank writes is none at all.
      t.clear();
      kentta = kEi;
      return;
    }
    if (t.size() + e.teksti.size() > tekstinRaja)
      hylkaa(e.asiakirja, e.rivi, e.alku,
             ansi("tiliotteen elementin teksti on yli ") + std::to_string(tekstinRaja) + ansi(" tavua pitkä"));
    t.append(e.teksti);
  }
}

void Kavija::loppu(const xml::Tapahtuma& e) {
  syvyys = e.syvyys - 1;
  if (e.syvyys == 3) d.sisar = e.loppu;
  if (ryhmassa == 2 && e.syvyys == 4) ryhmassa = 1;
  else if (ryhmassa == 1 && e.syvyys == 3) ryhmassa = 0;
  if (kentta != kEi && e.syvyys == kentanSyvyys) {
    l.on[kentta] = true;
    kentta = kEi;
  }
  if (tunnisteet && lausunnossa && e.syvyys == 4 && polku[4] == std::string_view("Bal")) saldonLoppu();
  if (e.syvyys == 3 && lausunnossa) {
    lausunnossa = false;
    l.loppu = e.loppu;
    d.viimeinenLoppu = e.loppu;
    ++d.lausuntoja;
    k.lausunto(d, l);
  }
}

void Kavija::asiakirjanLoppu(const xml::Tapahtuma& e) {
  if (!d.lista)
    hylkaa(e.asiakirja, e.rivi, e.alku, ansi("asiakirjasta puuttuu elementti ") + std::string(listat[d.viesti - 52]));
  d.loppu = e.loppu;
  k.asiakirjanLoppu(d);
  const std::uint64_t seuraava = e.loppu;
  d = Asiakirja{};
  d.edellinenLoppu = seuraava;
}

}  // namespace

void kay(xml::Lahde& lahde, Kasittelija& k, xml::Rajat rajat, std::uint64_t kanta) {
  xml::Lukija lukija(lahde, rajat);
  Kavija kavija(k, kanta);
  bool tekstiaPyydetty = true;
  try {
    for (;;) {
      xml::Tapahtuma e = lukija.seuraava();
      e.alku += kanta;
      e.loppu += kanta;
      switch (e.laji) {
        case xml::Laji::Alku: kavija.alku(e, lukija); break;
        case xml::Laji::Teksti: kavija.teksti(e); break;
        case xml::Laji::Loppu: kavija.loppu(e); break;
        case xml::Laji::AsiakirjanLoppu: kavija.asiakirjanLoppu(e); break;
        case xml::Laji::TiedostonLoppu: return;
      }
      const bool tekstia = kavija.tekstia();
      if (tekstia != tekstiaPyydetty) lukija.tekstiTarpeen(tekstiaPyydetty = tekstia);
    }
  } catch (const xml::Jasennysvirhe& v) {
    throw Hylatty{paikka(v.asiakirja, v.rivi, v.kohta + kanta) + v.viesti};
  }
}

}  // namespace sisa

}  // namespace split::camt
