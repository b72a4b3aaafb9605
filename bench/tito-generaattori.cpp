// Writes a synthetic cumulative TITO file: the monthly statements of every account of a set of
// companies, month after month, each with its transactions, extra information, daily balances
// and period totals. Windows-1252 text, CR LF line ends.
// Only integer arithmetic and an own PRNG: a seed gives the same bytes on every platform.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "arpa.h"

namespace {

using u64 = std::uint64_t;
using i64 = std::int64_t;

using generaattori::Arpa;

// The tables below are written in UTF-8 and hold Latin-1 letters only.
std::string w1252(std::string_view utf8) {
  std::string t;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      t += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      t += static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
    } else {
      std::fprintf(stderr, "tito-generaattori: taulukossa merkki Latin-1:n ulkopuolelta\n");
      std::abort();
    }
  }
  return t;
}

std::vector<std::string> w1252(std::initializer_list<std::string_view> l) {
  std::vector<std::string> v;
  for (auto s : l) v.push_back(w1252(s));
  return v;
}

std::string isoksi(std::string s) {
  for (char& c : s) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
      c = static_cast<char>(b - 0x20);
  }
  return s;
}

std::string numerot(u64 v, std::size_t pituus) {
  std::string s(pituus, '0');
  for (std::size_t i = pituus; i-- > 0 && v > 0; v /= 10) s[i] = static_cast<char>('0' + v % 10);
  return s;
}

// One fixed-width record. Every field names its 1-based position, and a field written out of
// place stops the program: the positions are what the file is for.
class Tietue {
 public:
  explicit Tietue(std::string_view tunnus) {
    teksti(1, 3, tunnus);
    luku(4, 3, 0);
  }

  void teksti(std::size_t pos, std::size_t pituus, std::string_view s) {
    paikalla(pos);
    r_.append(s.substr(0, pituus));
    if (s.size() < pituus) r_.append(pituus - s.size(), ' ');
  }
  void luku(std::size_t pos, std::size_t pituus, u64 v) {
    paikalla(pos);
    r_ += numerot(v, pituus);
  }
  // Sign and digits, two of them decimals.
  void summa(std::size_t pos, std::size_t pituus, i64 senttia) {
    paikalla(pos);
    r_ += senttia < 0 ? '-' : '+';
    r_ += numerot(static_cast<u64>(senttia < 0 ? -senttia : senttia), pituus - 1);
  }
  // The record length goes to positions 4-6.
  std::string valmis() {
    std::string p = numerot(r_.size(), 3);
    r_.replace(3, 3, p);
    return r_ + "\r\n";
  }

 private:
  void paikalla(std::size_t pos) {
    if (r_.size() + 1 == pos) return;
    std::fprintf(stderr, "tito-generaattori: %s-kenttä %zu kirjoitettiin kohtaan %zu\n",
                 r_.substr(0, 3).c_str(), pos, r_.size() + 1);
    std::abort();
  }
  std::string r_;
};

struct Pvm {
  int v, k, p;
};

