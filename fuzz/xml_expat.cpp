// Our XML reader against expat (with namespaces): on every input both agree on whether it is
// well-formed and, when it is, on every element's name, namespace, attributes, text and the
// byte range of its start and end tag. What we refuse by our own rule (a DOCTYPE, another
// encoding, a name outside ASCII, a limit) is only checked to be refused. A file of several
// documents is compared per document. expat serves this check only, never the program.
// Input: the read sizes' byte, the buffer's and largest read's byte, the text.
#include <expat.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fuzztuki.h"
#include "xml/lukija.h"

namespace {

// At most pala bytes a read, each of the size the schedule says.
class Jono : public xml::Lahde {
 public:
  Jono(std::string_view s, std::size_t pala, testi::Lukuvuoro vuoro) : s_(s), pala_(pala), vuoro_(std::move(vuoro)) {}
  std::size_t lue(char* b, std::size_t koko) override {
    const std::size_t n = std::min({vuoro_.koko(koko), pala_, s_.size() - kohta_});
    std::memcpy(b, s_.data() + kohta_, n);
    kohta_ += n;
    return n;
  }

 private:
  std::string_view s_;
  std::size_t pala_, kohta_ = 0;
  testi::Lukuvuoro vuoro_;
};

// One document's elements and texts as lines, in the form both readers can give.
struct Kirjaus {
  std::vector<std::string> rivit;
  std::string teksti;
  void tekstiLoppuu() {
    if (!teksti.empty()) rivit.push_back("T" + teksti);
    teksti.clear();
  }
  void alku(const std::string& nimi, std::vector<std::string> attr, std::uint64_t a, std::uint64_t l) {
    tekstiLoppuu();
    std::sort(attr.begin(), attr.end());
    std::string r = "<" + nimi + "@" + std::to_string(a) + "-" + std::to_string(l);
    for (const auto& x : attr) r += " " + x;
    rivit.push_back(r);
  }
  void loppu(const std::string& nimi, std::uint64_t a, std::uint64_t l) {
    tekstiLoppuu();
    rivit.push_back("</" + nimi + "@" + std::to_string(a) + "-" + std::to_string(l));
  }
};

// expat refuses a namespace that holds its separator; U+0001 cannot stand in XML 1.0 at all.
constexpr char erotin = '\x01';

std::string laajennettu(std::string_view uri, std::string_view paikallinen) {
  return uri.empty() ? std::string(paikallinen) : std::string(uri) + erotin + std::string(paikallinen);
}

struct Meidan {
  std::vector<Kirjaus> asiakirjat;
  std::vector<std::uint64_t> alut;  // where each document's own bytes begin
  std::optional<xml::Jasennysvirhe> virhe;
};

Meidan lueMeidan(std::string_view syote, std::size_t pala, bool monta,
                 const testi::Lukuvuoro& vuoro = testi::Lukuvuoro({testi::Luku::kokonainen}),
                 std::size_t puskuri = 0) {
  Meidan m;
  Jono lahde(syote, pala, vuoro);
  xml::Rajat rajat;
  rajat.monta = monta;
  rajat.puskuri = puskuri;
  xml::Lukija lukija(lahde, rajat);
  try {
    for (;;) {
      const xml::Tapahtuma t = lukija.seuraava();
      if (t.laji == xml::Laji::TiedostonLoppu) break;
      if (t.laji == xml::Laji::Alku && t.syvyys == 1) {
        m.asiakirjat.emplace_back();
        m.alut.push_back(lukija.asiakirjanAlku());
        VARMISTA(t.asiakirja == m.asiakirjat.size());
      }
      VARMISTA(!m.asiakirjat.empty());
      Kirjaus& k = m.asiakirjat.back();
      switch (t.laji) {
        case xml::Laji::Alku: {
          std::vector<std::string> attr;
          for (const auto& a : t.attribuutit) {
            const std::string_view n = a.nimi;
            if (n == "xmlns" || n.substr(0, 6) == "xmlns:") continue;
            const std::size_t kp = n.find(':');
            std::string uri;
            if (kp != std::string_view::npos) {
              if (n.substr(0, kp) == "xml") {
                uri = "http://www.w3.org/XML/1998/namespace";
              } else {
                for (const auto& [etuliite, u] : lukija.nimiavaruudet())
                  if (etuliite == n.substr(0, kp)) uri = u;
              }
              VARMISTA(!uri.empty());
            }
            attr.push_back(laajennettu(uri, kp == std::string_view::npos ? n : n.substr(kp + 1)) + "=" +
                           std::string(a.arvo));
          }
          k.alku(laajennettu(t.nimiavaruus, t.paikallinen), attr, t.alku, t.loppu);
          VARMISTA(t.alku < t.loppu && t.loppu <= syote.size());
          VARMISTA(syote[t.alku] == '<' && syote[t.loppu - 1] == '>');
          break;
        }
        case xml::Laji::Loppu:
          k.loppu(laajennettu(t.nimiavaruus, t.paikallinen), t.alku, t.loppu);
          VARMISTA(syote[t.alku] == '<' && syote[t.loppu - 1] == '>');
          break;
        case xml::Laji::Teksti:
          VARMISTA(!t.teksti.empty());
          k.teksti += t.teksti;
          break;
        case xml::Laji::AsiakirjanLoppu: VARMISTA(t.syvyys == 0); break;
        case xml::Laji::TiedostonLoppu: break;
      }
    }
    // The end stays the end.
    VARMISTA(lukija.seuraava().laji == xml::Laji::TiedostonLoppu);
  } catch (const xml::Jasennysvirhe& v) {
    VARMISTA(v.kohta <= syote.size());
    m.virhe = v;
  }
  return m;
}

struct Expat {
  XML_Parser jasennin;
  Kirjaus k;
  bool dtd = false;
  std::uint64_t siirto;
  std::uint64_t alku = 0, loppu = 0;  // the latest start tag
};

void XMLCALL expatAlku(void* d, const XML_Char* nimi, const XML_Char** attr) {
  auto* e = static_cast<Expat*>(d);
  std::vector<std::string> a;
  for (; *attr; attr += 2) a.push_back(std::string(attr[0]) + "=" + attr[1]);
  e->alku = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(e->jasennin)) + e->siirto;
  e->loppu = e->alku + static_cast<std::uint64_t>(XML_GetCurrentByteCount(e->jasennin));
  e->k.alku(nimi, a, e->alku, e->loppu);
}

