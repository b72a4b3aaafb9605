#include "euro/alusta/alusta.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "gtest/gtest.h"
#include "tuki/kayttaja.h"
#include "tuki/testituki.h"

namespace {

using alusta::Tiedosto;
using alusta::Tila;
using euro::ansi;

// The number of the Virhe that f throws, 0 when it throws none; the message goes to viesti.
template <class F>
std::int32_t virhe(F&& f, std::string* viesti = nullptr) {
  try {
    f();
  } catch (const euro::Virhe& v) {
    if (viesti) *viesti = v.viesti();
    return v.numero();
  }
  return 0;
}

void kirjoita(const std::string& polku, Tila tila, const std::string& sisalto) {
  Tiedosto t(polku, tila);
  t.kirjoita(sisalto);
  t.sulje();
}

std::string lueLoppuun(Tiedosto& t, std::size_t puskurinKoko) {
  std::string s, puskuri(puskurinKoko, '\0');
  while (std::size_t n = t.lue(puskuri.data(), puskuri.size())) s.append(puskuri, 0, n);
  return s;
}

// A hidden file: a name that begins with "." on POSIX, the attribute on Windows.
std::string piilotettu(const testi::Kansio& k, const std::string& nimi) {
  std::string polku = k / (alusta::onWindows ? nimi : "." + nimi);
  testi::kirjoitaTiedosto(polku, "x");
  alusta::asetaAttribuutit(polku, true, false);
  return polku;
}

TEST(Alusta, TavallinenTiedosto) {
  testi::Kansio k;
  testi::kirjoitaTiedosto(k / "tili.txt", "x");
  alusta::luoHakemisto(k / "kansio");
  alusta::luoHakemisto(k / "hakemisto.txt");
  piilotettu(k, "piilo.txt");
  const std::string piilo = alusta::onWindows ? "piilo.txt" : ".piilo.txt";
  if constexpr (alusta::onWindows) {
    testi::kirjoitaTiedosto(k / "jarjestelma.dat", "x");
    alusta::asetaAttribuutit(k / "jarjestelma.dat", false, true);
    testi::kirjoitaTiedosto(k / "molemmat.dat", "x");
    alusta::asetaAttribuutit(k / "molemmat.dat", true, true);
  }
  struct {
    std::string malli;
    bool tulos;
  } tapaukset[] = {
      {"tili.txt", true},
      {"TILI.TXT", alusta::onWindows},
      {"*.txt", true},  // hakemisto.txt and the hidden one match too, tili.txt counts
      {"t?li.txt", true},
      {"t??i.*", true},
      {"*", true},
      {"t?.txt", false},
      {"tili.tx", false},
      {"x*", false},
      {"kansio", false},
      {"kans*", false},
      {"hakemisto.*", false},
      {piilo, false},
      {"*ilo.txt", false},
      {"jarjestelma.dat", false},
      {"*.dat", false},
      {"puuttuu.txt", false},
      {std::string("puuttuu") + alusta::erotin + "tili.txt", false},
      {std::string("kansio") + alusta::erotin, false},
  };
  for (const auto& t : tapaukset)
    EXPECT_EQ(alusta::onkoTavallinenTiedosto(k / t.malli), t.tulos) << t.malli;
  EXPECT_FALSE(alusta::onkoTavallinenTiedosto(""));
}

TEST(Alusta, ListaakoHakemisto) {
  testi::Kansio k;
  alusta::luoHakemisto(k / "tyhja");
  testi::kirjoitaTiedosto(k / "tiedosto.txt", "x");
  struct {
    std::string hakemisto;
    bool tulos;
  } tapaukset[] = {
      {k.polku(), true},
      {k.polku() + alusta::erotin, true},
      {k / "tyhja", true},  // through its own "." entry
      {k / "puuttuu", false},
      {k / "puuttuu" + alusta::erotin + "ala", false},
      {k / "tiedosto.txt", false},
  };
  for (const auto& t : tapaukset) EXPECT_EQ(alusta::listaakoHakemisto(t.hakemisto), t.tulos) << t.hakemisto;
}

// The walk gives every entry once, stops when told, and lets a failure of its caller through.
TEST(Alusta, KayKansio) {
  testi::Kansio k;
  alusta::luoHakemisto(k / "ala");
  for (const char* n : {"a.txt", ".piilo", "\xe4yri\xf6.txt"}) testi::kirjoitaTiedosto(k / n, "x");
  std::vector<std::string> nimet;
  alusta::kayKansio(k.polku(), [&](const std::string& n) {
    if (n != "." && n != "..") nimet.push_back(n);
    return true;
  });
  std::sort(nimet.begin(), nimet.end());
  EXPECT_EQ(nimet, (std::vector<std::string>{".piilo", "a.txt", "ala", "\xe4yri\xf6.txt"}));

  int kutsuja = 0;
  alusta::kayKansio(k.polku(), [&](const std::string&) { return ++kutsuja < 2; });
  EXPECT_EQ(kutsuja, 2);
  alusta::kayKansio(k / "puuttuu", [&](const std::string&) { return ++kutsuja > 0; });
  EXPECT_EQ(kutsuja, 2);
  for (int kerta = 0; kerta < 2; ++kerta)
    EXPECT_EQ(virhe([&] { alusta::kayKansio(k.polku(), [](const std::string&) -> bool { euro::heitaVirhe(7, "x"); }); }), 7);
}

TEST(Alusta, LuoHakemisto) {
  testi::Kansio k;
  alusta::luoHakemisto(k / "uusi");
  EXPECT_TRUE(alusta::listaakoHakemisto(k / "uusi"));
  struct {
    std::string polku;
    std::int32_t numero;
  } tapaukset[] = {
      {k / "uusi", euro::virhenro::tiedostoOnJo},
      {k / "puuttuu" + alusta::erotin + "uusi", euro::virhenro::polkuaEiLoydy},
  };
  for (const auto& t : tapaukset) {
    std::string viesti;
    EXPECT_EQ(virhe([&] { alusta::luoHakemisto(t.polku); }, &viesti), t.numero) << t.polku;
    EXPECT_NE(viesti.find(t.polku), std::string::npos) << viesti;
  }
  EXPECT_FALSE(testi::onOlemassa(k / "puuttuu"));
}

TEST(Alusta, NimeaUudelleenEiKoskaanKorvaa) {
  const std::string vanhaSisalto("tiliote\r\n\0\xFF", 11);
  struct {
    const char* kuvaus;
    bool lahdeOn, kohdeOn;
    std::string kohde;  // under the scratch folder
    std::int32_t numero;
    bool virheNimeaaKohteen;
  } tapaukset[] = {
      {"vapaa nimi", true, false, "uusi.txt", 0, false},
      {"nimi varattu", true, true, "uusi.txt", euro::virhenro::tiedostoOnJo, true},
      {"kohdekansio puuttuu", true, false, std::string("puuttuu") + alusta::erotin + "uusi.txt",
       euro::virhenro::polkuaEiLoydy, true},
      {"lahde puuttuu", false, false, "uusi.txt", euro::virhenro::tiedostoaEiLoydy, false},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::Kansio k;
    const std::string vanha = k / "vanha.txt", uusi = k / t.kohde;
    if (t.lahdeOn) testi::kirjoitaTiedosto(vanha, vanhaSisalto);
    if (t.kohdeOn) testi::kirjoitaTiedosto(uusi, "toinen");
    std::string viesti;
    EXPECT_EQ(virhe([&] { alusta::nimeaUudelleen(vanha, uusi); }, &viesti), t.numero);
    if (t.numero == 0) {
      EXPECT_FALSE(testi::onOlemassa(vanha));
      EXPECT_EQ(testi::lueTiedosto(uusi), vanhaSisalto);
      continue;
    }
    EXPECT_NE(viesti.find(t.virheNimeaaKohteen ? uusi : vanha), std::string::npos) << viesti;
    if (t.lahdeOn) {
      EXPECT_EQ(testi::lueTiedosto(vanha), vanhaSisalto);
    }
    if (t.kohdeOn) {
      EXPECT_EQ(testi::lueTiedosto(uusi), "toinen");
    }
  }
}

// A statement file is moved only when no other open handle may write it; a reader does not
// stop the move. The same question asked on its own answers alike.
TEST(Alusta, SiirraJosVapaaJaKirjoittaakoMuu) {
  struct {
    const char* kuvaus;
    std::optional<Tila> kahva;  // held on the file meanwhile
    bool kohdeOn;
    alusta::Siirto odotettu;
    std::int32_t numero;
  } tapaukset[] = {
      {"ei muita", std::nullopt, false, alusta::Siirto::siirretty, 0},
      {"lukija", Tila::lue, false, alusta::Siirto::siirretty, 0},
      {"lisaaja", Tila::lisaa, false, alusta::Siirto::auki, 0},
      {"kirjoittaja", Tila::paivita, false, alusta::Siirto::auki, 0},
      {"nimi varattu", std::nullopt, true, alusta::Siirto::siirretty, euro::virhenro::tiedostoOnJo},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::Kansio k;
    const std::string vanha = k / "TITO.TXT", uusi = k / "arkisto.txt";
    testi::kirjoitaTiedosto(vanha, "tiliote\r\n");
    if (t.kohdeOn) testi::kirjoitaTiedosto(uusi, "toinen");
    Tiedosto kahva;
    if (t.kahva) kahva.avaa(vanha, *t.kahva);
    EXPECT_EQ(alusta::kirjoittaakoMuu(vanha), t.odotettu == alusta::Siirto::auki);
    alusta::Siirto s{};
    EXPECT_EQ(virhe([&] { s = alusta::siirraJosVapaa(vanha, uusi); }), t.numero);
    kahva.sulje();
    const bool siirretty = t.numero == 0 && s == alusta::Siirto::siirretty;
    if (t.numero == 0) {
      EXPECT_EQ(s, t.odotettu);
    }
    EXPECT_EQ(testi::onOlemassa(vanha), !siirretty);
    EXPECT_EQ(testi::lueTiedosto(siirretty ? uusi : vanha), "tiliote\r\n");
    if (t.kohdeOn) {
      EXPECT_EQ(testi::lueTiedosto(uusi), "toinen");
    }
    if (siirretty) {
      EXPECT_EQ(alusta::kirjoittaakoMuu(uusi), false);
    }
  }
  testi::Kansio k;
  EXPECT_EQ(virhe([&] { alusta::siirraJosVapaa(k / "puuttuu.txt", k / "x.txt"); }), euro::virhenro::tiedostoaEiLoydy);
  EXPECT_EQ(virhe([&] { alusta::kirjoittaakoMuu(k / "puuttuu.txt"); }), euro::virhenro::tiedostoaEiLoydy);
}

// The bank program opens the statement file for writing by its old name just as it is moved:
// the open waits for the lease, and the file goes back where it was, unmoved.
TEST(Alusta, KirjoittajaSiirronAikanaPalauttaaTiedoston) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "Windowsissa siirron ajan pidetty kahva estää kirjoittajan";
  testi::Kansio k;
  const std::string vanha = k / "TITO.TXT", uusi = k / "arkisto.txt";
  testi::kirjoitaTiedosto(vanha, "tiliote\r\n");
  bool pidatetty = false;
  alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
      [&](alusta::Vaihe v, const std::string& p, std::size_t) -> std::optional<alusta::Vika> {
        if (v == alusta::Vaihe::nimea && p == vanha) pidatetty = testi::avaaKirjoittajaksiOdottamatta(vanha);
        return std::nullopt;
      });
  const alusta::Siirto s = alusta::siirraJosVapaa(vanha, uusi);
  alusta::asetaVikakoukku(std::move(edellinen));
  ASSERT_TRUE(pidatetty);
  EXPECT_EQ(s, alusta::Siirto::auki);
  EXPECT_EQ(testi::lueTiedosto(vanha), "tiliote\r\n");
  EXPECT_FALSE(testi::onOlemassa(uusi));
}

