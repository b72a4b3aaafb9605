#include "ikkunat/frmMain/kuvaus.h"

#include <stdexcept>

#include "euro/teksti.h"

namespace frmmain {

namespace {

using L = ikkunat::Ohjainlaji;

const char* const tietoja =
    "Tällä ohjelmalla paloitellaan kumuloituva tiliotetiedosto sellaisissa tilanteissa, kun "
    "pankkiyhteysohjelma noutaa usean yrityksen tiliotteet pankista tallentaen kaikkien "
    "yritysten tiliotteet samaan tiedostoon, jonka nimi pysyy aina samana ja johon uudet "
    "noudetut tiliotteet lisätään jatkeeksi. \r\n\r\n"
    "Tämä ohjelma nimeää kumuloituvan tiedoston aikaleimalla ja suodattaa siitä tiliotteet "
    "tunnistetiedon mukaan yrityskohtaisiksi tiliotetiedostoiksi: konekieliset TITO-tiliotteet "
    "ja pankkien XML-tiliotteet (ISO 20022: camt.053, camt.054 ja camt.052). Muoto "
    "tunnistetaan tiedostosta. \r\n\r\n"
    "Ohjelma tallentaa tiliotetiedot joko aina samalla nimellä tai antaen tiedostonimeen vuoden "
    "ja/tai kuukauden tiliotetiedoston nimestä.\r\n\r\n"
    "Ohjelma voidaan suorittaa automaattisesti komentoriviparametrilla 'aja' (ilman "
    "lainausmerkkejä) tai valitsemalla [x] Kun ohjelma käynnistyy, suorita paloittelu "
    "automaattisesti. Valitse lisäksi '[x] Paloittelun jälkeen sulje ohjelma', jotta ohjelma ei "
    "jää käyntiin. \r\n\r\n"
    "Komentoriviparametrilla * ohjelmaa ei suoriteta automaattisesti, vaikka  kohta '[x] Suorita "
    "paloittelu automaattisesti' olisikin valittu.";

struct Rivi {
  L laji;
  const char* nimi;
  const char* teksti;  // UTF-8
  const char* arvo;
  const char* kehys;
  int vasen, yla, leveys, korkeus;
};

// The designed form, in keyboard order.
const Rivi rivit[] = {
    {L::nimio, "Label1", "Paloiteltava tiedosto", "", "", 600, 240, 1815, 315},
    {L::tekstilaatikko, "txtPaloiteltavaTiedosto", "", "", "", 2520, 180, 5175, 375},
    {L::nimio, "Label2", "Tallennetaan hakemistoon", "", "", 360, 900, 2055, 255},
    {L::tekstilaatikko, "txtTallennusHakemisto", "", "", "", 2520, 780, 5175, 375},
    {L::nimio, "Label3", "(jätä tyhjäksi, jos tallennetaan samaan alkuperäisen tiedoston kanssa)", "", "", 7920, 840, 5295, 255},
    {L::kehys, "Frame1", "T&unnistetaan ja paloitellaan erätietueen", "", "", 2040, 4320, 5535, 2775},
    {L::valintanappi, "optAsiakastunnus", "As&iakastunnuksen mukaan (pos 49:65)", "True", "Frame1", 480, 360, 3255, 315},
    {L::valintanappi, "optTilinumero", "Tilinumeron mukaan (pos 10:23)", "False", "Frame1", 480, 720, 2775, 315},
    {L::valintanappi, "optTilinomistajanNimi", "Tilinomista&jan nimen mukaan (pos 148:182)", "False", "Frame1", 480, 1080, 3495, 315},
    {L::valintanappi, "optPositiot", "Position", "False", "Frame1", 480, 1500, 975, 315},
    {L::tekstilaatikko, "txtPosAlku", "", "49", "Frame1", 1440, 1500, 615, 315},
    {L::tekstilaatikko, "txtPosLoppu", "", "65", "Frame1", 2280, 1500, 615, 315},
    {L::nimio, "Label4", ":", "", "Frame1", 2160, 1500, 135, 255},
    {L::nimio, "Label5", "mukaan", "", "Frame1", 3000, 1500, 735, 315},
    {L::painike, "cmdValitsePaloiteltavaTiedosto", "&Valitse", "", "", 7800, 180, 1455, 375},
    {L::painike, "cmdAvaaMuistioonPaloiteltavaTiedosto", "Näytä &muistiossa", "", "", 9360, 180, 1935, 375},
    {L::painike, "cmdPaloittele", "&Paloittele", "", "", 240, 8340, 1695, 435},
    {L::painike, "cmdPoistuTallentamatta", "L&opeta tallentamatta", "", "", 5760, 8340, 2295, 435},
    {L::painike, "cmdPoistuTallentaen", "&Lopeta tallentaen", "", "", 8160, 8340, 2295, 435},
    {L::painike, "cmdTallenna", "&Tallenna oletusarvoiksi", "", "", 2040, 8340, 2175, 435},
    {L::painike, "cmdNaytaPaloitteluehtoMuistiossa", "Näytä paloittelu&ehto muistiossa", "", "Frame1", 480, 1980, 3375, 435},
    {L::nimio, "Label6", "- nimen alkuosa (esim TITO-)", "", "", 240, 1380, 2175, 255},
    {L::nimio, "Label7", "- nimen loppuosa (esim .TXT)", "", "", 120, 1800, 2295, 255},
    {L::tekstilaatikko, "txtNimenAlkuosa", "", "TITO-*-?-", "", 2520, 1320, 5175, 375},
    {L::tekstilaatikko, "txtNimenLoppuosa", "", ".TXT", "", 2520, 1800, 5175, 375},
    {L::nimio, "Label8", "Tallentuvien yrityskohtaisten TITO-tiedostojen tiedostonimen alkuun ", "", "", 7920, 1380, 5055, 255},
    {L::nimio, "Label9", "Tallentuvien yrityskohtaisten TITO-tiedostojen tiedostonimen loppuun", "", "", 7920, 1860, 5055, 255},
    {L::valintaruutu, "chkAikaleimaaPaloiteltava", "Al&kuperäinen paloiteltava tiedosto nimetään uudestaan aikaleimalla", "1", "", 2520, 2640, 5175, 315},
    {L::nimio, "Label10", "Paloiteltuihin tiedostonimiin lisätään tiliotekauden alkupäivästä vuosi ja kuukausi aikaleimaksi  * = VVVV, ? = KK , # = tiliotekausi vvvvkkpp-vvvvkkpp ", "", "", 360, 2280, 13095, 255},
    {L::valintaruutu, "chkNaytaPaloitellut", "Paloittelun jälkeen avaa &resurssienhallintaan paloittelukansio", "0", "", 2520, 3060, 5055, 255},
    {L::valintaruutu, "chkSuljeOhjelmaPaloittelunJalkeen", "Paloittelun jälkeen &sulje ohjelma", "0", "", 2520, 3420, 4815, 255},
    {L::valintaruutu, "chkPaloitteleAutomaattisesti", "K&un ohjelma käynnistyy, suorita paloittelu automaattisesti ", "0", "", 2520, 3780, 5055, 255},
    {L::kehys, "Frame2", "Tietoja ohjelmasta", "", "", 7920, 2700, 5895, 5415},
    {L::nimio, "Label11", tietoja, "", "Frame2", 240, 360, 5415, 4275},
    {L::nimio, "lblYhteystiedot", yhteystiedot, "", "", 8280, 9060, 4215, 255},
    {L::painike, "cmdAvaaNettisivu", "&Avaa nettisivu, jossa tietoa ohjelmasta", "", "Frame2", 1800, 4800, 3495, 435},
    {L::tiedostodialogi, "CommonDialog1", "", "", "", 0, 0, 0, 0},
};

ikkunat::Ikkunakuvaus rakenna() {
  ikkunat::Ikkunakuvaus k;
  k.nimi = "frmMain";
  k.otsikko = euro::ansi(otsikko);
  k.leveys = 13920;
  k.korkeus = 9375;
  // The classic dialog font; where it is missing, one of the same width.
  k.kirjasin = {{"MS Shell Dlg", "Liberation Sans", "Arial"}, 8, false};
  for (const Rivi& r : rivit) {
    ikkunat::Ohjainkuvaus o;
    o.laji = r.laji;
    o.nimi = r.nimi;
    o.teksti = euro::ansi(r.teksti);
    o.arvo = r.arvo;
    o.kehys = r.kehys;
    o.vasen = r.vasen;
    o.yla = r.yla;
    o.leveys = r.leveys;
    o.korkeus = r.korkeus;
    o.nakyva = r.laji != L::tiedostodialogi;
    k.ohjaimet.push_back(std::move(o));
  }
  auto muuta = [&k](const char* nimi) -> ikkunat::Ohjainkuvaus& {
    for (auto& o : k.ohjaimet)
      if (o.nimi == nimi) return o;
    throw std::logic_error(nimi);
  };
  muuta("cmdPoistuTallentamatta").peruutus = true;
  muuta("Label11").rivitetty = true;
  muuta("lblYhteystiedot").napsautettava = true;
  // Beside the designed form, so that no control moves.
  k.jarjestelmavalikko.push_back({"mnuKuukaudenRaportti", euro::ansi("Kuukauden &raportti selaimeen"), "Ctrl+R"});
  return k;
}

}  // namespace

const ikkunat::Ikkunakuvaus& kuvaus() {
  static const ikkunat::Ikkunakuvaus k = rakenna();
  return k;
}

}  // namespace frmmain
