#include "virheraportti.h"

#include "alusta/alusta.h"
#include "kuori.h"
#include "ohjelma.h"
#include "teksti.h"

namespace euro {

namespace {

constexpr const char* rn = "\r\n";
constexpr std::int32_t kaynnistaUudelleen = 3014;

}  // namespace

std::string exeNimi() {
  std::string nimi = alusta::ohjelmanNimi();
  auto piste = nimi.find_last_of('.');
  return piste == std::string::npos || piste == 0 ? nimi : nimi.substr(0, piste);
}

std::string fe_Virheraportti() {
  std::string t;
  try {
    // Each line is complete before it is appended, so a failure leaves whole lines only.
    t += std::string(ohjelmanOtsikko) + " - virheraportti" + rn;
    t += rn;
    t += "6.0-versio: " + ohjelma().versio + rn;
    t += "fe_apppath(): " + apppath() + rn;
    t += "App.EXEName: " + exeNimi() + rn;
    t += ansi("Työhakemisto: ") + ohjelma().datahakemisto + rn;
    // One reading of the clock, so that the date and the time belong together at midnight.
    const alusta::Aika nyt = alusta::paikallinenAika();
    t += "Tulostettu: " + alusta::lyhytPaivays(nyt) + rn;
    t += "Kello: " + alusta::kellonaika(nyt) + rn;
    t += rn;
  } catch (...) {
    try {
      t += "\n\rVirhe virherivin muodostuksessa:" + nykyinenVirhe().viesti();
    } catch (...) {
    }
  }
  return t;
}

std::string raporttiteksti(const Vikailmoitus& v) {
  // The call line with its sign position: a blank stands where a minus sign would.
  const std::string rivi = (v.kutsurivi < 0 ? "" : " ") + std::to_string(v.kutsurivi);
  return v.viesti + rn + "(virhe " + std::to_string(v.numero) + ")" + rn + rn + "Kutsurivi     " +
         rivi + rn + "Moduulista   " + v.moduuli + rn + "Rutiinista     " + v.rutiini;
}

std::string hakuehdot(const Vikailmoitus& v) {
  return "terms=" + fe_UrlKoodaa(v.viesti) + "+virhe;" + fe_UrlKoodaa(v.numero) + "+" +
         fe_UrlKoodaa(v.kutsurivi) + "+" + fe_UrlKoodaa(v.moduuli) + "+" + fe_UrlKoodaa(v.rutiini);
}

void kirjaaVirhelokiin(const std::string& raportti) noexcept {
  try {
    std::string polku = apppath();
    if (polku.empty() || polku.back() != alusta::erotin) polku += alusta::erotin;
    polku += "virhelog.txt";
    // One write: an entry is not split by another program's append.
    const std::string merkinta =
        fe_Virheraportti() + rn + raportti + rn + std::string(70, '-') + rn;
    alusta::Tiedosto loki(polku, alusta::Tila::lisaaOmaan);
    loki.kirjoita(alusta::luettavaksi(merkinta));
    loki.sulje();
  } catch (...) {
    // The report has been shown already; there is nowhere else to tell.
  }
}

void kasitteleVirhe(const Vikailmoitus& v) {
  // The number that decides the advice afterwards, as it was on entry.
  const std::int32_t numero = v.numero;
  Ohjelma& o = ohjelma();
  if (numero == virhenro::nullArvo) {
    try {
      viesti(ansi("Pulma 94. Invalid use of null.\n"
                  "Jossain taulukossa tai kentässä on tyhjää, vaikkei saisi olla.\n"
                  "Poistele turhat tyhjät rivit, täydennä puuttuvat tiedot ja yritä sitten "
                  "uudelleen."),
             "", tyyli::ok);
    } catch (...) {
      // The report itself still matters more than its advice.
    }
  }
  if (o.viestit) o.viestit->palautaHiiri();

  const std::string raportti = raporttiteksti(v);
  Ongelmaikkuna* ikkuna = o.ongelmat;
  // A report from inside the open dialog only replaces its text and is not logged.
  const bool kirjattu = ikkuna && ikkuna->naytetaanko();
  if (kirjattu) kirjaaVirhelokiin(raportti);
  const Pulmanloppu loppu =
      ikkuna ? ikkuna->nayta(raportti, hakuehdot(v)) : Pulmanloppu::eiNaytetty;
  if (loppu == Pulmanloppu::eiNaytetty) return;

  if (!kirjattu) kirjaaVirhelokiin(raportti);
  if (loppu == Pulmanloppu::lopetetaan) {
    ikkuna->lopeta();
    return;
  }
  if (numero == kaynnistaUudelleen)
    viesti(ansi("Pulma 3014. Sammuta ohjelma ja käynnistä se uudelleen, niin pääset jatkamaan "
                "työskentelyä."),
           "", tyyli::ok);
}

}  // namespace euro
