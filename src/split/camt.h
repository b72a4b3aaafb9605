// ISO 20022 XML statements (bank-to-customer account report, statement and notification):
// the file checked whole, then every statement copied byte for byte into its company's document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/paloittele.h"

namespace split::camt {

// Whether the statement file holds XML: its first byte after an optional UTF-8 byte-order mark
// and white space is "<". Throws euro::Virhe when the file cannot be read.
bool onXml(const std::string& polku);

// The file checked whole, as the split would read it: well-formed, every document a statement
// message, every statement carrying the chosen key, every file name good. Empty when it passes,
// otherwise the reason in Finnish with the place. Throws euro::Virhe when it cannot be read.
// pituus, when given, receives the length that was checked.
std::string tarkista(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t* pituus = nullptr);

// A split that archives keeps its journal: the journal's offset is where the next document
// begins, and the undo records of the document in progress lie in a file beside it.
struct Kirjanpito {
  std::string kumoamisloki;
  std::function<void(std::uint64_t)> edistyi;  // a document is complete; the next begins here
};

// The split of a checked file into kohde (ending with the separator). Every statement goes to
// its company's document: a new file, the existing one extended before its closing tags, or,
// when that one cannot take them, the next free name "-2", "-3", ... before the suffix. Throws
// euro::Virhe on failure. A file whose length is no longer tarkistettu is checked again first.
void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         std::uint64_t tarkistettu, const Kirjanpito* kirja = nullptr);

// Finishes a cut-off split from the document at kohta: what that document had written is
// undone first, so every statement lands exactly once. Answers the statements written.
std::int64_t viimeistele(const std::string& arkisto, const std::string& kohde, const PaloitteluAsetukset& a,
                         std::uint64_t kohta, const Kirjanpito& kirja);

// The split of an archived, checked file under the split's journal (format "XML"): a record
// after every document, the undo records beside it; the journal goes when the split completes.
void jaaKirjanKanssa(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     std::uint64_t tarkistettu, Yhteenveto& y);

// Finishes a cut-off XML split from its journal's last record; the journal goes at the end.
// Answers the statements written.
std::int64_t viimeisteleKirjasta(Paivakirja& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                 const KirjanJakso& viimeinen);

// The preview: one line per statement with its place, every key's candidate, the period,
// the chosen key marked. No trap; a file that does not pass throws euro::Virhe with the reason.
void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                const std::function<void(const std::string&)>& ulos);

// The size of the read buffers; 0 gives back the default. Tests make it small.
void asetaPuskurinKoko(std::size_t koko);

}  // namespace split::camt
