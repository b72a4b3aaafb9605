// A year in the life of an office: every day the bank program appends batches to the
// statement file, the split runs with archiving, and some runs are killed, meet a full disk
// or a folder standing at a company file's name; on some days the move cannot be checked
// (another user's file, a network drive) and the bank, holding the file through it, writes
// half a batch into the archive and the rest after the split. At the end every batch is in its company's
// file exactly once and the archives hold every byte the bank wrote exactly once.
// KOLVANTO_VUOSI_PAIVIA sets the number of days (bench/vuosi.sh runs 365), KOLVANTO_VUOSI_SIEMEN
// the seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "euro/alusta/alusta.h"
#include "euro/virhe.h"
#include "split/paloittele.h"
#include "split/t00.h"
#include "tuki/testituki.h"
#include "vikatuki.h"

namespace {

namespace fs = std::filesystem;
using alusta::Vaihe;
const std::string S(1, alusta::erotin);

enum class Vikalaji { ei, tappo, levyTaynna, estetty };
const char* nimi(Vikalaji v) {
  switch (v) {
    case Vikalaji::ei: return "ei vikaa";
    case Vikalaji::tappo: return "tappo";
    case Vikalaji::levyTaynna: return "levy täynnä";
    case Vikalaji::estetty: return "kansio yrityksen tiedoston nimellä";
  }
  return "?";
}

struct Era {
  std::string asiakas;
  std::string kirjoitettu;  // as the bank wrote it
  std::string crlf;         // as the split writes it
};

std::size_t luku(const char* muuttuja, std::size_t oletus) {
  const char* s = std::getenv(muuttuja);
  return s && *s ? static_cast<std::size_t>(std::strtoull(s, nullptr, 10)) : oletus;
}

bool paattyy(const std::string& s, const std::string& loppu) {
  return s.size() >= loppu.size() && s.compare(s.size() - loppu.size(), loppu.size(), loppu) == 0;
}

class Vuosi {
 public:
  explicit Vuosi(std::uint64_t siemen) : siemen_(siemen), g_(siemen) {
    fs::create_directories(k_ / "ulos");
    ymp_.viestit.vastaukset.clear();
  }

  // The whole year; the first failure ends it with the day, the seed and the fault.
  void aja(int paivia) {
    for (paiva_ = 0; paiva_ < paivia && !::testing::Test::HasFatalFailure(); ++paiva_) {
      // Yesterday's blocked company file is taken away.
      for (const std::string& p : estetyt_) fs::remove_all(p);
      estetyt_.clear();
      const int eria = arvo(4) == 0 ? 0 : 1 + arvo(4);
      lf_ = arvo(5) == 0;
      for (int i = 0; i < eria; ++i) kirjoitaTiedostoon(k_ / "TITO.TXT", uusiEra());
      const int ajoja = 1 + (arvo(3) == 0) + (arvo(6) == 0);
      for (ajo_ = 0; ajo_ < ajoja; ++ajo_) ajaKerran();
    }
    // The last day: the bank has stopped, nothing goes wrong, two runs finish what is left.
    for (const std::string& p : estetyt_) fs::remove_all(p);
    estetyt_.clear();
    ymp_.virheet.clear();
    for (ajo_ = 0; ajo_ < 2; ++ajo_) {
      vika_ = Vikalaji::ei;
      split::paloittele(asetukset(), kello());
      EXPECT_TRUE(ymp_.virheet.empty()) << kuvaus() << ": " << ymp_.virheet[0].viesti;
      ymp_.virheet.clear();
    }
    tarkista();
    std::ostringstream t;
    t << erat_.size() << " erää";
    for (const auto& [n, c] : tilasto_) t << ", " << n << " " << c;
    std::printf("siemen %llu, %d päivää: %s\n", static_cast<unsigned long long>(siemen_), paivia, t.str().c_str());
  }

 private:
  int arvo(int n) { return static_cast<int>(g_() % static_cast<std::uint64_t>(n)); }

