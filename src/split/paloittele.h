// The split run: checks, optional archiving, and every batch appended to its company's file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/hajautus.h"

namespace split {

struct TiedostonYhteenveto {
  // What the run did to the file: made it, grew it, or made it under another name ("-2")
  // because the file of its own name could not take the statements.
  enum class Tila { tuntematon, uusi, jatkettu, toinenNimi };
  std::string polku;
  std::int64_t eria = 0;
  std::int64_t riveja = 0;
  std::int64_t tavuja = 0;        // bytes added
  Tila tila = Tila::tuntematon;   // as the file was when the run first wrote to it
  std::int64_t ilmanAvainta = 0;  // of eria, batches whose key was blank
};

struct Yhteenveto {
  // Per output file, in the order first written, for the first tiedostoraja files; batches
  // for further files are counted in muut, so memory stays bounded whatever the input.
  static constexpr std::size_t tiedostoraja = 1000;
  std::vector<TiedostonYhteenveto> tiedostot;
  TiedostonYhteenveto muut;  // polku empty; eria and riveja of files beyond the limit
  std::int64_t ohitetutRivit = 0;              // lines passed over before the first batch
  std::int64_t ilmanAvainta = 0;               // batches whose key was blank, in every file
  std::string arkistoitu;                      // the archived statement file, if any
  std::string muoto;  // the format split (its unit is what eria counts); empty before one was
  std::vector<std::string> huomautukset;  // files written under another name, and why
  // What the split held back and the office must know of (PaloitteluTulos::katsottavaa).
  std::vector<std::string> katsottavaa;
};

// The summary's files by path, for every format's split: hashes in a small open-addressing
// table, which stays in the cache while tens of thousands of batches go by.
class Tiedostohaku {
 public:
  static constexpr std::size_t eiLoydy = static_cast<std::size_t>(-1);

  // The file's index in tiedostot, or eiLoydy; remembers where a new one would go.
  std::size_t hae(const std::vector<TiedostonYhteenveto>& tiedostot, const std::string& polku) {
    const std::uint64_t h = fnv1a(polku) | 1;  // 0 marks a free place
    std::size_t i = h & (koko - 1);
    while (tiivisteet_[i] != 0) {
      if (tiivisteet_[i] == h && tiedostot[indeksit_[i]].polku == polku) return indeksit_[i];
      i = (i + 1) & (koko - 1);
    }
    vapaa_ = i;
    tiiviste_ = h;
    return eiLoydy;
  }
  // Puts the path last looked for, and not found, at index i.
  void lisaa(std::size_t i) {
    tiivisteet_[vapaa_] = tiiviste_;
    indeksit_[vapaa_] = static_cast<std::uint32_t>(i);
  }
  // The file's entry in y, made when it has none; past the summary's limit, y.muut.
  TiedostonYhteenveto& anna(Yhteenveto& y, const std::string& polku) {
    if (const std::size_t i = hae(y.tiedostot, polku); i != eiLoydy) return y.tiedostot[i];
    if (y.tiedostot.size() >= Yhteenveto::tiedostoraja) return y.muut;
    lisaa(y.tiedostot.size());
    y.tiedostot.push_back({});
    y.tiedostot.back().polku = polku;
    return y.tiedostot.back();
  }

