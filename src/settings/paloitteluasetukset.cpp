#include "settings/paloitteluasetukset.h"

#include "euro/alusta/alusta.h"
#include "euro/polut.h"

#include <optional>

namespace settings {

namespace {

// Each saved control of the window and the field that holds its value.
struct Kentta {
  Laji laji;
  const char* nimi;
  std::string split::PaloitteluAsetukset::*teksti;
  bool split::PaloitteluAsetukset::*lippu;
};

using A = split::PaloitteluAsetukset;
const Kentta kentat[] = {
    {Laji::tekstilaatikko, "txtPaloiteltavaTiedosto", &A::tiliotetiedosto, nullptr},
    {Laji::tekstilaatikko, "txtTallennusHakemisto", &A::kohdehakemisto, nullptr},
    {Laji::valintanappi, "optAsiakastunnus", nullptr, &A::avainAsiakastunnus},
    {Laji::valintanappi, "optTilinumero", nullptr, &A::avainTilinumero},
    {Laji::valintanappi, "optTilinomistajanNimi", nullptr, &A::avainNimi},
    {Laji::valintanappi, "optPositiot", nullptr, &A::avainPositiot},
    {Laji::tekstilaatikko, "txtPosAlku", &A::posAlku, nullptr},
    {Laji::tekstilaatikko, "txtPosLoppu", &A::posLoppu, nullptr},
    {Laji::tekstilaatikko, "txtNimenAlkuosa", &A::nimenAlkuosa, nullptr},
    {Laji::tekstilaatikko, "txtNimenLoppuosa", &A::nimenLoppuosa, nullptr},
    {Laji::valintaruutu, "chkAikaleimaaPaloiteltava", nullptr, &A::arkistoi},
    {Laji::valintaruutu, "chkNaytaPaloitellut", nullptr, &A::naytaPaloitellut},
    {Laji::valintaruutu, "chkSuljeOhjelmaPaloittelunJalkeen", nullptr,
     &A::suljeLopuksi},
    {Laji::valintaruutu, "chkPaloitteleAutomaattisesti", nullptr, &A::paloitteleKaynnistyessa},
};

}  // namespace

Lomake ohjaimiksi(const split::PaloitteluAsetukset& a) {
  Lomake l;
  for (const Kentta& k : kentat) {
    Ohjain o;
    o.laji = k.laji;
    o.nimi = k.nimi;
    if (k.teksti) {
      o.arvo = a.*k.teksti;
    } else if (k.laji == Laji::valintanappi) {
      o.arvo = a.*k.lippu ? "True" : "False";
      o.ryhma = "Frame1";
    } else {
      o.arvo = a.*k.lippu ? "1" : "0";
    }
    l.push_back(std::move(o));
  }
  return l;
}

void ohjaimista(const Lomake& lomake, split::PaloitteluAsetukset& a) {
  for (const Kentta& k : kentat) {
    for (const Ohjain& o : lomake) {
      if (o.nimi != k.nimi || o.indeksi) continue;
      if (k.teksti) a.*k.teksti = o.arvo;
      else a.*k.lippu = k.laji == Laji::valintanappi ? o.arvo == "True" : o.arvo == "1";
      break;
    }
  }
}

namespace {

const char* const nimi = "TITO-JAKO.OMA";

// The file inside the data directory, when the appended name would not lie there already.
std::optional<std::string> sisalla(const std::string& datahakemisto) {
  if (datahakemisto.empty() || datahakemisto.back() == alusta::erotin) return std::nullopt;
  return datahakemisto + alusta::erotin + nimi;
}

}  // namespace

std::string asetustiedosto(const std::string& datahakemisto) {
  const std::string liitetty = datahakemisto + nimi;
  const std::optional<std::string> oma = sisalla(datahakemisto);
  if (!oma) return liitetty;
  if (alusta::onkoTavallinenTiedosto(*oma)) return *oma;
  const std::string kansio = euro::fe_PaljasHakemisto(liitetty);
  if (kansio.empty() || alusta::voikoKirjoittaa(kansio)) return liitetty;
  return *oma;
}

std::string luettavaAsetustiedosto(const std::string& datahakemisto) {
  const std::string polku = asetustiedosto(datahakemisto);
  const std::string liitetty = datahakemisto + nimi;
  if (polku != liitetty && !alusta::onkoTavallinenTiedosto(polku) && alusta::onkoTavallinenTiedosto(liitetty))
    return liitetty;
  return polku;
}

void tallennaformi(const std::string& polku, const split::PaloitteluAsetukset& a) {
  se_TallennaFormi(polku, ohjaimiksi(a));
}

void lueformi(const std::string& polku, split::PaloitteluAsetukset& a) {
  Lomake l = ohjaimiksi(a);
  se_LueFormi(polku, l);
  ohjaimista(l, a);
}

}  // namespace settings
