#!/usr/bin/env bash
# The archiving split's flush rounds and its cost: a 128 MiB cumulative file of 2,000 companies
# split with archiving (the journal) and without, the runs taking turns, on tmpfs (where a flush
# costs next to nothing) and on the disk the build lives on (where each round waits for the
# device); the flush calls counted by strace. bench/README.md tells what the figures are held
# against.
#   AJOJA (default 21) rounds on tmpfs, AJOJA_LEVY (default 9) on the disk
nimi=kestavyys.sh
. "$(dirname "$0")/yhteiset.sh"
ajoja=${AJOJA:-21}
ajojaLevy=${AJOJA_LEVY:-9}

tarvitse cmake ninja strace
(($(df --output=avail -B1 /dev/shm | tail -n 1) > 600 * MiB)) || kuole "/dev/shm:ssa alle 600 MiB vapaana"
(($(df --output=avail -B1 "$juuri/build" | tail -n 1) > 600 * MiB)) || kuole "$juuri/build: alle 600 MiB vapaana"
kaanna kolvanto-cli tito-generaattori

shm=/dev/shm/kolvanto-kestavyys-$$
levy=$rakennus/kestavyys-$$
trap 'rm -rf "$shm" "$levy"' EXIT
viesti "kolvanto $(git -C "$juuri" describe --always --dirty 2>/dev/null || echo '?')"
viesti "levy: $(df --output=source,fstype "$juuri/build" | tail -n 1), kuorma $(cut -d' ' -f1-3 /proc/loadavg)"

# One folder per place: the binary (a copy runs with the built-in settings and keeps its ledger
# beside it), the input and the target.
valmista() {
  mkdir -p "$1/bin"
  cp "$rakennus/bin/kolvanto-cli" "$1/bin/"
  "$rakennus/bin/tito-generaattori" --koko 128M --yrityksia 2000 --siemen 1 "$1/kertyma" >/dev/null
}
valmista "$shm"
# AJOJA_LEVY=0 leaves the disk out (nothing is written there).
((ajojaLevy > 0)) && valmista "$levy"

# Each run delivers the file for the first time: the ledger, the target and the archive go
# before it, and the file is brought back by a hard link.
ajo() {
  local paikka=$1 tapa=$2
  rm -rf "$paikka/ulos" "$paikka/a" "$paikka"/bin/paloitteluhistoria-* "$paikka"/bin/virhelog.txt
  mkdir "$paikka/ulos" "$paikka/a"
  ln "$paikka/kertyma" "$paikka/a/TITO.TXT"
  sync -f "$paikka/kertyma"
}
# Timed to the microsecond: /usr/bin/time gives hundredths, a step of 2% at this length.
aja() {
  local paikka=$1 tapa=$2 nimi=$3 alku loppu tulos=0
  ajo "$paikka" "$tapa"
  alku=${EPOCHREALTIME/[^0-9]/}
  "$paikka/bin/kolvanto-cli" "$tapa" --kohde "$paikka/ulos" "$paikka/a/TITO.TXT" >/dev/null || tulos=$?
  loppu=${EPOCHREALTIME/[^0-9]/}
  ((tulos == 0 || tulos == 3)) || kuole "kolvanto-cli päättyi virheeseen"
  awk -v n="$nimi" -v t="$((loppu - alku))" 'BEGIN { printf "%s %.6f\n", n, t / 1e6 }' >>"$paikka/ajat"
}

# The flush calls of one archiving run; the rounds are the syncfs calls (or, where syncfs is
# refused, the records of the journal).
ajo "$shm" --aikaleima
strace -f -c -o "$shm/strace" -e trace=fsync,fdatasync,syncfs "$shm/bin/kolvanto-cli" --aikaleima \
  --kohde "$shm/ulos" "$shm/a/TITO.TXT" >/dev/null || (($? == 3)) || kuole "kolvanto-cli päättyi virheeseen"
kutsut() { awk -v k="$1" '$NF == k { print $4 }' "$shm/strace" | head -n 1; }
kierroksia=$(kutsut syncfs)
kierroksia=${kierroksia:-0}
fsyncit=$(kutsut fsync)
fdatasyncit=$(kutsut fdatasync)
tiedostoja=$(find "$shm/ulos" -type f | wc -l)

