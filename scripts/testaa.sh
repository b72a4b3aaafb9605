#!/usr/bin/env bash
# The test command: installs what is missing, checks that every outside program the build and
# the tests run comes from an installed package the install script names (scripts/tyokalut.sh),
# then configures, builds and runs every test of the three presets (the Windows binaries under
# Wine), tries the packages, and last runs the fuzzers for a bounded time each
# (scripts/fuzzaa.sh, FUZZ_AIKA seconds per harness). Arguments choose the steps:
# linux, sanit, windows, paketti, fuzz, or tyokalut (the tool check alone).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/asenna-riippuvuudet.sh

esiasetukset=(tyokalut linux sanit windows paketti fuzz)
if [[ $# -gt 0 ]]; then esiasetukset=("$@"); fi

export QT_QPA_PLATFORM=offscreen
for p in "${esiasetukset[@]}"; do
  echo "=== $p ==="
  case $p in
    tyokalut) bash scripts/tyokalut.sh ;;
    paketti) bash scripts/testaa-paketti.sh ;;
    fuzz) bash scripts/fuzzaa.sh ;;
    *)
      cmake --preset "$p" >/dev/null
      cmake --build --preset "$p"
      ctest --preset "$p"
      ;;
  esac
done