// A statement file of another user cannot be leased by an ordinary user: whether something
// writes it cannot be told, so it is moved, and the answer says so (the split then keeps the
// record that lets a later run split what reaches the archive).
TEST(Alusta, ToisenTiedostoSiirretaanTarkistamatta) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "omistajat ja vuokraukset ovat POSIX-asioita";
  namespace fs = std::filesystem;
  testi::Kansio k;
  const std::string yhteinen = k / "yhteinen";
  alusta::luoHakemisto(yhteinen);
  fs::permissions(yhteinen, fs::perms::all);
  const std::string vanha = yhteinen + alusta::erotin + "TITO.TXT", uusi = yhteinen + alusta::erotin + "arkisto.txt";
  testi::kirjoitaTiedosto(vanha, "tiliote\r\n");
  fs::permissions(vanha, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  testi::Tavallisena ajo = testi::tavallisenaKayttajana([&] {
    return std::to_string(static_cast<int>(alusta::siirraJosVapaa(vanha, uusi)));
  });
  if (!ajo.tulos) GTEST_SKIP() << ajo.syy;
  EXPECT_EQ(*ajo.tulos, std::to_string(static_cast<int>(alusta::Siirto::tarkistamatta)));
  EXPECT_EQ(testi::lueTiedosto(uusi), "tiliote\r\n");
  EXPECT_FALSE(testi::onOlemassa(vanha));
}

