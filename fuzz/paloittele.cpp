// The split run over an arbitrary cumulative file. A model of the run (lines, batches, their
// order, CR LF, appending) says what every output file must hold; the file names come from
// muodostanimi, which has tests of its own.
//
// Input: the read sizes' byte (every read of the split, its journal and files included), one
// byte of choices (key, archiving, twice or, archiving, the narrower search for T00
// lines, target folder, read buffer's size or, archiving, the journal's window and its
// limits), two of key positions, then the statement, where 0xFF k stands
// for k * 300 bytes "L" (k > 0) or one 0xFF (k = 0), so that lines longer than the split's
// write buffer come within reach; the statement stays under 256 KiB, to keep runs fast (32 KiB
// with reads of one byte each, which cost a system call a byte).
#include <algorithm>
#include <map>
#include <vector>

#include "euro/teksti.h"
#include "fuzztuki.h"
#include "split/camt/camt.h"
#include "split/kesken.h"
#include "split/muoto.h"
#include "split/nimi.h"
#include "split/tito/nimi.h"
#include "split/paloittele.h"
#include "split/tito/haku.h"
#include "split/tito/osittain.h"

namespace {

using fuzz::fs::path;

std::string purettu(const std::uint8_t* p, std::size_t n, std::size_t raja) {
  const std::string_view raaka(reinterpret_cast<const char*>(p), n);
  std::string s;
  std::size_t i = 0;
  while (i < n) {
    std::size_t ff = raaka.find('\xFF', i);
    if (ff == std::string_view::npos || ff + 1 == n) {
      s.append(raaka.substr(i));
      break;
    }
    s.append(raaka.substr(i, ff - i));
    std::size_t k = p[ff + 1];
    if (k == 0) s += '\xFF';
    else if (s.size() < raja) s.append(k * 300, 'L');
    i = ff + 2;
  }
  return s;
}

struct Odotus {
  std::map<std::string, std::string> sisallot;  // by output path
  std::vector<split::TiedostonYhteenveto> tiedostot;
  std::int64_t ohitetut = 0;
  // A "#" in the key stands for the whole period: a long key of them makes a name that no
  // file system takes. The run must stop there with error 52, keeping what came before.
  bool liianPitka = false;
};

// Where each T00 line begins: at the file's start or after a line end (CR LF, CR or LF).
std::vector<std::size_t> t00Alut(const std::string& s) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool alussa = i == 0 || s[i - 1] == '\n' || (s[i - 1] == '\r' && s[i] != '\n');
    if (alussa && s.compare(i, 3, "T00") == 0) v.push_back(i);
  }
  return v;
}

// A batch whose bytes went before to its account's series (the last 32 delivered of it, or of
// its file when the T00 line names no account) is passed over: a statement is delivered once.
Odotus malli(const std::string& tiliote, const std::string& kohde,
             const split::PaloitteluAsetukset& a) {
  std::int32_t alku = 0, loppu = 0;
  split::tito::asetapos(a, alku, loppu);
  Odotus o;
  std::map<std::string, std::size_t> indeksi;
  std::map<std::string, std::vector<std::string>> toimitetut;
  const std::vector<std::size_t> alut = t00Alut(tiliote);
  std::size_t era = 0;
  split::TiedostonYhteenveto* nyt = nullptr;
  std::string* sisalto = nullptr;
  bool ohitetaan = false;
  for (const std::string& r : fuzz::tilioterivit(tiliote)) {
    if (r.size() >= 3 && r[0] == 'T' && r[1] == '0' && r[2] == '0') {
      std::string polku = split::tito::muodostanimi(r, kohde, a, alku, loppu);
      if (euro::ansiUtf8(polku.substr(kohde.size())).size() > 255) {
        o.liianPitka = true;
        break;
      }
      const std::size_t e = era++;
      const std::string tavut = tiliote.substr(alut[e], (e + 1 < alut.size() ? alut[e + 1] : tiliote.size()) - alut[e]);
      std::string tili = r.size() >= 10 ? r.substr(9, 14) : "";
      tili.erase(0, std::min(tili.find_first_not_of(' '), tili.size()));
      tili.erase(tili.find_last_not_of(' ') + 1);
      std::vector<std::string>& sarja = toimitetut[tili.empty() ? polku : "\n" + tili];
      ohitetaan = std::find(sarja.begin(), sarja.end(), tavut) != sarja.end();
      if (ohitetaan) continue;
      sarja.push_back(tavut);
      if (sarja.size() > 32) sarja.erase(sarja.begin());
      auto [it, uusi] = indeksi.try_emplace(polku, o.tiedostot.size());
      if (uusi) o.tiedostot.push_back({polku, 0, 0});
      nyt = &o.tiedostot[it->second];
      ++nyt->eria;
      sisalto = &o.sisallot[polku];
    }
    if (ohitetaan) continue;
    if (nyt) {
      *sisalto += r + "\r\n";
      ++nyt->riveja;
    } else {
      ++o.ohitetut;
    }
  }
  return o;
}

