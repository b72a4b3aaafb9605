#!/usr/bin/env bash
# The main job: installs what is missing, builds kolvanto-cli and splits a statement file.
# Without arguments it splits the bundled example into a fresh folder and lists the files;
# with arguments it passes them to kolvanto-cli.
set -euo pipefail
juuri="$(cd "$(dirname "$0")/.." && pwd)"
cd "$juuri"

bash scripts/asenna-riippuvuudet.sh >&2
cmake --preset linux >/dev/null
cmake --build --preset linux --target kolvanto-cli >&2
cli="$juuri/build/linux/bin/kolvanto-cli"

if [[ $# -gt 0 ]]; then
  exec "$cli" "$@"
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
