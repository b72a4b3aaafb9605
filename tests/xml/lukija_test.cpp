#include "xml/lukija.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>

#include "euro/teksti.h"
#include "tuki/lukukoot.h"

namespace {

using euro::ansi;

// Hands out at most `pala` bytes a call, so short reads happen too.
class Jono : public xml::Lahde {
 public:
  Jono(std::string s, std::size_t pala) : s_(std::move(s)), pala_(pala) {}
  std::size_t lue(char* b, std::size_t koko) override {
    const std::size_t n = std::min({koko, pala_, s_.size() - kohta_});
    std::memcpy(b, s_.data() + kohta_, n);
    kohta_ += n;
    return n;
  }

 private:
  std::string s_;
  std::size_t pala_, kohta_ = 0;
};

// Every buffer size and read size, so buffer borders fall inside every token.
struct Kokoonpano {
  std::size_t puskuri, pala;
  xml::Rajat rajat(xml::Rajat r = {}) const {
    r.puskuri = puskuri;
    return r;
  }
};
const Kokoonpano kokoonpanot[] = {{16, 1}, {16, 1000}, {17, 3}, {19, 7}, {23, 1000}, {64, 5}, {0, 1 << 20}};

// The events as one line; consecutive texts joined (their pieces depend on the buffer).
// Without tekstia the reader is told that no text is read, and texts are left out of the line.
std::string loki(const std::string& syote, xml::Rajat rajat = {}, std::size_t pala = 1 << 20, bool tekstia = true) {
  Jono lahde(syote, pala);
  xml::Lukija lukija(lahde, rajat);
  if (!tekstia) lukija.tekstiTarpeen(false);
  std::string tulos;
  bool tekstissa = false;
  for (;;) {
    const xml::Tapahtuma t = lukija.seuraava();
    if (t.laji == xml::Laji::Teksti && !tekstia) continue;
    if (t.laji == xml::Laji::Teksti) {
      if (!tekstissa) tulos += " '" + std::to_string(t.alku) + ":" + std::to_string(t.rivi);
      tulos += t.teksti;
      tekstissa = true;
      continue;
    }
    if (tekstissa) tulos += "'";
    tekstissa = false;
    auto nimi = [&] {
      std::string n = t.nimiavaruus.empty() ? "" : "{" + std::string(t.nimiavaruus) + "}";
      if (!t.etuliite.empty()) n += std::string(t.etuliite) + ":";
      return n + std::string(t.paikallinen);
    };
    auto ala = [&] { return "@" + std::to_string(t.alku) + "-" + std::to_string(t.loppu); };
    switch (t.laji) {
      case xml::Laji::Alku:
        tulos += " <" + nimi() + ala() + ":" + std::to_string(t.rivi) + "/" + std::to_string(t.syvyys);
        if (t.syvyys == 1) tulos += "^" + std::to_string(lukija.asiakirjanAlku());
        if (!t.attribuutit.empty()) {
          tulos += "[";
          for (const auto& a : t.attribuutit) tulos += std::string(a.nimi) + "=" + std::string(a.arvo) + ",";
          tulos.back() = ']';
        }
        break;
      case xml::Laji::Loppu: tulos += " </" + nimi() + ala(); break;
      case xml::Laji::AsiakirjanLoppu: tulos += " D" + std::to_string(t.asiakirja) + ala(); break;
      case xml::Laji::TiedostonLoppu: return tulos.substr(1) + " F@" + std::to_string(t.alku);
      case xml::Laji::Teksti: break;
    }
  }
}

TEST(XmlLukija, HyvinMuodostetutTapahtumatJaKohdat) {
  // Texts show as 'joined text'offset:line (the offset and line written before the text).
  struct Tapaus {
    const char* nimi;
    std::string syote, odotus;
  } tapaukset[] = {
      {"tyhja elementti", "<a/>", "<a@0-4:1/1^0 </a@0-4 D1@0-4 F@4"},
      {"julistus, etuliite, viittaukset, CDATA",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<p:D xmlns:p=\"u\" x='1'>a&amp;b<![CDATA[<c>]]>&#x41;</p:D>\r\n",
       "<{u}p:D@40-63:2/1^0[xmlns:p=u,x=1] '63:2a&b<c>A' </{u}p:D@91-97 D1@40-97 F@99"},
      {"rivinvaihdot ja attribuutin valit",
       "<a\rb='x\r\ny\tz&#10;'>\r\r\n\n<c/>\n</a>",
       "<a@0-19:1/1^0[b=x y z\n] '19:3\n\n\n' <c@23-27:6/2 </c@23-27 '27:6\n' </a@28-32 D1@0-32 F@32"},
      {"oletusnimiavaruus ja sen kumoaminen",
       "<D xmlns=\"n\"><e xmlns=\"\"><f/></e><g:h xmlns:g=\"n\"/></D>",
       "<{n}D@0-13:1/1^0[xmlns=n] <e@13-25:1/2[xmlns=] <f@25-29:1/3 </f@25-29 </e@29-33 "
       "<{n}g:h@33-51:1/2[xmlns:g=n] </{n}g:h@33-51 </{n}D@51-55 D1@0-55 F@55"},
      {"asiakirjoja perakkain BOMin ja julistuksen kanssa",
       "\xEF\xBB\xBF<?xml version='1.0'?><a/>\n<!--c-->\n\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<b>x</b> <?pi d?>\n<c/>",
       "<a@24-28:1/1^0 </a@24-28 D1@24-28 <b@63-66:4/1^38 '66:4x' </b@67-71 D2@63-71 <c@81-85:5/1^81 "
       "</c@81-85 D3@81-85 F@85"},
      {"UTF-8 ja viittaukset", "<a t=\"&lt;&gt;&quot;&apos;\xC3\xA4\">\xE2\x82\xAC&#228;&#x10FFFF;</a>",
       "<a@0-30:1/1^0[t=<>\"'\xC3\xA4] '30:1\xE2\x82\xAC\xC3\xA4\xF4\x8F\xBF\xBF' </a@49-53 D1@0-53 F@53"},
      {"kommentti ja kasittelyohje tekstin keskella", "<a>x<!--y-->z<?p q?>w</a>",
       "<a@0-3:1/1^0 '3:1xzw' </a@21-25 D1@0-25 F@25"},
      {"ohje ja tyhja kommentti ennen juurta", "<?xml-stylesheet href=\"x\"?><!----><a></a >",
       "<a@34-37:1/1^0 </a@37-42 D1@34-42 F@42"},
  };
  for (const auto& k : kokoonpanot) {
    for (const auto& t : tapaukset) {
      EXPECT_EQ(loki(t.syote, k.rajat(), k.pala), t.odotus) << t.nimi << ", puskuri " << k.puskuri << ", pala " << k.pala;
      // Unread text changes nothing else.
      EXPECT_EQ(loki(t.syote, k.rajat(), k.pala, false), std::regex_replace(t.odotus, std::regex(" '[^']*'"), ""))
          << t.nimi << ", ilman tekstiä, puskuri " << k.puskuri << ", pala " << k.pala;
    }
  }
}

TEST(XmlLukija, HylatytSyotteetJaVirheenKohta) {
  xml::Rajat pienet;
  pienet.syvyys = 2;
  pienet.attribuutti = 8;
  pienet.attribuutteja = 2;
  pienet.nimi = 4;
  xml::Rajat vahanNimiavaruuksia;
  vahanNimiavaruuksia.nimiavaruudet = 6;
  xml::Rajat yksi;
  yksi.monta = false;
  struct Tapaus {
    const char* nimi;
    std::string syote;
    const char* viesti;  // a part of the message, UTF-8
    std::uint64_t kohta;
    bool rajaus = false;
    xml::Rajat rajat = {};
    std::uint32_t asiakirja = 1;
  } tapaukset[] = {
      {"tyhja tiedosto", "", "ei ole yhtään", 0},
      {"pelkkaa tyhjaa", " \r\n\t", "ei ole yhtään", 4},
      {"DTD sisakkaisin entiteetein",
       "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"&y;&y;\"><!ENTITY y \"z\">]><a>&x;</a>", "DOCTYPE", 21, true},
      {"ulkoinen entiteetti", "<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>", "DOCTYPE", 0, true},
      {"maarittelematon entiteetti", "<a>&ext;</a>", "tuntematon entiteetti &ext;", 3},
      {"katkennut asiakirja", "<a><b>x</b>", "odotettiin </a>", 11},
      {"katkennut attribuutti", "<a><b x=\"1", "loppuu kesken", 10},
      {"katkennut UTF-8", "<a>\xC3", "kesken UTF-8", 3},
      {"toinen juuri kun sallitaan yksi", "<a/><b/>", "vain yksi juurielementti", 4, false, yksi},
      {"ristiin menevat merkinnat", "<a><b></a></b>", "odotettiin </b>, ei </a>", 6},
      {"liian pitka attribuutti", "<a x=\"123456789\"/>", "yli 8 tavua", 15, true, pienet},
      {"liikaa attribuutteja", "<a x='' y='' z=''/>", "yli 2 attribuuttia", 13, true, pienet},
      {"liian syva", "<a><b><c/></b></a>", "sisäkkäin yli 2", 6, true, pienet},
      {"liian pitka nimi", "<abcde/>", "yli 4 merkkiä", 6, true, pienet},
      // Where a read or the buffer ends does not move the place: one past the first byte over.
      {"paljon liian pitka nimi", "<abcdefghijklmnopqrstuvwxyz0123456789/>", "yli 4 merkkiä", 6, true, pienet},
      {"paljon liian pitka attribuutti", "<a x=\"123456789012345678901234567890\"/>", "yli 8 tavua", 15, true,
       pienet},
      {"nimiavaruuksia liikaa", "<a xmlns='abc'><b xmlns:p='abc'/></a>", "yli 6 tavua", 15, true, vahanNimiavaruuksia},
      {"ei-ASCII nimi", "<\xC3\xA4/>", "ASCII", 1, true},
      {"virheellinen UTF-8 tekstissa", "<a>\xC3\x28</a>", "virheellinen UTF-8", 3},
      {"ylipitka muoto", "<a>\xC0\xAF</a>", "virheellinen UTF-8", 3},
      {"sijaismerkki", "<a x='\xED\xA0\x80'/>", "virheellinen UTF-8", 6},
      {"U+FFFE kommentissa", "<a><!--\xEF\xBF\xBE--></a>", "ei salli", 7},
      {"ohjausmerkki", "<a>\x01</a>", "ei salli", 3},
      {"merkkiviittaus nollaan", "<a>&#0;</a>", "ei salli", 3},
      {"merkkiviittaus liian suureen", "<a>&#x110000000000041;</a>", "ei salli", 3},
      {"muu merkisto", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", "ISO-8859-1", 41, true},
      {"UTF-16", std::string("\xFF\xFE<\0a\0/\0>\0", 10), "UTF-16", 0, true},
      {"sitomaton etuliite", "<a><p:b/></a>", "etuliitettä p ei ole", 3},
      {"sitomaton attribuutin etuliite", "<a p:x='1'/>", "etuliitettä p ei ole", 0},
      {"tyhjaksi sidottu etuliite", "<a xmlns:p=''/>", "ei saa olla tyhjä", 0},
      {"kaksi kaksoispistetta", "<a:b:c/>", "etuliite:nimi", 6},
      {"paikallinen nimi alkaa numerolla", "<a xmlns:1='u'/>", "etuliite:nimi", 10},
      {"toistuva attribuutti", "<a x=\"1\" x=\"2\"/>", "toistuu", 0},
      {"toistuva laajennettu nimi", "<a xmlns:p='u' xmlns:q='u' p:x='1' q:x='2'/>", "toistuu nimiavaruudessaan", 0},
      {"< attribuutissa", "<a x=\"<\"/>", "ei saa olla <", 6},
      {"]]> tekstissa", "<a>]]></a>", "]]>", 3},
      {"-- kommentissa", "<a><!-- a -- b --></a>", "--", 10},
      {"teksti juuren jalkeen", "<a/>x", "vain välilyöntejä", 4},
      {"teksti ennen juurta", "x<a/>", "vain välilyöntejä", 0},
      {"julistus sisalla", "<a><?xml version='1.0'?></a>", "vain asiakirjan alussa", 3},
      {"BOM julistuksen jalkeen", "<?xml version='1.0'?>\xEF\xBB\xBF<a/>", "BOM", 21},
      {"julistus ilman juurta lopussa", "<a/>\n<?xml version='1.0'?>\n", "odotettiin juurielementtiä", 27, false, {}, 2},
      {"toisen asiakirjan virhe", "<a/><b><c></b>", "odotettiin </c>", 10, false, {}, 2},
      {"loppumerkinta ilman alkua", "</a>", "ilman alkumerkintää", 0},
  };
  for (const auto& k : kokoonpanot) {
    for (const auto& t : tapaukset)
      for (const bool tekstia : {true, false}) {
        SCOPED_TRACE(std::string(t.nimi) + ", puskuri " + std::to_string(k.puskuri) + ", pala " +
                     std::to_string(k.pala) + (tekstia ? "" : ", ilman tekstiä"));
        try {
          const std::string l = loki(t.syote, k.rajat(t.rajat), k.pala, tekstia);
          ADD_FAILURE() << "hyväksyttiin: " << l;
        } catch (const xml::Jasennysvirhe& v) {
          EXPECT_NE(v.viesti.find(ansi(t.viesti)), std::string::npos) << v.what();
          EXPECT_EQ(v.kohta, t.kohta) << v.what();
          EXPECT_EQ(v.rajaus, t.rajaus) << v.what();
          EXPECT_EQ(v.asiakirja, t.asiakirja) << v.what();
        }
      }
  }
}

TEST(XmlLukija, VirheToistuuEikaLukuJatku) {
  Jono lahde("<a><b></a><c/>", 100);
  xml::Lukija lukija(lahde);
  lukija.seuraava();
  lukija.seuraava();
  std::uint64_t kohta = 0;
  for (int i = 0; i < 2; ++i) {
    try {
      lukija.seuraava();
      ADD_FAILURE() << "ristiin menevät merkinnät hyväksyttiin";
    } catch (const xml::Jasennysvirhe& v) {
      if (i == 1) {
        EXPECT_EQ(v.kohta, kohta);
      }
      kohta = v.kohta;
    }
  }
  EXPECT_EQ(kohta, 6u);
}

TEST(XmlLukija, NimiavaruudetVoimassaJaLoppuKertooVanhemmanOmat) {
  Jono lahde("<D xmlns='n' xmlns:p='u'><p:S xmlns:p='v'><x/></p:S></D>", 100);
  xml::Lukija lukija(lahde);
  using Pari = std::pair<std::string, std::string>;
  auto voimassa = [&] {
    auto s = lukija.nimiavaruudet();
    return std::vector<Pari>(s.begin(), s.end());
  };
  lukija.seuraava();  // D
  EXPECT_EQ(voimassa(), (std::vector<Pari>{{"", "n"}, {"p", "u"}}));
  EXPECT_EQ(lukija.seuraava().nimiavaruus, "v");  // p:S
  EXPECT_EQ(lukija.seuraava().nimiavaruus, "n");  // x
  EXPECT_EQ(voimassa(), (std::vector<Pari>{{"", "n"}, {"p", "u"}, {"p", "v"}}));
  lukija.seuraava();  // </x>
  const xml::Tapahtuma s = lukija.seuraava();
  EXPECT_EQ(s.nimiavaruus, "v");  // the end tag keeps its own namespace...
  EXPECT_EQ(voimassa(), (std::vector<Pari>{{"", "n"}, {"p", "u"}}));  // ...the scope is the parent's

  // The limit counts the declarations in scope only, not those already ended.
  xml::Rajat rajat;
  rajat.nimiavaruudet = 6;
  EXPECT_EQ(loki("<a><b xmlns='abc'/><c xmlns='abc'/><d xmlns='abc'/></a>", rajat).substr(0, 13), "<a@0-3:1/1^0 ");
}

// Text longer than the buffer comes in pieces, so memory stays at the buffer.
TEST(XmlLukija, PitkaTekstiPaloinaPuskurinKokoisina) {
  const std::string teksti(10000, 'x');
  Jono lahde("<a>" + teksti + "<![CDATA[" + teksti + "]]></a>", 1000);
  xml::Rajat rajat;
  rajat.puskuri = 64;
  xml::Lukija lukija(lahde, rajat);
  lukija.seuraava();
  std::string koottu;
  int paloja = 0;
  for (xml::Tapahtuma t = lukija.seuraava(); t.laji == xml::Laji::Teksti; t = lukija.seuraava()) {
    EXPECT_LE(t.teksti.size(), 64u + 4);
    koottu += t.teksti;
    ++paloja;
  }
  EXPECT_EQ(koottu, teksti + teksti);
  EXPECT_GE(paloja, 2 * 10000 / 68);
}

// Reads of the sizes a schedule says: a short read followed by a whole one asks the buffer
// for no more than is left of it.
class Vuorolahde : public xml::Lahde {
 public:
  Vuorolahde(std::string s, testi::Lukuvuoro vuoro) : s_(std::move(s)), vuoro_(std::move(vuoro)) {}
  std::size_t lue(char* b, std::size_t koko) override {
    const std::size_t n = std::min(vuoro_.koko(koko), s_.size() - kohta_);
    std::memcpy(b, s_.data() + kohta_, n);
    kohta_ += n;
    return n;
  }

 private:
  std::string s_;
  testi::Lukuvuoro vuoro_;
  std::size_t kohta_ = 0;
};

std::string lokiVuoroin(const std::string& syote, testi::Lukuvuoro vuoro, std::size_t puskuri = 0) {
  Vuorolahde lahde(syote, std::move(vuoro));
  xml::Rajat rajat;
  rajat.puskuri = puskuri;
  xml::Lukija lukija(lahde, rajat);
  std::string tulos;
  try {
    for (xml::Tapahtuma t = lukija.seuraava(); t.laji != xml::Laji::TiedostonLoppu; t = lukija.seuraava()) {
      tulos += std::to_string(static_cast<int>(t.laji)) + std::string(t.paikallinen) + "@" +
               std::to_string(t.alku) + "-" + std::to_string(t.loppu) + ":" + std::to_string(t.rivi) + "'" +
               std::string(t.teksti) + "' ";
    }
  } catch (const xml::Jasennysvirhe& v) {
    tulos += v.what();
  }
  return tulos;
}

TEST(XmlLukija, LuvutKaikenKokoisinaAntavatSamat) {
  std::string tiliote = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Document xmlns=\"urn:x\">";
  for (int i = 0; i < 40; ++i)
    tiliote += "<Stmt><Id>S" + std::to_string(i) + "</Id><Nm>\xC3\x84ij\xC3\xA4 &amp; Co</Nm><!-- k -->"
               "<Amt Ccy='EUR'>" + std::to_string(i * 7) + ".50</Amt><![CDATA[x]]></Stmt>\r\n";
  const std::string kokonainen = tiliote + "</Document>\n";
  const std::string katkennut = tiliote + "<Stmt><Id>";
  // Whole reads through the default buffer: every statement, or the refusal where it ends.
  const std::string koko = lokiVuoroin(kokonainen, testi::Lukuvuoro({testi::Luku::kokonainen}));
  const std::string kesken = lokiVuoroin(katkennut, testi::Lukuvuoro({testi::Luku::kokonainen}));
  ASSERT_NE(koko.find("0Stmt@" + std::to_string(tiliote.rfind("<Stmt>"))), std::string::npos) << koko;
  ASSERT_EQ(koko.find("asiakirja 1"), std::string::npos) << koko;
  ASSERT_NE(kesken.find(ansi("tavu ") + std::to_string(katkennut.size()) + ansi(": tiedosto loppuu kesken")),
            std::string::npos) << kesken;
  for (const std::size_t puskuri : {16, 17, 23, 64, 0}) {
    for (auto& a : testi::aikataulut()) {
      EXPECT_EQ(lokiVuoroin(kokonainen, a.vuoro, puskuri), koko) << a.nimi << ", puskuri " << puskuri;
      EXPECT_EQ(lokiVuoroin(katkennut, a.vuoro, puskuri), kesken) << a.nimi << ", puskuri " << puskuri << ", katkennut";
    }
  }
}

// Offsets past 4 GiB: a comment of 4.1 GiB, never held.
class Pitka : public xml::Lahde {
 public:
  std::size_t lue(char* b, std::size_t koko) override {
    static const std::string alku = "<a><!--", loppu = "--><b/></a>";
    if (kohta_ < alku.size()) return kopioi(b, koko, alku, kohta_);
    if (kohta_ < alku.size() + tayte) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(koko, alku.size() + tayte - kohta_));
      std::memset(b, 'x', n);
      kohta_ += n;
      return n;
    }
    return kopioi(b, koko, loppu, kohta_ - alku.size() - tayte);
  }
  static constexpr std::uint64_t tayte = 4200ull << 20;

 private:
  std::size_t kopioi(char* b, std::size_t koko, const std::string& s, std::uint64_t mista) {
    const std::size_t n = std::min<std::size_t>(koko, s.size() - static_cast<std::size_t>(mista));
    std::memcpy(b, s.data() + mista, n);
    kohta_ += n;
    return n;
  }
  std::uint64_t kohta_ = 0;
};

TEST(XmlLukija, KohdatYli4GiB) {
  Pitka lahde;
  xml::Lukija lukija(lahde);
  lukija.seuraava();
  const xml::Tapahtuma b = lukija.seuraava();
  ASSERT_EQ(b.paikallinen, "b");
  EXPECT_EQ(b.alku, 7 + Pitka::tayte + 3);
  EXPECT_EQ(b.loppu, b.alku + 4);
  lukija.seuraava();
  EXPECT_EQ(lukija.seuraava().loppu, b.loppu + 4);
}

}  // namespace
