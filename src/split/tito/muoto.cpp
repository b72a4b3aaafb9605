#include "split/tito/muoto.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "split/esikatselu.h"
#include "split/tito/nimi.h"
#include "split/tito/viivain.h"
#include "split/tito/jako.h"
#include "split/tito/osittain.h"
#include "split/tito/kohdenimet.h"
#include "split/tito/pidatys.h"
#include "split/tito/tiliotteet.h"
#include "split/lue.h"

namespace split::tito {

namespace {

constexpr std::size_t esikatselunPuskuri = 64 * 1024;

// TITO records (T + two digits) before the file's first T00 line: the rest of a batch that the
// bank began in the file before (two opens of the file, its move between them). Their range,
// from the first of them to the first T00 line; none when there are none.
std::optional<std::pair<std::uint64_t, std::uint64_t>> jatkoaAlussa(const std::string& polku) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  euro::RiviVirta virta([&](char* b, std::size_t n) { return t.lue(b, n); }, esikatselunPuskuri,
                        euro::Rivisaanto::tiliote);
  std::optional<std::uint64_t> ensimmainen;
  std::string paa;
  std::uint64_t kohta = 0;
  euro::Pala p;
  while (virta.seuraava(p)) {
    if (p.alkaa) {
      paa.clear();
      kohta = virta.kohta(p.data);
    }
    if (paa.size() < 3) {
      paa.append(p.data, std::min<std::size_t>(3 - paa.size(), p.koko));
      if (paa.size() < 3 && p.loppu == euro::Loppu::jatkuu) continue;
      if (paa == "T00") break;
      auto numero = [](char c) { return c >= '0' && c <= '9'; };
      if (!ensimmainen && paa.size() == 3 && paa[0] == 'T' && numero(paa[1]) && numero(paa[2])) ensimmainen = kohta;
      paa += '\n';  // this line is told
    }
  }
  if (!ensimmainen) return std::nullopt;
  return std::pair{*ensimmainen, paa == "T00" ? kohta : t.pituus()};
}

// Why the file is no TITO at all (an error page or message the bank program saved instead,
// binary data), or empty when it may be one. Only its first block is read: a statement holds a
// record ("T" and two digits) at a line's start within it. A file with one is split as ever,
// whatever else it holds; so is an empty one, or one of blanks and line ends only.
std::string eiTitoa(const std::string& polku) {
  constexpr std::size_t lohko = 4096;
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  std::string b;
  char puskuri[lohko];
  while (b.size() < lohko) {
    const std::size_t n = t.lue(puskuri, lohko - b.size());
    if (n == 0) break;
    b.append(puskuri, n);
  }
  t.sulje();
  const char* const tyhjaa = " \t\r\n\f\x1A";
  std::optional<std::size_t> ohjausmerkki;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(b[i]);
    const bool alussa = i == 0 || b[i - 1] == '\r' || b[i - 1] == '\n';
    if (alussa && c == 'T' && i + 2 < b.size() && b[i + 1] >= '0' && b[i + 1] <= '9' && b[i + 2] >= '0' &&
        b[i + 2] <= '9')
      return {};
    if (!ohjausmerkki && (c < 0x20 || c == 0x7F) && !std::strchr(tyhjaa, c)) ohjausmerkki = i;
  }
  const std::size_t alku = b.find_first_not_of(std::string(tyhjaa));
  if (alku == std::string::npos) return {};
  if (ohjausmerkki)
    return euro::ansi("se ei ole konekielinen tiliote (TITO): sen alussa ei ole yhtään tietuetta (T00, T10, ...), "
                      "ja siinä on ohjausmerkki (tavu ") +
           std::to_string(static_cast<unsigned char>(b[*ohjausmerkki])) + euro::ansi(" kohdassa ") +
           std::to_string(*ohjausmerkki + 1) + euro::ansi("), kuten binääritiedostossa");
  // What it looked like: its first line that is not blank, short and printable.
  const std::size_t loppu = b.find_first_of("\r\n", alku);
  std::string rivi = b.substr(alku, (loppu == std::string::npos ? b.size() : loppu) - alku);
  if (rivi.size() > 60) rivi = rivi.substr(0, 60) + "...";
  for (char& c : rivi)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return euro::ansi("se ei ole konekielinen tiliote (TITO): sen alussa ei ole yhtään tietuetta (T00, T10, ...); "
                    "se alkaa \"") + rivi + "\"";
}

