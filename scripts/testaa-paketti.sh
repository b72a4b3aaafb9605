#!/usr/bin/env bash
# Makes the packages and tries them: the Debian package unpacked into a scratch root, its
# kolvanto-cli run for its version and a split of the example; the Windows ZIP's kolvanto-cli
# run under Wine, and its kolvanto.exe there beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
juuri="$(pwd)"
raapu="$(mktemp -d)"
trap 'rm -rf "$raapu"' EXIT

(cd build/linux && cpack -G DEB >/dev/null)
deb="$(ls -t build/linux/kolvanto_*.deb | head -1)"
echo "paketti: $deb"
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || { echo "Qt-riippuvuus puuttuu"; exit 1; }
dpkg -x "$deb" "$raapu/juuri"
for f in usr/bin/kolvanto usr/bin/kolvanto-cli usr/share/applications/kolvanto.desktop \
         usr/share/icons/hicolor/scalable/apps/kolvanto.svg usr/share/doc/kolvanto/README.md; do
  [[ -e "$raapu/juuri/$f" ]] || { echo "puuttuu paketista: $f"; exit 1; }
done
"$raapu/juuri/usr/bin/kolvanto-cli" --version | grep -qx "kolvanto-cli 21.8.2018"
mkdir "$raapu/ajo"
cp examples/TITO.TXT "$raapu/ajo/"
(cd "$raapu/ajo" && "$raapu/juuri/usr/bin/kolvanto-cli" --ei-aikaleimaa --kohde ulos --luo-hakemisto TITO.TXT >/dev/null 2>&1)
n="$(ls "$raapu/ajo/ulos" | wc -l)"
[[ "$n" -gt 0 ]] || { echo "paketin kolvanto-cli ei paloitellut"; exit 1; }
echo "deb: kolvanto-cli toimii, $n tiedostoa"

if [[ -d build/windows ]]; then
  (cd build/windows && cpack -G ZIP >/dev/null)
  zip="$(ls -t build/windows/kolvanto-*-windows.zip | head -1)"
  mkdir "$raapu/win"
  (cd "$raapu/win" && python3 -m zipfile -e "$juuri/$zip" .)
  for f in README.txt kolvanto.exe kolvanto-cli.exe; do
    [[ -f "$raapu/win/$f" ]] || { echo "$f puuttuu ZIPistä"; exit 1; }
  done
  "$juuri/scripts/wine-aja.sh" "$raapu/win/kolvanto-cli.exe" --version | tr -d '\r' | grep -qx "kolvanto-cli 21.8.2018"
  echo "zip: $zip, kolvanto.exe mukana, kolvanto-cli.exe toimii Winessä"
fi
