#include "split/paloittele.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string_view>
#include <vector>

#include "euro/ohjelma.h"
#include "euro/polut.h"
#include "euro/rivilukija.h"
#include "euro/teksti.h"
#include "euro/virhe.h"
#include "split/camt.h"
#include "split/nimi.h"

namespace split {

namespace {

constexpr char sep = alusta::erotin;
constexpr std::size_t lukupuskurinOletus = 256 * 1024;
std::size_t lukupuskuri = lukupuskurinOletus;

// Appends the batches' bytes to the current output file: pieces of the read buffer gathered
// into one write, made before the buffer is read over and before the file is closed. It
// knows the file's length at every whole line it has written, so that a failed write, or a
// failure in the middle of a line, never leaves a company's file ending inside a line.
class Kirjoittaja {
 public:
  // pituusTarvitaan: the file's length before the batch is asked for. Otherwise it is not
  // read (one system call per batch less) and a failure reckons it back from the length then.
  void avaa(const std::string& polku, bool pituusTarvitaan) {
    sulje();
    tiedosto_.avaa(polku, alusta::Tila::lisaa);
    alkuTiedossa_ = pituusTarvitaan;
    alku_ = pituusTarvitaan ? tiedosto_.pituus() : 0;
    kirjoitettu_ = 0;
    ehja_ = alku_;
  }

  // The bytes must stay where they are until tyhjenna().
  void lisaa(const char* data, std::size_t n) {
    if (n == 0) return;
    if (!jono_.empty() && jono_.back().data + jono_.back().koko == data) {
      jono_.back().koko += n;
    } else {
      if (jono_.size() == osiaEnintaan) tyhjenna();
      jono_.push_back({data, n});
    }
    jonossa_ += n;
  }

  // What has been given so far ends a line.
  void rivinLoppu() { ehjaJonossa_ = jonossa_; }

  void tyhjenna() {
    if (jono_.empty()) return;
    const std::uint64_t odotettu = alku_ + kirjoitettu_;
    const std::size_t n = jonossa_, ehja = ehjaJonossa_;
    // Emptied also after a failed write: the same bytes must not be written again.
    struct Tyhjaksi {
      Kirjoittaja& k;
      ~Tyhjaksi() {
        k.jono_.clear();
        k.jonossa_ = k.ehjaJonossa_ = 0;
      }
    } tyhjaksi{*this};
    std::uint64_t tehty = 0;
    try {
      tiedosto_.kirjoitaOsat(jono_.data(), jono_.size(), tehty);
    } catch (...) {
      kirjoitettu_ += tehty;
      katkaiseEhjaan();
      throw;
    }
    kirjoitettu_ += n;
    if (ehja > 0) ehja_ = odotettu + ehja;
  }

  void sulje() {
    if (!tiedosto_.onAuki()) return;
    tyhjenna();
    tiedosto_.sulje();
  }

  // After a failure: whole lines still waiting go out, a line left half-written is cut off,
  // and the file is closed.
  void suljeKesken() noexcept {
    if (tiedosto_.onAuki()) {
      try {
        katkaiseJono(ehjaJonossa_);
        tyhjenna();
      } catch (...) {
      }
      katkaiseEhjaan();
    }
    jono_.clear();
    jonossa_ = ehjaJonossa_ = 0;
    tiedosto_.suljeHiljaa();
  }

  std::uint64_t pituusAlussa() const { return alku_; }

 private:
  static constexpr std::size_t osiaEnintaan = 512;

  // Cuts off what this file got past its last whole line. With the length at opening known,
  // only when the length shows nothing but this run's bytes since; without it, whatever
  // lies past the last whole line is taken for this run's own bytes.
  void katkaiseEhjaan() noexcept {
    if (alku_ + kirjoitettu_ == ehja_) return;
    if (alkuTiedossa_) {
      tiedosto_.katkaiseJos(alku_ + kirjoitettu_, ehja_);
    } else {
      try {
        const std::uint64_t nyt = tiedosto_.pituus();
        const std::uint64_t omat = kirjoitettu_ - ehja_;
        if (nyt >= kirjoitettu_) tiedosto_.katkaiseJos(nyt, nyt - omat);
      } catch (...) {
      }
    }
    // Tried once: a second try must not cut again.
    kirjoitettu_ = ehja_ - alku_;
  }

