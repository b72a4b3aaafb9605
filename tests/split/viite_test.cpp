// Reference-payment files: told from the other formats, split by batch into the key's files
// byte for byte, the same in place and under the journal, and previewed by batch record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/esikatselu.h"
#include "split/muoto.h"
#include "split/paloittele.h"
#include "tuki/testituki.h"
#include "tuki/viitesiirrot.h"

namespace {

using euro::ansi;
using split::PaloitteluAsetukset;
using T = PaloitteluAsetukset::Tunniste;
namespace v = testi::viite;

alusta::Aika kello() { return {2024, 4, 2, 6, 0, 0}; }

struct Viite : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  PaloitteluAsetukset a;
  std::string syote;

  void SetUp() override {
    syote = kansio / "VIITE.DAT";
    a.tiliotetiedosto = syote;
    a.kohdehakemisto = kansio / "ulos";
    alusta::luoHakemisto(a.kohdehakemisto);
    a.nimenAlkuosa = "V-";
    a.nimenLoppuosa = ".TXT";
    a.arkistoi = false;
  }
  std::map<std::string, std::string> tulosteet(const std::string& kansio) const {
    std::map<std::string, std::string> m;
    for (const auto& n : testi::tiedostot(kansio)) m[n] = testi::lueTiedosto(kansio + alusta::erotin + n);
    return m;
  }
};

TEST_F(Viite, Tunnistus) {
  const std::string era = v::era(v::erat({1}, 2)[0]);
  const std::string t00 = "T00322100000000000001" + std::string(300, ' ') + "\r\n";
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:"
                          "camt.053.001.02\"><BkToCstmrStmt/></Document>\n";
  const struct {
    const char* kuvaus;
    std::string sisalto;
    const char* muoto;
  } tapaukset[] = {
      {"oma CR LF", era, "VIITE"},
      {"oma LF", v::era(v::erat({1}, 2)[0], "\n"), "VIITE"},
      {"pelkkä erätietue", era.substr(0, 92), "VIITE"},
      {"TITO", t00, "TITO"},
      {"XML", xml, "XML"},
      {"tyhjä", "", "TITO"},
      {"binääri", std::string("\0\x01\x02\xff", 4) + std::string(200, '\x07'), "TITO"},
      {"erätietue 89 merkkiä", era.substr(0, 89) + "\r\n", "TITO"},
      {"erätietue 91 merkkiä", era.substr(0, 90) + " \r\n", "TITO"},
      {"ilman rivinvaihtoa", era.substr(0, 90), "TITO"},
      {"pelkkä CR", era.substr(0, 90) + "\rX", "TITO"},
      {"päiväys kirjaimia", "0ABCDEF" + era.substr(7), "TITO"},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    testi::kirjoitaTiedosto(syote, t.sisalto);
    EXPECT_EQ(split::muotoTiedostolle(syote).nimi(), t.muoto);
  }
}

