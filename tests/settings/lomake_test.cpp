#include "settings/lomake.h"

#include <gtest/gtest.h>

#include "euro/alusta/alusta.h"
#include "euro/polut.h"
#include "euro/teksti.h"
#include "settings/paloitteluasetukset.h"
#include "tuki/testituki.h"

namespace {

using euro::ansi;
using settings::Laji;
using settings::Lomake;
using settings::Ohjain;

Ohjain teksti(const std::string& nimi, const std::string& arvo, bool moni = false) {
  Ohjain o;
  o.laji = Laji::tekstilaatikko;
  o.nimi = nimi;
  o.arvo = arvo;
  o.moniRivinen = moni;
  return o;
}
Ohjain ruutu(const std::string& nimi, const std::string& tila, std::optional<int> i = {}) {
  Ohjain o;
  o.laji = Laji::valintaruutu;
  o.nimi = nimi;
  o.arvo = tila;
  o.indeksi = i;
  return o;
}
Ohjain nappi(const std::string& nimi, bool valittu) {
  Ohjain o;
  o.laji = Laji::valintanappi;
  o.nimi = nimi;
  o.arvo = valittu ? "True" : "False";
  o.ryhma = "R";
  return o;
}
Ohjain yhdistelma(const std::string& nimi, int tyyli, const std::string& arvo) {
  Ohjain o;
  o.laji = Laji::yhdistelmaruutu;
  o.nimi = nimi;
  o.kohteet = {"yksi", "kaksi", "kaksi"};
  o.tyyli = tyyli;
  o.arvo = arvo;
  return o;
}

struct Lomaketesti : ::testing::Test {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  std::string polku = kansio / "ASETUS.OMA";
};

TEST_F(Lomaketesti, KirjoitettuTiedostoTavuTavulta) {
  Ohjain nimio;
  nimio.nimi = "Label1";
  nimio.arvo = "ei tallenneta";
  Ohjain luettelo;
  luettelo.laji = Laji::luetteloruutu;
  luettelo.nimi = "lstX";
  luettelo.arvo = "valittu";
  const Lomake l = {
      teksti("txtA", "  reunat  "), teksti("txtTyhja", ""), teksti("txtYhta", "A = B"),
      teksti("txtMoni", "rivi1\r\nrivi2\rx\ny", true), teksti("txtYksi", "a\r\nb"),
      ruutu("chkHarmaa", "2"), ruutu("chkValinta", "1", 3), nappi("optA", false),
      nappi("optB", true), yhdistelma("cboA", 0, "vapaa"), luettelo, nimio,
  };
  settings::se_TallennaFormi(polku, l);
  // The multi-line box's line mark is Windows-1252; Linux writes it in UTF-8.
  const auto merkisto = [](const std::string& s) { return alusta::onWindows ? s : euro::ansiUtf8(s); };
  EXPECT_EQ(testi::lueTiedosto(polku),
            merkisto("txtA =   reunat  \r\n"
            "txtTyhja = \r\n"
            "txtYhta = A = B\r\n"
            "txtMoni = rivi1\xBFrivi2\rx\ny\r\n"
            "txtYksi = a\r\nb\r\n"
            "chkHarmaa = 2\r\n"
            "chkValinta(3) = 1\r\n"
            "optA = False\r\n"
            "optB = True\r\n"
            "cboA = vapaa\r\n"
            "lstX = valittu\r\n"));
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_EQ(testi::tiedostot(kansio.polku()), std::vector<std::string>{"ASETUS.OMA"});
}

TEST_F(Lomaketesti, LukuKaikillaLajeilla) {
  struct Tapaus {
    const char* kuvaus;
    std::string tiedosto;
    Ohjain ohjain;
    std::string odotettu;
    int odotettuValittu = -1;
  };
  const std::vector<Tapaus> tapaukset = {
      {"reunat sailyvat", "txtA =   x  \r\n", teksti("txtA", "?"), "  x  "},
      {"yhtasuuruus arvossa", "txtA = A = B\r\n", teksti("txtA", "?"), "A = B"},
      {"tyhja arvo", "txtA = \r\n", teksti("txtA", "?"), ""},
      {"tyhja ilman valia", "txtA =\r\n", teksti("txtA", "?"), ""},
      {"ilman valeja menee ohi", "txtA=5\r\n", teksti("txtA", "?"), "?"},
      {"ilman valeja vaaraan", "txtAB=5\r\n", teksti("txtA", "?"), ""},
      {"moniriviset", "txtM = a\xBF" "b\r\n", teksti("txtM", "?", true), "a\r\nb"},
      {"yksirivinen pitaa merkin", "txtM = a\xBF" "b\r\n", teksti("txtM", "?"), "a\xBF" "b"},
      {"myohempi voittaa", "txtA = 1\r\ntxtA = 2\r\n", teksti("txtA", "?"), "2"},
      {"tuntematon ohitetaan", "txtB = 1\r\nrivi ilman\r\n", teksti("txtA", "?"), "?"},
      {"lf-rivit", "txtB = 1\ntxtA = 2\ntxtC = 3\n", teksti("txtA", "?"), "2"},
      {"ruutu 1", "chkA = 1\r\n", ruutu("chkA", "0"), "1"},
      {"ruutu Tosi", "chkA = Tosi\r\n", ruutu("chkA", "0"), "1"},
      {"ruutu True", "chkA = True\r\n", ruutu("chkA", "0"), "1"},
      {"ruutu true ei", "chkA = true\r\n", ruutu("chkA", "1"), "0"},
      {"ruutu harmaa", "chkA = 2\r\n", ruutu("chkA", "1"), "0"},
      {"ruutu tosi ei", "chkA = tosi\r\n", ruutu("chkA", "1"), "0"},
      {"taulukon jasen", "chkA(3) = 1\r\n", ruutu("chkA", "0", 3), "1"},
      {"ilman indeksia ei jaseneen", "chkA = 1\r\n", ruutu("chkA", "0", 3), "0"},
      {"vaara indeksi", "chkA(2) = 1\r\n", ruutu("chkA", "0", 3), "0"},
      {"nappi Tosi", "optA = Tosi\r\n", nappi("optA", false), "True"},
      {"nappi TRUE ei", "optA = TRUE\r\n", nappi("optA", true), "False"},
      {"yhdistelma ensimmainen yhtasuuri", "cbo = kaksi\r\n", yhdistelma("cbo", 0, ""), "kaksi", 1},
      {"yhdistelma vapaa teksti", "cbo = muu\r\n", yhdistelma("cbo", 0, "yksi"), "muu"},
      {"pudotuslista pitaa valinnan", "cbo = muu\r\n", yhdistelma("cbo", 2, "yksi"), "yksi"},
  };
  for (const auto& t : tapaukset) {
    testi::kirjoitaTiedosto(polku, t.tiedosto);
    Lomake l = {t.ohjain};
    settings::se_LueFormi(polku, l);
    EXPECT_EQ(l[0].arvo, t.odotettu) << t.kuvaus;
    if (t.ohjain.laji == Laji::yhdistelmaruutu && t.odotettuValittu >= 0) {
      EXPECT_EQ(l[0].valittu, t.odotettuValittu) << t.kuvaus;
    }
  }
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

TEST_F(Lomaketesti, ValintanappiValitseeRyhmastaanJarjestyksesta) {
  for (const char* tiedosto : {"optA = False\r\noptB = True\r\n", "optB = True\r\noptA = False\r\n"}) {
    testi::kirjoitaTiedosto(polku, tiedosto);
    Lomake l = {nappi("optA", true), nappi("optB", false)};
    settings::se_LueFormi(polku, l);
    EXPECT_EQ(l[0].arvo, "False") << tiedosto;
    EXPECT_EQ(l[1].arvo, "True") << tiedosto;
  }
}

TEST_F(Lomaketesti, PuuttuvaHiljaaYhtasuuruusAlussaPysayttaa) {
  Lomake l = {teksti("txtA", "oletus"), teksti("txtB", "oletus")};
  settings::se_LueFormi(kansio / "EI.OMA", l);
  EXPECT_TRUE(ymp.viestit.viestit.empty());
  EXPECT_EQ(l[0].arvo, "oletus");

  testi::kirjoitaTiedosto(polku, "txtA = 1\r\n= 2\r\ntxtB = 3\r\n");
  settings::se_LueFormi(polku, l);
  EXPECT_EQ(l[0].arvo, "1");
  EXPECT_EQ(l[1].arvo, "oletus");
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  const auto& v = ymp.viestit.viestit[0];
  EXPECT_EQ(v.otsikko, "Pulma lomakkeen oletusarvoja luettaessa5");
  EXPECT_EQ(v.teksti.rfind("Virhe:5\n", 0), 0u) << v.teksti;
  EXPECT_EQ(v.tyyli, 48);
}

// A value survives a save and a read whatever its bytes: text whose Windows-1252 bytes happen
// to form UTF-8 ("Ã¤" is the bytes of "ä" in UTF-8) is not read back as other text.
TEST_F(Lomaketesti, TallennettuArvoPalaaSamana) {
  for (const std::string& arvo : {std::string("\xC3\xA4"), std::string("Pankki \xC3\xA4 \xE4 \x81\x9D"),
                                  std::string("\xEF\xBB\xBF" "alku"), std::string("\xE2\x82\xAC = \x80")}) {
    SCOPED_TRACE(arvo);
    settings::se_TallennaFormi(polku, {teksti("txtA", "a"), teksti("txtB", arvo), teksti("txtMoni", arvo + "\r\n" + arvo, true)});
    Lomake l = {teksti("txtA", ""), teksti("txtB", ""), teksti("txtMoni", "", true)};
    settings::se_LueFormi(polku, l);
    EXPECT_EQ(l[1].arvo, arvo);
    // "\xBF" is the multi-line box's own line mark, which no value of it can hold.
    if (arvo.find('\xBF') == std::string::npos) {
      EXPECT_EQ(l[2].arvo, arvo + "\r\n" + arvo);
    }
  }
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

TEST_F(Lomaketesti, EpaonnistunutTallennusJattaaVanhan) {
  const Lomake l = {teksti("txtA", "uusi")};
  testi::kirjoitaTiedosto(polku, "txtA = vanha\r\n");
  // A folder in the way of the temporary file makes the save fail half-way.
  alusta::luoHakemisto(polku + ".uusi");
  settings::se_TallennaFormi(polku, l);
  EXPECT_EQ(testi::lueTiedosto(polku), "txtA = vanha\r\n");
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "Pulma lomakkeen oletustekstien tallennuksessa");
  EXPECT_EQ(ymp.viestit.viestit[0].tyyli, 48);
  EXPECT_EQ(ymp.viestit.viestit[0].teksti.rfind("Virhe:", 0), 0u);

  // A missing folder: nothing is created, the message names the number.
  ymp.viestit.viestit.clear();
  settings::se_TallennaFormi(kansio / "ei" + std::string(1, alusta::erotin) + "A.OMA", l);
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].teksti.rfind("Virhe:76\n", 0), 0u);
  EXPECT_FALSE(testi::onOlemassa(kansio / "ei"));
}

