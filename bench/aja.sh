#!/usr/bin/env bash
# Times kolvanto-cli against the split's floor (bench/lattia.cpp), an awk split and a plain
# copy of the same 256 MiB cumulative file, in one hyperfine run, then measures its peak
# memory on four inputs. bench/README.md tells what the figures are held against.
#   VERTAA=/path/to/another/kolvanto-cli  also times that build beside this one
nimi=aja.sh
. "$(dirname "$0")/yhteiset.sh"
yrityksia=300
siemen=1
ajoja=${AJOJA:-5}
vertaa=${VERTAA:-}

tarvitse cmake ninja hyperfine awk /usr/bin/time
[[ -d /dev/shm ]] || kuole "/dev/shm puuttuu"
[[ -z $vertaa || -x $vertaa ]] || kuole "VERTAA=$vertaa ei ole ajettava ohjelma"

# Free bytes in /dev/shm.
vapaana() { df --output=avail -B1 /dev/shm | tail -n 1 | tr -d ' '; }

kaanna kolvanto-cli tito-generaattori lattia

tyo=/dev/shm/kolvanto-bench-$$
trap 'rm -rf "$tyo"' EXIT
mkdir -p "$tyo/bin" "$tyo/vanha"
# kolvanto-cli takes its defaults from a settings file beside itself: a copy in an empty
# folder runs with the built-in ones, whatever lies in the build folder.
cp "$rakennus/bin/kolvanto-cli" "$tyo/bin/"
kolvanto=$tyo/bin/kolvanto-cli
if [[ -n $vertaa ]]; then
  cp "$vertaa" "$tyo/vanha/kolvanto-cli"
  vertaa=$tyo/vanha/kolvanto-cli
fi
generaattori=$rakennus/bin/tito-generaattori
lattia=$rakennus/bin/lattia
jakaja=$juuri/bench/awk-jakaja.awk
syote=$tyo/TITO.TXT
ulos=$tyo/ulos

viesti "kolvanto $(git -C "$juuri" describe --always --dirty 2>/dev/null || echo '?')"
awk_ohjelma=$(readlink -f "$(command -v awk)")
viesti "awk = $awk_ohjelma ($(awk -W version 2>&1 | head -n 1))"
viesti "suoritin: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) ydintä, kuorma $(cut -d' ' -f1-3 /proc/loadavg)"

# Input, the splits and the copy side by side, with room to spare.
(($(vapaana) > 1200 * MiB)) || kuole "/dev/shm:ssa alle 1200 MiB vapaana: $(($(vapaana) / MiB)) MiB"
"$generaattori" --koko 256M --yrityksia "$yrityksia" --siemen "$siemen" --roskarivit 3 "$syote"

# Every run delivers the file for the first time: the ledger beside the copy (its history in
# its data directory) goes before each, or the same statements would be passed over as
# delivered.
# Timing a wrong answer is worthless: every split must give the same files, byte for byte.
mkdir "$tyo/a" "$tyo/b" "$tyo/c"
"$kolvanto" --ei-aikaleimaa --kohde "$tyo/a" "$syote" >/dev/null || kuole "kolvanto-cli päättyi virheeseen"
LC_ALL=C awk -v kohde="$tyo/b" -f "$jakaja" "$syote"
"$lattia" "$syote" "$tyo/c"
tiedostoja=$(find "$tyo/a" -type f | wc -l)
((tiedostoja > 0)) || kuole "kolvanto-cli ei kirjoittanut yhtään tiedostoa"
for toinen in b:awk-jakaja c:lattia; do
  if ! diff -r "$tyo/a" "$tyo/${toinen%%:*}" >"$tyo/erot"; then
    head -n 20 "$tyo/erot" >&2
    kuole "kolvanto-cli ja ${toinen#*:} kirjoittivat eri tiedostot"
  fi
done
if [[ -n $vertaa ]]; then
  mkdir "$tyo/d"
  "$vertaa" --ei-aikaleimaa --kohde "$tyo/d" "$syote" >/dev/null || kuole "VERTAA päättyi virheeseen"
  diff -r "$tyo/a" "$tyo/d" >/dev/null || kuole "kolvanto-cli ja VERTAA kirjoittivat eri tiedostot"
fi
viesti "tarkistus: kolvanto-cli, lattia ja awk-jakaja samat, $tiedostoja tiedostoa"
rm -rf "$tyo/a" "$tyo/b" "$tyo/c" "$tyo/d"

