#include "split/viite/muoto.h"

#include <limits>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/esikatselu.h"
#include "split/viite/osittaja.h"
#include "split/viite/tietue.h"

namespace split::viite {

namespace {

using euro::ansi;

constexpr const char* muodonNimi = "VIITE";
constexpr std::uint64_t loppuun = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t lukupuskuri = 64 * 1024;

// Every batch from alku, checked whole, given to f; answers where the last one ended, or
// none with the reason in syy.
template <class F>
std::optional<std::uint64_t> kay(const std::string& polku, std::uint64_t alku, std::string& syy,
                                 F&& f) {
  alusta::Tiedosto t(polku, alusta::Tila::lue);
  Eralukija lukija(t, alku, loppuun, lukupuskuri);
  Era e;
  while (lukija.seuraava(e, syy)) f(e);
  t.sulje();
  if (!syy.empty()) return std::nullopt;
  return lukija.kohta();
}

[[noreturn]] void eiKayAvaimeksi(const std::string& polku, const std::string& syy) {
  throw euro::Virhe(
      euro::virhenro::kayttovirhe,
      ansi("Tiedostoa ") + polku + ansi(" ei siirretty eikä paloiteltu: ") + syy + ".");
}

// What the file was checked up to, and no more, goes out; what came after is told.
void kerroKasvusta(const std::string& polku, std::uint64_t raja, Yhteenveto& y) {
  const std::uint64_t nyt = alusta::pituusJosOn(polku).value_or(raja);
  if (nyt <= raja) return;
  y.katsottavaa.push_back(
      ansi("Tiedostoon ") + polku + ansi(" tuli tavut ") + std::to_string(raja) + "-" +
      std::to_string(nyt) +
      ansi(" sen tarkistuksen jälkeen, eikä niitä paloiteltu. Hae viitesiirrot pankista "
           "uudelleen tai paloittele ne erikseen."));
}

class ViitePaloittelija : public Paloittelija {
 public:
  ViitePaloittelija(const PaloitteluAsetukset& a, std::uint64_t pituus) : a_(a), pituus_(pituus) {}

  void jaa(const std::string& polku, const std::string& kohde, Yhteenveto& y,
           const Ohitettavat& ohita) override {
    y.muoto = muodonNimi;
    viite::jaa(polku, kohde, a_, pituus_, ohita, y);
    kerroKasvusta(polku, pituus_, y);
  }

  void jaaKirjanKanssa(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                       const std::string& kohde, Yhteenveto& y) override {
    y.muoto = muodonNimi;
    viite::jaaOsittain(kirja, o, arkisto, kohde, 0, nullptr, pituus_, y);
    kerroKasvusta(arkisto, pituus_, y);
  }

 private:
  const PaloitteluAsetukset& a_;
  std::uint64_t pituus_;
};

// The batch record with the key between ">>" and "<<"; the account after it when that is the key.
std::string esikatselunRivi(const Era& e, const PaloitteluAsetukset& a, bool avainKay) {
  std::string r =
      ansi("erä ") + std::to_string(e.numero) + ", tavu " + std::to_string(e.alku) + ": ";
  const bool tili = a.tunniste() == PaloitteluAsetukset::Tunniste::tilinumero;
  if (!avainKay || tili) {
    r += e.eratietue;
  } else {
    const std::string_view k = avain(e, a);
    const std::size_t alku = static_cast<std::size_t>(k.data() - e.eratietue.data());
    r += e.eratietue.substr(0, alku) + ">>" + std::string(k) + "<<" +
         e.eratietue.substr(alku + k.size());
  }
  if (tili && avainKay)
    r += " | tilinumero >>" + (e.tili.empty() ? std::string("-") : e.tili) + "<<";
  return r + "\r\n";
}

// A batch as the office counts statements. The format has no number and no balances; the
// account is the payments' (a batch without any names its payee by the service ID).
Tiliote tilioteEraste(const Era& e, const PaloitteluAsetukset& a, Nimeaja& nimeaja) {
  Tiliote t;
  t.tili = euro::trimmaa(e.tili);
  if (t.tili.empty()) t.tili = euro::trimmaa(palvelutunnus.lue(e.eratietue));
  t.alku = t.loppu = luotu(e);
  if (rahayksikko.lue(e.eratietue) == "1") t.valuutta = "EUR";
  t.tiiviste = e.tiiviste;
  nimea(nimeaja, e, a);
  t.yritys = nimeaja.alku() + nimeaja.loppu();
  t.kohta = e.alku;
  t.pituus = e.loppu - e.alku;
  return t;
}

class Viite : public Muoto {
 public:
  std::string_view nimi() const override { return muodonNimi; }
  Yksikko yksikko() const override { return {"erä", "erää", "erätietueita (0)", false}; }