TEST(Alusta, KirjoitaKorvaaJaLisaaKasvattaa) {
  testi::Kansio k;
  const std::string p = k / "tiliote.txt";
  kirjoita(p, Tila::kirjoita, "pitkä vanha sisältö\r\n");
  kirjoita(p, Tila::kirjoita, "abc");
  EXPECT_EQ(testi::lueTiedosto(p), "abc");
  kirjoita(p, Tila::lisaa, "def");
  EXPECT_EQ(testi::lueTiedosto(p), "abcdef");

  // Two appenders at once: each write lands at the end, none overwrites the other.
  Tiedosto a(p, Tila::lisaa), b(p, Tila::lisaa);
  a.kirjoita("1");
  b.kirjoita("2");
  a.kirjoita("3");
  a.sulje();
  b.sulje();
  EXPECT_EQ(testi::lueTiedosto(p), "abcdef123");

  kirjoita(k / "uusi.txt", Tila::lisaa, "alku");
  EXPECT_EQ(testi::lueTiedosto(k / "uusi.txt"), "alku");

  // The careful modes replace and grow the same way.
  kirjoita(p, Tila::uusi, "ghi");
  EXPECT_EQ(testi::lueTiedosto(p), "ghi");
  kirjoita(p, Tila::yksityinen, "jkl");
  kirjoita(p, Tila::lisaaOmaan, "mno");
  EXPECT_EQ(testi::lueTiedosto(p), "jklmno");
}