# With archiving the statement file moves into TUODUT and the split keeps its journal there:
# a hard link brings the file back before every run.
ln "$syote" "$tyo/TITO.alkup"
komennot=(-n kolvanto "'$kolvanto' --ei-aikaleimaa --kohde '$ulos' '$syote'"
  -n lattia "'$lattia' '$syote' '$ulos'"
  -n arkistoiden "'$kolvanto' --aikaleima --kohde '$ulos' '$syote'")
[[ -z $vertaa ]] || komennot+=(-n vertaa "'$vertaa' --ei-aikaleimaa --kohde '$ulos' '$syote'"
  -n vertaa-arkistoiden "'$vertaa' --aikaleima --kohde '$ulos' '$syote'")
komennot+=(-n awk "LC_ALL=C awk -v kohde='$ulos' -f '$jakaja' '$syote'"
  -n cat "cat '$syote' > '$ulos/x'")
hyperfine --warmup 1 --runs "$ajoja" --export-csv "$tyo/ajat.csv" \
  --prepare "rm -rf '$ulos' '$tyo/TUODUT' '$tyo'/bin/paloitteluhistoria-* '$tyo'/vanha/paloitteluhistoria-* && mkdir '$ulos' && ln -f '$tyo/TITO.alkup' '$syote'" \
  "${komennot[@]}"
rm -f "$tyo/TITO.alkup"

# Peak resident memory in KiB, for one fresh run.
# The peak of one run of file $1 into the target as it stands ($2: how it archives).
mittaa() {
  # Exit 3 (delivered, something to look at: the hostile inputs' repeated statement numbers)
  # is a run like any other here; time(1) then writes a line before the figure.
  /usr/bin/time -f %M -o "$tyo/rss" "$kolvanto" "${2:---ei-aikaleimaa}" --kohde "$ulos" "$1" >/dev/null || (($? == 3))
  tail -n 1 "$tyo/rss"
}
huippu() {
  rm -rf "$ulos" "$tyo/TUODUT" "$tyo"/bin/paloitteluhistoria-* && mkdir "$ulos"
  mittaa "$@"
}
rss256=$(huippu "$syote")
# The generator's first T00 line, without its end, opens the hostile inputs below: all that
# follows it goes to that company's file.
t00=$(grep -a -m1 '^T00' "$syote" | tr -d '\r\n')
# The same file archived: the journal's split with its window and tables.
rss256a=$(huippu "$syote" --aikaleima)
rm -rf "$ulos" "$syote" "$tyo/TUODUT"

# As many accounts as batches (about 64,000): the ledger's series go past what the check keeps
# at once, and it reads the file again by parts.
"$generaattori" --koko 256M --yrityksia 100000 --siemen "$siemen" "$syote"
rssTilit=$(huippu "$syote")
rssTilitA=$(huippu "$syote" --aikaleima)
# The same companies' next files into the target those left (about 48,000 files): a day's run
# of an office of very many companies, the target walked once and its names kept in a bounded
# table.
taydessa() {
  rm -rf "$tyo/TUODUT" "$tyo"/bin/paloitteluhistoria-*
  "$generaattori" --koko 256M --yrityksia 100000 --siemen "$1" "$syote" >/dev/null
  mittaa "$syote" "$2"
}
kohteessa=$(find "$ulos" -type f | wc -l)
rssTaysi=$(taydessa $((siemen + 1)) --ei-aikaleimaa)
rssTaysiA=$(taydessa $((siemen + 2)) --aikaleima)
rm -rf "$ulos" "$syote" "$tyo/TUODUT"

