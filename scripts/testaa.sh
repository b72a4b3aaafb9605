#!/usr/bin/env bash
# The test command: installs what is missing, then configures, builds and runs every test of
# the three presets (the Windows binaries under Wine), tries the packages, and last runs the fuzzers for a bounded
# time each (scripts/fuzzaa.sh, FUZZ_AIKA seconds per harness).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/asenna-riippuvuudet.sh

esiasetukset=(linux sanit windows paketti fuzz)
if [[ $# -gt 0 ]]; then esiasetukset=("$@"); fi

export QT_QPA_PLATFORM=offscreen
for p in "${esiasetukset[@]}"; do
  echo "=== $p ==="
  if [[ $p == paketti ]]; then
    bash scripts/testaa-paketti.sh
    continue
  fi
  if [[ $p == fuzz ]]; then
    bash scripts/fuzzaa.sh
    continue
  fi
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
  ctest --preset "$p"
done
