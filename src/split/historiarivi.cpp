// A run's statement lines made straight into one buffer: a run makes one per statement, and the
// fields' own strings and printf would cost more than the split of the statement itself.
#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "split/historia.h"

namespace split::historia {

namespace {

// As the ledger's fields are written: a tab, CR or LF in them would break the line or the columns.
void kentta(std::string& s, std::string_view f) {
  const std::size_t alku = s.size();
  s.append(f);
  for (std::size_t i = alku; i < s.size(); ++i)
    if (s[i] == '\t' || s[i] == '\r' || s[i] == '\n') s[i] = ' ';
}

template <typename T>
void luku(std::string& s, T v) {
  char b[24];
  const std::to_chars_result r = std::to_chars(b, b + sizeof b, v);
  s.append(b, r.ptr);
}

void numerot(std::string& s, unsigned v, int leveys) {
  char b[4];
  for (int i = leveys - 1; i >= 0; --i, v /= 10) b[i] = static_cast<char>('0' + v % 10);
  s.append(b, static_cast<std::size_t>(leveys));
}

// "YYYY-MM-DD hh:mm:ss"; a time outside those widths as printf writes it.
void aikana(std::string& s, const alusta::Aika& t) {
  auto valilla = [](int v, int yla) { return v >= 0 && v <= yla; };
  if (!valilla(t.vuosi, 9999) || !valilla(t.kuukausi, 99) || !valilla(t.paiva, 99) || !valilla(t.tunti, 99) ||
      !valilla(t.minuutti, 99) || !valilla(t.sekunti, 99)) {
    char b[64];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", t.vuosi, t.kuukausi, t.paiva, t.tunti, t.minuutti,
                  t.sekunti);
    s += b;
    return;
  }
  const int osat[] = {t.vuosi, t.kuukausi, t.paiva, t.tunti, t.minuutti, t.sekunti};
  const char erottimet[] = " -- ::";  // before each part but the first
  for (int i = 0; i < 6; ++i) {
    if (i > 0) s += erottimet[i];
    numerot(s, static_cast<unsigned>(osat[i]), i == 0 ? 4 : 2);
  }
}

// As euroina writes them: "-1234,56".
void euroina(std::string& s, std::int64_t senttia) {
  const std::uint64_t itseis = senttia < 0 ? 0 - static_cast<std::uint64_t>(senttia) : static_cast<std::uint64_t>(senttia);
  if (senttia < 0) s += '-';
  luku(s, itseis / 100);
  s += ',';
  numerot(s, static_cast<unsigned>(itseis % 100), 2);
}

void heksana(std::string& s, std::uint64_t v) {
  char b[16];
  for (int i = 15; i >= 0; --i, v >>= 4) b[i] = "0123456789abcdef"[v & 15];
  s.append(b, sizeof b);
}

}  // namespace

TilioteRivit::TilioteRivit(const std::string& muoto, const std::string& tiliotetiedosto, const std::string& arkisto,
                           const std::string& kohde, const alusta::Aika& aika) {
  aikana(aika_, aika);
  for (const std::string* f : {&muoto, &tiliotetiedosto, &arkisto, &kohde}) {
    keski_ += '\t';
    kentta(keski_, *f);
  }
}

const std::string& TilioteRivit::rivi(const Tiliote& t, bool toimitettu, const std::string& huomautus) {
  std::string& s = rivi_;
  s.assign(aika_);
  s += '\t';
  s += toimitettu ? tapahtuma::toimitettu : tapahtuma::tiliote;
  s += keski_;
  kentta(s, t.yritys);
  s += toimitettu ? "\t0\t0\t\t" : "\t1\t";
  if (!toimitettu) {
    luku(s, t.pituus);
    s += "\t\t";
  }
  kentta(s, huomautus);
  s += '\t';
  kentta(s, t.tili);
  s += '\t';
  if (t.numero) luku(s, *t.numero);
  s += '\t';
  kentta(s, t.alku);
  s += '\t';
  kentta(s, t.loppu);
  s += '\t';
  if (t.alkusaldo) euroina(s, *t.alkusaldo);
  s += '\t';
  if (t.loppusaldo) euroina(s, *t.loppusaldo);
  s += '\t';
  kentta(s, t.valuutta);
  s += '\t';
  heksana(s, t.tiiviste);
  s += '\t';
  luku(s, t.kohta);
  s += '-';
  luku(s, t.kohta + t.pituus);
  return s;
}

}  // namespace split::historia