TEST_F(Viite, AvainValinnanMukaan) {
  std::vector<v::Era> erat = v::erat({1, 2, 1}, 2);
  erat.push_back(v::erat({3}, 0, 3)[0]);  // no payments
  erat.back().palvelutunnus = "   ";   // a blank key
  const std::string e0 = v::era(erat[0]), e1 = v::era(erat[1]), e2 = v::era(erat[2]), e3 = v::era(erat[3]);
  const std::string sisalto = e0 + e1 + e2 + e3;
  const struct {
    const char* kuvaus;
    std::function<void(PaloitteluAsetukset&)> aseta;
    std::map<std::string, std::string> odotettu;  // empty: refused as the settings' fault
    const char* viestissa;
  } tapaukset[] = {
      {"asiakastunnus on palvelutunnus", [](PaloitteluAsetukset& a) { a.valitse(T::asiakastunnus); },
       {{"V-PT0000001.TXT", e0 + e2}, {"V-PT0000002.TXT", e1}, {"V-.TXT", e3}}, ""},
      {"vuosi ja kuukausi luontipäivästä",
       [](PaloitteluAsetukset& a) {
         a.valitse(T::asiakastunnus);
         a.nimenAlkuosa = "V-*-?-";
       },
       {{"V-2024-04-PT0000001.TXT", e0 + e2}, {"V-2024-04-PT0000002.TXT", e1}, {"V-2024-04-.TXT", e3}}, ""},
      {"positiot erätietueessa",
       [](PaloitteluAsetukset& a) {
         a.valitse(T::positiot);
         a.posAlku = "2";
         a.posLoppu = "7";
       },
       {{"V-240401.TXT", e0}, {"V-240402.TXT", e1}, {"V-240403.TXT", e2}, {"V-240404.TXT", e3}}, ""},
      {"tilinumero ilman maksuja", [](PaloitteluAsetukset& a) { a.valitse(T::tilinumero); }, {},
       "ei ole maksutietuetta"},
      {"nimi", [](PaloitteluAsetukset& a) { a.valitse(T::tilinomistajanNimi); }, {}, "tilinomistajan nim"},
      {"positiot tietueen ulkona",
       [](PaloitteluAsetukset& a) {
         a.valitse(T::positiot);
         a.posAlku = "80";
         a.posLoppu = "95";
       },
       {}, "positiot 80-95"},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::filesystem::remove_all(a.kohdehakemisto);
    alusta::luoHakemisto(a.kohdehakemisto);
    ymp.virheet.clear();
    ymp.viestit.viestit.clear();
    a.nimenAlkuosa = "V-";
    t.aseta(a);
    testi::kirjoitaTiedosto(syote, sisalto);
    const auto tulos = split::paloittele(a, kello);
    EXPECT_EQ(tulos.valmis, !t.odotettu.empty());
    EXPECT_NE(tulos.loppu, split::Loppu::hylatty);
    EXPECT_EQ(tulosteet(a.kohdehakemisto), t.odotettu);
    // The file is the settings' victim, not faulty: it stays where it is, whole.
    EXPECT_EQ(testi::lueTiedosto(syote), sisalto);
    if (t.odotettu.empty()) {
      ASSERT_EQ(ymp.virheet.size(), 1u);
      EXPECT_NE(ymp.virheet[0].viesti.find(ansi(t.viestissa)), std::string::npos) << ymp.virheet[0].viesti;
    } else {
      EXPECT_TRUE(ymp.virheet.empty());
    }
  }
  // By account, when every batch has one.
  std::filesystem::remove_all(a.kohdehakemisto);
  alusta::luoHakemisto(a.kohdehakemisto);
  a.valitse(T::tilinumero);
  testi::kirjoitaTiedosto(syote, e0 + e1 + e2);
  EXPECT_TRUE(split::paloittele(a, kello).valmis);
  EXPECT_EQ(tulosteet(a.kohdehakemisto),
            (std::map<std::string, std::string>{{"V-FI000000000001.TXT", e0 + e2}, {"V-FI000000000002.TXT", e1}}));
}

// Under the journal, in segments of every size and with reads of every length, the company
// files are those of the split in place: existing reference-payment files grow, a file of
// another format at a name is left alone for "-2", LF-ended batches stay LF-ended.
TEST_F(Viite, KirjanKanssaKutenPaikallaan) {
  const std::string sisalto = v::tiedosto(v::erat({1, 2, 1, 3, 4, 2, 1}, 3)) +
                              v::tiedosto(v::erat({3, 5}, 1, 7), "\n") + v::tiedosto(v::erat({1, 6}, 0, 9));
  const std::string vanhaViite = v::tiedosto(v::erat({1}, 1, 20));
  const std::string tito = "T00322100000000000001\r\nT10188\r\n";
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:"
                          "camt.053.001.02\"><BkToCstmrStmt/></Document>\n";
  auto valmistele = [&](const std::string& kohde) {
    std::filesystem::remove_all(kohde);
    alusta::luoHakemisto(kohde);
    testi::kirjoitaTiedosto(kohde + alusta::erotin + "V-PT0000001.TXT", vanhaViite);
    testi::kirjoitaTiedosto(kohde + alusta::erotin + "V-PT0000002.TXT", tito);
    testi::kirjoitaTiedosto(kohde + alusta::erotin + "V-PT0000003.TXT", xml);
    testi::kirjoitaTiedosto(kohde + alusta::erotin + "V-PT0000004.TXT", "");
  };
  const std::string paikalla = kansio / "paikalla";
  valmistele(paikalla);
  a.kohdehakemisto = paikalla;
  testi::kirjoitaTiedosto(syote, sisalto);
  const auto tulos = split::paloittele(a, kello);
  ASSERT_TRUE(tulos.valmis);
  const auto odotettu = tulosteet(paikalla);
  EXPECT_EQ(odotettu.at("V-PT0000002.TXT"), tito);
  EXPECT_EQ(odotettu.at("V-PT0000003.TXT"), xml);
  EXPECT_EQ(odotettu.at("V-PT0000001.TXT").substr(0, vanhaViite.size()), vanhaViite);
  EXPECT_EQ(odotettu.size(), 8u);  // 1 to 6, and 2 and 3 under "-2"
  std::size_t yhteensa = 0;
  for (const auto& [nimi, s] : odotettu) yhteensa += s.size();
  EXPECT_EQ(yhteensa, sisalto.size() + vanhaViite.size() + tito.size() + xml.size());
  EXPECT_EQ(tulos.yhteenveto.huomautukset.size(), 2u);

  const PaloitteluAsetukset::Saadot saadot[] = {{}, {1, {1, 1, 0}, false}, {7, {2, 0, 0}, false}, {100, {0, 500, 0}, false}};
  a.arkistoi = true;
  for (std::size_t i = 0; i < std::size(saadot); ++i) {
    SCOPED_TRACE("säädöt " + std::to_string(i));
    const std::string kohde = kansio / ("kirjalla" + std::to_string(i));
    valmistele(kohde);
    a.kohdehakemisto = kohde;
    a.saadot = saadot[i];
    testi::kirjoitaTiedosto(syote, sisalto);
    const auto t = split::paloittele(a, kello);
    EXPECT_TRUE(t.valmis);
    EXPECT_TRUE(ymp.virheet.empty());
    EXPECT_EQ(tulosteet(kohde), odotettu);
    EXPECT_TRUE(t.katsottavaa.empty());
    // The archive whole in TUODUT, and no journal left.
    const auto tuodut = testi::tiedostot(kansio / "TUODUT");
    ASSERT_EQ(tuodut.size(), 1u);
    EXPECT_EQ(testi::lueTiedosto(kansio / "TUODUT" + alusta::erotin + tuodut[0]), sisalto);
    std::filesystem::remove_all(kansio / "TUODUT");
  }
}

