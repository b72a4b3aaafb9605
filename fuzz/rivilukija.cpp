// The line reader against the line rules, through buffers and source pieces of every size and
// straight over views of the input, with both rules: the program's own files and the
// statement file. Input: the read sizes' byte, the buffer's size, the largest piece, the text.
#include <algorithm>
#include <cstring>
#include <utility>

#include "euro/rivilukija.h"
#include "fuzztuki.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t koko) {
  const testi::Lukuvuoro vuoro = fuzz::lukuvuoro(data, koko);
  if (koko < 2) return 0;
  const std::size_t puskuri = 1 + data[0] % 32;
  const std::size_t pala = 1 + data[1] % 17;
  const std::string syote(reinterpret_cast<const char*>(data + 2), koko - 2);

  const std::pair<std::size_t, std::size_t> tavat[] = {{puskuri, pala},
                                                       {64 * 1024, syote.size() + 1}};
  for (euro::Rivisaanto saanto : {euro::Rivisaanto::omat, euro::Rivisaanto::tiliote}) {
    const std::vector<std::string> odotettu = fuzz::rivit(syote, saanto == euro::Rivisaanto::tiliote);
    for (const auto& tapa : tavat) {
      const std::size_t k = tapa.second;
      const bool kokonaisin = &tapa != &tavat[0];
      std::size_t kohta = 0;
      testi::Lukuvuoro koot = vuoro;
      // The input in reads of at most k bytes, each of the size the input says (the second
      // way: whole).
      auto lahde = [&](char* b, std::size_t n) {
        std::size_t m = std::min({kokonaisin ? n : koot.koko(n), k, syote.size() - kohta});
        std::memcpy(b, syote.data() + kohta, m);
        kohta += m;
        return m;
      };
      euro::RiviLukija lukija(lahde, tapa.first, saanto);
      std::vector<std::string> saatu;
      std::string rivi;
      while (lukija.lueRivi(rivi)) {
        saatu.push_back(rivi);
        VARMISTA(saatu.size() <= syote.size());
      }
      VARMISTA(saatu == odotettu);
      // The end stays the end.
      VARMISTA(!lukija.lueRivi(rivi) && rivi.empty());

      // The pieces themselves: a line begins with alkaa, CR LF is said only when both bytes
      // follow in the buffer, the pieces make the lines; read through a buffer, and straight
      // from views of the input of at most as many bytes, where a piece's offset is its place.
      auto palat = [&](euro::RiviVirta& virta, std::size_t enintaan, const char* nakymat) {
        std::vector<std::string> saadut;
        bool kesken = false;
        euro::Pala p;
        while (virta.seuraava(p)) {
          VARMISTA(p.alkaa == !kesken);
          VARMISTA(p.koko <= enintaan);
          if (p.alkaa) saadut.emplace_back();
          if (nakymat && p.koko > 0) VARMISTA(virta.kohta(p.data) == static_cast<std::uint64_t>(p.data - nakymat));
          saadut.back().append(p.data, p.koko);
          if (p.loppu == euro::Loppu::crlf) VARMISTA(p.data[p.koko] == '\r' && p.data[p.koko + 1] == '\n');
          kesken = p.loppu == euro::Loppu::jatkuu;
        }
        VARMISTA(!kesken);
        VARMISTA(saadut == odotettu);
      };
      kohta = 0;
      euro::RiviVirta virta(lahde, tapa.first, saanto);
      palat(virta, tapa.first, nullptr);
      kohta = 0;
      euro::RiviVirta nakyma(
          [&]() -> euro::Nakyma {
            const std::size_t m = std::min(tapa.first, syote.size() - kohta);
            const euro::Nakyma n{syote.data() + kohta, m};
            kohta += m;
            return m ? n : euro::Nakyma{nullptr, 0};
          },
          saanto);
      palat(nakyma, tapa.first, syote.data());
    }
  }
  return 0;
}
