#include "kuori.h"

#include "alusta/alusta.h"
#include "ohjelma.h"
#include "polut.h"
#include "teksti.h"
#include "virhe.h"

namespace euro {

namespace {

// The working directory of an opened address: the system's root, so that what opens it does
// not hold on to the program's current directory.
const char* const juurihakemisto = alusta::onWindows ? "C:\\" : "/";

// The desktop's opener where Windows would start a program by command line; a code of 32 or
// less is a failure to start and passes to the caller like one.
void avaaTyopoydalla(const std::string& kohde) {
  int k = kaynnistin().avaa(kohde, "", "");
  if (k > 32) return;
  if (k == 2) throw Virhe(virhenro::tiedostoaEiLoydy, ansi("Kohdetta tai avausohjelmaa ei löydy: ") + kohde);
  if (k == 31) throw Virhe(virhenro::virheellinenKutsu, ansi("Mikään ohjelma ei avaa kohdetta: ") + kohde);
  throw Virhe(virhenro::virheellinenKutsu,
              ansi("Kohdetta ei voi avata (koodi ") + std::to_string(k) + "): " + kohde);
}

}  // namespace

int fe_AvaaOsoite(const std::string& osoite) { return kaynnistin().avaa(osoite, "", juurihakemisto); }

int fe_KaynnistaTiedosto(const std::string& tiedosto, const std::string& parametrit) {
  return kaynnistin().avaa(tiedosto, parametrit, "");
}

void se_AvaaKansio(const std::string& hakemisto) {
  if constexpr (alusta::onWindows) {
    if (fe_OnkoWin3())
      kaynnistin().kaynnista("WINFILE.exe", true);
    else
      kaynnistin().kaynnista("explorer /e , " + hakemisto, true);
  } else {
    avaaTyopoydalla(hakemisto);
  }
}

void se_AvaaMuistiossa(const std::string& tiedosto) {
  if constexpr (alusta::onWindows)
    kaynnistin().kaynnista("NOTEPAD " + tiedosto, false);
  else
    avaaTyopoydalla(tiedosto);
}

std::string fe_Heksa2(std::uint8_t koodi) {
  static constexpr char numerot[] = "0123456789ABCDEF";
  return {numerot[koodi / 16], numerot[koodi % 16]};
}

std::string fe_UrlKoodaa(const std::string& arvo) {
  static constexpr std::string_view aakkosto = "abcdefghijklmnopqrstuvwxyz0123456789;.-";
  std::string tulos;
  for (char c : fe_Korvaa(arvo, " ", ";")) {
    if (aakkosto.find(pieneksi(c)) != std::string_view::npos)
      tulos += c;
    else
      tulos += "%" + fe_Heksa2(static_cast<unsigned char>(c));
  }
  return tulos;
}

std::string fe_UrlKoodaa(std::int64_t arvo) { return fe_UrlKoodaa(std::to_string(arvo)); }

bool onkoWin3(std::uint32_t versio, const std::optional<std::string>& os) {
  const unsigned paa = versio & 0xFF;
  const unsigned ala = (versio >> 8) & 0xFF;
  // Read as a decimal text, so minor 10 is 3.1 and minor 2 is 3.2.
  double numero = lueLuku(std::to_string(paa) + "." + std::to_string(ala));
  if (numero > 3.12) return false;
  return os != "Windows_NT";
}

bool fe_OnkoWin3() {
  std::optional<std::uint32_t> versio = alusta::windowsVersio();
  if (!versio) return false;
  return onkoWin3(*versio, alusta::ymparistomuuttuja("OS"));
}

std::string fe_TempHakemisto() {
  auto muuttuja = [](const char* nimi) { return alusta::ymparistomuuttuja(nimi).value_or(""); };
  const std::string data = ohjelma().datahakemisto;

  // The value is used as the environment gives it; only the test for emptiness trims.
  std::string arvo = muuttuja("TEMP");
  if (trimmaa(arvo).empty()) arvo = muuttuja("TMP");
  if constexpr (alusta::onWindows) {
    if (trimmaa(arvo).empty()) arvo = data.substr(0, 1) + ":\\";
  } else {
    if (trimmaa(arvo).empty()) arvo = muuttuja("TMPDIR");
    if (trimmaa(arvo).empty()) {
      // The session's own folder, which no other user can enter, before the shared /tmp; a
      // relative or stale one (su keeps the first user's) is passed over.
      std::string istunto = muuttuja("XDG_RUNTIME_DIR");
      arvo = !istunto.empty() && istunto[0] == '/' && fe_OnkoHakemisto(istunto) ? istunto : "/tmp";
    }
  }

  // Not tested again: the caller finds out when it writes its file.
  if (!fe_OnkoHakemisto(arvo)) {
    char asema = data.empty() ? '\0' : pieneksi(data[0]);
    if (alusta::onWindows && asema >= 'a' && asema <= 'z')
      arvo = std::string{asema, ':', '\\'};
    else
      arvo = data;
  }
  if (arvo.empty() || arvo.back() != alusta::erotin) arvo += alusta::erotin;
  return arvo;
}

std::string fe_TempTiedosto(const std::string& nimi) {
  const std::string kansio = fe_TempHakemisto();
  if (alusta::onWindows || kansio != "/tmp/") return kansio + nimi;
  const std::size_t piste = nimi.rfind('.');
  const std::string kayttaja = "-" + alusta::kayttajanNimi();
  if (piste == std::string::npos || piste == 0) return kansio + nimi + kayttaja;
  return kansio + nimi.substr(0, piste) + kayttaja + nimi.substr(piste);
}

int JarjestelmanKaynnistin::avaa(const std::string& kohde, const std::string& parametrit,
                                 const std::string& tyohakemisto) {
  return alusta::avaaKuorella(kohde, parametrit, tyohakemisto);
}

void JarjestelmanKaynnistin::kaynnista(const std::string& komentorivi, bool maksimoitu) {
  alusta::kaynnistaKomento(komentorivi, maksimoitu);
}

}  // namespace euro
