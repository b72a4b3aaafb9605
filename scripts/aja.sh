#!/usr/bin/env bash
# The main job: installs what is missing and builds. With a display and no arguments it starts
# the window; without a display it splits the bundled example into a fresh folder with
# kolvanto-cli and lists the files; arguments go to kolvanto-cli.
set -euo pipefail
juuri="$(cd "$(dirname "$0")/.." && pwd)"
cd "$juuri"

bash scripts/asenna-riippuvuudet.sh >&2
cmake --preset linux >/dev/null
cmake --build --preset linux --target kolvanto-cli kolvanto >&2
cli="$juuri/build/linux/bin/kolvanto-cli"

if [[ $# -gt 0 ]]; then
  exec "$cli" "$@"
fi
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$juuri/build/linux/bin/kolvanto"
fi

kansio="$(mktemp -d "${TMPDIR:-/tmp}/kolvanto-esimerkki.XXXXXX")"
cp examples/TITO.TXT "$kansio/TITO.TXT"
echo "Esimerkki: $kansio/TITO.TXT"
"$cli" --kohde "$kansio/yritykset" --luo-hakemisto "$kansio/TITO.TXT"
echo
echo "Yrityskohtaiset tiedostot:"
ls -l "$kansio/yritykset"
echo "Arkistoitu:"
ls -l "$kansio/TUODUT"