// What stands at the name in a folder that others can write, and what each careful mode does
// with it, as an ordinary user: root would pass some of these refusals by.
TEST(Alusta, LinkkiTaiToisenTiedostoTorjutaan) {
  if constexpr (alusta::onWindows) GTEST_SKIP() << "symboliset linkit ja omistajat ovat POSIX-asioita";
  namespace fs = std::filesystem;
  testi::Kansio k;
  const std::string yhteinen = k / "yhteinen", oma = k / "oma", uhri = k / "uhri";
  alusta::luoHakemisto(yhteinen);
  alusta::luoHakemisto(oma);
  fs::permissions(yhteinen, fs::perms::all | fs::perms::sticky_bit);  // as /tmp
  testi::annaTavalliselle(oma);

  enum Paikka { linkki, toisen, omaVanha, tyhja, kansio, fifo, kovaLinkki, toisenOmassa };
  const Tila tilat[] = {Tila::uusi, Tila::yksityinen, Tila::lisaaOmaan};
  constexpr std::int32_t ok = 0, lupa = euro::virhenro::lupaEvatty, kaytto = euro::virhenro::kayttovirhe;
  struct {
    Paikka paikka;
    std::int32_t numero[3];  // uusi, yksityinen, lisaaOmaan
  } const tapaukset[] = {
      {linkki, {lupa, lupa, lupa}},
      {toisen, {lupa, lupa, lupa}},
      {omaVanha, {ok, ok, ok}},
      {tyhja, {ok, ok, ok}},
      {kansio, {kaytto, kaytto, kaytto}},
      {fifo, {kaytto, kaytto, kaytto}},
      // Another name of the same file must not see what is written.
      {kovaLinkki, {ok, ok, lupa}},
      // A log in a folder shared on purpose stays shared.
      {toisenOmassa, {lupa, lupa, ok}},
  };
  auto nimi = [&](std::size_t i, std::size_t t) {
    return (tapaukset[i].paikka == toisenOmassa ? oma : yhteinen) + alusta::erotin + "n" +
           std::to_string(i) + "-" + std::to_string(t);
  };
  // Whatever could be written through is writable by the ordinary user, so only the mode's own
  // checks stand in the way.
  for (std::size_t i = 0; i < std::size(tapaukset); ++i) {
    for (std::size_t t = 0; t < 3; ++t) {
      const std::string n = nimi(i, t);
      switch (tapaukset[i].paikka) {
        case linkki:
          testi::kirjoitaTiedosto(uhri + n.back(), "uhri");
          testi::annaTavalliselle(uhri + n.back());
          fs::create_symlink(uhri + n.back(), n);
          break;
        case toisen:
        case toisenOmassa:
          testi::kirjoitaTiedosto(n, "vanha");
          fs::permissions(n, static_cast<fs::perms>(0666));
          break;
        case omaVanha:
        case kovaLinkki:
          testi::kirjoitaTiedosto(n, "vanha");
          fs::permissions(n, static_cast<fs::perms>(0644));
          testi::annaTavalliselle(n);
          if (tapaukset[i].paikka == kovaLinkki) fs::create_hard_link(n, n + ".toinen");
          break;
        case kansio:
          alusta::luoHakemisto(n);
          testi::annaTavalliselle(n);
          break;
        case fifo:
          testi::teeFifo(n);
          testi::annaTavalliselle(n);
          break;
        case tyhja: break;
      }
    }
  }
  testi::Tavallisena ajo = testi::tavallisenaKayttajana([&] {
    std::string numerot;
    for (std::size_t i = 0; i < std::size(tapaukset); ++i)
      for (std::size_t t = 0; t < 3; ++t)
        numerot += std::to_string(virhe([&] { kirjoita(nimi(i, t), tilat[t], "uusi"); })) + " ";
    return numerot;
  });
  if (!ajo.tulos) GTEST_SKIP() << ajo.syy;
  std::string odotettu;
  for (const auto& t : tapaukset)
    for (std::int32_t n : t.numero) odotettu += std::to_string(n) + " ";
  EXPECT_EQ(*ajo.tulos, odotettu);

  for (std::size_t i = 0; i < std::size(tapaukset); ++i) {
    for (std::size_t t = 0; t < 3; ++t) {
      const std::string n = nimi(i, t);
      const Paikka paikka = tapaukset[i].paikka;
      const bool lisattiin = tilat[t] == Tila::lisaaOmaan;
      SCOPED_TRACE(n);
      if (paikka == linkki) {
        EXPECT_EQ(testi::lueTiedosto(uhri + n.back()), "uhri");
      }
      if (paikka == kovaLinkki) {
        EXPECT_EQ(testi::lueTiedosto(n + ".toinen"), "vanha");
      }
      if (paikka == linkki || paikka == kansio || paikka == fifo || tapaukset[i].numero[t] == kaytto) continue;
      const bool onnistui = tapaukset[i].numero[t] == ok;
      EXPECT_EQ(testi::lueTiedosto(n), !onnistui ? "vanha" : lisattiin && paikka != tyhja ? "vanhauusi" : "uusi");
      const int oikeudet = static_cast<int>(fs::status(n).permissions() & fs::perms::all);
      if (!onnistui || (lisattiin && paikka != tyhja)) {
        EXPECT_EQ(oikeudet, paikka == toisen || paikka == toisenOmassa ? 0666 : 0644);
      } else if (tilat[t] == Tila::uusi) {
        EXPECT_EQ(oikeudet, 0644);  // as any new file (umask 022)
      } else {
        EXPECT_EQ(oikeudet, 0600);
      }
    }
  }
}

