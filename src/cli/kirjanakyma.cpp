#include "cli/kirjanakyma.h"

#include <cstdio>

#include "cli/cli.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/raportti.h"

namespace cli {

namespace {

using euro::ansi;

bool numerot(const std::string& s, std::size_t alku, std::size_t n) {
  for (std::size_t i = alku; i < alku + n; ++i)
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  return true;
}

int luku(const std::string& s, std::size_t alku, std::size_t n) { return std::stoi(s.substr(alku, n)); }

}  // namespace

bool kelpaaKuukausi(const std::string& s) {
  return s.size() == 7 && numerot(s, 0, 4) && s[4] == '-' && numerot(s, 5, 2) && luku(s, 5, 2) >= 1 &&
         luku(s, 5, 2) <= 12;
}

bool kelpaaPaiva(const std::string& s) {
  if (s.size() != 10 || !kelpaaKuukausi(s.substr(0, 7)) || s[7] != '-' || !numerot(s, 8, 2)) return false;
  const int v = luku(s, 0, 4), k = luku(s, 5, 2), p = luku(s, 8, 2);
  static const int paivia[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool karkaus = (v % 4 == 0 && v % 100 != 0) || v % 400 == 0;
  return p >= 1 && p <= paivia[k - 1] + (k == 2 && karkaus ? 1 : 0);
}

int naytaHistoria(const std::string& datahakemisto, const Kirjanakyma& n, const alusta::Aika& nyt) {
  try {
    if (split::historia::tiedostot(datahakemisto).empty())
      alusta::kirjoitaKonsoliin(2, ansi("Paloitteluhistoriaa ei vielä ole hakemistossa ") + datahakemisto + "\n");
    std::string ulos = split::historia::otsikko() + "\n";
    auto anna = [&](const std::string& rivi) {
      ulos += rivi + "\n";
      if (ulos.size() >= 64 * 1024) {
        alusta::kirjoitaKonsoliin(1, ulos);
        ulos.clear();
      }
    };
    if (n.hiljaiset) split::historia::hiljaiset(datahakemisto, *n.hiljaiset, nyt, anna);
    else if (n.viimeisimmat) split::historia::viimeisimmat(datahakemisto, n.suodatin, anna);
    else split::historia::lue(datahakemisto, n.suodatin, anna);
    alusta::kirjoitaKonsoliin(1, ulos);
    return valmis;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    alusta::kirjoitaKonsoliin(2, "kolvanto-cli: " + v.viesti() + " (virhe " + std::to_string(v.numero()) + ")\n");
    return virhe;
  }
}

int naytaRaportti(const std::string& datahakemisto, const std::string& kuukausi) {
  try {
    if (split::historia::tiedostot(datahakemisto).empty())
      alusta::kirjoitaKonsoliin(2, ansi("Paloitteluhistoriaa ei vielä ole hakemistossa ") + datahakemisto + "\n");
    // A page, not console text: its bytes go out as written, whatever the console's encoding.
    split::raportti::kirjoita(datahakemisto, luku(kuukausi, 0, 4), luku(kuukausi, 5, 2),
                              [](const std::string& osa) { alusta::kirjoitaTavut(1, osa); });
    return valmis;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    alusta::kirjoitaKonsoliin(2, "kolvanto-cli: " + v.viesti() + " (virhe " + std::to_string(v.numero()) + ")\n");
    return virhe;
  }
}

}  // namespace cli