  void katkaiseJono(std::size_t n) {
    while (jonossa_ > n) {
      alusta::Osa& o = jono_.back();
      const std::size_t pois = std::min(o.koko, jonossa_ - n);
      o.koko -= pois;
      jonossa_ -= pois;
      if (o.koko == 0) jono_.pop_back();
    }
  }

  alusta::Tiedosto tiedosto_;
  std::vector<alusta::Osa> jono_;
  std::size_t jonossa_ = 0;
  std::size_t ehjaJonossa_ = 0;  // the waiting bytes up to the end of the last whole line
  std::uint64_t alku_ = 0;         // the file's length when opened
  std::uint64_t kirjoitettu_ = 0;  // written since
  std::uint64_t ehja_ = 0;         // the file's length after the last whole line written
  bool alkuTiedossa_ = false;      // alku_ was read; otherwise the lengths count from 0
};

// The summary's files by path: hashes in a small open-addressing table, which stays in the
// cache while tens of thousands of batches go by.
class Tiedostohaku {
 public:
  static constexpr std::size_t eiLoydy = static_cast<std::size_t>(-1);

  // The file's index in tiedostot, or eiLoydy; remembers where a new one would go.
  std::size_t hae(const std::vector<TiedostonYhteenveto>& tiedostot, const std::string& polku) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : polku) h = (h ^ c) * 1099511628211ull;
    h |= 1;  // 0 marks a free place
    std::size_t i = h & (koko - 1);
    while (tiivisteet_[i] != 0) {
      if (tiivisteet_[i] == h && tiedostot[indeksit_[i]].polku == polku) return indeksit_[i];
      i = (i + 1) & (koko - 1);
    }
    vapaa_ = i;
    tiiviste_ = h;
    return eiLoydy;
  }
  // Puts the path last looked for, and not found, at index i.
  void lisaa(std::size_t i) {
    tiivisteet_[vapaa_] = tiiviste_;
    indeksit_[vapaa_] = static_cast<std::uint32_t>(i);
  }

 private:
  static constexpr std::size_t koko = 4096;  // over twice the files the summary keeps
  static_assert(koko > 2 * Yhteenveto::tiedostoraja);
  std::vector<std::uint64_t> tiivisteet_ = std::vector<std::uint64_t>(koko);
  std::vector<std::uint32_t> indeksit_ = std::vector<std::uint32_t>(koko);
  std::size_t vapaa_ = 0;
  std::uint64_t tiiviste_ = 0;
};

const char crlf[] = "\r\n";

bool onT00(const char* d, std::size_t n) { return n >= 3 && d[0] == 'T' && d[1] == '0' && d[2] == '0'; }

const std::string otsikkoEiTehty = "PALOITTELUA EI TEHTY";
const std::string otsikkoEiLuoda = "EI PALOITELTU, HAKEMISTOA EI VOI LUODA";


// The journal of a split that archives, TUODUT/<archive>.kesken: all that the rest of the
// split needs, so that it finishes the same way whatever the window's values are by then, and
// where it stands. Text lines, CR LF; values with "%", CR or LF keep them as %25, %0D, %0A.
// The position is a fixed-width block at the end, brought up to date in place.
struct KirjanSisalto {
  std::string arkisto;  // the archive's file name, in the journal's folder
  std::string kohde;    // the target directory, ending with the separator
  std::string alkuosa, loppuosa;
  int tunniste = 0;     // PaloitteluAsetukset::Tunniste
  std::string posAlku, posLoppu;
  std::uint64_t kohta = 0;   // the offset in the archive of the batch being written
  std::string tiedosto;      // the file it goes to (name in kohde); empty before the first batch
  std::uint64_t pituus = 0;  // that file's length before the batch
  bool valmis = false;       // completed: only its removal was left
};

