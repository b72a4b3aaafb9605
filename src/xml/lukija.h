// A strict, streaming XML 1.0 reader for bank statements. It reports the byte offset of every
// tag, which is what the split needs to copy statements unchanged; no library that builds on
// both systems here gives offsets. Memory stays at the read buffer plus the current tag and
// the names in scope, whatever the file.
//
// Accepts a sequence of one or more documents (between them: a UTF-8 BOM, white space, an XML
// declaration, comments, PIs). Refuses a DOCTYPE, entity references other than the five
// predefined ones, any encoding but UTF-8, invalid UTF-8, truncated documents, mismatched
// tags, unbound prefixes, names outside ASCII (statements have none) and anything over the
// Rajat. Refusals are final: every later call repeats them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace xml {

// Where the reader takes bytes from; 0 at the end. Files over 4 GiB: offsets are 64-bit.
class Lahde {
 public:
  virtual ~Lahde() = default;
  virtual std::size_t lue(char* puskuri, std::size_t koko) = 0;
};

// Refused or malformed input: where (document number from 1, line from 1, byte offset in the
// file) and what was expected, in Finnish (ANSI text like all core text). viesti is the
// explanation alone; what() gives the place and the explanation together.
struct Jasennysvirhe : std::exception {
  Jasennysvirhe(std::uint32_t asiakirja, std::int64_t rivi, std::uint64_t kohta, std::string viesti);
  std::uint32_t asiakirja;
  std::int64_t rivi;
  std::uint64_t kohta;
  std::string viesti;
  bool rajaus = false;  // refused by our own rule (DOCTYPE, an encoding, a limit), not malformed
  const char* what() const noexcept override;

 private:
  std::string kokonaan_;
};

struct Rajat {                          // bounded everything; a breach is a Jasennysvirhe
  std::size_t syvyys = 64;              // element nesting
  std::size_t nimi = 256;               // a name (prefix:local), a PI target
  std::size_t attribuutti = 64 * 1024;  // one attribute value
  std::size_t attribuutteja = 64;       // attributes on one element
  bool monta = true;                    // a sequence of documents; false: exactly one
  std::size_t nimiavaruudet = 1 << 20;  // bytes of the namespace declarations in scope
  std::size_t puskuri = 0;              // the read buffer: 0 for 64 KiB; 16 bytes at least (tests
                                        // make it small, so its borders fall inside every token)
};

enum class Laji { Alku, Loppu, Teksti, AsiakirjanLoppu, TiedostonLoppu };

struct Attribuutti {
  std::string_view nimi, arvo;  // qualified name, decoded value (UTF-8)
};

struct Tapahtuma {
  Laji laji;
  std::string_view etuliite, paikallinen, nimiavaruus;  // Alku/Loppu: prefix, local name, URI
  std::uint64_t alku = 0;  // Alku/Loppu: offset of the tag's '<'; Teksti: first byte;
                           // AsiakirjanLoppu: the root's '<'; TiedostonLoppu: the file's size
  std::uint64_t loppu = 0;  // one past the tag's '>' (an empty-element tag gives Alku and Loppu
                            // with the same range); AsiakirjanLoppu: one past the root's end
  int syvyys = 0;               // root element 1
  std::uint32_t asiakirja = 0;  // document number from 1
  std::int64_t rivi = 0;        // line of alku
  std::string_view teksti;  // Teksti: decoded character data in UTF-8 (references and CDATA
                            // resolved, line ends as LF); only inside the root; long text comes
                            // as several Teksti events; the caller joins them
  std::span<const Attribuutti> attribuutit;  // Alku: as written, xmlns ones included
};

class Lukija {
 public:
  explicit Lukija(Lahde& lahde, Rajat rajat = {});
  ~Lukija();
  Lukija(const Lukija&) = delete;
  Lukija& operator=(const Lukija&) = delete;

  // The next event; views stay valid until the next call. Throws Jasennysvirhe. After
  // TiedostonLoppu every call answers TiedostonLoppu again.
  Tapahtuma seuraava();

  // Namespace declarations in scope at the current element (prefix, URI), outermost first;
  // the default namespace has an empty prefix. After a Loppu: those of its parent.
  std::span<const std::pair<std::string, std::string>> nimiavaruudet() const;

  // Where the current document's own bytes begin, known from its root's Alku on: its BOM or
  // XML declaration when it has one, else its root's '<' (the first document: 0). What lies
  // between the previous document's end and this point is white space, comments and PIs.
  std::uint64_t asiakirjanAlku() const;

  // Whether the caller reads the character data that follows; without it, plain text is
  // still checked but gives no Teksti event (CDATA still may).
  void tekstiTarpeen(bool tarvitaan);

 private:
  struct Tila;
  std::unique_ptr<Tila> t_;
};

}  // namespace xml
