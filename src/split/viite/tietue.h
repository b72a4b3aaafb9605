// Reference-payment files (viitesiirrot): 90-character records, each ended by CR LF or LF.
// A batch is a 0 record (created, bank, the payee's service ID), its payment records 3 and
// corrections 5 (the payee's account, the amount in cents), and a 9 record that sums them.
// Positions are counted from 1, as the record description counts them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "split/asetukset.h"
#include "split/nimi.h"
#include "split/tiliote.h"

namespace split::viite {

inline constexpr std::size_t tietueenPituus = 90;

// Fields as (first position, length).
struct Kentta {
  std::size_t alku, pituus;
  std::string_view lue(std::string_view tietue) const { return tietue.substr(alku - 1, pituus); }
};
inline constexpr Kentta luontipaiva{2, 6};        // 0: YYMMDD
inline constexpr Kentta luontiaika{8, 4};         // 0: HHMM
inline constexpr Kentta palvelutunnus{14, 9};     // 0: the payee's service ID
inline constexpr Kentta rahayksikko{23, 1};       // 0: the currency, "1" for euros
inline constexpr Kentta tilinumero{2, 14};        // 3, 5: the payee's account
inline constexpr Kentta rahamaara{78, 10};        // 3, 5: cents
inline constexpr Kentta maksuja{2, 6};            // 9: payment records
inline constexpr Kentta maksujenSumma{8, 11};     // 9: their amounts, in cents
inline constexpr Kentta oikaisuja{19, 6};         // 9: correction records
inline constexpr Kentta oikaisujenSumma{25, 11};  // 9: their amounts, in cents

// One batch: its bytes [alku, loppu) of the file, line ends included.
struct Era {
  std::uint64_t numero = 0;  // from 1
  std::uint64_t alku = 0, loppu = 0;
  std::string eratietue;     // the 0 record's 90 characters
  std::string tili;          // the first payment or correction record's account; none: empty
  bool tiliVaihtuu = false;  // records of the batch name different accounts
  std::uint64_t tiiviste = 0;  // of its bytes, when the reader hashes (Eralukija::tiivista)
};

// Reads the file's batches in order from alku up to raja, each checked whole: every record 90
// characters and a line end, a 0 record first, a 9 record whose counts and sums match.
class Eralukija {
 public:
  Eralukija(alusta::Tiedosto& t, std::uint64_t alku, std::uint64_t raja, std::size_t puskuri);
  // The next batch; false at the end, or with the reason in Finnish in syy (batch and byte).
  bool seuraava(Era& e, std::string& syy);
  std::uint64_t kohta() const { return kohta_; }
  // Every batch read from now on gets the hash of its bytes (Era::tiiviste).
  void tiivista() { tiivistetaan_ = true; }

 private:
  // The record at kohta_, its line end included in pituus; false with syy.
  bool tietue(std::string_view& t, std::size_t& pituus, std::string& syy);
  bool tayta(std::size_t n);
  // Past the record t and its line end (pituus bytes in all).
  void seuraavaan(std::string_view t, std::size_t pituus);
  // The 9 record at kohta_ against the batch's payments and corrections (count, sum each).
  bool summatTasmaavat(std::string_view t, const Era& e, const std::array<std::uint64_t, 4>& erassa,
                       std::string& syy) const;

  alusta::Tiedosto& t_;
  std::uint64_t kohta_, raja_;
  std::uint64_t numero_ = 0;
  std::string puskuri_;
  std::uint64_t puskurinAlku_;
  std::size_t lohko_;
  bool tiivistetaan_ = false;
  Tiivistaja tiiviste_;
};

// Whether the first record of the bytes (the file's beginning) is a batch record: 90
// characters, "0", a date and time of digits, then a line end.
bool alkaaEratietueella(std::string_view alku);

// What the key choice cannot be for this format: a reason in Finnish, or empty.
std::string avainEiKay(const PaloitteluAsetukset& a);

// The batch's key as its file name takes it (untrimmed), by the settings' choice.
std::string_view avain(const Era& e, const PaloitteluAsetukset& a);

// The batch's company file's name by the naming rule into n (its parts apart, for "-n"), its
// period the day the batch was created; answers the key, trimmed.
std::string nimea(Nimeaja& n, const Era& e, const PaloitteluAsetukset& a);

// The day the batch was created, "YYYY-MM-DD", read as its name reads it.
std::string luotu(const Era& e);

// Why the key of this batch cannot be read by the settings' choice, or empty.
std::string avaimenPuute(const Era& e, const PaloitteluAsetukset& a);

}  // namespace split::viite
