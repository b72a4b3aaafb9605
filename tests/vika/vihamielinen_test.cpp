// Inputs that are hostile rather than broken: lines of 100 MiB, one without an end, NUL bytes,
// bytes 0x80-0xFF and names that mean something else ("..", ".", "CON") as keys, key
// positions far beyond the line, NULs in paths. The run either splits them byte for byte or
// stops through its failure path; nothing lands outside the target folder.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

using namespace std::string_literals;
using split::PaloitteluAsetukset;
const std::string S(1, alusta::erotin);

alusta::Aika kello() { return {2018, 8, 21, 14, 30, 5}; }

std::string t00(const std::string& asiakas) {
  testi::T00 t;
  t.asiakas = asiakas;
  return t.rivi();
}

// A T00 line of 100 MiB ended by a lone LF, then a line of 100 MiB without an end: both pass
// from the read buffer to the company's file, so the run's memory does not grow with them.
TEST(Vihamielinen, PitkatRivitEivatKasvataMuistia) {
  constexpr std::size_t koko = 100u << 20;
  testi::Kansio k;
  const std::string polku = k / "TITO.TXT";
  const std::string alku = t00("1234567-8");
  {
    std::ofstream f(euro::ansiUtf8(polku), std::ios::binary);
    const std::string lohko(1 << 20, 'M');
    for (char loppu : {'\n', '\0'}) {
      std::size_t n = 0;
      if (loppu == '\n') {
        f << alku;
        n = alku.size();
      }
      for (; n < koko; n += lohko.size())
        f.write(lohko.data(), static_cast<std::streamsize>(std::min(lohko.size(), koko - n)));
      if (loppu) f << loppu;
    }
  }
  testi::Ymparisto ymp;
  PaloitteluAsetukset a;
  a.tiliotetiedosto = polku;
  a.arkistoi = false;
  const bool mitataan = vika::nollaaMuistihuippu();
  const std::size_t ennen = vika::muistihuippu().value_or(0);
  const auto alkuAika = std::chrono::steady_clock::now();
  const auto tulos = split::paloittele(a, kello);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - alkuAika).count();
  ASSERT_TRUE(tulos.valmis);
  EXPECT_TRUE(ymp.virheet.empty());
  if (mitataan) {
    const std::size_t huippu = *vika::muistihuippu();
    std::cout << "[ muisti   ] huippu " << (huippu >> 20) << " MiB (ennen " << (ennen >> 20)
              << " MiB), rivit 2 x " << (koko >> 20) << " MiB, " << ms << " ms\n";
    EXPECT_LT(huippu, ennen + (16u << 20));
  }
  // Byte for byte, read back in pieces: each line and CR LF.
  std::ifstream f(euro::ansiUtf8(k / "TITO-2018-08-1234567-8.TXT"), std::ios::binary);
  std::string pala(1 << 20, '\0');
  f.read(pala.data(), static_cast<std::streamsize>(alku.size()));
  EXPECT_EQ(pala.substr(0, alku.size()), alku);
  std::size_t luettu = alku.size(), vaarin = 0;
  auto odotettu = [&](std::size_t i) {
    const std::size_t j = i < koko + 2 ? i : i - koko - 2;
    return j < koko ? 'M' : (j == koko ? '\r' : '\n');
  };
  while (f.read(pala.data(), static_cast<std::streamsize>(pala.size())) || f.gcount() > 0) {
    const std::size_t n = static_cast<std::size_t>(f.gcount());
    for (std::size_t i = 0; i < n; ++i) vaarin += pala[i] != odotettu(luettu + i);
    luettu += n;
  }
  EXPECT_EQ(luettu, 2 * koko + 4);
  EXPECT_EQ(vaarin, 0u);
  ASSERT_EQ(tulos.yhteenveto.tiedostot.size(), 1u);
  EXPECT_EQ(tulos.yhteenveto.tiedostot[0].riveja, 2);
}

