#include "cli/cli.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/kaynnistys.h"
#include "euro/kuori.h"
#include "euro/liittymat.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "settings/apppath.h"
#include "settings/paloitteluasetukset.h"
#include "split/esikatselu.h"
#include "cli/kirjanakyma.h"
#include "split/historia.h"
#include "split/ilmoitus.h"
#include "split/muoto.h"
#include "split/paloittele.h"

namespace cli {

namespace {

using euro::ansi;

void virheeseen(const std::string& s) { alusta::kirjoitaKonsoliin(2, s); }
void tulosteeseen(const std::string& s) { alusta::kirjoitaKonsoliin(1, s); }

// Messages go to standard error, under their titles.
class KonsoliViestit : public euro::Viestilaatikko {
 public:
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override {
    virheeseen((otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : otsikko) + ": " + teksti + "\n");
    return (tyyli & 0x0F) == 4 ? euro::vastaus::ei : euro::vastaus::ok;
  }
  void palautaHiiri() override {}
};

// The split's question is answered by the options, never by waiting.
class KonsoliKysymykset : public split::Kysymykset {
 public:
  explicit KonsoliKysymykset(bool luo) : luo_(luo) {}
  bool luodaankoHakemisto(const std::string&) override { return luo_; }

 private:
  bool luo_;
};

// "49:65": whole positions from 1 on, the last not before the first. Longer lines than the
// 16-bit text routines take cannot hold a key further out.
bool positiopari(const std::string& teksti, std::string& alku, std::string& loppu) {
  auto luku = [](const std::string& s, long& n) {
    if (s.empty() || s.size() > 5) return false;
    n = 0;
    for (char c : s) {
      if (c < '0' || c > '9') return false;
      n = n * 10 + (c - '0');
    }
    return true;
  };
  const auto kp = teksti.find(':');
  if (kp == std::string::npos) return false;
  alku = euro::trimmaa(teksti.substr(0, kp));
  loppu = euro::trimmaa(teksti.substr(kp + 1));
  long a = 0, l = 0;
  return luku(alku, a) && luku(loppu, l) && a >= 1 && l >= a && l <= 32767;
}

// "1 erä", "2 erää".
std::string maara(std::int64_t n, const char* yksi, const char* monta) {
  return std::to_string(n) + " " + ansi(n == 1 ? yksi : monta);
}

std::string maara(std::int64_t n, const split::Yksikko& y) { return maara(n, y.yksi, y.monta); }

// "tiliotteita" as a sentence begins it.
std::string isollaAlkaen(std::string s) {
  if (!s.empty()) s[0] = euro::isoksi(s[0]);
  return s;
}

std::string ohje() {
  return ansi(
      "Käyttö: kolvanto-cli [valinnat] [TILIOTETIEDOSTO]\n"
      "\n"
      "Jakaa konekielisen tiliotteen (TITO) kertymätiedoston T00-erätietueiden mukaan\n"
      "yrityskohtaisiin tiliotetiedostoihin. Jokainen erä lisätään yrityksen tiedoston loppuun;\n"
      "jos siinä on XML-asiakirja tai nimellä on linkki, putki (FIFO) tai laite, erä menee\n"
      "nimeen, jossa on ennen loppuosaa -2 (-3 jne.). Nimi, jota tiedostolla ei voi olla\n"
      "(laitenimi kuten CON, \".\", \"..\" tai tyhjä), saa samoin -2:n.\n"
      "Oletusarvot luetaan ikkunaohjelman asetustiedostosta (TITO-JAKO.OMA); komentorivin\n"
      "valinnat ohittavat ne. Ilman TILIOTETIEDOSTOa paloitellaan asetusten tiedosto.\n"
      "\n"
      "Valinnat:\n"
      "      --asetukset TIEDOSTO  lue oletusarvot tästä asetustiedostosta\n"
      "  -k, --kohde HAKEMISTO     tallennushakemisto (oletus: tiliotetiedoston hakemisto)\n"
      "      --alkuosa TEKSTI      tiedostonimen alkuosa (oletus \"TITO-*-?-\")\n"
      "      --loppuosa TEKSTI     tiedostonimen loppuosa (oletus \".TXT\")\n"
      "                            * = alkuvuosi, ? = alkukuukausi, # = koko tiliotejakso\n"
      "      --avain asiakastunnus|tilinumero|nimi|ALKU:LOPPU\n"
      "                            paloitteluehto (oletus asiakastunnus, positiot 49-65);\n"
      "                            ALKU:LOPPU = omat positiot, esim. 49:65\n"
      "      --aikaleima           siirrä tiliotetiedosto ensin TUODUT-kansioon\n"
      "                            aikaleimattuna (oletus)\n"
      "      --ei-aikaleimaa       jätä tiliotetiedosto paikalleen\n"
      "      --luo-hakemisto       luo puuttuva tallennushakemisto kysymättä\n"
      "      --historia            älä paloittele: tulosta paloitteluhistoria (vanhin ensin)\n"
      "      --yritys TEKSTI       --historia: vain yritystiedostot, joiden nimessä on TEKSTI\n"
      "      --tili TEKSTI         --historia: vain tilit, joiden numerossa on TEKSTI\n"
      "      --kuukausi VVVV-KK    --historia: vain tiliotteet, joiden jakso osuu kuukauteen\n"
      "                            (ajojen rivit: ajon kuukausi)\n"
      "      --paiva VVVV-KK-PP    --historia: vain tiliotteet, joiden jakso sisältää päivän\n"
      "      --viimeisimmat        kunkin yritystiedoston viimeisin toimitus\n"
      "      --hiljaiset N         yritystiedostot, joille ei ole tullut mitään N päivään\n"
      "      --raportti VVVV-KK    älä paloittele: tulosta kuukauden raportti HTML-sivuna\n"
      "                            (yritystiedostot päivittäin, merkit ja huomautukset);\n"
      "                            esim. --raportti 2026-03 > raportti.html\n"
      "      --esikatselu          älä paloittele: tulosta tiedoston T00-tietueet viivaimen\n"
      "                            ja paloitteluehdon X-merkkien kanssa (CR LF -rivit);\n"
      "                            XML-tiedostosta rivi tiliotetta kohden: paikka, avainten\n"
      "                            arvot ja jakso, valittu avain merkittynä >> <<\n"
      "  -h, --help                tämä ohje\n"
      "      --version             versio\n"
      "\n"
      "Paluuarvot:\n"
      "  0   paloiteltu (--esikatselu: esikatselu tulostettu); myös, kun uutta\n"
      "      tiedostoa ei ollut mutta keskeytynyt paloittelu viimeisteltiin\n"
      "  1   paloittelua ei tehty: tiliotetiedostoa ei ole (tavallinen, kun uutta\n"
      "      tiliotetiedostoa ei vielä ole)\n"
      "  2   paloittelu keskeytyi virheeseen, aiemmin keskeytynyttä paloittelua\n"
      "      (TUODUT/*.kesken) ei voitu viimeistellä, pankkiohjelma kirjoittaa\n"
      "      vielä tiliotetiedostoa (se jätettiin paikalleen), tai toisen tiliotekansion\n"
      "      paloittelu samaan tallennushakemistoon on käynnissä (\"Toinen paloittelu\n"
      "      kirjoittaa samaan kohdehakemistoon\") tai jäi kesken: mitään ei tehty;\n"
      "      samoin, kun tallennushakemistoa ei ole tai siihen ei voi kirjoittaa,\n"
      "      tiliotetiedosto on linkki (arkistoiva ajo ei siirrä linkkiä) tai UNC-polku\n"
      "      tai TUODUT on eri levyllä kuin tiliotetiedosto;\n"
      "      samoin, kun TITO-tiedostossa on tietueita (T10, T40 ...) ennen ensimmäistä\n"
      "      T00-riviä: tiedosto jätettiin paikalleen, tavut kerrottu\n"
      "  3   paloiteltu, mutta jotain on tarkistettava (rivi TARKISTA: kertoo mitä;\n"
      "      kirjattu myös virhelokiin virhelog.txt): tiliote oli jo toimitettu\n"
      "      (sitä ei lisätty uudelleen), tilin tiliotenumeroista puuttuu, numero\n"
      "      toistuu eri sisällöllä, saldo ei jatku edellisestä tiliotteesta, erä\n"
      "      ilman avainta, katkennut viimeinen erä tai arkiston kesken oleva loppu,\n"
      "      jota ei vielä paloiteltu\n"
      "  64  virheellinen komentorivi\n"
      "  65  tiliotetiedosto hylätty (XML-tiedosto ei läpäise tarkistusta tai sen\n"
      "      merkistö ei ole UTF-8, viitesiirtojen erä ei täsmää summatietueeseen,\n"
      "      tai tiedostossa ei ole yhtään TITO-tietuetta):\n"
      "      mitään ei paloiteltu; tiedosto siirretty kokonaisena sivuun nimelle\n"
      "      TUODUT/<aikaleima>-<nimi>.hylatty, syy kerrottu ja kirjattu\n"
      "      virhelokiin virhelog.txt; --esikatselu: sama paluuarvo, ei siirtoa\n"
      "\n"
      "Esimerkki:\n"
      "  kolvanto-cli --kohde /srv/tiliotteet --alkuosa \"TITO-#-\" /srv/pankki/TITO.TXT\n"
      "\n"
      "Käyttöohje: kayttoohje.html (Linuxissa /usr/share/doc/kolvanto, Windowsissa\n"
      "ohjelman hakemistossa). Tuki: Vombra Oy, tuki@vombra.fi, (09) 123 4567.\n");
}

// What is said of an option given without its value.
const char* puuttuvaArvo(const std::string& valinta) {
  if (valinta == "--asetukset") return " tarvitsee tiedoston";
  if (valinta == "-k" || valinta == "--kohde") return " tarvitsee hakemiston";
  if (valinta == "--raportti") return " tarvitsee kuukauden muodossa VVVV-KK";
  return " tarvitsee tekstin";
}

int kayttovirheIlmoitus(const std::string& viesti) {
  virheeseen("kolvanto-cli: " + viesti + ansi("\nOhje: kolvanto-cli --help\n"));
  return kayttovirhe;
}

std::string absoluuttinen(const std::string& polku) {
  if (polku.empty() || alusta::onAbsoluuttinen(polku)) return polku;
  std::string nyt = alusta::nykyinenHakemisto();
  if (!nyt.empty() && nyt.back() == alusta::erotin) nyt.pop_back();
  return nyt + alusta::erotin + polku;
}

// The problem dialog of a run without a window: the report goes to standard error, in its
// lines, and the error handler logs it as the window's would.
class KonsoliOngelmat : public euro::Ongelmaikkuna {
 public:
  euro::Pulmanloppu nayta(const std::string& raportti, const std::string&) override {
    virheeseen(std::string(euro::ohjelmanOtsikko) + ": " +
               euro::fe_Korvaa(raportti, "\r\n", "\n") + "\n");
    return euro::Pulmanloppu::suljettu;
  }
  void lopeta() override {}
};

// "2026-12-09 05:50:42": the same in every locale, and in the order a log is sorted by.
std::string paivaysJaAika(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", t.vuosi, t.kuukausi, t.paiva, t.tunti, t.minuutti,
                t.sekunti);
  return b;
}

// What the command line gives: each overrides what the settings file says.
struct Valinnat {
  std::optional<std::string> tiedosto, kohde, alkuosa, loppuosa, asetukset, posAlku, posLoppu;
  std::optional<split::PaloitteluAsetukset::Tunniste> tunniste;
  std::optional<bool> aikaleima;
  bool luoHakemisto = false;
  bool esikatselu = false;
  bool historia = false;
  std::optional<std::string> yritys, tili, kuukausi, paiva, hiljaiset, raportti;
  bool viimeisimmat = false;
};

// --avain's value: a key's name or positions. An exit status when it is not one.
std::optional<int> avaimesta(const std::string& avain, Valinnat& v) {
  using T = split::PaloitteluAsetukset::Tunniste;
  if (avain == "asiakastunnus") {
    v.tunniste = T::asiakastunnus;
  } else if (avain == "tilinumero") {
    v.tunniste = T::tilinumero;
  } else if (avain == "nimi") {
    v.tunniste = T::tilinomistajanNimi;
  } else if (avain.find(':') != std::string::npos) {
    std::string alku, loppu;
    if (!positiopari(avain, alku, loppu))
      return kayttovirheIlmoitus(ansi("virheelliset positiot ") + avain +
                                 ansi(": anna ALKU:LOPPU kokonaislukuina 1-32767, ALKU enintään LOPPU, esim. 49:65"));
    v.tunniste = T::positiot;
    v.posAlku = alku;
    v.posLoppu = loppu;
  } else {
    return kayttovirheIlmoitus(ansi("tuntematon paloitteluehto: ") + avain);
  }
  return std::nullopt;
}

std::optional<int> ristiriidat(const Valinnat& v);

// The command line read into v; an exit status when the run ends here (help, version, misuse).
std::optional<int> jasenna(const std::vector<std::string>& argumentit, Valinnat& v) {
  for (std::size_t i = 0; i < argumentit.size(); ++i) {
    std::string arg = argumentit[i];
    std::optional<std::string> liitetty;
    if (arg.rfind("--", 0) == 0) {
      auto yhta = arg.find('=');
      if (yhta != std::string::npos) {
        liitetty = arg.substr(yhta + 1);
        arg = arg.substr(0, yhta);
      }
    }
    auto arvo = [&](std::optional<std::string>& kohta) -> bool {
      if (liitetty) {
        kohta = *liitetty;
        return true;
      }
      if (i + 1 >= argumentit.size()) return false;
      kohta = argumentit[++i];
      return true;
    };
    // Options that take a value, and what is said when it is missing.
    const std::pair<const char*, std::optional<std::string>*> arvolliset[] = {
        {"-k", &v.kohde},           {"--kohde", &v.kohde},   {"--alkuosa", &v.alkuosa},
        {"--loppuosa", &v.loppuosa}, {"--asetukset", &v.asetukset}, {"--yritys", &v.yritys},
        {"--tili", &v.tili},        {"--kuukausi", &v.kuukausi}, {"--paiva", &v.paiva},
        {"--hiljaiset", &v.hiljaiset}, {"--raportti", &v.raportti}};
    const std::pair<const char*, bool*> liput[] = {{"--luo-hakemisto", &v.luoHakemisto},
                                                   {"--esikatselu", &v.esikatselu},
                                                   {"--historia", &v.historia},
                                                   {"--viimeisimmat", &v.viimeisimmat}};
    if (arg == "-h" || arg == "--help") {
      tulosteeseen(ohje());
      return valmis;
    }
    if (arg == "--version") {
      tulosteeseen(std::string("kolvanto-cli ") + euro::versio + "\n");
      return valmis;
    }
    auto arvollinen = std::find_if(std::begin(arvolliset), std::end(arvolliset),
                                   [&](const auto& p) { return arg == p.first; });
    auto lippu = std::find_if(std::begin(liput), std::end(liput), [&](const auto& p) { return arg == p.first; });
    if (arvollinen != std::end(arvolliset)) {
      if (!arvo(*arvollinen->second)) return kayttovirheIlmoitus(arg + ansi(puuttuvaArvo(arg)));
    } else if (arg == "--avain") {
      std::optional<std::string> avain;
      if (!arvo(avain)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee arvon"));
      if (const auto loppu = avaimesta(*avain, v)) return loppu;
    } else if ((arg == "--aikaleima" || arg == "--ei-aikaleimaa") && !liitetty) {
      v.aikaleima = arg == "--aikaleima";
    } else if (lippu != std::end(liput) && !liitetty) {
      *lippu->second = true;
    } else if (arg == "--") {
      for (++i; i < argumentit.size(); ++i) {
        if (v.tiedosto) return kayttovirheIlmoitus(ansi("vain yksi tiliotetiedosto kerrallaan"));
        v.tiedosto = argumentit[i];
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return kayttovirheIlmoitus(ansi("tuntematon valinta: ") + argumentit[i]);
    } else {
      if (v.tiedosto) return kayttovirheIlmoitus(ansi("vain yksi tiliotetiedosto kerrallaan"));
      v.tiedosto = arg;
    }
  }
  // The views are of the history: either names it.
  if (v.viimeisimmat || v.hiljaiset) v.historia = true;
  return ristiriidat(v);
}

// Values and options that do not go together; an exit status when some do not.
std::optional<int> ristiriidat(const Valinnat& v) {
  for (const auto& [nimi, arvo] : {std::pair{"--yritys", &v.yritys}, std::pair{"--tili", &v.tili},
                                   std::pair{"--kuukausi", &v.kuukausi}, std::pair{"--paiva", &v.paiva}})
    if (*arvo && !v.historia) return kayttovirheIlmoitus(nimi + ansi(" käy vain valinnan --historia kanssa"));
  if (v.kuukausi && !kelpaaKuukausi(*v.kuukausi))
    return kayttovirheIlmoitus(ansi("virheellinen kuukausi ") + *v.kuukausi + ansi(": anna muodossa VVVV-KK, esim. 2026-03"));
  if (v.paiva && !kelpaaPaiva(*v.paiva))
    return kayttovirheIlmoitus(ansi("virheellinen päivä ") + *v.paiva + ansi(": anna muodossa VVVV-KK-PP, esim. 2026-03-14"));
  if (v.hiljaiset && (v.hiljaiset->empty() || v.hiljaiset->size() > 5 ||
                      v.hiljaiset->find_first_not_of("0123456789") != std::string::npos))
    return kayttovirheIlmoitus(ansi("--hiljaiset tarvitsee päivien määrän kokonaislukuna 0-99999, nyt ") + *v.hiljaiset);
  if (v.hiljaiset && v.viimeisimmat)
    return kayttovirheIlmoitus(ansi("--hiljaiset ja --viimeisimmat ovat eri näkymiä: valitse toinen"));
  if (v.raportti && !kelpaaKuukausi(*v.raportti))
    return kayttovirheIlmoitus(ansi("virheellinen kuukausi ") + *v.raportti + ansi(": anna muodossa VVVV-KK, esim. 2026-03"));
  if (v.raportti && (v.historia || v.tiedosto || v.esikatselu))
    return kayttovirheIlmoitus(ansi("--raportti käy yksin: jätä tiliotetiedosto, --historia ja --esikatselu pois"));
  if (v.historia && (v.tiedosto || v.esikatselu))
    return kayttovirheIlmoitus(ansi("--historia ei paloittele eikä esikatsele: jätä tiliotetiedosto pois"));
  return std::nullopt;
}

// The settings file's values with the command line's over them; an exit status when no
// statement file is given.
std::optional<int> asetuksiin(const Valinnat& v, const euro::Ohjelma& ohjelma, split::PaloitteluAsetukset& a) {
  if (v.asetukset) {
    if (!alusta::onkoTavallinenTiedosto(*v.asetukset))
      return kayttovirheIlmoitus(ansi("asetustiedostoa ei löydy: ") + *v.asetukset);
    settings::lueformi(*v.asetukset, a);
  } else {
    settings::lueformi(settings::luettavaAsetustiedosto(ohjelma.datahakemisto), a);
  }
  if (v.tiedosto) a.tiliotetiedosto = *v.tiedosto;
  if (v.kohde) a.kohdehakemisto = *v.kohde;
  if (v.alkuosa) a.nimenAlkuosa = *v.alkuosa;
  if (v.loppuosa) a.nimenLoppuosa = *v.loppuosa;
  if (v.tunniste) a.valitse(*v.tunniste);
  if (v.posAlku) a.posAlku = *v.posAlku;
  if (v.posLoppu) a.posLoppu = *v.posLoppu;
  if (v.aikaleima) a.arkistoi = *v.aikaleima;
  if (a.tiliotetiedosto.empty()) {
    // The usual case on a new account: nothing saved yet in the window.
    const std::string mista = v.asetukset ? *v.asetukset : settings::asetustiedosto(ohjelma.datahakemisto);
    return kayttovirheIlmoitus(
        ansi("tiliotetiedosto puuttuu: anna se komentorivillä tai tallenna se ikkunassa "
             "(Tallenna oletusarvoiksi) asetustiedostoon ") + mista);
  }
  // Relative paths of the settings file are taken from the data directory, as in the window.
  a.tiliotetiedosto = absoluuttinen(a.tiliotetiedosto);
  if (!euro::trimmaa(a.kohdehakemisto).empty())
    a.kohdehakemisto = absoluuttinen(a.kohdehakemisto);
  return std::nullopt;
}

// The preview's own bytes, CR LF lines as they are, so that a redirected preview is the
// window's file; a terminal is shown readable text. Nothing is started.
int esikatsele(const split::PaloitteluAsetukset& a, const euro::Ohjelma& ohjelma) {
  try {
    const bool paate = alusta::onPaate(1);
    bool naytetty = split::esikatselu(
        a, [paate](const std::string& osa) { alusta::kirjoitaTavut(1, paate ? alusta::luettavaksi(osa) : osa); });
    return naytetty ? valmis : tarkistusPysaytti;
  } catch (const split::HylattyTiedosto& h) {
    // The file the split would refuse: its status and log line, as the split's refusal has.
    const std::string teksti = ansi("ESIKATSELUA EI TEHTY: ") + h.viesti();
    virheeseen(teksti + "\n");
    if (!ohjelma.datahakemisto.empty()) euro::kirjaaVirhelokiin(teksti);
    return tiedostoHylatty;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    virheeseen("kolvanto-cli: " + v.viesti() + " (virhe " + std::to_string(v.numero()) + ")\n");
    return virhe;
  }
}

// What the run's end says, on standard error; a target folder not made is said once, with
// what to do.
void kerroLopusta(const split::PaloitteluTulos& tulos) {
  if (tulos.loppu == split::Loppu::kohdettaEiLuotu) {
    virheeseen(ansi("PALOITTELUA EI TEHTY: Tallennushakemistoa ") + tulos.puuttuva +
               ansi(" ei ole (onko verkkolevy yhdistetty?). Luo hakemisto tai anna valinta --luo-hakemisto.\n"));
    return;
  }
  if (const auto v = split::ilmoitus::lopusta(tulos))
    virheeseen((v->otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : v->otsikko) + ": " + v->teksti + "\n");
}

// Per file what it got, in pieces of some 64 KiB: the summary may be long, and is not held twice.
void tulostaTiedostot(const split::Yhteenveto& y, const split::Yksikko& yksikko) {
  auto saatu = [&](const split::TiedostonYhteenveto& t) {
    return maara(t.eria, yksikko) + (yksikko.riveja ? ", " + maara(t.riveja, "rivi", "riviä") : std::string());
  };
  std::string tiedostot;
  for (const auto& t : y.tiedostot) {
    tiedostot += t.polku + ": " + saatu(t) + "\n";
    if (tiedostot.size() >= 64 * 1024) {
      tulosteeseen(tiedostot);
      tiedostot.clear();
    }
  }
  if (!tiedostot.empty()) tulosteeseen(tiedostot);
  if (y.muut.eria > 0) tulosteeseen(ansi("Muihin tiedostoihin: ") + saatu(y.muut) + "\n");
  // A blank key still names a file, which may gather several companies.
  if (y.ilmanAvainta > 0) {
    std::int64_t nimetty = 0;
    for (const auto& t : y.tiedostot) {
      if (t.ilmanAvainta == 0) continue;
      nimetty += t.ilmanAvainta;
      tulosteeseen(ansi("Ilman avainta ") + maara(t.ilmanAvainta, yksikko) + ansi(" tiedostoon ") + t.polku + "\n");
    }
    if (y.ilmanAvainta > nimetty)
      tulosteeseen(ansi("Ilman avainta ") + maara(y.ilmanAvainta - nimetty, yksikko) + ansi(" muihin tiedostoihin\n"));
  }
}

void tulostaYhteenveto(const split::PaloitteluTulos& tulos) {
  if (tulos.kysyttiin && !tulos.kohdehakemisto.empty())
    tulosteeseen(ansi("Luotiin hakemisto ") + tulos.kohdehakemisto + "\n");
  const auto& y = tulos.yhteenveto;
  for (const auto& v : tulos.viimeistellyt)
    tulosteeseen(ansi(v.jatko ? "Arkistoon paloittelun jälkeen tullut loppu paloiteltu: "
                              : "Keskeytynyt paloittelu viimeistelty: ") +
                 v.arkisto + ": " + maara(v.eria, split::muotoYhteenvedolle(v.yhteenveto).yksikko()) + "\n");
  if (!y.arkistoitu.empty()) tulosteeseen(ansi("Tiliotetiedosto siirretty: ") + y.arkistoitu + "\n");
  if (!tulos.siirrettySivuun.empty())
    tulosteeseen(ansi("Hylätty tiliotetiedosto siirretty sivuun: ") + tulos.siirrettySivuun + "\n");
  const split::Yksikko yksikko = split::muotoYhteenvedolle(y).yksikko();
  tulostaTiedostot(y, yksikko);
  if (y.ohitetutRivit > 0 && yksikko.ohitettu)
    tulosteeseen(ansi(yksikko.ohitettu) + " " + maara(y.ohitetutRivit, "rivi", "riviä") + "\n");
  for (const auto& h : y.huomautukset) tulosteeseen(h + "\n");
  for (const auto& k : tulos.katsottavaa) tulosteeseen(ansi("TARKISTA: ") + k + "\n");
  if (tulos.toimitettuja > 0)
    tulosteeseen(ansi("Jo toimitettu aiemmin, ei lisätty uudelleen: ") + maara(tulos.toimitettuja, yksikko) + "\n");
  if (tulos.valmis) {
    if (y.tiedostot.empty() && y.muut.eria == 0)
      tulosteeseen(tulos.toimitettuja > 0 ? ansi("Mitään uutta ei ollut, mitään ei kirjoitettu\n")
                                          : isollaAlkaen(ansi(yksikko.puuttuu)) +
                                                ansi(" ei löytynyt, mitään ei kirjoitettu\n"));
    tulosteeseen(ansi("Paloiteltu hakemistoon ") + tulos.kohdehakemisto + "\n");
  }
}

int paluuarvo(const split::PaloitteluTulos& tulos, int raportteja) {
  using split::Loppu;
  // A journal left unfinished is a failure even when this run's own split completed: a
  // scheduler must see it.
  if (tulos.keskeneraisia > 0) return virhe;
  switch (tulos.loppu) {
    // The bank program still writes the file, another split holds the target, a target folder
    // is not there (a network drive not mapped), a network path refused every day until the
    // settings change: none is a quiet day, and nothing was split.
    case Loppu::tiedostoAuki:
    case Loppu::kohdeVarattu:
    case Loppu::kohdettaEiLuotu:
    case Loppu::kohdeEiLuotavissa:
    case Loppu::tuodutEiLuotavissa:
    case Loppu::verkkopolku:
      return virhe;
    case Loppu::paloiteltu:
      return tulos.katsottavaa.empty() ? valmis : katsottavaa;
    case Loppu::hylatty:
      return tulos.katsottavaa.empty() ? tiedostoHylatty : katsottavaa;
    default:
      break;
  }
  if (!tulos.katsottavaa.empty()) return katsottavaa;
  if (raportteja > 0) return virhe;
  // No new file, but yesterday's cut-off split was finished: that delivered.
  return tulos.viimeistellyt.empty() ? tarkistusPysaytti : valmis;
}

int paloittele(const split::PaloitteluAsetukset& a, bool luoHakemisto) {
  int raportteja = 0;
  auto edellinenKasittelija = euro::asetaVirheKasittelija([&](const euro::Vikailmoitus& v) {
    ++raportteja;
    euro::kasitteleVirhe(v);
  });
  // The summary's first line, before anything the run says: a log of many runs tells its days apart.
  const alusta::Aika alkoi = alusta::paikallinenAika();
  tulosteeseen(ansi("kolvanto-cli ") + paivaysJaAika(alkoi) + "\n");
  KonsoliKysymykset kysymykset(luoHakemisto);
  const split::PaloitteluTulos tulos = split::suorita(a, kysymykset);
  euro::asetaVirheKasittelija(edellinenKasittelija);
  kerroLopusta(tulos);
  tulostaYhteenveto(tulos);
  return paluuarvo(tulos, raportteja);
}

}  // namespace

int suorita(const std::vector<std::string>& argumentit) {
  Valinnat v;
  if (const auto loppu = jasenna(argumentit, v)) return *loppu;

  // Relative paths of the command line are taken from the folder it was given in, before the
  // data directory may change the current folder; so the output and the archive land beside
  // the statement file and not at the root.
  if (v.tiedosto) v.tiedosto = absoluuttinen(*v.tiedosto);
  if (v.kohde && !euro::trimmaa(*v.kohde).empty()) v.kohde = absoluuttinen(*v.kohde);
  if (v.asetukset) v.asetukset = absoluuttinen(*v.asetukset);

  KonsoliViestit viestit;
  KonsoliOngelmat ongelmat;
  euro::Kaynnistys kaynnistys(viestit, ongelmat, settings::fe_apppath);
  euro::Ohjelma& ohjelma = kaynnistys.ohjelma();

  // The window's settings file is shared, never written here.
  // The data directory also holds the error log, whichever settings file is read.
  ohjelma.datahakemisto = settings::fe_apppath();
  if (v.raportti) return naytaRaportti(ohjelma.datahakemisto, *v.raportti);
  if (v.historia) {
    Kirjanakyma n;
    n.suodatin.yritys = v.yritys.value_or("");
    n.suodatin.tili = v.tili.value_or("");
    n.suodatin.kuukausi = v.kuukausi.value_or("");
    n.suodatin.paiva = v.paiva.value_or("");
    n.viimeisimmat = v.viimeisimmat;
    if (v.hiljaiset) n.hiljaiset = std::stoi(*v.hiljaiset);
    return naytaHistoria(ohjelma.datahakemisto, n, alusta::paikallinenAika());
  }
  split::PaloitteluAsetukset a;
  if (const auto loppu = asetuksiin(v, ohjelma, a)) return *loppu;
  if (v.esikatselu) return esikatsele(a, ohjelma);
  return paloittele(a, v.luoHakemisto);
}

}  // namespace cli
