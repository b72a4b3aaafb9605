// The split run over reference-payment files. The input builds a file of batches with the
// tests' generator and then spoils bytes of it, so that whole files and files wrong in any
// one place both come often; a model of the format, written apart from the split, says
// whether it is refused and what every company file must hold.
//
// Input: the read sizes' byte, one byte of choices (key, archiving, twice or, archiving,
// segments of one company file or one batch, target folder, read buffer's size), one of key
// positions, then a byte a batch (company, payments, line ends) up to a 0xFF, then pairs of
// (place, byte) that overwrite the file. The file's statements are held to the model too.
#include <algorithm>
#include <map>

#include "euro/teksti.h"
#include "fuzztuki.h"
#include "split/muoto.h"
#include "split/nimi.h"
#include "split/paloittele.h"
#include "split/tiliote.h"
#include "tuki/viitesiirrot.h"

namespace {

using fuzz::fs::path;
namespace v = testi::viite;
using T = split::PaloitteluAsetukset::Tunniste;

bool numerot(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::uint64_t luku(std::string_view s) {
  std::uint64_t n = 0;
  for (char c : s) n = n * 10 + static_cast<std::uint64_t>(c - '0');
  return n;
}

struct Malli {
  bool tunnistettu = false;                     // the first record is a batch record
  bool hylatty = false;                         // a record or a batch is wrong
  bool avainPuuttuu = false;                    // the key choice cannot name a batch
  std::map<std::string, std::string> sisallot;  // by file name
  std::vector<std::pair<std::string, std::int64_t>> tiedostot;  // in order first written
  std::vector<std::pair<std::string, std::string>> erat;        // each batch's file name and bytes
  bool toistoja = false;    // a batch repeats one delivered before: passed over and told
  bool tyhjaAvain = false;  // a batch delivered under a blank key: told
};

// The file as records: each line 90 characters, ended by LF or CR LF; a batch a 0 record,
// payments 3 and corrections 5, and a 9 record whose counts and sums are theirs.
Malli malli(const std::string& s, const split::PaloitteluAsetukset& a) {
  Malli m;
  // The first record alone tells the format, whatever follows it.
  const std::size_t lf = s.find('\n');
  const std::string eka = s.substr(0, lf == std::string::npos ? 0 : lf);
  m.tunnistettu = (eka.size() == 90 || (eka.size() == 91 && eka.back() == '\r')) && eka[0] == '0' &&
                  numerot(eka.substr(1, 10)) && eka.substr(0, 90).find('\r') == std::string::npos;
  // A key the format has not fails before the file is read.
  const auto [alku, loppu] = a.positiot();
  const auto t = a.tunniste();
  if (t == T::tilinomistajanNimi ||
      (t == T::positiot && (alku < 1 || loppu < alku || loppu > 90))) {
    m.avainPuuttuu = true;
    return m;
  }
  struct Rivi {
    std::string teksti;
    std::size_t alku, loppu;
  };
  std::vector<Rivi> rivit;
  for (std::size_t p = 0; p < s.size();) {
    const std::size_t lf = s.find('\n', p);
    if (lf == std::string::npos) {
      m.hylatty = true;
      break;
    }
    std::string r = s.substr(p, lf - p);
    if (!r.empty() && r.back() == '\r') r.pop_back();
    if (r.size() != 90 || r.find_first_of("\r\n") != std::string::npos) {
      m.hylatty = true;
      break;
    }
    rivit.push_back({r, p, lf + 1});
    p = lf + 1;
  }
  if (m.hylatty) return m;
  split::Nimeaja nimeaja("V-", ".TXT");
  std::size_t i = 0;
  auto& erat = m.erat;
  std::vector<std::string> sarjat;
  std::vector<bool> tyhjat;  // the batch's key is blank
  while (i < rivit.size()) {
    const std::string& e = rivit[i].teksti;
    if (e[0] != '0' || !numerot(e.substr(1, 10))) {
      m.hylatty = true;
      return m;
    }
    std::uint64_t maara[2] = {}, summa[2] = {};
    std::string tili;
    bool tiliEri = false, tiliOn = false;
    std::size_t j = i + 1;
    for (; j < rivit.size() && rivit[j].teksti[0] != '9'; ++j) {
      const std::string& r = rivit[j].teksti;
      if ((r[0] != '3' && r[0] != '5') || !numerot(r.substr(77, 10))) {
        m.hylatty = true;
        return m;
      }
      maara[r[0] == '5'] += 1;
      summa[r[0] == '5'] += luku(r.substr(77, 10));
      if (tiliOn && r.substr(1, 14) != tili) tiliEri = true;
      if (!tiliOn) tili = r.substr(1, 14);
      tiliOn = true;
    }
    if (j == rivit.size()) {
      m.hylatty = true;
      return m;
    }
    const std::string& z = rivit[j].teksti;
    if (!numerot(z.substr(1, 34)) || luku(z.substr(1, 6)) != maara[0] ||
        luku(z.substr(7, 11)) != summa[0] || luku(z.substr(18, 6)) != maara[1] ||
        luku(z.substr(24, 11)) != summa[1]) {
      m.hylatty = true;
      return m;
    }
    std::string avain = t == T::tilinumero ? tili
                        : t == T::positiot ? e.substr(static_cast<std::size_t>(alku - 1),
                                                      static_cast<std::size_t>(loppu - alku + 1))
                                           : e.substr(13, 9);
    if (t == T::tilinumero && (!tiliOn || tiliEri)) m.avainPuuttuu = true;
    const std::size_t eka = avain.find_first_not_of(' ');
    avain =
        eka == std::string::npos ? "" : avain.substr(eka, avain.find_last_not_of(' ') - eka + 1);
    const std::string paiva = e.substr(1, 6);
    const std::string vuosi = "20" + paiva.substr(0, 2);
    nimeaja.muodosta(avain, vuosi, paiva.substr(2, 2),
                     vuosi + paiva.substr(2) + "-" + vuosi + paiva.substr(2));
    erat.emplace_back(nimeaja.alku() + nimeaja.loppu(),
                      s.substr(rivit[i].alku, rivit[j].loppu - rivit[i].alku));
    // Blank as the split counts it: nothing of the key that a file name could hold.
    tyhjat.push_back(std::all_of(avain.begin(), avain.end(), [&](char c) { return c == ' ' || !nimeaja.kelpaa(c); }));
    // The batch's series: its payee's account, else its service ID, else its file.
    auto trimmattu = [](const std::string& x) {
      const std::size_t a = x.find_first_not_of(' ');
      return a == std::string::npos ? std::string() : x.substr(a, x.find_last_not_of(' ') - a + 1);
    };
    std::string sarja = tiliOn ? trimmattu(tili) : "";
    if (sarja.empty()) sarja = trimmattu(e.substr(13, 9));
    sarjat.push_back(sarja.empty() ? erat.back().first : "\n" + sarja);
    i = j + 1;
  }
  // A batch whose bytes went before to its series (the last 32 delivered of it) is passed over:
  // it is delivered once.
  std::map<std::string, std::vector<std::string>> toimitetut;
  for (std::size_t k = 0; k < erat.size(); ++k) {
    const auto& [nimi, tavut] = erat[k];
    std::vector<std::string>& sarja = toimitetut[sarjat[k]];
    if (std::find(sarja.begin(), sarja.end(), tavut) != sarja.end()) {
      m.toistoja = true;
      continue;
    }
    sarja.push_back(tavut);
    if (sarja.size() > 32) sarja.erase(sarja.begin());
    if (tyhjat[k]) m.tyhjaAvain = true;
    auto [it, uusi] = m.sisallot.try_emplace(nimi);
    it->second += tavut;
    if (uusi) m.tiedostot.emplace_back(nimi, 0);
    for (auto& [n, eria] : m.tiedostot)
      if (n == nimi) ++eria;
  }
  return m;
}

alusta::Aika kello() {
  return {2024, 4, 2, 6, 0, 0};
}

// The file the input describes.
std::string tiedosto(const std::uint8_t* p, std::size_t n) {
  std::string s;
  std::size_t i = 0;
  for (int siemen = 0; i < n && p[i] != 0xFF && siemen < 200; ++i, ++siemen) {
    const std::uint8_t b = p[i];
    std::vector<v::Era> e = v::erat({b & 7}, (b >> 3) & 3, siemen);
    if (b & 0x40) e[0].maksut.push_back({v::tili((b & 7) + 1), 7});  // a second account
    s += v::era(e[0], b & 0x80 ? "\n" : "\r\n");
  }
  for (++i; i + 2 < n; i += 3) {
    const std::size_t kohta = (std::size_t{p[i]} << 8 | p[i + 1]);
    if (kohta < s.size())
      s[kohta] = static_cast<char>(p[i + 2]);
    else if (kohta == s.size())
      s.resize(kohta - std::min<std::size_t>(kohta, p[i + 2]));  // cut the end
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  if (koko < 2) return 0;
  const std::uint8_t valinnat = data[0];
  const std::string sisalto = tiedosto(data + 2, koko - 2);
  const path kansio = fuzz::tyhjaKansio("viite");
  const path ulos = kansio / "ulos";
  const path syote = kansio / "VIITE.DAT";
  const bool arkistoi = valinnat & 4;
  const bool kahdesti = !arkistoi && (valinnat & 8);
  const bool kohdeOn = valinnat & 16;
  split::PaloitteluAsetukset a;
  const std::size_t puskurit[] = {0, 1, 2, 7, 64, 91, 93, 4096};
  a.saadot.puskuri = puskurit[valinnat >> 5];
  if (arkistoi && (valinnat & 8)) a.saadot.jaksot = {1, (valinnat & 32) ? 1u : 0u, 0};
  a.valitse(static_cast<T>(valinnat & 3));
  a.posAlku = std::to_string(1 + data[1] % 100);
  a.posLoppu = std::to_string(1 + data[1] % 100 + data[1] / 100 * 5);
  a.nimenAlkuosa = "V-";
  a.nimenLoppuosa = ".TXT";
  a.tiliotetiedosto = syote.string();
  a.kohdehakemisto = ulos.string();
  a.arkistoi = arkistoi;
  if (kohdeOn) fuzz::fs::create_directory(ulos);
  fuzz::kirjoita(syote, sisalto);

  const Malli m = malli(sisalto, a);
  {
    testi::Lukukoot koot(vuoro);
    VARMISTA((split::muotoTiedostolle(syote.string()).nimi() == "VIITE") == m.tunnistettu);
  }
  if (!m.tunnistettu) return 0;
  // Its statements, before the split moves it: a batch each of what it delivers, none of a file
  // it refuses.
  {
    testi::Lukukoot koot(vuoro);
    std::size_t n = 0;
    const bool jaetaan = !m.hylatty && !m.avainPuuttuu;
    split::muotoTiedostolle(syote.string()).tiliotteet(syote.string(), a, 0, [&](const split::Tiliote& t) {
      VARMISTA(jaetaan && n < m.erat.size());
      VARMISTA(t.yritys == m.erat[n].first && t.kohta <= sisalto.size() &&
               sisalto.compare(t.kohta, t.pituus, m.erat[n].second) == 0 && t.pituus == m.erat[n].second.size());
      split::Tiivistaja h;
      h.lisaa(m.erat[n].second.data(), m.erat[n].second.size());
      VARMISTA(t.tiiviste == h.arvo());
      ++n;
    });
    VARMISTA(n == (jaetaan ? m.erat.size() : 0u));
  }

  fuzz::Ymparisto ymp;
  const int kertoja = m.hylatty || m.avainPuuttuu || !kahdesti ? 1 : 2;
  for (int kerta = 1; kerta <= kertoja; ++kerta) {
    const split::PaloitteluTulos t = [&] {
      testi::Lukukoot koot(vuoro);
      return split::paloittele(a, kello);
    }();
    for (const euro::Vikailmoitus& e : ymp.virheet)
      std::fprintf(stderr, "fe_Virhe %d: %s\n", e.numero, euro::ansiUtf8(e.viesti).c_str());
    VARMISTA((t.loppu == split::Loppu::hylatty) == m.hylatty);
    VARMISTA(t.valmis == (!m.hylatty && !m.avainPuuttuu));
    VARMISTA(ymp.virheet.size() == (!m.hylatty && m.avainPuuttuu ? 1u : 0u));
    if (!t.valmis) break;
    // A split tells of a repeat, and of a batch under a blank key.
    VARMISTA(t.katsottavaa.empty() == !(m.toistoja || m.tyhjaAvain));
    VARMISTA(t.yhteenveto.tiedostot.size() == m.tiedostot.size());
    for (std::size_t i = 0; i < m.tiedostot.size(); ++i) {
      VARMISTA(t.yhteenveto.tiedostot[i].polku == ulos.string() + "/" + m.tiedostot[i].first);
      VARMISTA(t.yhteenveto.tiedostot[i].eria == m.tiedostot[i].second);
    }
  }
  // Nothing written unless split; then exactly the batches of each key, as often as run.
  std::size_t tiedostoja = 0;
  if (fuzz::fs::exists(ulos))
    for (const auto& e : fuzz::fs::directory_iterator(ulos)) {
      ++tiedostoja;
      VARMISTA(!m.hylatty && !m.avainPuuttuu);
      // Names are ANSI in the program, UTF-8 on Linux's disk.
      const auto it = m.sisallot.find(euro::utf8Ansi(e.path().filename().string()));
      VARMISTA(it != m.sisallot.end());
      VARMISTA(fuzz::lue(e.path()) == (kertoja == 2 ? it->second + it->second : it->second));
    }
  VARMISTA(tiedostoja == (m.hylatty || m.avainPuuttuu ? 0u : m.sisallot.size()));
  // The file once, byte for byte: aside when refused, archived when split so, else in place.
  const path tuodut = kansio / "TUODUT";
  if (m.hylatty) {
    VARMISTA(fuzz::lue(tuodut / "2024-04-02+060000-VIITE.DAT.hylatty") == sisalto &&
             !fuzz::fs::exists(syote));
  } else if (arkistoi && !m.avainPuuttuu) {
    VARMISTA(fuzz::lue(tuodut / "2024-04-02+060000-VIITE.DAT") == sisalto &&
             !fuzz::fs::exists(syote));
    VARMISTA(!fuzz::fs::exists(tuodut / "2024-04-02+060000-VIITE.DAT.kesken"));
  } else {
    VARMISTA(fuzz::lue(syote) == sisalto);
  }
  return 0;
}
