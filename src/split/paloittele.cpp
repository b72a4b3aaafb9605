#include "split/paloittele.h"

#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "euro/virheraportti.h"
#include "split/historia.h"
#include "split/ilmoitus.h"
#include "split/tilikirja.h"
#include "split/kirjuri.h"
#include "split/muoto.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;

// The target folder cannot be written: said in words the office can act on.
euro::Virhe eiKirjoitettava(const std::string& kohde) {
  return euro::Virhe(euro::virhenro::lupaEvatty,
                     euro::ansi("Tallennushakemistoon ") + kohde +
                         euro::ansi(" ei voi kirjoittaa (ei kirjoitusoikeutta, tai levy on vain luettava): mitään ei "
                                    "paloiteltu eikä siirretty. Anna kirjoitusoikeus hakemistoon tai valitse toinen "
                                    "tallennushakemisto."));
}

// A statement file that is a link cannot be archived: the link would be moved and dangle, and
// the bank program would go on writing into the file it points to.
euro::Virhe linkkina(const std::string& polku, const std::string& kohde) {
  return euro::Virhe(
      euro::virhenro::kayttovirhe,
      euro::ansi("Tiliotetiedosto ") + polku + euro::ansi(" on linkki (symbolinen linkki tai liitos) ") +
          (kohde.empty() ? euro::ansi("tiedostoon, jota ei löydy") : euro::ansi("tiedostoon ") + kohde) +
          euro::ansi(". Sitä ei siirretty eikä paloiteltu: TUODUT-kansioon siirretty linkki katkeaisi, ja "
                     "pankkiohjelma kirjoittaisi edelleen alkuperäiseen tiedostoon. Anna paloiteltavaksi "
                     "tiedostoksi linkin kohde (asetuksissa tai komentorivillä) tai aseta pankkiohjelma "
                     "kirjoittamaan tiliotetiedosto suoraan tähän nimeen."));
}

// A refused statement file goes aside under its own name into TUODUT, so that the bank
// program starts a fresh file and the next day's statements are split; it is never split or
// removed, and nothing waits for it. Answers where it went, or none with why it stayed in
// mikset.
std::optional<std::string> siirraSivuun(const std::string& polku, const std::string& leima, std::string& mikset) {
  using euro::ansi;
  try {
    if (alusta::linkinKohde(polku)) {
      mikset = ansi("Tiedosto on linkki, joten se jätettiin paikalleen.");
      return std::nullopt;
    }
    const std::string tuodut = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
    if (!varmistaHakemisto(tuodut)) {
      mikset = ansi("Se jätettiin paikalleen, koska hakemistoa ") + tuodut + ansi(" ei voitu luoda.");
      return std::nullopt;
    }
    const std::string nimi = euro::fe_PaljasTiedosto(polku);
    for (int n = 1; n <= 99; ++n) {
      const std::string uusi = tuodut + sep + tuotuNimi(leima, n, nimi) + ".hylatty";
      if (alusta::pituusJosOn(uusi) || euro::fe_OnkoHakemisto(uusi)) continue;
      alusta::Siirto siirto;
      try {
        siirto = alusta::siirraJosVapaa(polku, uusi);
      } catch (const euro::Virhe& v) {
        if (v.numero() == euro::virhenro::tiedostoOnJo) continue;  // taken meanwhile
        throw;
      }
      if (siirto == alusta::Siirto::auki) {
        mikset = ansi("Pankkiohjelma kirjoittaa sitä vielä, joten se jätettiin paikalleen.");
        return std::nullopt;
      }
      alusta::tallennaHakemisto(tuodut);
      return uusi;
    }
    mikset = ansi("Se jätettiin paikalleen: TUODUT-kansiossa ei ollut vapaata nimeä.");
  } catch (...) {
    mikset = ansi("Se jätettiin paikalleen, koska sitä ei voitu siirtää: ") + euro::nykyinenVirhe().viesti();
  }
  return std::nullopt;
}


}  // namespace

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

