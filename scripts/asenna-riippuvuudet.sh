#!/usr/bin/env bash
# Installs what the build and tests need and is missing (the list: scripts/paketit.txt), without
# the packages' recommendations: what the project runs must be named there or be a hard
# dependency of a named package (scripts/tyokalut.sh checks it). Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t paketit < <(sed 's/#.*//' scripts/paketit.txt | tr -s ' \t' '\n\n' | sed '/^$/d')

puuttuvat=()
for p in "${paketit[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    puuttuvat+=("$p")
  fi
done

if ((${#puuttuvat[@]} == 0)); then
  echo "asenna-riippuvuudet: kaikki paketit ovat jo asennettuina"
  exit 0
fi

echo "asenna-riippuvuudet: asennetaan ${puuttuvat[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${puuttuvat[@]}"