TEST(Alusta, LukeminenKunPankkiohjelmaLisaaSamaan) {
  testi::Kansio k;
  const std::string p = k / "tiliote.txt";
  std::string iso(1 << 20, '\0');
  for (std::size_t i = 0; i < iso.size(); ++i) iso[i] = static_cast<char>(i * 7 % 251);
  kirjoita(p, Tila::kirjoita, iso);

  Tiedosto lukija(p, Tila::lue);
  EXPECT_EQ(lueLoppuun(lukija, 4093), iso);
  Tiedosto lisaaja(p, Tila::lisaa);
  lisaaja.kirjoita("lisays");
  lisaaja.sulje();
  EXPECT_EQ(lueLoppuun(lukija, 3), "lisays");
  EXPECT_EQ(lukija.lue(iso.data(), 1), 0u);

  Tiedosto siirretty = std::move(lukija);
  EXPECT_FALSE(lukija.onAuki());
  EXPECT_TRUE(siirretty.onAuki());
  siirretty.sulje();
  EXPECT_FALSE(siirretty.onAuki());
  siirretty.sulje();
}

// A read at an offset gives the bytes there, wherever the last read stopped, and none past
// the end; a file that grew is read at its new end.
TEST(Alusta, LueKohdasta) {
  testi::Kansio k;
  const std::string p = k / "tiliote.txt";
  kirjoita(p, Tila::kirjoita, "0123456789");
  Tiedosto f(p, Tila::lue);
  char b[8];
  EXPECT_EQ(f.lue(b, 2), 2u);
  struct Tapaus {
    std::uint64_t kohta;
    std::size_t n;
    std::string odotettu;
  } tapaukset[] = {{0, 3, "012"}, {7, 8, "789"}, {4, 1, "4"}, {10, 4, ""}, {99, 4, ""}};
  for (const Tapaus& t : tapaukset) {
    const std::size_t m = f.lueKohdasta(t.kohta, b, t.n);
    EXPECT_EQ(std::string(b, m), t.odotettu) << t.kohta;
  }
  Tiedosto lisaaja(p, Tila::lisaa);
  lisaaja.kirjoita("ab");
  lisaaja.sulje();
  const std::size_t m = f.lueKohdasta(9, b, sizeof b);
  EXPECT_EQ(std::string(b, m), "9ab");
}