TEST(PaloitteluAsetukset, KierrosTiedostonKauttaJaPolku) {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  split::PaloitteluAsetukset a;
  a.tiliotetiedosto = ansi("C:\\Pankki\\TITO ä.TXT");
  a.kohdehakemisto = " ";
  a.nimenAlkuosa = "TITO-#-";
  a.nimenLoppuosa = "";
  a.valitse(split::PaloitteluAsetukset::Tunniste::tilinumero);
  a.posAlku = "1,5";
  a.arkistoi = false;
  a.paloitteleKaynnistyessa = true;
  // Beside the data directory, not in it: inside the scratch folder all the same.
  const std::string polku = settings::asetustiedosto(kansio / "data");
  EXPECT_EQ(polku, kansio / "dataTITO-JAKO.OMA");
  settings::tallennaformi(polku, a);
  // Windows-1252 on Windows; UTF-8 on Linux, which reads a UTF-8 line as UTF-8.
  const auto merkisto = [](const std::string& utf8) { return alusta::onWindows ? ansi(utf8) : utf8; };
  EXPECT_EQ(testi::lueTiedosto(polku),
            merkisto("txtPaloiteltavaTiedosto = C:\\Pankki\\TITO ä.TXT\r\n"
                 "txtTallennusHakemisto =  \r\n"
                 "optAsiakastunnus = False\r\n"
                 "optTilinumero = True\r\n"
                 "optTilinomistajanNimi = False\r\n"
                 "optPositiot = False\r\n"
                 "txtPosAlku = 1,5\r\n"
                 "txtPosLoppu = 65\r\n"
                 "txtNimenAlkuosa = TITO-#-\r\n"
                 "txtNimenLoppuosa = \r\n"
                 "chkAikaleimaaPaloiteltava = 0\r\n"
                 "chkNaytaPaloitellut = 0\r\n"
                 "chkSuljeOhjelmaPaloittelunJalkeen = 0\r\n"
                 "chkPaloitteleAutomaattisesti = 1\r\n"));
  split::PaloitteluAsetukset b;
  settings::lueformi(polku, b);
  EXPECT_EQ(settings::ohjaimiksi(b).size(), 14u);
  for (std::size_t i = 0; i < 14; ++i)
    EXPECT_EQ(settings::ohjaimiksi(b)[i].arvo, settings::ohjaimiksi(a)[i].arvo) << i;
  EXPECT_TRUE(ymp.viestit.viestit.empty());
}

}  // namespace

