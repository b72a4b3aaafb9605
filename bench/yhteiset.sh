# What the benchmark scripts share, sourced by each: the folders, the messages, the check for
# the programs they run and the Release build of the targets they time.
#   nimi: the script's name in its messages (set before sourcing)
set -euo pipefail
# Bytes, not characters: the statement lines are Windows-1252.
export LC_ALL=C
cd "$(dirname "${BASH_SOURCE[0]}")/.."
juuri=$PWD
rakennus=$juuri/build/bench
MiB=$((1024 * 1024))

viesti() { echo "$nimi: $*" >&2; }
kuole() { viesti "VIRHE: $*"; exit 1; }

# The programs the script runs, each there or the script stops.
tarvitse() {
  local ohjelma
  for ohjelma in "$@"; do
    command -v "$ohjelma" >/dev/null || kuole "$ohjelma puuttuu (bash scripts/asenna-riippuvuudet.sh)"
  done
}

# The targets built (Release, without the window and the tests) into $rakennus.
kaanna() {
  viesti "käännetään (Release) hakemistoon $rakennus"
  mkdir -p "$rakennus"
  local loki=$rakennus/${nimi%.sh}-kaannos.log
  if ! { cmake -S "$juuri" -B "$rakennus" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKOLVANTO_IKKUNA=OFF -DKOLVANTO_TESTIT=OFF &&
    cmake --build "$rakennus" --target "$@"; } >"$loki" 2>&1; then
    tail -n 40 "$loki" >&2
    kuole "käännös epäonnistui, koko loki: $loki"
  fi
}