// Bytes that reach the file between its check and its split are not split unchecked, nor
// dropped in silence: the split says them.
TEST_F(Viite, TarkistuksenJalkeenTulleetKerrotaan) {
  const std::string sisalto = v::tiedosto(v::erat({1, 2}, 1));
  testi::kirjoitaTiedosto(syote, sisalto);
  std::string syy;
  const auto jako = split::muotoTiedostolle(syote).tarkista(syote, a, syy);
  ASSERT_TRUE(jako) << syy;
  const std::string lisa = v::tiedosto(v::erat({3}, 1));
  testi::kirjoitaTiedosto(syote, sisalto + lisa);
  split::Yhteenveto y;
  jako->jaa(syote, a.kohdehakemisto + alusta::erotin, y);
  EXPECT_EQ(tulosteet(a.kohdehakemisto).size(), 2u);
  ASSERT_EQ(y.katsottavaa.size(), 1u);
  EXPECT_NE(y.katsottavaa[0].find(std::to_string(sisalto.size()) + "-" + std::to_string(sisalto.size() + lisa.size())),
            std::string::npos)
      << y.katsottavaa[0];
}

TEST_F(Viite, Esikatselu) {
  std::vector<v::Era> erat = v::erat({1, 2}, 1);
  const std::string sisalto = v::tiedosto(erat);
  const std::string r0 = v::eratietue(erat[0]), r1 = v::eratietue(erat[1]);
  const std::string alku = ansi("Viitesiirtotiedoston erätietueet 0, >>avain<< = paloitteluehto") + "\r\n";
  const std::string toinen = ansi("erä 2, tavu ") + std::to_string(v::era(erat[0]).size()) + ": ";
  const struct {
    const char* kuvaus;
    std::function<void(PaloitteluAsetukset&)> aseta;
    std::string odotettu;
  } tapaukset[] = {
      {"palvelutunnus", [](PaloitteluAsetukset& a) { a.valitse(T::asiakastunnus); },
       alku + "\r\n" + ansi("erä 1, tavu 0: ") + r0.substr(0, 13) + ">>" + r0.substr(13, 9) + "<<" + r0.substr(22) +
           "\r\n" + toinen + r1.substr(0, 13) + ">>" + r1.substr(13, 9) + "<<" + r1.substr(22) + "\r\n"},
      {"tilinumero", [](PaloitteluAsetukset& a) { a.valitse(T::tilinumero); },
       alku + "\r\n" + ansi("erä 1, tavu 0: ") + r0 + " | tilinumero >>FI000000000001<<\r\n" + toinen + r1 +
           " | tilinumero >>FI000000000002<<\r\n"},
      {"nimi", [](PaloitteluAsetukset& a) { a.valitse(T::tilinomistajanNimi); },
       alku +
           ansi("viitesiirroissa ei ole tilinomistajan nimeä: valitse paloitteluehdoksi asiakastunnus (maksunsaajan "
                "palvelutunnus), tilinumero tai positiot") +
           "\r\n\r\n" + ansi("erä 1, tavu 0: ") + r0 + "\r\n" + toinen + r1 + "\r\n"},
  };
  testi::kirjoitaTiedosto(syote, sisalto);
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    t.aseta(a);
    std::string s;
    split::muotoTiedostolle(syote).esikatsele(syote, a, [&](const std::string& osa) { s += osa; });
    EXPECT_EQ(s, t.odotettu);
  }
  // Refused as the split refuses it.
  testi::kirjoitaTiedosto(syote, sisalto.substr(0, sisalto.size() - 92));
  EXPECT_THROW(split::muotoTiedostolle(syote).esikatsele(syote, a, [](const std::string&) {}), split::HylattyTiedosto);
}

}  // namespace

