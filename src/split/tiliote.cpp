#include "split/tiliote.h"

#include <algorithm>

namespace split {

std::string Ohitettavat::tekstiksi() const {
  if (v_.empty()) return {};
  std::string t = "ohita =";
  for (const auto& [alku, loppu] : v_) t += " " + std::to_string(alku) + "-" + std::to_string(loppu);
  return t + "\r\n";
}

Ohitettavat Ohitettavat::valilla(std::uint64_t alku, std::uint64_t loppu) const {
  if (kasvava_) return kasvava_->valilla(alku, loppu);
  Ohitettavat o;
  for (const auto& [a, b] : v_) o.lisaa(std::max(a, alku), std::min(b, loppu));
  return o;
}

void Ohitettavat::yhdista(const Ohitettavat& o) {
  if (o.v_.empty()) return;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> v;
  v.swap(v_);
  // By their starts: lisaa joins what meets.
  std::size_t i = 0, j = 0;
  while (i < v.size() || j < o.v_.size()) {
    const auto& r = j == o.v_.size() || (i < v.size() && v[i].first <= o.v_[j].first) ? v[i++] : o.v_[j++];
    lisaa(r.first, r.second);
  }
}

Ohitettavat Ohitettavat::korvattu(std::uint64_t alku, std::uint64_t loppu, const Ohitettavat& sisalla) const {
  Ohitettavat o;
  for (const auto& [a, b] : v_) o.lisaa(a, std::min(b, alku));
  for (const auto& [a, b] : sisalla.v_) o.lisaa(std::max(a, alku), std::min(b, loppu));
  for (const auto& [a, b] : v_) o.lisaa(std::max(a, loppu), b);
  return o;
}

std::optional<Ohitettavat> Ohitettavat::lue(std::string_view s) {
  Ohitettavat o;
  while (!s.empty()) {
    if (s.front() != ' ') return std::nullopt;
    s.remove_prefix(1);
    std::uint64_t luvut[2] = {};
    for (int i = 0; i < 2; ++i) {
      std::size_t n = 0;
      std::uint64_t v = 0;
      while (n < s.size() && n < 19 && s[n] >= '0' && s[n] <= '9') v = v * 10 + static_cast<unsigned>(s[n++] - '0');
      if (n == 0 || (n < s.size() && s[n] >= '0' && s[n] <= '9')) return std::nullopt;
      luvut[i] = v;
      s.remove_prefix(n);
      if (i == 0) {
        if (s.empty() || s.front() != '-') return std::nullopt;
        s.remove_prefix(1);
      }
    }
    // Sorted and apart, as written.
    if (luvut[0] >= luvut[1] || (!o.v_.empty() && luvut[0] <= o.v_.back().second)) return std::nullopt;
    o.v_.emplace_back(luvut[0], luvut[1]);
  }
  return o;
}

}  // namespace split
