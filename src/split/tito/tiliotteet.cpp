// The statements of a TITO file (tiliotteet.h): one read of the file in blocks, its lines told
// apart by their first three bytes only, the split's own line rule (CR LF, CR or LF) and batches.
#include "split/tito/tiliotteet.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <cstring>
#include <string_view>
#include <utility>

#include "euro/rivilukija.h"
#include "split/tito/jako.h"
#include "split/tito/nimi.h"
#include "split/tito/pidatys.h"

namespace split::tito {

namespace {

constexpr std::size_t t00Kentat = 99;  // up to the currency, 97-99
constexpr std::size_t t40Kentat = 31;  // up to the booked balance, 13-31

bool numero(char c) { return c >= '0' && c <= '9'; }
bool loppuu(char c) { return c == '\r' || c == '\n'; }

// Where the line that goes on at b[i] ends in b[0, n): its CR or LF, or n. One pass for both.
std::size_t rivinLoppu(const char* b, std::size_t i, std::size_t n) {
  return static_cast<std::size_t>(euro::rivinLoppu(b + i, b + n) - b);
}

// Whether a line's first bytes are the record T<a><b>.
bool tietue(const std::string& paa, char a, char b) {
  return paa.size() == 3 && paa[0] == 'T' && paa[1] == a && paa[2] == b;
}

// Positions from 1, as the records' description counts them; what the line holds of them.
std::string_view kentta(std::string_view r, std::size_t alku, std::size_t pituus) {
  if (alku > r.size()) return {};
  return r.substr(alku - 1, pituus);
}

std::string_view ilmanTyhjia(std::string_view s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// Digits only (18 at most, as the amounts have them).
std::optional<std::int64_t> luku(std::string_view s) {
  if (s.empty() || s.size() > 18) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (!numero(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// YYMMDD as "YYYY-MM-DD", in the century the company file's name gives it; empty when it is no
// date of the calendar.
std::string paiva(std::string_view s) {
  if (s.size() != 6 || !luku(s)) return {};
  auto kaksi = [&](std::size_t i) { return (s[i] - '0') * 10 + (s[i + 1] - '0'); };
  const int vuosi = 2000 + kaksi(0), kuukausi = kaksi(2), paiva = kaksi(4);
  static constexpr int paivia[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (kuukausi < 1 || kuukausi > 12 || paiva < 1) return {};
  const bool karkaus = vuosi % 4 == 0 && (vuosi % 100 != 0 || vuosi % 400 == 0);
  if (paiva > paivia[kuukausi - 1] + (kuukausi == 2 && karkaus ? 1 : 0)) return {};
  const char p[] = {'2', '0', s[0], s[1], '-', s[2], s[3], '-', s[4], s[5]};
  return std::string(p, sizeof p);
}

// A sign ('+' or '-') and 18 digits of cents.
std::optional<std::int64_t> saldo(std::string_view s) {
  if (s.size() != 19 || (s[0] != '+' && s[0] != '-')) return std::nullopt;
  const std::optional<std::int64_t> m = luku(s.substr(1));
  if (!m) return std::nullopt;
  return s[0] == '-' ? -*m : *m;
}

// What the batch's T00 line and its last T40 line (empty when it has none) say of it.
Tiliote tunnisteet(std::string_view t00, std::string_view t40) {
  Tiliote t;
  t.tili = ilmanTyhjia(kentta(t00, 10, 14));
  t.numero = luku(ilmanTyhjia(kentta(t00, 24, 3)));
  t.alku = paiva(kentta(t00, 27, 6));
  t.loppu = paiva(kentta(t00, 33, 6));
  t.alkusaldo = saldo(kentta(t00, 72, 19));
  const std::string_view v = kentta(t00, 97, 3);
  if (v.size() == 3 && std::all_of(v.begin(), v.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) t.valuutta = v;
  if (!t40.empty()) t.loppusaldo = saldo(kentta(t40, 13, 19));
  return t;
}

std::pair<std::int32_t, std::int32_t> avaimenPaikka(const PaloitteluAsetukset& a) {
  std::int32_t alku = 0, loppu = 0;
  asetapos(a, alku, loppu);
  return {alku, loppu};
}

// A batch being read: where it began, its hash so far, its T00 and last T40 lines' first bytes.
struct Era {
  std::uint64_t kohta = 0;
  Tiivistaja tiiviste;
  std::string t00, t40;
};

// The file's blocks in order, each line looked at by its first bytes: a T00 line begins a batch,
// a T40 line is kept as its batch's last, the rest is only hashed. A line's first bytes may
// come in two blocks; until they tell what the line is, they are hashed into neither batch.
class Lukija {
 public:
  Lukija(const PaloitteluAsetukset& a, bool alusta, const std::function<void(const Tiliote&)>& anna)
      : anna_(anna),
        alusta_(alusta),
        nimet_(a, avaimenPaikka(a).first, avaimenPaikka(a).second),
        t00Tarve_(std::max(t00Kentat, nimet_.tarve())) {}

  bool hylatty() const { return hylatty_; }

  void lohko(const char* b, std::size_t n, std::uint64_t kohta) {
    std::size_t i = 0, tiivistetty = 0;
    if (tila_ == Tila::alku && paa_.empty()) {
      rivinAlku_ = 0;
      rivinKohta_ = kohta;
    }
    while (i < n && !hylatty_) {
      if (tila_ == Tila::alku) {
        if (paa_.empty()) {
          // An empty line (the LF of a CR LF) is no record.
          if (loppuu(b[i])) {
            ++i;
            rivinAlku_ = i;
            rivinKohta_ = kohta + i;
            continue;
          }
          // Most lines have their first bytes in the block.
          if (n - i >= 3 && !loppuu(b[i + 1]) && !loppuu(b[i + 2])) {
            paa_.assign(b + i, 3);
            i += 3;
            luokittele(b, i, tiivistetty);
            continue;
          }
        }
        while (paa_.size() < 3 && i < n && !loppuu(b[i])) paa_ += b[i++];
        if (paa_.size() < 3 && i == n) break;
        luokittele(b, i, tiivistetty);
        continue;
      }
      const std::size_t e = rivinLoppu(b, i, n);
      if (tila_ != Tila::ohi) {
        std::string& kentat = tila_ == Tila::t00 ? era_->t00 : era_->t40;
        const std::size_t tarve = tila_ == Tila::t00 ? t00Tarve_ : t40Kentat;
        if (kentat.size() < tarve) kentat.append(b + i, std::min(e - i, tarve - kentat.size()));
      }
      i = e;
      // The batch's bytes so far are hashed line by line, in whole words of the hash from the
      // batch's start: the hash's chain of multiplies then overlaps the search for the next line.
      if (era_) {
        const std::uint64_t tasan = kohta + i - ((kohta + i - era_->kohta) & 7);
        if (tasan > kohta + tiivistetty) {
          const std::size_t p = static_cast<std::size_t>(tasan - kohta);
          tiivista(b + tiivistetty, p - tiivistetty);
          tiivistetty = p;
        }
      }
      // Every CR and LF ends a line: a CR LF's LF ends an empty one, which is no record.
      if (i < n) {
        ++i;
        tila_ = Tila::alku;
        rivinAlku_ = i;
        rivinKohta_ = kohta + i;
      }
    }
    if (tila_ == Tila::alku && !paa_.empty()) {
      if (!vireilla_) tiivista(b + tiivistetty, rivinAlku_ - tiivistetty);
      vireilla_ = true;
    } else {
      tiivista(b + tiivistetty, n - tiivistetty);
    }
  }

  // The pass ends at kohta: the last batch with it.
  void loppu(std::uint64_t kohta) {
    // Too short for a T00 line, the last line is its batch's.
    if (tila_ == Tila::alku && vireilla_) tiivista(paa_.data(), paa_.size());
    paata(kohta);
  }

 private:
  enum class Tila { alku, t00, t40, ohi };

  void tiivista(const char* p, std::size_t n) {
    if (era_) era_->tiiviste.lisaa(p, n);
  }

  // The line's first bytes, paa_, tell what it is; b[i] follows them.
  void luokittele(const char* b, std::size_t i, std::size_t& tiivistetty) {
    const bool t00 = tietue(paa_, '0', '0');
    if (t00) {
      if (!vireilla_) tiivista(b + tiivistetty, rivinAlku_ - tiivistetty);
      paata(rivinKohta_);
      era_.emplace();
      era_->kohta = rivinKohta_;
      if (!vireilla_) tiivistetty = rivinAlku_;
    }
    if (vireilla_) {
      tiivista(paa_.data(), paa_.size());
      tiivistetty = i;
      vireilla_ = false;
    }
    if (t00) {
      tila_ = Tila::t00;
      era_->t00 = paa_;
    } else if (era_ && tietue(paa_, '4', '0')) {
      tila_ = Tila::t40;
      era_->t40 = paa_;
    } else {
      // Records before the first T00 line continue a batch begun elsewhere: the split refuses
      // the file.
      if (!era_ && alusta_ && paa_.size() == 3 && paa_[0] == 'T' && numero(paa_[1]) && numero(paa_[2]))
        hylatty_ = true;
      tila_ = Tila::ohi;
    }
    paa_.clear();
  }

  void paata(std::uint64_t loppu) {
    if (!era_) return;
    Tiliote t = tunnisteet(era_->t00, era_->t40);
    t.tiiviste = era_->tiiviste.arvo();
    t.yritys = nimet_.nimi(era_->t00);
    t.kohta = era_->kohta;
    t.pituus = loppu - era_->kohta;
    era_.reset();
    anna_(t);
  }

  const std::function<void(const Tiliote&)>& anna_;
  const bool alusta_;  // the pass begins at the file's start
  NimenMuodostaja nimet_;
  const std::size_t t00Tarve_;
  std::optional<Era> era_;
  Tila tila_ = Tila::alku;
  std::string paa_;             // the first bytes of a line not yet told
  bool vireilla_ = false;       // they began in an earlier block and are not hashed yet
  std::size_t rivinAlku_ = 0;   // the line's start in the block, when it began in it
  std::uint64_t rivinKohta_ = 0;
  bool hylatty_ = false;
};

}  // namespace

void lueTiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                   const std::function<void(const Tiliote&)>& anna) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  const std::uint64_t raja = pidatettava(t, alku, t.pituus(), false).raja;
  Lukija lukija(a, alku == 0, anna);
  const std::size_t koko = jako::lukupuskurinKoko(a);
  const auto puskuri = std::make_unique_for_overwrite<char[]>(koko);
  std::uint64_t kohta = alku;
  if (kohta < raja) t.siirry(kohta);
  while (kohta < raja && !lukija.hylatty()) {
    const std::size_t n = t.lue(puskuri.get(), static_cast<std::size_t>(std::min<std::uint64_t>(koko, raja - kohta)));
    if (n == 0) break;
    lukija.lohko(puskuri.get(), n, kohta);
    kohta += n;
  }
  if (!lukija.hylatty()) lukija.loppu(kohta);
  t.sulje();
}

}  // namespace split::tito
