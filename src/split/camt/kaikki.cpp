// The XML split of a file whose segments the check kept all: each company file decided, opened
// and written once for the run, its closing part cut and written once, and not once for every
// segment that has statements for it. The files and their bytes are those that writing segment
// after segment makes: a group is decided when the file system holds what the groups before it
// wrote, as a later segment's group is.
#include <algorithm>
#include <string>
#include <vector>

#include "split/camt/osittaja.h"

namespace split::camt::sisa {

void Osittaja::jaaKaikki(std::vector<Jakso>& jaksot, const Ohitettavat& ohita, const KirjanOsa* kesken) {
  if (jaksot.empty()) return;
  KaikkiRyhmat k;
  ryhmitaKaikki(jaksot, ohita, k);
  tuottaja_.lataa(jaksot.front().kohta, jaksot.back().loppu);
  kirjoitaKaikki(jaksot, k, kesken ? viimeisteleKaikki(jaksot, k, *kesken) : 0);
  muistaa_ = true;
}

// What a file holds is remembered only for a group of the same name in another form: no other
// looks at it again.
void Osittaja::muistaaRyhman(const KaikkiRyhmat::Koko& kg) { muistaa_ = kg.toisia || kg.toinen != KaikkiRyhmat::loppuu; }

void Osittaja::kirjoitaKaikki(std::vector<Jakso>& jaksot, const KaikkiRyhmat& k, std::size_t g) {
  if (!kirja_) {
    Ratkaisu x;
    for (; g < k.ryhmat.size(); ++g) {
      const KaikkiRyhmat::Koko& kg = k.ryhmat[g];
      const Jakso& j = jaksot[kg.jakso];
      varatut_.clear();
      muistaaRyhman(kg);
      ratkaise(kg.ryhma, j.nimi(kg.ryhma), x);
      kirjoitaRyhma(j, kg.ryhma, x, k.lausunnot(jaksot, kg), false, 0);
    }
    return;
  }
  // Under the journal a record names a segment's bound of files, decided together before any is
  // touched; each record is of the whole [kohta, loppu), and says from which group on.
  KirjanOsa osa;
  osa.kohta = jaksot.front().kohta;
  osa.loppu = jaksot.back().loppu;
  std::vector<Ratkaisu> r;
  // A record even when no file is left to write (every statement passed over): the journal then
  // says the split went to the end.
  for (bool eka = g == 0; g < k.ryhmat.size() || eka; eka = false) {
    r.assign(std::min(tiedostoja_, k.ryhmat.size() - g), Ratkaisu{});
    varatut_.clear();
    for (std::size_t i = 0; i < r.size(); ++i) {
      const KaikkiRyhmat::Koko& kg = k.ryhmat[g + i];
      muistaaRyhman(kg);
      ratkaise(kg.ryhma, jaksot[kg.jakso].nimi(kg.ryhma), r[i]);
    }
    osa.ryhmasta = g;
    julista(osa, r);
    for (std::size_t i = 0; i < r.size(); ++i) {
      const KaikkiRyhmat::Koko& kg = k.ryhmat[g + i];
      muistaaRyhman(kg);
      kirjoitaRyhma(jaksot[kg.jakso], kg.ryhma, r[i], k.lausunnot(jaksot, kg), false, 0);
    }
    tallenna(r);
    g += r.size();
  }
}

// The cut-off record's files, from its group on, each given only what it lacks; returns the
// group after them.
std::size_t Osittaja::viimeisteleKaikki(std::vector<Jakso>& jaksot, const KaikkiRyhmat& k, const KirjanOsa& kesken) {
  const std::uint64_t g = *kesken.ryhmasta;
  if (g > k.ryhmat.size() || kesken.tiedostot.size() > k.ryhmat.size() - g)
    eiVastaa(arkisto_, "jakson tiedostot eivät vastaa arkistoa");
  const std::size_t n = kesken.tiedostot.size();
  std::vector<Ratkaisu> r;
  const std::vector<std::uint64_t> olemassa = kirjasta(kesken, r, [&](std::size_t i) {
    const KaikkiRyhmat::Koko& kg = k.ryhmat[g + i];
    return jaksot[kg.jakso].nimi(kg.ryhma);
  });
  for (std::size_t i = 0; i < n; ++i) {
    const KaikkiRyhmat::Koko& kg = k.ryhmat[g + i];
    const Jakso& j = jaksot[kg.jakso];
    if (olemassa[i] > 0) vertaa(j.dokit[kg.ryhma.dok], r[i], k.lausunnot(jaksot, kg), olemassa[i]);
    muistaaRyhman(kg);
    kirjoitaRyhma(j, kg.ryhma, r[i], k.lausunnot(jaksot, kg), true, olemassa[i]);
  }
  tallenna(r);
  return static_cast<std::size_t>(g) + n;
}

}  // namespace split::camt::sisa