// The fault hook's short read: a read gives at most lapi bytes (never none, which would read
// as the end), the rest comes with the next reads; other answers numbered 0 change nothing.
TEST(Alusta, VikakoukunLyhytLuku) {
  testi::Kansio k;
  const std::string p = k / "tiliote.txt";
  kirjoita(p, Tila::kirjoita, "0123456789");
  struct Tapaus {
    std::size_t lapi;
    std::vector<std::size_t> luvut;  // what each read of 4 bytes gives
  } tapaukset[] = {{1, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}}, {0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
                   {3, {3, 3, 3, 1, 0}}, {4, {4, 4, 2, 0}}, {100, {4, 4, 2, 0}}};
  for (const Tapaus& t : tapaukset) {
    std::vector<std::size_t> kysytyt;
    alusta::Vikakoukku edellinen = alusta::asetaVikakoukku(
        [&](alusta::Vaihe v, const std::string&, std::size_t n) -> std::optional<alusta::Vika> {
          if (v == alusta::Vaihe::lue) kysytyt.push_back(n);
          return alusta::Vika{0, t.lapi};
        });
    Tiedosto f(p, Tila::lue);
    std::vector<std::size_t> saadut;
    std::string luettu;
    char b[4];
    for (std::size_t n = 1; n > 0;) {
      n = f.lue(b, sizeof b);
      saadut.push_back(n);
      luettu.append(b, n);
    }
    f.sulje();
    // Writing, renaming and removing go ahead.
    kirjoita(k / "toinen.txt", Tila::kirjoita, "abc");
    alusta::nimeaUudelleen(k / "toinen.txt", k / "kolmas.txt");
    alusta::poistaTiedosto(k / "kolmas.txt");
    alusta::asetaVikakoukku(std::move(edellinen));
    EXPECT_EQ(saadut, t.luvut) << "lapi " << t.lapi;
    EXPECT_EQ(luettu, "0123456789") << "lapi " << t.lapi;
    EXPECT_EQ(kysytyt, std::vector<std::size_t>(t.luvut.size(), 4)) << "lapi " << t.lapi;
    EXPECT_FALSE(alusta::pituusJosOn(k / "kolmas.txt"));
  }
}