namespace {

std::vector<split::Tiliote> tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku) {
  std::vector<split::Tiliote> v;
  split::muotoTiedostolle(polku).tiliotteet(polku, a, alku, [&](const split::Tiliote& t) { v.push_back(t); });
  return v;
}

}  // namespace

// One statement a batch the split delivers, its identity read from the batch: the payments'
// account (the service ID when there is none), the day of creation as its period, its bytes'
// range and hash; none of a file the split refuses.
TEST_F(Viite, Tiliotteet) {
  std::vector<v::Era> e = v::erat({1, 2, 3, 4, 1, 1}, 1);
  e[1].maksut.clear();
  e[2].maksut[0].tili = "";
  e[3].maksut.resize(800, e[3].maksut[0]);  // more than a read's buffer
  e[4].paiva = "241231";
  e[5].paiva = "250101";
  std::string muuRaha = v::era(e[0]);
  muuRaha[22] = '2';  // the 0 record's currency code
  const auto tili = [](PaloitteluAsetukset& a) { a.valitse(T::tilinumero); };
  const auto ei = [](PaloitteluAsetukset&) {};
  const struct {
    const char* kuvaus;
    std::vector<std::string> erat;
    std::function<void(PaloitteluAsetukset&)> aseta;
    std::size_t alusta;                 // the batch they are read from
    std::vector<std::string> odotettu;  // account | period | currency | company file
  } tapaukset[] = {
      {"tili, palvelutunnus, tyhjä tili, iso erä",
       {v::era(e[0]), v::era(e[1]), v::era(e[2]), v::era(e[3]), muuRaha},
       ei,
       0,
       {"FI000000000001|2024-04-01|EUR|V-PT0000001.TXT", "PT0000002|2024-04-02|EUR|V-PT0000002.TXT",
        "PT0000003|2024-04-03|EUR|V-PT0000003.TXT", "FI000000000004|2024-04-04|EUR|V-PT0000004.TXT",
        "FI000000000001|2024-04-01||V-PT0000001.TXT"}},
      {"vuoden vaihde nimessä, toisesta erästä",
       {v::era(e[0]), v::era(e[4]), v::era(e[5])},
       [](PaloitteluAsetukset& a) { a.nimenAlkuosa = "V-*-?-#-"; },
       1,
       {"FI000000000001|2024-12-31|EUR|V-2024-12-20241231-20241231-PT0000001.TXT",
        "FI000000000001|2025-01-01|EUR|V-2025-01-20250101-20250101-PT0000001.TXT"}},
      {"tilinumero avaimena, LF", {v::era(e[0], "\n"), v::era(e[3], "\n")}, tili, 0,
       {"FI000000000001|2024-04-01|EUR|V-FI000000000001.TXT", "FI000000000004|2024-04-04|EUR|V-FI000000000004.TXT"}},
      // Refused whole by the split: nothing of them is delivered.
      {"viimeinen katkaistu", {v::era(e[0]), v::era(e[2]).substr(0, 92)}, ei, 0, {}},
      {"summa ei täsmää", {v::era(e[0]), v::era(e[1]).replace(93, 6, "000009")}, ei, 0, {}},
      {"tilinumero, erä ilman maksuja", {v::era(e[0]), v::era(e[1])}, tili, 0, {}},
      {"nimi avaimena", {v::era(e[0])}, [](PaloitteluAsetukset& a) { a.valitse(T::tilinomistajanNimi); }, 0, {}},
  };
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    a.nimenAlkuosa = "V-";
    a.valitse(T::asiakastunnus);
    t.aseta(a);
    std::string sisalto;
    std::uint64_t alku = 0;
    for (std::size_t i = 0; i < t.erat.size(); ++i) {
      if (i == t.alusta) alku = sisalto.size();
      sisalto += t.erat[i];
    }
    testi::kirjoitaTiedosto(syote, sisalto);
    std::vector<std::string> saatu;
    for (const split::Tiliote& s : tiliotteet(syote, a, alku)) {
      const std::string& tavut = t.erat[t.alusta + saatu.size()];
      split::Tiivistaja h;
      h.lisaa(tavut.data(), tavut.size());
      EXPECT_EQ(s.kohta, alku);
      EXPECT_EQ(s.pituus, tavut.size());
      EXPECT_EQ(s.tiiviste, h.arvo());
      EXPECT_FALSE(s.numero || s.alkusaldo || s.loppusaldo);
      EXPECT_EQ(s.alku, s.loppu);
      saatu.push_back(s.tili + "|" + s.alku + "|" + s.valuutta + "|" + s.yritys);
      alku += tavut.size();
    }
    EXPECT_EQ(saatu, t.odotettu);
  }
}