  std::string kuvaus() const {
    std::ostringstream s;
    s << "päivä " << paiva_ + 1 << ", ajo " << ajo_ + 1 << ", siemen " << siemen_ << ", vika: " << nimi(vika_);
    if (vika_ == Vikalaji::tappo || vika_ == Vikalaji::levyTaynna) s << " kutsussa " << kohta_;
    if (liitaKutsussa_) s << ", pankki kirjoittaa kutsussa " << *liitaKutsussa_;
    if (pidetty_) s << ", kahva auki";
    if (puolikas_) s << ", tarkistamaton siirto ja puolikas erä";
    return s.str();
  }

  // A batch of a company with contents no other batch has.
  std::string uusiEra() {
    const std::string le = lf_ ? "\n" : "\r\n";
    Era e;
    e.asiakas = std::to_string(1 + arvo(6));
    testi::T00 t;
    t.asiakas = e.asiakas;
    e.kirjoitettu = t.rivi() + le;
    e.crlf = t.rivi() + "\r\n";
    const int riveja = 1 + arvo(3);
    for (int i = 0; i < riveja; ++i) {
      const std::string r = "T10 era " + std::to_string(erat_.size()) + " rivi " + std::to_string(i) + " " +
                            std::string(static_cast<std::size_t>(arvo(120)), 'a' + static_cast<char>(arvo(26)));
      e.kirjoitettu += r + le;
      e.crlf += r + "\r\n";
    }
    erat_.push_back(e);
    return e.kirjoitettu;
  }

  static void kirjoitaTiedostoon(const std::string& polku, const std::string& s) {
    std::FILE* f = std::fopen(polku.c_str(), "ab");
    ASSERT_NE(f, nullptr) << polku;
    ASSERT_EQ(std::fwrite(s.data(), 1, s.size(), f), s.size());
    ASSERT_EQ(std::fclose(f), 0);
  }
  // Through a handle held open: written and flushed, the handle kept.
  void kirjoitaKahvaan(const std::string& s) {
    ASSERT_EQ(std::fwrite(s.data(), 1, s.size(), pidetty_), s.size());
    ASSERT_EQ(std::fflush(pidetty_), 0);
  }
  // The half batch's first part, cut anywhere (inside a T00 line, another line, a CR LF), as
  // soon as the bank holds the archive; the rest waits.
  void aloitaPuolikas() {
    if (!puolikas_ || !pidetty_ || puolikasAloitettu_) return;
    puolikasAloitettu_ = true;
    const std::string e = uusiEra();
    const std::size_t kohta = 1 + static_cast<std::size_t>(arvo(static_cast<int>(e.size()) - 1));
    kirjoitaKahvaan(e.substr(0, kohta));
    loput_ = e.substr(kohta);
    ++tilasto_["puolikas erä arkistoon"];
  }
  void jatkaPuolikasta() {
    if (loput_.empty()) return;
    kirjoitaKahvaan(loput_);
    loput_.clear();
  }
  void suljeKahva() {
    if (pidetty_) std::fclose(pidetty_);
    pidetty_ = nullptr;
  }

  split::PaloitteluAsetukset asetukset() const {
    split::PaloitteluAsetukset a;
    a.tiliotetiedosto = k_ / "TITO.TXT";
    a.kohdehakemisto = k_ / "ulos";
    a.arkistoi = true;
    return a;
  }