int paivia(int v, int k) {
  static const int p[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool karkaus = (v % 4 == 0 && v % 100 != 0) || v % 400 == 0;
  return k == 2 && karkaus ? 29 : p[k - 1];
}

// 0 = Monday. Days from 1970-01-01 by the civil-calendar formula.
int viikonpaiva(Pvm d) {
  int v = d.k <= 2 ? d.v - 1 : d.v;
  int era = (v >= 0 ? v : v - 399) / 400;
  int yoe = v - era * 400;
  int doy = (153 * (d.k + (d.k > 2 ? -3 : 9)) + 2) / 5 + d.p - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  i64 paiva = i64{era} * 146097 + doe - 719468;
  return static_cast<int>(((paiva % 7) + 7 + 3) % 7);
}

std::string vvkkpp(Pvm d) {
  return numerot(static_cast<u64>(d.v % 100), 2) + numerot(d.k, 2) + numerot(d.p, 2);
}

// ---- identifiers with their real check digits ----

std::string ytunnus(Arpa& a, std::set<std::string>& kaytetyt) {
  static const int painot[] = {7, 9, 10, 5, 8, 4, 2};
  for (;;) {
    std::string s = numerot(static_cast<u64>(a.valilta(0, 3)), 1);
    s += numerot(static_cast<u64>(a.valilta(0, 999999)), 6);
    int summa = 0;
    for (int i = 0; i < 7; ++i) summa += (s[i] - '0') * painot[i];
    int jaannos = summa % 11;
    if (jaannos == 1) continue;  // no valid check digit for this body
    s += "-" + numerot(jaannos == 0 ? 0 : 11 - jaannos, 1);
    if (kaytetyt.insert(s).second) return s;
  }
}

// The 14-digit machine form of a domestic account number, Luhn digit last.
std::string tilinumero(Arpa& a, std::string_view etuliite) {
  std::string s(etuliite);
  while (s.size() < 13) s += static_cast<char>('0' + a.alle(10));
  int summa = 0;
  for (int i = 0; i < 13; ++i) {
    int t = (s[i] - '0') * (i % 2 == 0 ? 2 : 1);
    summa += t / 10 + t % 10;
  }
  return s + static_cast<char>('0' + (10 - summa % 10) % 10);
}

std::string iban(const std::string& bban) {
  int jaannos = 0;
  for (char c : bban + "151800") jaannos = (jaannos * 10 + (c - '0')) % 97;  // F=15, I=18
  return "FI" + numerot(static_cast<u64>(98 - jaannos), 2) + bban;
}

// A domestic reference number: weights 7, 3, 1 from the right.
std::string viite(Arpa& a) {
  std::string s = numerot(static_cast<u64>(a.valilta(1, 9)), 1);
  for (int n = a.alle(9) + 2; n > 0; --n) s += static_cast<char>('0' + a.alle(10));
  static const int painot[] = {7, 3, 1};
  int summa = 0;
  for (std::size_t i = 0; i < s.size(); ++i) summa += (s[s.size() - 1 - i] - '0') * painot[i % 3];
  return s + static_cast<char>('0' + (10 - summa % 10) % 10);
}

// Amounts spread over their decades as real ones are: as many 12,50 as 1 250,00.
i64 summa(Arpa& a, i64 minEur, i64 maxEur) {
  i64 ala = minEur * 100, yla = maxEur * 100;
  i64 kymmen = 1;
  std::vector<std::pair<i64, i64>> vyot;
  for (i64 alku = ala; alku <= yla; kymmen *= 10) {
    i64 raja = std::max(ala, kymmen * 10);
    if (kymmen * 10 <= ala) continue;
    vyot.push_back({alku, std::min(yla, raja - 1)});
    alku = raja;
  }
  auto [lo, hi] = a.valitse(vyot);
  i64 s = a.valilta(lo, hi);
  if (s >= 10000 && a.prosentti(35)) s -= s % 100;  // whole euros
  return s;
}

// ---- the world the statements describe ----

struct Pankki {
  std::string nimi, yhteys, bic, etuliite, arkisto;
  bool isot;  // the bank writes names in capitals
};

std::vector<Pankki> pankit() {
  return {
      {"NORDEA PANKKI SUOMI OYJ", "YRITYSASIAKASPALVELU", "NDEAFIHH", "1", "ND", true},
      {"OP Yrityspankki Oyj", w1252("Yrityspalvelut, Pohjola"), "OKOYFIHH", "5", "OP", false},
      {"DANSKE BANK A/S, SUOMEN SIVULIIKE", "YRITYSPALVELU", "DABAFIHH", "8", "DB", true},
      {"HANDELSBANKEN", "KONTTORI", "HANDFIHH", "31", "HB", true},
      {"S-Pankki Oyj", "Yritysasiakkaat", "SBANFIHH", "39", "SP", false},
      {w1252("Ålandsbanken Abp"), w1252("Företagskunder / Yritysasiakkaat"), "AABAFI22", "66", "AB",
       false},
      {"Aktia Pankki Oyj", "Yritysasiakkaat", "HELSFIHH", "405", "AK", false},
  };
}

const std::vector<std::string> sukunimet =
    w1252({"Mäkelä",   "Häkkinen",   "Kärkkäinen", "Hämäläinen", "Räsänen",   "Lähteenmäki",
           "Pöyhönen", "Söderström", "Öhman",      "Åberg",      "Åkerlund",  "Väätäinen",
           "Ylönen",   "Nyström",    "Björklund",  "Sjöblom",    "Pääkkönen", "Jääskeläinen",
           "Virtanen", "Korhonen",   "Nieminen",   "Mäkinen",    "Heikkinen", "Koskinen",
           "Järvinen", "Lehtonen",   "Salminen",   "Laaksonen",  "Kivelä",    "Östman"});
const std::vector<std::string> etunimet =
    w1252({"Matti", "Päivi", "Jyrki", "Sirpa", "Kalle", "Åsa", "Jörgen", "Tiina", "Hannu", "Irmeli",
           "Seppo", "Säde", "Mikael", "Anneli", "Göran", "Väinö"});
const std::vector<std::string> toimialat =
    w1252({"Rakennus",         "Kuljetus",    "Puutarha",       "Tilitoimisto", "Sähkö",
           "Kiinteistöhuolto", "Konepaja",    "Leipomo",        "Metsäpalvelu", "Putkityö",
           "Maalaus",          "Kattotyö",    "Siivouspalvelu", "Autokorjaamo", "Kukkakauppa",
           "Kehystämö",        "Lämpö",       "Mainostoimisto", "Sisustus",     "Kampaamo",
           "Kirjanpito",       "Hammashoito", "Sähköasennus",   "Pesula"});
const std::vector<std::string> paikat =
    w1252({"Kärsämäki", "Mäntsälä", "Pälkäne", "Hämeenlinna", "Jyväskylä", "Järvenpää", "Äänekoski",
           "Töölö", "Pöytyä", "Närpiö", "Ähtäri", "Kemiönsaari", "Ylöjärvi", "Säkylä"});
// The same places, in the same order, in the genitive.
const std::vector<std::string> paikoista =
    w1252({"Kärsämäen", "Mäntsälän", "Pälkäneen", "Hämeenlinnan", "Jyväskylän", "Järvenpään",
           "Äänekosken", "Töölön", "Pöytyän", "Närpiön", "Ähtärin", "Kemiönsaaren", "Ylöjärven",
           "Säkylän"});
const std::vector<std::string> yhtiomuodot = {"Oy", "Oy", "Oy", "Ky", "Ky", "Oy Ab", "Ab"};

std::string henkilo(Arpa& a) {
  std::string suku = a.valitse(sukunimet);
  return suku + " " + a.valitse(etunimet);
}

std::string yrityksenNimi(Arpa& a, std::size_t i) {
  const std::string& suku = a.valitse(sukunimet);
  const std::string& ala = a.valitse(toimialat);
  if (i % 10 == 2) {
    // Names with a slash: two languages, or a trade name after the owner's.
    switch (a.alle(3)) {
      case 0:
        return "Tmi " + a.valitse(etunimet) + " " + suku + " / " + ala;
      case 1:
        return suku + " " + a.valitse(yhtiomuodot) + "/" + ala;
      default:
        return a.valitse(paikoista) + w1252(" Sähkö Oy / Elektriska Ab");
    }
  }
  if (i % 20 == 5) {
    switch (a.alle(3)) {
      case 0:
        return w1252("Café ") + suku + " Oy";
      case 1:
        return w1252("Rosé Viinibaari ") + a.valitse(paikat) + " Oy";
      default:
        return w1252("André ") + suku + " " + ala + " Ky";
    }
  }
  switch (a.alle(6)) {
    case 0:
      return "Tmi " + a.valitse(etunimet) + " " + suku;
    case 1:
      return w1252("Kiinteistö Oy ") + a.valitse(paikoista) + " Liiketalo";
    case 2:
      return ala + " " + suku + " " + a.valitse(yhtiomuodot);
    default:
      return suku + " " + ala + " " + a.valitse(yhtiomuodot);
  }
}

enum class Tilityyppi { kaytto, palkka, saasto, vero };

struct Tyontekija {
  std::string nimi, tili;
  i64 palkka;
};

struct Yritys {
  std::string ytunnus, nimi;
  std::vector<Tyontekija> tyontekijat;
  int aktiivisuus;  // transactions a month on the main account
  bool verotili = false;
};

struct Tili {
  std::size_t yritys;
  Tilityyppi tyyppi;
  std::size_t pankki;
  std::string numero, iban, nimi;
  i64 saldo, limiitti;
  int alkaa;  // first month of statements, counted from the first of the file
  u64 arkisto = 0;
  int vuosi = 0;
  u64 otteita = 0;  // statements written, repeats not counted
  int otenumero = 0, otevuosi = 0;
  i64 vuodenPanoja = 0, vuodenPanot = 0, vuodenOttoja = 0, vuodenOtot = 0;
};

struct Vastapuoli {
  std::string nimi, tili;
};

// What a counterparty of a company looks like on a statement.
class Vastapuolet {
 public:
  Vastapuolet(Arpa& a, const std::vector<Yritys>& yritykset) {
    for (int i = 0; i < 40; ++i)
      ihmiset_.push_back({henkilo(a), tilinumero(a, a.prosentti(50) ? "1" : "5")});
    for (const auto& s :
         w1252({"Rautakauppa Kärkkäinen", "Huoltoasema Päivärinta", "Toimistotarvike Östman",
                "Pizzeria Napoli", "Lähikauppa Pöytyä", "Kahvila Äimärautio", "Kirjakauppa Åström",
                "Apteekki Mäntsälä", "Puutavara Öhman", "Kodinkone Jääskeläinen"}))
      kaupat_.push_back({s, ""});
    for (const auto& s :
         w1252({"Sähkölaitos Oy", "Vakuutusyhtiö Fennoväki", "Työeläkeyhtiö Eläke-Säde",
                "Teleoperaattori Oyj", "Kiinteistö Oy Tähtiniemi", "Jätehuolto Öljymäki Oy",
                "Tukkuliike Björkqvist Ab", "Ohjelmistopalvelu Kärppä Oy",
                "Kuljetusliike Väätäinen Ky", "Pankkiyhtiö / Korttipalvelut"}))
      toimittajat_.push_back({s, tilinumero(a, a.prosentti(50) ? "8" : "5")});
    for (const auto& s : w1252({"Müller Maschinenbau GmbH", "Nordic Supply AB",
                                "Scierie Dupré SARL", "Åland Shipping Ab", "Tallinna Puit OÜ"}))
      ulkomaiset_.push_back({s, ""});
    verottaja_ = {"VEROHALLINTO", tilinumero(a, "5")};
    korttitilittaja_ = {w1252("Maksupääte Oy / Korttitilitys"), ""};
    for (const auto& y : yritykset) muut_.push_back({y.nimi, tilinumero(a, "1")});
  }
  const Vastapuoli& kauppa(Arpa& a) { return a.valitse(kaupat_); }
  // Other companies of the file trade with each other, never with themselves.
  const Vastapuoli& toimittaja(Arpa& a, const std::string& oma) {
    if (!a.prosentti(25)) return a.valitse(toimittajat_);
    const Vastapuoli& v = a.valitse(muut_);
    return v.nimi == oma ? a.valitse(toimittajat_) : v;
  }
  const Vastapuoli& asiakas(Arpa& a, const std::string& oma) {
    if (a.prosentti(50)) return a.valitse(ihmiset_);
    const Vastapuoli& v = a.valitse(muut_);
    return v.nimi == oma ? a.valitse(ihmiset_) : v;
  }
  const Vastapuoli& ulkomainen(Arpa& a) { return a.valitse(ulkomaiset_); }
  const Vastapuoli& verottaja() const { return verottaja_; }
  const Vastapuoli& korttitilittaja() const { return korttitilittaja_; }

 private:
  std::vector<Vastapuoli> ihmiset_, kaupat_, toimittajat_, ulkomaiset_, muut_;
  Vastapuoli verottaja_, korttitilittaja_;
};

struct Tapahtuma {
  bool pano;
  std::string koodi, selite;
  i64 maara;  // cents, positive
  Vastapuoli vastapuoli;
  std::string viite = {};
  std::vector<std::string> lisat = {};  // T11 bodies: type + data
  int paiva = 0;
};

const std::vector<std::string> kuukaudet =
    w1252({"TAMMIKUU", "HELMIKUU", "MAALISKUU", "HUHTIKUU", "TOUKOKUU", "KESÄKUU", "HEINÄKUU",
           "ELOKUU", "SYYSKUU", "LOKAKUU", "MARRASKUU", "JOULUKUU"});

std::string viesti(Arpa& a, Pvm kk) {
  std::string n = numerot(static_cast<u64>(a.valilta(1000, 99999)), 5);
  switch (a.alle(7)) {
    case 0:
      return "LASKU " + n;
    case 1:
      return "TILAUS " + n + " / TOIMITUS " + std::to_string(a.valilta(1, 28)) + "." +
             std::to_string(kk.k) + ".";
    case 2:
      return "VUOKRA " + kuukaudet[static_cast<std::size_t>(kk.k - 1)];
    case 3:
      return w1252("KIITOS HYVÄSTÄ PALVELUSTA");
    case 4:
      return "ENNAKKOMAKSU " + n;
    case 5:
      return "HYVITYS LASKUSTA " + n;
    default:
      return w1252("JÄSENMAKSU ") + std::to_string(kk.v);
  }
}

std::string t11(std::string_view tyyppi, std::string_view data, std::size_t pituus) {
  std::string s(tyyppi);
  s.append(data.substr(0, pituus));
  s.append(pituus - std::min(pituus, data.size()), ' ');
  return s;
}

// The ordinary traffic of a main account, credits and debits in their usual proportions.
Tapahtuma tavallinen(Arpa& a, Vastapuolet& vp, const std::string& oma, bool pano, Pvm kk) {
  Tapahtuma t;
  int r = a.alle(100);
  if (pano) {
    if (r < 50) {
      t = {true, "705", "VIITESIIRTO", summa(a, 15, 6000), vp.asiakas(a, oma), viite(a)};
    } else if (r < 72) {
      t = {true, "710", "TILISIIRTO", summa(a, 10, 4000), vp.asiakas(a, oma)};
      t.lisat.push_back(t11("00", viesti(a, kk), 35));
    } else if (r < 85) {
      t = {true, "710", "SEPA-MAKSU", summa(a, 100, 25000), vp.ulkomainen(a)};
      bool tunnus = a.prosentti(70);
      t.lisat.push_back(t11(
          "11", tunnus ? "E2E" + numerot(a.seuraava() % 1000000000000ULL, 12) : "NOTPROVIDED", 35));
    } else {
      t = {true, "703", w1252("MAKSUPÄÄTETILITYS"), summa(a, 50, 9000), vp.korttitilittaja()};
    }
  } else {
    if (r < 38) {
      t = {false, "702", "E-LASKU", summa(a, 10, 5000), vp.toimittaja(a, oma), viite(a)};
    } else if (r < 62) {
      t = {false, "710", "TILISIIRTO", summa(a, 10, 3000), vp.toimittaja(a, oma)};
      t.lisat.push_back(t11("00", viesti(a, kk), 35));
      if (a.prosentti(20)) t.lisat[0] += t11("", viesti(a, kk), 35);
    } else {
      t = {false, "721", "KORTTIOSTO", summa(a, 3, 900), vp.kauppa(a)};
      std::string kortti = numerot(static_cast<u64>(a.valilta(400000, 559999)), 6) + "******";
      kortti += numerot(static_cast<u64>(a.alle(10000)), 4);
      t.lisat.push_back(t11("03", kortti, 19) + " " +
                        numerot(a.seuraava() % 100000000000000ULL, 14));
    }
  }
  return t;
}

Tapahtuma palkka(const Tyontekija& t, Pvm kk) {
  Tapahtuma p{false, "710", "PALKKA", t.palkka, {t.nimi, t.tili}};
  p.lisat.push_back(t11("00", "PALKKA " + kuukaudet[static_cast<std::size_t>(kk.k - 1)], 35));
  return p;
}

std::vector<int> arkipaivat(Pvm kk) {
  std::vector<int> p;
  for (int d = 1; d <= paivia(kk.v, kk.k); ++d)
    if (viikonpaiva({kk.v, kk.k, d}) < 5) p.push_back(d);
  return p;
}

int arkipaivaAlkaen(const std::vector<int>& arki, int paiva) {
  for (int d : arki)
    if (d >= paiva) return d;
  return arki.back();
}

// One account's statement for one month: T00, then T10 with its T11s, a T40 after each
// posting day, and T50 totals for the period and the year so far.
std::string tiliote(Arpa& a, Tili& tili, const Yritys& yritys, const Pankki& pankki,
                    Vastapuolet& vp, bool paatili, bool palkkatili, Pvm kk, int numero) {
  const std::vector<int> arki = arkipaivat(kk);
  const int viimeinen = paivia(kk.v, kk.k);
  std::vector<Tapahtuma> tapahtumat;
  auto lisaa = [&](Tapahtuma t, int paiva, std::string lisa = {}) {
    t.paiva = paiva;
    if (!lisa.empty()) t.lisat.push_back(std::move(lisa));
    tapahtumat.push_back(std::move(t));
  };
  Vastapuoli itse{yritys.nimi, ""};

  i64 palkkasumma = 0;
  for (const auto& t : yritys.tyontekijat) palkkasumma += t.palkka;

  const Vastapuoli pankkina{pankki.nimi, ""};
  switch (tili.tyyppi) {
    case Tilityyppi::kaytto: {
      int n = yritys.aktiivisuus * static_cast<int>(a.valilta(60, 140)) / 100;
      i64 tavoite = i64{yritys.aktiivisuus} * 150000 + palkkasumma;
      for (int i = 0; i < n; ++i) {
        // Balances drift back towards a level that suits the company's size.
        int panoja = tili.saldo < 0 ? 75 : tili.saldo > tavoite * 2 ? 35 : 55;
        int paiva = a.valitse(arki);
        lisaa(tavallinen(a, vp, yritys.nimi, a.prosentti(panoja), kk), paiva);
      }
      // Taxes and wages go through the company's first account; a second one carries ordinary
      // traffic only.
      if (paatili) {
        if (yritys.verotili) {
          lisaa({false, "710", "TILISIIRTO", summa(a, 200, 4000), itse}, arkipaivaAlkaen(arki, 5),
                t11("00", "VEROVARAUS", 35));
        } else if (yritys.aktiivisuus >= 10) {
          lisaa({false, "702", "OMA VEROTILI", summa(a, 200, 15000), vp.verottaja(), viite(a)},
                arkipaivaAlkaen(arki, 12));
        }
        if (!palkkatili) {
          for (const auto& t : yritys.tyontekijat) lisaa(palkka(t, kk), arkipaivaAlkaen(arki, 15));
        } else if (palkkasumma > 0) {
          lisaa({false, "710", "TILISIIRTO", palkkasumma, itse}, arkipaivaAlkaen(arki, 14),
                t11("00", "PALKAT", 35));
        }
      }
      lisaa({false, "730", "PALVELUMAKSU", summa(a, 4, 45), pankkina}, arki.back());
      if (tili.limiitti > 0 && tili.saldo < 0)
        lisaa({false, "740", "KORKO", summa(a, 1, 200), pankkina}, arki.back());
      break;
    }
    case Tilityyppi::palkka:
      lisaa({true, "710", "TILISIIRTO", palkkasumma, itse}, arkipaivaAlkaen(arki, 14),
            t11("00", "PALKAT", 35));
      for (const auto& t : yritys.tyontekijat) lisaa(palkka(t, kk), arkipaivaAlkaen(arki, 15));
      lisaa({false, "730", "PALVELUMAKSU", summa(a, 2, 12), pankkina}, arki.back());
      break;
    case Tilityyppi::saasto:
      if (a.prosentti(30)) {
        int paiva = a.valitse(arki);
        lisaa({true, "710", "TILISIIRTO", summa(a, 500, 20000), itse}, paiva);
      }
      if (a.prosentti(15) && tili.saldo > 100000)
        lisaa({false, "710", "TILISIIRTO", tili.saldo / 4, itse}, a.valitse(arki));
      if (kk.k == 12)
        lisaa({true, "750", "HYVITYSKORKO", 1 + tili.saldo / 400, pankkina}, arki.back());
      break;
    case Tilityyppi::vero:
      lisaa({true, "710", "TILISIIRTO", summa(a, 200, 4000), itse}, arkipaivaAlkaen(arki, 5),
            t11("00", "VEROVARAUS", 35));
      lisaa({false, "702", "OMA VEROTILI", summa(a, 200, 6000), vp.verottaja(), viite(a)},
            arkipaivaAlkaen(arki, 12));
      break;
  }
  std::stable_sort(tapahtumat.begin(), tapahtumat.end(),
                   [](const Tapahtuma& x, const Tapahtuma& y) { return x.paiva < y.paiva; });

  if (tili.vuosi != kk.v) {
    tili.vuosi = kk.v;
    tili.vuodenPanoja = tili.vuodenPanot = tili.vuodenOttoja = tili.vuodenOtot = 0;
  }
  const i64 alkusaldo = tili.saldo;
  i64 panoja = 0, panot = 0, ottoja = 0, otot = 0;
  std::string runko;
  int tietueita = 1;
  auto saldotietue = [&](int paiva) {
    Tietue r("T40");
    r.teksti(7, 6, vvkkpp({kk.v, kk.k, paiva}));
    r.summa(13, 19, tili.saldo);
    r.summa(32, 19, tili.saldo + tili.limiitti);
    runko += r.valmis();
    ++tietueita;
  };
  for (std::size_t i = 0; i < tapahtumat.size(); ++i) {
    const Tapahtuma& t = tapahtumat[i];
    const bool isot = pankki.isot;
    Pvm pvm{kk.v, kk.k, t.paiva};
    Tietue r("T10");
    r.luku(7, 6, i + 1);
    r.teksti(13, 18, vvkkpp(pvm) + pankki.arkisto + numerot(++tili.arkisto, 10));
    r.teksti(31, 6, vvkkpp(pvm));
    r.teksti(37, 6, vvkkpp(pvm));
    r.teksti(43, 6,
             t.koodi == "730" || t.koodi == "740" || t.koodi == "750" ? "000000" : vvkkpp(pvm));
    r.teksti(49, 1, t.pano ? "1" : "2");
    r.teksti(50, 3, t.koodi);
    r.teksti(53, 35, t.selite);
    r.summa(88, 19, t.pano ? t.maara : -t.maara);
    r.teksti(107, 1, " ");
    r.teksti(108, 1, t.viite.empty() ? " " : "A");
    r.teksti(109, 35, isot ? isoksi(t.vastapuoli.nimi) : t.vastapuoli.nimi);
    r.teksti(144, 1, t.vastapuoli.nimi.empty() ? " " : "K");
    r.teksti(145, 14, t.vastapuoli.tili);
    r.teksti(159, 1, " ");
    r.teksti(160, 20, t.viite.empty() ? "" : std::string(20 - t.viite.size(), '0') + t.viite);
    r.teksti(180, 8, "");
    r.teksti(188, 1, " ");
    runko += r.valmis();
    ++tietueita;
    for (const auto& lisa : t.lisat) {
      Tietue l("T11");
      l.teksti(7, lisa.size(), lisa);
      runko += l.valmis();
      ++tietueita;
    }
    if (t.pano) {
      ++panoja;
      panot += t.maara;
      tili.saldo += t.maara;
    } else {
      ++ottoja;
      otot += t.maara;
      tili.saldo -= t.maara;
    }
    if (i + 1 == tapahtumat.size() || tapahtumat[i + 1].paiva != t.paiva) saldotietue(t.paiva);
  }
  if (tapahtumat.empty()) saldotietue(viimeinen);

  tili.vuodenPanoja += panoja;
  tili.vuodenPanot += panot;
  tili.vuodenOttoja += ottoja;
  tili.vuodenOtot += otot;
  auto kumulatiivinen = [&](int jakso, i64 pa, i64 ps, i64 oa, i64 os) {
    Tietue r("T50");
    r.luku(7, 1, static_cast<u64>(jakso));
    r.teksti(8, 6, vvkkpp({kk.v, kk.k, viimeinen}));
    r.luku(14, 8, static_cast<u64>(pa));
    r.summa(22, 19, ps);
    r.luku(41, 8, static_cast<u64>(oa));
    r.summa(49, 19, -os);
    runko += r.valmis();
    ++tietueita;
  };
  kumulatiivinen(2, panoja, panot, ottoja, otot);
  kumulatiivinen(4, tili.vuodenPanoja, tili.vuodenPanot, tili.vuodenOttoja, tili.vuodenOtot);

  Pvm edellinen = kk.k == 1 ? Pvm{kk.v - 1, 12, 31} : Pvm{kk.v, kk.k - 1, paivia(kk.v, kk.k - 1)};
  Pvm luotu = kk.k == 12 ? Pvm{kk.v + 1, 1, 1} : Pvm{kk.v, kk.k + 1, 1};
  std::string luotuKlo = vvkkpp(luotu) + numerot(static_cast<u64>(a.valilta(2, 6)), 2);
  luotuKlo += numerot(static_cast<u64>(a.alle(60)), 2);
  const std::string omistaja = pankki.isot ? isoksi(yritys.nimi) : yritys.nimi;
  Tietue r("T00");
  r.teksti(7, 3, "100");
  r.teksti(10, 14, tili.numero);
  r.luku(24, 3, static_cast<u64>(numero));
  r.teksti(27, 6, vvkkpp({kk.v, kk.k, 1}));
  r.teksti(33, 6, vvkkpp({kk.v, kk.k, viimeinen}));
  r.teksti(39, 10, luotuKlo);
  r.teksti(49, 17, yritys.ytunnus);
  r.teksti(66, 6, vvkkpp(edellinen));
  r.summa(72, 19, alkusaldo);
  r.luku(91, 6, static_cast<u64>(tietueita));
  r.teksti(97, 3, "EUR");
  r.teksti(100, 30, pankki.isot ? isoksi(tili.nimi) : tili.nimi);
  r.summa(130, 18, tili.limiitti);
  r.teksti(148, 35, omistaja);
  r.teksti(183, 40, pankki.nimi);
  r.teksti(223, 40, pankki.yhteys);
  r.teksti(263, 30, tili.iban);
  r.teksti(293, 11, pankki.bic);
  r.teksti(304, 19, "");
  return r.valmis() + runko;
}

// The statement number (T00 24-26) runs on by one per account and starts again at 001 with a
// year's first statement, as a bank's yearly count does: the statements are monthly, so
// January's is 001. An account's first statement takes its month's number rather than 001, which
// keeps the shipped example and the benchmark input byte for byte. After 999 comes 001 (000 would
// read as no number); monthly statements never get there.
int otenumero(Tili& tili, Pvm kk, bool aukko) {
  int n = tili.otenumero == 0 ? kk.k : tili.otevuosi != kk.v ? 1 : tili.otenumero + 1;
  if (aukko) ++n;  // a number skipped: the bank lost one, or says it did
  if (n > 999) n -= 999;
  tili.otenumero = n;
  tili.otevuosi = kk.v;
  return n;
}

// The same statement made again later the same day: only its creation hour (T00 45-46) differs,
// 02-06 becoming 12-16, so the number, the period and the balances stay those of the first.
std::string uudelleenMuodostettu(std::string era) {
  era[44] = '1';
  return era;
}

// Lines a transfer program or a person leaves before the first statement.
std::string roskarivi(std::size_t i) {
  static const std::vector<std::string> rivit = w1252({
      ">>PANKKIYHTEYS KERTYMÄTIEDOSTO TILIOTTEET",
      "",
      "TIEDOSTO TITO.TXT SIIRRETTY 05:12:33",
      "*** HUOM: ALLA OLEVAT TILIOTTEET ON JO KERTAALLEEN NOUDETTU ***",
  });
  return rivit[i % rivit.size()] + "\r\n";
}

struct Asetukset {
  u64 koko = 1024 * 1024;
  u64 eria = 0;  // 0: the size decides
  std::size_t yrityksia = 6;
  u64 siemen = 1;
  std::size_t roskarivit = 0;
  std::string polku;
  // Faults, each at the N-th statement of every account that gets that far.
  std::set<u64> aukot, toistot, eriToistot, katkot;
};

const char* const kaytto =
    "Käyttö: tito-generaattori [valinnat] TIEDOSTO\n"
    "\n"
    "Kirjoittaa keinotekoisen TITO-kertymätiedoston (Windows-1252, CR LF).\n"
    "Sama siemen ja samat valinnat antavat joka alustalla samat tavut.\n"
    "\n"
    "  --koko N[K|M|G]     tiedoston koko tavuina, vähintään (oletus 1M);\n"
    "                      kirjoitetaan kokonaisia eriä, kunnes koko täyttyy\n"
    "  --eria N            erien (tiliotteiden) määrä koon sijaan\n"
    "  --yrityksia N       yritysten määrä (oletus 6)\n"
    "  --siemen N          satunnaislukujen siemen (oletus 1)\n"
    "  --roskarivit N      rivejä ennen ensimmäistä T00-tietuetta (oletus 0)\n"
    "\n"
    "Tiliotteiden numerot (T00 24-26) juoksevat tileittäin yhdellä ja alkavat vuoden\n"
    "alussa 001:stä; kunkin otteen alkusaldo on edellisen otteen loppusaldo (viimeinen\n"
    "T40). Otteet ovat kuukausittaisia tammikuusta 2016; vuoden 2099 jälkeen tilit saavat\n"
    "uudet numerot ja vuodet alkavat taas 2016:sta (kaksinumeroiset vuodet eivät kulje\n"
    "taaksepäin).\n"
    "Virheet, kukin jokaisen tilin N:nteen otteeseen (valinnan voi antaa monesti):\n"
    "  --aukko N           N:s ote hyppää numeron yli (saldot jatkuvat), N >= 2\n"
    "  --toisto N          N:s ote kirjoitetaan heti uudelleen samoin tavuin\n"
    "  --eri-toisto N      N:s ote kirjoitetaan heti uudelleen samalla numerolla,\n"
    "                      jaksolla ja saldoilla mutta eri tavuin (muodostusaika)\n"
    "  --saldokatko N      N:nnen otteen alkusaldo on 100,00 suurempi kuin edellisen\n"
    "                      otteen loppusaldo (numerot jatkuvat), N >= 2\n"
    "  -h, --help          tämä ohje\n";

bool luku(const std::string& s, u64& arvo, bool kerroin) {
  if (s.empty()) return false;
  u64 v = 0;
  std::size_t i = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + static_cast<u64>(s[i] - '0');
  }
  if (i == 0) return false;
  if (i < s.size()) {
    if (!kerroin || i + 1 != s.size()) return false;
    int siirto = s[i] == 'K' || s[i] == 'k'   ? 10
                 : s[i] == 'M' || s[i] == 'm' ? 20
                 : s[i] == 'G' || s[i] == 'g' ? 30
                                              : -1;
    if (siirto < 0 || v > (UINT64_MAX >> siirto)) return false;
    v <<= siirto;
  }
  arvo = v;
  return true;
}