namespace {

// The run's lines in the history of the data directory (its statements' lines are written as
// its split completes). A failure is reported, and the split's result stands.
void kirjaaHistoriaan(const PaloitteluAsetukset& a, const PaloitteluTulos& tulos, const alusta::Aika& aika) {
  const std::string& data = euro::ohjelma().datahakemisto;
  if (data.empty() || !historia::kirjataanko(tulos)) return;
  try {
    historia::kirjaa(data, historia::merkinta(a, tulos, aika), aika);
  } catch (...) {
    historia::kerroKirjoitusvirhe();
  }
}

// One run as a pipeline: each step either passes, or ends the run with its Loppu.
class Ajo {
 public:
  Ajo(const PaloitteluAsetukset& a, Kysymykset& kysymykset, const Kello& kello)
      : a_(a), kysymykset_(kysymykset), kello_(kello), tilikirja_(kello()) {
    t_.polku = a.tiliotetiedosto;
    kirjuri_.kunValmis([this](const Muoto& m, const KirjanOtsikko& o, const std::string& arkisto, std::uint64_t alku,
                              bool oma) {
      // This run's check, beside its split, has passed every statement by now.
      if (oma) tilikirja_.odotaTarkastus();
      tilikirja_.kirjaa(m, oma ? a_ : asetuksetOtsikosta(o), arkisto, arkisto, o.kohde,
                        oma ? tilikirja_.ohitettavat() : o.ohitettavat, alku, oma);
    });
  }

  // The history could not be written in this run: reported already.
  bool historiaEpaonnistui() const { return tilikirja_.epaonnistui(); }

  PaloitteluTulos aja() {
    // Before its own checks: the statement file's folder may hold journals of cut-off splits.
    if (!t_.polku.empty()) t_.viimeistellyt = kirjuri_.viimeistele(euro::fe_PaljasHakemisto(t_.polku));
    try {
      std::string kohde;
      std::unique_ptr<Paloittelija> jako;
      const Muoto* muoto = nullptr;
      if (tiedostoOn() && kohdeOn(kohde) && hyvaksytty(muoto, jako, kohde)) {
        if (!alusta::voikoKirjoittaa(kohdeKansio(kohde))) throw eiKirjoitettava(kohdeKansio(kohde));
        if (!a_.arkistoi) jaaPaikallaan(*muoto, *jako, kohde);
        else arkistoiJaJaa(*muoto, *jako, kohde);
      }
    } catch (...) {
      euro::Virhe virhe = euro::nykyinenVirhe();
      kirja_.sulje();
      if (jaiKesken(kirjanPolku_)) virhe = euro::Virhe(virhe.numero(), virhe.viesti() + ilmoitus::keskenJai());
      euro::fe_Virhe(virhe, euro::paikka::paloittele);
      t_.virhe = virhe.viesti();
      t_.loppu = Loppu::epaonnistui;
    }
    t_.valmis = t_.loppu == Loppu::paloiteltu;
    // What the statements say is told of a split that delivered them.
    if (t_.valmis) {
      ilmanAvainta();
      for (std::string& l : tilikirja_.lauseet()) t_.katsottavaa.push_back(std::move(l));
    } else {
      t_.toimitettuja = t_.huomioita = 0;
    }
    return std::move(t_);
  }

 private:
  bool loppuu(Loppu l) {
    t_.loppu = l;
    return false;
  }

  // The statement file is there, is no link when it is to be archived, and has a path the split takes.
  bool tiedostoOn() {
    const std::string& polku = t_.polku;
    // Before anything moves; a link that leads nowhere is told too, not taken for no file.
    if (a_.arkistoi) {
      std::optional<std::string> linkki;
      try {
        linkki = alusta::linkinKohde(polku);
      } catch (const euro::Virhe&) {
        // A path no file can have: told below as a missing file.
      }
      if (linkki) throw linkkina(polku, *linkki);
    }
    if (!euro::fe_OnkoTiedosto(polku)) return loppuu(Loppu::eiTiedostoa);
    if (polku.find(std::string(2, sep)) != std::string::npos) return loppuu(Loppu::verkkopolku);
    return true;
  }

