// ISO 20022 XML statements (bank-to-customer account report, statement and notification):
// the file checked whole, then every statement copied byte for byte into its company's document.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "split/asetukset.h"
#include "split/kesken.h"
#include "split/paloittele.h"
#include "split/tiliote.h"

namespace split::camt {

// Whether the statement file holds XML, in any encoding: its first character after an optional
// byte-order mark and white space is "<" in UTF-8, UTF-16 or UTF-32 of any byte order, or it
// begins with EBCDIC's "<?xm". Only UTF-8 is read: for any other encoding muuMerkisto, when
// given, gets the reason to refuse the file, naming the encoding, and is emptied otherwise.
// Throws euro::Virhe when the file cannot be read.
bool onXml(const std::string& polku, std::string* muuMerkisto = nullptr);

// The check's walk, kept for the split up to a bound of memory.
struct Indeksi;

// The file checked whole, as the split would read it: well-formed, every document a statement
// message, every statement carrying the chosen key, every file name good. syy is empty when it
// passes, otherwise the reason in Finnish with the place; pituus is the length that was
// checked. The split takes what the check found of the file's documents and statements, so
// that the file is walked once. Throws euro::Virhe when it cannot be read.
struct Tarkistettu {
  std::string syy;
  std::uint64_t pituus = 0;
  std::shared_ptr<Indeksi> indeksi;
};
// With anna, each statement as tiliotteet gives them, from the same walk.
Tarkistettu tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                     const std::function<void(const Tiliote&)>* anna = nullptr);

// The split of a checked file into kohde (ending with the separator). Every statement goes to
// its company's document: a new file, the existing one extended before its closing tags, or,
// when that one cannot take them, the next free name "-2", "-3", ... before the suffix. A
// company document is extended once per segment of the file (whole documents, up to a few
// MiB), not once per input document. Throws euro::Virhe on failure. A file whose length is no
// longer the checked one is checked again first. A statement that begins in ohita is written
// nowhere, and a company file that would get none of them is not made; so too under the journal
// and in finishing, with the header's ohitettavat.
void jaa(const std::string& polku, const std::string& kohde, const PaloitteluAsetukset& a, Yhteenveto& y,
         const Tarkistettu& tarkistettu, const Ohitettavat& ohita = {});

// The split of an archived, checked file under the split's journal (format "XML"): before a
// segment's statements are written its record names every company file with its length and,
// for a document extended, the closing part cut off; the files are flushed before the next
// record, and the journal goes when the split completes.
void jaaOsittain(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                     const Tarkistettu& tarkistettu, Yhteenveto& y);

// Finishes a cut-off XML split from its journal's last record: that segment's files are
// compared with what the segment writes, and only what is missing of it is written (a
// document whose closing part was not yet cut gets it cut first); then the rest of the archive.
// The journal goes at the end. Answers the statements written; y, when given, gets the files.
std::int64_t viimeisteleKirjasta(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                                 const KirjanOsa& viimeinen, Yhteenveto* y = nullptr);

// Where the split of what reached an archive after its split (from loppu, up to pituus) begins:
// loppu once at least one whole document follows it, checked as a split checks (structure, the
// header's key, the names); pituus when only white space came; none while the first document is
// not yet whole and a program may still be writing it. Bytes that cannot begin a document, a
// document that does not pass, and one left unfinished that nobody writes any more throw
// euro::Virhe: nothing is written for them.
std::optional<std::uint64_t> jatkonAlku(const std::string& arkisto, const KirjanOtsikko& o, std::uint64_t loppu,
                                        std::uint64_t pituus);

// The statements the split delivers from byte alku on (0, or where a grown archive's split
// begins), in order, each with its identity and its company file's plain name; kohta and pituus
// are the statement element's bytes. A file the split refuses throws euro::Virhe with the
// reason: what was given before it is void. A grown archive's last document not yet whole is
// held back, as its split holds it back.
void tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                const std::function<void(const Tiliote&)>& anna);

// The preview: one line per statement with its place, every key's candidate, the period,
// the chosen key marked. No trap; a file that does not pass throws HylattyTiedosto with the reason.
void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                const std::function<void(const std::string&)>& ulos);

}  // namespace split::camt
