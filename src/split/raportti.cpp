#include "split/raportti.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/poikkeus.h"
#include "euro/teksti.h"
#include "split/historia.h"

namespace split::raportti {

namespace {

using historia::Merkinta;

// The ledger is ANSI text; the page is UTF-8.
std::string u(const std::string& ansi) { return euro::ansiUtf8(ansi); }

std::string html(const std::string& s) {
  std::string t;
  t.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': t += "&amp;"; break;
      case '<': t += "&lt;"; break;
      case '>': t += "&gt;"; break;
      case '"': t += "&quot;"; break;
      case '\'': t += "&#39;"; break;
      default: t += c;
    }
  }
  return t;
}

bool alkaa(const std::string& s, const std::string& alku) { return s.compare(0, alku.size(), alku) == 0; }

// "2026-03-31" as "31.3.2026"; anything else as it is.
std::string pvm(const std::string& p) {
  if (p.size() < 10 || p[4] != '-' || p[7] != '-') return p;
  return std::to_string(std::atoi(p.substr(8, 2).c_str())) + "." + std::to_string(std::atoi(p.substr(5, 2).c_str())) +
         "." + p.substr(0, 4);
}

// "2026-03-21 14:30:05" as "21.3.2026 klo 14.30".
std::string hetki(const std::string& aika) {
  if (aika.size() < 16) return pvm(aika);
  return pvm(aika) + " klo " + aika.substr(11, 2) + "." + aika.substr(14, 2);
}

int paivia(int vuosi, int kuukausi) {
  static const int p[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool karkaus = (vuosi % 4 == 0 && vuosi % 100 != 0) || vuosi % 400 == 0;
  return p[kuukausi - 1] + (kuukausi == 2 && karkaus ? 1 : 0);
}

// 0 Sunday .. 6 Saturday.
int viikonpaiva(int y, int k, int p) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (k < 3) --y;
  return (y + y / 4 - y / 100 + y / 400 + t[k - 1] + p) % 7;
}

std::string nimiOsa(const std::string& polku) {
  const std::size_t e = polku.find_last_of(alusta::erotin);
  return e == std::string::npos ? polku : polku.substr(e + 1);
}

std::string kansioOsa(const std::string& polku) {
  const std::size_t e = polku.find_last_of(alusta::erotin);
  return e == std::string::npos ? std::string() : polku.substr(0, e + 1);
}

// What a mark stands for: its class in the style, its letter or symbol, its name in the legend.
enum class Laji { toimitettu, ohitettu, aukko, toisto, saldokatko, keskeytyi };
struct Lajikuvaus {
  const char* luokka;
  const char* merkki;
  const char* selite;
};
const Lajikuvaus lajit[] = {
    {"t", "✓", "toimitettu (numero, tai ✓ ilman numeroa)"},
    {"j", "J", "jo toimitettu aiemmin, ohitettu"},
    {"a", "A", "aukko: edeltäviä tiliotteita puuttuu"},
    {"r", "T", "numero toistuu eri sisällöllä"},
    {"s", "S", "saldo ei jatku edellisestä"},
    {"k", "K", "paloittelu keskeytyi"},
};
const Lajikuvaus& kuvaus(Laji l) { return lajit[static_cast<int>(l)]; }

struct Merkki {
  Laji laji;
  std::string teksti, selitys;  // UTF-8, unescaped
  bool jatkoa = false;          // a finding of the statement before it
};

// A finding for the list under the grid: the company file (ANSI, full; empty for a run), the
// day to sort by and the rest of the sentence (UTF-8).
struct Huomautus {
  std::string yritys, paiva, teksti;
};

struct Solut {
  std::map<int, std::vector<Merkki>> paivat;
};

std::string tilinKuvaus(const Merkinta& m) { return m.tili.empty() ? std::string() : ", tili " + u(m.tili); }
std::string numerona(const Merkinta& m) { return m.numero.empty() ? std::string() : " nro " + u(m.numero); }

