#include "split/jatkuvuus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "euro/teksti.h"
#include "split/historia.h"

namespace split {

namespace {

using euro::ansi;

int vuosi(const std::string& paiva) { return paiva.size() >= 4 ? std::atoi(paiva.substr(0, 4).c_str()) : 0; }

std::string nro(std::int64_t n) { return ansi("nro ") + std::to_string(n); }

// "nro 5" or "nro 5–7".
std::string valilta(std::int64_t a, std::int64_t b) {
  return a == b ? nro(a) : nro(a) + ansi("–") + std::to_string(b);
}

std::string saldona(std::int64_t senttia, const std::string& valuutta) {
  return historia::euroina(senttia) + (valuutta.empty() ? "" : " " + valuutta);
}

// How a statement is named to the office: its account, number and period, as far as known.
std::string kuvaus(const Tiliote& t) {
  std::string s;
  auto lisaa = [&](const std::string& osa) { s += (s.empty() ? "" : ", ") + osa; };
  if (!t.tili.empty()) lisaa(ansi("tili ") + t.tili);
  if (t.numero) lisaa(nro(*t.numero));
  if (!t.alku.empty()) lisaa(ansi("jakso ") + t.alku + (t.loppu.empty() || t.loppu == t.alku ? "" : ansi("–") + t.loppu));
  return s.empty() ? ansi("ilman tunnistetietoja") : s;
}

}  // namespace

Jatkuvuus::Tila* Jatkuvuus::tila(const std::string& yritys, const Tiliote& t) {
  if (vajaa_) return nullptr;
  // An account is one series in a target, whatever period its files are named by; the same
  // account split into two targets is two. A statement without an account is its file's.
  std::string avain;
  if (t.tili.empty()) {
    avain = yritys;
  } else {
    const std::size_t e = yritys.find_last_of("/\\");
    avain.assign(yritys, 0, e == std::string::npos ? 0 : e + 1);
    avain += '\n';
    avain += t.tili;
  }
  Tiivistaja h;
  h.lisaa(avain.data(), avain.size());
  const std::uint64_t k = h.arvo();
  if (bitit_ > 0 && k >> (64 - bitit_) != osa_) return nullptr;
  return &sarjat_.hae(k);
}

void Jatkuvuus::rajaa(unsigned bitit, std::uint64_t osa, std::size_t raja) {
  bitit_ = std::min(bitit, 63u);
  osa_ = osa;
  raja_ = raja;
  tarkistaRaja();
}

void Jatkuvuus::tarkistaRaja() {
  // One series is no more than a few hundred bytes, and parts cannot divide it.
  if (raja_ == 0 || vajaa_ || sarjat_.koko() <= 1 || sarjat_.tavuja() <= raja_) return;
  sarjat_ = Sarjat();
  vajaa_ = true;
}

std::uint32_t Jatkuvuus::valuutta(const std::string& v) {
  if (v.empty()) return 0;
  // A file of more currencies than there are leaves the rest unnamed: their balances are then
  // compared whatever the currency, never passed over.
  if (valuutat_.size() >= Sarjat::valuuttojaEnintaan && !valuuttaHaku_.count(v)) return 0;
  const auto [i, uusi] = valuuttaHaku_.try_emplace(v, static_cast<std::uint32_t>(valuutat_.size()));
  if (uusi) valuutat_.push_back(v);
  return i->second;
}

void Jatkuvuus::ketjuta(Tila& s, const Tiliote& t) {
  sarjat_.muista(s, t.tiiviste);
  // A number lower than the last is no step of the series: what it ends does not move it.
  if (t.numero && s.onNumero && *t.numero < s.numero && vuosi(t.alku) <= s.loppuVuosi) return;
  if (t.numero) {
    s.numero = *t.numero;
    s.onNumero = 1;
  }
  // Four characters read as a number: a year fits in 14 bits; one below 0 is none.
  if (!t.loppu.empty()) s.loppuVuosi = static_cast<std::uint32_t>(std::clamp(vuosi(t.loppu), 0, 9999));
  s.onSaldo = t.loppusaldo.has_value() ? 1 : 0;
  s.loppusaldo = t.loppusaldo.value_or(0);
  // Most statements name the currency their series has: no lookup for them.
  if (!t.valuutta.empty() && valuutat_[s.valuutta] != t.valuutta) s.valuutta = valuutta(t.valuutta);
}

void Jatkuvuus::tunnettu(const std::string& yritys, const Tiliote& t) {
  if (Tila* s = tila(yritys, t)) {
    ketjuta(*s, t);
    tarkistaRaja();
  }
}

Jatkuvuus::Arvio Jatkuvuus::arvioi(const std::string& yritys, const Tiliote& t) {
  Arvio a;
  Tila* sp = tila(yritys, t);
  if (!sp) {
    a.muualla = true;
    return a;
  }
  Tila& s = *sp;
  if (sarjat_.tuntee(s, t.tiiviste)) {
    a.toimitettu = true;
    a.huomiot.push_back({Laji::toimitettu, ansi("jo toimitettu aiemmin, ei lisätty"),
                         ansi("Tiedostoon ") + yritys + ansi(" oli jo toimitettu tiliote (") + kuvaus(t) +
                             ansi("); sitä ei lisätty uudelleen.")});
    return a;
  }
  // Numbers and balances run per account; a statement without an account is known by its bytes.
  bool perakkain = !t.numero || !s.onNumero;
  if (!t.tili.empty() && t.numero && s.onNumero) {
    const std::int64_t n = *t.numero, e = s.numero;
    // The numbering may begin again at 1 with a new year.
    const bool uusiVuosi = !t.alku.empty() && s.loppuVuosi != 0 && vuosi(t.alku) > s.loppuVuosi;
    if (n == e + 1 || (uusiVuosi && n == 1)) {
      perakkain = true;
    } else if (n > e + 1 || (uusiVuosi && n < e)) {
      const std::int64_t ensimmainen = n > e + 1 ? e + 1 : 1;
      if (ensimmainen <= n - 1) {
        const bool yksi = ensimmainen == n - 1;
        a.huomiot.push_back(
            {Laji::aukko, ansi("puuttuu ") + valilta(ensimmainen, n - 1),
             ansi("Tililtä ") + t.tili + ansi(yksi ? " puuttuu tiliote " : " puuttuvat tiliotteet ") +
                 valilta(ensimmainen, n - 1) + ansi(": edellinen toimitettu on ") + nro(e) + ansi(", tämä on ") +
                 nro(n) + ansi(" (tiedosto ") + yritys + ansi("). Pyydä puuttuvat tiliotteet pankista.")});
      } else {
        perakkain = true;
      }
    } else {
      a.huomiot.push_back({Laji::toisto, nro(n) + ansi(" toistuu eri sisällöllä"),
                           ansi("Tililtä ") + t.tili + ansi(" tuli tiliote ") + nro(n) +
                               ansi(" uudelleen eri sisällöllä (tiedosto ") + yritys + ansi(", viimeisin toimitettu on ") +
                               nro(e) + ansi("). Se lisättiin; tarkista, kumpi on oikea.")});
    }
  }
  const std::string& aiempi = valuutat_[s.valuutta];
  if (perakkain && !t.tili.empty() && s.onSaldo && t.alkusaldo && s.loppusaldo != *t.alkusaldo &&
      (aiempi.empty() || t.valuutta.empty() || aiempi == t.valuutta)) {
    const std::string edellinen = saldona(s.loppusaldo, aiempi), tama = saldona(*t.alkusaldo, t.valuutta);
    a.huomiot.push_back({Laji::saldokatko, ansi("alkusaldo ") + tama + ansi(", edellisen loppusaldo ") + edellinen,
                         ansi("Tilin ") + t.tili + ansi(" saldo ei jatku (tiedosto ") + yritys +
                             ansi("): edellisen tiliotteen") + (s.onNumero ? " (" + nro(s.numero) + ")" : "") +
                             ansi(" loppusaldo on ") + edellinen + ansi(", tämän") +
                             (t.numero ? " (" + nro(*t.numero) + ")" : "") + ansi(" alkusaldo ") + tama +
                             ansi(". Välistä voi puuttua tiliote.")});
  }
  ketjuta(s, t);
  tarkistaRaja();
  return a;
}

void Jatkuvuus::lueHistoriasta(const std::string& datahakemisto, int vuosi) {
  if (datahakemisto.empty()) return;
  historia::Suodatin s;
  s.ajot = false;
  s.vuodesta = vuosi - 1;
  historia::Merkinta m;
  historia::lue(datahakemisto, s, [&](const std::string& rivi) {
    if (!historia::jasenna(rivi, m) || !m.onTiliote()) return;
    if (!m.arkisto.empty()) {
      const std::size_t viiva = m.alue.find('-');
      if (viiva != std::string::npos) kirjattiin(m.arkisto, std::strtoull(m.alue.c_str() + viiva + 1, nullptr, 10));
    }
    if (m.tapahtuma != historia::tapahtuma::tiliote) return;
    Tiliote t;
    t.tili = m.tili;
    if (!m.numero.empty()) t.numero = std::strtoll(m.numero.c_str(), nullptr, 10);
    t.alku = m.alkaa;
    t.loppu = m.paattyy;
    t.alkusaldo = historia::senteiksi(m.alkusaldo);
    t.loppusaldo = historia::senteiksi(m.loppusaldo);
    t.valuutta = m.valuutta;
    t.tiiviste = std::strtoull(m.tiiviste.c_str(), nullptr, 16);
    tunnettu(m.yritys, t);
  });
}

std::uint64_t Jatkuvuus::kirjattu(const std::string& arkisto) const {
  const auto i = kirjatut_.find(arkisto);
  return i == kirjatut_.end() ? 0 : i->second;
}

void Jatkuvuus::kirjattiin(const std::string& arkisto, std::uint64_t loppu) {
  std::uint64_t& k = kirjatut_[arkisto];
  if (loppu > k) k = loppu;
}

}  // namespace split
