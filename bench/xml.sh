#!/usr/bin/env bash
# Times kolvanto-cli's XML split against libxml2's bare streaming parse (xmllint --stream
# --noout) of the same 256 MiB statement document, in one hyperfine run, with the split of a
# 256 MiB cumulative file of many documents beside them; then measures the split's peak memory
# on both. bench/README.md tells what the figures are held against.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
juuri=$PWD
rakennus=$juuri/build/bench
ajoja=${AJOJA:-5}

viesti() { echo "xml.sh: $*" >&2; }
kuole() { viesti "VIRHE: $*"; exit 1; }

for ohjelma in cmake ninja hyperfine xmllint /usr/bin/time; do
  command -v "$ohjelma" >/dev/null || kuole "$ohjelma puuttuu (bash scripts/asenna-riippuvuudet.sh)"
done
MiB=$((1024 * 1024))
(($(df --output=avail -B1 /dev/shm | tail -n 1) > 1800 * MiB)) || kuole "/dev/shm:ssa alle 1800 MiB vapaana"

viesti "käännetään (Release) hakemistoon $rakennus"
mkdir -p "$rakennus"
loki=$rakennus/xml-kaannos.log
if ! { cmake -S "$juuri" -B "$rakennus" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKOLVANTO_IKKUNA=OFF -DKOLVANTO_TESTIT=OFF &&
  cmake --build "$rakennus" --target kolvanto-cli camt-generaattori; } >"$loki" 2>&1; then
  tail -n 40 "$loki" >&2
  kuole "käännös epäonnistui, koko loki: $loki"
fi

tyo=/dev/shm/kolvanto-xml-$$
trap 'rm -rf "$tyo"' EXIT
mkdir -p "$tyo/bin"
# A copy in an empty folder runs with the built-in settings, whatever lies beside the build.
cp "$rakennus/bin/kolvanto-cli" "$tyo/bin/"
kolvanto=$tyo/bin/kolvanto-cli
generaattori=$rakennus/bin/camt-generaattori
yksi=$tyo/yksi.xml
kertyva=$tyo/kertyva.xml
monta=$tyo/monta.xml
ulos=$tyo/ulos
valinnat=(--ei-aikaleimaa --avain tilinumero --alkuosa "XML-*-?-" --loppuosa ".XML")

viesti "kolvanto $(git -C "$juuri" describe --always --dirty 2>/dev/null || echo '?')"
viesti "xmllint: $(xmllint --version 2>&1 | head -n 1)"
viesti "suoritin: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) ydintä, kuorma $(cut -d' ' -f1-3 /proc/loadavg)"

# One document (what xmllint reads) and a cumulative file of documents one after the other,
# as one bank's program leaves them (the same message, version and declarations).
"$generaattori" --koko 256M --yksi --yrityksia 300 --siemen 1 --viesti 053 --versio 02 "$yksi"
"$generaattori" --koko 256M --sama --yrityksia 300 --siemen 1 --viesti 053 --versio 02 "$kertyva"
# The same document form with 17,500 companies, about 35,000 accounts: memory must not grow with them.
"$generaattori" --koko 256M --yksi --yrityksia 17500 --siemen 1 --viesti 053 --versio 02 "$monta"

# Timing a wrong answer is worthless: every statement must land in an output, and xmllint must
# find the document well-formed.
xmllint --stream --noout "$yksi" || kuole "xmllint hylkäsi syötteen"
lausuntoja() { grep -a -o -E '<([a-z0-9]+:)?(Stmt|Rpt|Ntfctn)>' "$1" | wc -l; }
for syote in "$yksi" "$kertyva" "$monta"; do
  rm -rf "$ulos" && mkdir "$ulos"
  "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$syote" >"$tyo/yhteenveto" || kuole "kolvanto-cli päättyi virheeseen"
  kirjoitettu=$(awk -F': ' '/ tiliote(tta)?$/ { split($NF, a, " "); n += a[1] } END { print n + 0 }' "$tyo/yhteenveto")
  odotettu=$(lausuntoja "$syote")
  ((kirjoitettu == odotettu && odotettu > 0)) || kuole "$syote: $kirjoitettu tiliotetta kirjoitettu, syötteessä $odotettu"
  viesti "tarkistus: $(basename "$syote"): $odotettu tiliotetta, $(find "$ulos" -type f | wc -l) tiedostoa"
