// The reader's state, shared by its two halves: the bytes, lines and the documents between
// tags (lukija.cpp) and the tags, text and references inside a document (sisalto.cpp).
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "euro/teksti.h"
#include "xml/lukija.h"
#include "xml/merkit.h"

namespace xml {

inline const std::string xmlUriTeksti(xmlUri);
inline const std::string tyhjaUri;

// The input in the read buffer: the bytes from p to e, their offsets in the input and their lines.
struct Syote {
  Syote(Lahde& l, std::size_t puskurinKoko) : lahde(l) {
    koko = std::max(pieninPuskuri, puskurinKoko ? puskurinKoko : lukupuskurinOletus);
    puskuri = std::make_unique<unsigned char[]>(koko);
    p = e = riviKursori = puskuri.get();
  }

  Lahde& lahde;
  std::unique_ptr<unsigned char[]> puskuri;
  std::size_t koko;
  const unsigned char* p;
  const unsigned char* e;
  std::uint64_t puskurinKohta = 0;
  bool lahdeLoppui = false;

  // Lines are counted lazily, up to the bytes that leave the buffer or where a line is asked.
  const unsigned char* riviKursori;
  std::int64_t rivi = 1;
  bool crKesken = false;

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
};

struct Lukija::Tila : Syote {
  // An element's namespace is the declaration it was resolved to (kept while the element is
  // open), not a copy of its URI.
  static constexpr std::size_t xmlNro = ~std::size_t{0}, tyhjaNro = ~std::size_t{0} - 1;
  struct Elementti {
    std::string nimi;
    std::size_t kaksoispiste = std::string::npos;
    std::size_t uri = tyhjaNro;
    std::size_t nsAlku = 0;
  };
  struct AttrPaikka {
    std::size_t nimi, nimiKoko, kaksoispiste, arvo, arvoKoko;
    const std::string* uri;
  };
  enum class Vaihe { valissa, sisalla, tyhjaKesken, juuriLoppui, valmis };

  Tila(Lahde& l, Rajat r) : Syote(l, r.puskuri), rajat(r) { pala = koko; }

  Rajat rajat;
  std::size_t pala;

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
  std::string nimiApu;

  std::string teksti;
  std::uint64_t tekstinAlku = 0;
  std::int64_t tekstinRivi = 0;
  bool cdataKesken = false;
  bool tekstia = true;  // the caller reads text: see Lukija::tekstiTarpeen
  std::string ohitettu;  // a reference decoded when no one reads it
  std::optional<Jasennysvirhe> kaatunut;

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
    vaadi(1);
    if (!nimenAlku[*p]) {
      if (*p >= 0x80) virhe("nimessä saa olla vain ASCII-merkkejä", true);
      virhe("odotettiin nimeä");
    }
    // Nearly always the whole name lies in the buffer, under the limit: taken at once.
    const unsigned char* q = p + 1;
    const unsigned char* raja = static_cast<std::size_t>(e - p) > rajat.nimi ? p + rajat.nimi + 1 : e;
    while (q < raja && nimessa[*q]) ++q;
    if (q < raja) {
      kohde.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
      p = q;
    } else {
      kohde.clear();
      nimiPaloittain(kohde);
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

  // A name that runs past the buffer or the limit, read on in pieces.
  void nimiPaloittain(std::string& kohde) {
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
  }

  // A character reference or one of the five predefined entities, decoded into kohde.
  void viittaus(std::string& kohde);

  void kommentti();

  void kasittelyohje();

  // "=" and the opening quote of a value, with white space around the "="; answers the quote.
  unsigned char arvonAlku();
  // The rest of an attribute's value up to its closing quote, decoded onto tagi from arvo on.
  void attribuutinArvo(unsigned char lainaus, std::size_t arvo);

  // "=" and a quoted value of at most the name limit, for the XML declaration.
  std::string julistuksenArvo();

  bool sana(std::string_view s);

  void julistus();

  void julista(std::string_view etuliite, std::string_view uri);

  const std::string& ratkaise(std::string_view etuliite, bool elementti);
  std::size_t ratkaiseNro(std::string_view etuliite, bool elementti);
  const std::string& uri(std::size_t nro) const {
    if (nro < ns.size()) return ns[nro].second;
    return nro == xmlNro ? xmlUriTeksti : tyhjaUri;
  }

  Tapahtuma tapahtuma(Laji laji) {
    Tapahtuma t{};
    t.laji = laji;
    t.asiakirja = asiakirja;
    t.syvyys = static_cast<int>(syvyys);
    return t;
  }

  Tapahtuma alkuTagi();

  Tapahtuma alkuValmis(std::size_t kp, bool tyhja);

  static void nimiTapahtumaan(Tapahtuma& t, const std::string& nimi, std::size_t kp, std::string_view uri) {
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
  Tapahtuma loppu(std::uint64_t alku, std::uint64_t loppuKohta, std::int64_t r);

  Tapahtuma loppuTagi();

  void aloitaTeksti();

  Tapahtuma tekstiTapahtuma();

  // Copies CDATA on; false when the text piece filled up first.
  bool cdata();

  Tapahtuma sisalto();

  // Between documents: white space, comments, PIs; before a document's own bytes a BOM and
  // an XML declaration (a program that appends whole documents leaves them there).
  Tapahtuma valissa();

  Tapahtuma loppuTapahtuma();

  Tapahtuma seuraava();
};

}  // namespace xml