  // The target folder, made when the office says so; kohde ends with the separator.
  bool kohdeOn(std::string& kohde) {
    if (euro::trimmaa(a_.kohdehakemisto).empty()) {
      kohde = euro::fe_PaljasHakemisto(t_.polku) + sep;
    } else {
      kohde = a_.kohdehakemisto;
      if (kohde.empty() || kohde.back() != sep) kohde += sep;
      if (!euro::fe_OnkoHakemisto(kohde)) {
        t_.kysyttiin = true;
        t_.puuttuva = kohde;
        if (!kysymykset_.luodaankoHakemisto(kohde)) return loppuu(Loppu::kohdettaEiLuotu);
        // Named as making it left it, without its separator.
        if (!euro::fe_LuoHakemisto(kohde)) {
          t_.puuttuva = kohde;
          return loppuu(Loppu::kohdeEiLuotavissa);
        }
        t_.puuttuva.clear();
      }
    }
    // Making the folder may have taken its separator.
    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    t_.kohdehakemisto = kohde;
    return true;
  }

  // The format checks the file before it is archived or anything is written; a refused file
  // goes aside.
  bool hyvaksytty(const Muoto*& muoto, std::unique_ptr<Paloittelija>& jako, const std::string& kohde) {
    muoto = &muotoTiedostolle(t_.polku);
    // The ledger's check rides on the format's own walk where it can.
    tarkastaja_ = tilikirja_.tarkastaja(*muoto, a_, kohde, t_.toimitettuja, t_.huomioita);
    jako = muoto->tarkistaLuetellen(t_.polku, a_, t_.syy, tarkastaja_, lueteltu_);
    if (jako) {
      t_.syy.clear();
      tilikirja_.tarkastaLoppuun(*muoto, a_, t_.polku, jako->sarjoilleLisaa());
      return true;
    }
    if (const std::optional<std::string> sivuun = siirraSivuun(t_.polku, aikaleima(kello_()), t_.mikset))
      t_.siirrettySivuun = *sivuun;
    // Refused again every day until someone acts: the log keeps it beside the failures.
    t_.loppu = Loppu::hylatty;
    if (!euro::ohjelma().datahakemisto.empty()) {
      const ilmoitus::Viesti v = *ilmoitus::lopusta(t_);
      euro::kirjaaVirhelokiin(v.otsikko + ": " + v.teksti);
    }
    return false;
  }

  std::string kohdeKansio(const std::string& kohde) const {
    return kohde.size() > 1 ? kohde.substr(0, kohde.size() - 1) : kohde;
  }

  // Another folder's split into the target is finished or waited for.
  bool kohdeVapaa(const std::string& kohde, const std::string& tuodut) {
    const auto v = kirjuri_.vapauta(kohde, {kirjanTaysiPolku(tuodut)}, t_.viimeistellyt);
    if (!v) return true;
    t_.varaaja = *v;
    return loppuu(Loppu::kohdeVarattu);
  }

  // Statements without a key go to one file whatever company they are of: the office looks.
  void ilmanAvainta() {
    const Yhteenveto& y = t_.yhteenveto;
    if (y.ilmanAvainta == 0) return;
    const Yksikko yks = muotoYhteenvedolle(y).yksikko();
    auto maara = [&](std::int64_t n) { return std::to_string(n) + " " + euro::ansi(n == 1 ? yks.yksi : yks.monta); };
    std::int64_t nimetty = 0;
    for (const TiedostonYhteenveto& f : y.tiedostot) {
      if (f.ilmanAvainta == 0) continue;
      nimetty += f.ilmanAvainta;
      t_.katsottavaa.push_back(euro::ansi("Tiedostoon ") + f.polku + euro::ansi(" meni ") + maara(f.ilmanAvainta) +
                               euro::ansi(" ilman avainta (paloitteluehdon kohta on tyhjä): eri yritysten tiliotteet "
                                          "voivat olla siinä sekaisin. Tarkista paloitteluehto ja tiedosto."));
    }
    if (y.ilmanAvainta > nimetty)
      t_.katsottavaa.push_back(maara(y.ilmanAvainta - nimetty) +
                               euro::ansi(" ilman avainta meni muihin tiedostoihin. Tarkista paloitteluehto."));
  }