const char kirjanTunnus[] = "KOLVANTO-KESKEN 1";
constexpr std::size_t nimenLeveys = 255;  // no file system takes a longer name

std::string koodaa(std::string_view s) {
  std::string t;
  for (char c : s) {
    if (c == '%') t += "%25";
    else if (c == '\r') t += "%0D";
    else if (c == '\n') t += "%0A";
    else t += c;
  }
  return t;
}

std::string pura(std::string_view s) {
  std::string t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const std::string_view h = s.substr(i + 1, 2);
      if (h == "25") t += '%';
      else if (h == "0D") t += '\r';
      else if (h == "0A") t += '\n';
      else euro::heitaVirhe(euro::virhenro::kayttovirhe);
      i += 2;
    } else if (s[i] == '%') {
      euro::heitaVirhe(euro::virhenro::kayttovirhe);
    } else {
      t += s[i];
    }
  }
  return t;
}

class Paivakirja {
 public:
  // A new journal, locked. Written under a passing name and given its own only when whole,
  // so that no other run ever takes up a half-written one.
  void luo(const std::string& polku, const KirjanSisalto& s) {
    const std::string uusi = polku + ".uusi";
    tiedosto_.avaa(uusi, alusta::Tila::paivita);
    if (!tiedosto_.lukitse()) euro::heitaVirhe(euro::virhenro::lupaEvatty, uusi);
    tiedosto_.katkaise(0);
    std::string otsikko = std::string(kirjanTunnus) + "\r\narkisto = " + koodaa(s.arkisto) +
                          "\r\nkohde = " + koodaa(s.kohde) + "\r\nalkuosa = " + koodaa(s.alkuosa) +
                          "\r\nloppuosa = " + koodaa(s.loppuosa) +
                          "\r\ntunniste = " + std::to_string(s.tunniste) +
                          "\r\nposalku = " + koodaa(s.posAlku) + "\r\nposloppu = " + koodaa(s.posLoppu) +
                          "\r\n";
    kohdanAlku_ = otsikko.size();
    otsikko += kohtaTeksti(0, "", 0, false);
    tiedosto_.kirjoitaKohtaan(0, otsikko.data(), otsikko.size());
    alusta::nimeaUudelleen(uusi, polku);
    polku_ = polku;
  }

  // A journal left by another run, if no live split holds it (false when one does). Throws
  // when it cannot be read as a journal.
  bool avaa(const std::string& polku, KirjanSisalto& s) {
    tiedosto_.avaa(polku, alusta::Tila::paivita);
    if (!tiedosto_.lukitse()) {
      tiedosto_.suljeHiljaa();
      return false;
    }
    polku_ = polku;
    std::string sisalto;
    char b[4096];
    while (std::size_t n = tiedosto_.lue(b, sizeof b)) {
      sisalto.append(b, n);
      if (sisalto.size() > 256 * 1024) euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
    }
    std::vector<std::string_view> rivit;
    std::string_view loput = sisalto;
    while (!loput.empty()) {
      const auto p = loput.find("\r\n");
      if (p == std::string_view::npos) euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
      rivit.push_back(loput.substr(0, p));
      loput.remove_prefix(p + 2);
    }
    auto arvo = [&](std::size_t i, std::string_view avain) -> std::string_view {
      const std::string alku = std::string(avain) + " = ";
      if (i >= rivit.size() || rivit[i].substr(0, alku.size()) != alku)
        euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
      return rivit[i].substr(alku.size());
    };
    auto luku = [&](std::string_view t) {
      std::uint64_t v = 0;
      if (t.empty() || t.size() > 20) euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
      for (char c : t) {
        if (c < '0' || c > '9') euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
      }
      return v;
    };
    if (rivit.size() != 12 || rivit[0] != kirjanTunnus) euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
    s.arkisto = pura(arvo(1, "arkisto"));
    s.kohde = pura(arvo(2, "kohde"));
    s.alkuosa = pura(arvo(3, "alkuosa"));
    s.loppuosa = pura(arvo(4, "loppuosa"));
    s.tunniste = static_cast<int>(luku(arvo(5, "tunniste")));
    s.posAlku = pura(arvo(6, "posalku"));
    s.posLoppu = pura(arvo(7, "posloppu"));
    kohdanAlku_ = static_cast<std::size_t>(rivit[8].data() - sisalto.data());
    s.kohta = luku(arvo(8, "kohta"));
    s.pituus = luku(arvo(9, "pituus"));
    const std::string_view t = arvo(10, "tiedosto");
    if (t.size() != 5 + nimenLeveys || t[4] != ' ') euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
    const std::uint64_t n = luku(t.substr(0, 4));
    if (n > nimenLeveys || s.tunniste < 0 || s.tunniste > 3 || s.arkisto.empty())
      euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
    s.tiedosto = std::string(t.substr(5, static_cast<std::size_t>(n)));
    const std::string_view tila = arvo(11, "tila");
    if (tila != "K" && tila != "V") euro::heitaVirhe(euro::virhenro::kayttovirhe, polku);
    s.valmis = tila == "V";
    return true;
  }

