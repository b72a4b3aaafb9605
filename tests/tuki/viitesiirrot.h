// Reference-payment files for the tests and the fuzzer: batches of 90-character records whose
// sum records match, unless a test spoils them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testi::viite {

struct Maksu {
  std::string tili;       // the payee's account, 14 characters
  std::uint64_t senttia;  // amount
  char laji = '3';        // '3' payment, '5' correction
};

struct Era {
  std::string palvelutunnus;  // 9 characters
  std::vector<Maksu> maksut;
  std::string paiva = "240401";
  std::string aika = "0600";
};

inline std::string tayta(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

inline std::string numero(std::uint64_t v, std::size_t n) {
  std::string s = std::to_string(v);
  return std::string(n > s.size() ? n - s.size() : 0, '0') + s;
}

inline std::string eratietue(const Era& e) {
  return tayta("0" + e.paiva + e.aika + "50" + tayta(e.palvelutunnus, 9) + "1", 90);
}

// i numbers the record, so that no two payments read alike.
inline std::string maksutietue(const Maksu& m, const Era& e, std::size_t i) {
  return tayta(std::string(1, m.laji) + tayta(m.tili, 14) + e.paiva + e.paiva + numero(i, 16) +
                   tayta("1" + numero(i, 5) + "0", 20) +
                   tayta("MAKSAJA " + numero(i % 1000, 3), 12) + "1A" + numero(m.senttia, 10) +
                   (m.laji == '5' ? "1" : "0") + "A ",
               90);
}

inline std::string summatietue(std::uint64_t maksuja, std::uint64_t summa, std::uint64_t oikaisuja,
                               std::uint64_t oikaisusumma) {
  return tayta("9" + numero(maksuja, 6) + numero(summa, 11) + numero(oikaisuja, 6) +
                   numero(oikaisusumma, 11) + "1",
               90);
}

// A batch with its sums as its records give them.
inline std::string era(const Era& e, const std::string& rivinloppu = "\r\n") {
  std::string s = eratietue(e) + rivinloppu;
  std::uint64_t m[4] = {};
  std::size_t i = 0;
  for (const Maksu& p : e.maksut) {
    s += maksutietue(p, e, ++i) + rivinloppu;
    const int k = p.laji == '5' ? 2 : 0;
    m[k] += 1;
    m[k + 1] += p.senttia;
  }
  return s + summatietue(m[0], m[1], m[2], m[3]) + rivinloppu;
}

inline std::string tiedosto(const std::vector<Era>& erat, const std::string& rivinloppu = "\r\n") {
  std::string s;
  for (const Era& e : erat) s += era(e, rivinloppu);
  return s;
}

// The n-th company's service ID and account.
inline std::string palvelutunnus(int n) {
  return "PT" + numero(static_cast<std::uint64_t>(n), 7);
}
inline std::string tili(int n) {
  return "FI" + numero(static_cast<std::uint64_t>(n), 12);
}

// Batches for these companies in turn, each with maksuja payments (and a correction every
// third batch), numbered on from siemen.
inline std::vector<Era> erat(const std::vector<int>& yritykset, int maksuja, int siemen = 0) {
  std::vector<Era> v;
  for (int y : yritykset) {
    Era e;
    e.palvelutunnus = palvelutunnus(y);
    e.paiva = "2404" + numero(static_cast<std::uint64_t>(1 + (siemen % 28)), 2);
    for (int i = 0; i < maksuja; ++i)
      e.maksut.push_back({tili(y), static_cast<std::uint64_t>(100 * (siemen + 1) + i)});
    if (siemen % 3 == 2) e.maksut.push_back({tili(y), 50, '5'});
    v.push_back(std::move(e));
    ++siemen;
  }
  return v;
}

}  // namespace testi::viite
