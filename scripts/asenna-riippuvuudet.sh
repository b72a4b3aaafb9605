#!/usr/bin/env bash
# Installs what the build and tests need and is missing. Safe to run again.
set -euo pipefail

paketit=(
  build-essential g++ clang cmake ninja-build pkg-config
  googletest libgtest-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-l10n-tools libgl-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64
  xvfb xauth hyperfine poppler-utils imagemagick
  fonts-dejavu-core fonts-liberation2 time dpkg-dev file
  libclang-rt-14-dev
  libexpat1-dev libxml2-utils
  msitools wixl appstream desktop-file-utils
)

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