  // At every T00 line, before the batch's first byte: one write in place, no flush.
  void paivita(std::uint64_t kohta, const std::string& tiedosto, std::uint64_t pituus) {
    kohta_ = kohtaTeksti(kohta, tiedosto, pituus, false);
    tiedosto_.kirjoitaKohtaan(kohdanAlku_, kohta_.data(), kohta_.size());
  }

  // The split is complete: marked so before the journal is removed, for a run that opened it
  // just before and takes its lock when it is let go.
  void valmis() {
    const std::string v = "V";
    tiedosto_.kirjoitaKohtaan(kohdanAlku_ + kohtaPituus() - 3, v.data(), 1);
    alusta::poistaTiedosto(polku_);
    tiedosto_.sulje();
  }

  // Leaves the journal for the next run; the lock goes with the file.
  void sulje() noexcept { tiedosto_.suljeHiljaa(); }

 private:
  static std::size_t kohtaPituus() { return kohtaTeksti(0, "", 0, false).size(); }

  static std::string kohtaTeksti(std::uint64_t kohta, const std::string& tiedosto, std::uint64_t pituus,
                                 bool valmis) {
    if (tiedosto.size() > nimenLeveys) euro::heitaVirhe(euro::virhenro::virheellinenNimi, tiedosto);
    char b[128];
    std::snprintf(b, sizeof b, "kohta = %020llu\r\npituus = %020llu\r\ntiedosto = %04u ",
                  static_cast<unsigned long long>(kohta), static_cast<unsigned long long>(pituus),
                  static_cast<unsigned>(tiedosto.size()));
    std::string t = b;
    t += tiedosto;
    t.append(nimenLeveys - tiedosto.size(), ' ');
    t += valmis ? "\r\ntila = V\r\n" : "\r\ntila = K\r\n";
    return t;
  }

  alusta::Tiedosto tiedosto_;
  std::string polku_;
  std::uint64_t kohdanAlku_ = 0;
  std::string kohta_;
};

