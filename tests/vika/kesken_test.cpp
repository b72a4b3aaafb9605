// A split that archives and is cut off is finished by the next run, exactly once: the
// journal beside the archive, its lock, and a journal that cannot be finished.
#include <gtest/gtest.h>

#include <map>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using alusta::Vaihe;
using split::PaloitteluAsetukset;
const std::string S(1, alusta::erotin);

alusta::Aika kello1() { return {2018, 8, 21, 14, 30, 5}; }
alusta::Aika kello2() { return {2018, 8, 22, 7, 0, 0}; }

std::string tiliote(const std::vector<std::string>& asiakkaat, int rivejaEraa) {
  std::string s = "ennen\r\n";
  int n = 0;
  for (const std::string& asiakas : asiakkaat) {
    testi::T00 t;
    t.asiakas = asiakas;
    s += t.rivi() + "\r\n";
    for (int i = 0; i < rivejaEraa; ++i, ++n) s += "T10 " + std::to_string(n) + std::string(30 + n % 50, 'r') + "\r\n";
  }
  return s;
}

std::map<std::string, std::string> sisallot(const std::string& kansio) {
  std::map<std::string, std::string> m;
  for (const std::string& n : testi::tiedostot(kansio)) m[n] = testi::lueTiedosto(kansio + S + n);
  return m;
}

struct Keskeytynyt : ::testing::Test {
  const std::string eka = tiliote({"1", "2", "3", "1", "4", "2", "5"}, 12);
  const std::string toka = tiliote({"2", "6"}, 3);

  PaloitteluAsetukset asetukset(const testi::Kansio& k) {
    PaloitteluAsetukset a;
    a.txtPaloiteltavaTiedosto = k / "TITO.TXT";
    a.txtTallennusHakemisto = k / "ulos";
    a.chkAikaleimaaPaloiteltava = true;
    return a;
  }
  // What uninterrupted runs over both files give.
  std::map<std::string, std::string> yhtena() {
    testi::Kansio k;
    testi::Ymparisto ymp;
    ymp.viestit.vastaukset = {6};
    auto a = asetukset(k);
    a.chkAikaleimaaPaloiteltava = false;
    for (const std::string* t : {&eka, &toka}) {
      testi::kirjoitaTiedosto(k / "TITO.TXT", *t);
      EXPECT_TRUE(split::paloittele(a, kello1).valmis);
    }
    return sisallot(k / "ulos");
  }
  static std::string kirja(const testi::Kansio& k) { return k / "TUODUT" + S + "2018-08-21+143005-TITO.TXT.kesken"; }
  // The output file that the journal names: the batch that was being written.
  static std::string kirjanTiedosto(const std::string& kirja) {
    const std::string s = testi::lueTiedosto(kirja);
    const auto p = s.find("tiedosto = ");
    const std::size_t n = std::stoul(s.substr(p + 11, 4));
    return s.substr(p + 16, n);
  }
};