void XMLCALL expatLoppu(void* d, const XML_Char* nimi) {
  auto* e = static_cast<Expat*>(d);
  // expat ends an empty-element tag with no bytes of its own; we give it the tag's range.
  if (XML_GetCurrentByteCount(e->jasennin) == 0) return e->k.loppu(nimi, e->alku, e->loppu);
  const std::uint64_t alku = static_cast<std::uint64_t>(XML_GetCurrentByteIndex(e->jasennin)) + e->siirto;
  e->k.loppu(nimi, alku, alku + static_cast<std::uint64_t>(XML_GetCurrentByteCount(e->jasennin)));
}

void XMLCALL expatTeksti(void* d, const XML_Char* s, int n) { static_cast<Expat*>(d)->k.teksti.append(s, n); }

void XMLCALL expatDtd(void* d, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<Expat*>(d)->dtd = true;
}

char expatinVirhe[200];

// expat on one document: its lines, or nothing when it is not well-formed.
std::optional<Kirjaus> lueExpat(std::string_view syote, std::uint64_t siirto, bool* dtd = nullptr) {
  Expat e{XML_ParserCreateNS("UTF-8", erotin), {}, false, siirto};
  XML_SetUserData(e.jasennin, &e);
  XML_SetElementHandler(e.jasennin, expatAlku, expatLoppu);
  XML_SetCharacterDataHandler(e.jasennin, expatTeksti);
  XML_SetStartDoctypeDeclHandler(e.jasennin, expatDtd);
  const bool ok = XML_Parse(e.jasennin, syote.data(), static_cast<int>(syote.size()), 1) == XML_STATUS_OK;
  if (!ok)
    std::snprintf(expatinVirhe, sizeof expatinVirhe, "%s, tavu %lld", XML_ErrorString(XML_GetErrorCode(e.jasennin)),
                  static_cast<long long>(XML_GetCurrentByteIndex(e.jasennin) + static_cast<long long>(siirto)));
  XML_ParserFree(e.jasennin);
  if (dtd) *dtd = e.dtd;
  if (!ok) return std::nullopt;
  e.k.tekstiLoppuu();
  return e.k;
}

