// The TITO split that archives, as one class over the window (ikkuna.h): the segments
// declared in the journal (osittaja.cpp) and the finishing of a cut-off one (viimeistely.cpp).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "split/hajautus.h"
#include "split/kesken.h"
#include "split/paloittele.h"
#include "split/tito/ikkuna.h"
#include "split/tito/jako.h"
#include "split/tito/kohdenimet.h"
#include "split/tito/nimi.h"
#include "split/tito/pidatys.h"
#include "split/tito/vertaaja.h"

namespace split::tito {

// A segment's bounds, the settings' own or the built-in ones.
struct Rajat {
  std::size_t tiedostoja;
  std::uint64_t tavuja;
  std::size_t eratEdella;
  explicit Rajat(const PaloitteluAsetukset::Saadot::Jaksot& j)
      : tiedostoja(j.tiedostoja ? j.tiedostoja : 2048), tavuja(j.tavuja ? j.tavuja : 16 * 1024 * 1024),
        // The window keeps the next batch's T00 line named: at least one more must fit.
        eratEdella(j.ennakko ? std::max<std::size_t>(j.ennakko, 2) : 4096) {}
};

// A segment being split: a company file's length as it grows, and how many of its batches to
// pass over. Its name is the same place in the segment's list of names.
struct JaksonTiedosto {
  std::uint64_t pituus = 0;
  std::uint64_t ohitetaan = 0;
  std::uint64_t nahty = 0;
  bool uusi = false;  // not in the folder when the split began, nor made since
  std::uint64_t avain = 0;  // the name as the target's known names hash it
  bool toinen = false;      // taken in the place of the file the batches' name gives
  bool tehty = false;       // made by this split: nothing stood at the name when it began
};

class Osittaja : private Ikkuna {
 public:
  Osittaja(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto, const std::string& kohde,
             Yhteenveto& y);

  void jatka(const KirjanOsa& kirjattu, bool rikki, Yhteenveto& y);
  void palautaToimitettu() noexcept;
  void aloita(std::uint64_t alku, Yhteenveto& y);
  void suljeKesken() noexcept { tuloste_.suljeKesken(); }

 private:
  void rajaa(std::uint64_t alku);
  std::optional<jako::Jatko> jatkoKohdassa(std::uint64_t kohta);
  void kerroPidatetysta(Yhteenveto& y);
  void toimitetut();
  void lisaaEhjat(Yhteenveto& y) const;
  [[noreturn]] void virhe(const std::string& miksi) override;
  bool eranRaja(std::uint64_t kohta);
  // Bounded, so that a target of a hundred thousand files costs no more memory than a small
  // one: past the bound the table starts again and a name it lacks is looked at on the disk.
  // tehty: this split made the file, so the name's own file takes its batches; kept once known.
  void tunne(std::uint64_t h, bool tehty) {
    if (tunnetut_.koko() >= tunnettujaEnintaan && !tunnetut_.hae(h)) {
      tunnetut_.tyhjenna();
      kaikkiTunnetaan_ = false;
    }
    std::uint8_t& arvo = tunnetut_.lisaa(h);
    if (tehty) arvo = tehtyTaalla;
  }

  // The segment's company files: names, lengths and a lookup by name.
  void unohdaJakso() {
    tiedostot_.clear();
    jaksonHaku_.tyhjenna();
  }
  std::uint64_t lisaaJaksoon(std::string_view nimi, const JaksonTiedosto& t, std::uint64_t h) {
    const std::uint64_t i = tiedostot_.size();
    tiedostot_.push_back(t);
    // A name's string is used again by the next segments: no allocation per file and segment.
    if (i < nimet_.size()) nimet_[i].assign(nimi);
    else nimet_.emplace_back(nimi);
    jaksonHaku_.lisaa(h) = i;
    return i;
  }
  // The name's place in the segment, or eiArvoa. Two names of one hash stop the split: the
  // journal stays, and nothing is written to the wrong file.
  std::uint64_t jaksossa(std::string_view nimi, std::uint64_t h) {
    const std::uint64_t* i = jaksonHaku_.hae(h);
    if (!i) return Hajautus::eiArvoa;
    if (nimet_[*i] != nimi) virhe("kaksi nimeä samalla tiivisteellä");
    return *i;
  }
  // Whether the batch at kohta was delivered before (the header's ohitettavat); a pass that
  // begins inside a batch (jatko) passes its lines over when that batch was.
  bool ohitetaan(std::uint64_t kohta, const jako::Jatko* jatko) const {
    return o_.ohitettavat.sisaltaa(jatko && kohta == jatko->kohta ? jatko->era : kohta);
  }
  void nimea(std::string_view paa, std::uint64_t kohta) override;
  void nimeaNimella(const std::string& nimi, std::size_t loppuosa, std::uint64_t kohta) override;
  std::unique_ptr<NimenMuodostaja> uusiNimeaja() const override;
  void julista(std::uint64_t kohta);
  void tarkistuspiste();
  void merkitse();
  void jaa(std::uint64_t alku, bool julistaAlussa, Yhteenveto& y);

  // The finishing of a cut-off segment.
  void lueTiedostot(const KirjanOsa& k, Vertaaja& v, std::vector<std::string>& keskenRivin);
  void leikkaaKesken(const KirjanOsa& k, const Vertaaja& v, const std::vector<std::string>& keskenRivin);
  void laskeEhjat(const KirjanOsa& k, const Vertaaja& v);
  void laajennaRikottuun(KirjanOsa& k);
  static std::uint64_t omaaLopussa(const std::string& polku, std::uint64_t pituus, const std::string& c);

  Kirjaus& kirja_;
  const KirjanOtsikko& o_;
  Yhteenveto& y_;
  Yhteenveto toimitettu_;  // the summary as of the journal's last record
  std::vector<TiedostonYhteenveto> ehjat_;  // found whole in finishing a cut-off segment
  PaloitteluAsetukset a_;
  Rajat rajat_;
  std::string kohde_;  // the target as this run names it, ending with the separator
  Kohdenimet kohdenimet_;
  std::int32_t posAlku_ = 0, posLoppu_ = 0;
  std::uint64_t pituus_ = 0;          // the archive's length when opened
  bool kasvaa_ = true;
  tito::Pidatys pidatys_{~std::uint64_t{0}, false, std::nullopt};
  std::string kohdeKansio_;
  jako::Kirjoittaja tuloste_;
  // The target's names as hashes, tehtyTaalla for the files this split made: a byte each, as
  // the table of up to tunnettujaEnintaan names is a large part of the run's peak.
  HajautusT<std::uint8_t> tunnetut_;
  static constexpr std::uint8_t tehtyTaalla = 1;
  static constexpr std::size_t tunnettujaEnintaan = 48 * 1024;
  bool kaikkiTunnetaan_ = true;  // tunnetut_ holds every name of the target: one it lacks is not there
  // The segment.
  std::vector<JaksonTiedosto> tiedostot_;
  std::vector<std::string> nimet_;  // the first tiedostot_.size() are the segment's names
  Hajautus jaksonHaku_;
  std::uint64_t jaksonLoppu_ = 0;
  JaksonTiedosto* edellinen_ = nullptr;  // the file of the batch being written
  std::string nimi_;
  std::unique_ptr<NimenMuodostaja> nimeaja_;
  const jako::Jatko* jatko_ = nullptr;  // of the writing pass, while it runs
};

}  // namespace split::tito
