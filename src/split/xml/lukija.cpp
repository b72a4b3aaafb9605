#include "split/xml/lukija.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "euro/teksti.h"

namespace xml {

namespace {

constexpr std::size_t lukupuskurinOletus = 64 * 1024;
// The longest look-ahead is "<![CDATA[", nine bytes.
constexpr std::size_t pieninPuskuri = 16;
std::size_t lukupuskuri = lukupuskurinOletus;

constexpr std::string_view xmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view xmlnsUri = "http://www.w3.org/2000/xmlns/";

using Taulu = std::array<bool, 256>;

// Bytes that a fast loop may pass without a second look, per context.
constexpr Taulu tavallinen(std::string_view erikoiset) {
  Taulu t{};
  for (int c = 0x20; c < 0x80; ++c) t[c] = true;
  t['\t'] = t['\n'] = true;
  for (char c : erikoiset) t[static_cast<unsigned char>(c)] = false;
  return t;
}
constexpr Taulu tekstissa = tavallinen("<&]\r");
constexpr Taulu kommentissa = [] {
  Taulu t = tavallinen("-");
  t['\r'] = true;
  return t;
}();
constexpr Taulu ohjeessa = [] {
  Taulu t = tavallinen("?");
  t['\r'] = true;
  return t;
}();
constexpr Taulu cdatassa = tavallinen("]\r");
// In attribute values white space becomes a space, so tab and LF are looked at too.
constexpr Taulu arvossa = [] {
  Taulu t = tavallinen("<&\"'");
  t['\t'] = t['\n'] = false;
  return t;
}();

constexpr Taulu nimenAlku = [] {
  Taulu t{};
  for (int c = 'a'; c <= 'z'; ++c) t[c] = t[c - 'a' + 'A'] = true;
  t['_'] = t[':'] = true;
  return t;
}();
constexpr Taulu nimessa = [] {
  Taulu t = nimenAlku;
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  t['-'] = t['.'] = true;
  return t;
}();

// Eight bytes at a time while none of them needs a look: a word with a byte below 0x20, from
// 0x80 on, or equal to one of the special bytes goes through the table byte by byte.
constexpr std::uint64_t kaikissa(unsigned char c) { return 0x0101010101010101ull * c; }
constexpr std::uint64_t korkeat = kaikissa(0x80);
inline std::uint64_t alle(std::uint64_t x, unsigned char n) { return (x - kaikissa(n)) & ~x & korkeat; }
inline std::uint64_t sama(std::uint64_t x, unsigned char c) { return alle(x ^ kaikissa(c), 1); }

template <unsigned char... Erikoiset>
const unsigned char* tavalliset(const unsigned char* q, const unsigned char* e, const Taulu& t) {
  for (;;) {
    while (e - q >= 8) {
      std::uint64_t x;
      std::memcpy(&x, q, 8);
      std::uint64_t epailty = (x & korkeat) | alle(x, 0x20);
      ((epailty |= sama(x, Erikoiset)), ...);
      if (epailty) break;
      q += 8;
    }
    const unsigned char* sana = e - q >= 8 ? q + 8 : e;
    while (q < sana && t[*q]) ++q;
    if (q < sana || q == e) return q;
  }
}

bool valilyonti(unsigned c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool sallittu(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void lisaaUtf8(std::string& s, std::uint32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool samaIsoinPienin(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string luku(std::uint64_t n) { return std::to_string(n); }

}  // namespace

Jasennysvirhe::Jasennysvirhe(std::uint32_t a, std::int64_t r, std::uint64_t k, std::string v)
    : asiakirja(a), rivi(r), kohta(k), viesti(std::move(v)) {
  kokonaan_ = euro::ansi("asiakirja ") + luku(asiakirja) + euro::ansi(", rivi ") + luku(rivi) +
              euro::ansi(", tavu ") + luku(kohta) + ": " + viesti;
}

const char* Jasennysvirhe::what() const noexcept { return kokonaan_.c_str(); }

struct Lukija::Tila {
  struct Elementti {
    std::string nimi;
    std::size_t kaksoispiste = std::string::npos;
    std::string uri;
    std::size_t nsAlku = 0;
  };
  struct AttrPaikka {
    std::size_t nimi, nimiKoko, kaksoispiste, arvo, arvoKoko;
    const std::string* uri;
  };
  enum class Vaihe { valissa, sisalla, tyhjaKesken, juuriLoppui, valmis };

  Tila(Lahde& l, Rajat r) : lahde(l), rajat(r) {
    koko = lukupuskuri < pieninPuskuri ? pieninPuskuri : lukupuskuri;
    puskuri = std::make_unique<unsigned char[]>(koko);
    p = e = riviKursori = puskuri.get();
    pala = koko;
  }

  Lahde& lahde;
  Rajat rajat;
  std::unique_ptr<unsigned char[]> puskuri;
  std::size_t koko, pala;
  const unsigned char* p;
  const unsigned char* e;
  std::uint64_t puskurinKohta = 0;
  bool lahdeLoppui = false;

  // Lines are counted lazily, up to the bytes that leave the buffer or where a line is asked.
  const unsigned char* riviKursori;
  std::int64_t rivi = 1;
  bool crKesken = false;

  Vaihe vaihe = Vaihe::valissa;
  std::uint32_t asiakirja = 0;
  std::uint32_t virheenAsiakirja = 1;
  std::uint64_t alkuKohta = 0;
  std::uint64_t juurenAlku = 0, juurenLoppu = 0;
  std::int64_t juurenRivi = 0;

  std::vector<Elementti> pino;
  std::size_t syvyys = 0;
  std::vector<std::pair<std::string, std::string>> ns;
  std::size_t nsKoko = 0;
  std::size_t nsTavuja = 0;  // held by the declarations in scope

  std::string tagi;
  std::vector<AttrPaikka> paikat;
  std::vector<Attribuutti> attribuutit;
  std::uint64_t tagiAlku = 0, tagiLoppu = 0;
  std::int64_t tagiRivi = 0;
  std::string loppuNimi, loppuUri;
  std::size_t loppuKaksoispiste = std::string::npos;
  std::string nimiApu;

  std::string teksti;
  std::uint64_t tekstinAlku = 0;
  std::int64_t tekstinRivi = 0;
  bool cdataKesken = false;
  std::optional<Jasennysvirhe> kaatunut;

  std::uint64_t kohta(const unsigned char* q) const {
    return puskurinKohta + static_cast<std::uint64_t>(q - puskuri.get());
  }

  void laskeRivit(const unsigned char* loppu) {
    const unsigned char* q = riviKursori;
    while (q < loppu) {
      if (loppu - q >= 8) {
        std::uint64_t x;
        std::memcpy(&x, q, 8);
        if (!alle(x, '\r' + 1)) {
          q += 8;
          crKesken = false;
          continue;
        }
      }
      for (const unsigned char* sana = loppu - q >= 8 ? q + 8 : loppu; q < sana; ++q) {
        const unsigned c = *q;
        if (c == '\n') {
          if (!crKesken) ++rivi;
          crKesken = false;
        } else if (c == '\r') {
          ++rivi;
          crKesken = true;
        } else {
          crKesken = false;
        }
      }
    }
    riviKursori = loppu;
  }

  std::int64_t riviKohdassa(const unsigned char* q) {
    laskeRivit(q);
    return rivi;
  }

  // At least n bytes from p on; false when the input ends first. Moves the unread bytes to
  // the front, so pointers into the buffer other than p and e go stale.
  bool saatavilla(std::size_t n) {
    if (static_cast<std::size_t>(e - p) >= n) return true;
    if (lahdeLoppui) return false;
    laskeRivit(p);
    unsigned char* alku = puskuri.get();
    const std::size_t jaljella = static_cast<std::size_t>(e - p);
    std::memmove(alku, p, jaljella);
    puskurinKohta += static_cast<std::uint64_t>(p - alku);
    p = riviKursori = alku;
    unsigned char* loppu = alku + jaljella;
    // Each read asks for what is left of the buffer now: an earlier short read filled part.
    while (static_cast<std::size_t>(loppu - p) < n) {
      const std::size_t luettu =
          lahde.lue(reinterpret_cast<char*>(loppu), koko - static_cast<std::size_t>(loppu - alku));
      if (luettu == 0) {
        lahdeLoppui = true;
        break;
      }
      loppu += luettu;
    }
    e = loppu;
    return static_cast<std::size_t>(e - p) >= n;
  }

  [[noreturn]] void virhe(const std::string& viesti, bool rajaus = false) {
    laskeRivit(p);
    Jasennysvirhe v(virheenAsiakirja, rivi, kohta(p), viesti);
    v.rajaus = rajaus;
    throw v;
  }
  [[noreturn]] void virhe(const char* utf8, bool rajaus = false) { virhe(euro::ansi(utf8), rajaus); }
  // At an earlier place whose line is known: the start of a tag or a reference.
  [[noreturn]] void virhe(std::uint64_t k, std::int64_t r, const std::string& viesti, bool rajaus = false) {
    Jasennysvirhe v(virheenAsiakirja, r, k, viesti);
    v.rajaus = rajaus;
    throw v;
  }

  [[noreturn]] void kesken() {
    if (syvyys > 0)
      virhe(euro::ansi("tiedosto loppuu kesken asiakirjan: odotettiin </") +
            euro::utf8Ansi(pino[syvyys - 1].nimi) + ">");
    virhe("tiedosto loppuu kesken merkinnän");
  }

  void vaadi(std::size_t n) {
    if (!saatavilla(n)) kesken();
  }

  // One non-ASCII character at p, checked; answers its length.
  std::size_t utf8() {
    const unsigned c = *p;
    std::size_t n;
    std::uint32_t cp, pienin;
    if (c >= 0xC2 && c < 0xE0) {
      n = 2, cp = c & 0x1F, pienin = 0x80;
    } else if (c >= 0xE0 && c < 0xF0) {
      n = 3, cp = c & 0x0F, pienin = 0x800;
    } else if (c >= 0xF0 && c < 0xF5) {
      n = 4, cp = c & 0x07, pienin = 0x10000;
    } else {
      virhe("virheellinen UTF-8-merkki");
    }
    if (!saatavilla(n)) virhe("tiedosto loppuu kesken UTF-8-merkin");
    for (std::size_t i = 1; i < n; ++i) {
      if ((p[i] & 0xC0) != 0x80) virhe("virheellinen UTF-8-merkki");
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < pienin || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
      virhe("virheellinen UTF-8-merkki");
    if (!sallittu(cp)) virhe("merkki, jota XML ei salli");
    return n;
  }

  // Passes the bytes that need no second look; false at the end of the input.
  template <unsigned char Erikoinen>
  bool ohita(const Taulu& t) {
    for (;;) {
      const unsigned char* q = tavalliset<Erikoinen>(p, e, t);
      p = q;
      if (q < e) return true;
      if (!saatavilla(1)) return false;
    }
  }

  // A character outside the fast set that is still plain content here (CR, non-ASCII);
  // copied to kohde when given. Anything else is refused.
  void merkki(std::string* kohde) {
    const unsigned c = *p;
    if (c == '\r') {
      ++p;
      if (saatavilla(1) && *p == '\n') ++p;
      if (kohde) *kohde += '\n';
    } else if (c >= 0x80) {
      const std::size_t n = utf8();
      if (kohde) kohde->append(reinterpret_cast<const char*>(p), n);
      p += n;
    } else if (c == '\t' || c == '\n' || (c >= 0x20 && c < 0x80)) {
      if (kohde) *kohde += static_cast<char>(c);
      ++p;
    } else {
      virhe("merkki, jota XML ei salli");
    }
  }

  bool ohitaValit() {
    bool oli = false;
    for (;;) {
      while (p < e && valilyonti(*p)) ++p, oli = true;
      if (p < e || !saatavilla(1)) return oli;
    }
  }

  bool alkaa(std::string_view s) {
    return saatavilla(s.size()) && std::memcmp(p, s.data(), s.size()) == 0;
  }

  // A name (ASCII only: the statements' names are, and so no name table can differ from
  // another reader's) into kohde; answers the position of its colon or npos.
  std::size_t nimi(std::string& kohde) {
    kohde.clear();
    vaadi(1);
    if (!nimenAlku[*p]) {
      if (*p >= 0x80) virhe("nimessä saa olla vain ASCII-merkkejä", true);
      virhe("odotettiin nimeä");
    }
    for (;;) {
      // Never past the first byte over the limit: a refusal's place must not depend on where
      // a read ended.
      const unsigned char* q = p;
      const unsigned char* raja = e;
      if (static_cast<std::size_t>(e - p) > rajat.nimi + 1 - kohde.size()) raja = p + (rajat.nimi + 1 - kohde.size());
      while (q < raja && nimessa[*q]) ++q;
      kohde.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
      p = q;
      if (kohde.size() > rajat.nimi)
        virhe(euro::ansi("nimi on yli ") + luku(rajat.nimi) + euro::ansi(" merkkiä pitkä"), true);
      if (q < e) break;
      vaadi(1);
    }
    if (*p >= 0x80) virhe("nimessä saa olla vain ASCII-merkkejä", true);
    // Names are short: a plain loop beats a library search here.
    std::size_t kp = std::string::npos, kpt = 0;
    for (std::size_t i = 0; i < kohde.size(); ++i)
      if (kohde[i] == ':') kp = kp == std::string::npos ? i : kp, ++kpt;
    // Both halves of a prefixed name are names of their own: the local one starts as one.
    if (kp != std::string::npos &&
        (kp == 0 || kp + 1 == kohde.size() || kpt > 1 || !nimenAlku[static_cast<unsigned char>(kohde[kp + 1])]))
      virhe(euro::ansi("nimi ") + kohde + euro::ansi(" ei kelpaa: odotettiin muotoa etuliite:nimi, kumpikin kirjaimella tai _ alkava"));
    return kp;
  }

  // A character reference or one of the five predefined entities, decoded into kohde.
  void viittaus(std::string& kohde) {
    const std::uint64_t alku = kohta(p);
    const std::int64_t r = riviKohdassa(p);
    ++p;  // '&'
    vaadi(1);
    if (*p == '#') {
      ++p;
      vaadi(1);
      const bool heksa = *p == 'x';
      if (heksa) ++p;
      std::uint32_t arvo = 0;
      std::size_t numeroita = 0;
      for (;;) {
        vaadi(1);
        const unsigned c = *p;
        std::uint32_t d;
        if (c >= '0' && c <= '9') {
          d = c - '0';
        } else if (heksa && c >= 'a' && c <= 'f') {
          d = c - 'a' + 10;
        } else if (heksa && c >= 'A' && c <= 'F') {
          d = c - 'A' + 10;
        } else {
          break;
        }
        arvo = arvo * (heksa ? 16 : 10) + d;
        if (arvo > 0x10FFFF) arvo = 0x110000;  // stays out of range, never wraps
        ++numeroita, ++p;
      }
      if (numeroita == 0 || *p != ';') virhe("merkkiviittauksesta puuttuu numero tai ;");
      if (!sallittu(arvo)) virhe(alku, r, euro::ansi("merkkiviittaus merkkiin, jota XML ei salli"));
      ++p;
      lisaaUtf8(kohde, arvo);
      return;
    }
    std::string& n = nimiApu;
    n.clear();
    while (vaadi(1), nimessa[*p] && n.size() < 8) n += static_cast<char>(*p++);
    if (*p != ';') virhe("odotettiin entiteetin nimeä ja ;");
    ++p;
    if (n == "lt") kohde += '<';
    else if (n == "gt") kohde += '>';
    else if (n == "amp") kohde += '&';
    else if (n == "apos") kohde += '\'';
    else if (n == "quot") kohde += '"';
    else virhe(alku, r, euro::ansi("tuntematon entiteetti &") + n + ";");
  }

  void kommentti() {
    p += 4;  // "<!--"
    for (;;) {
      if (!ohita<'-'>(kommentissa)) kesken();
      if (*p != '-') {
        merkki(nullptr);
        continue;
      }
      vaadi(2);
      if (p[1] != '-') {
        ++p;
        continue;
      }
      vaadi(3);
      if (p[2] != '>') virhe("kommentissa ei saa olla --");
      p += 3;
      return;
    }
  }

  void kasittelyohje() {
    const std::uint64_t alku = kohta(p);
    const std::int64_t r = riviKohdassa(p);
    p += 2;  // "<?"
    nimi(nimiApu);
    if (samaIsoinPienin(nimiApu, "xml")) {
      if (nimiApu == "xml") virhe(alku, r, euro::ansi("XML-julistus saa olla vain asiakirjan alussa"));
      virhe(alku, r, euro::ansi("käsittelyohjeen nimi ") + nimiApu + euro::ansi(" on varattu"));
    }
    if (nimiApu.find(':') != std::string::npos)
      virhe(alku, r, euro::ansi("käsittelyohjeen nimessä ei saa olla kaksoispistettä"));
    if (alkaa("?>")) {
      p += 2;
      return;
    }
    if (!ohitaValit()) {
      if (p == e) kesken();
      virhe("odotettiin välilyöntiä tai ?>");
    }
    for (;;) {
      if (!ohita<'?'>(ohjeessa)) kesken();
      if (*p != '?') {
        merkki(nullptr);
        continue;
      }
      vaadi(2);
      if (p[1] == '>') {
        p += 2;
        return;
      }
      ++p;
    }
  }

  // "=" and the opening quote of a value, with white space around the "="; answers the quote.
  unsigned char arvonAlku() {
    ohitaValit();
    vaadi(1);
    if (*p != '=') virhe("odotettiin =");
    ++p;
    ohitaValit();
    vaadi(1);
    const unsigned char lainaus = *p;
    if (lainaus != '"' && lainaus != '\'') virhe("odotettiin lainausmerkkiä");
    ++p;
    return lainaus;
  }

  // "=" and a quoted value of at most the name limit, for the XML declaration.
  std::string julistuksenArvo() {
    const unsigned char lainaus = arvonAlku();
    std::string arvo;
    for (;;) {
      vaadi(1);
      if (*p == lainaus) break;
      if (*p < 0x20 || *p >= 0x80 || arvo.size() >= rajat.nimi)
        virhe("XML-julistuksen arvo ei kelpaa");
      arvo += static_cast<char>(*p++);
    }
    ++p;
    return arvo;
  }

  bool sana(std::string_view s) {
    if (!alkaa(s)) return false;
    p += s.size();
    return true;
  }

  void julistus() {
    p += 5;  // "<?xml"
    ohitaValit();
    if (!sana("version")) virhe("XML-julistuksesta puuttuu version");
    const std::string versio = julistuksenArvo();
    bool versioKelpaa = versio.size() > 2 && versio.compare(0, 2, "1.") == 0;
    for (std::size_t i = 2; versioKelpaa && i < versio.size(); ++i)
      versioKelpaa = versio[i] >= '0' && versio[i] <= '9';
    // expat lets any version through; XML 1.0 has only 1.x.
    if (!versioKelpaa) virhe(euro::ansi("XML-versio ") + versio + euro::ansi(" ei kelpaa"), true);
    bool vali = ohitaValit();
    if (vali && sana("encoding")) {
      const std::string nimi = julistuksenArvo();
      bool kelpaa = !nimi.empty() && ((nimi[0] >= 'a' && nimi[0] <= 'z') || (nimi[0] >= 'A' && nimi[0] <= 'Z'));
      for (char c : nimi)
        kelpaa = kelpaa && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                            c == '.' || c == '_' || c == '-');
      if (!kelpaa) virhe("merkistön nimi ei kelpaa");
      if (!samaIsoinPienin(nimi, "UTF-8"))
        virhe(euro::ansi("merkistöä ") + nimi + euro::ansi(" ei lueta: vain UTF-8 käy"), true);
      vali = ohitaValit();
    }
    if (vali && sana("standalone")) {
      const std::string arvo = julistuksenArvo();
      if (arvo != "yes" && arvo != "no") virhe("standalone saa olla vain yes tai no");
      ohitaValit();
    }
    if (!sana("?>")) {
      if (!saatavilla(2)) kesken();
      virhe("odotettiin XML-julistuksen loppua ?>");
    }
  }

  const std::string* etsiNimiavaruus(std::string_view etuliite) const {
    for (std::size_t i = nsKoko; i-- > 0;)
      if (ns[i].first == etuliite) return &ns[i].second;
    return nullptr;
  }

  void julista(std::string_view etuliite, std::string_view uri) {
    if (etuliite == "xml") {
      if (uri != xmlUri) virhe(tagiAlku, tagiRivi, euro::ansi("etuliite xml on varattu"));
    } else if (etuliite == "xmlns") {
      virhe(tagiAlku, tagiRivi, euro::ansi("etuliitettä xmlns ei saa määritellä"));
    } else if (uri == xmlUri || uri == xmlnsUri) {
      virhe(tagiAlku, tagiRivi, euro::ansi("varattua nimiavaruutta ei saa sitoa muuhun etuliitteeseen"));
    } else if (uri.empty() && !etuliite.empty()) {
      virhe(tagiAlku, tagiRivi, euro::ansi("etuliitteen ") + std::string(etuliite) + euro::ansi(" nimiavaruus ei saa olla tyhjä"));
    }
    if (nsKoko == ns.size()) ns.emplace_back();
    ns[nsKoko].first.assign(etuliite);
    ns[nsKoko].second.assign(uri);
    ++nsKoko;
    nsTavuja += etuliite.size() + uri.size();
    if (nsTavuja > rajat.nimiavaruudet)
      virhe(tagiAlku, tagiRivi,
            euro::ansi("voimassa olevat nimiavaruudet vievät yli ") + luku(rajat.nimiavaruudet) + euro::ansi(" tavua"),
            true);
  }

  const std::string& ratkaise(std::string_view etuliite, bool elementti) {
    static const std::string xml(xmlUri);
    static const std::string tyhja;
    if (etuliite == "xml") return xml;
    if (etuliite == "xmlns") virhe(tagiAlku, tagiRivi, euro::ansi("etuliite xmlns on varattu"));
    const std::string* uri = etsiNimiavaruus(etuliite);
    if (uri) return *uri;
    if (etuliite.empty() && elementti) return tyhja;
    virhe(tagiAlku, tagiRivi, euro::ansi("etuliitettä ") + std::string(etuliite) + euro::ansi(" ei ole määritelty"));
  }

  Tapahtuma tapahtuma(Laji laji) {
    Tapahtuma t{};
    t.laji = laji;
    t.asiakirja = asiakirja;
    t.syvyys = static_cast<int>(syvyys);
    return t;
  }

  Tapahtuma alkuTagi() {
    tagiAlku = kohta(p);
    tagiRivi = riviKohdassa(p);
    ++p;  // '<'
    tagi.clear();
    paikat.clear();
    const std::size_t kp = nimi(tagi);
    const std::size_t nimenKoko = tagi.size();
    bool tyhja = false;
    for (;;) {
      const bool vali = ohitaValit();
      vaadi(1);
      if (*p == '>') {
        ++p;
        break;
      }
      if (*p == '/') {
        vaadi(2);
        if (p[1] != '>') virhe("odotettiin />");
        p += 2;
        tyhja = true;
        break;
      }
      if (!vali) virhe("odotettiin välilyöntiä, > tai />");
      if (paikat.size() == rajat.attribuutteja)
        virhe(euro::ansi("elementillä on yli ") + luku(rajat.attribuutteja) + euro::ansi(" attribuuttia"), true);
      AttrPaikka a{};
      a.nimi = tagi.size();
      a.kaksoispiste = nimi(nimiApu);
      tagi += nimiApu;
      a.nimiKoko = nimiApu.size();
      const unsigned char lainaus = arvonAlku();
      a.arvo = tagi.size();
      for (;;) {
        // As with names, the scan stops at the first byte over the limit.
        const unsigned char* q = p;
        const unsigned char* raja = e;
        const std::size_t tilaa = rajat.attribuutti + 1 - (tagi.size() - a.arvo);
        if (static_cast<std::size_t>(e - p) > tilaa) raja = p + tilaa;
        q = tavalliset<'<', '&', '"', '\''>(q, raja, arvossa);
        tagi.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
        p = q;
        if (tagi.size() - a.arvo > rajat.attribuutti)
          virhe(euro::ansi("attribuutin arvo on yli ") + luku(rajat.attribuutti) + euro::ansi(" tavua pitkä"),
                true);
        if (p == e) {
          vaadi(1);
          continue;
        }
        const unsigned c = *p;
        if (c == lainaus) {
          ++p;
          break;
        }
        if (c == '"' || c == '\'') {
          tagi += static_cast<char>(c);
          ++p;
        } else if (c == '<') {
          virhe("attribuutin arvossa ei saa olla <");
        } else if (c == '&') {
          viittaus(tagi);
        } else if (c == '\t' || c == '\n') {
          tagi += ' ';
          ++p;
        } else if (c == '\r') {
          ++p;
          if (saatavilla(1) && *p == '\n') ++p;
          tagi += ' ';
        } else {
          merkki(&tagi);
        }
      }
      a.arvoKoko = tagi.size() - a.arvo;
      if (a.arvoKoko > rajat.attribuutti)
        virhe(euro::ansi("attribuutin arvo on yli ") + luku(rajat.attribuutti) + euro::ansi(" tavua pitkä"), true);
      paikat.push_back(a);
    }
    tagiLoppu = kohta(p);
    return alkuValmis(nimenKoko, kp, tyhja);
  }

  Tapahtuma alkuValmis(std::size_t nimenKoko, std::size_t kp, bool tyhja) {
    const std::string_view kaikki(tagi);
    auto nimiA = [&](const AttrPaikka& a) { return kaikki.substr(a.nimi, a.nimiKoko); };
    for (std::size_t i = 0; i < paikat.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (nimiA(paikat[i]) == nimiA(paikat[j]))
          virhe(tagiAlku, tagiRivi, euro::ansi("attribuutti ") + std::string(nimiA(paikat[i])) + euro::ansi(" toistuu"));
    if (syvyys >= rajat.syvyys)
      virhe(tagiAlku, tagiRivi, euro::ansi("elementtejä on sisäkkäin yli ") + luku(rajat.syvyys), true);
    if (syvyys == pino.size()) pino.emplace_back();
    Elementti& el = pino[syvyys];
    el.nimi.assign(kaikki.substr(0, nimenKoko));
    el.kaksoispiste = kp;
    el.nsAlku = nsKoko;
    ++syvyys;  // the declarations below belong to this element even when it is refused
    for (const AttrPaikka& a : paikat) {
      const std::string_view n = nimiA(a);
      if (n == "xmlns") julista("", kaikki.substr(a.arvo, a.arvoKoko));
      else if (a.kaksoispiste == 5 && n.substr(0, 5) == "xmlns")
        julista(n.substr(6), kaikki.substr(a.arvo, a.arvoKoko));
    }
    el.uri = ratkaise(kp == std::string::npos ? std::string_view() : std::string_view(el.nimi).substr(0, kp), true);
    for (AttrPaikka& a : paikat) {
      const std::string_view n = nimiA(a);
      a.uri = nullptr;
      if (a.kaksoispiste == std::string::npos || n.substr(0, a.kaksoispiste) == "xmlns") continue;
      a.uri = &ratkaise(n.substr(0, a.kaksoispiste), false);
      for (const AttrPaikka& b : paikat) {
        if (&b == &a) break;
        if (b.uri && *b.uri == *a.uri &&
            nimiA(b).substr(b.kaksoispiste + 1) == n.substr(a.kaksoispiste + 1))
          virhe(tagiAlku, tagiRivi, euro::ansi("attribuutti ") + std::string(n) + euro::ansi(" toistuu nimiavaruudessaan"));
      }
    }
    attribuutit.clear();
    for (const AttrPaikka& a : paikat)
      attribuutit.push_back({nimiA(a), kaikki.substr(a.arvo, a.arvoKoko)});

    Tapahtuma t = tapahtuma(Laji::Alku);
    nimiTapahtumaan(t, el.nimi, kp, el.uri);
    t.alku = tagiAlku;
    t.loppu = tagiLoppu;
    t.rivi = tagiRivi;
    t.attribuutit = attribuutit;
    if (syvyys == 1) {
      juurenAlku = tagiAlku;
      juurenRivi = tagiRivi;
    }
    if (tyhja) vaihe = Vaihe::tyhjaKesken;
    return t;
  }

  static void nimiTapahtumaan(Tapahtuma& t, const std::string& nimi, std::size_t kp, const std::string& uri) {
    const std::string_view n(nimi);
    if (kp == std::string::npos) {
      t.paikallinen = n;
    } else {
      t.etuliite = n.substr(0, kp);
      t.paikallinen = n.substr(kp + 1);
    }
    t.nimiavaruus = uri;
  }

  // Ends the element on top of the stack; its names move aside so the event's views survive.
  Tapahtuma loppu(std::uint64_t alku, std::uint64_t loppuKohta, std::int64_t r) {
    Elementti& el = pino[syvyys - 1];
    loppuNimi.swap(el.nimi);
    loppuUri.swap(el.uri);
    loppuKaksoispiste = el.kaksoispiste;
    Tapahtuma t = tapahtuma(Laji::Loppu);
    nimiTapahtumaan(t, loppuNimi, loppuKaksoispiste, loppuUri);
    t.alku = alku;
    t.loppu = loppuKohta;
    t.rivi = r;
    for (; nsKoko > el.nsAlku; --nsKoko) nsTavuja -= ns[nsKoko - 1].first.size() + ns[nsKoko - 1].second.size();
    --syvyys;
    if (syvyys == 0) {
      juurenLoppu = loppuKohta;
      vaihe = Vaihe::juuriLoppui;
    } else {
      vaihe = Vaihe::sisalla;
    }
    return t;
  }

  Tapahtuma loppuTagi() {
    const std::uint64_t alku = kohta(p);
    const std::int64_t r = riviKohdassa(p);
    p += 2;  // "</"
    std::string& n = nimiApu;
    nimi(n);
    ohitaValit();
    vaadi(1);
    if (*p != '>') virhe("odotettiin >");
    if (n != pino[syvyys - 1].nimi)
      virhe(alku, r, euro::ansi("odotettiin </") + pino[syvyys - 1].nimi + euro::ansi(">, ei </") + n + ">");
    ++p;
    return loppu(alku, kohta(p), r);
  }

  void aloitaTeksti() {
    if (!teksti.empty()) return;
    tekstinAlku = kohta(p);
    tekstinRivi = riviKohdassa(p);
  }

  Tapahtuma tekstiTapahtuma() {
    Tapahtuma t = tapahtuma(Laji::Teksti);
    t.alku = tekstinAlku;
    t.loppu = kohta(p);
    t.rivi = tekstinRivi;
    t.teksti = teksti;
    return t;
  }

  // Copies CDATA on; false when the text piece filled up first.
  bool cdata() {
    for (;;) {
      if (teksti.size() >= pala) return false;
      const unsigned char* q = p;
      const unsigned char* raja = e;
      if (static_cast<std::size_t>(raja - q) > pala - teksti.size()) raja = q + (pala - teksti.size());
      q = tavalliset<']'>(q, raja, cdatassa);
      teksti.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
      p = q;
      if (p == e) {
        if (!saatavilla(1)) kesken();
        continue;
      }
      if (q == raja && q < e && cdatassa[*q]) continue;
      if (*p == ']') {
        if (alkaa("]]>")) {
          p += 3;
          cdataKesken = false;
          return true;
        }
        teksti += ']';
        ++p;
        continue;
      }
      merkki(&teksti);
    }
  }

  Tapahtuma sisalto() {
    teksti.clear();
    if (cdataKesken) {
      aloitaTeksti();
      if (!cdata()) return tekstiTapahtuma();
    }
    for (;;) {
      if (p == e && !saatavilla(1)) kesken();
      const unsigned char* q = p;
      const unsigned char* raja = e;
      if (static_cast<std::size_t>(raja - q) > pala - teksti.size()) raja = q + (pala - teksti.size());
      q = tavalliset<'<', '&', ']'>(q, raja, tekstissa);
      if (q != p) {
        aloitaTeksti();
        teksti.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
        p = q;
        if (teksti.size() >= pala) return tekstiTapahtuma();
        continue;
      }
      const unsigned c = *p;
      if (c == '<') {
        vaadi(2);
        if (p[1] == '!') {
          if (alkaa("<!--")) {
            kommentti();
            continue;
          }
          if (alkaa("<![CDATA[")) {
            aloitaTeksti();
            p += 9;
            cdataKesken = true;
            if (!cdata()) return tekstiTapahtuma();
            if (teksti.size() >= pala) return tekstiTapahtuma();
            continue;
          }
          if (!saatavilla(9)) kesken();
          virhe("odotettiin kommenttia <!-- tai CDATA-osaa <![CDATA[");
        }
        if (p[1] == '?') {
          kasittelyohje();
          continue;
        }
        if (!teksti.empty()) return tekstiTapahtuma();
        if (p[1] == '/') return loppuTagi();
        return alkuTagi();
      }
      aloitaTeksti();
      if (c == '&') {
        viittaus(teksti);
      } else if (c == ']') {
        if (alkaa("]]>")) virhe("tekstissä ei saa olla ]]>");
        teksti += ']';
        ++p;
      } else {
        merkki(&teksti);
      }
      if (teksti.size() >= pala) return tekstiTapahtuma();
    }
  }

  // Between documents: white space, comments, PIs; before a document's own bytes a BOM and
  // an XML declaration (a program that appends whole documents leaves them there).
  Tapahtuma valissa() {
    enum { alussa, bominJalkeen, julistettu } vaiheVali = (rajat.monta || asiakirja == 0) ? alussa : julistettu;
    std::uint64_t bominLoppu = 0;
    bool omiaTavuja = false;  // a BOM or a declaration of the next document has been read
    std::uint64_t omaAlku = 0;
    virheenAsiakirja = asiakirja == 0 ? 1 : asiakirja;
    for (;;) {
      ohitaValit();
      if (!saatavilla(1)) {
        if (asiakirja == 0) virhe("tiedostossa ei ole yhtään XML-elementtiä");
        if (omiaTavuja) virhe("tiedosto loppuu kesken asiakirjan: odotettiin juurielementtiä");
        vaihe = Vaihe::valmis;
        return loppuTapahtuma();
      }
      const unsigned c = *p;
      if (c == 0xEF && alkaa("\xEF\xBB\xBF")) {
        // One document is read as XML has it: the BOM only as the first bytes.
        if (vaiheVali != alussa || (!rajat.monta && kohta(p) != 0)) virhe("BOM väärässä paikassa");
        if (asiakirja > 0) virheenAsiakirja = asiakirja + 1;
        omiaTavuja = true;
        omaAlku = kohta(p);
        p += 3;
        bominLoppu = kohta(p);
        vaiheVali = bominJalkeen;
        continue;
      }
      if ((c == 0xFE || c == 0xFF) && kohta(p) == 0 && saatavilla(2) && (p[1] ^ c) == 0x01)
        virhe("UTF-16-tiedostoa ei lueta: vain UTF-8 käy", true);
      if (c != '<') {
        if (c >= 0x80) utf8();
        virhe("juurielementin ulkopuolella saa olla vain välilyöntejä, kommentteja ja käsittelyohjeita");
      }
      vaadi(2);
      if (p[1] == '?') {
        if (alkaa("<?xml") && saatavilla(6) && (valilyonti(p[5]) || p[5] == '?')) {
          const bool saa = rajat.monta ? vaiheVali == alussa || (vaiheVali == bominJalkeen && kohta(p) == bominLoppu)
                                       : kohta(p) == bominLoppu;
          if (!saa) virhe("XML-julistus saa olla vain asiakirjan alussa");
          if (asiakirja > 0) virheenAsiakirja = asiakirja + 1;
          if (!omiaTavuja) omaAlku = kohta(p);
          omiaTavuja = true;
          julistus();
          vaiheVali = julistettu;
          continue;
        }
        kasittelyohje();
        if (vaiheVali != alussa) vaiheVali = julistettu;
        continue;
      }
      if (p[1] == '!') {
        if (alkaa("<!--")) {
          kommentti();
          if (vaiheVali != alussa) vaiheVali = julistettu;
          continue;
        }
        if (alkaa("<!DOCTYPE")) virhe("asiakirjatyypin määrittelyä (DOCTYPE) ei lueta", true);
        if (!saatavilla(9)) kesken();
        virhe("odotettiin kommenttia <!--");
      }
      if (p[1] == '/') virhe("loppumerkintä ilman alkumerkintää");
      if (asiakirja > 0 && !rajat.monta) virhe("tiedostossa saa olla vain yksi juurielementti");
      if (!nimenAlku[p[1]] && p[1] < 0x80) {
        ++p;
        virhe("odotettiin elementtiä");
      }
      ++asiakirja;
      virheenAsiakirja = asiakirja;
      alkuKohta = omiaTavuja ? omaAlku : asiakirja == 1 ? 0 : kohta(p);
      vaihe = Vaihe::sisalla;
      return alkuTagi();
    }
  }

  Tapahtuma loppuTapahtuma() {
    Tapahtuma t = tapahtuma(Laji::TiedostonLoppu);
    t.alku = t.loppu = kohta(p);
    t.rivi = riviKohdassa(p);
    return t;
  }

  Tapahtuma seuraava() {
    switch (vaihe) {
      case Vaihe::tyhjaKesken:
        return loppu(tagiAlku, tagiLoppu, tagiRivi);
      case Vaihe::juuriLoppui: {
        vaihe = Vaihe::valissa;
        Tapahtuma t = tapahtuma(Laji::AsiakirjanLoppu);
        t.alku = juurenAlku;
        t.loppu = juurenLoppu;
        t.rivi = juurenRivi;
        return t;
      }
      case Vaihe::valmis:
        return loppuTapahtuma();
      case Vaihe::valissa:
        return valissa();
      case Vaihe::sisalla:
        break;
    }
    return sisalto();
  }
};

Lukija::Lukija(Lahde& lahde, Rajat rajat) : t_(std::make_unique<Tila>(lahde, rajat)) {}
Lukija::~Lukija() = default;

// After a refusal the state is half-way through a token; every later call repeats the refusal.
Tapahtuma Lukija::seuraava() {
  if (t_->kaatunut) throw *t_->kaatunut;
  try {
    return t_->seuraava();
  } catch (const Jasennysvirhe& v) {
    t_->kaatunut = v;
    throw;
  }
}

std::span<const std::pair<std::string, std::string>> Lukija::nimiavaruudet() const {
  return {t_->ns.data(), t_->nsKoko};
}

std::uint64_t Lukija::asiakirjanAlku() const { return t_->alkuKohta; }

void asetaLukupuskurinKoko(std::size_t koko) { lukupuskuri = koko ? koko : lukupuskurinOletus; }

}  // namespace xml
