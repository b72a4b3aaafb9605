#include "split/paloittele.h"

#include <cstdio>
#include <unordered_map>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/nimi.h"

namespace split {

namespace {

constexpr std::size_t puskurinKoko = 64 * 1024;
constexpr char sep = alusta::erotin;

// Appends whole lines with CR LF to the current output file, through a fixed buffer that is
// emptied before the file is closed. A write that fails takes its bytes back, so that a full
// disk never leaves a company's file ending inside a line.
class Kirjoittaja {
 public:
  Kirjoittaja() { puskuri_.reserve(puskurinKoko); }

  void avaa(const std::string& polku) {
    sulje();
    tiedosto_.avaa(polku, alusta::Tila::lisaa);
  }

  void kirjoitaRivi(const std::string& rivi) {
    if (puskuri_.size() + rivi.size() + 2 > puskurinKoko) tyhjenna();
    if (rivi.size() + 2 > puskurinKoko) {
      tiedosto_.lisaaKokonaan(rivi, "\r\n");
      return;
    }
    puskuri_ += rivi;
    puskuri_ += "\r\n";
  }

  void sulje() {
    if (!tiedosto_.onAuki()) return;
    tyhjenna();
    tiedosto_.sulje();
  }

  void suljeHiljaa() noexcept {
    puskuri_.clear();
    tiedosto_.suljeHiljaa();
  }

 private:
  void tyhjenna() {
    if (puskuri_.empty()) return;
    // Cleared also after a failed write: the same bytes must not be written again.
    try {
      tiedosto_.lisaaKokonaan(puskuri_);
    } catch (...) {
      puskuri_.clear();
      throw;
    }
    puskuri_.clear();
  }

  alusta::Tiedosto tiedosto_;
  std::string puskuri_;
};

bool onT00(const std::string& rivi) {
  return rivi.size() >= 3 && rivi[0] == 'T' && rivi[1] == '0' && rivi[2] == '0';
}

std::string tiedostonimi(const std::string& polku) {
  auto p = polku.find_last_of(sep);
  return p == std::string::npos ? polku : polku.substr(p + 1);
}

const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";

}  // namespace

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello) {
  using euro::ansi;
  PaloitteluTulos tulos;
  alusta::Tiedosto syote;
  Kirjoittaja tuloste;
  try {
    std::string polku = a.txtPaloiteltavaTiedosto;
    if (!euro::fe_OnkoTiedosto(polku)) {
      euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok);
      return tulos;
    }
    if (polku.find(std::string(2, sep)) != std::string::npos) {
      euro::viesti(ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + polku +
                       ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                   "", euro::tyyli::ok);
      return tulos;
    }

    std::string kohde;
    if (euro::trimmaa(a.txtTallennusHakemisto).empty()) {
      kohde = euro::fe_PaljasHakemisto(polku) + sep;
    } else {
      kohde = a.txtTallennusHakemisto;
      if (kohde.empty() || kohde.back() != sep) kohde += sep;
      if (!euro::fe_OnkoHakemisto(kohde)) {
        int v = euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei löydy, luodaanko se? "),
                             "LUODAANKO HAKEMISTO", euro::tyyli::kyllaEiKysymys);
        if (v != euro::vastaus::kylla) {
          euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei tehty"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
        if (!euro::fe_LuoHakemisto(kohde)) {
          euro::viesti(ansi("Hakemiston ") + kohde + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
      }
    }
    tulos.kohdehakemisto = kohde;

    if (a.chkAikaleimaaPaloiteltava) {
      std::string arkistonimi = aikaleima(kello()) + euro::fe_PaljasTiedosto(polku);
      std::string arkisto = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
      if (!euro::fe_OnkoHakemisto(arkisto)) {
        std::string luotava = arkisto;
        if (!euro::fe_LuoHakemisto(luotava)) {
          euro::viesti(ansi("Hakemiston ") + arkisto + ansi(" luominen ei onnistunut"),
                       otsikkoEiLuoda, euro::tyyli::ok);
          return tulos;
        }
      }
      std::string uusi = arkisto + sep + arkistonimi;
      alusta::nimeaUudelleen(polku, uusi);
      polku = uusi;
      tulos.yhteenveto.arkistoitu = uusi;
    }

    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    tulos.kohdehakemisto = kohde;

    std::int32_t posAlku = 0, posLoppu = 0;
    asetapos(a, posAlku, posLoppu);

    syote.avaa(polku, alusta::Tila::lue);
    euro::RiviLukija lukija([&](char* b, std::size_t n) { return syote.lue(b, n); }, puskurinKoko,
                            euro::Rivisaanto::tiliote);
    std::unordered_map<std::string, std::size_t> indeksit;
    TiedostonYhteenveto* nykyinen = nullptr;
    std::string rivi;
    while (lukija.lueRivi(rivi)) {
      if (onT00(rivi)) {
        std::string kohdepolku = muodostanimi(rivi, kohde, a, posAlku, posLoppu);
        const std::string nimi = tiedostonimi(kohdepolku);
        if (alusta::onLaitenimi(nimi) || alusta::vaihtaaNimen(nimi))
          euro::heitaVirhe(euro::virhenro::virheellinenNimi, kohdepolku);
        tuloste.avaa(kohdepolku);
        auto& y = tulos.yhteenveto;
        auto it = indeksit.find(kohdepolku);
        if (it != indeksit.end()) {
          nykyinen = &y.tiedostot[it->second];
        } else if (y.tiedostot.size() < Yhteenveto::tiedostoraja) {
          indeksit.emplace(kohdepolku, y.tiedostot.size());
          y.tiedostot.push_back({kohdepolku, 0, 0});
          nykyinen = &y.tiedostot.back();
        } else {
          nykyinen = &y.muut;
        }
        ++nykyinen->eria;
      }
      if (nykyinen) {
        tuloste.kirjoitaRivi(rivi);
        ++nykyinen->riveja;
      } else {
        ++tulos.yhteenveto.ohitetutRivit;
      }
    }
    tuloste.sulje();
    syote.sulje();
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    // Whole lines already read still go out, as they would have line by line.
    try {
      tuloste.sulje();
    } catch (...) {
    }
    tuloste.suljeHiljaa();
    syote.suljeHiljaa();
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace split