// The first run fails at a write into a company's file, part of it through, and a cut-off
// run's bytes are put after it as a kill would leave them; the next run, with a new statement
// file, finishes the first and gives what one run over both gives.
TEST_F(Keskeytynyt, ViimeistellaanKerranKutenYhtenaAjona) {
  const auto odotettu = yhtena();
  for (std::size_t kohta : {0u, 1u, 2u, 4u, 6u}) {
    for (bool roskaa : {false, true}) {
      SCOPED_TRACE("kirjoitus " + std::to_string(kohta) + (roskaa ? ", roskaa perään" : ""));
      testi::Kansio k;
      testi::Ymparisto ymp;
      ymp.viestit.vastaukset = {6};
      testi::kirjoitaTiedosto(k / "TITO.TXT", eka);
      const auto a = asetukset(k);
      {
        std::size_t kirjoituksia = 0;
        vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
          if (q.vaihe != Vaihe::kirjoita || q.polku.rfind(k / "ulos", 0) != 0) return std::nullopt;
          if (kirjoituksia++ != kohta) return std::nullopt;
          return alusta::Vika{euro::virhenro::levyTaynna, q.n / 2};
        });
        EXPECT_FALSE(split::paloittele(a, kello1).valmis);
      }
      ASSERT_EQ(ymp.virheet.size(), 1u);
      ASSERT_TRUE(testi::onOlemassa(kirja(k)));
      if (roskaa) {
        const std::string t = k / "ulos" + S + kirjanTiedosto(kirja(k));
        testi::kirjoitaTiedosto(t, testi::lueTiedosto(t) + "T10 puolikas eran");
      }
      testi::kirjoitaTiedosto(k / "TITO.TXT", toka);
      const auto tulos = split::paloittele(a, kello2);
      EXPECT_TRUE(tulos.valmis);
      ASSERT_EQ(tulos.viimeistellyt.size(), 1u);
      EXPECT_EQ(tulos.viimeistellyt[0].arkisto, k / "TUODUT" + S + "2018-08-21+143005-TITO.TXT");
      EXPECT_GE(tulos.viimeistellyt[0].eria, 1);
      EXPECT_EQ(ymp.virheet.size(), 1u);
      EXPECT_EQ(sisallot(k / "ulos"), odotettu);
      EXPECT_EQ(testi::tiedostot(k / "TUODUT"),
                (std::vector<std::string>{"2018-08-21+143005-TITO.TXT", "2018-08-22+070000-TITO.TXT"}));
    }
  }
}

// A journal whose lock another split holds is left alone; one whose archive is gone is
// reported with its path and kept. The new split runs as usual in both cases.
TEST_F(Keskeytynyt, LukittuJaArkistotonJaavat) {
  for (bool lukittu : {true, false}) {
    SCOPED_TRACE(lukittu ? "lukittu" : "arkisto poissa");
    testi::Kansio k;
    testi::Ymparisto ymp;
    ymp.viestit.vastaukset = {6};
    testi::kirjoitaTiedosto(k / "TITO.TXT", eka);
    const auto a = asetukset(k);
    {
      vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t) -> std::optional<alusta::Vika> {
        if (q.vaihe == Vaihe::kirjoita && q.polku.rfind(k / "ulos", 0) == 0) return alusta::Vika{euro::virhenro::levyTaynna};
        return std::nullopt;
      });
      EXPECT_FALSE(split::paloittele(a, kello1).valmis);
    }
    const std::string ennen = testi::lueTiedosto(kirja(k));
    const auto ulosEnnen = sisallot(k / "ulos");
    ymp.virheet.clear();
    testi::kirjoitaTiedosto(k / "TITO.TXT", toka);
    split::PaloitteluTulos tulos;
    {
      // Windows does not let another handle read a locked file: compared when let go.
      alusta::Tiedosto pito;
      if (lukittu) {
        pito.avaa(kirja(k), alusta::Tila::paivita);
        ASSERT_TRUE(pito.lukitse());
      } else {
        alusta::poistaTiedosto(k / "TUODUT" + S + "2018-08-21+143005-TITO.TXT");
      }
      tulos = split::paloittele(a, kello2);
    }
    EXPECT_TRUE(tulos.valmis);
    EXPECT_TRUE(tulos.viimeistellyt.empty());
    EXPECT_EQ(testi::lueTiedosto(kirja(k)), ennen);
    if (lukittu) {
      EXPECT_TRUE(ymp.virheet.empty());
    } else {
      ASSERT_EQ(ymp.virheet.size(), 1u);
      EXPECT_EQ(ymp.virheet[0].numero, euro::virhenro::tiedostoaEiLoydy);
      EXPECT_NE(ymp.virheet[0].viesti.find(kirja(k)), std::string::npos) << ymp.virheet[0].viesti;
    }
    // The new statement's batches were appended all the same.
    auto jalkeen = sisallot(k / "ulos");
    for (const auto& [n, s] : ulosEnnen) EXPECT_EQ(jalkeen[n].substr(0, s.size()), s) << n;
    EXPECT_NE(jalkeen, ulosEnnen);
  }
}

}  // namespace