// One pass of the split over the statement file from offset alku (the start, or a batch's
// T00 line): every batch appended to its company's file, the journal, if any, kept up to date.
void jaa(alusta::Tiedosto& syote, std::uint64_t alku, const std::string& kohde,
         const PaloitteluAsetukset& a, std::int32_t posAlku, std::int32_t posLoppu,
         Paivakirja* kirja, Kirjoittaja& tuloste, Yhteenveto& y) {
  euro::RiviVirta virta([&](char* b, std::size_t n) { return syote.lue(b, n); }, lukupuskuri,
                        euro::Rivisaanto::tiliote, alku);
  NimenMuodostaja nimet(a, posAlku, posLoppu);
  const std::size_t tarve = nimet.tarve();
  Tiedostohaku haku;
  TiedostonYhteenveto* nykyinen = nullptr;
  std::string kohdepolku;

  // A T00 line opens its company's file: the name reads only the line's first bytes.
  auto aloitaEra = [&](std::string_view paa, std::uint64_t kohta) {
    const std::string& nimi = nimet.nimi(paa);
    kohdepolku.assign(kohde).append(nimi);
    if (alusta::onLaitenimi(nimi) || alusta::vaihtaaNimen(nimi))
      euro::heitaVirhe(euro::virhenro::virheellinenNimi, kohdepolku);
    tuloste.avaa(kohdepolku, kirja != nullptr);
    if (kirja) kirja->paivita(kohta, nimi, tuloste.pituusAlussa());
    const std::size_t i = haku.hae(y.tiedostot, kohdepolku);
    if (i != Tiedostohaku::eiLoydy) {
      nykyinen = &y.tiedostot[i];
    } else if (y.tiedostot.size() < Yhteenveto::tiedostoraja) {
      haku.lisaa(y.tiedostot.size());
      y.tiedostot.push_back({kohdepolku, 0, 0});
      nykyinen = &y.tiedostot.back();
    } else {
      nykyinen = &y.muut;
    }
    ++nykyinen->eria;
  };

  // Lines pass from the read buffer to the output in pieces. Only the beginning of a line
  // whose first piece is too short to tell whether it is a T00 line, or to name its file,
  // is copied aside (paa), and no further than the name reads.
  std::string paa;
  std::uint64_t paanKohta = 0;
  bool kerataan = false;
  euro::Pala p;
  while (virta.seuraava(p)) {
    const char* d = p.data;
    std::size_t n = p.koko;
    if (p.alkaa) {
      if (n >= 3 && !onT00(d, n)) {
        // an ordinary line
      } else if (n >= tarve || p.loppu != euro::Loppu::jatkuu) {
        if (onT00(d, n)) aloitaEra(std::string_view(d, std::min(n, tarve)), virta.kohta(d));
      } else {
        paa.assign(d, n);
        paanKohta = virta.kohta(d);
        kerataan = true;
        n = 0;
      }
    } else if (kerataan) {
      const std::size_t m = std::min(n, tarve - paa.size());
      paa.append(d, m);
      d += m;
      n -= m;
    }
    if (kerataan) {
      const bool t00 = onT00(paa.data(), paa.size());
      if ((paa.size() >= 3 && !t00) || paa.size() >= tarve || p.loppu != euro::Loppu::jatkuu) {
        kerataan = false;
        if (t00) aloitaEra(paa, paanKohta);
        if (nykyinen) {
          tuloste.lisaa(paa.data(), paa.size());
          tuloste.tyhjenna();  // paa is used again for the next line
        }
      } else {
        if (p.puskuriLoppui) tuloste.tyhjenna();
        continue;
      }
    }
    if (nykyinen) {
      if (p.loppu == euro::Loppu::crlf) {
        tuloste.lisaa(d, n + 2);
      } else {
        tuloste.lisaa(d, n);
        if (p.loppu == euro::Loppu::muu) tuloste.lisaa(crlf, 2);
      }
      if (p.loppu != euro::Loppu::jatkuu) {
        tuloste.rivinLoppu();
        ++nykyinen->riveja;
      }
    } else if (p.loppu != euro::Loppu::jatkuu) {
      ++y.ohitetutRivit;
    }
    if (p.puskuriLoppui) tuloste.tyhjenna();
  }
}

}  // namespace

void asetaLukupuskurinKoko(std::size_t koko) { lukupuskuri = koko ? koko : lukupuskurinOletus; }

std::string aikaleima(const alusta::Aika& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d+%02d%02d%02d-", t.vuosi, t.kuukausi, t.paiva, t.tunti,
                t.minuutti, t.sekunti);
  return b;
}