  void jaaPaikallaan(const Muoto& muoto, Paloittelija& jako, const std::string& kohde) {
    if (!kohdeVapaa(kohde, euro::fe_PaljasHakemisto(t_.polku) + sep + "TUODUT")) return;
    // The ledger's check reads on a thread of its own while the split writes: a unit waits
    // only for its own verdict.
    if (!lueteltu_) tilikirja_.tarkastaRinnalla(muoto, a_, t_.polku, tarkastaja_);
    try {
      jako.jaa(t_.polku, kohde, t_.yhteenveto, tilikirja_.ohitettavat());
    } catch (...) {
      tilikirja_.peruTarkastus();
      throw;
    }
    tilikirja_.odotaTarkastus();
    tilikirja_.kirjaa(muoto, a_, t_.polku, "", tilikirja_.kohde(), tilikirja_.ohitettavat(), 0, true);
    t_.loppu = Loppu::paloiteltu;
  }

  KirjanOtsikko otsikko(const Muoto& muoto, const std::string& tuodut, const std::string& kohde) const {
    // Full, so that the journal means the same folder whatever the next run's own folder is.
    return otsikkoAsetuksista(a_, muoto.nimi(), tuodut, taysiPolku(kohde));
  }

  // The journal exists, on the disk, before the statement file moves; it holds the name.
  std::string varaa(KirjanOtsikko& o, const std::string& kohde) {
    try {
      return kirjuri_.varaa(kirja_, o, aikaleima(kello_()), euro::fe_PaljasTiedosto(t_.polku));
    } catch (const euro::Virhe& v) {
      // The target's marker is made first of all in the target: refused there, nothing was done.
      if (v.numero() == euro::virhenro::lupaEvatty && v.viesti().find(o.kohde) != std::string::npos)
        throw eiKirjoitettava(kohdeKansio(kohde));
      throw;
    }
  }

  void arkistoiJaJaa(const Muoto& muoto, Paloittelija& jako, const std::string& kohde) {
    const std::string tuodut = euro::fe_PaljasHakemisto(t_.polku) + sep + "TUODUT";
    if (!lueteltu_) {
      // A ledger that cannot be read, or settings that name no file, stop the run before
      // anything is made or moved: the ledger is read, and the first statement named, now.
      tilikirja_.lataa();
      struct Nimetty {};
      try {
        muoto.tiliotteet(t_.polku, a_, 0, [](const Tiliote&) { throw Nimetty{}; });
      } catch (const Nimetty&) {
      }
    }
    if (!varmistaHakemisto(tuodut)) {
      t_.puuttuva = tuodut;
      loppuu(Loppu::tuodutEiLuotavissa);
      return;
    }
    KirjanOtsikko o = otsikko(muoto, tuodut, kohde);
    // A check that rode on the format's walk has ended: the header holds what it passed over.
    // Else the check reads the archive beside the split, and each record declares its segment's.
    if (lueteltu_) o.ohitettavat = tilikirja_.ohitettavat();
    else o.ohitettavatJaksoissa = true;
    const std::string arkisto = varaa(o, kohde);
    kirjanPolku_ = arkisto + std::string(kirjannimi::kesken);
    // Its own marker is made; now another folder's split into the target is finished or
    // waited for, before the statement file moves.
    if (!kohdeVapaa(o.kohde, tuodut) || !siirretty(arkisto, tuodut)) {
      luovu();
      return;
    }
    alusta::tallennaHakemisto(tuodut);
    t_.yhteenveto.arkistoitu = arkisto;
    if (o.ohitettavatJaksoissa) {
      tilikirja_.tarkastaRinnalla(muoto, a_, arkisto, tarkastaja_);
      o.ohitettavat = tilikirja_.ohitettavat();
    }
    try {
      kirjuri_.jaa(kirja_, muoto, jako, o, arkisto, kohde, t_.yhteenveto);
    } catch (...) {
      tilikirja_.peruTarkastus();
      throw;
    }
    kirjanPolku_.clear();
    t_.loppu = Loppu::paloiteltu;
  }

