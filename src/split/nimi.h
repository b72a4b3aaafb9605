// The one naming rule of every format's company files, and the names no file may bear.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace split {

// The text without the characters that may not stand in an output file name.
std::string fe_PuhdistaNimi(const std::string& teksti);

// Whether a company file may bear this name (without its folder): never none at all, "." or "..",
// a separator or a control character, or more than 255 bytes. A Windows device name (CON,
// PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, with any extension, with the blanks Windows
// drops at the end of the base name) never may, on either system: offices share their folders
// with Windows machines, where data written to it would go to the device. On Windows a name the
// system would store without its closing blanks and points may not either.
bool kelpaaTiedostonimeksi(std::string_view nimi);

// The naming rule of every format's company files, in one pass: prefix + key + suffix, with
// "*" (the period's first year), "?" (its month) and "#" (the period) put in, what a step puts
// in seen only by the later steps, and the characters a file name may not hold dropped. The
// parts before and after the suffix are kept apart: a numbered name ("-2") goes between them.
class Nimeaja {
 public:
  Nimeaja(std::string alkuosa, std::string loppuosa);
  // avain: trimmed, its characters as the file holds them.
  void muodosta(std::string_view avain, std::string_view vuosi, std::string_view kuukausi, std::string_view jakso);
  const std::string& alku() const { return alku_; }
  const std::string& loppu() const { return loppu_; }
  // Whether a file name may hold the byte.
  bool kelpaa(char c) const { return kelpaa_[static_cast<unsigned char>(c)]; }
  // Whether the name of this key takes anything from the period.
  bool tarvitseeJakson(std::string_view avain) const;
  // A name no file may bear (a device name, "." or "..", none at all) takes "-2" before the
  // suffix, or before its first point when a device name stays, decided by the name alone so
  // that a recovery makes the same one. False when no such name may be borne either (a suffix
  // that ends in what Windows drops, a name too long).
  bool kelvolliseksi();

 private:
  void laajenna(std::string& kohde, std::string_view teksti, int vaihe);

  std::string alkuosa_, loppuosa_;
  std::string_view vuosi_, kuukausi_, jakso_;
  std::string alku_, loppu_;
  std::array<bool, 256> kelpaa_;
};

// The name alku + loppu with its "-n" (n > 1) between them, or nothing when no file may have it:
// the next free names of every format.
std::optional<std::string> numeroituNimi(std::string_view alku, std::string_view loppu, int n);

}  // namespace split