  bool tunnista(const std::string& polku) const override {
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    char b[tietueenPituus + 2];
    std::size_t n = 0;
    while (n < sizeof b) {
      const std::size_t r = t.lue(b + n, sizeof b - n);
      if (r == 0) break;
      n += r;
    }
    return alkaaEratietueella(std::string_view(b, n));
  }

  std::unique_ptr<Paloittelija> tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                                 std::string& syy) const override {
    // A key the format has not is the settings' fault, not the file's: it stays where it is.
    if (const std::string s = avainEiKay(a); !s.empty()) eiKayAvaimeksi(polku, s);
    std::string puute;
    const auto pituus = kay(polku, 0, syy, [&](const Era& e) {
      if (puute.empty()) puute = avaimenPuute(e, a);
    });
    if (!pituus) {
      syy = ansi("viitesiirtotiedoston ") + syy;
      return nullptr;
    }
    if (!puute.empty()) eiKayAvaimeksi(polku, puute);
    return std::make_unique<ViitePaloittelija>(a, *pituus);
  }

  std::int64_t viimeistele(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                           const KirjanOsa& viimeinen, Yhteenveto& y) const override {
    y.muoto = muodonNimi;
    const KirjanOsa* kesken =
        viimeinen.siirretty && !viimeinen.tiedostot.empty() ? &viimeinen : nullptr;
    const std::uint64_t alku = kesken ? viimeinen.kohta : viimeinen.loppu;
    // The rest is checked whole before anything is written: a bad end (an archive the bank
    // program still wrote) keeps the journal for a later run.
    std::string syy;
    const auto raja = kay(arkisto, alku, syy, [](const Era&) {});
    if (!raja) throw euro::Virhe(euro::virhenro::kayttovirhe, arkisto + ": " + syy);
    const std::int64_t n = viite::jaaOsittain(kirja, o, arkisto, o.kohde, alku, kesken, *raja, y);
    return n;
  }

  void tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                  const std::function<void(const Tiliote&)>& anna) const override {
    // The split delivers nothing of a file its check refuses, so the whole is checked first;
    // then read again, each batch hashed as it goes by, never more than one in memory.
    if (!avainEiKay(a).empty()) return;
    std::string syy;
    bool puute = false;
    const auto raja = kay(polku, alku, syy, [&](const Era& e) { puute = puute || !avaimenPuute(e, a).empty(); });
    if (!raja || puute) return;
    alusta::Tiedosto t(polku, alusta::Tila::lue);
    Eralukija lukija(t, alku, *raja, lukupuskuri);
    lukija.tiivista();
    Nimeaja nimeaja(a.nimenAlkuosa, a.nimenLoppuosa);
    Era e;
    while (lukija.seuraava(e, syy)) anna(tilioteEraste(e, a, nimeaja));
    t.sulje();
    // What was checked a moment ago is no longer there.
    if (!syy.empty() || lukija.kohta() != *raja) euro::heitaVirhe(euro::virhenro::laitevirhe, polku);
  }

  void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                  const std::function<void(const std::string&)>& ulos) const override {
    const std::string eiKay = avainEiKay(a);
    std::string puskuri =
        ansi("Viitesiirtotiedoston erätietueet 0, >>avain<< = paloitteluehto") + "\r\n";
    if (!eiKay.empty()) puskuri += eiKay + "\r\n";
    puskuri += "\r\n";
    std::string syy;
    const auto loppu = kay(polku, 0, syy, [&](const Era& e) {
      puskuri += esikatselunRivi(e, a, eiKay.empty());
      if (puskuri.size() >= lukupuskuri) {
        ulos(puskuri);
        puskuri.clear();
      }
    });
    if (!loppu)
      throw HylattyTiedosto(euro::virhenro::kayttovirhe,
                            polku + ": " + ansi("viitesiirtotiedoston ") + syy);
    ulos(puskuri);
  }
};

}  // namespace

const Muoto& muoto() {
  static const Viite viite;
  return viite;
}

}  // namespace split::viite