alusta::Aika kello() { return {2018, 8, 21, 14, 30, 5}; }

bool numero(char c) { return c >= '0' && c <= '9'; }
bool rivinLoppu(char c) { return c == '\r' || c == '\n'; }

// Refused as no statement at all: its first 4 KiB hold no record ("T" and two digits at a
// line's start) and something else than blanks.
bool eiTitoa(const std::string& s) {
  const std::string b = s.substr(0, 4096);
  for (std::size_t i = 0; i + 2 < b.size(); ++i)
    if ((i == 0 || rivinLoppu(b[i - 1])) && b[i] == 'T' && numero(b[i + 1]) && numero(b[i + 2])) return false;
  return b.find_first_not_of(std::string(" \t\r\n\f\x1A")) != std::string::npos;
}

// Records other than T00 before the first T00 line continue a batch begun elsewhere: the file
// is refused before anything moves.
bool jatkoaAlussa(const std::string& s) {
  for (const std::string& r : fuzz::tilioterivit(s)) {
    if (r.compare(0, 3, "T00") == 0) return false;
    if (r.size() >= 3 && r[0] == 'T' && numero(r[1]) && numero(r[2])) return true;
  }
  return false;
}

// What of the file a split may deliver: a last line without a line end that is shorter than
// the length in its positions 4-6 holds back its batch (or itself, before any T00 line); one
// without a length, too, where the file may still grow.
std::size_t toimitettava(const std::string& s, bool kasvaa) {
  if (s.empty() || rivinLoppu(s.back())) return s.size();
  const std::size_t e = s.find_last_of("\r\n");
  const std::size_t rivi = e == std::string::npos ? 0 : e + 1;
  const std::string_view r = std::string_view(s).substr(rivi);
  std::size_t oma = 0;
  if (r.size() >= 6 && r[0] == 'T' && numero(r[1]) && numero(r[2]) && numero(r[3]) && numero(r[4]) && numero(r[5]))
    oma = static_cast<std::size_t>((r[3] - '0') * 100 + (r[4] - '0') * 10 + (r[5] - '0'));
  const bool katkennut = oma > 0 && r.size() < oma;
  if (!katkennut && (oma > 0 || !kasvaa)) return s.size();
  if (!katkennut) return rivi;
  for (std::size_t p = rivi + 1; p-- > 0;)
    if (s.compare(p, 3, "T00") == 0 && (p == 0 || rivinLoppu(s[p - 1]))) return p;
  return rivi;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const bool tavuittain = koko > 0 && data[0] == 1;
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  if (koko < 3) return 0;
  const std::uint8_t valinnat = data[0];
  const int alku = 1 + data[1];
  const int pituus = data[2] % 41;
  const std::string tiliote = purettu(data + 3, koko - 3, (tavuittain ? 32 : 256) * 1024);

  const path kansio = fuzz::tyhjaKansio("paloittele");
  const path ulos = kansio / "ulos";
  const bool arkistoi = valinnat & 4;
  const bool kahdesti = !arkistoi && (valinnat & 8);
  const bool kohdeOn = valinnat & 16;
  // The read buffer's borders anywhere in lines, line ends and T00 lines.
  const std::size_t puskurit[] = {0, 1, 2, 3, 7, 64, 331, 4096};
  split::PaloitteluAsetukset::Saadot saadot;
  saadot.puskuri = puskurit[valinnat >> 5];
  // The journal's window: its borders anywhere, batches longer than it, few files a segment
  // and few T00 lines named ahead (0: the defaults).
  const std::uint64_t ikkunat[] = {0, 1, 100, 331, 1000, 4096, 20000, 0};
  const std::size_t v = valinnat >> 5;
  if (arkistoi) saadot.jaksot = {1 + v % 3, ikkunat[v], 2 + v % 5};
  saadot.kapeaHaku = arkistoi && (valinnat & 8);
  if (kohdeOn) fuzz::fs::create_directory(ulos);
  fuzz::kirjoita(kansio / "TITO.TXT", tiliote);
  // A file that begins with "<" is an XML statement, split by its own code with a fuzzer of its
  // own; this model is TITO's. Whatever size the reads are, the answer is the same.
  std::string merkisto, merkistoLuettuna;
  const bool xml = split::camt::onXml((kansio / "TITO.TXT").string(), &merkisto);
  {
    testi::Lukukoot koot(vuoro);
    VARMISTA(split::camt::onXml((kansio / "TITO.TXT").string(), &merkistoLuettuna) == xml);
  }
  VARMISTA(merkistoLuettuna == merkisto);
  if (xml) return 0;
  // Nor is a file of another row's (a reference-payment file: a "0" record first), whose
  // fuzzer is its own.
  if (split::muotoTiedostolle((kansio / "TITO.TXT").string()).nimi() != "TITO") return 0;

  split::PaloitteluAsetukset a;
  a.saadot = saadot;
  a.valitse(static_cast<split::PaloitteluAsetukset::Tunniste>(valinnat & 3));
  a.posAlku = std::to_string(alku);
  a.posLoppu = std::to_string(alku + pituus - 1);
  a.tiliotetiedosto = (kansio / "TITO.TXT").string();
  a.kohdehakemisto = ulos.string();
  a.arkistoi = arkistoi;
  const std::string kohde = ulos.string() + "/";
  fuzz::Ymparisto ymp;

  // Refused before anything is archived or written: as no statement (moved aside whole), or
  // as the rest of a batch begun elsewhere (left where it is, a failure).
  const bool hylataan = eiTitoa(tiliote);
  if (hylataan || jatkoaAlussa(tiliote)) {
    split::PaloitteluTulos t = [&] {
      testi::Lukukoot koot(vuoro);
      return split::paloittele(a, kello);
    }();
    VARMISTA(!t.valmis && (t.loppu == split::Loppu::hylatty) == hylataan);
    VARMISTA(ymp.virheet.size() == (hylataan ? 0u : 1u));
    if (!hylataan) {
      VARMISTA(ymp.virheet[0].kutsurivi == 100 && ymp.virheet[0].rutiini == "paloittele");
      VARMISTA(fuzz::lue(kansio / "TITO.TXT") == tiliote);
      VARMISTA(!fuzz::fs::exists(kansio / "TUODUT"));
    } else {
      VARMISTA(!fuzz::fs::exists(kansio / "TITO.TXT"));
      VARMISTA(fuzz::lue(kansio / "TUODUT" / "2018-08-21+143005-TITO.TXT.hylatty") == tiliote);
    }
    VARMISTA(!fuzz::fs::exists(ulos) || fuzz::fs::is_empty(ulos));
    return 0;
  }

  // Whether the split may take the file to be still written (where that cannot be told).
  const bool kasvaa = arkistoi && alusta::kirjoittaakoMuu((kansio / "TITO.TXT").string()).value_or(true);
  const std::size_t raja = toimitettava(tiliote, kasvaa);
  const Odotus o = malli(tiliote.substr(0, raja), kohde, a);
  for (int kerta = 1; kerta <= (kahdesti ? 2 : 1); ++kerta) {
    split::PaloitteluTulos t = [&] {
      testi::Lukukoot koot(vuoro);
      return split::paloittele(a, kello);
    }();
    if (ymp.virheet.size() != (o.liianPitka ? 1u : 0u))
      for (const euro::Vikailmoitus& v : ymp.virheet)
        std::fprintf(stderr, "fe_Virhe %d: %s\n", v.numero, euro::ansiUtf8(v.viesti).c_str());
    if (o.liianPitka) {
      VARMISTA(ymp.virheet.size() == 1);
      const euro::Vikailmoitus& v = ymp.virheet[0];
      VARMISTA(v.numero == euro::virhenro::virheellinenNimi && v.kutsurivi == 100 &&
               v.moduuli == "kolvanto" && v.rutiini == "paloittele");
      ymp.virheet.clear();
    }
    VARMISTA(ymp.virheet.empty());
    VARMISTA(t.valmis == !o.liianPitka);
    // What is held back is said, never delivered as if whole (a repeat, a blank key or a
    // series out of step is said too).
    if (raja != tiliote.size() && !o.liianPitka) VARMISTA(!t.katsottavaa.empty());
    VARMISTA(t.kohdehakemisto == kohde);
    VARMISTA(t.yhteenveto.ohitetutRivit == o.ohitetut);
    VARMISTA(t.yhteenveto.tiedostot.size() == o.tiedostot.size());
    for (std::size_t i = 0; i < o.tiedostot.size(); ++i) {
      VARMISTA(t.yhteenveto.tiedostot[i].polku == o.tiedostot[i].polku);
      VARMISTA(t.yhteenveto.tiedostot[i].eria == o.tiedostot[i].eria);
      VARMISTA(t.yhteenveto.tiedostot[i].riveja == o.tiedostot[i].riveja);
    }
  }
  // Only the question whether to make the missing target folder, answered Yes.
  VARMISTA(ymp.viestit.size() == (kohdeOn ? 0u : 1u));

  // Exactly the expected files, each holding its batches in input order, as often as run.
  std::size_t tiedostoja = 0;
  for (const auto& e : fuzz::fs::directory_iterator(ulos)) {
    ++tiedostoja;
    std::string polku = kohde + euro::utf8Ansi(e.path().filename().string());
    auto it = o.sisallot.find(polku);
    VARMISTA(it != o.sisallot.end());
    std::string odotettu = kahdesti ? it->second + it->second : it->second;
    VARMISTA(fuzz::lue(e.path()) == odotettu);
  }
  VARMISTA(tiedostoja == o.sisallot.size());

  // The statement file, once, byte for byte: in its place or archived.
  if (arkistoi) {
    VARMISTA(!fuzz::fs::exists(kansio / "TITO.TXT"));
    // A completed split removes its journal; one that failed leaves it for the next run.
    std::size_t arkistossa = 0, kirjoja = 0;
    for (const auto& e : fuzz::fs::directory_iterator(kansio / "TUODUT")) {
      if (e.path().filename() == "2018-08-21+143005-TITO.TXT.kesken") {
        ++kirjoja;
        continue;
      }
      // The record of where the split ended stays while someone may still write the archive.
      if (e.path().filename() == "2018-08-21+143005-TITO.TXT.jaettu") {
        VARMISTA(kasvaa && !o.liianPitka);
        continue;
      }
      ++arkistossa;
      VARMISTA(e.path().filename() == "2018-08-21+143005-TITO.TXT");
      VARMISTA(fuzz::lue(e.path()) == tiliote);
    }
    VARMISTA(arkistossa == 1);
    VARMISTA(kirjoja == (o.liianPitka ? 1u : 0u));
  } else {
    VARMISTA(fuzz::lue(kansio / "TITO.TXT") == tiliote);
    VARMISTA(!fuzz::fs::exists(kansio / "TUODUT"));
  }
  return 0;
}
