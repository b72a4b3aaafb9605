#include "xml/lukijan_tila.h"

#include "euro/teksti.h"

namespace xml {

Jasennysvirhe::Jasennysvirhe(std::uint32_t a, std::int64_t r, std::uint64_t k, std::string v)
    : asiakirja(a), rivi(r), kohta(k), viesti(std::move(v)) {
  kokonaan_ = euro::ansi("asiakirja ") + luku(asiakirja) + euro::ansi(", rivi ") + luku(rivi) +
              euro::ansi(", tavu ") + luku(kohta) + ": " + viesti;
}

const char* Jasennysvirhe::what() const noexcept { return kokonaan_.c_str(); }


void Lukija::Tila::kommentti() {
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

void Lukija::Tila::kasittelyohje() {
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

std::string Lukija::Tila::julistuksenArvo() {
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

bool Lukija::Tila::sana(std::string_view s) {
  if (!alkaa(s)) return false;
  p += s.size();
  return true;
}

void Lukija::Tila::julistus() {
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

void Lukija::Tila::julista(std::string_view etuliite, std::string_view uri) {
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

namespace {
// Prefixes are a few letters: compared here rather than through a library call each.
bool samaLyhyt(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}
}  // namespace

std::size_t Lukija::Tila::ratkaiseNro(std::string_view etuliite, bool elementti) {
  if (etuliite.size() == 3 && samaLyhyt(etuliite, "xml")) return xmlNro;
  if (etuliite.size() == 5 && samaLyhyt(etuliite, "xmlns")) virhe(tagiAlku, tagiRivi, euro::ansi("etuliite xmlns on varattu"));
  for (std::size_t i = nsKoko; i-- > 0;)
    if (samaLyhyt(ns[i].first, etuliite)) return i;
  if (etuliite.empty() && elementti) return tyhjaNro;
  virhe(tagiAlku, tagiRivi, euro::ansi("etuliitettä ") + std::string(etuliite) + euro::ansi(" ei ole määritelty"));
}

const std::string& Lukija::Tila::ratkaise(std::string_view etuliite, bool elementti) {
  return uri(ratkaiseNro(etuliite, elementti));
}

Tapahtuma Lukija::Tila::valissa() {
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

Tapahtuma Lukija::Tila::loppuTapahtuma() {
  Tapahtuma t = tapahtuma(Laji::TiedostonLoppu);
  t.alku = t.loppu = kohta(p);
  t.rivi = riviKohdassa(p);
  return t;
}

Tapahtuma Lukija::Tila::seuraava() {
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


Lukija::Lukija(Lahde& lahde, Rajat rajat) : t_(std::make_unique<Tila>(lahde, rajat)) {}
Lukija::~Lukija() = default;

void Lukija::tekstiTarpeen(bool tarvitaan) { t_->tekstia = tarvitaan; }

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


}  // namespace xml
