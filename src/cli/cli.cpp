#include "cli/cli.h"

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
#include "split/historia.h"
#include "split/muoto.h"
#include "split/paloittele.h"

namespace cli {

namespace {

using euro::ansi;

void virheeseen(const std::string& s) { alusta::kirjoitaKonsoliin(2, s); }
void tulosteeseen(const std::string& s) { alusta::kirjoitaKonsoliin(1, s); }

// The split's question about a missing target folder, and its answer when the folder is not
// made: the window's words, which a log read afterwards must not take for a waiting prompt.
const std::string kysymysLuodaanko = "LUODAANKO HAKEMISTO";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";

// Messages go to standard error; questions are answered by the options, never by waiting.
class KonsoliViestit : public euro::Viestilaatikko {
 public:
  explicit KonsoliViestit(bool kylla) : kylla_(kylla) {}
  int nayta(const std::string& teksti, const std::string& otsikko, int tyyli) override {
    const bool kysymys = (tyyli & 0x0F) == 4;
    if (kysymys && otsikko == kysymysLuodaanko) {
      kysyttiin_ = true;
      if (kylla_) return euro::vastaus::kylla;
      // Said here once, with what to do; the window's "... ei tehty" that follows is dropped.
      virheeseen(ansi("PALOITTELUA EI TEHTY: Tallennushakemistoa ") + kansio(teksti) +
                 ansi(" ei ole (onko verkkolevy yhdistetty?). Luo hakemisto tai anna valinta --luo-hakemisto.\n"));
      ohitaEiTehty_ = true;
      return euro::vastaus::ei;
    }
    if (ohitaEiTehty_ && otsikko == otsikkoEiLuoda) {
      ohitaEiTehty_ = false;
      return euro::vastaus::ok;
    }
    virheeseen((otsikko.empty() ? std::string(euro::ohjelmanOtsikko) : otsikko) + ": " + teksti +
               "\n");
    if (kysymys) return kylla_ ? euro::vastaus::kylla : euro::vastaus::ei;
    return euro::vastaus::ok;
  }
  void palautaHiiri() override {}
  // Whether the split asked to make the target folder.
  bool kysyttiin() const { return kysyttiin_; }

 private:
  // "Hakemistoa X ei löydy, luodaanko se? " gives "X".
  static std::string kansio(const std::string& kysymys) {
    const std::string loppu = ansi(" ei löydy, luodaanko se? ");
    const std::string alku = ansi("Hakemistoa ");
    if (kysymys.size() >= alku.size() + loppu.size() && kysymys.compare(0, alku.size(), alku) == 0 &&
        kysymys.compare(kysymys.size() - loppu.size(), loppu.size(), loppu) == 0)
      return kysymys.substr(alku.size(), kysymys.size() - loppu.size() - alku.size());
    return kysymys;
  }