TEST(Alusta, AvaamisenVirheet) {
  testi::Kansio k;
  alusta::luoHakemisto(k / "kansio");
  const std::string puuttuvaKansio = k / "puuttuu" + alusta::erotin + "a.txt";
  struct {
    std::string polku;
    Tila tila;
    std::int32_t numero;
  } tapaukset[] = {
      {k / "puuttuu.txt", Tila::lue, euro::virhenro::tiedostoaEiLoydy},
      {puuttuvaKansio, Tila::lue, euro::virhenro::polkuaEiLoydy},
      {puuttuvaKansio, Tila::kirjoita, euro::virhenro::polkuaEiLoydy},
      {puuttuvaKansio, Tila::lisaa, euro::virhenro::polkuaEiLoydy},
      {k / "kansio", Tila::lue, euro::virhenro::kayttovirhe},
      {k / "kansio", Tila::lisaa, euro::virhenro::kayttovirhe},
      {puuttuvaKansio, Tila::uusi, euro::virhenro::polkuaEiLoydy},
      {puuttuvaKansio, Tila::yksityinen, euro::virhenro::polkuaEiLoydy},
      {puuttuvaKansio, Tila::lisaaOmaan, euro::virhenro::polkuaEiLoydy},
      {k / "kansio", Tila::yksityinen, euro::virhenro::kayttovirhe},
      {k / "kansio", Tila::lisaaOmaan, euro::virhenro::kayttovirhe},
  };
  for (const auto& t : tapaukset) {
    std::string viesti;
    Tiedosto f;
    EXPECT_EQ(virhe([&] { f.avaa(t.polku, t.tila); }, &viesti), t.numero) << t.polku;
    EXPECT_NE(viesti.find(t.polku), std::string::npos) << viesti;
    EXPECT_FALSE(f.onAuki());
  }
  EXPECT_FALSE(testi::onOlemassa(k / "puuttuu"));
  Tiedosto suljettu;
  char c;
  EXPECT_EQ(virhe([&] { suljettu.lue(&c, 1); }), euro::virhenro::virheellinenNimi);
  EXPECT_EQ(virhe([&] { suljettu.kirjoita("x"); }), euro::virhenro::virheellinenNimi);
}

TEST(Alusta, AnsiNimetKulkevatTiedostojarjestelmanLapi) {
  testi::Kansio k;
  const std::string nimet[] = {ansi("päivä.txt"), ansi("€uro Åke.TXT"), ansi("ÖÄÅ")};
  for (const auto& n : nimet) kirjoita(k / n, Tila::kirjoita, n);
  alusta::luoHakemisto(k / ansi("ärkisto"));
  EXPECT_EQ(testi::tiedostot(k.polku()),
            (std::vector<std::string>{ansi("päivä.txt"), ansi("€uro Åke.TXT"), ansi("ÖÄÅ"), ansi("ärkisto")}));
  for (const auto& n : nimet) {
    EXPECT_TRUE(alusta::onkoTavallinenTiedosto(k / n)) << n;
    EXPECT_EQ(testi::lueTiedosto(k / n), n);
  }
  // "?" stands for one character, whatever its width in the native encoding.
  EXPECT_TRUE(alusta::onkoTavallinenTiedosto(k / "p?iv?.txt"));
  EXPECT_TRUE(alusta::onkoTavallinenTiedosto(k / ansi("?uro ?ke.*")));
  EXPECT_TRUE(alusta::listaakoHakemisto(k / ansi("ärkisto")));
}

// Leaves the variable as it was found.
class Muuttuja {
 public:
  explicit Muuttuja(std::string nimi) : nimi_(std::move(nimi)), vanha_(alusta::ymparistomuuttuja(nimi_)) {}
  ~Muuttuja() { alusta::asetaYmparistomuuttuja(nimi_, vanha_); }
  const std::string& nimi() const { return nimi_; }

 private:
  std::string nimi_;
  std::optional<std::string> vanha_;
};

