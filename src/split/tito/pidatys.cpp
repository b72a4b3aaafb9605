#include "split/tito/pidatys.h"

#include <algorithm>
#include <string_view>

#include "split/lue.h"

namespace split::tito {

namespace {

constexpr std::size_t lohko = 64 * 1024;

bool rivinLoppu(char c) { return c == '\r' || c == '\n'; }
bool numero(char c) { return c >= '0' && c <= '9'; }

// The start of the line that holds the byte before kohta, searched back no further than ala.
std::uint64_t rivinAlkuEnnen(alusta::Tiedosto& t, std::uint64_t ala, std::uint64_t kohta) {
  char b[lohko];
  std::uint64_t loppu = kohta;
  while (loppu > ala) {
    const std::uint64_t alkaa = loppu - std::min<std::uint64_t>(sizeof b, loppu - ala);
    const std::size_t n = static_cast<std::size_t>(loppu - alkaa);
    lueKohdasta(t, alkaa, b, n);
    for (std::size_t i = n; i-- > 0;)
      if (rivinLoppu(b[i])) return alkaa + i + 1;
    loppu = alkaa;
  }
  return ala;
}

}  // namespace

std::optional<std::size_t> tietueenPituus(std::string_view r) {
  if (r.size() < 6 || r[0] != 'T' || !numero(r[1]) || !numero(r[2])) return std::nullopt;
  if (!numero(r[3]) || !numero(r[4]) || !numero(r[5])) return std::nullopt;
  const std::size_t p = static_cast<std::size_t>((r[3] - '0') * 100 + (r[4] - '0') * 10 + (r[5] - '0'));
  if (p == 0) return std::nullopt;
  return p;
}

std::string rivinAlku(alusta::Tiedosto& t, std::uint64_t kohta, std::uint64_t pituus, std::size_t n) {
  std::string s(static_cast<std::size_t>(std::min<std::uint64_t>(n, pituus - std::min(pituus, kohta))), '\0');
  lueKohdasta(t, kohta, s.data(), s.size());
  const std::size_t e = s.find_first_of("\r\n");
  if (e != std::string::npos) s.resize(e);
  return s;
}

std::optional<std::uint64_t> viimeinenT00(alusta::Tiedosto& t, std::uint64_t ala, std::uint64_t ennen) {
  // Each block with the byte before it and the two after, so that "T00" and its line's start
  // are seen across the blocks' edges.
  std::string b;
  const std::uint64_t pituus = t.pituus();
  std::uint64_t loppu = ennen;
  while (loppu > ala) {
    const std::uint64_t alkaa = loppu - std::min<std::uint64_t>(lohko, loppu - ala);
    const std::uint64_t lukuAlku = alkaa > 0 ? alkaa - 1 : 0;
    const std::uint64_t lukuLoppu = std::min<std::uint64_t>(loppu + 2, pituus);
    b.resize(static_cast<std::size_t>(lukuLoppu - lukuAlku));
    lueKohdasta(t, lukuAlku, b.data(), b.size());
    for (std::uint64_t p = loppu; p-- > alkaa;) {
      const std::size_t i = static_cast<std::size_t>(p - lukuAlku);
      if (i + 3 > b.size() || b.compare(i, 3, "T00") != 0) continue;
      if (p == 0 || rivinLoppu(b[i - 1])) return p;
    }
    loppu = alkaa;
  }
  return std::nullopt;
}

bool alkaakoRivi(alusta::Tiedosto& t, std::uint64_t kohta) {
  if (kohta == 0) return true;
  char c = 0;
  lueKohdasta(t, kohta - 1, &c, 1);
  if (rivinLoppu(c)) return true;
  // A record is at most 999 bytes: a longer line is no whole record.
  const std::uint64_t ala = kohta - std::min<std::uint64_t>(kohta, 1000);
  const std::uint64_t alku = rivinAlkuEnnen(t, ala, kohta);
  if (alku == ala && ala > 0) return false;
  const std::string r = rivinAlku(t, alku, kohta, 6);
  const std::optional<std::size_t> p = tietueenPituus(r);
  return p && kohta - alku >= *p;
}

Pidatys pidatettava(alusta::Tiedosto& t, std::uint64_t alku, std::uint64_t pituus, bool kasvaa) {
  Pidatys p;
  p.raja = pituus;
  if (pituus <= alku) return p;
  char c = 0;
  lueKohdasta(t, pituus - 1, &c, 1);
  if (rivinLoppu(c)) return p;
  const std::uint64_t rivi = rivinAlkuEnnen(t, alku, pituus);
  const std::optional<std::size_t> oma = tietueenPituus(rivinAlku(t, rivi, pituus, 6));
  p.katkennut = oma && pituus - rivi < *oma;
  // A whole record, or a file no one writes any more: the line is delivered with the split's
  // own line end, as ever.
  if (!p.katkennut && (oma || !kasvaa)) return p;
  p.era = viimeinenT00(t, 0, rivi + 1);
  // A cut record's batch is not delivered in part, unless part of it already was.
  p.raja = p.katkennut && p.era && *p.era >= alku ? *p.era : rivi;
  return p;
}

}  // namespace split::tito
