#include <algorithm>

#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt/osat.h"

namespace split::camt {

namespace {

// A segment's statements take 16 bytes each: 4 MiB at most.
constexpr std::size_t lausuntojaEnintaan = 256 * 1024;

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
      pakotettu_(r.pakotettu), kohta_(r.alku) {}

void Keraaja::lausunto(const Asiakirja& d, const Lausunto& l) {
  const std::string& n1 = nimet_.nimi(d, l);
  if (l.alku < alku_) return;
  if (pakotettu_ && l.loppu > *pakotettu_)
    throw Hylatty{ansi("keskeytyneen paloittelun jakso ei pääty tiliotteen tai asiakirjan loppuun")};
  if (d.juuri != tunnuksenJuuri_) {
    tunnus_ = ind_.tunnukset.anna(d.tunnus);
    tunnuksenJuuri_ = d.juuri;
  }
  if (l.loppu - l.alku > 0xFFFFFFFFu || l.alku >= (1ull << Lau::siirto))
    hylkaa(d.numero, l.rivi, l.alku, ansi("tiliote on liian suuri"));
  avain_.assign(n1);
  avain_ += '\0';
  avain_.append(reinterpret_cast<const char*>(&tunnus_), sizeof tunnus_);
  auto i = haku_.find(avain_);
  const JaksonRajat& rajat = rajat_;
  // Inside a document the bytes may run further than between documents: each segment's
  // company file is extended again, which costs more than holding the statements' places.
  if (dokissa_ > 0 && !pakotettu_ &&
      ((i == haku_.end() && haku_.size() >= rajat.tiedostoja) || tavuja_ >= 8 * rajat.tavuja ||
       lausuntoja_ >= lausuntojaEnintaan)) {
    // A document of more companies than a segment takes: the segment ends before this statement.
    suljeKesken(d);
    i = haku_.end();
  }
  if (i == haku_.end()) {
    i = haku_.emplace(avain_, static_cast<std::uint32_t>(haku_.size())).first;
    if (keraa_) {
      const std::string& alku = nimet_.alku();
      const std::string& loppu = nimet_.loppu();
      if (j_.nimet.size() + alku.size() + loppu.size() > 0xFFFFFFFFu)
        hylkaa(d.numero, l.rivi, l.alku, ansi("jakson tiedostonimet ovat liian pitkät"));
      Ryhma g;
      g.nimi = static_cast<std::uint32_t>(j_.nimet.size());
      g.alkuPituus = static_cast<std::uint32_t>(alku.size());
      g.loppuPituus = static_cast<std::uint32_t>(loppu.size());
      j_.nimet.append(alku).append(loppu);
      g.tunnus = static_cast<std::uint32_t>(tunnus_);
      g.dok = static_cast<std::uint32_t>(j_.dokit.size());
      j_.ryhmat.push_back(g);
      muisti_ += sizeof(Ryhma) + n1.size() + avain_.size() + 64;
    }
  }
  if (keraa_) {
    ++j_.ryhmat[i->second].lausuntoja;
    const std::uint64_t vali = l.edellinen < l.alku && l.alku - l.edellinen <= 256 ? l.alku - l.edellinen : 0;
    j_.lau.push_back({l.alku | (vali << Lau::siirto), static_cast<std::uint32_t>(l.loppu - l.alku), i->second});
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
    j_.dokit.push_back(tiedossa ? *p : Dok{d.edellinenLoppu, d.juuri, d.ensimmainen, 0, 0});
    muisti_ += sizeof(Dok);
  }
  kesken_ = true;
  sulje(viimeinenLoppu_, d.edellinenLoppu, !tiedossa);
}

void Keraaja::sulje(std::uint64_t loppu, std::uint64_t jatko, bool odottaa) {
  j_.kohta = kohta_;
  j_.loppu = loppu;
  j_.jatko = jatko;
  kohta_ = loppu;
  if (keraa_) {
    if (odottaa || !odottavat_.empty()) odottavat_.push_back(std::move(j_));
    else valmis_(j_);
  }
  j_ = Jakso{};
  haku_.clear();
  tavuja_ = 0;
  dokissa_ = 0;
  lausuntoja_ = 0;
}

void Keraaja::asiakirjanLoppu(const Asiakirja& d) {
  if (d.loppu <= alku_) return;
  const Dok t{d.edellinenLoppu, d.juuri, d.ensimmainen, d.viimeinenLoppu, d.loppu};
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
  if (tavuja_ >= rajat.tavuja || haku_.size() >= rajat.tiedostoja) sulje(d.loppu, d.loppu);
}

void Keraaja::loppuun() {
  if (pakotettu_) throw Hylatty{ansi("arkisto on lyhyempi kuin keskeytyneen paloittelun päiväkirjassa")};
  if (dokinLoppu_ > kohta_) sulje(dokinLoppu_, dokinLoppu_);
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
        j.ryhmat.shrink_to_fit();
        j.nimet.shrink_to_fit();
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
