#include "testituki.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "euro/alusta/alusta.h"
#include "euro/teksti.h"
#include "gtest/gtest.h"

namespace fs = std::filesystem;

namespace testi {

int ValeViestit::nayta(const std::string& teksti, const std::string& otsikko, int tyyli) {
  viestit.push_back({teksti, otsikko, tyyli});
  if (!vastaukset.empty()) {
    int v = vastaukset.front();
    vastaukset.pop_front();
    return v;
  }
  return (tyyli & 0x0F) == 4 ? euro::vastaus::ei : euro::vastaus::ok;
}

int ValeKaynnistin::avaa(const std::string& kohde, const std::string& parametrit,
                         const std::string& tyohakemisto) {
  kaynnistykset.push_back({kohde, parametrit, tyohakemisto, false, false});
  return avausKoodi;
}

void ValeKaynnistin::kaynnista(const std::string& komentorivi, bool maksimoitu) {
  kaynnistykset.push_back({komentorivi, "", "", true, maksimoitu});
  if (kaynnistysEpaonnistuu) euro::heitaVirhe(euro::virhenro::tiedostoaEiLoydy, komentorivi);
}

std::optional<std::string> ValeTiedostovalitsin::valitse(const euro::Tiedostovalinta& valinta) {
  valinnat.push_back(valinta);
  if (vastaukset.empty()) {
    if (epaonnistuu) euro::heitaVirhe(euro::virhenro::virheellinenKutsu);
    return std::nullopt;
  }
  std::optional<std::string> v = vastaukset.front();
  vastaukset.pop_front();
  return v;
}

euro::Pulmanloppu ValeOngelmaikkuna::nayta(const std::string& raportti,
                                           const std::string& hakuehdot) {
  naytetyt.emplace_back(raportti, hakuehdot);
  return loppu;
}

Ymparisto::Ymparisto() {
  ohjelma.viestit = &viestit;
  ohjelma.ongelmat = &ongelmat;
  ohjelma.kaynnistin = &kaynnistin;
  edellinen_ = euro::asetaOhjelma(&ohjelma);
  edellinenKasittelija_ =
      euro::asetaVirheKasittelija([this](const euro::Vikailmoitus& v) { virheet.push_back(v); });
}

Ymparisto::~Ymparisto() {
  euro::asetaVirheKasittelija(edellinenKasittelija_);
  euro::asetaOhjelma(edellinen_);
}

namespace {
fs::path natiivi(const std::string& ansi) {
  std::u16string u = euro::ansiUtf16(ansi);
  if constexpr (alusta::onWindows) {
    return fs::path(std::wstring(u.begin(), u.end()));
  } else {
    return fs::path(euro::ansiUtf8(ansi));
  }
}

std::string ansiksi(const fs::path& p) {
  if constexpr (alusta::onWindows) {
    std::wstring w = p.wstring();
    return euro::utf16Ansi(std::u16string(w.begin(), w.end()));
  } else {
    return euro::utf8Ansi(p.string());
  }
}
}  // namespace

Kansio::Kansio() {
  static std::atomic<int> laskuri{0};
  fs::path pohja = fs::temp_directory_path();
  for (int i = 0;; ++i) {
    fs::path p = pohja / ("kolvanto-testi-" + std::to_string(::testing::UnitTest::GetInstance()
                                                                  ->random_seed()) +
                          "-" + std::to_string(laskuri++) + "-" + std::to_string(i));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      polku_ = ansiksi(fs::canonical(p));
      break;
    }
    if (i > 1000) throw std::runtime_error("testikansiota ei voi luoda");
  }
}

Kansio::~Kansio() {
  std::error_code ec;
  fs::path p = natiivi(polku_);
  // Read-only parts left by a test must not keep the folder.
  for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::end(it); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(p, ec);
}

std::string Kansio::operator/(const std::string& nimi) const {
  return polku_ + alusta::erotin + nimi;
}

std::string lueTiedosto(const std::string& polku) {
  std::ifstream f(natiivi(polku), std::ios::binary);
  if (!f) throw std::runtime_error("ei voi lukea: " + polku);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void kirjoitaTiedosto(const std::string& polku, const std::string& sisalto) {
  std::ofstream f(natiivi(polku), std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("ei voi kirjoittaa: " + polku);
  f.write(sisalto.data(), static_cast<std::streamsize>(sisalto.size()));
}

bool onOlemassa(const std::string& polku) {
  std::error_code ec;
  return fs::exists(natiivi(polku), ec);
}

void kopioi(const std::string& mista, const std::string& minne) {
  fs::copy_file(natiivi(mista), natiivi(minne), fs::copy_options::overwrite_existing);
}

std::vector<std::string> tiedostot(const std::string& kansio) {
  std::vector<std::string> nimet;
  for (const auto& e : fs::directory_iterator(natiivi(kansio)))
    nimet.push_back(ansiksi(e.path().filename()));
  std::sort(nimet.begin(), nimet.end());
  return nimet;
}

}  // namespace testi