// TITO is checked as it is split: a batch is whole lines, whatever the file holds.
class TitoPaloittelija : public Paloittelija {
 public:
  explicit TitoPaloittelija(const PaloitteluAsetukset& a) : a_(a) {}

  void jaa(const std::string& polku, const std::string& kohde, Yhteenveto& y,
           const Ohitettavat& ohita) override {
    y.muoto = "TITO";
    std::int32_t posAlku = 0, posLoppu = 0;
    asetapos(a_, posAlku, posLoppu);
    alusta::Tiedosto syote;
    jako::Kirjoittaja tuloste;
    try {
      syote.avaa(polku, alusta::Tila::lue);
      // A cut last batch is not delivered as if whole. The file stays where it is: nothing
      // can complete it but a new copy from the bank, which is split whole again.
      const std::uint64_t pituus = syote.pituus();
      const Pidatys pidatys = pidatettava(syote, 0, pituus, false);
      syote.siirry(0);
      // A name whose own file holds an XML document or is a link takes the next free "-n".
      Kohdenimet kohdenimet(kohde, &y);
      kohdenimet.luetteleKohde();
      auto kaikki = [&](std::uint64_t kohta, const std::string& nimi, std::size_t loppu) {
        jako::Paatos p;
        // Delivered before: no file is chosen or made for it, nothing counted.
        if (ohita.sisaltaa(kohta)) {
          p.toiminto = jako::Eralle::ohita;
          return p;
        }
        bool toinen = false;
        const std::string& tiedosto = kohdenimet.valitse(nimi, loppu, toinen);
        if (toinen) p.tiedosto = &tiedosto;
        return p;
      };
      jako::jaa(syote, 0, kohde, a_, posAlku, posLoppu, kaikki, tuloste, &y, nullptr, pidatys.raja);
      tuloste.sulje();
      if (pidatys.raja < pituus) {
        std::string tiedosto;
        if (pidatys.era) {
          NimenMuodostaja nimet(a_, posAlku, posLoppu);
          tiedosto = euro::ansi(" tiedostoon ") + kohde + nimet.nimi(rivinAlku(syote, *pidatys.era, pituus, nimet.tarve()));
        }
        y.katsottavaa.push_back(euro::ansi("Tiedoston ") + polku + euro::ansi(" tavut ") + std::to_string(pidatys.raja) +
                                "-" + std::to_string(pituus) +
                                euro::ansi(": viimeinen erä on katkennut (viimeinen tietue on lyhyempi kuin sen "
                                           "pituus), eikä sitä paloiteltu") + tiedosto +
                                euro::ansi("; kokonaiset erät paloiteltiin. Hae tiliote pankista uudelleen."));
      }
      syote.sulje();
    } catch (...) {
      // Whole lines already read still go out, as they would have line by line.
      tuloste.suljeKesken();
      syote.suljeHiljaa();
      throw;
    }
  }

  void jaaKirjanKanssa(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                       const std::string& kohde, Yhteenveto& y) override {
    y.muoto = "TITO";
    jaaOsittain(kirja, o, arkisto, nullptr, y, &kohde);
  }

 private:
  const PaloitteluAsetukset& a_;
};

class Tito : public Muoto {
 public:
  std::string_view nimi() const override { return "TITO"; }
  Yksikko yksikko() const override {
    return {"erä", "erää", "T00-tietueita", true, "Ennen ensimmäistä T00-tietuetta ohitettu"};
  }
  bool tunnista(const std::string&) const override { return true; }