int kayttovirhe(const std::string& viesti) {
  std::fprintf(stderr, "tito-generaattori: %s\nOhje: tito-generaattori --help\n", viesti.c_str());
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  Asetukset as;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kaytto, stdout);
      return 0;
    }
    if (arg == "--koko" || arg == "--eria" || arg == "--yrityksia" || arg == "--siemen" ||
        arg == "--roskarivit" || arg == "--aukko" || arg == "--toisto" || arg == "--eri-toisto" ||
        arg == "--saldokatko") {
      if (i + 1 >= argc) return kayttovirhe(arg + " tarvitsee arvon");
      u64 v = 0;
      if (!luku(argv[++i], v, arg == "--koko"))
        return kayttovirhe(arg + ": virheellinen luku " + argv[i]);
      if (arg == "--koko") as.koko = v, as.eria = 0;
      if (arg == "--eria" && v == 0) return kayttovirhe("--eria: vähintään 1");
      if (arg == "--eria") as.eria = v;
      if (arg == "--yrityksia") as.yrityksia = static_cast<std::size_t>(v);
      if (arg == "--siemen") as.siemen = v;
      if (arg == "--roskarivit") as.roskarivit = static_cast<std::size_t>(v);
      const u64 pienin = arg == "--aukko" || arg == "--saldokatko" ? 2 : 1;
      std::set<u64>* virheet = arg == "--aukko"        ? &as.aukot
                               : arg == "--toisto"     ? &as.toistot
                               : arg == "--eri-toisto" ? &as.eriToistot
                               : arg == "--saldokatko" ? &as.katkot
                                                       : nullptr;
      if (virheet && v < pienin) return kayttovirhe(arg + ": vähintään " + std::to_string(pienin));
      if (virheet) virheet->insert(v);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return kayttovirhe("tuntematon valinta: " + arg);
    } else {
      if (!as.polku.empty()) return kayttovirhe("vain yksi tiedosto");
      as.polku = arg;
    }
  }
  if (as.polku.empty()) return kayttovirhe("tiedosto puuttuu");
  if (as.yrityksia < 1 || as.yrityksia > 100000) return kayttovirhe("yrityksiä 1-100000");

  Arpa a(as.siemen);
  const std::vector<Pankki> kaikkiPankit = pankit();
  std::vector<Yritys> yritykset;
  std::vector<Tili> tilit;
  std::set<std::string> tunnukset;
  std::vector<std::size_t> paatilit;
  std::vector<bool> palkkatilit;

  for (std::size_t i = 0; i < as.yrityksia; ++i) {
    Yritys y;
    y.ytunnus = ytunnus(a, tunnukset);
    y.nimi = yrityksenNimi(a, i);
    int koko = a.alle(100);
    y.aktiivisuus = koko < 45   ? static_cast<int>(a.valilta(4, 12))
                    : koko < 82 ? static_cast<int>(a.valilta(12, 36))
                                : static_cast<int>(a.valilta(36, 90));
    int tyontekijoita = a.prosentti(40) ? 0 : static_cast<int>(a.valilta(1, koko < 82 ? 4 : 12));
    for (int t = 0; t < tyontekijoita; ++t)
      y.tyontekijat.push_back({henkilo(a), tilinumero(a, "1"), summa(a, 1800, 4800)});

    std::vector<Tilityyppi> tyypit{Tilityyppi::kaytto};
    int r = a.alle(100);
    int lisatileja = r < 40 ? 0 : r < 70 ? 1 : r < 90 ? 2 : 3;
    if (lisatileja > 0 && tyontekijoita > 0) tyypit.push_back(Tilityyppi::palkka);
    while (static_cast<int>(tyypit.size()) <= lisatileja) {
      Tilityyppi t = static_cast<int>(tyypit.size()) == 3 ? Tilityyppi::kaytto
                     : a.prosentti(50)                    ? Tilityyppi::saasto
                                                          : Tilityyppi::vero;
      if (t == Tilityyppi::vero && y.verotili) t = Tilityyppi::saasto;
      if (t == Tilityyppi::vero) y.verotili = true;
      tyypit.push_back(t);
    }
    // Most companies are there from the first month; the rest become customers later.
    int alkaa = i == 0 || a.prosentti(80) ? 0 : static_cast<int>(a.valilta(1, 36));
    std::size_t paapankki = static_cast<std::size_t>(a.alle(static_cast<int>(kaikkiPankit.size())));
    paatilit.push_back(tilit.size());
    palkkatilit.push_back(tyypit.size() > 1 && tyypit[1] == Tilityyppi::palkka);
    for (std::size_t t = 0; t < tyypit.size(); ++t) {
      Tili tili{};
      tili.yritys = i;
      tili.tyyppi = tyypit[t];
      // A second main account is usually in another bank.
      tili.pankki = t == 3 ? (paapankki + 1) % kaikkiPankit.size() : paapankki;
      tili.numero = tilinumero(a, kaikkiPankit[tili.pankki].etuliite);
      tili.iban = iban(tili.numero);
      switch (tili.tyyppi) {
        case Tilityyppi::kaytto:
          tili.nimi = a.valitse(w1252({"Käyttötili", "Yritystili", "Yritystili Plus"}));
          break;
        case Tilityyppi::palkka:
          tili.nimi = "Palkkatili";
          break;
        case Tilityyppi::saasto:
          tili.nimi = a.valitse(w1252({"Säästötili", "Korkotili", "Yrityksen sijoitustili"}));
          break;
        case Tilityyppi::vero:
          tili.nimi = "Verovaraustili";
          break;
      }
      tili.limiitti =
          tili.tyyppi == Tilityyppi::kaytto && a.prosentti(30) ? a.valilta(1, 10) * 500000 : 0;
      tili.saldo = tili.tyyppi == Tilityyppi::saasto ? summa(a, 1000, 90000) : summa(a, 100, 40000);
      tili.alkaa = alkaa;
      tilit.push_back(std::move(tili));
    }
    yritykset.push_back(std::move(y));
  }
  Vastapuolet vastapuolet(a, yritykset);

  std::FILE* f = std::fopen(as.polku.c_str(), "wb");
  if (!f) {
    std::perror(as.polku.c_str());
    return 2;
  }
  std::string puskuri;
  u64 kirjoitettu = 0;
  auto kirjoita = [&](bool kaikki) {
    if (!kaikki && puskuri.size() < (1u << 20)) return true;
    bool ok = std::fwrite(puskuri.data(), 1, puskuri.size(), f) == puskuri.size();
    kirjoitettu += puskuri.size();
    puskuri.clear();
    return ok;
  };
  for (std::size_t i = 0; i < as.roskarivit; ++i) puskuri += roskarivi(i);

  bool ok = true;
  u64 eria = 0;
  auto valmis = [&] { return as.eria ? eria >= as.eria : kirjoitettu + puskuri.size() >= as.koko; };
  // Statements run monthly from January 2016. Two-digit years end with 2099: the next
  // century's statements come from new account numbers (as after a bank's merger), from 2016
  // again, so that no account's series runs backwards and no run warns by accident.
  const int vuosisata = (2100 - 2016) * 12;
  for (int kk = 0; ok && !valmis(); ++kk) {
    if (kk > 0 && kk % vuosisata == 0)
      for (Tili& tili : tilit) {
        tili.numero = tilinumero(a, kaikkiPankit[tili.pankki].etuliite);
        tili.iban = iban(tili.numero);
        tili.otenumero = tili.otevuosi = 0;
      }
    Pvm kuukausi{2016 + kk % vuosisata / 12, kk % 12 + 1, 1};
    std::vector<std::size_t> jarjestys;
    for (std::size_t t = 0; t < tilit.size(); ++t)
      if (tilit[t].alkaa <= kk) jarjestys.push_back(t);
    // The bank sends the month's statements in no particular order.
    for (std::size_t j = jarjestys.size(); j > 1; --j)
      std::swap(jarjestys[j - 1], jarjestys[static_cast<std::size_t>(a.alle(static_cast<int>(j)))]);
    for (std::size_t t : jarjestys) {
      Tili& tili = tilit[t];
      const u64 n = ++tili.otteita;
      const int numero = otenumero(tili, kuukausi, as.aukot.count(n) > 0);
      if (as.katkot.count(n)) tili.saldo += 10000;
      const std::string era =
          tiliote(a, tili, yritykset[tili.yritys], kaikkiPankit[tili.pankki], vastapuolet,
                  paatilit[tili.yritys] == t, palkkatilit[tili.yritys], kuukausi, numero);
      puskuri += era;
      ++eria;
      // A repeat follows its statement at once, as a bank program that fetched it twice.
      if (as.toistot.count(n) && !valmis()) puskuri += era, ++eria;
      if (as.eriToistot.count(n) && !valmis()) puskuri += uudelleenMuodostettu(era), ++eria;
      if (!(ok = kirjoita(false)) || valmis()) break;
    }
  }
  ok = ok && kirjoita(true);
  if (std::fclose(f) != 0 || !ok) {
    std::perror(as.polku.c_str());
    return 2;
  }
  std::fprintf(stderr, "tito-generaattori: %s: %llu erää, %llu tavua\n", as.polku.c_str(),
               static_cast<unsigned long long>(eria), static_cast<unsigned long long>(kirjoitettu));
  return 0;
}