// Keys and positions that are not what a key should be.
TEST(Vihamielinen, AvaimetJaPositiot) {
  const std::string kaikkiYlat = [] {
    std::string s;
    for (int c = 0x80; c <= 0xFF; ++c) s += static_cast<char>(c);
    return s;
  }();
  struct Tapaus {
    const char* kuvaus;
    std::string avain;             // bytes at positions 49 onwards
    std::string alkuosa = "TITO-*-?-", loppuosa = ".TXT";
    std::string posAlku = "", posLoppu = "";  // set: avainPositiot
    std::string nimi = "";                    // the output file; empty: the run must fail
    std::int32_t numero = 0;                  // the failure's number, 0 when not fixed
  };
  const std::vector<Tapaus> tapaukset = {
      {"NUL-tavuja", "AB\0\0CD\0"s, "TITO-*-?-", ".TXT", "", "", "TITO-2018-08-ABCD.TXT"},
      {"tavut 0x80-0xFF", kaikkiYlat, "", ".TXT", "49", "176", "\xC4\xC5\xD6\xE4\xE5\xF6.TXT"},
      // No file may bear these names: "-2" is put before the suffix.
      {"..", "..", "", "", "", "", "..-2"},
      {".", ".", "", "", "", "", ".-2"},
      {"tyhjä nimi", "", "", "", "", "", "-2"},
      {"../ ulos", "../../ulos", "", "", "", "", "....ulos"},
      // Windows would drop the end and write into the file of the company "ABC".
      {"piste lopussa", "ABC.", "", "", "", "", alusta::onWindows ? "ABC.-2" : "ABC."},
      {"välilyönti ja piste lopussa", "ABC .", "", "", "", "", alusta::onWindows ? "ABC .-2" : "ABC ."},
      // A device on Windows, on both systems: folders are shared with Windows machines.
      {"CON", "CON", "", "", "", "", "CON-2"},
      {"nul.txt", "nul", "", ".txt", "", "", "nul-2.txt"},
      {"positiot rivin takana", "X", "TITO-*-?-", ".TXT", "100000", "200000", "TITO-2018-08-.TXT"},
      {"suurin 32-bittinen", "X", "TITO-*-?-", ".TXT", "2147483647", "2147483647", "TITO-2018-08-.TXT"},
      {"yli 32 bitin", "X", "TITO-*-?-", ".TXT", "2147483648", "2147483648", "", euro::virhenro::ylivuoto},
      // Each "#" becomes the whole period: a name longer than a file system takes (Wine tells
      // it as a missing file).
      {"risuaidat jaksoksi", std::string(17, '#'), "", "", "", "", "",
       alusta::onWindows ? 0 : euro::virhenro::virheellinenNimi},
  };
  for (const Tapaus& t : tapaukset) {
    testi::Kansio k;
    testi::Ymparisto ymp;
    const std::string kohde = k / "kohde";
    alusta::luoHakemisto(kohde);
    std::string rivi = t00("");
    rivi.replace(48, std::min(t.avain.size(), rivi.size() - 48), t.avain);
    const std::string ennen = "ennen\r\n";
    const std::string syote = ennen + rivi + "\r\nT10 \0\x80\xFF rivi\r\n"s;
    testi::kirjoitaTiedosto(k / "TITO.TXT", syote);
    PaloitteluAsetukset a;
    a.tiliotetiedosto = k / "TITO.TXT";
    a.kohdehakemisto = kohde;
    a.nimenAlkuosa = t.alkuosa;
    a.nimenLoppuosa = t.loppuosa;
    if (!t.posAlku.empty()) {
      a.valitse(PaloitteluAsetukset::Tunniste::positiot);
      a.posAlku = t.posAlku;
      a.posLoppu = t.posLoppu;
    }
    const auto tulos = split::paloittele(a, kello);
    // The statement file is archived and unchanged; nothing lies beside the target folder. A
    // key that names no file at all is refused as the statements are read, before it moves.
    EXPECT_TRUE(vika::tilioteKerran(k.polku(), "TITO.TXT", syote)) << t.kuvaus;
    const bool paikallaan = t.numero == euro::virhenro::ylivuoto;
    EXPECT_EQ(testi::tiedostot(k.polku()), (std::vector<std::string>{paikallaan ? "TITO.TXT" : "TUODUT", "kohde"}))
        << t.kuvaus;
    if (!t.nimi.empty()) {
      EXPECT_TRUE(tulos.valmis) << t.kuvaus;
      EXPECT_TRUE(ymp.virheet.empty()) << t.kuvaus;
      EXPECT_EQ(testi::tiedostot(kohde), std::vector<std::string>{t.nimi}) << t.kuvaus;
      EXPECT_EQ(testi::lueTiedosto(kohde + S + t.nimi), syote.substr(ennen.size())) << t.kuvaus;
    } else {
      EXPECT_FALSE(tulos.valmis) << t.kuvaus;
      ASSERT_EQ(ymp.virheet.size(), 1u) << t.kuvaus;
      EXPECT_EQ(ymp.virheet[0].kutsurivi, 100) << t.kuvaus;
      if (t.numero) {
        EXPECT_EQ(ymp.virheet[0].numero, t.numero) << t.kuvaus;
      }
      // No company file; the marker of the split left for the next run may stay.
      for (const std::string& n : testi::tiedostot(kohde)) EXPECT_EQ(n.rfind(".kolvanto-", 0), 0u) << t.kuvaus << ": " << n;
    }
  }
}

// A NUL in a path of the settings ends nothing early: the statement path names no file, the
// target folder none that exists, whatever the part before the NUL names.
TEST(Vihamielinen, NulPolussa) {
  testi::Kansio k;
  testi::Ymparisto ymp;
  const std::string syote = t00("1") + "\r\n";
  testi::kirjoitaTiedosto(k / "TITO.TXT", syote);
  PaloitteluAsetukset a;
  a.tiliotetiedosto = k / "TITO.TXT" + "\0.bak"s;
  EXPECT_FALSE(split::paloittele(a, kello).valmis);
  ASSERT_EQ(ymp.viestit.viestit.size(), 1u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "PALOITTELUA EI TEHTY");

  ymp.viestit.viestit.clear();
  a.tiliotetiedosto = k / "TITO.TXT";
  a.kohdehakemisto = k.polku() + "\0"s + S + "muu";
  ymp.viestit.vastaukset = {euro::vastaus::kylla};
  EXPECT_FALSE(split::paloittele(a, kello).valmis);
  ASSERT_EQ(ymp.viestit.viestit.size(), 2u);
  EXPECT_EQ(ymp.viestit.viestit[0].otsikko, "LUODAANKO HAKEMISTO");
  EXPECT_EQ(ymp.viestit.viestit[1].otsikko, "EI PALOITELTU, HAKEMISTOA EI VOI LUODA");
  EXPECT_TRUE(ymp.virheet.empty());
  EXPECT_EQ(testi::tiedostot(k.polku()), std::vector<std::string>{"TITO.TXT"});
  EXPECT_EQ(testi::lueTiedosto(k / "TITO.TXT"), syote);

  EXPECT_THROW(alusta::Tiedosto(k / "TITO.TXT" + "\0"s, alusta::Tila::lue), euro::Virhe);
  EXPECT_FALSE(alusta::onkoTavallinenTiedosto(k / "TITO.TXT" + "\0"s));
}

}  // namespace
