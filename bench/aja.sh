#!/usr/bin/env bash
# Times kolvanto-cli against an awk split and a plain copy of the same 256 MiB cumulative file,
# then measures its peak memory on 256 MiB and on 1 GiB. bench/README.md tells what the
# figures are held against.
set -euo pipefail
cd "$(dirname "$0")/.."
juuri=$PWD
rakennus=$juuri/build/bench
yrityksia=300
siemen=1
ajoja=${AJOJA:-5}

viesti() { echo "aja.sh: $*" >&2; }
kuole() { viesti "VIRHE: $*"; exit 1; }

for ohjelma in cmake ninja hyperfine awk /usr/bin/time; do
  command -v "$ohjelma" >/dev/null || kuole "$ohjelma puuttuu (bash scripts/asenna-riippuvuudet.sh)"
done
[[ -d /dev/shm ]] || kuole "/dev/shm puuttuu"

# Free bytes in /dev/shm.
vapaana() { df --output=avail -B1 /dev/shm | tail -n 1 | tr -d ' '; }
MiB=$((1024 * 1024))

viesti "käännetään (Release) hakemistoon $rakennus"
mkdir -p "$rakennus"
loki=$rakennus/aja-kaannos.log
if ! { cmake -S "$juuri" -B "$rakennus" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKOLVANTO_IKKUNA=OFF -DKOLVANTO_TESTIT=OFF &&
  cmake --build "$rakennus" --target kolvanto-cli tito-generaattori; } >"$loki" 2>&1; then
  tail -n 40 "$loki" >&2
  kuole "käännös epäonnistui, koko loki: $loki"
fi

tyo=/dev/shm/kolvanto-bench-$$
trap 'rm -rf "$tyo"' EXIT
mkdir -p "$tyo/bin"
# kolvanto-cli takes its defaults from a settings file beside itself: a copy in an empty
# folder runs with the built-in ones, whatever lies in the build folder.
cp "$rakennus/bin/kolvanto-cli" "$tyo/bin/"
kolvanto=$tyo/bin/kolvanto-cli
generaattori=$rakennus/bin/tito-generaattori
jakaja=$juuri/bench/awk-jakaja.awk
syote=$tyo/TITO.TXT
ulos=$tyo/ulos

viesti "kolvanto $(git -C "$juuri" describe --always --dirty 2>/dev/null || echo '?')"
awk_ohjelma=$(readlink -f "$(command -v awk)")
viesti "awk = $awk_ohjelma ($(awk -W version 2>&1 | head -n 1))"
viesti "suoritin: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) ydintä"

# Input, the two splits and the copy side by side, with room to spare.
(($(vapaana) > 1200 * MiB)) || kuole "/dev/shm:ssa alle 1200 MiB vapaana: $(($(vapaana) / MiB)) MiB"
"$generaattori" --koko 256M --yrityksia "$yrityksia" --siemen "$siemen" --roskarivit 3 "$syote"

# Timing a wrong answer is worthless: both splits must give the same files, byte for byte.
mkdir "$tyo/a" "$tyo/b"
"$kolvanto" --ei-aikaleimaa --kohde "$tyo/a" "$syote" >/dev/null || kuole "kolvanto-cli päättyi virheeseen"
LC_ALL=C awk -v kohde="$tyo/b" -f "$jakaja" "$syote"
tiedostoja=$(find "$tyo/a" -type f | wc -l)
((tiedostoja > 0)) || kuole "kolvanto-cli ei kirjoittanut yhtään tiedostoa"
if ! diff -r "$tyo/a" "$tyo/b" >"$tyo/erot"; then
  head -n 20 "$tyo/erot" >&2
  kuole "kolvanto-cli ja awk-jakaja kirjoittivat eri tiedostot"
fi
viesti "tarkistus: kolvanto-cli ja awk-jakaja samat, $tiedostoja tiedostoa"
rm -rf "$tyo/a" "$tyo/b"

hyperfine --warmup 1 --runs "$ajoja" --export-csv "$tyo/ajat.csv" \
  --prepare "rm -rf '$ulos' && mkdir '$ulos'" \
  -n kolvanto "'$kolvanto' --ei-aikaleimaa --kohde '$ulos' '$syote'" \
  -n awk "LC_ALL=C awk -v kohde='$ulos' -f '$jakaja' '$syote'" \
  -n cat "cat '$syote' > '$ulos/x'"

# Peak resident memory in KiB, for one fresh run.
huippu() {
  rm -rf "$ulos" && mkdir "$ulos"
  /usr/bin/time -f %M -o "$tyo/rss" "$kolvanto" --ei-aikaleimaa --kohde "$ulos" "$1" >/dev/null
  cat "$tyo/rss"
}
rss256=$(huippu "$syote")
rm -rf "$ulos" "$syote"

rss1g=""
tarve=$((2 * 1024 * MiB + 256 * MiB))
if (($(vapaana) > tarve)); then
  "$generaattori" --koko 1G --yrityksia "$yrityksia" --siemen "$siemen" --roskarivit 3 "$syote"
  rss1g=$(huippu "$syote")
  rm -rf "$ulos" "$syote"
else
  viesti "1 GiB:n muistiajo ohitettu: /dev/shm:ssa $(($(vapaana) / MiB)) MiB, tarvitaan $((tarve / MiB)) MiB"
fi

median() { awk -F, -v n="$1" '$1 == n { print $4 }' "$tyo/ajat.csv"; }
awk -v k="$(median kolvanto)" -v a="$(median awk)" -v c="$(median cat)" \
    -v r256="$rss256" -v r1g="$rss1g" -v ajoja="$ajoja" '
  function tila(ok) { return ok ? "ok" : "TAVOITE EI TÄYTY" }
  BEGIN {
    printf "\nMediaanit, 256 MiB, %d ajoa:\n", ajoja
    printf "  kolvanto-cli  %8.3f s\n  awk-jakaja    %8.3f s\n  cat           %8.3f s\n", k, a, c
    printf "kolvanto/cat   %6.2fx   (tavoite <= 2.0x)   %s\n", k / c, tila(k / c <= 2.0)
    printf "awk/kolvanto   %6.2fx   (tavoite >= 1.8x)   %s\n", a / k, tila(a / k >= 1.8)
    printf "kolvanto-cli, muistin huippu (max RSS):\n"
    printf "  256 MiB  %6d KiB  (tavoite <= 8192 KiB)  %s\n", r256, tila(r256 <= 8192)
    if (r1g == "") printf "  1 GiB    ohitettu\n"
    else printf "  1 GiB    %6d KiB  (tavoite: sama kuin 256 MiB, ero <= 1024 KiB)  %s\n", r1g, tila(r1g <= 8192 && r1g - r256 <= 1024)
  }'
