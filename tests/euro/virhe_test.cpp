#include "euro/virhe.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "euro/teksti.h"
#include "tuki/testituki.h"

namespace {

TEST(Virhe, VakioviestitNimeavatPolun) {
  struct {
    std::int32_t numero;
    const char* odotettu;
  } const tapaukset[] = {
      {53, "Tiedostoa ei löydy: C:\\A.TXT"},
      {58, "Tiedosto on jo olemassa: C:\\A.TXT"},
      {61, "Levy on täynnä: C:\\A.TXT"},
      {70, "Lupa evätty: C:\\A.TXT"},
      {76, "Polkua ei löydy: C:\\A.TXT"},
      {12345, "Sovellusvirhe 12345: C:\\A.TXT"},
  };
  for (const auto& t : tapaukset) {
    try {
      euro::heitaVirhe(t.numero, "C:\\A.TXT");
      ADD_FAILURE() << "ei heittänyt";
    } catch (const euro::Virhe& v) {
      EXPECT_EQ(v.numero(), t.numero);
      EXPECT_EQ(v.viesti(), euro::ansi(t.odotettu));
    }
  }
}

TEST(Virhe, KasittelijaSaaVirheenJaPaikanMuuttamattomina) {
  testi::Ymparisto ymp;
  euro::fe_Virhe(euro::Virhe(76, "polku"), euro::paikka::paljasTiedosto);
  euro::fe_Virhe(euro::Virhe(-1, ""), euro::paikka::aloitaTulostus);
  ASSERT_EQ(ymp.virheet.size(), 2u);
  EXPECT_EQ(ymp.virheet[0].numero, 76);
  EXPECT_EQ(ymp.virheet[0].viesti, "polku");
  EXPECT_EQ(ymp.virheet[0].kutsurivi, 320);
  EXPECT_EQ(ymp.virheet[0].moduuli, "");
  EXPECT_EQ(ymp.virheet[0].rutiini, "fe_PaljasTiedosto");
  EXPECT_EQ(ymp.virheet[1].rutiini, "fe_AloitaTulostus, paikka = ");
  // The call puts the mouse pointer back itself.
  EXPECT_EQ(ymp.viestit.hiiriPalautettu, 2);
}

TEST(Virhe, HeittavaKasittelijaEiPaasteVirhettaEteenpain) {
  testi::Ymparisto ymp;
  auto vanha = euro::asetaVirheKasittelija([](const euro::Vikailmoitus&) {
    throw std::runtime_error("käsittelijä kaatui");
  });
  EXPECT_NO_THROW(euro::fe_Virhe(euro::Virhe(5, "x"), euro::paikka::paloittele));
  euro::asetaVirheKasittelija(vanha);
}

TEST(Virhe, NykyinenVirheMuuntaaPoikkeukset) {
  auto muunna = [](auto heita) {
    try {
      heita();
    } catch (...) {
      return euro::nykyinenVirhe();
    }
    return euro::Virhe(0, "");
  };
  EXPECT_EQ(muunna([] { euro::heitaVirhe(61); }).numero(), 61);
  EXPECT_EQ(muunna([] { throw std::bad_alloc(); }).numero(), 7);
  auto muu = muunna([] { throw std::runtime_error("jotain"); });
  EXPECT_EQ(muu.numero(), 5);
  EXPECT_EQ(muu.viesti(), "jotain");
}

}  // namespace
