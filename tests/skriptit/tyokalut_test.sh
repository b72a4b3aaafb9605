#!/usr/bin/env bash
# The tool check fails, naming the program, when the install list loses the package of a
# program the build or the tests run; with the real list it passes.
set -uo pipefail
cd "$(dirname "$0")/../.."
raapu="$(mktemp -d)"
trap 'rm -rf "$raapu"' EXIT
epaonnistui=0

# package left out of a scratch copy of the list | program the check must name ("" = passes)
tapaukset=(
  "|"
  "librsvg2-bin|rsvg-convert"
  "poppler-utils|pdftotext"
)
for t in "${tapaukset[@]}"; do
  paketti="${t%%|*}" ohjelma="${t#*|}"
  sed -E "s/(^| )$paketti( |$)/\1\2/" scripts/paketit.txt >"$raapu/paketit.txt"
  KOLVANTO_PAKETIT="$raapu/paketit.txt" bash scripts/tyokalut.sh >"$raapu/ulos" 2>&1
  koodi=$?
  if [[ -z $ohjelma ]]; then
    [[ $koodi -eq 0 ]] || { echo "FAIL: täysi lista ei kelpaa:"; cat "$raapu/ulos"; epaonnistui=1; }
  elif [[ $koodi -eq 0 ]] || ! grep -q "^tyokalut: $ohjelma: paketti $paketti " "$raapu/ulos"; then
    echo "FAIL: ilman pakettia $paketti tarkistus ei nimennyt ohjelmaa $ohjelma (koodi $koodi):"
    cat "$raapu/ulos"
    epaonnistui=1
  fi
done
exit $epaonnistui
