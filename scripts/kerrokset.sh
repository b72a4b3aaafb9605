#!/usr/bin/env bash
# The layers of src/ and the rule between them: a file may include headers of its own layer and
# of the layers below it, never of one above. Every file under src/ must belong to a layer. The
# table follows the CMake targets' links (a layer's row names what its target links); a new
# folder needs its row here. Prints each include that runs up and exits 1; 0 when none does.
# A statement format's folder (src/split/<format>/) is read only by itself and the format table.
# The argument is the checkout to look at (default: this one).
set -uo pipefail
juuri="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$juuri" || exit 2

# layer | its files (path prefixes; the first row that matches takes a file) | the layers below it
# that it links
kerrokset=(
  "pohja|src/euro/teksti. src/euro/poikkeus.|"
  "alusta|src/euro/alusta/|pohja"
  "euro|src/euro/|alusta pohja"
  "xml|src/xml/|pohja"
  "split|src/split/|xml euro"
  "settings|src/settings/|split euro"
  "remoteus|src/remoteus/|euro"
  "ikkunat|src/ikkunat/|settings split remoteus euro"
  "cli|src/cli/|settings split euro"
  "qt|src/qt/|ikkunat settings split remoteus euro"
  "win32|src/win32/|ikkunat settings split remoteus euro"
)

find src -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort | while IFS= read -r tiedosto; do
  grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$tiedosto" |
    sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1 \2/' | while read -r rivi otsake; do
      # As the compiler finds it: beside the file first, then from src/.
      if [[ -f "$(dirname "$tiedosto")/$otsake" ]]; then
        echo "$tiedosto $rivi $(realpath -m --relative-to=. "$(dirname "$tiedosto")/$otsake")"
      elif [[ -f "src/$otsake" ]]; then
        echo "$tiedosto $rivi src/$otsake"
      fi
    done
  echo "$tiedosto 0 -"
done | awk -v taulu="$(printf '%s\n' "${kerrokset[@]}")" '
  BEGIN {
    n = split(taulu, rivit, "\n")
    for (i = 1; i <= n; i++) {
      split(rivit[i], o, "|")
      nimi[i] = o[1]; alut[i] = o[2]; alla[o[1]] = o[3]
    }
    # What a layer may reach: the closure of what it links.
    for (i = 1; i <= n; i++) {
      k = nimi[i]; sallittu[k, k] = 1
      jono = alla[k]
      while (jono != "") {
        sub(/^ +/, "", jono)
        if (jono == "") break
        j = jono; sub(/ .*/, "", j); sub(/^[^ ]+/, "", jono)
        if (!((k, j) in sallittu)) { sallittu[k, j] = 1; jono = jono " " alla[j] }
      }
    }
  }
  function kerros(polku,   i, m, a, p) {
    for (i = 1; i <= n; i++) {
      m = split(alut[i], a, " ")
      for (p = 1; p <= m; p++)
        if (index(polku, a[p]) == 1) return nimi[i]
    }
    return ""
  }
  {
    k = kerros($1)
    if (k == "") {
      if ($2 == 0) { print "kerrokset: " $1 ": ei kuulu mihinkään kerrokseen (scripts/kerrokset.sh)"; vika = 1 }
      next
    }
    if ($2 == 0) next
    ok = kerros($3)
    if (ok != "" && !((k, ok) in sallittu)) {
      print "kerrokset: " $1 ":" $2 ": kerros " k " ottaa mukaan ylemmän kerroksen " ok " otsakkeen " $3
      vika = 1
    }
    # A statement format is a folder of its own: its headers are read inside it and by the
    # format table alone, never by shared code or another format.
    if (match($3, /^src\/split\/[^\/]+\//)) {
      kansio = substr($3, 1, RLENGTH)
      if (index($1, kansio) != 1 && $1 != "src/split/muodot.cpp") {
        muoto = kansio; sub(/^src\/split\//, "", muoto); sub(/\/$/, "", muoto)
        print "kerrokset: " $1 ":" $2 ": ottaa mukaan muodon " muoto " otsakkeen " $3 " muodon kansion ulkopuolella"
        vika = 1
      }
    }
  }
  END { exit vika }
'
