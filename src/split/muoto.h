// A statement format, one unit behind this interface: how its files are recognised, checked,
// split (in place, or archived under the journal), how a cut-off split of it is finished, and
// its preview. Each format lives in a folder of its own under split/ and is one row of the
// table in muodot.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/paloittele.h"
#include "split/tiliote.h"

namespace split {

// What a split of the format counts, as the summary and the history say it.
struct Yksikko {
  const char* yksi;     // one
  const char* monta;    // many, after a number
  const char* puuttuu;  // what a file that holds none lacks, in the partitive plural
  bool riveja;          // whether lines are counted too
  // Said before the count of lines passed over ahead of the first batch (Yhteenveto::ohitetutRivit):
  // none for a format that passes none over.
  const char* ohitettu = nullptr;
};

// A statement file that passed its format's check, ready to split.
class Paloittelija {
 public:
  virtual ~Paloittelija() = default;
  // In place, into kohde (ending with the separator), passing over the units that begin in
  // ohita. Throws euro::Virhe on failure.
  virtual void jaa(const std::string& polku, const std::string& kohde, Yhteenveto& y,
                   const Ohitettavat& ohita = {}) = 0;
  // The archive from its start under the journal, which goes when the split completes, passing
  // over the units that begin in o.ohitettavat. kohde is o.kohde's folder as this run names it.
  virtual void jaaKirjanKanssa(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                               const std::string& kohde, Yhteenveto& y) = 0;
  // The memory this split leaves the ledger's check past the format's bound (Muoto::
  // sarjoilleMuistia), when its check kept less than it may.
  virtual std::size_t sarjoilleLisaa() const { return 0; }
};

class Muoto {
 public:
  virtual ~Muoto() = default;
  // The name in the journal's header and in the history.
  virtual std::string_view nimi() const = 0;
  virtual Yksikko yksikko() const = 0;
  // Whether the statement file is of this format; the table's last row takes every file.
  virtual bool tunnista(const std::string& polku) const = 0;
  // The check before anything is archived or written: the split, or none with the reason in
  // syy (Finnish, with the place).
  virtual std::unique_ptr<Paloittelija> tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                                         std::string& syy) const = 0;
  // The check, giving anna the statements as tiliotteet gives them in the same walk where the
  // format can (lueteltu then true): a file walked once for both. Else the check alone.
  virtual std::unique_ptr<Paloittelija> tarkistaLuetellen(const std::string& polku, const PaloitteluAsetukset& a,
                                                          std::string& syy,
                                                          const std::function<void(const Tiliote&)>& /*anna*/,
                                                          bool& lueteltu) const {
    lueteltu = false;
    return tarkista(polku, a, syy);
  }
  // Finishes a cut-off split from its journal's last record, the journal removed at the end;
  // answers what was written, y gets the files.
  virtual std::int64_t viimeistele(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                   const KirjanOsa& viimeinen, Yhteenveto& y) const = 0;
  // The letter of the journal's line that keeps a company file's own state for this format
  // (KirjanOsa::Tiedosto::tila), 0 for a format that keeps none; and whether a state is one
  // the format writes (the journal refuses to write or read any other).
  virtual char tilanTunnus() const { return 0; }
  virtual bool tilaKelpaa(const KirjanOsa::Tiedosto& /*f*/) const { return false; }
  // Whether what reaches an archive after its split can be split by a later run, from where the
  // split ended (a finished journal is then kept as the archive's marker).
  virtual bool jatkaaKasvanutta() const { return false; }
  // Where the split of what reached the archive after loppu (up to pituus) begins; none while
  // it cannot be told yet. Bytes passed over are told in huomautukset. o: the split's header,
  // whose settings the bytes are checked by where the format checks before writing; what it
  // refuses throws euro::Virhe, before any journal is made.
  virtual std::optional<std::uint64_t> jatkonAlku(const std::string& /*arkisto*/, const KirjanOtsikko& /*o*/,
                                                  std::uint64_t /*loppu*/, std::uint64_t /*pituus*/,
                                                  std::vector<std::string>* /*huomautukset*/) const {
    return std::nullopt;
  }
  // The statements of the file from byte alku on, in order: each whole one its split delivers
  // (a unit it holds back is not among them), with its identity where the format has one and its
  // company file's name as the naming rule gives it. Throws euro::Virhe when it cannot be read.
  virtual void tiliotteet(const std::string& /*polku*/, const PaloitteluAsetukset& /*a*/, std::uint64_t /*alku*/,
                          const std::function<void(const Tiliote&)>& /*anna*/) const {}
  // The bytes the ledger's check may keep of its series at once, beside what the format's own
  // split holds at its peak; past them the check reads the file again by parts.
  static constexpr std::size_t sarjoilleMuistiaOletus = 1024 * 1024;
  virtual std::size_t sarjoilleMuistia() const { return sarjoilleMuistiaOletus; }
  // The split-condition preview, whole lines with CR LF, in pieces. A file the format refuses
  // throws HylattyTiedosto (esikatselu.h) with the reason; a failure to read, euro::Virhe.
  virtual void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                          const std::function<void(const std::string&)>& ulos) const = 0;
};

// The format of a statement file: the first row that recognises it. Throws euro::Virhe when
// the file cannot be read.
const Muoto& muotoTiedostolle(const std::string& polku);
// Whether a row that recognises its own files (any but the last) takes this one: then no other
// format's statements go into it. Throws euro::Virhe when the file cannot be read.
bool omaaMuotoa(const std::string& polku);

// The table's rows in order; the last takes every file that no row before it recognises.
std::span<const Muoto* const> kaikkiMuodot();

// The format of a journal's header; none for a name no row has.
const Muoto* muotoNimella(std::string_view nimi);

// The format a summary speaks of: the one split, or the table's last row before any was.
const Muoto& muotoYhteenvedolle(const Yhteenveto& y);

}  // namespace split
