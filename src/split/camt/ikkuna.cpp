// Random reads of the statement file: the bytes around a document that its company files take.
#include <cstdint>
#include <string_view>

#include "split/camt/kaynti.h"

namespace split::camt::sisa {

int Lukuikkuna::tavu(std::uint64_t kohta) {
  if (kohta < alku_ || kohta >= alku_ + data_.size()) {
    data_.resize(koko_);
    t_.siirry(kohta);
    std::size_t n = 0;
    while (n < data_.size()) {
      const std::size_t m = t_.lue(data_.data() + n, data_.size() - n);
      if (m == 0) break;
      n += m;
    }
    data_.resize(n);
    alku_ = kohta;
    if (n == 0) return -1;
  }
  return static_cast<unsigned char>(data_[static_cast<std::size_t>(kohta - alku_)]);
}

bool Lukuikkuna::on(std::uint64_t kohta, std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (tavu(kohta + i) != static_cast<unsigned char>(s[i])) return false;
  return true;
}

std::string_view Lukuikkuna::osa(std::uint64_t kohta) {
  if (tavu(kohta) < 0) return {};
  return std::string_view(data_).substr(static_cast<std::size_t>(kohta - alku_));
}

std::uint64_t hannanLoppu(Lukuikkuna& w, std::uint64_t loppu) {
  if (w.tavu(loppu) == '\r' && w.tavu(loppu + 1) == '\n') return loppu + 2;
  if (w.tavu(loppu) == '\n') return loppu + 1;
  return loppu;
}

namespace {

// Past white space and byte-order marks from k, up to raja.
std::uint64_t ohitaTyhjat(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  while (k < raja) {
    const int c = w.tavu(k);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') ++k;
    else if (w.on(k, "\xEF\xBB\xBF")) k += 3;
    else break;
  }
  return k;
}

// Past the comment or PI at k, if one begins there.
std::uint64_t ohitaKommentti(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  const std::string_view loppu = w.on(k, "<!--") ? "-->" : w.on(k, "<?") ? "?>" : "";
  if (loppu.empty()) return k;
  k += 2;
  while (k < raja && w.tavu(k) >= 0 && !w.on(k, loppu)) ++k;
  return k + loppu.size();
}

}  // namespace

// Where a company document copied from d begins: at its XML declaration, or at the first thing
// that is not white space or a byte-order mark. What stands before a declaration (white space, a
// comment after the previous document) is not part of it.
std::uint64_t paanAlku(Lukuikkuna& w, const Asiakirja& d) {
  std::uint64_t k = d.edellinenLoppu, alku = d.juuri;
  bool loydetty = false;
  for (;;) {
    k = ohitaTyhjat(w, k, d.juuri);
    if (k >= d.juuri) break;
    if (w.on(k, "<?xml") && (w.tavu(k + 5) == ' ' || w.tavu(k + 5) == '\t' || w.tavu(k + 5) == '\r' ||
                             w.tavu(k + 5) == '\n' || w.tavu(k + 5) == '?'))
      return k;
    if (!loydetty) alku = k;
    loydetty = true;
    const std::uint64_t ohi = ohitaKommentti(w, k, d.juuri);
    if (ohi == k) break;
    k = ohi;
  }
  return alku;
}

std::uint64_t jalkiosanLoppu(Lukuikkuna& w, std::uint64_t k, std::uint64_t raja) {
  for (;;) {
    for (int c; k < raja && ((c = w.tavu(k)) == ' ' || c == '\t' || c == '\r' || c == '\n');) ++k;
    if (k >= raja) return raja;
    std::uint64_t j;
    if (w.on(k, "<!--")) {
      // The reader refuses "--" inside a comment: the first one must close it.
      for (j = k + 4; j + 1 < raja && !(w.tavu(j) == '-' && w.tavu(j + 1) == '-');) ++j;
      if (j + 2 >= raja || w.tavu(j + 2) != '>') return k;
      j += 3;
    } else if (w.on(k, "<?")) {
      // "<?xml" is the next document's declaration (any other case of it the reader refuses).
      auto pieni = [&](std::uint64_t i) { return w.tavu(i) | 0x20; };
      const int c = w.tavu(k + 5);
      if (pieni(k + 2) == 'x' && pieni(k + 3) == 'm' && pieni(k + 4) == 'l' &&
          (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '?'))
        return k;
      for (j = k + 2; j + 1 < raja && !w.on(j, "?>");) ++j;
      if (j + 1 >= raja) return k;
      j += 2;
    } else {
      return k;
    }
    k = j;
  }
}

bool asiakirjojaJaljella(Lukuikkuna& w, std::uint64_t kohta) {
  constexpr std::uint64_t loppuun = ~std::uint64_t{0};
  for (;;) {
    kohta = ohitaTyhjat(w, kohta, loppuun);
    if (w.tavu(kohta) < 0) return false;
    const std::uint64_t ohi = ohitaKommentti(w, kohta, loppuun);
    if (ohi == kohta) return true;
    kohta = ohi;
  }
}

}  // namespace split::camt::sisa