done

hyperfine --warmup 1 --runs "$ajoja" --export-csv "$tyo/ajat.csv" \
  --prepare "rm -rf '$ulos' && mkdir '$ulos'" \
  -n kolvanto "'$kolvanto' ${valinnat[*]@Q} --kohde '$ulos' '$yksi'" \
  -n xmllint "xmllint --stream --noout '$yksi'" \
  -n kertyva "'$kolvanto' ${valinnat[*]@Q} --kohde '$ulos' '$kertyva'" \
  -n monta "'$kolvanto' ${valinnat[*]@Q} --kohde '$ulos' '$monta'" \
  -n xmllint-monta "xmllint --stream --noout '$monta'"

# Peak resident memory in KiB, for one fresh run.
huippu() {
  rm -rf "$ulos" && mkdir "$ulos"
  /usr/bin/time -f %M -o "$tyo/rss" "$@" >/dev/null
  cat "$tyo/rss"
}
rssYksi=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$yksi")
rssKertyva=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$kertyva")
rssMonta=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$monta")
rssXmllint=$(huippu xmllint --stream --noout "$yksi")

median() { awk -F, -v n="$1" '$1 == n { print $4 }' "$tyo/ajat.csv"; }
suoritin() { awk -F, -v n="$1" '$1 == n { print $5 + $6 }' "$tyo/ajat.csv"; }
awk -v k="$(median kolvanto)" -v x="$(median xmllint)" -v kk="$(median kertyva)" \
    -v km="$(median monta)" -v xm="$(median xmllint-monta)" -v r3="$rssMonta" \
    -v ks="$(suoritin kolvanto)" -v xs="$(suoritin xmllint)" \
    -v r1="$rssYksi" -v r2="$rssKertyva" -v rx="$rssXmllint" -v ajoja="$ajoja" '
  function tila(ok) { return ok ? "ok" : "TAVOITE EI TÄYTY" }
  BEGIN {
    printf "\nMediaanit, 256 MiB, %d ajoa samassa ajossa:\n", ajoja
    printf "  kolvanto-cli, yksi asiakirja     %8.3f s\n", k
    printf "  xmllint --stream --noout         %8.3f s\n", x
    printf "  kolvanto-cli, kertyvä tiedosto   %8.3f s\n", kk
    printf "  kolvanto-cli, 35 000 tiliä        %8.3f s\n", km
    printf "  xmllint, 35 000 tiliä             %8.3f s\n", xm
    printf "kolvanto/xmllint %6.2fx   (tavoite <= 1.00x)  %s\n", k / x, tila(k / x <= 1.0)
    printf "kertyvä/xmllint  %6.2fx   (tavoite <= 1.00x)  %s\n", kk / x, tila(kk / x <= 1.0)
    printf "35 000 tiliä     %6.2fx   (tavoite <= 1.00x)  %s\n", km / xm, tila(km / xm <= 1.0)
    printf "  suoritinaika   %6.2fx   (%.3f s / %.3f s)\n", ks / xs, ks, xs
    printf "Muistin huippu (max RSS):\n"
    printf "  kolvanto-cli, yksi asiakirja     %7d KiB  (tavoite <= 16384 KiB)  %s\n", r1, tila(r1 <= 16384)
    printf "  kolvanto-cli, kertyvä tiedosto   %7d KiB  (tavoite <= 16384 KiB)  %s\n", r2, tila(r2 <= 16384)
    printf "  kolvanto-cli, 35 000 tiliä        %7d KiB  (tavoite <= 16384 KiB)  %s\n", r3, tila(r3 <= 16384)
    printf "  xmllint --stream                 %7d KiB\n", rx
  }'