std::vector<Viimeistelty> viimeisteleKeskeneraiset(const std::string& tilioteKansio) {
  std::vector<Viimeistelty> tulos;
  const std::string tuodut = tilioteKansio + sep + "TUODUT";
  for (const std::string& nimi : alusta::tiedostot(tuodut, ".kesken")) {
    const std::string polku = tuodut + sep + nimi;
    Paivakirja kirja;
    KirjanSisalto s;
    alusta::Tiedosto syote;
    Kirjoittaja tuloste;
    try {
      if (!kirja.avaa(polku, s)) continue;  // a live split holds it
      if (s.valmis) {
        kirja.valmis();
        continue;
      }
      const std::string arkisto = tuodut + sep + s.arkisto;
      if (!alusta::onkoTavallinenTiedosto(arkisto)) euro::heitaVirhe(euro::virhenro::tiedostoaEiLoydy, arkisto);
      PaloitteluAsetukset b;
      b.txtNimenAlkuosa = s.alkuosa;
      b.txtNimenLoppuosa = s.loppuosa;
      b.optAsiakastunnus = s.tunniste == 0;
      b.optTilinumero = s.tunniste == 1;
      b.optTilinomistajanNimi = s.tunniste == 2;
      b.optPositiot = s.tunniste == 3;
      b.txtPosAlku = s.posAlku;
      b.txtPosLoppu = s.posLoppu;
      if (camt::onXml(arkisto)) {
        const camt::Kirjanpito kp{arkisto + ".kesken.xml", [&](std::uint64_t k) { kirja.paivita(k, "", 0); }};
        const std::int64_t lausuntoja = camt::viimeistele(arkisto, s.kohde, b, s.kohta, kp);
        kirja.valmis();
        tulos.push_back({arkisto, lausuntoja});
        continue;
      }
      std::int32_t posAlku = 0, posLoppu = 0;
      asetapos(b, posAlku, posLoppu);
      // Only bytes of the cut-off batch lie past the recorded length.
      if (!s.tiedosto.empty()) {
        alusta::Tiedosto kesken(s.kohde + s.tiedosto, alusta::Tila::paivita);
        if (kesken.pituus() > s.pituus) kesken.katkaise(s.pituus);
        kesken.sulje();
      }
      syote.avaa(arkisto, alusta::Tila::lue);
      syote.siirry(s.kohta);
      Yhteenveto y;
      jaa(syote, s.kohta, s.kohde, b, posAlku, posLoppu, &kirja, tuloste, y);
      tuloste.sulje();
      syote.sulje();
      kirja.valmis();
      std::int64_t eria = y.muut.eria;
      for (const auto& t : y.tiedostot) eria += t.eria;
      tulos.push_back({arkisto, eria});
    } catch (...) {
      const euro::Virhe v = euro::nykyinenVirhe();
      tuloste.suljeKesken();
      syote.suljeHiljaa();
      kirja.sulje();
      euro::fe_Virhe(euro::Virhe(v.numero(), v.viesti() + " (" + polku + ")"), euro::paikka::paloittele);
    }
  }
  return tulos;
}

