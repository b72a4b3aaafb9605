#include "split/nimi.h"
#include "split/tito/nimi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
using split::PaloitteluAsetukset;
using T = PaloitteluAsetukset::Tunniste;

TEST(Asetapos, JokainenTunnisteJaKirjoitetutPositiot) {
  testi::Ymparisto ymp;
  struct {
    T tunniste;
    const char* alku;
    const char* loppu;
    std::int32_t odAlku, odLoppu;
  } const tapaukset[] = {
      {T::asiakastunnus, "1", "2", 49, 65},
      {T::tilinumero, "1", "2", 10, 23},
      {T::tilinomistajanNimi, "1", "2", 148, 182},
      {T::positiot, "49", "65", 49, 65},
      {T::positiot, " 10 ", "1 2", 10, 12},
      {T::positiot, "12,5", "13.5", 12, 14},  // half to the even neighbour
      {T::positiot, "2,5", "3,5001", 2, 4},
      {T::positiot, "-0,5", "abc", 0, 0},
      {T::positiot, "-2147483648", "2147483647", INT32_MIN, INT32_MAX},
  };
  for (const auto& t : tapaukset) {
    PaloitteluAsetukset a;
    a.valitse(t.tunniste);
    a.posAlku = t.alku;
    a.posLoppu = t.loppu;
    std::int32_t alku = -7, loppu = -7;
    split::tito::asetapos(a, alku, loppu);
    EXPECT_EQ(alku, t.odAlku) << t.alku;
    EXPECT_EQ(loppu, t.odLoppu) << t.loppu;
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST(Asetapos, PositioYli32BitinTaiIlmanValintaa) {
  PaloitteluAsetukset a;
  a.valitse(T::positiot);
  a.posAlku = "2147483648";
  std::int32_t alku = 0, loppu = 0;
  try {
    split::tito::asetapos(a, alku, loppu);
    ADD_FAILURE() << "ei heittänyt";
  } catch (const euro::Virhe& v) {
    EXPECT_EQ(v.numero(), 6);
  }
  a.avainPositiot = false;
  alku = 3;
  loppu = 4;
  split::tito::asetapos(a, alku, loppu);
  EXPECT_EQ(alku, 3);
  EXPECT_EQ(loppu, 4);
}

TEST(PuhdistaNimi, SallitutMerkitSailyttavatKirjainkokonsa) {
  struct {
    const char* sisaan;
    const char* ulos;
  } const tapaukset[] = {
      {"Café Ab/Oy", "Caf AbOy"},
      {"åäöÅÄÖ abc XYZ", "åäöÅÄÖ abc XYZ"},
      {"a:b\\c/d*e?f\"g<h>i|j", "abcdefghij"},
      {"+- _.()!#$%&", "+- _.()!#$%&"},
      {"tab\there", "tabhere"},
      {"ÿüéß€", ""},
      {"", ""},
  };
  for (const auto& t : tapaukset)
    EXPECT_EQ(split::fe_PuhdistaNimi(ansi(t.sisaan)), ansi(t.ulos)) << t.sisaan;
}

TEST(Muodostanimi, NimetRivinKentistaJaOsista) {
  testi::Ymparisto ymp;
  struct Tapaus {
    const char* kuvaus;
    testi::T00 rivi;
    T tunniste = T::asiakastunnus;
    std::string alkuosa = "TITO-*-?-";
    std::string loppuosa = ".TXT";
    std::string odotettu;
  };
  auto t00 = [](auto muuta) {
    testi::T00 t;
    muuta(t);
    return t;
  };
  const std::vector<Tapaus> tapaukset = {
      {"oletukset", {}, T::asiakastunnus, "TITO-*-?-", ".TXT", "TITO-2018-08-1234567-8.TXT"},
      {"jakso", {}, T::asiakastunnus, "TITO-#-", ".TXT", "TITO-20180801-20180831-1234567-8.TXT"},
      {"omistajan nimi", t00([](auto& t) { t.nimi = "Café Ab/Oy"; }), T::tilinomistajanNimi,
       "TITO-*-?-", ".TXT", "TITO-2018-08-Caf AbOy.TXT"},
      {"tilinumero", {}, T::tilinumero, "", "", "12345678901234"},
      {"risuaita avaimessa", t00([](auto& t) { t.nimi = "A#B"; }), T::tilinomistajanNimi, "", "",
       "A20180801-20180831B"},
      {"tahti ja kysymys avaimesta pois", t00([](auto& t) { t.asiakas = "1*2?3"; }),
       T::asiakastunnus, "", "", "123"},
      {"paivays pitaa paikkamerkkeja", t00([](auto& t) { t.alku = "*?0801"; }), T::asiakastunnus,
       "TITO-*-?-", ".TXT", "TITO-2008-08-1234567-8.TXT"},
      {"tyhja avain", t00([](auto& t) { t.asiakas = ""; }), T::asiakastunnus, "TITO-*-?-", ".TXT",
       "TITO-2018-08-.TXT"},
      {"lyhyt rivi", t00([](auto& t) { t.pituus = 30; }), T::asiakastunnus, "TITO-*-?-#", ".TXT",
       "TITO-2018-08-201808-20.TXT"},
      {"vuosisata aina 20", t00([](auto& t) { t.alku = "990101"; }), T::asiakastunnus, "*", "",
       "20991234567-8"},
      {"erottimet pois osista", {}, T::asiakastunnus, "..\\x:/", "/.TXT", "..x1234567-8.TXT"},
      {"kirjainkoko sailyy", t00([](auto& t) { t.nimi = "  äiti Ab  "; }),
       T::tilinomistajanNimi, "", ".txt", "äiti Ab.txt"},
  };
  for (const auto& t : tapaukset) {
    PaloitteluAsetukset a;
    a.valitse(t.tunniste);
    a.nimenAlkuosa = ansi(t.alkuosa);
    a.nimenLoppuosa = ansi(t.loppuosa);
    std::int32_t alku = 0, loppu = 0;
    split::tito::asetapos(a, alku, loppu);
    EXPECT_EQ(split::tito::muodostanimi(ansi(t.rivi.rivi()), "KOHDE/", a, alku, loppu),
              "KOHDE/" + ansi(t.odotettu))
        << t.kuvaus;
  }
  EXPECT_TRUE(ymp.virheet.empty());
}

TEST(Muodostanimi, PositiotJoitaEiVoiLeikata) {
  PaloitteluAsetukset a;
  a.nimenAlkuosa = "X";
  a.nimenLoppuosa = "";
  const std::string rivi = testi::T00{}.rivi();
  struct {
    std::int32_t alku, loppu;
    bool heittaa;
  } const tapaukset[] = {
      {0, 5, true}, {-3, 5, true}, {10, 8, true}, {10, 9, false}, {400, 500, false}, {1, 3, false},
  };
  for (const auto& t : tapaukset) {
    if (t.heittaa) {
      EXPECT_THROW(split::tito::muodostanimi(rivi, "", a, t.alku, t.loppu), euro::Virhe)
          << t.alku << ":" << t.loppu;
    } else {
      EXPECT_NO_THROW(split::tito::muodostanimi(rivi, "", a, t.alku, t.loppu));
    }
  }
  EXPECT_EQ(split::tito::muodostanimi(rivi, "", a, 10, 9), "X");
  EXPECT_EQ(split::tito::muodostanimi(rivi, "", a, 1, 3), "XT00");
}

}  // namespace

namespace {

// The split's one-pass names against muodostanimi over random lines, prefixes, suffixes and
// positions, placeholders and disallowed bytes everywhere; the line given to the one-pass
// builder is cut after tarve() bytes, as the split gives it.
TEST(NimenMuodostaja, SamaKuinMuodostanimi) {
  std::mt19937 arpa(1808);
  const std::string merkit = ansi("aZ09 *?#-./\\:äÖé\t\x01\xFF");
  auto teksti = [&](std::size_t enintaan) {
    std::string s(arpa() % (enintaan + 1), ' ');
    for (char& c : s) c = merkit[arpa() % merkit.size()];
    return s;
  };
  for (int kierros = 0; kierros < 3000; ++kierros) {
    PaloitteluAsetukset a;
    a.nimenAlkuosa = arpa() % 3 ? "TITO-*-?-" : teksti(8);
    a.nimenLoppuosa = arpa() % 3 ? ".TXT" : teksti(6);
    std::int32_t alku = 1 + static_cast<std::int32_t>(arpa() % 60);
    std::int32_t loppu = alku - 1 + static_cast<std::int32_t>(arpa() % 30);
    const std::string rivi = "T00" + teksti(arpa() % 4 ? 120 : 30);
    split::tito::NimenMuodostaja m(a, alku, loppu);
    const std::string odotettu = split::tito::muodostanimi(rivi, "", a, alku, loppu);
    // A name no file may bear takes its number (Laitenimi below).
    if (!split::kelpaaTiedostonimeksi(odotettu)) continue;
    const std::string alkuosa = rivi.substr(0, std::min(rivi.size(), m.tarve()));
    EXPECT_EQ(m.nimi(alkuosa), odotettu) << kierros;
    // Used again, it forgets the previous line.
    EXPECT_EQ(m.nimi(rivi), odotettu) << kierros;
  }
  // Positions that cannot be cut fail as in muodostanimi.
  for (auto [alku, loppu] : {std::pair{0, 5}, std::pair{10, 8}}) {
    split::tito::NimenMuodostaja m(PaloitteluAsetukset{}, alku, loppu);
    try {
      m.nimi("T00");
      ADD_FAILURE() << alku << ":" << loppu;
    } catch (const euro::Virhe& v) {
      EXPECT_EQ(v.numero(), euro::virhenro::virheellinenKutsu);
    }
  }
}

// A name Windows takes for a device, or none a file may bear, takes "-2" in both formats on both
// systems (offices share folders with Windows machines); names that only look like one are
// written as they are. Where no such name may be borne either, nothing is written.
TEST(Laitenimi, SamaSaantoTitolleJaXmlleKummallakinJarjestelmalla) {
  struct {
    const char* avain;
    const char* loppuosa;
    const char* nimi;  // of the file written
  } const tapaukset[] = {
      {"CON", "", "CON-2"},            {"con", ".txt", "con-2.txt"},     {"Nul", ".XML.bak", "Nul-2.XML.bak"},
      {"AUX", " .TXT", "AUX-2 .TXT"},  {"PRN", " ", "PRN-2 "},          {"prn", ".", "prn-2."},
      {"COM1", ".TXT", "COM1-2.TXT"},  {"com9", "", "com9-2"},          {"LPT1", ".TXT", "LPT1-2.TXT"},
      {"lPt9", ".", "lPt9-2."},        {"LPT1.X", "", "LPT1-2.X"},      {"..", "", "..-2"},
      {"COM10", ".TXT", "COM10.TXT"},  {"LPT0", ".TXT", "LPT0.TXT"},    {"CONSOLE", ".TXT", "CONSOLE.TXT"},
      {"NULL", ".TXT", "NULL.TXT"},    {"XCON", ".TXT", "XCON.TXT"},    {"CON-2", ".TXT", "CON-2.TXT"},
      {"COM", ".TXT", "COM.TXT"},      {"AUXX", "", "AUXX"},
  };
  const std::string S(1, alusta::erotin);
  for (const auto& t : tapaukset) {
    const std::string nimi = std::string(t.avain) + t.loppuosa;
    // Windows drops a closing blank or point: no name with this suffix may be borne there.
    const std::string_view loppuosa = t.loppuosa;
    const bool hylataan = alusta::onWindows && (loppuosa.ends_with(' ') || loppuosa.ends_with('.'));
    for (const bool xml : {false, true}) {
      SCOPED_TRACE(nimi + (xml ? " XML" : " TITO"));
      testi::Ymparisto ymp;
      testi::Kansio k;
      PaloitteluAsetukset a;
      a.tiliotetiedosto = k / "TILIOTE";
      a.kohdehakemisto = k / "ulos";
      alusta::luoHakemisto(a.kohdehakemisto);
      a.nimenAlkuosa = "";
      a.nimenLoppuosa = t.loppuosa;
      a.arkistoi = false;
      std::string sisalto;
      if (xml) {
        a.valitse(T::tilinumero);
        sisalto = "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">"
                  "<BkToCstmrStmt><GrpHdr><MsgId>M</MsgId><CreDtTm>2024-04-01T06:00:00</CreDtTm></GrpHdr>"
                  "<Stmt><Id>S1</Id><Acct><Id><IBAN>" + std::string(t.avain) +
                  "</IBAN></Id></Acct></Stmt></BkToCstmrStmt></Document>\n";
      } else {
        testi::T00 r;
        r.asiakas = t.avain;
        sisalto = r.rivi() + "\r\nT10 rivi\r\n";
      }
      testi::kirjoitaTiedosto(a.tiliotetiedosto, sisalto);
      const split::PaloitteluTulos tulos = split::paloittele(a);
      EXPECT_EQ(tulos.valmis, !hylataan);
      if (!hylataan) {
        // Listed with what begins with a point, which the file listing hides.
        std::vector<std::string> tehdyt;
        for (const auto& e : std::filesystem::directory_iterator(a.kohdehakemisto))
          tehdyt.push_back(e.path().filename().string());
        EXPECT_EQ(tehdyt, std::vector<std::string>{t.nimi});
        continue;
      }
      EXPECT_TRUE(testi::tiedostot(a.kohdehakemisto).empty());
      if (xml) {
        // Refused whole by the check, before anything is written.
        ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
        EXPECT_NE(ymp.viestit.viestit[0].teksti.find(ansi("tiedostonimi ") + nimi + ansi(" ei kelpaa")),
                  std::string::npos)
            << ymp.viestit.viestit[0].teksti;
        EXPECT_TRUE(ymp.virheet.empty());
      } else {
        ASSERT_EQ(ymp.virheet.size(), 1u);
        EXPECT_EQ(ymp.virheet[0].numero, euro::virhenro::virheellinenNimi);
        EXPECT_NE(ymp.virheet[0].viesti.find(a.kohdehakemisto + S + nimi), std::string::npos)
            << ymp.virheet[0].viesti;
      }
    }
  }
}

}  // namespace