namespace {

// A settings file saved by a Linux editor in UTF-8, with or without a byte-order mark, reads
// as the Windows-1252 one does; on Windows every file is read as it always was.
TEST(LueFormi, Utf8LinuxinEditorista) {
  testi::Ymparisto ymp;
  testi::Kansio kansio;
  const std::string polku = kansio / "TITO-JAKO.OMA";
  const std::string ansiPolku = ansi("/home/maija/Pääkirja/TITO.TXT");
  const std::string utf8Polku = "/home/maija/P\xC3\xA4\xC3\xA4kirja/TITO.TXT";
  const std::string bom = "\xEF\xBB\xBF";
  struct {
    const char* kuvaus;
    std::string sisalto;
    std::string linux, windows;  // what the text box gets
  } const tapaukset[] = {
      {"Windows-1252", "txtPaloiteltavaTiedosto = " + ansiPolku + "\r\n", ansiPolku, ansiPolku},
      {"UTF-8", "txtPaloiteltavaTiedosto = " + utf8Polku + "\n", ansiPolku, utf8Polku},
      {"UTF-8 ja BOM", bom + "txtPaloiteltavaTiedosto = " + utf8Polku + "\n", ansiPolku, ""},
      {"BOM, ASCII", bom + "txtPaloiteltavaTiedosto = /srv/TITO.TXT\n", "/srv/TITO.TXT", ""},
      // A marker of a multi-line text stays one: U+00BF in UTF-8 is the byte 0xBF.
      {"UTF-8 rivinvaihtomerkki", "txtMoni = a\xC2\xBF" "b\n", "", ""},
      // Broken UTF-8 is Windows-1252 text.
      {"rikki", "txtPaloiteltavaTiedosto = \xC3\xA4\xE4\n", "\xC3\xA4\xE4", "\xC3\xA4\xE4"},
  };
  for (const auto& t : tapaukset) {
    testi::kirjoitaTiedosto(polku, t.sisalto);
    Lomake l = {teksti("txtPaloiteltavaTiedosto", ""), teksti("txtMoni", "", true)};
    settings::se_LueFormi(polku, l);
    EXPECT_TRUE(ymp.viestit.viestit.empty()) << t.kuvaus;
    if (std::string(t.kuvaus) == "UTF-8 rivinvaihtomerkki") {
      EXPECT_EQ(l[1].arvo, alusta::onWindows ? "a\xC2\r\nb" : "a\r\nb") << t.kuvaus;
      continue;
    }
    EXPECT_EQ(l[0].arvo, alusta::onWindows ? t.windows : t.linux) << t.kuvaus;
  }

  // ainehake.oma and kysytulo.oma are read the same way.
  testi::kirjoitaTiedosto(polku, bom + utf8Polku + "\n");
  EXPECT_EQ(euro::fe_LueEkaRivi(polku), alusta::onWindows ? bom + utf8Polku : ansiPolku);
}

}  // namespace