  // Nothing was written: this run's journal goes.
  void luovu() {
    kirja_.poista();
    kirjanPolku_.clear();
  }

  // The statement file moved to the archive's name, unless another program writes it or another
  // run took it.
  bool siirretty(const std::string& arkisto, const std::string& tuodut) {
    alusta::Siirto siirto;
    try {
      siirto = alusta::siirraJosVapaa(t_.polku, arkisto);
    } catch (const euro::Virhe& v) {
      if (v.numero() == euro::virhenro::eriAsema) {
        luovu();
        throw euro::Virhe(v.numero(), ilmoitus::eriAsemalla(tuodut, t_.polku));
      }
      // Found a moment ago, gone now: another run has taken it.
      if (v.numero() != euro::virhenro::tiedostoaEiLoydy) {
        luovu();
        throw;
      }
      return loppuu(Loppu::toinenAjo);
    }
    if (siirto == alusta::Siirto::auki) return loppuu(Loppu::tiedostoAuki);
    return true;
  }

  const PaloitteluAsetukset& a_;
  Kysymykset& kysymykset_;
  const Kello& kello_;
  PaloitteluTulos t_;
  Kirjuri kirjuri_{&t_.keskeneraisia, &t_.yhteenveto.huomautukset, a_.saadot};
  Paivakirja kirja_;
  std::string kirjanPolku_;  // while this run's journal may be on the disk
  Tilikirja tilikirja_;
  // The ledger's check of this run's statements: on the format's check walk, or a walk of its own.
  std::function<void(const Tiliote&)> tarkastaja_;
  bool lueteltu_ = false;  // the ledger's check came with the format's
};

// The window's question, in a message box.
class Viestikysymykset : public Kysymykset {
 public:
  bool luodaankoHakemisto(const std::string& kohde) override {
    const ilmoitus::Viesti v = ilmoitus::luodaankoHakemisto(kohde);
    return euro::viesti(v.teksti, v.otsikko, v.tyyli) == euro::vastaus::kylla;
  }
};

}  // namespace

PaloitteluTulos suorita(const PaloitteluAsetukset& a, Kysymykset& kysymykset, const Kello& kello) {
  const alusta::Aika alkoi = kello();
  Ajo ajo(a, kysymykset, kello);
  PaloitteluTulos tulos = ajo.aja();
  auto keraa = [&](std::vector<std::string>& k) {
    for (std::string& s : k) tulos.katsottavaa.push_back(std::move(s));
    k.clear();
  };
  for (Viimeistelty& v : tulos.viimeistellyt) keraa(v.yhteenveto.katsottavaa);
  keraa(tulos.yhteenveto.katsottavaa);
  if (!ajo.historiaEpaonnistui()) kirjaaHistoriaan(a, tulos, alkoi);
  // What needs a look is kept beside the failures, where the office looks for what went wrong.
  if (!euro::ohjelma().datahakemisto.empty())
    for (const std::string& k : tulos.katsottavaa) euro::kirjaaVirhelokiin(ilmoitus::otsikkoTarkista + ": " + k);
  return tulos;
}

PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello) {
  Viestikysymykset kysymykset;
  PaloitteluTulos tulos = suorita(a, kysymykset, kello);
  if (const std::optional<ilmoitus::Viesti> v = ilmoitus::lopusta(tulos)) euro::viesti(v->teksti, v->otsikko, v->tyyli);
  return tulos;
}

}  // namespace split
