#include "split/esikatselu.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "euro/alusta/alusta.h"
#include "euro/kuori.h"
#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/xml/camt.h"
#include "split/nimi.h"

namespace split {

namespace {

constexpr std::size_t puskurinKoko = 64 * 1024;
constexpr std::int64_t pisinRivi = std::numeric_limits<std::int16_t>::max();

std::string viivain() {
  std::string s;
  for (int i = 0; i < 32; ++i) s += "123456789*";
  return s;
}

std::string asteikko() {
  std::string s;
  for (int n = 0; n <= 320; n += 10) s += euro::va(std::to_string(n), 10);
  return s;
}

}  // namespace

std::string merkkirivi(std::int32_t posAlku, std::int32_t posLoppu) {
  const std::int64_t leveys = static_cast<std::int64_t>(posAlku) - 1;
  const std::int64_t merkkeja = static_cast<std::int64_t>(posLoppu) - posAlku + 1;
  // Positions far beyond any T00 line would fill the disk with X's.
  if (std::max<std::int64_t>(leveys, 0) + std::max<std::int64_t>(merkkeja, 0) > pisinRivi)
    throw euro::Virhe(euro::virhenro::ylivuoto, euro::vakioviesti(euro::virhenro::ylivuoto) + ": Pos " +
                                                    std::to_string(posAlku) + ":" + std::to_string(posLoppu));
  std::string nimio = "Pos " + std::to_string(posAlku) + ":" + std::to_string(posLoppu);
  std::string rivi = leveys < 1 ? "" : euro::va(nimio, static_cast<std::int16_t>(leveys));
  if (merkkeja > 0) rivi.append(static_cast<std::size_t>(merkkeja), 'X');
  return rivi;
}

bool esikatselu(const PaloitteluAsetukset& a, const Kirjoitin& ulos) {
  const std::string& polku = a.txtPaloiteltavaTiedosto;
  if (!euro::fe_OnkoTiedosto(polku)) {
    euro::viesti(euro::ansi("Tiedostoa ") + polku + euro::ansi("  ei löydy"), "", euro::tyyli::ok);
    return false;
  }
  std::string muuMerkisto;
  if (camt::onXml(polku, &muuMerkisto)) {
    if (!muuMerkisto.empty()) throw euro::Virhe(euro::virhenro::kayttovirhe, polku + ": " + muuMerkisto);
    camt::esikatsele(polku, a, ulos);
    return true;
  }
  std::int32_t posAlku = 0, posLoppu = 0;
  asetapos(a, posAlku, posLoppu);
  const std::string merkit = merkkirivi(posAlku, posLoppu);
  const std::string kehys = viivain() + "\r\n" + asteikko() + "\r\n";

  std::string puskuri = euro::ansi("Konekielisen tiliotetiedoston erätietueet T00, XXXX = paloitteluehto") +
                        "\r\n\r\n" + kehys + merkit + "\r\n";
  alusta::Tiedosto tiliote(polku, alusta::Tila::lue);
  // T00 lines pass in pieces, so a T00 line of any length costs no more than the buffer.
  euro::RiviVirta virta([&](char* b, std::size_t n) { return tiliote.lue(b, n); }, puskurinKoko,
                        euro::Rivisaanto::tiliote);
  std::string paa;  // the line's first bytes, as far as "T00" reaches
  enum class Rivi { kesken, t00, muu } rivi = Rivi::kesken;
  euro::Pala p;
  while (virta.seuraava(p)) {
    std::string_view osa(p.data, p.koko);
    if (p.alkaa) {
      paa.clear();
      rivi = Rivi::kesken;
    }
    if (rivi == Rivi::kesken) {
      const std::size_t m = std::min<std::size_t>(3 - paa.size(), osa.size());
      paa.append(osa.substr(0, m));
      osa.remove_prefix(m);
      if (paa.size() == 3) rivi = paa == "T00" ? Rivi::t00 : Rivi::muu;
      else if (p.loppu != euro::Loppu::jatkuu) rivi = Rivi::muu;
      else continue;
      if (rivi == Rivi::t00) puskuri += paa;
    }
    if (rivi != Rivi::t00) continue;
    puskuri.append(osa);
    if (p.loppu != euro::Loppu::jatkuu) puskuri += "\r\n";
    if (puskuri.size() >= puskurinKoko) {
      ulos(puskuri);
      puskuri.clear();
    }
  }
  tiliote.sulje();
  puskuri += merkit + "\r\n" + kehys;
  ulos(puskuri);
  return true;
}

bool naytaPaloitteluehto(const PaloitteluAsetukset& a) {
  try {
    const std::string polku = euro::fe_TempTiedosto(esikatselunNimi);
    alusta::Tiedosto tiedosto;
    // Opened at the first bytes: a missing statement file leaves an earlier preview alone.
    bool valmis = esikatselu(a, [&](const std::string& osa) {
      if (!tiedosto.onAuki()) tiedosto.avaa(polku, alusta::Tila::yksityinen);
      tiedosto.kirjoita(osa);
    });
    if (!valmis) return false;
    tiedosto.sulje();
    euro::se_AvaaMuistiossa(polku);
    return true;
  } catch (...) {
    euro::Virhe v = euro::nykyinenVirhe();
    euro::viesti(v.viesti() + " (virhe " + std::to_string(v.numero()) + ")",
                 euro::ansi("PALOITTELUEHTOA EI NÄYTETTY"), euro::tyyli::okKriittinen);
    return false;
  }
}

}  // namespace split
