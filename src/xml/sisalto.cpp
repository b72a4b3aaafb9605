#include "xml/lukijan_tila.h"

#include "euro/teksti.h"

namespace xml {

void Lukija::Tila::viittaus(std::string& kohde) {
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

unsigned char Lukija::Tila::arvonAlku() {
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

void Lukija::Tila::attribuutinArvo(unsigned char lainaus, std::size_t arvo) {
  for (;;) {
    // As with names, the scan stops at the first byte over the limit.
    const unsigned char* q = p;
    const unsigned char* raja = e;
    const std::size_t tilaa = rajat.attribuutti + 1 - (tagi.size() - arvo);
    if (static_cast<std::size_t>(e - p) > tilaa) raja = p + tilaa;
    q = tavalliset<'<', '&', '"', '\''>(q, raja, arvossa);
    tagi.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
    p = q;
    if (tagi.size() - arvo > rajat.attribuutti)
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
}

Tapahtuma Lukija::Tila::alkuTagi() {
  tagiAlku = kohta(p);
  tagiRivi = riviKohdassa(p);
  ++p;  // '<'
  tagi.clear();
  paikat.clear();
  // The name goes where the open element keeps it (a slot past the depth limit is refused
  // in alkuValmis, after the attributes, as before).
  if (syvyys == pino.size()) pino.emplace_back();
  const std::size_t kp = nimi(pino[syvyys].nimi);
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
    attribuutinArvo(lainaus, a.arvo);
    a.arvoKoko = tagi.size() - a.arvo;
    if (a.arvoKoko > rajat.attribuutti)
      virhe(euro::ansi("attribuutin arvo on yli ") + luku(rajat.attribuutti) + euro::ansi(" tavua pitkä"), true);
    paikat.push_back(a);
  }
  tagiLoppu = kohta(p);
  return alkuValmis(kp, tyhja);
}

Tapahtuma Lukija::Tila::alkuValmis(std::size_t kp, bool tyhja) {
  const std::string_view kaikki(tagi);
  auto nimiA = [&](const AttrPaikka& a) { return kaikki.substr(a.nimi, a.nimiKoko); };
  for (std::size_t i = 0; i < paikat.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (nimiA(paikat[i]) == nimiA(paikat[j]))
        virhe(tagiAlku, tagiRivi, euro::ansi("attribuutti ") + std::string(nimiA(paikat[i])) + euro::ansi(" toistuu"));
  if (syvyys >= rajat.syvyys)
    virhe(tagiAlku, tagiRivi, euro::ansi("elementtejä on sisäkkäin yli ") + luku(rajat.syvyys), true);
  Elementti& el = pino[syvyys];
  el.kaksoispiste = kp;
  el.nsAlku = nsKoko;
  ++syvyys;  // the declarations below belong to this element even when it is refused
  for (const AttrPaikka& a : paikat) {
    const std::string_view n = nimiA(a);
    if (n == "xmlns") julista("", kaikki.substr(a.arvo, a.arvoKoko));
    else if (a.kaksoispiste == 5 && n.substr(0, 5) == "xmlns")
      julista(n.substr(6), kaikki.substr(a.arvo, a.arvoKoko));
  }
  el.uri = ratkaiseNro(kp == std::string::npos ? std::string_view() : std::string_view(el.nimi).substr(0, kp), true);
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
  nimiTapahtumaan(t, el.nimi, kp, uri(el.uri));
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

Tapahtuma Lukija::Tila::loppu(std::uint64_t alku, std::uint64_t loppuKohta, std::int64_t r) {
  // The element's slot stays as it is until a later start tag at its depth: the event's
  // views last until the next call.
  const Elementti& el = pino[syvyys - 1];
  Tapahtuma t = tapahtuma(Laji::Loppu);
  nimiTapahtumaan(t, el.nimi, el.kaksoispiste, uri(el.uri));
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

Tapahtuma Lukija::Tila::loppuTagi() {
  const std::uint64_t alku = kohta(p);
  const std::int64_t r = riviKohdassa(p);
  p += 2;  // "</"
  {
    // Nearly always the open element's name and ">" follow at once: compared where they lie.
    const std::string& odotettu = pino[syvyys - 1].nimi;
    const std::size_t k = odotettu.size();
    if (static_cast<std::size_t>(e - p) > k && p[k] == '>' && std::memcmp(p, odotettu.data(), k) == 0) {
      p += k + 1;
      return loppu(alku, kohta(p), r);
    }
  }
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

void Lukija::Tila::aloitaTeksti() {
  if (!teksti.empty()) return;
  tekstinAlku = kohta(p);
  tekstinRivi = riviKohdassa(p);
}

Tapahtuma Lukija::Tila::tekstiTapahtuma() {
  Tapahtuma t = tapahtuma(Laji::Teksti);
  t.alku = tekstinAlku;
  t.loppu = kohta(p);
  t.rivi = tekstinRivi;
  t.teksti = teksti;
  return t;
}

bool Lukija::Tila::cdata() {
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

Tapahtuma Lukija::Tila::sisalto() {
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
      if (!tekstia) {
        p = q;
        continue;
      }
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
    if (!tekstia) {
      if (c == '&') {
        ohitettu.clear();
        viittaus(ohitettu);
      } else if (c == ']') {
        if (alkaa("]]>")) virhe("tekstissä ei saa olla ]]>");
        ++p;
      } else {
        merkki(nullptr);
      }
      continue;
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

}  // namespace xml