PaloitteluTulos paloittele(const PaloitteluAsetukset& a, const Kello& kello) {
  using euro::ansi;
  PaloitteluTulos tulos;
  // Before its own checks: the statement file's folder may hold journals of cut-off splits.
  if (!a.txtPaloiteltavaTiedosto.empty())
    tulos.viimeistellyt = viimeisteleKeskeneraiset(euro::fe_PaljasHakemisto(a.txtPaloiteltavaTiedosto));
  alusta::Tiedosto syote;
  Kirjoittaja tuloste;
  Paivakirja kirja;
  try {
    std::string polku = a.txtPaloiteltavaTiedosto;
    if (!euro::fe_OnkoTiedosto(polku)) {
      euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei löydy"), otsikkoEiTehty, euro::tyyli::ok);
      return tulos;
    }
    if (polku.find(std::string(2, sep)) != std::string::npos) {
      euro::viesti(ansi("Paloittelua ei voi tehdä, koska tiedostonimessä ") + polku +
                       ansi(" on UNC polku tyyliin \\\\SERVERI... -> käytä levyasematunnusta, esim T:"),
                   "", euro::tyyli::ok);
      return tulos;
    }

    std::string kohde;
    if (euro::trimmaa(a.txtTallennusHakemisto).empty()) {
      kohde = euro::fe_PaljasHakemisto(polku) + sep;
    } else {
      kohde = a.txtTallennusHakemisto;
      if (kohde.empty() || kohde.back() != sep) kohde += sep;
      if (!euro::fe_OnkoHakemisto(kohde)) {
        int v = euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei löydy, luodaanko se? "),
                             "LUODAANKO HAKEMISTO", euro::tyyli::kyllaEiKysymys);
        if (v != euro::vastaus::kylla) {
          euro::viesti(ansi("Hakemistoa ") + kohde + ansi(" ei tehty"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
        if (!euro::fe_LuoHakemisto(kohde)) {
          euro::viesti(ansi("Hakemiston ") + kohde + ansi(" luominen ei onnistunut"), otsikkoEiLuoda,
                       euro::tyyli::okKriittinen);
          return tulos;
        }
      }
    }
    tulos.kohdehakemisto = kohde;

    // XML statements are checked whole before the file is archived or anything is written.
    const bool xml = camt::onXml(polku);
    std::uint64_t xmlPituus = 0;
    if (xml) {
      const std::string syy = camt::tarkista(polku, a, &xmlPituus);
      if (!syy.empty()) {
        euro::viesti(ansi("Tiedostoa ") + polku + ansi(" ei paloiteltu: ") + syy, otsikkoEiTehty, euro::tyyli::ok);
        return tulos;
      }
    }

    if (a.chkAikaleimaaPaloiteltava) {
      std::string arkistonimi = aikaleima(kello()) + euro::fe_PaljasTiedosto(polku);
      std::string arkisto = euro::fe_PaljasHakemisto(polku) + sep + "TUODUT";
      if (!euro::fe_OnkoHakemisto(arkisto)) {
        std::string luotava = arkisto;
        if (!euro::fe_LuoHakemisto(luotava)) {
          euro::viesti(ansi("Hakemiston ") + arkisto + ansi(" luominen ei onnistunut"),
                       otsikkoEiLuoda, euro::tyyli::ok);
          return tulos;
        }
      }
      std::string uusi = arkisto + sep + arkistonimi;
      alusta::nimeaUudelleen(polku, uusi);
      polku = uusi;
      tulos.yhteenveto.arkistoitu = uusi;
    }

    if (kohde.empty() || kohde.back() != sep) kohde += sep;
    tulos.kohdehakemisto = kohde;

    // From the archive on, a cut-off split is finished by the next run.
    if (a.chkAikaleimaaPaloiteltava) {
      KirjanSisalto s;
      s.arkisto = euro::fe_PaljasTiedosto(polku);
      s.kohde = kohde;
      s.alkuosa = a.txtNimenAlkuosa;
      s.loppuosa = a.txtNimenLoppuosa;
      s.tunniste = a.optAsiakastunnus ? 0 : a.optTilinumero ? 1 : a.optTilinomistajanNimi ? 2 : a.optPositiot ? 3 : -1;
      s.posAlku = a.txtPosAlku;
      s.posLoppu = a.txtPosLoppu;
      kirja.luo(polku + ".kesken", s);
    }

    if (xml) {
      const camt::Kirjanpito kp{polku + ".kesken.xml", [&](std::uint64_t k) { kirja.paivita(k, "", 0); }};
      camt::jaa(polku, kohde, a, tulos.yhteenveto, xmlPituus, a.chkAikaleimaaPaloiteltava ? &kp : nullptr);
    } else {
      std::int32_t posAlku = 0, posLoppu = 0;
      asetapos(a, posAlku, posLoppu);

      syote.avaa(polku, alusta::Tila::lue);
      jaa(syote, 0, kohde, a, posAlku, posLoppu, a.chkAikaleimaaPaloiteltava ? &kirja : nullptr, tuloste,
          tulos.yhteenveto);
      tuloste.sulje();
      syote.sulje();
    }
    if (a.chkAikaleimaaPaloiteltava) kirja.valmis();
    tulos.valmis = true;
  } catch (...) {
    euro::Virhe virhe = euro::nykyinenVirhe();
    // Whole lines already read still go out, as they would have line by line.
    tuloste.suljeKesken();
    syote.suljeHiljaa();
    kirja.sulje();
    euro::fe_Virhe(virhe, euro::paikka::paloittele);
    tulos.valmis = false;
  }
  return tulos;
}

}  // namespace split
