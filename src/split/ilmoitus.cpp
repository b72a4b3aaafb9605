#include "split/ilmoitus.h"

#include "euro/liittymat.h"
#include "euro/teksti.h"

namespace split::ilmoitus {

using euro::ansi;

Viesti luodaankoHakemisto(const std::string& kohde) {
  return {ansi("Hakemistoa ") + kohde + ansi(" ei löydy, luodaanko se? "), "LUODAANKO HAKEMISTO",
          euro::tyyli::kyllaEiKysymys};
}

namespace {

Viesti eiTiedostoa(const PaloitteluTulos& t) {
  // A day without a new file may still have finished yesterday's cut-off split: that
  // delivered, and is said first.
  std::string viimeistelty;
  for (const Viimeistelty& v : t.viimeistellyt)
    viimeistelty += ansi(v.jatko ? "Arkistoon paloittelun jälkeen tullut loppu paloiteltiin: "
                                 : "Keskeytynyt paloittelu viimeisteltiin: ") +
                    v.arkisto + "\n";
  if (viimeistelty.empty()) return {ansi("Tiedostoa ") + t.polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok};
  return {viimeistelty + ansi("Uutta tiedostoa ") + t.polku + ansi(" ei ole, sitä ei paloiteltu"), otsikkoViimeistelty,
          euro::tyyli::ok};
}

Viesti hylatty(const PaloitteluTulos& t) {
  std::string teksti = ansi("Tiedostoa ") + t.polku + ansi(" ei paloiteltu: ") + t.syy;
  if (!t.siirrettySivuun.empty())
    teksti += ansi(". Tiedosto siirrettiin sivuun nimelle ") + t.siirrettySivuun +
              ansi(", jotta pankkiohjelma aloittaa uuden tiedoston; sitä ei paloiteltu eikä poistettu. "
                   "Selvitä sen sisältö ja pyydä tarvittaessa tiliotteet pankista uudelleen.");
  else
    teksti += ". " + t.mikset;
  return {teksti, otsikkoEiTehty, euro::tyyli::ok};
}

}  // namespace

std::optional<Viesti> lopusta(const PaloitteluTulos& t) {
  switch (t.loppu) {
    case Loppu::paloiteltu:
    case Loppu::epaonnistui:
      return std::nullopt;
    case Loppu::eiTiedostoa:
      return eiTiedostoa(t);
    case Loppu::verkkopolku:
      return Viesti{ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + t.polku +
                        ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                    "", euro::tyyli::ok};
    case Loppu::kohdettaEiLuotu:
      return Viesti{ansi("Hakemistoa ") + t.puuttuva + ansi(" ei tehty"), otsikkoEiLuoda, euro::tyyli::okKriittinen};
    case Loppu::kohdeEiLuotavissa:
      return Viesti{ansi("Hakemiston ") + t.puuttuva + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                    euro::tyyli::okKriittinen};
    case Loppu::tuodutEiLuotavissa:
      return Viesti{ansi("Hakemiston ") + t.puuttuva + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                    euro::tyyli::ok};
    case Loppu::hylatty:
      return hylatty(t);
    case Loppu::kohdeVarattu:
      return Viesti{kohdeVarattu(t.varaaja), otsikkoEiTehty, euro::tyyli::huutomerkki};
    case Loppu::toinenAjo:
      return Viesti{ansi("Toinen paloittelu on jo siirtänyt tiedoston ") + t.polku +
                        ansi(" ja paloittelee sitä: tämä ajo ei tehnyt mitään."),
                    otsikkoEiTehty, euro::tyyli::ok};
    case Loppu::tiedostoAuki:
      return Viesti{ansi("Pankkiohjelma kirjoittaa vielä tiedostoa ") + t.polku +
                        ansi(": se jätettiin paikalleen, sitä ei siirretty eikä paloiteltu. Paloittele "
                             "uudelleen, kun pankkiohjelma on lopettanut."),
                    otsikkoEiTehty, euro::tyyli::huutomerkki};
  }
  return std::nullopt;
}

std::string kohdeVarattu(const KohteenVaraaja& v) {
  if (!v.kesken)
    return ansi("Toinen paloittelu kirjoittaa samaan kohdehakemistoon ") + v.kohde + " (" + v.kirja +
           ansi("): tämä paloittelu ei tehnyt mitään. Paloittele uudelleen, kun se on valmis.");
  return ansi("Toisen tiliotekansion keskeytynyttä paloittelua ") + v.kirja +
         ansi(" ei voitu viimeistellä, ja se kirjoittaa samaan kohdehakemistoon ") + v.kohde +
         ansi(": tämä paloittelu ei tehnyt mitään. Paloittele uudelleen, kun syy on korjattu.");
}

std::string keskenJai() {
  return ansi(". Paloittelu jäi kesken; seuraava paloittelu viimeistelee sen, kun syy on korjattu");
}

std::string eriAsemalla(const std::string& tuodut, const std::string& polku) {
  return ansi("Arkistokansio ") + tuodut + ansi(" on eri levyllä tai tiedostojärjestelmässä kuin tiliotetiedosto ") +
         polku +
         ansi(" (onko TUODUT linkki toiselle levylle?), eikä tiedostoa voi siirtää sinne: "
              "sitä ei siirretty eikä paloiteltu. Tee TUODUT tavalliseksi kansioksi "
              "tiliotetiedoston viereen, tai paloittele ilman aikaleimaa.");
}

}  // namespace split::ilmoitus