# Lines of 64 MiB each: a T00 line, two ordinary lines, a second company's T00 line.
mjono() { head -c "$1" /dev/zero | tr '\0' M; }
{
  printf '%s' "$t00"; mjono $((64 * MiB - ${#t00})); printf '\r\n'
  mjono $((64 * MiB)); printf '\r\n'
  mjono $((64 * MiB)); printf '\n'
  printf '%s' "${t00:0:48}9${t00:49}"; mjono $((64 * MiB - ${#t00})); printf '\r\n'
} >"$syote"
rss64m=$(huippu "$syote")
rm -rf "$ulos" "$syote"

rss1g="" rss1gyksi=""
tarve=$((2 * 1024 * MiB + 256 * MiB))
if (($(vapaana) > tarve)); then
  "$generaattori" --koko 1G --yrityksia "$yrityksia" --siemen "$siemen" --roskarivit 3 "$syote"
  rss1g=$(huippu "$syote")
  rm -rf "$ulos" "$syote"
  # 1 GiB without a line end.
  { printf '%s' "$t00"; mjono $((1024 * MiB - ${#t00})); } >"$syote"
  rss1gyksi=$(huippu "$syote")
  rm -rf "$ulos" "$syote"
else
  viesti "1 GiB:n muistiajot ohitettu: /dev/shm:ssa $(($(vapaana) / MiB)) MiB, tarvitaan $((tarve / MiB)) MiB"
fi

median() { awk -F, -v n="$1" '$1 == n { print $4 }' "$tyo/ajat.csv"; }
# Processor time (user + system, means): on a machine that others load, the wall-clock time
# also holds the time spent waiting for a processor.
suoritin() { awk -F, -v n="$1" '$1 == n { print $5 + $6 }' "$tyo/ajat.csv"; }
awk -v k="$(median kolvanto)" -v l="$(median lattia)" -v v="$(median vertaa)" -v a="$(median awk)" \
    -v c="$(median cat)" -v r256="$rss256" -v r256a="$rss256a" -v r1g="$rss1g" -v r1gy="$rss1gyksi" -v r64="$rss64m" \
    -v rt="$rssTilit" -v rta="$rssTilitA" -v rk="$rssTaysi" -v rka="$rssTaysiA" -v kt="$kohteessa" \
    -v ks="$(suoritin kolvanto)" -v ls="$(suoritin lattia)" -v vs="$(suoritin vertaa)" \
    -v ar="$(median arkistoiden)" -v va="$(median vertaa-arkistoiden)" \
    -v ars="$(suoritin arkistoiden)" -v vas="$(suoritin vertaa-arkistoiden)" \
    -v ajoja="$ajoja" '
  function tila(ok) { return ok ? "ok" : "TAVOITE EI TÄYTY" }
  function muisti(nimi, r) {
    if (r == "") printf "  %-34s ohitettu\n", nimi
    else printf "  %-34s %7d KiB  (tavoite <= 8192 KiB)  %s\n", nimi, r, tila(r <= 8192)
  }
  BEGIN {
    printf "\nMediaanit, 256 MiB, %d ajoa samassa ajossa:\n", ajoja
    printf "  kolvanto-cli  %8.3f s\n  lattia        %8.3f s\n  arkistoiden   %8.3f s\n", k, l, ar
    if (v != "") printf "  VERTAA        %8.3f s\n", v
    printf "  awk-jakaja    %8.3f s\n  cat           %8.3f s\n", a, c
    printf "kolvanto/lattia %6.2fx   (tavoite <= 1.10x)  %s\n", k / l, tila(k / l <= 1.10)
    printf "  suoritinaika  %6.2fx   (%.3f s / %.3f s)\n", ks / ls, ks, ls
    if (v != "") printf "VERTAA/lattia   %6.2fx   suoritinaika %.2fx\n", v / l, vs / ls
    printf "arkistoiden (päiväkirja)/lattia %6.2fx   suoritinaika %.2fx\n", ar / l, ars / ls
    printf "arkistoiden/kolvanto   %6.2fx   (tavoite <= 1.05x)  %s   suoritinaika %.2fx\n", ar / k, tila(ar / k <= 1.05), ars / ks
    if (va != "") printf "VERTAA arkistoiden/lattia       %6.2fx   suoritinaika %.2fx\n", va / l, vas / ls
    printf "kolvanto/cat    %6.2fx   (lattiakin: %.2fx)\n", k / c, l / c
    printf "awk/kolvanto    %6.2fx   (tavoite >= 1.8x)   %s\n", a / k, tila(a / k >= 1.8)
    printf "kolvanto-cli, muistin huippu (max RSS):\n"
    muisti("256 MiB", r256)
    muisti("256 MiB arkistoiden", r256a)
    muisti("256 MiB, 64 000 tiliä", rt)
    muisti("256 MiB, 64 000 tiliä arkistoiden", rta)
    printf "  kohteessa jo %d tiedostoa:\n", kt
    muisti("  256 MiB, 64 000 tiliä", rk)
    muisti("  256 MiB, 64 000 tiliä arkistoiden", rka)
    muisti("1 GiB", r1g)
    muisti("1 GiB ilman rivinloppua", r1gy)
    muisti("256 MiB, rivit 64 MiB", r64)
  }'