// What the statements say is delivered is what the split appends: each company file is its
// statements' bytes in order. Batches that begin in a range passed over go nowhere, and a file
// they alone would have made is not made; the summary counts what was written.
TEST_F(Viite, OhitettavatPaikallaan) {
  std::vector<v::Era> erat = v::erat({1, 2, 1, 3, 2, 1}, 2);
  erat[3].palvelutunnus = "CON";  // a name no file may bear
  std::vector<std::string> tavut;
  std::vector<std::uint64_t> alut;
  std::string sisalto;
  for (const v::Era& e : erat) {
    alut.push_back(sisalto.size());
    tavut.push_back(v::era(e));
    sisalto += tavut.back();
  }
  const struct {
    const char* kuvaus;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> alueet;
    std::vector<std::size_t> ohitetut;
  } tapaukset[] = {
      {"ei mitään", {}, {}},
      {"ensimmäinen, ja yhden yrityksen kaikki", {{0, 1}, {alut[1], alut[2]}, {alut[4], alut[5]}}, {0, 1, 4}},
      // A range that begins inside a batch passes over the batches that begin in it only.
      {"alue erän keskeltä", {{alut[0] + 1, alut[3] + 1}}, {1, 2, 3}},
      {"kaikki", {{0, sisalto.size()}}, {0, 1, 2, 3, 4, 5}},
  };
  a.valitse(T::asiakastunnus);
  a.nimenAlkuosa.clear();
  testi::kirjoitaTiedosto(syote, sisalto);
  std::vector<std::string> nimet;
  for (const split::Tiliote& t : tiliotteet(syote, a, 0)) nimet.push_back(t.yritys);
  ASSERT_EQ(nimet.size(), erat.size());
  const std::string kohde = a.kohdehakemisto + alusta::erotin;
  for (const auto& t : tapaukset) {
    SCOPED_TRACE(t.kuvaus);
    std::filesystem::remove_all(a.kohdehakemisto);
    alusta::luoHakemisto(a.kohdehakemisto);
    split::Ohitettavat ohita;
    for (const auto& [alku, loppu] : t.alueet) ohita.lisaa(alku, loppu);
    std::string syy;
    const auto jako = split::muotoTiedostolle(syote).tarkista(syote, a, syy);
    ASSERT_TRUE(jako) << syy;
    split::Yhteenveto y;
    jako->jaa(syote, kohde, y, ohita);
    std::map<std::string, std::string> odotettu;
    std::map<std::string, std::int64_t> eria, yhteenvedossa;
    for (std::size_t i = 0; i < erat.size(); ++i)
      if (std::find(t.ohitetut.begin(), t.ohitetut.end(), i) == t.ohitetut.end()) {
        odotettu[nimet[i]] += tavut[i];
        ++eria[kohde + nimet[i]];
      }
    EXPECT_EQ(tulosteet(a.kohdehakemisto), odotettu);
    for (const split::TiedostonYhteenveto& f : y.tiedostot) yhteenvedossa[f.polku] += f.eria;
    EXPECT_EQ(yhteenvedossa, eria);
  }
}
