#!/usr/bin/env bash
# The test command: installs what is missing, then configures, builds and runs every test of
# the three presets (the Windows binaries under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/asenna-riippuvuudet.sh

esiasetukset=(linux sanit windows)
if [[ $# -gt 0 ]]; then esiasetukset=("$@"); fi

export QT_QPA_PLATFORM=offscreen
for p in "${esiasetukset[@]}"; do
  echo "=== $p ==="
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
  ctest --preset "$p"
done
