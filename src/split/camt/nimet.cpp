// Keys and names of the statements: the key's element, the period, the company file's name.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "euro/teksti.h"
#include "split/camt/kaynti.h"
#include "split/nimi.h"

namespace split::camt::sisa {

using euro::ansi;

std::optional<Avain> valittuAvain(const PaloitteluAsetukset& a) {
  const auto t = a.tunniste();
  if (t == Avain::positiot) return std::nullopt;
  return t;
}

std::string_view trimmaaXml(std::string_view s) {
  const auto eka = s.find_first_not_of(" \t\r\n");
  if (eka == std::string_view::npos) return {};
  return s.substr(eka, s.find_last_not_of(" \t\r\n") - eka + 1);
}

// The statement's Id for messages, in the program's text.
std::string tunniste(const Lausunto& l) {
  return l.on[kId] ? euro::utf8Ansi(trimmaaXml(l.teksti[kId])) : ansi("(ei Id:tä)");
}

// The key's text as the file holds it, or nothing when the statement lacks it.
const std::string* avaimenTeksti(const Lausunto& l, Avain a) {
  switch (a) {
    case Avain::asiakastunnus: return l.on[kOrgId] ? &l.teksti[kOrgId] : nullptr;
    case Avain::tilinumero:
      return l.on[kIban] ? &l.teksti[kIban] : l.on[kOthrId] ? &l.teksti[kOthrId] : nullptr;
    case Avain::tilinomistajanNimi: return l.on[kNm] ? &l.teksti[kNm] : nullptr;
    case Avain::positiot: break;
  }
  return nullptr;
}

const char* avaimenElementti(Avain a) {
  switch (a) {
    case Avain::asiakastunnus: return "Acct/Ownr/Id/OrgId/Othr/Id";
    case Avain::tilinumero: return "Acct/Id/IBAN tai Acct/Id/Othr/Id";
    case Avain::tilinomistajanNimi: return "Acct/Ownr/Nm";
    case Avain::positiot: break;
  }
  return "";
}

// "yyyy-mm-dd..." as yyyymmdd; empty when the text does not begin with a date.
std::string paiva(std::string_view t) {
  t = trimmaaXml(t);
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return {};
  std::string p;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (t[i] < '0' || t[i] > '9') return {};
    p += t[i];
  }
  return p;
}

// The period of the statement, from FrToDt, or from its CreDtTm when it has none, or from the
// message's, which the schema makes mandatory where a statement's own is optional.
std::pair<std::string, std::string> jakso(const Asiakirja& d, const Lausunto& l) {
  if (l.on[kFrDtTm] && l.on[kToDtTm]) return {paiva(l.teksti[kFrDtTm]), paiva(l.teksti[kToDtTm])};
  const std::string p = l.on[kCreDtTm] ? paiva(l.teksti[kCreDtTm]) : paiva(d.luotu);
  return {p, p};
}

Nimet::Nimet(const PaloitteluAsetukset& a) : nimeaja_(a.nimenAlkuosa, a.nimenLoppuosa), avain_(valittuAvain(a)) {}

const std::string& Nimet::nimi(const Asiakirja& d, const Lausunto& l) {
  const std::string* t = avaimenTeksti(l, *avain_);
  if (!t)
    hylkaa(d.numero, l.rivi, l.alku,
           ansi("tiliotteelta ") + tunniste(l) + ansi(" puuttuu avaimen elementti ") + avaimenElementti(*avain_));
  avain_t.clear();
  for (char c : euro::trimmaa(euro::utf8Ansi(trimmaaXml(*t))))
    if (nimeaja_.kelpaa(c)) avain_t += c;
  if (avain_t.empty())
    hylkaa(d.numero, l.rivi, l.alku,
           ansi("tiliotteen ") + tunniste(l) + ansi(" avaimessa ") + avaimenElementti(*avain_) +
               ansi(" ei ole yhtään tiedostonimeen kelpaavaa merkkiä"));
  if (nimeaja_.tarvitseeJakson(avain_t)) {
    const auto [alku, loppu] = jakso(d, l);
    if (alku.empty() || loppu.empty())
      hylkaa(d.numero, l.rivi, l.alku,
             ansi("tiliotteelta ") + tunniste(l) +
                 ansi(" puuttuu nimeen tarvittava päivämäärä (FrToDt tai CreDtTm muodossa vvvv-kk-pp)"));
    vuosi_ = alku.substr(0, 4);
    kuukausi_ = alku.substr(4, 2);
    jakso_ = alku + "-" + loppu;
  }
  nimeaja_.muodosta(avain_t, vuosi_, kuukausi_, jakso_);
  nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  if (!kelpaaTiedostonimeksi(nimi_)) {
    const std::string alkuperainen = nimi_;
    if (!nimeaja_.kelvolliseksi())
      hylkaa(d.numero, l.rivi, l.alku, ansi("tiedostonimi ") + alkuperainen + ansi(" ei kelpaa"));
    nimi_.assign(nimeaja_.alku()).append(nimeaja_.loppu());
  }
  return nimi_;
}

const std::string positiotEivatKay =
    ansi("valitut positiot eivät käy XML-tiliotteeseen: valitse asiakastunnus, tilinumero tai tilinomistajan nimi");

}  // namespace split::camt::sisa
