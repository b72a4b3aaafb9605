// The journal's owner: its names (kesken.h), its making under the archive's name, the adoption
// and finishing of a cut-off one, the target's markers and the end of a split under it. A
// format's split only records its segments (Kirjaus); the run (paloittele.h) asks this.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/paloittele.h"

namespace split {

class Paloittelija;
class Muoto;

class Kirjuri {
 public:
  // jai counts the journals that could not be finished (each reported through fe_Virhe);
  // huomautukset gets what cannot be split; saadot: how the finishing splits read and segment.
  Kirjuri(int* jai, std::vector<std::string>* huomautukset, const PaloitteluAsetukset::Saadot& saadot)
      : jai_(jai), huomautukset_(huomautukset), saadot_(saadot) {}

  // Told of every split under a journal once its company files are written, before the journal
  // goes: its format, header and archive, where in the archive it began, and whether it is this
  // run's own. The ledger's lines are written there: a kill before leaves them to the run that
  // finishes the journal, so that none is lost.
  using Valmiina = std::function<void(const Muoto&, const KirjanOtsikko&, const std::string& arkisto,
                                      std::uint64_t alku, bool oma)>;
  void kunValmis(Valmiina f) { valmiina_ = std::move(f); }

  // Finishes every cut-off split whose journal (TUODUT/<archive>.kesken) lies in the statement
  // folder and is not held by a live split; then splits what reached an archive after its split,
  // where the marker TUODUT/<archive>.jaettu says that split ended.
  std::vector<Viimeistelty> viimeistele(const std::string& tilioteKansio) {
    return viimeisteleKansio(tilioteKansio, {});
  }

  // Splits of other statement folders that hold the target (ohita: the TUODUT folders of this run
  // and of the splits being finished for it): a cut-off one is finished first, into valmiit, so
  // that no batch is written after its cut-off one. None when the target is free.
  std::optional<KohteenVaraaja> vapauta(const std::string& kohde, std::vector<std::string> ohita,
                                        std::vector<Viimeistelty>& valmiit);

  // A new journal in o.tuodut, under the archive's name it reserves (o.arkisto, tuotuNimi):
  // answers the archive's path. Two runs never share one.
  std::string varaa(Paivakirja& kirja, KirjanOtsikko& o, const std::string& leima, const std::string& nimi);

  // The moved archive split under its journal by its format, and the journal finished: removed,
  // or kept as the archive's marker while the archive may grow.
  void jaa(Paivakirja& kirja, const Muoto& muoto, Paloittelija& jako, const KirjanOtsikko& o, const std::string& arkisto,
           const std::string& kohde, Yhteenveto& y);

 private:
  std::vector<Viimeistelty> viimeisteleKansio(const std::string& tilioteKansio, const std::vector<std::string>& ohita);
  void viimeisteleKeskeytyneet(const std::string& tuodut, const std::vector<std::string>& ohita,
                               std::vector<Viimeistelty>& tulos);
  void jatkaKasvaneet(const std::string& tuodut, const std::vector<std::string>& ohita,
                      std::vector<Viimeistelty>& tulos);

  int* jai_;
  std::vector<std::string>* huomautukset_;
  Valmiina valmiina_;
  PaloitteluAsetukset::Saadot saadot_;
};

// The n-th (1 to 99) name of a file moved into TUODUT: the time stamp and its name, or, when a
// run of the same second has it, the time stamp with ".02" to ".99" after its seconds, which
// sorts after it.
std::string tuotuNimi(const std::string& leima, int n, const std::string& nimi);

// A folder that is there, made when it is not: another run may have made it meanwhile, which
// is no failure. False when it cannot be made.
bool varmistaHakemisto(const std::string& hakemisto);

// Whether a journal is left on the disk after a failure (then the next run finishes it).
bool jaiKesken(const std::string& kirjanPolku);

}  // namespace split