// The statement as a title tells it.
std::string tiliotteenSelitys(const Merkinta& m) {
  std::string s = "Tiliote" + numerona(m) + tilinKuvaus(m);
  if (!m.alkaa.empty() || !m.paattyy.empty())
    s += ", jakso " + pvm(u(m.alkaa)) + (m.paattyy.empty() || m.paattyy == m.alkaa ? "" : "–" + pvm(u(m.paattyy)));
  const std::string valuutta = m.valuutta.empty() ? std::string() : " " + u(m.valuutta);
  if (!m.alkusaldo.empty()) s += ", alkusaldo " + u(m.alkusaldo) + valuutta;
  if (!m.loppusaldo.empty()) s += ", loppusaldo " + u(m.loppusaldo) + valuutta;
  return s;
}

class Kokoaja {
 public:
  Kokoaja(int vuosi, int kuukausi) : vuosi_(vuosi), kuukausi_(kuukausi), paivia_(paivia(vuosi, kuukausi)) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d-%02d", vuosi, kuukausi);
    kk_ = b;
  }

  void lisaa(const std::string& rivi) {
    if (!historia::jasenna(rivi, m_)) return;
    if (m_.onTiliote()) tiliote(m_);
    else ajo(m_);
  }

  // The run lines that no statement line followed go on the run's day.
  void paata() {
    for (const auto& [avain, m] : odottavat_)
      merkitseAjo(m, Laji::toimitettu);
    odottavat_.clear();
  }

  void kirjoita(const std::function<void(const std::string&)>& ulos) const;

 private:
  // The day of the month that a date of the ledger is, 0 when it is of another month.
  int paivaksi(const std::string& p) const {
    if (p.size() < 10 || p.compare(0, 7, kk_) != 0) return 0;
    const int d = std::atoi(p.substr(8, 2).c_str());
    return d >= 1 && d <= paivia_ ? d : 0;
  }

  void tiliote(const Merkinta& m) {
    odottavat_.erase({m.aika, m.yritys});
    const std::string& loppu = !m.paattyy.empty() ? m.paattyy : !m.alkaa.empty() ? m.alkaa : m.aika;
    const int d = paivaksi(loppu);
    if (d == 0 || m.yritys.empty()) return;
    std::vector<Merkki>& solu = rivit_[m.yritys].paivat[d];
    const bool ohitettu = m.tapahtuma == historia::tapahtuma::toimitettu;
    const std::string numero = u(m.numero);
    if (ohitettu)
      solu.push_back({Laji::ohitettu, "J" + numero,
                      "Jo toimitettu aiemmin, ei lisätty uudelleen: " + tiliotteenSelitys(m) + "; ajo " +
                          hetki(m.aika)});
    else
      solu.push_back({Laji::toimitettu, numero.empty() ? "✓" : numero,
                      tiliotteenSelitys(m) + "; toimitettu " + hetki(m.aika)});
    std::string h = u(m.huomautus);
    for (std::size_t alku = 0; alku < h.size();) {
      const std::size_t loppuKohta = std::min(h.find("; ", alku), h.size());
      havainto(m, h.substr(alku, loppuKohta - alku), solu);
      alku = loppuKohta + 2;
    }
  }

  // One finding of a statement's line: its mark after the statement's, and its sentence.
  void havainto(const Merkinta& m, const std::string& lyhyt, std::vector<Merkki>& solu) {
    if (lyhyt.empty()) return;
    const std::string tunnus =
        "tiliote" + numerona(m) + (m.paattyy.empty() ? std::string() : " (päättyy " + pvm(u(m.paattyy)) + ")");
    const std::string tili = m.tili.empty() ? std::string() : "tili " + u(m.tili) + ": ";
    std::string lause;
    Laji laji = Laji::toimitettu;
    if (alkaa(lyhyt, "puuttuu ")) {
      const std::string nrot = lyhyt.substr(8);
      const bool monta = nrot.find("–") != std::string::npos;
      laji = Laji::aukko;
      lause = tili + (monta ? "puuttuvat tiliotteet " : "puuttuu tiliote ") + nrot + " ennen tätä: " + tunnus +
              ". Pyydä " + (monta ? "puuttuvat tiliotteet" : "puuttuva tiliote") + " pankista.";
    } else if (lyhyt.find(" toistuu eri sisällöllä") != std::string::npos) {
      laji = Laji::toisto;
      lause = tili + tunnus + " tuli uudelleen eri sisällöllä ja lisättiin. Tarkista, kumpi on oikea.";
    } else if (alkaa(lyhyt, "alkusaldo ") && lyhyt.find(", edellisen loppusaldo ") != std::string::npos) {
      const std::size_t e = lyhyt.find(", edellisen loppusaldo ");
      laji = Laji::saldokatko;
      lause = tili + "saldo ei jatku: " + tunnus + " alkaa saldolla " + lyhyt.substr(10, e - 10) +
              ", mutta edellisen tiliotteen loppusaldo on " + lyhyt.substr(e + 23) +
              ". Välistä voi puuttua tiliote.";
    } else {
      lause = tili + tunnus + ": " + lyhyt + ".";
    }
    static const char* const otsakkeet[] = {"", "", "Aukko ennen tätä tiliotetta: ", "Toisto: ", "Saldo ei jatku: ", ""};
    if (laji != Laji::toimitettu)
      solu.push_back({laji, kuvaus(laji).merkki, otsakkeet[static_cast<int>(laji)] + lyhyt, true});
    else solu.back().selitys += "; " + lyhyt;
    huomautukset_.push_back({m.yritys, m.paattyy, lause});
  }

  void ajo(const Merkinta& m) {
    const int d = paivaksi(m.aika);
    if (d == 0) return;
    const std::string t = u(m.tapahtuma);
    if (t == "hylätty" || t == "epäonnistui" || t == "keskeytyi") {
      // A run is told once, whatever number of company files its lines name.
      if (m.aika != viimeksiKerrottu_) {
        viimeksiKerrottu_ = m.aika;
        const std::string mika = t == "hylätty" ? "paloittelu hylkäsi tiedoston"
                                 : t == "epäonnistui" ? "paloittelu epäonnistui, tiedosto"
                                                      : "paloittelu keskeytyi, tiedosto";
        ajohuomautukset_.push_back({std::string(), m.aika,
                                    hetki(m.aika) + ": " + mika + " " + u(m.tiliote) +
                                        (m.huomautus.empty() ? "." : ": " + u(m.huomautus) + ".")});
      }
    }
    if (m.yritys.empty() || m.yritys.front() == '(') return;
    if (t == "paloiteltu") odottavat_[{m.aika, m.yritys}] = m;
    else merkitseAjo(m, t == "keskeytyi" ? Laji::keskeytyi : Laji::toimitettu);
  }

  void merkitseAjo(const Merkinta& m, Laji laji) {
    std::string s = "Ajo " + hetki(m.aika) + ": " + u(m.tapahtuma);
    if (!m.eria.empty()) s += ", lisätty " + u(m.eria);
    if (!m.tavuja.empty()) s += " (" + u(m.tavuja) + " tavua)";
    if (!m.tila.empty()) s += ", tiedosto " + u(m.tila);
    if (!m.huomautus.empty()) s += "; " + u(m.huomautus);
    rivit_[m.yritys].paivat[paivaksi(m.aika)].push_back({laji, kuvaus(laji).merkki, s});
  }

  void kirjoitaRuudukko(std::string& s, bool yhteinen, const std::function<void(const std::string&)>& ulos) const;
  void kirjoitaHuomautukset(std::string& s, bool yhteinen) const;
  std::string nayttonimi(const std::string& yritys, bool yhteinen) const {
    return html(u(yhteinen ? nimiOsa(yritys) : yritys));
  }

  int vuosi_, kuukausi_, paivia_;
  std::string kk_;
  Merkinta m_;
  std::map<std::string, Solut> rivit_;  // by company file, full path
  std::map<std::pair<std::string, std::string>, Merkinta> odottavat_;  // the month's runs by time and file
  std::vector<Huomautus> huomautukset_, ajohuomautukset_;
  std::string viimeksiKerrottu_;
};

