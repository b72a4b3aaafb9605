// A run's statements and the ledger (historia.h): their check against it before the split
// writes (passed over as delivered before, or told of for their series), and their lines in it
// once a split's company files are complete. The ledger is read once a run, when first asked.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/historia.h"
#include "split/jatkuvuus.h"
#include "split/kesken.h"
#include "split/tiliote.h"
#include "split/varasto.h"

namespace split {

class Muoto;

class Tilikirja {
 public:
  explicit Tilikirja(const alusta::Aika& aika);

  // The check of a run's statements (bound for the target kohde) against the ledger, a
  // statement at a time: counts what is passed over and what is told in toimitettuja and
  // huomioita, which must outlive it. A format whose own check walks the file gives them to it
  // there; for the others tarkasta walks the file with it, before anything is written.
  std::function<void(const Tiliote&)> tarkastaja(const Muoto& muoto, const PaloitteluAsetukset& a,
                                                 const std::string& kohde, std::int64_t& toimitettuja,
                                                 std::int64_t& huomioita);
  void tarkasta(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                const std::function<void(const Tiliote&)>& tarkastaja);
  // The ledger read now, if it was not: throws when it cannot be.
  void lataa() { jatkuvuus(); }
  // What the check a statement at a time could not do, once the format's check has ended with
  // the file accepted: thrown (the ledger unreadable), or done now by parts of the series (more
  // of them than their memory's bound).
  // lisaa: memory the split leaves the parts past the format's bound.
  void tarkastaLoppuun(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                       std::size_t lisaa = 0);
  // The check on a thread of its own while the split writes, the format's check
  // having accepted the file: ohitettavat() then answers for a statement once the check has
  // passed it. In order, as tarkasta, under the tests' fault hook (which needs the calls in one
  // order) or when no thread can be had.
  void tarkastaRinnalla(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                        const std::function<void(const Tiliote&)>& tarkastaja);
  // The check begun beside the split, waited for: throws what stopped it.
  void odotaTarkastus();
  // A check beside a split that failed: stopped and waited for.
  void peruTarkastus() noexcept;
  ~Tilikirja();

  // The ranges passed over, for the split and its journal's header.
  const Ohitettavat& ohitettavat() const;
  // The target as the ledger names it: full, ending with the separator.
  const std::string& kohde() const { return kohde_; }

  // A split's statements into the ledger, a line each, from where the ledger's lines of its
  // archive end (an archive is split once, by its journal; a file split in place is a new one
  // every time): oma, this run's own split, with what its check found; else a cut-off split
  // finished now, its statements known to the series as delivered. A failure is reported once,
  // and the split stands.
  void kirjaa(const Muoto& m, const PaloitteluAsetukset& a, const std::string& tiedosto, const std::string& arkisto,
              const std::string& kohde, const Ohitettavat& ohita, std::uint64_t alku, bool oma);

  // The sentences of what the statements say, up to a bound and then how many more.
  std::vector<std::string> lauseet();
  // Writing the history failed in this run: reported already.
  bool epaonnistui() const { return epaonnistui_; }

 private:
  // What the check found, kept within bounds: by where a statement begins, its sentences for
  // the office (the first lauseitaEnintaan) and its note for the ledger's line.
  struct Loydetyt {
    std::int64_t toimitettuja = 0, huomioita = 0;
    std::map<std::pair<std::uint64_t, std::size_t>, std::string> lauseet;
    std::size_t lauseita = 0;
    std::map<std::uint64_t, std::string> huomiot;
    Ohitettavat ohita;  // a part's ranges; the whole check's are ohitettavat_
    void lisaa(Loydetyt&& o);
  };
  Jatkuvuus& jatkuvuus();
  void tarkastaYksi(const Tiliote& t);
  void kirjaaArvio(const Tiliote& t, const Jatkuvuus::Arvio& arvio, Loydetyt& l, bool osa);
  // The check again from the file's start, a part of the series at a time.
  void tarkastaOsissa(const Muoto& muoto, const PaloitteluAsetukset& a, const std::string& polku,
                      const std::atomic<bool>* seis, std::size_t lisaa = 0);
  // Changes the check's ranges: under the lock where the split reads them as they grow.
  template <class F>
  void ohitettaviin(const F& f);
  void heitaVirhe() {
    if (virhe_) std::rethrow_exception(std::exchange(virhe_, nullptr));
  }
  class Rinnalla;
  // The check beside the split joined and dropped: what stopped it, if anything.
  std::exception_ptr paataTarkastus() noexcept;

  alusta::Aika aika_;
  Jatkuvuus jatkuvuus_;
  bool ladattu_ = false;
  bool epaonnistui_ = false;
  std::string kohde_;
  std::uint64_t loppu_ = 0;  // where the last statement checked ended
  Ohitettavat ohitettavat_;
  Loydetyt l_;
  std::int64_t* toimitettuja_ = nullptr;  // the run's counts, kept equal to l_'s
  std::int64_t* huomioita_ = nullptr;
  std::size_t sarjoilleMuistia_ = 0;  // the bound of the series' memory in this run's check
  bool osissa_ = false;  // past it: the check goes again by parts
  std::uint64_t ylivuoto_ = 0;  // how far into the file the series went past it
  // The bytes of the ledger's own series before the file's first statement; past any bound
  // (all ones) when those alone went past it.
  std::size_t historiaa_ = 0;
  // This run's own lines, made by the check (their archive put in when named); when they
  // could not be kept, the file is read again for them.
  std::unique_ptr<Varasto> rivit_;
  // By parts, the borders of the parts' lines in rivit_, each part's in the file's order and
  // keyed by where its statement begins; none when the check went in one pass.
  std::vector<std::uint64_t> osienRajat_;
  std::string avain_;  // a statement's company file, its memory kept
  std::string osanRivi_;  // a part's line with its key, its memory kept
  std::optional<historia::TilioteRivit> tekstit_;  // the check's lines
  std::exception_ptr virhe_;
  std::unique_ptr<Rinnalla> rinnalla_;  // the check beside the split, until waited for
};

// The ranges a cut-off split's own check passed over in its archive (o: its journal's header),
// found by that check again: the ledger holds no line of the target that it did not hold then,
// as the cut-off split wrote none and any other split into the target finishes it first.
Ohitettavat tarkastaUudelleen(const Muoto& muoto, const KirjanOtsikko& o, const std::string& arkisto);

// A path as the ledger keeps it: full, so that every run names an archive alike.
std::string taysiPolku(const std::string& polku);

}  // namespace split
