#include <algorithm>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt/osat.h"

namespace split::camt {

namespace {

// A segment's statements take 16 bytes each: 4 MiB at most.
constexpr std::size_t lausuntojaEnintaan = 256 * 1024;
// What a company costs the run beside the index while the index is held (its statements'
// continuity, the split's memory of its file; measured about 140 bytes): counted with its name,
// so that a file of many companies stops keeping before the two together pass the run's peak.
constexpr std::size_t yrityksenMuisti = 128;

}  // namespace

namespace sisa {

using euro::ansi;

JaksonRajat jaksonRajat(const PaloitteluAsetukset& a) {
  const auto& j = a.saadot.jaksot;
  return {j.tiedostoja ? j.tiedostoja : 4096, j.tavuja ? j.tavuja : 256 * 1024 * 1024};
}

Keraaja::Keraaja(const PaloitteluAsetukset& a, Indeksi& ind, Rajaus r, Valmis valmis, bool keraaPitkat,
                 std::size_t raja)
    : nimet_(a), rajat_(jaksonRajat(a)), ind_(ind), valmis_(std::move(valmis)), keraaPitkat_(keraaPitkat), raja_(raja), alku_(r.alku),
      pakotettu_(r.pakotettu), kohta_(r.alku), yhteisetNimet_(keraaPitkat) {}

void Keraaja::lausunto(const Asiakirja& d, const Lausunto& l) {
  const std::string& n1 = nimet_.nimi(d, l);
  if (l.alku < alku_) return;
  if (pakotettu_ && l.loppu > *pakotettu_)
    throw Hylatty{ansi("keskeytyneen paloittelun jakso ei pääty tiliotteen tai asiakirjan loppuun")};
  tunnus(d);
  if (l.loppu - l.alku > 0xFFFFFFFFu || l.alku >= (1ull << Lau::siirto))
    hylkaa(d.numero, l.rivi, l.alku, ansi("tiliote on liian suuri"));
  std::uint32_t nimi = ryhmanNimi(d, l, n1);
  const std::uint32_t* i = haku_.hae(hakuavain(nimi));
  const JaksonRajat& rajat = rajat_;
  // Inside a document the bytes may run further than between documents: each segment's
  // company file is extended again, which costs more than holding the statements' places.
  if (dokissa_ > 0 && !pakotettu_ &&
      ((!i && haku_.koko() >= rajat.tiedostoja) || tavuja_ >= 8 * rajat.tavuja ||
       lausuntoja_ >= lausuntojaEnintaan)) {
    // A document of more companies than a segment takes: the segment ends before this statement.
    suljeKesken(d);
    if (!yhteisetNimet_) nimi = ryhmanNimi(d, l, n1);
    i = nullptr;
  }
  if (!i) haku_.lisaa(hakuavain(nimi)) = 0;
  if (keraa_) {
    const std::uint64_t vali = l.edellinen < l.alku && l.alku - l.edellinen <= 256 ? l.alku - l.edellinen : 0;
    j_.lau.push_back({l.alku | (vali << Lau::siirto), static_cast<std::uint32_t>(l.loppu - l.alku), nimi});
    muisti_ += sizeof(Lau);
  }
  tavuja_ += l.loppu - l.alku;
  viimeinenLoppu_ = l.loppu;
  ++dokissa_;
  ++lausuntoja_;
  if (keraa_ && muisti_ > raja_) {
    // Only checked from here on; the split walks this part again.
    keraa_ = false;
    j_ = Jakso{};
    odottavat_.clear();
  }
  if (pakotettu_ && l.loppu == *pakotettu_) {
    pakotettu_.reset();
    suljeKesken(d);
  }
}

std::uint32_t Keraaja::tunnus(const Asiakirja& d) {
  if (d.juuri != tunnuksenJuuri_) {
    tunnus_ = ind_.tunnukset.anna(d.tunnus);
    tunnuksenJuuri_ = d.juuri;
  }
  return static_cast<std::uint32_t>(tunnus_);
}

std::uint32_t Keraaja::ryhmanNimi(const Asiakirja& d, const Lausunto& l, const std::string& n1) {
  bool uusi = false;
  const std::uint32_t n = nimisto_->anna(nimet_.alku(), nimet_.loppu(), uusi);
  if (n == Nimisto::eiNimea) hylkaa(d.numero, l.rivi, l.alku, ansi("jakson tiedostonimet ovat liian pitkät"));
  if (uusi && keraa_ && yhteisetNimet_) muisti_ += Nimisto::hinta(n1.size()) + yrityksenMuisti;
  return n;
}

void Keraaja::suljeKesken(const Asiakirja& d) {
  // The document's end, which the segment's new files take theirs from, is known ahead only
  // when the check found it; otherwise the segment waits for it.
  const auto p = std::lower_bound(ind_.pitkat.begin(), ind_.pitkat.end(), d.juuri,
                                  [](const Dok& x, std::uint64_t juuri) { return x.juuri < juuri; });
  const bool tiedossa = p != ind_.pitkat.end() && p->juuri == d.juuri;
  if (!tiedossa && !keraaPitkat_)
    throw euro::Virhe(euro::virhenro::virheellinenKutsu, ansi("asiakirjan loppu ei ole tiedossa: ") +
                                                             std::to_string(d.juuri));
  if (keraa_) {
    j_.dokit.push_back(tiedossa ? *p : Dok{d.edellinenLoppu, d.juuri, d.ensimmainen, 0, 0, tunnus(d)});
    muisti_ += sizeof(Dok);
  }
  kesken_ = true;
  sulje(viimeinenLoppu_, d.edellinenLoppu, !tiedossa);
}

void Keraaja::sulje(std::uint64_t loppu, std::uint64_t jatko, bool odottaa) {
  j_.kohta = kohta_;
  j_.loppu = loppu;
  j_.jatko = jatko;
  j_.nimet = nimisto_;
  kohta_ = loppu;
  // Past the bound the names are no longer kept: the shared ones stay with the segments kept.
  if (!yhteisetNimet_ || !keraa_) {
    nimisto_ = std::make_shared<Nimisto>();
    yhteisetNimet_ = false;
  }
  if (keraa_) {
    if (odottaa || !odottavat_.empty()) {
      // A document of many companies keeps all its segments waiting for its end: without the
      // slack their vectors grew by.
      j_.lau.shrink_to_fit();
      odottavat_.push_back(std::move(j_));
    } else {
      valmis_(j_);
    }
  }
  j_ = Jakso{};
  haku_.tyhjenna();
  tavuja_ = 0;
  dokissa_ = 0;
  lausuntoja_ = 0;
}

void Keraaja::asiakirjanLoppu(const Asiakirja& d) {
  if (d.loppu <= alku_) return;
  const Dok t{d.edellinenLoppu, d.juuri, d.ensimmainen, d.viimeinenLoppu, d.loppu, tunnus(d)};
  if (kesken_) {
    kesken_ = false;
    if (keraaPitkat_ && (ind_.pitkat.empty() || ind_.pitkat.back().juuri < t.juuri)) ind_.pitkat.push_back(t);
    for (Jakso& j : odottavat_) {
      j.dokit.back() = t;
      valmis_(j);
    }
    odottavat_.clear();
  }
  dokissa_ = 0;
  dokinLoppu_ = d.loppu;
  if (keraa_) {
    j_.dokit.push_back(t);
    muisti_ += sizeof(Dok);
  }
  if (pakotettu_) {
    if (d.loppu == *pakotettu_) {
      pakotettu_.reset();
      sulje(d.loppu, d.loppu);
    } else if (d.loppu > *pakotettu_) {
      throw Hylatty{ansi("keskeytyneen paloittelun jakso ei pääty tiliotteen tai asiakirjan loppuun")};
    }
    return;
  }
  const JaksonRajat& rajat = rajat_;
  if (tavuja_ >= rajat.tavuja || haku_.koko() >= rajat.tiedostoja) sulje(d.loppu, d.loppu);
}

void Keraaja::loppuun() {
  if (pakotettu_) throw Hylatty{ansi("arkisto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa")};
  if (dokinLoppu_ > kohta_) sulje(dokinLoppu_, dokinLoppu_);
  nimisto_->unohdaHaku();
}

void ryhmita(Jakso& j, HajautusT<std::uint32_t>& haku) {
  j.ryhmat.clear();
  haku.tyhjenna();
  std::size_t d = 0;
  for (Lau& l : j.lau) {
    // The statements and documents are in the file's order; a group's document is its first
    // statement's, the one it begins in.
    while (d + 1 < j.dokit.size() && j.dokit[d + 1].juuri <= l.alku()) ++d;
    const std::uint32_t tunnus = j.dokit.empty() ? 0 : j.dokit[d].tunnus;
    std::uint32_t& g = haku.lisaa(ryhmanAvain(tunnus, l.ryhma));
    if (g == HajautusT<std::uint32_t>::eiArvoa) {
      g = static_cast<std::uint32_t>(j.ryhmat.size());
      j.ryhmat.push_back({l.ryhma, tunnus, static_cast<std::uint32_t>(d), 0});
    }
    ++j.ryhmat[g].lausuntoja;
    l.ryhma = g;
  }
}

void ryhmitaKaikki(std::vector<Jakso>& jaksot, const Ohitettavat& ohita, KaikkiRyhmat& k) {
  constexpr std::uint32_t loppuu = KaikkiRyhmat::loppuu;
  k.ryhmat.clear();
  k.alut.clear();
  if (jaksot.empty()) return;
  // Each name's first group, found by the name's number: no table of keys. A name is nearly
  // always in one message form; its groups in others follow through toinen.
  const std::size_t nimia = jaksot.front().nimet->koko();
  std::vector<std::uint32_t> nimelle(nimia, loppuu);
  k.ryhmat.reserve(nimia);
  std::uint32_t n = 0;
  for (std::size_t s = 0; s < jaksot.size(); ++s) {
    Jakso& j = jaksot[s];
    k.alut.push_back(n);
    std::size_t d = 0;
    for (Lau& l : j.lau) {
      const std::uint32_t numero = n++;
      while (d + 1 < j.dokit.size() && j.dokit[d + 1].juuri <= l.alku()) ++d;
      const std::uint32_t nimi = l.ryhma;
      l.ryhma = loppuu;
      if (!ohita.tyhja() && ohita.sisaltaa(l.alku())) continue;
      const std::uint32_t tunnus = j.dokit.empty() ? 0 : j.dokit[d].tunnus;
      std::uint32_t g = nimelle[nimi];
      while (g != loppuu && k.ryhmat[g].ryhma.tunnus != tunnus) g = k.ryhmat[g].toinen;
      if (g == loppuu) {
        g = static_cast<std::uint32_t>(k.ryhmat.size());
        k.ryhmat.push_back({{nimi, tunnus, static_cast<std::uint32_t>(d), 0}, static_cast<std::uint32_t>(s), numero, numero,
                            nimelle[nimi]});
        if (nimelle[nimi] != loppuu) k.ryhmat[nimelle[nimi]].toisia = true;
        nimelle[nimi] = g;
      } else {
        const std::uint32_t v = k.ryhmat[g].viimeinen;
        const std::size_t vs = k.jakso(v);
        jaksot[vs].lau[v - k.alut[vs]].ryhma = numero;
        k.ryhmat[g].viimeinen = numero;
      }
      ++k.ryhmat[g].ryhma.lausuntoja;
    }
  }
}

const Jakso& karsi(const Jakso& j, const Ohitettavat& ohita, Jakso& k) {
  if (ohita.tyhja() || std::none_of(j.lau.begin(), j.lau.end(), [&](const Lau& l) { return ohita.sisaltaa(l.alku()); }))
    return j;
  k = Jakso{};
  k.kohta = j.kohta;
  k.loppu = j.loppu;
  k.jatko = j.jatko;
  k.dokit = j.dokit;
  k.nimet = j.nimet;
  constexpr std::uint32_t eiViela = ~std::uint32_t{0};
  std::vector<std::uint32_t> uusi(j.ryhmat.size(), eiViela);
  for (const Lau& l : j.lau) {
    if (ohita.sisaltaa(l.alku())) continue;
    std::uint32_t& r = uusi[l.ryhma];
    if (r == eiViela) {
      r = static_cast<std::uint32_t>(k.ryhmat.size());
      k.ryhmat.push_back(j.ryhmat[l.ryhma]);
      k.ryhmat.back().lausuntoja = 0;
      // A new file takes its head from the document of the first statement it gets.
      const auto d = std::upper_bound(j.dokit.begin(), j.dokit.end(), l.alku(),
                                      [](std::uint64_t kohta, const Dok& x) { return kohta < x.juuri; });
      k.ryhmat.back().dok = static_cast<std::uint32_t>(d - j.dokit.begin() - 1);
    }
    ++k.ryhmat[r].lausuntoja;
    k.lau.push_back(l);
    k.lau.back().ryhma = r;
  }
  return k;
}

std::shared_ptr<Indeksi> indeksoi(const std::string& polku, const PaloitteluAsetukset& a, const Rajaus& r,
                                  std::size_t raja, std::uint64_t* pituus, std::uint64_t loppu,
                                  const std::function<void(const Tiliote&)>* anna) {
  alusta::Tiedosto f(polku, alusta::Tila::lue);
  if (pituus) *pituus = f.pituus();
  auto ind = std::make_shared<Indeksi>();
  ind->loppu = r.alku;
  Keraaja keraaja(
      a, *ind, r,
      [&](Jakso& j) {
        // Held until the split writes it: without the slack its vectors grew by.
        j.lau.shrink_to_fit();
        ind->loppu = j.loppu;
        ind->lahto = j.jatko;
        ind->jaksot.push_back(std::move(j));
      },
      true, raja);
  RajattuLahde lahde(f, 0, loppu);
  if (anna) kayLuetellen(lahde, keraaja, polku, a, *anna);
  else kay(lahde, keraaja, lukurajat(a));
  keraaja.loppuun();
  ind->kaikki = !keraaja.ylittyi();
  return ind;
}

}  // namespace sisa

}  // namespace split::camt