const char* const tyyli = R"(
@page { size: A4 landscape; margin: 10mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "Liberation Sans", Arial, sans-serif; font-size: 10pt; color: #000; margin: 1em; }
h1 { font-size: 16pt; margin: 0 0 .3em 0; }
h2 { font-size: 13pt; margin: 1.2em 0 .3em 0; }
p.kansio { margin: 0 0 .6em 0; }
table.ruudukko { border-collapse: collapse; width: 100%; table-layout: fixed; }
table.ruudukko th, table.ruudukko td { border: 1px solid #888; padding: 1px; text-align: center; vertical-align: top; font-size: 8pt; }
table.ruudukko th.nimi { text-align: left; width: 13em; word-wrap: break-word; overflow-wrap: anywhere; font-weight: normal; }
table.ruudukko thead th { background: #ddd; font-weight: bold; }
table.ruudukko .vl { background: #f2f2f2; }
thead { display: table-header-group; }
tr { page-break-inside: avoid; break-inside: avoid; }
.m { display: inline-block; min-width: 1.1em; padding: 0 1px; margin: 1px 0; border: 1px solid #000; border-radius: 2px; font-weight: bold; }
.t { background: #c9f0d2; }
.j { background: #e0e0e0; color: #444; border-style: dashed; }
.a { background: #ffd59e; }
.r { background: #e4ccff; }
.s { background: #ffb8b8; }
.k { background: #fff27a; }
.selite { margin: .6em 0; font-size: 9pt; }
.selite span.m { margin-right: .3em; }
.selite span.kohta { margin-right: 1.2em; white-space: nowrap; }
ul.huom li { margin-bottom: .3em; }
@media print { body { margin: 0; } h2 { page-break-after: avoid; break-after: avoid; } }
)";

void Kokoaja::kirjoitaRuudukko(std::string& s, bool yhteinen, const std::function<void(const std::string&)>& ulos) const {
  s += "<table class=\"ruudukko\">\n<thead><tr><th class=\"nimi\">Yritystiedosto</th>";
  for (int d = 1; d <= paivia_; ++d) {
    const int vp = viikonpaiva(vuosi_, kuukausi_, d);
    s += (vp == 0 || vp == 6 ? "<th class=\"vl\">" : "<th>") + std::to_string(d) + "</th>";
  }
  s += "</tr></thead>\n<tbody>\n";
  // By the file's name, whatever its folder.
  std::vector<const std::pair<const std::string, Solut>*> jarjestys;
  for (const auto& r : rivit_) jarjestys.push_back(&r);
  std::stable_sort(jarjestys.begin(), jarjestys.end(), [](const auto* a, const auto* b) {
    return euro::isoksi(nimiOsa(a->first)) < euro::isoksi(nimiOsa(b->first));
  });
  for (const auto* r : jarjestys) {
    s += "<tr><th class=\"nimi\" title=\"" + html(u(r->first)) + "\">" + nayttonimi(r->first, yhteinen) + "</th>";
    for (int d = 1; d <= paivia_; ++d) {
      const int vp = viikonpaiva(vuosi_, kuukausi_, d);
      s += vp == 0 || vp == 6 ? "<td class=\"vl\">" : "<td>";
      const auto solu = r->second.paivat.find(d);
      if (solu != r->second.paivat.end()) {
        for (const Merkki& m : solu->second) {
          if (!m.jatkoa && &m != &solu->second.front()) s += "<br>";
          s += "<span class=\"m " + std::string(kuvaus(m.laji).luokka) + "\" title=\"" + html(m.selitys) + "\">" +
               html(m.teksti) + "</span>";
        }
      }
      s += "</td>";
    }
    s += "</tr>\n";
    if (s.size() >= 64 * 1024) {
      ulos(s);
      s.clear();
    }
  }
  s += "</tbody></table>\n<div class=\"selite\">Merkit: ";
  for (const Lajikuvaus& l : lajit)
    s += "<span class=\"kohta\"><span class=\"m " + std::string(l.luokka) + "\">" + l.merkki + "</span>" + l.selite +
         "</span> ";
  s += "<br>Viikonloput harmaalla. Viemällä osoittimen merkin päälle näkee tiliotteen tiedot.</div>\n";
}

void Kokoaja::kirjoitaHuomautukset(std::string& s, bool yhteinen) const {
  s += "<h2>Huomautukset</h2>\n";
  if (huomautukset_.empty() && ajohuomautukset_.empty()) {
    s += "<p>Ei huomautettavaa: tiliotteet tulivat kerran ja järjestyksessä, eikä yksikään ajo "
         "hylännyt tiedostoa tai epäonnistunut.</p>\n";
    return;
  }
  std::vector<const Huomautus*> j;
  for (const Huomautus& h : huomautukset_) j.push_back(&h);
  std::stable_sort(j.begin(), j.end(), [](const Huomautus* a, const Huomautus* b) {
    return std::make_pair(euro::isoksi(nimiOsa(a->yritys)), a->paiva) <
           std::make_pair(euro::isoksi(nimiOsa(b->yritys)), b->paiva);
  });
  if (!j.empty()) {
    s += "<ul class=\"huom\">\n";
    for (const Huomautus* h : j)
      s += "<li>Tiedosto <b>" + nayttonimi(h->yritys, yhteinen) + "</b>, " + html(h->teksti) + "</li>\n";
    s += "</ul>\n";
  }
  if (!ajohuomautukset_.empty()) {
    s += "<h3>Hylätyt, epäonnistuneet ja keskeytyneet ajot</h3>\n<ul class=\"huom\">\n";
    for (const Huomautus& h : ajohuomautukset_) s += "<li>" + html(h.teksti) + "</li>\n";
    s += "</ul>\n";
  }
}

void Kokoaja::kirjoita(const std::function<void(const std::string&)>& ulos) const {
  const std::string otsikko = "Tiliotteet " + kuukaudenNimi(kuukausi_) + " " + std::to_string(vuosi_);
  std::string s = "<!DOCTYPE html>\n<html lang=\"fi\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + otsikko +
                  "</title>\n<style>" + tyyli + "</style>\n</head>\n<body>\n<h1>" + otsikko + "</h1>\n";
  if (rivit_.empty() && huomautukset_.empty() && ajohuomautukset_.empty()) {
    s += "<p class=\"tyhja\">Paloitteluhistoriassa ei ole tältä kuukaudelta yhtään tiliotetta eikä ajoa.</p>\n";
    ulos(s + "</body>\n</html>\n");
    return;
  }
  // The folder is told once when every company file lies in it.
  std::string kansio = rivit_.empty() ? std::string() : kansioOsa(rivit_.begin()->first);
  bool yhteinen = !rivit_.empty();
  for (const auto& r : rivit_) yhteinen = yhteinen && kansioOsa(r.first) == kansio;
  for (const Huomautus& h : huomautukset_) yhteinen = yhteinen && kansioOsa(h.yritys) == kansio;
  if (yhteinen) s += "<p class=\"kansio\">Yritystiedostot kansiossa <b>" + html(u(kansio)) + "</b></p>\n";
  if (rivit_.empty()) s += "<p class=\"tyhja\">Tältä kuukaudelta ei ole toimitettuja tiliotteita.</p>\n";
  else kirjoitaRuudukko(s, yhteinen, ulos);
  kirjoitaHuomautukset(s, yhteinen);
  ulos(s + "</body>\n</html>\n");
}

}  // namespace

std::string kuukaudenNimi(int kuukausi) {
  static const char* const nimet[] = {"tammikuu", "helmikuu", "maaliskuu", "huhtikuu", "toukokuu", "kesäkuu",
                                      "heinäkuu", "elokuu",   "syyskuu",   "lokakuu",  "marraskuu", "joulukuu"};
  return kuukausi >= 1 && kuukausi <= 12 ? nimet[kuukausi - 1] : std::string();
}

void kirjoita(const std::string& datahakemisto, int vuosi, int kuukausi,
              const std::function<void(const std::string&)>& ulos) {
  if (kuukausi < 1 || kuukausi > 12 || vuosi < 1 || vuosi > 9999) euro::heitaVirhe(5);
  Kokoaja k(vuosi, kuukausi);
  historia::Suodatin s;
  // A statement is told by its period's end, and a year's file holds the runs of that year: the
  // month's statements lie in its year's files and later ones, save those a run delivered
  // ahead of their end, which the year before may hold.
  s.vuodesta = vuosi - 1;
  historia::lue(datahakemisto, s, [&](const std::string& rivi) { k.lisaa(rivi); });
  k.paata();
  k.kirjoita(ulos);
}

}  // namespace split::raportti