// Equal lines, or both printed for the report before the check fails.
bool samatRivit(const std::vector<std::string>& expat, const std::vector<std::string>& meidan) {
  if (expat == meidan) return true;
  std::fprintf(stderr, "expat:\n");
  for (const auto& r : expat) std::fprintf(stderr, "  %s\n", r.c_str());
  std::fprintf(stderr, "meidän:\n");
  for (const auto& r : meidan) std::fprintf(stderr, "  %s\n", r.c_str());
  return false;
}

bool samat(const Meidan& a, const Meidan& b) {
  if (a.virhe || b.virhe)
    return a.virhe && b.virhe && a.virhe->kohta == b.virhe->kohta && a.virhe->viesti == b.virhe->viesti &&
           a.virhe->rivi == b.virhe->rivi;
  if (a.asiakirjat.size() != b.asiakirjat.size() || a.alut != b.alut) return false;
  for (std::size_t i = 0; i < a.asiakirjat.size(); ++i)
    if (a.asiakirjat[i].rivit != b.asiakirjat[i].rivit) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  if (koko < 1 || koko > 1 << 16) return 0;
  const std::size_t puskuri = 16 + data[0] % 48;
  const std::size_t pala = 1 + data[0] % 13;
  const std::string_view syote(reinterpret_cast<const char*>(data + 1), koko - 1);

  // Buffer borders and the sizes of reads change nothing.
  const Meidan yksi = lueMeidan(syote, pala, false, vuoro, puskuri);
  const Meidan monta = lueMeidan(syote, pala, true, vuoro, puskuri);
  VARMISTA(samat(yksi, lueMeidan(syote, syote.size() + 1, false)));
  VARMISTA(samat(monta, lueMeidan(syote, syote.size() + 1, true)));

  // One document, read as XML has it.
  bool dtd = false;
  const std::optional<Kirjaus> expat = lueExpat(syote, 0, &dtd);
  if (dtd) VARMISTA(yksi.virhe && yksi.virhe->rajaus);
  if (!(yksi.virhe && yksi.virhe->rajaus)) {
    if (yksi.virhe && expat) std::fprintf(stderr, "meidän hylkäys: %s\n", yksi.virhe->what());
    if (!yksi.virhe && !expat) std::fprintf(stderr, "expatin hylkäys: %s\n", expatinVirhe);
    VARMISTA(expat.has_value() == !yksi.virhe.has_value());
    if (expat) {
      VARMISTA(yksi.asiakirjat.size() == 1);
      VARMISTA(samatRivit(expat->rivit, yksi.asiakirjat[0].rivit));
    }
  }

  // A sequence: every document that we accept, expat accepts alone and reads the same way;
  // where we stop, expat does not accept the rest as one document either.
  if (monta.virhe && monta.virhe->rajaus) return 0;
  for (std::size_t i = 0; i < monta.asiakirjat.size(); ++i) {
    const std::uint64_t alku = monta.alut[i];
    const bool viimeinen = i + 1 == monta.asiakirjat.size();
    const std::uint64_t loppu = viimeinen ? syote.size() : monta.alut[i + 1];
    const std::optional<Kirjaus> osa = lueExpat(syote.substr(alku, loppu - alku), alku);
    if (viimeinen && monta.virhe) {
      if (osa) std::fprintf(stderr, "meidän hylkäys: %s\n", monta.virhe->what());
      VARMISTA(!osa);
    } else {
      if (!osa) std::fprintf(stderr, "asiakirja %zu, expatin hylkäys: %s\n", i + 1, expatinVirhe);
      VARMISTA(osa.has_value());
      VARMISTA(samatRivit(osa->rivit, monta.asiakirjat[i].rivit));
    }
  }
  // A sequence reader is only more lenient between documents.
  if (!yksi.virhe) VARMISTA(samat(yksi, monta));
  return 0;
}
