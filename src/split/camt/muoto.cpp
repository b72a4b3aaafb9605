#include "split/camt/muoto.h"

#include "euro/virhe.h"
#include "split/esikatselu.h"
#include "split/camt/camt.h"

namespace split::camt {

namespace {

// The check's walk goes on into the split, so that the file is parsed once.
class XmlPaloittelija : public Paloittelija {
 public:
  XmlPaloittelija(const PaloitteluAsetukset& a, Tarkistettu t) : a_(a), t_(std::move(t)) {}

  void jaa(const std::string& polku, const std::string& kohde, Yhteenveto& y,
           const Ohitettavat& ohita) override {
    camt::jaa(polku, kohde, a_, y, t_, ohita);
  }

  void jaaKirjanKanssa(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto, const std::string&,
                       Yhteenveto& y) override {
    camt::jaaOsittain(kirja, o, arkisto, t_, y);
  }

  // A document past the index's bound is walked again by the split, and its index is gone.
  std::size_t sarjoilleLisaa() const override { return t_.indeksi ? 0 : 4 * 1024 * 1024; }

 private:
  const PaloitteluAsetukset& a_;
  Tarkistettu t_;
};

class Xml : public Muoto {
 public:
  std::string_view nimi() const override { return "XML"; }
  Yksikko yksikko() const override { return {"tiliote", "tiliotetta", "tiliotteita", false}; }
  bool tunnista(const std::string& polku) const override { return onXml(polku); }

  std::unique_ptr<Paloittelija> tarkista(const std::string& polku, const PaloitteluAsetukset& a,
                                 std::string& syy) const override {
    return tarkista(polku, a, syy, nullptr);
  }

  std::unique_ptr<Paloittelija> tarkista(const std::string& polku, const PaloitteluAsetukset& a, std::string& syy,
                                         const std::function<void(const Tiliote&)>* anna) const {
    // XML in another encoding is refused by its name, before anything else is read.
    std::string muuMerkisto;
    onXml(polku, &muuMerkisto);
    Tarkistettu t;
    if (!muuMerkisto.empty()) t.syy = muuMerkisto;
    else t = camt::tarkista(polku, a, anna);
    if (!t.syy.empty()) {
      syy = t.syy;
      return nullptr;
    }
    return std::make_unique<XmlPaloittelija>(a, std::move(t));
  }

  std::unique_ptr<Paloittelija> tarkistaLuetellen(const std::string& polku, const PaloitteluAsetukset& a,
                                                  std::string& syy, const std::function<void(const Tiliote&)>& anna,
                                                  bool& lueteltu) const override {
    lueteltu = true;
    return tarkista(polku, a, syy, &anna);
  }

  // A document the segment extends keeps its closing tags, cut off before the statements go in
  // and written again after them; never empty, never longer than the document.
  char tilanTunnus() const override { return 'h'; }
  bool tilaKelpaa(const KirjanOsa::Tiedosto& f) const override {
    return !f.tila.empty() && f.tila.size() <= f.pituus;
  }

  bool jatkaaKasvanutta() const override { return true; }

  std::optional<std::uint64_t> jatkonAlku(const std::string& arkisto, const KirjanOtsikko& o, std::uint64_t loppu,
                                          std::uint64_t pituus, std::vector<std::string>*) const override {
    return camt::jatkonAlku(arkisto, o, loppu, pituus);
  }

  std::int64_t viimeistele(Kirjaus& kirja, const KirjanOtsikko& o, const std::string& arkisto,
                           const KirjanOsa& viimeinen, Yhteenveto& y) const override {
    return viimeisteleKirjasta(kirja, o, arkisto, viimeinen, &y);
  }

  void tiliotteet(const std::string& polku, const PaloitteluAsetukset& a, std::uint64_t alku,
                  const std::function<void(const Tiliote&)>& anna) const override {
    camt::tiliotteet(polku, a, alku, anna);
  }
  // The split's memory is bounded at twice TITO's: a document's series may take more.
  std::size_t sarjoilleMuistia() const override { return 4 * 1024 * 1024; }

  void esikatsele(const std::string& polku, const PaloitteluAsetukset& a,
                  const std::function<void(const std::string&)>& ulos) const override {
    std::string muuMerkisto;
    onXml(polku, &muuMerkisto);
    if (!muuMerkisto.empty()) throw HylattyTiedosto(euro::virhenro::kayttovirhe, polku + ": " + muuMerkisto);
    camt::esikatsele(polku, a, ulos);
  }
};

}  // namespace

const Muoto& muoto() {
  static const Xml xml;
  return xml;
}

}  // namespace split::camt