for paikka in "$shm" "$levy"; do
  n=$ajoja
  [[ $paikka == "$levy" ]] && n=$ajojaLevy
  ((n > 0)) || continue
  : >"$paikka/ajat"
  for ((kierros = 0; kierros <= n; kierros++)); do
    ((kierros == 1)) && : >"$paikka/ajat"
    aja "$paikka" --aikaleima arkistoiden
    aja "$paikka" --ei-aikaleimaa paikallaan
  done
done

# The median, the lowest and the highest of a command's times.
luvut() {
  awk -v n="$2" '$1 == n { print $2 }' "$1/ajat" | sort -g |
    awk '{ a[NR] = $1 } END { printf "%.3f %.3f %.3f", (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2), a[1], a[NR] }'
}
# Each round's archiving run against the run in place beside it: the ratios' median and
# quartiles, which a slow moment of the machine moves less than the two medians apart.
suhteet() {
  awk '$1 == "arkistoiden" { a[++n] = $2 } $1 == "paikallaan" { p[++m] = $2 }
       END { for (i = 1; i <= n && i <= m; i++) print a[i] / p[i] }' "$1/ajat" | sort -g |
    awk '{ a[NR] = $1 } END { q = int((NR + 3) / 4); printf "%.3f %.3f %.3f", a[int((NR + 1) / 2)], a[q], a[NR + 1 - q] }'
}
read -r sr srl srh <<<"$(suhteet "$shm")"
read -r sa sal sah <<<"$(luvut "$shm" arkistoiden)"
read -r sp spl sph <<<"$(luvut "$shm" paikallaan)"
la=0 lal=0 lah=0 lp=1 lpl=0 lph=0 lr=0 lrl=0 lrh=0
if ((ajojaLevy > 0)); then
  read -r la lal lah <<<"$(luvut "$levy" arkistoiden)"
  read -r lp lpl lph <<<"$(luvut "$levy" paikallaan)"
  read -r lr lrl lrh <<<"$(suhteet "$levy")"
fi
awk -v k="$kierroksia" -v f="${fsyncit:-0}" -v d="${fdatasyncit:-0}" -v t="$tiedostoja" \
    -v sa="$sa" -v sal="$sal" -v sah="$sah" -v sp="$sp" -v spl="$spl" -v sph="$sph" \
    -v la="$la" -v lal="$lal" -v lah="$lah" -v lp="$lp" -v lpl="$lpl" -v lph="$lph" \
    -v sr="$sr" -v srl="$srl" -v srh="$srh" -v lr="$lr" -v lrl="$lrl" -v lrh="$lrh" \
    -v n="$ajoja" -v nl="$ajojaLevy" '
  function tila(ok) { return ok ? "ok" : "TAVOITE EI TÄYTY" }
  BEGIN {
    printf "\n128 MiB, 2 000 yritystä, %d yritystiedostoa, arkistoiden (päiväkirja):\n", t
    printf "  tallennuskierroksia (syncfs)  %4d   (tavoite <= 12)  %s\n", k, tila(k <= 12)
    printf "  fsync-kutsuja %d, fdatasync-kutsuja %d\n", f, d
    printf "tmpfs, %d vuorottaista kierrosta (mediaani, pienin-suurin):\n", n
    printf "  arkistoiden  %.3f s (%.3f-%.3f)\n", sa, sal, sah
    printf "  paikallaan   %.3f s (%.3f-%.3f)\n", sp, spl, sph
    printf "  arkistoiden/paikallaan %.3fx   (tavoite <= 1.05x)  %s\n", sa / sp, tila(sa / sp <= 1.05)
    printf "  kierroksittain %.3fx, kvartiilit %.3f-%.3fx\n", sr, srl, srh
    if (nl == 0) { print "levy: ohitettu (AJOJA_LEVY=0)"; exit }
    printf "levy, %d vuorottaista kierrosta (mediaani, pienin-suurin; levyllä hajonta on suurta):\n", nl
    printf "  arkistoiden  %.3f s (%.3f-%.3f)\n", la, lal, lah
    printf "  paikallaan   %.3f s (%.3f-%.3f)\n", lp, lpl, lph
    printf "  arkistoiden/paikallaan %.3fx   (ei tavoitetta: kukin kierros odottaa levyä)\n", la / lp
    printf "  kierroksittain %.3fx, kvartiilit %.3f-%.3fx\n", lr, lrl, lrh
  }'