  // Each day of 2025 at seven; the runs of a day a second apart, or in the same second.
  split::Kello kello() {
    static constexpr int pituudet[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int kk = 0, pv = paiva_ % 365;
    while (pv >= pituudet[kk]) pv -= pituudet[kk++];
    const int sekunti = samaSekunti_ ? 0 : ajo_;
    alusta::Aika t{2025 + paiva_ / 365, kk + 1, pv + 1, 7, 0, sekunti};
    return [t] { return t; };
  }

  std::vector<std::string> arkistot() const {
    std::vector<std::string> a;
    // Not through the platform layer: the fault hook asks for them too.
    std::error_code ec;
    for (const auto& f : fs::directory_iterator(k_ / "TUODUT", ec))
      if (paattyy(f.path().filename().string(), "-TITO.TXT")) a.push_back(f.path().string());
    std::sort(a.begin(), a.end());
    return a;
  }

  // The bank writes while the split runs: into a new statement file once the old one has
  // moved, or through its handle on the archive. Never into the statement file in its place:
  // on Linux that would wait on the split's own lease.
  void pankkiKirjoittaa() {
    if (pidetty_) {
      jatkaPuolikasta();
      kirjoitaKahvaan(uusiEra());
    } else if (fs::exists(k_ / "TITO.TXT")) {
      jalkeen_ = true;
    } else {
      kirjoitaTiedostoon(k_ / "TITO.TXT", uusiEra());
    }
  }
  // A handle the bank held through the move (Windows lets a handle that shares deletion keep
  // writing; POSIX moves it unchecked where no lease can be had), opened as soon as the move
  // is seen: a writer that opens the archive only after the split's last look is not the bank.
  void kahvaArkistoon() {
    if (!arkistoonKahva_ || pidetty_ || fs::exists(k_ / "TITO.TXT")) return;
    std::string uusin;
    for (const std::string& a : arkistot())
      if (!ennenAjoa_.count(a)) uusin = a;
    if (!uusin.empty()) pidetty_ = std::fopen(uusin.c_str(), "ab");
  }

  void ajaKerran() {
    const int r = arvo(10);
    vika_ = r < 2 ? Vikalaji::tappo : r < 3 ? Vikalaji::levyTaynna : r < 4 ? Vikalaji::estetty : Vikalaji::ei;
    kohta_ = static_cast<std::size_t>(arvo(vika_ == Vikalaji::tappo ? 40 : 6));
    liitaKutsussa_.reset();
    if (arvo(4) == 0) liitaKutsussa_ = static_cast<std::size_t>(arvo(60));
    samaSekunti_ = arvo(3) == 0;
    puolikas_ = arvo(8) == 0;
    puolikasAloitettu_ = false;
    arkistoonKahva_ = puolikas_ || arvo(6) == 0;
    jalkeen_ = false;
    ennenAjoa_.clear();
    for (const std::string& a : arkistot()) ennenAjoa_.insert(a);
    if (vika_ == Vikalaji::estetty) {
      const std::string p = k_ / "ulos" + S + vika::tiedostonimi(std::to_string(1 + arvo(6)));
      if (!fs::exists(p)) {
        fs::create_directory(p);
        estetyt_.push_back(p);
      }
    }
    // The bank program holds the statement file open over the run: it must stay in place.
    const bool kahvaTiedostoon = !puolikas_ && !pidetty_ && fs::exists(k_ / "TITO.TXT") && arvo(8) == 0;
    if (kahvaTiedostoon) {
      pidetty_ = std::fopen((k_ / "TITO.TXT").c_str(), "ab");
      ASSERT_NE(pidetty_, nullptr);
    }
    {
      std::size_t kirjoituksia = 0;
      bool taynna = false;
      vika::Koukku koukku([&](const vika::Kysymys& q, std::size_t n) -> std::optional<alusta::Vika> {
        kahvaArkistoon();
        aloitaPuolikas();
        if (liitaKutsussa_ && n == *liitaKutsussa_) pankkiKirjoittaa();
        // Whether another program writes the file cannot be told here.
        if (puolikas_ && q.vaihe == Vaihe::vuokraa) return alusta::Vika{euro::virhenro::lupaEvatty};
        switch (vika_) {
          case Vikalaji::tappo:
            // Every call from the kill on fails: the process is gone.
            if (n >= kohta_) return alusta::Vika{euro::virhenro::laitevirhe};
            break;
          case Vikalaji::levyTaynna:
            if (q.vaihe != Vaihe::kirjoita) break;
            if (taynna) return alusta::Vika{euro::virhenro::levyTaynna};
            if (kirjoituksia++ == kohta_) {
              taynna = true;
              return alusta::Vika{euro::virhenro::levyTaynna, q.n / 2};
            }
            break;
          default: break;
        }
        return std::nullopt;
      });
      try {
        const auto t = split::paloittele(asetukset(), kello());
        tilasto_["tiedosto jätettiin auki"] += t.loppu == split::Loppu::tiedostoAuki;
        for (const auto& v : t.viimeistellyt) {
          ++tilasto_[v.jatko ? "arkiston kasvu paloiteltu" : "keskeytynyt viimeistelty"];
          if (loki_) std::printf("  %s %s: %lld erää\n", v.jatko ? "kasvu" : "keskeytynyt", v.arkisto.c_str(), static_cast<long long>(v.eria));
        }
        if (loki_) std::printf("  arkistoitu %s\n", t.yhteenveto.arkistoitu.c_str());
      } catch (...) {
        // A kill ends the run anywhere; what it leaves is for the next run.
      }
      ++tilasto_["ajoja"];
      if (loki_) std::printf("%s: erät %zu, virheitä %zu%s\n", kuvaus().c_str(), erat_.size(), ymp_.virheet.size(),
                             ymp_.virheet.empty() ? "" : (": " + ymp_.virheet[0].viesti).c_str());
      if (vika_ == Vikalaji::tappo && koukku.kysymykset.size() > kohta_) ++tilasto_["tappo osui"];
      if (taynna) ++tilasto_["levy täyttyi"];
      if (vika_ == Vikalaji::estetty) ++tilasto_["estetty tiedosto"];
      if (pidetty_) ++tilasto_["kahva auki ajon yli"];
      koukku.kysymykset.clear();
    }
    ymp_.virheet.clear();
    ymp_.viestit.viestit.clear();
    if (loki_ > 1 && fs::exists(k_ / "TUODUT"))
      for (const auto& f : fs::directory_iterator(k_ / "TUODUT"))
        std::printf("    %s %ju\n", f.path().filename().string().c_str(), static_cast<std::uintmax_t>(f.file_size()));
    if (jalkeen_) kirjoitaTiedostoon(k_ / "TITO.TXT", uusiEra());
    // What the bank writes through its handle after the run, before it lets go.
    if (pidetty_) {
      jatkaPuolikasta();
      kirjoitaKahvaan(uusiEra());
      suljeKahva();
    }
    if (kahvaTiedostoon && !fs::exists(k_ / "TITO.TXT"))
      ADD_FAILURE() << kuvaus() << ": tiedosto siirrettiin, vaikka pankkiohjelma piti sitä auki";
  }

  // The archive holding the batch, and where in it, as the bank wrote it.
  std::string arkistoJossa(const std::string& crlf) const {
    for (const Era& e : erat_) {
      if (e.crlf != crlf) continue;
      for (const std::string& a : arkistot()) {
        const std::string s = testi::lueTiedosto(a);
        const std::size_t p = s.find(e.kirjoitettu);
        if (p != std::string::npos)
          return a.substr(a.rfind(alusta::erotin) + 1) + " kohdassa " + std::to_string(p) + "/" + std::to_string(s.size()) +
                 (e.kirjoitettu.size() == e.crlf.size() ? "" : " (LF)");
      }
    }
    return "-";
  }

  void tarkista() {
    SCOPED_TRACE("siemen " + std::to_string(siemen_) + ", " + std::to_string(paiva_) + " päivää");
    if (loki_)
      for (const auto& f : fs::directory_iterator(k_ / "TUODUT"))
        if (!paattyy(f.path().string(), "-TITO.TXT")) std::printf("  jäi %s\n", f.path().filename().string().c_str());
    // No journal is left.
    for (const auto& n : testi::tiedostot(k_ / "TUODUT"))
      EXPECT_FALSE(paattyy(n, ".kesken") || paattyy(n, ".kesken.uusi")) << n;
    EXPECT_FALSE(fs::exists(k_ / "TITO.TXT"));
    // The archives hold every batch the bank wrote once, and nothing else.
    std::string arkistoissa;
    for (const std::string& a : arkistot()) arkistoissa += testi::lueTiedosto(a);
    std::size_t kirjoitettu = 0;
    for (const Era& e : erat_) {
      kirjoitettu += e.kirjoitettu.size();
      const std::size_t p = arkistoissa.find(e.kirjoitettu);
      EXPECT_NE(p, std::string::npos) << "erä puuttuu arkistoista: " << e.kirjoitettu.substr(323, 40);
      if (p != std::string::npos) {
        EXPECT_EQ(arkistoissa.find(e.kirjoitettu, p + 1), std::string::npos)
            << "erä kahdesti arkistoissa: " << e.kirjoitettu.substr(323, 40);
      }
    }
    EXPECT_EQ(arkistoissa.size(), kirjoitettu);
    // Each company's file: its batches, each exactly once, byte for byte, and nothing else.
    std::map<std::string, std::multiset<std::string>> odotettu;
    for (const Era& e : erat_) odotettu[vika::tiedostonimi(e.asiakas)].insert(e.crlf);
    std::map<std::string, std::multiset<std::string>> saatu;
    for (const auto& n : testi::tiedostot(k_ / "ulos")) {
      const std::string s = testi::lueTiedosto(k_ / "ulos" + S + n);
      EXPECT_EQ(s.rfind("T00", 0), 0u) << n;
      std::size_t p = 0;
      while (p < s.size()) {
        std::size_t q = s.find("\r\nT00", p);
        q = q == std::string::npos ? s.size() : q + 2;
        saatu[n].insert(s.substr(p, q - p));
        p = q;
      }
    }
    for (const auto& [n, erat] : odotettu) {
      const auto& tulleet = saatu[n];
      std::size_t puuttuu = 0, kahdesti = 0;
      for (const std::string& e : erat) {
        const std::size_t c = tulleet.count(e);
        if (c != 1) ADD_FAILURE() << n << ": " << e.substr(324, e.find(" rivi") - 324) << " " << c << " kertaa, "
                                  << "arkistossa " << arkistoJossa(e);
        puuttuu += c == 0;
        kahdesti += c > 1;
      }
      EXPECT_EQ(puuttuu, 0u) << n << ": " << erat.size() << " erää odotettiin";
      EXPECT_EQ(kahdesti, 0u) << n;
      EXPECT_EQ(tulleet.size(), erat.size()) << n;
    }
    for (const auto& [n, erat] : saatu)
      EXPECT_TRUE(odotettu.count(n)) << "ylimääräinen tiedosto " << n << " (" << erat.size() << " erää)";
  }

  std::uint64_t siemen_;
  std::mt19937_64 g_;
  testi::Kansio k_;
  testi::Ymparisto ymp_;
  std::vector<Era> erat_;
  std::vector<std::string> estetyt_;
  std::set<std::string> ennenAjoa_;
  std::FILE* pidetty_ = nullptr;
  int paiva_ = 0, ajo_ = 0;
  bool lf_ = false, samaSekunti_ = false, jalkeen_ = false, arkistoonKahva_ = false;
  bool puolikas_ = false, puolikasAloitettu_ = false;
  std::string loput_;  // the half batch's rest, which the bank writes after the split
  Vikalaji vika_ = Vikalaji::ei;
  std::size_t kohta_ = 0;
  std::optional<std::size_t> liitaKutsussa_;
  std::map<std::string, int> tilasto_;
  std::size_t loki_ = luku("KOLVANTO_VUOSI_LOKI", 0);
};

TEST(Vuosi, JokainenEraKerranJokainenTavuArkistossa) {
  const std::size_t paivia = luku("KOLVANTO_VUOSI_PAIVIA", 100);
  const std::uint64_t siemen = luku("KOLVANTO_VUOSI_SIEMEN", 20261209);
  Vuosi v(siemen);
  v.aja(static_cast<int>(paivia));
}

}  // namespace