TEST(Alusta, Ymparistomuuttuja) {
  Muuttuja m("KOLVANTO_TESTI_MUUTTUJA");
  // Unsetting twice is harmless; a long value outgrows the first buffer.
  const std::optional<std::string> arvot[] = {ansi("C:\\Tiliotteet\\ä €"), std::string(300, 'x'),
                                              std::nullopt, std::nullopt, "toinen"};
  for (const auto& arvo : arvot) {
    alusta::asetaYmparistomuuttuja(m.nimi(), arvo);
    EXPECT_EQ(alusta::ymparistomuuttuja(m.nimi()), arvo);
  }
  for (const std::string& nimi : {std::string(), std::string("A=B")})
    EXPECT_EQ(virhe([&] { alusta::asetaYmparistomuuttuja(nimi, "x"); }), euro::virhenro::virheellinenKutsu)
        << nimi;
}

// Leaves the current directory as it was found.
class Tyohakemisto {
 public:
  Tyohakemisto() : vanha_(alusta::nykyinenHakemisto()) {}
  ~Tyohakemisto() { alusta::vaihdaHakemisto(vanha_); }

 private:
  std::string vanha_;
};

TEST(Alusta, NykyinenHakemisto) {
  testi::Kansio k;
  Tyohakemisto palautus;  // restored before the folder goes: Windows keeps a current folder
  alusta::luoHakemisto(k / ansi("alikansiö"));
  alusta::vaihdaHakemisto(k / ansi("alikansiö"));
  EXPECT_EQ(alusta::nykyinenHakemisto(), k / ansi("alikansiö"));
  alusta::vaihdaHakemisto("..");
  EXPECT_EQ(alusta::nykyinenHakemisto(), k.polku());

  // A relative path now resolves against the scratch folder.
  kirjoita("suhteellinen.txt", Tila::kirjoita, "x");
  EXPECT_TRUE(alusta::onkoTavallinenTiedosto(k / "suhteellinen.txt"));

  for (const std::string& p : {k / "puuttuu", k / "suhteellinen.txt"}) {
    EXPECT_EQ(virhe([&] { alusta::vaihdaHakemisto(p); }), euro::virhenro::polkuaEiLoydy) << p;
    EXPECT_EQ(alusta::nykyinenHakemisto(), k.polku());
  }

  // The drive of the current directory stays current with its directory, not its root.
  for (const std::string& p : {k.polku(), k / "puuttuu", std::string("suhteellinen"), std::string()}) {
    alusta::vaihdaAsema(p);
    EXPECT_EQ(alusta::nykyinenHakemisto(), k.polku()) << p;
  }
}

TEST(Alusta, OhjelmanHakemistoJaNimi) {
  const std::string hakemisto = alusta::ohjelmanHakemisto(), nimi = alusta::ohjelmanNimi();
  ASSERT_FALSE(hakemisto.empty());
  const bool juuri = alusta::onWindows ? hakemisto.size() == 3 && hakemisto[1] == ':' : hakemisto == "/";
  EXPECT_TRUE(juuri || hakemisto.back() != alusta::erotin) << hakemisto;
  EXPECT_TRUE(alusta::listaakoHakemisto(hakemisto));
  EXPECT_EQ(nimi.find(alusta::erotin), std::string::npos) << nimi;
  EXPECT_TRUE(alusta::onkoTavallinenTiedosto((juuri ? hakemisto : hakemisto + alusta::erotin) + nimi)) << nimi;
  if constexpr (alusta::onWindows) {
    EXPECT_EQ(euro::pieneksi(nimi.substr(nimi.size() - 4)), ".exe");
  }
}

TEST(Alusta, PaikallinenAika) {
  const std::time_t ennen = std::time(nullptr);
  const alusta::Aika a = alusta::paikallinenAika();
  const std::time_t jalkeen = std::time(nullptr);
  std::tm tm{};
  tm.tm_year = a.vuosi - 1900;
  tm.tm_mon = a.kuukausi - 1;
  tm.tm_mday = a.paiva;
  tm.tm_hour = a.tunti;
  tm.tm_min = a.minuutti;
  tm.tm_sec = a.sekunti;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  EXPECT_GE(t, ennen - 1);
  EXPECT_LE(t, jalkeen + 1);
}

TEST(Alusta, KonsoliinKirjoitetaanUtf8) {
  testing::internal::CaptureStderr();
  alusta::kirjoitaKonsoliin(2, ansi("Tiedostoa ei löydy: C:\\€\n"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tiedostoa ei löydy: C:\\€\n");
}

}  // namespace
