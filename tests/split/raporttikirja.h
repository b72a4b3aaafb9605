// A statement ledger over two company files and two months, for the tests of the month's
// report, and a loose reading of the page: the marks of a cell, the number of day columns.
#pragma once

#include <string>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/historia.h"

namespace testi::raportti {

using split::historia::Merkinta;

inline Merkinta ajo(const char* aika, const char* tapahtuma, const std::string& yritys, const char* huom = "") {
  Merkinta m;
  m.aika = aika;
  m.tapahtuma = euro::ansi(tapahtuma);
  m.muoto = "TITO";
  m.tiliote = "/in/TITO.TXT";
  m.yritys = yritys;
  m.eria = yritys.empty() ? "0" : "1";
  m.tavuja = yritys.empty() ? "0" : "300";
  m.huomautus = euro::ansi(huom);
  return m;
}

inline Merkinta ote(const char* aika, const std::string& yritys, const char* numero, const char* alkaa,
                    const char* paattyy, const char* huom = "", bool ohitettu = false) {
  Merkinta m = ajo(aika, ohitettu ? "jo toimitettu" : "tiliote", yritys, huom);
  m.tili = "FI99 8888";
  m.numero = numero;
  m.alkaa = alkaa;
  m.paattyy = paattyy;
  m.alkusaldo = "10,00";
  m.loppusaldo = "-9,50";
  m.valuutta = "EUR";
  m.tiiviste = "0123456789abcdef";
  m.alue = "0-300";
  return m;
}

inline void kirjaa(const std::string& data, std::initializer_list<Merkinta> merkinnat) {
  split::historia::Kirjoittaja k(data, alusta::Aika{2026, 4, 2, 12, 0, 0});
  for (const Merkinta& m : merkinnat) k.lisaa(split::historia::tekstiksi(m));
  k.sulje();
}

// March 2026: A delivers 5, then 8 after a gap with a balance break and 5 again (passed
// over), a finished split, a statement without number; B one from February's end, 3 repeated
// with other bytes, a cut-off run. A refused file in March, a failed run and B's 4 in April.
inline void kirjoitaKirja(const std::string& data, const std::string& kansio) {
  const std::string a = kansio + alusta::erotin + "TITO-A.TXT", b = kansio + alusta::erotin + "TITO-B.TXT";
  kirjaa(data, {
      ajo("2026-03-05 10:00:00", "paloiteltu", a),
      ote("2026-03-05 10:00:00", a, "5", "2026-03-01", "2026-03-04"),
      ajo("2026-03-11 08:00:00", "paloiteltu", a),
      ote("2026-03-11 08:00:00", a, "8", "2026-03-09", "2026-03-10",
          "puuttuu nro 6–7; alkusaldo 10,00 EUR, edellisen loppusaldo -9,50 EUR"),
      ote("2026-03-11 08:00:00", a, "5", "2026-03-01", "2026-03-04", "", true),
      ajo("2026-03-15 12:00:00", "viimeistelty", a, "keskeytynyt paloittelu viimeistelty"),
      ajo("2026-03-16 09:15:00", "hylätty", "", "tiedosto ei ole tiliotetiedosto"),
      ajo("2026-03-20 07:00:00", "paloiteltu", a),
      ajo("2026-03-20 07:00:00", "paloiteltu", b),
      ote("2026-03-20 07:00:00", a, "", "2026-03-01", "2026-03-31"),
      ote("2026-03-20 07:00:00", b, "2", "2026-02-25", "2026-03-01"),
      ote("2026-03-20 07:00:00", b, "3", "2026-03-19", "2026-03-20", "nro 3 toistuu eri sisällöllä"),
      ajo("2026-03-25 06:00:00", "keskeytyi", b, "keskeytyi virheeseen, katso virhelog.txt"),
      ajo("2026-04-01 06:00:00", "epäonnistui", "", "levy on täynnä"),
      ajo("2026-04-03 06:00:00", "paloiteltu", b),
      ote("2026-04-03 06:00:00", b, "4", "2026-04-01", "2026-04-02"),
  });
}

// A company file in another folder whose name and finding hold markup.
inline void kirjoitaVaarallinen(const std::string& data, const std::string& kansio) {
  const std::string c = kansio + alusta::erotin + "muu" + alusta::erotin + euro::ansi("T<b>&'\"ä.TXT");
  kirjaa(data, {ote("2026-03-12 08:00:00", c, "1", "2026-03-12", "2026-03-12", "<script>alert(1)</script>")});
}

// The day columns of the grid's header.
inline int sarakkeita(const std::string& s) {
  const std::size_t alku = s.find("<thead>"), loppu = s.find("</thead>");
  if (alku == std::string::npos || loppu == std::string::npos) return 0;
  int n = -1;  // the column of the names
  for (std::size_t i = s.find("<th", alku); i < loppu; i = s.find("<th", i + 1))
    if (s.compare(i, 6, "<thead") != 0) ++n;
  return n;
}

// The marks of a day's cell in the company file's row, as "class text" separated by blanks:
// "t5 jJ5".
inline std::string solu(const std::string& s, const std::string& tiedosto, int paiva) {
  std::size_t i = s.find(">" + tiedosto + "</th>", s.find("<tbody>"));
  if (i == std::string::npos) return "(ei riviä)";
  for (int d = 1; d <= paiva; ++d) i = s.find("<td", i + 1);
  const std::size_t loppu = s.find("</td>", i);
  std::string tulos;
  for (std::size_t m = s.find("<span class=\"m ", i); m < loppu; m = s.find("<span class=\"m ", m + 1)) {
    const std::size_t luokka = m + 15, teksti = s.find('>', m) + 1;
    tulos += (tulos.empty() ? "" : " ") + s.substr(luokka, s.find('"', luokka) - luokka) +
             s.substr(teksti, s.find("</span>", teksti) - teksti);
  }
  return tulos;
}

}  // namespace testi::raportti