  std::unique_ptr<Paloittelija> tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                                 std::string& syy) const override {
    syy = eiTitoa(polku);
    if (!syy.empty()) return nullptr;
    // Lines that continue a batch begun elsewhere are not passed over in silence, nor
    // delivered to a guessed file: the file is left where it is until the office acts.
    if (const auto jatko = jatkoaAlussa(polku))
      throw euro::Virhe(euro::virhenro::kayttovirhe,
                        euro::ansi("Tiedoston ") + polku + euro::ansi(" tavut ") + std::to_string(jatko->first) + "-" +
                            std::to_string(jatko->second) +
                            euro::ansi(" ennen ensimmäistä T00-tietuetta ovat TITO-tietueita, jotka jatkavat "
                                       "aiemmin alkanutta erää (pankkiohjelma on kirjoittanut erän kahteen "
                                       "tiedostoon). Tiedostoa ei siirretty eikä paloiteltu: vie nämä rivit sen "
                                       "erän yritystiedostoon, jota ne jatkavat, poista ne tiedostosta ja "
                                       "paloittele uudelleen."));
    return std::make_unique<TitoPaloittelija>(a);
  }

  // A file taken in the place of the one its batches' name gives (which holds another format
  // or is a link) names that one.
  char tilanTunnus() const override { return 'k'; }
  bool tilaKelpaa(const KirjanOsa::Tiedosto& f) const override {
    return kelpaaTiedostonimeksi(f.tila) && f.tila != f.nimi;
  }

  bool jatkaaKasvanutta() const override { return true; }

  // The split of what came goes on from where the last one ended; lines up to the first T00
  // line continue the batch it ended in (osittaja.cpp).
  std::optional<std::uint64_t> jatkonAlku(const std::string& arkisto, const KirjanOtsikko&, std::uint64_t loppu,
                                          std::uint64_t pituus, std::vector<std::string>*) const override {
    if (loppu == 0 || loppu >= pituus) return loppu;
    alusta::Tiedosto t(arkisto, alusta::Tila::lue);
    char c[3] = {};
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(3, pituus - loppu + 1));
    lueKohdasta(t, loppu - 1, c, n);
    auto loppuu = [](char x) { return x == '\r' || x == '\n'; };
    // A CR LF divided by the split's end: the LF ends the line already delivered.
    if (c[0] == '\r' && c[1] == '\n') return loppu + 1;
    // A whole record delivered with the split's own line end: its line end came after it.
    if (!loppuu(c[0]) && loppuu(c[1])) return loppu + (c[1] == '\r' && n == 3 && c[2] == '\n' ? 2 : 1);
    return loppu;
  }

  std::int64_t viimeistele(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                           const KirjanOsa& viimeinen, Yhteenveto& y) const override {
    y.muoto = "TITO";
    jaaOsittain(kirja, o, arkisto, &viimeinen, y);
    std::int64_t eria = y.muut.eria;
    for (const auto& t : y.tiedostot) eria += t.eria;
    return eria;
  }

  void tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                  const std::function<void(const Tiliote&)>& anna) const override {
    // A file the split refuses delivers nothing.
    if (alku == 0 && !eiTitoa(polku).empty()) return;
    lueTiliotteet(polku, a, alku, anna);
  }

  // Every T00 line between a column ruler and a line of "X" under the key's positions.
  void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                  const std::function<void(const std::string&)>& ulos) const override {
    std::int32_t posAlku = 0, posLoppu = 0;
    asetapos(a, posAlku, posLoppu);
    // Refused as the split refuses it, before anything is shown.
    if (const std::string syy = eiTitoa(polku); !syy.empty())
      throw HylattyTiedosto(euro::virhenro::kayttovirhe, polku + ": " + syy);
    const std::string merkit = merkkirivi(posAlku, posLoppu);
    const std::string kehys = tito::kehys();

    std::string puskuri = euro::ansi("Konekielisen tiliotetiedoston erätietueet T00, XXXX = paloitteluehto") +
                          "\r\n\r\n" + kehys + merkit + "\r\n";
    alusta::Tiedosto tiliote(polku, alusta::Tila::lue);
    // T00 lines pass in pieces, so a T00 line of any length costs no more than the buffer.
    euro::RiviVirta virta([&](char* b, std::size_t n) { return tiliote.lue(b, n); }, esikatselunPuskuri,
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
      if (puskuri.size() >= esikatselunPuskuri) {
        ulos(puskuri);
        puskuri.clear();
      }
    }
    tiliote.sulje();
    puskuri += merkit + "\r\n" + kehys;
    ulos(puskuri);
  }
};

}  // namespace

const Muoto& muoto() {
  static const Tito tito;
  return tito;
}

}  // namespace split::tito