 private:
  static constexpr std::size_t koko = 4096;  // over twice the files the summary keeps
  static_assert(koko > 2 * Yhteenveto::tiedostoraja);
  std::vector<std::uint64_t> tiivisteet_ = std::vector<std::uint64_t>(koko);
  std::vector<std::uint32_t> indeksit_ = std::vector<std::uint32_t>(koko);
  std::size_t vapaa_ = 0;
  std::uint64_t tiiviste_ = 0;
};

// A split that had been cut off, finished from its journal.
struct Viimeistelty {
  std::string arkisto;     // the archived statement file
  bool jatko = false;      // not a cut-off split: what reached the archive after its split
  std::int64_t eria = 0;   // batches or statements written in finishing it
  Yhteenveto yhteenveto;   // the files written in finishing it
};

// Another statement folder's split holds the target: it runs, or it was cut off and could not
// be finished (kesken).
struct KohteenVaraaja {
  std::string kohde;  // the target
  std::string kirja;  // the journal of the split that holds it
  bool kesken = false;
};

// How a run ended. Every end but paloiteltu wrote nothing of the statement file; the fronts
// say each in their own words (ilmoitus.h).
enum class Loppu {
  paloiteltu,
  eiTiedostoa,         // no statement file (a cut-off split may still have been finished)
  verkkopolku,         // a network path (two separators in a row): the settings must change
  kohdettaEiLuotu,     // the target folder is not there, and the office said not to make it
  kohdeEiLuotavissa,   // the target folder is not there and could not be made (puuttuva)
  tuodutEiLuotavissa,  // TUODUT is not there and could not be made (puuttuva)
  hylatty,             // refused by its format's check (syy), moved aside or not (mikset)
  kohdeVarattu,        // another statement folder's split holds the target (varaaja)
  toinenAjo,           // another run moved the statement file meanwhile
  tiedostoAuki,        // another program writes the statement file: left unmoved
  epaonnistui,         // a failure, reported through fe_Virhe
};

struct PaloitteluTulos {
  Loppu loppu = Loppu::epaonnistui;
  std::vector<Viimeistelty> viimeistellyt;  // finished before this run's own split
  int keskeneraisia = 0;                    // journals that could not be finished (reported)
  bool valmis = false;                      // loppu is paloiteltu
  std::string polku;                        // the statement file as the settings give it
  // The folder the split needs that is not there (kohdettaEiLuotu, ...EiLuotavissa).
  std::string puuttuva;
  // Why the format refused the statement file (Finnish, with the place), and, when it could not
  // be moved aside, why (mikset); where it went (TUODUT/<time stamp>-<name>.hylatty), so that
  // the bank program starts a fresh one.
  std::string syy, mikset, siirrettySivuun;
  KohteenVaraaja varaaja;        // kohdeVarattu
  bool kysyttiin = false;        // the office was asked whether to make the target folder
  std::string kohdehakemisto;    // ends with the separator once the checks have passed
  Yhteenveto yhteenveto;
  // Delivered, but something needs the office's look (a batch held back as cut short, ...):
  // each a Finnish sentence naming the file; told in the summary, the window and virhelog.txt,
  // and kolvanto-cli exits with its own status for it.
  std::vector<std::string> katsottavaa;
  std::string virhe;  // epaonnistui: what was reported
  // Statements passed over as delivered before, and those the office is told of in katsottavaa
  // (a gap in the numbers, a number again with other bytes, a broken balance chain).
  std::int64_t toimitettuja = 0, huomioita = 0;
};

// The questions a run asks its front.
class Kysymykset {
 public:
  virtual ~Kysymykset() = default;
  // The target folder is not there: whether to make it.
  virtual bool luodaankoHakemisto(const std::string& kohde) = 0;
};

using Kello = std::function<alusta::Aika()>;

// First finishes every cut-off split whose journal (TUODUT/<archive>.kesken) lies in the
// statement file's folder and is not held by a live split. Answers completed only when the
// whole statement file was read and every file closed. Says nothing of its end (the front does,
// from loppu); failures are reported through fe_Virhe. With archiving, the split keeps a
// journal, locked while it runs and removed when it completes.
PaloitteluTulos suorita(const PaloitteluAsetukset& a, Kysymykset& kysymykset,
                        const Kello& kello = alusta::paikallinenAika);

// suorita with the window's question and words: the question and the end shown in message
// boxes (euro::viesti), as the window does.
PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello = alusta::paikallinenAika);

// Finishes the cut-off splits of the folder's TUODUT journals that no live split holds; a
// journal that cannot be finished is reported through fe_Virhe with its path and kept, and
// counted in jai. Then splits what reached an archive after its split (the bank program
// writing through a handle it held when the file was moved): the completed journal
// TUODUT/<archive>.jaettu says where that split ended, and stays while the archive may grow.
// huomautukset gets what cannot be split there.
// saadot: how the finishing splits read and segment (see PaloitteluAsetukset::Saadot).
std::vector<Viimeistelty> viimeisteleKeskeneraiset(const std::string& tilioteKansio, int* jai = nullptr,
                                                   std::vector<std::string>* huomautukset = nullptr,
                                                   const PaloitteluAsetukset::Saadot& saadot = {});

// "YYYY-MM-DD+HHNNSS-"
std::string aikaleima(const alusta::Aika& t);

}  // namespace split