  bool kylla_;
  bool kysyttiin_ = false;
  bool ohitaEiTehty_ = false;
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
      "      kirjattu myös virhelokiin virhelog.txt), esimerkiksi katkennut viimeinen\n"
      "      erä tai arkiston kesken oleva loppu, jota ei vielä paloiteltu\n"
      "  64  virheellinen komentorivi\n"
      "  65  tiliotetiedosto hylätty (XML-tiedosto ei läpäise tarkistusta tai sen\n"
      "      merkistö ei ole UTF-8, tai tiedostossa ei ole yhtään TITO-tietuetta):\n"
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

// The history, oldest entry first, under its header; without any, the header alone and where
// the history will be.
int naytaHistoria(const std::string& datahakemisto, const std::string& yritys) {
  try {
    if (split::historia::tiedostot(datahakemisto).empty()) {
      virheeseen(ansi("Paloitteluhistoriaa ei vielä ole hakemistossa ") + datahakemisto + "\n");
    }
    std::string ulos = split::historia::otsikko() + "\n";
    split::historia::lue(datahakemisto, yritys, [&](const std::string& rivi) {
      ulos += rivi + "\n";
      if (ulos.size() >= 64 * 1024) {
        tulosteeseen(ulos);
        ulos.clear();
      }
    });
    tulosteeseen(ulos);
    return valmis;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    virheeseen("kolvanto-cli: " + v.viesti() + " (virhe " + std::to_string(v.numero()) + ")\n");
    return virhe;
  }
}

}  // namespace

int suorita(const std::vector<std::string>& argumentit) {
  // Options are gathered first: they override what the settings file says.
  std::optional<std::string> tiedosto, kohde, alkuosa, loppuosa, asetukset, posAlku, posLoppu;
  std::optional<split::PaloitteluAsetukset::Tunniste> tunniste;
  std::optional<bool> aikaleima;
  bool luoHakemisto = false;
  bool esikatselu = false;
  bool historia = false;
  std::optional<std::string> yritys;

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
    auto ilmanArvoa = [&]() { return !liitetty; };

    if (arg == "-h" || arg == "--help") {
      tulosteeseen(ohje());
      return valmis;
    } else if (arg == "--version") {
      tulosteeseen(std::string("kolvanto-cli ") + euro::versio + "\n");
      return valmis;
    } else if (arg == "-k" || arg == "--kohde") {
      if (!arvo(kohde)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee hakemiston"));
    } else if (arg == "--alkuosa") {
      if (!arvo(alkuosa)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee tekstin"));
    } else if (arg == "--loppuosa") {
      if (!arvo(loppuosa)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee tekstin"));
    } else if (arg == "--asetukset") {
      if (!arvo(asetukset)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee tiedoston"));
    } else if (arg == "--avain") {
      std::optional<std::string> avain;
      if (!arvo(avain)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee arvon"));
      using T = split::PaloitteluAsetukset::Tunniste;
      if (*avain == "asiakastunnus") {
        tunniste = T::asiakastunnus;
      } else if (*avain == "tilinumero") {
        tunniste = T::tilinumero;
      } else if (*avain == "nimi") {
        tunniste = T::tilinomistajanNimi;
      } else if (avain->find(':') != std::string::npos) {
        std::string alku, loppu;
        if (!positiopari(*avain, alku, loppu))
          return kayttovirheIlmoitus(
              ansi("virheelliset positiot ") + *avain +
              ansi(": anna ALKU:LOPPU kokonaislukuina 1-32767, ALKU enintään LOPPU, esim. 49:65"));
        tunniste = T::positiot;
        posAlku = alku;
        posLoppu = loppu;
      } else {
        return kayttovirheIlmoitus(ansi("tuntematon paloitteluehto: ") + *avain);
      }
    } else if (arg == "--aikaleima" && ilmanArvoa()) {
      aikaleima = true;
    } else if (arg == "--ei-aikaleimaa" && ilmanArvoa()) {
      aikaleima = false;
    } else if (arg == "--luo-hakemisto" && ilmanArvoa()) {
      luoHakemisto = true;
    } else if (arg == "--esikatselu" && ilmanArvoa()) {
      esikatselu = true;
    } else if (arg == "--historia" && ilmanArvoa()) {
      historia = true;
    } else if (arg == "--yritys") {
      if (!arvo(yritys)) return kayttovirheIlmoitus(arg + ansi(" tarvitsee tekstin"));
    } else if (arg == "--") {
      for (++i; i < argumentit.size(); ++i) {
        if (tiedosto) return kayttovirheIlmoitus(ansi("vain yksi tiliotetiedosto kerrallaan"));
        tiedosto = argumentit[i];
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return kayttovirheIlmoitus(ansi("tuntematon valinta: ") + argumentit[i]);
    } else {
      if (tiedosto) return kayttovirheIlmoitus(ansi("vain yksi tiliotetiedosto kerrallaan"));
      tiedosto = arg;
    }
  }

  if (yritys && !historia) return kayttovirheIlmoitus(ansi("--yritys käy vain valinnan --historia kanssa"));
  if (historia && (tiedosto || esikatselu))
    return kayttovirheIlmoitus(ansi("--historia ei paloittele eikä esikatsele: jätä tiliotetiedosto pois"));

  // Relative paths of the command line are taken from the folder it was given in, before the
  // data directory may change the current folder; so the output and the archive land beside
  // the statement file and not at the root.
  if (tiedosto) tiedosto = absoluuttinen(*tiedosto);
  if (kohde && !euro::trimmaa(*kohde).empty()) kohde = absoluuttinen(*kohde);
  if (asetukset) asetukset = absoluuttinen(*asetukset);

  KonsoliViestit viestit(luoHakemisto);
  KonsoliOngelmat ongelmat;
  euro::Kaynnistys kaynnistys(viestit, ongelmat, settings::fe_apppath);
  euro::Ohjelma& ohjelma = kaynnistys.ohjelma();

  // The window's settings file is shared, never written here.
  // The data directory also holds the error log, whichever settings file is read.
  ohjelma.datahakemisto = settings::fe_apppath();
  if (historia) return naytaHistoria(ohjelma.datahakemisto, yritys.value_or(""));
  split::PaloitteluAsetukset a;
  if (asetukset) {
    if (!alusta::onkoTavallinenTiedosto(*asetukset))
      return kayttovirheIlmoitus(ansi("asetustiedostoa ei löydy: ") + *asetukset);
    settings::lueformi(*asetukset, a);
  } else {
    settings::lueformi(settings::luettavaAsetustiedosto(ohjelma.datahakemisto), a);
  }
  if (tiedosto) a.txtPaloiteltavaTiedosto = *tiedosto;
  if (kohde) a.txtTallennusHakemisto = *kohde;
  if (alkuosa) a.txtNimenAlkuosa = *alkuosa;
  if (loppuosa) a.txtNimenLoppuosa = *loppuosa;
  if (tunniste) a.valitse(*tunniste);
  if (posAlku) a.txtPosAlku = *posAlku;
  if (posLoppu) a.txtPosLoppu = *posLoppu;
  if (aikaleima) a.chkAikaleimaaPaloiteltava = *aikaleima;
  if (a.txtPaloiteltavaTiedosto.empty()) {
    // The usual case on a new account: nothing saved yet in the window.
    const std::string mista =
        asetukset ? *asetukset : settings::asetustiedosto(ohjelma.datahakemisto);
    return kayttovirheIlmoitus(
        ansi("tiliotetiedosto puuttuu: anna se komentorivillä tai tallenna se ikkunassa "
             "(Tallenna oletusarvoiksi) asetustiedostoon ") + mista);
  }

  // Relative paths of the settings file are taken from the data directory, as in the window.
  a.txtPaloiteltavaTiedosto = absoluuttinen(a.txtPaloiteltavaTiedosto);
  if (!euro::trimmaa(a.txtTallennusHakemisto).empty())
    a.txtTallennusHakemisto = absoluuttinen(a.txtTallennusHakemisto);

  if (esikatselu) {
    // The preview's own bytes, CR LF lines as they are, so that a redirected preview is the
    // window's file; a terminal is shown readable text. Nothing is started.
    try {
      const bool paate = alusta::onPaate(1);
      bool naytetty = split::esikatselu(a, [paate](const std::string& osa) {
        alusta::kirjoitaTavut(1, paate ? alusta::luettavaksi(osa) : osa);
      });
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

  int raportteja = 0;
  auto edellinenKasittelija = euro::asetaVirheKasittelija([&](const euro::Vikailmoitus& v) {
    ++raportteja;
    euro::kasitteleVirhe(v);
  });

  // The summary's first line, before anything the run says: a log of many runs tells its days apart.
  const alusta::Aika alkoi = alusta::paikallinenAika();
  tulosteeseen(ansi("kolvanto-cli ") + paivaysJaAika(alkoi) + "\n");
  split::PaloitteluTulos tulos = split::paloittele(a);

  euro::asetaVirheKasittelija(edellinenKasittelija);

  // The folder was made when the run got past it.
  if (viestit.kysyttiin() && !tulos.kohdehakemisto.empty())
    tulosteeseen(ansi("Luotiin hakemisto ") + tulos.kohdehakemisto + "\n");

  // In pieces of some 64 KiB: the summary may be long, and is not held twice.
  const auto& y = tulos.yhteenveto;
  for (const auto& v : tulos.viimeistellyt)
    tulosteeseen(ansi(v.jatko ? "Arkistoon paloittelun jälkeen tullut loppu paloiteltu: "
                              : "Keskeytynyt paloittelu viimeistelty: ") +
                 v.arkisto + ": " + maara(v.eria, split::muotoYhteenvedolle(v.yhteenveto).yksikko()) + "\n");
  if (!y.arkistoitu.empty()) tulosteeseen(ansi("Tiliotetiedosto siirretty: ") + y.arkistoitu + "\n");
  if (!tulos.siirrettySivuun.empty())
    tulosteeseen(ansi("Hylätty tiliotetiedosto siirretty sivuun: ") + tulos.siirrettySivuun + "\n");
  const split::Yksikko yksikko = split::muotoYhteenvedolle(y).yksikko();
  // Per file what it got: batches and their lines, or statements.
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
      tulosteeseen(ansi("Ilman avainta ") + maara(t.ilmanAvainta, "erä", "erää") + ansi(" tiedostoon ") + t.polku +
                   "\n");
    }
    if (y.ilmanAvainta > nimetty)
      tulosteeseen(ansi("Ilman avainta ") + maara(y.ilmanAvainta - nimetty, "erä", "erää") +
                   ansi(" muihin tiedostoihin\n"));
  }
  if (y.ohitetutRivit > 0)
    tulosteeseen(ansi("Ennen ensimmäistä T00-tietuetta ohitettu ") +
                 maara(y.ohitetutRivit, "rivi", "riviä") + "\n");
  for (const auto& h : y.huomautukset) tulosteeseen(h + "\n");
  for (const auto& k : tulos.katsottavaa) tulosteeseen(ansi("TARKISTA: ") + k + "\n");
  if (tulos.valmis) {
    if (y.tiedostot.empty())
      tulosteeseen(isollaAlkaen(ansi(yksikko.puuttuu)) + ansi(" ei löytynyt, mitään ei kirjoitettu\n"));
    tulosteeseen(ansi("Paloiteltu hakemistoon ") + tulos.kohdehakemisto + "\n");
  }

  // A journal left unfinished is a failure even when this run's own split completed: a
  // scheduler must see it.
  if (tulos.keskeneraisia > 0) return virhe;
  // The bank program still writes the file: not a day without a file, and nothing was split.
  if (tulos.tiedostoAuki) return virhe;
  if (tulos.kohdeVarattu) return virhe;
  // A target folder that is not there (a network drive not mapped) is no quiet day.
  if (tulos.hakemistoPuuttuu) return virhe;
  // A network path is refused every day until the settings change.
  if (tulos.verkkopolku) return virhe;
  if (!tulos.katsottavaa.empty()) return katsottavaa;
  if (tulos.valmis) return valmis;
  if (tulos.hylatty) return tiedostoHylatty;
  if (raportteja > 0) return virhe;
  // No new file, but yesterday's cut-off split was finished: that delivered.
  return tulos.viimeistellyt.empty() ? tarkistusPysaytti : valmis;
}

}  // namespace cli
