#!/usr/bin/env bash
# Times kolvanto-cli's XML split against libxml2's bare streaming parse (xmllint --stream
# --noout) of the same 256 MiB statement document, the runs taking turns, with the split of a
# 256 MiB cumulative file of many documents beside them; then measures the split's peak memory
# on both. bench/README.md tells what the figures are held against.
nimi=xml.sh
. "$(dirname "$0")/yhteiset.sh"
ajoja=${AJOJA:-5}

tarvitse cmake ninja xmllint /usr/bin/time
(($(df --output=avail -B1 /dev/shm | tail -n 1) > 1800 * MiB)) || kuole "/dev/shm:ssa alle 1800 MiB vapaana"
kaanna kolvanto-cli camt-generaattori

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
# Every run delivers its file for the first time: the ledger beside the copy goes before each,
# or the same statements would be passed over as delivered.
for syote in "$yksi" "$kertyva" "$monta"; do
  rm -rf "$ulos" "$tyo"/bin/paloitteluhistoria-* && mkdir "$ulos"
  "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$syote" >"$tyo/yhteenveto" || kuole "kolvanto-cli päättyi virheeseen"
  kirjoitettu=$(awk -F': ' '/ tiliote(tta)?$/ { split($NF, a, " "); n += a[1] } END { print n + 0 }' "$tyo/yhteenveto")
  odotettu=$(lausuntoja "$syote")
  ((kirjoitettu == odotettu && odotettu > 0)) || kuole "$syote: $kirjoitettu tiliotetta kirjoitettu, syötteessä $odotettu"
  viesti "tarkistus: $(basename "$syote"): $odotettu tiliotetta, $(find "$ulos" -type f | wc -l) tiedostoa"
done

# The runs take turns (one of each per round, the first round a warm-up), so that a busy
# moment on a shared machine falls on every command alike; each run's wall-clock and
# processor time (user + system) are taken by time(1).
# The archiving runs move the document into TUODUT: it is brought back by a hard link.
ln "$yksi" "$tyo/yksi.alkup"
ln "$monta" "$tyo/monta.alkup"
ajo() {
  local nimi=$1
  shift
  rm -rf "$ulos" "$tyo/TUODUT" "$tyo"/bin/paloitteluhistoria-* && mkdir "$ulos" && ln -f "$tyo/yksi.alkup" "$yksi" &&
    ln -f "$tyo/monta.alkup" "$monta"
  /usr/bin/time -f "$nimi %e %U %S" -a -o "$tyo/ajat" "$@" >/dev/null
}
: >"$tyo/ajat"
for ((kierros = 0; kierros <= ajoja; kierros++)); do
  ((kierros == 1)) && : >"$tyo/ajat"
  ajo kolvanto "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$yksi"
  ajo xmllint xmllint --stream --noout "$yksi"
  ajo arkistoiden "$kolvanto" "${valinnat[@]/--ei-aikaleimaa/--aikaleima}" --kohde "$ulos" "$yksi"
  ajo kertyva "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$kertyva"
  ajo monta "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$monta"
  ajo monta-arkistoiden "$kolvanto" "${valinnat[@]/--ei-aikaleimaa/--aikaleima}" --kohde "$ulos" "$monta"
  ajo xmllint-monta xmllint --stream --noout "$monta"
done

# Peak resident memory in KiB, for one fresh run.
huippu() {
  rm -rf "$ulos" "$tyo"/bin/paloitteluhistoria-* && mkdir "$ulos"
  /usr/bin/time -f %M -o "$tyo/rss" "$@" >/dev/null
  cat "$tyo/rss"
}
rssYksi=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$yksi")
rm -rf "$tyo/TUODUT"
rssArkistoiden=$(huippu "$kolvanto" "${valinnat[@]/--ei-aikaleimaa/--aikaleima}" --kohde "$ulos" "$yksi")
ln -f "$tyo/yksi.alkup" "$yksi"
rssKertyva=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$kertyva")
rssMonta=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$monta")
rm -rf "$tyo/TUODUT"
rssMontaArk=$(huippu "$kolvanto" "${valinnat[@]/--ei-aikaleimaa/--aikaleima}" --kohde "$ulos" "$monta")
ln -f "$tyo/monta.alkup" "$monta"
rssXmllint=$(huippu xmllint --stream --noout "$yksi")
# Past the index's bound and the ledger check's series bound: about 84,000 accounts, whose series
# the check reads by parts. Memory only; the time is README's.
tilit=$tyo/tilit.xml
rm -f "$yksi" "$kertyva" "$tyo/yksi.alkup"
"$generaattori" --koko 160M --yksi --yrityksia 50000 --siemen 1 --viesti 053 --versio 02 "$tilit"
rssTilit=$(huippu "$kolvanto" "${valinnat[@]}" --kohde "$ulos" "$tilit")
rm -rf "$tyo/TUODUT"
rssTilitArk=$(huippu "$kolvanto" "${valinnat[@]/--ei-aikaleimaa/--aikaleima}" --kohde "$ulos" "$tilit")
rm -rf "$tyo/TUODUT" "$tilit"

# The median of a command's wall-clock times (2) or processor times (3).
mediaani() {
  awk -v n="$1" -v s="$2" '$1 == n { print (s == 2 ? $2 : $3 + $4) }' "$tyo/ajat" | sort -g |
    awk '{ a[NR] = $1 } END { print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) }'
}
median() { mediaani "$1" 2; }
suoritin() { mediaani "$1" 3; }
awk -v k="$(median kolvanto)" -v x="$(median xmllint)" -v kk="$(median kertyva)" \
    -v km="$(median monta)" -v xm="$(median xmllint-monta)" -v r3="$rssMonta" \
    -v kma="$(median monta-arkistoiden)" -v r4="$rssMontaArk" -v r5="$rssTilit" -v r6="$rssTilitArk" \
    -v ka="$(median arkistoiden)" -v kas="$(suoritin arkistoiden)" -v ra="$rssArkistoiden" \
    -v ks="$(suoritin kolvanto)" -v xs="$(suoritin xmllint)" -v kks="$(suoritin kertyva)" \
    -v kms="$(suoritin monta)" -v xms="$(suoritin xmllint-monta)" \
    -v r1="$rssYksi" -v r2="$rssKertyva" -v rx="$rssXmllint" -v ajoja="$ajoja" '
  function tila(ok) { return ok ? "ok" : "TAVOITE EI TÄYTY" }
  BEGIN {
    printf "\nSeinäkelloajan mediaanit, 256 MiB, %d vuorottaista kierrosta:\n", ajoja
    printf "  kolvanto-cli, yksi asiakirja     %8.3f s\n", k
    printf "  xmllint --stream --noout         %8.3f s\n", x
    printf "  kolvanto-cli, arkistoiden        %8.3f s\n", ka
    printf "  kolvanto-cli, kertyvä tiedosto   %8.3f s\n", kk
    printf "  kolvanto-cli, 35 000 tiliä        %8.3f s\n", km
    printf "  kolvanto-cli, 35 000 arkistoiden  %8.3f s\n", kma
    printf "  xmllint, 35 000 tiliä             %8.3f s\n", xm
    printf "kolvanto/xmllint %6.2fx   (tavoite <= 1.00x)  %s\n", k / x, tila(k / x <= 1.0)
    printf "kertyvä/xmllint  %6.2fx   (tavoite <= 1.00x)  %s\n", kk / x, tila(kk / x <= 1.0)
    printf "arkistoiden (päiväkirja)/xmllint %6.2fx, arkistoiden/kolvanto %6.2fx\n", ka / x, ka / k
    printf "35 000 tiliä     %6.2fx   (tavoite <= 1.50x)  %s\n", km / xm, tila(km / xm <= 1.5)
    printf "35 000 arkistoiden %4.2fx   (tavoite <= 1.50x)  %s\n", kma / xm, tila(kma / xm <= 1.5)
    printf "Suoritinaika (user + sys), mediaanit:\n"
    printf "  yksi/xmllint     %6.2fx   (%.3f s / %.3f s)\n", ks / xs, ks, xs
    printf "  kertyvä/xmllint  %6.2fx   (%.3f s / %.3f s)\n", kks / xs, kks, xs
    printf "  arkistoiden      %6.2fx   (%.3f s / %.3f s)\n", kas / xs, kas, xs
    printf "  35 000 tiliä     %6.2fx   (%.3f s / %.3f s)\n", kms / xms, kms, xms
    printf "Muistin huippu (max RSS):\n"
    printf "  kolvanto-cli, yksi asiakirja     %7d KiB  (tavoite <= 16384 KiB)  %s\n", r1, tila(r1 <= 16384)
    printf "  kolvanto-cli, kertyvä tiedosto   %7d KiB  (tavoite <= 16384 KiB)  %s\n", r2, tila(r2 <= 16384)
    printf "  kolvanto-cli, 35 000 tiliä        %7d KiB  (tavoite <= 16384 KiB)  %s\n", r3, tila(r3 <= 16384)
    printf "  kolvanto-cli, 35 000 arkistoiden  %7d KiB  (tavoite <= 16384 KiB)  %s\n", r4, tila(r4 <= 16384)
    printf "  kolvanto-cli, arkistoiden        %7d KiB  (tavoite <= 16384 KiB)  %s\n", ra, tila(ra <= 16384)
    printf "  kolvanto-cli, 84 000 tiliä        %7d KiB  (tavoite <= 16384 KiB)  %s\n", r5, tila(r5 <= 16384)
    printf "  kolvanto-cli, 84 000 arkistoiden  %7d KiB  (tavoite <= 16384 KiB)  %s\n", r6, tila(r6 <= 16384)
    printf "  xmllint --stream                 %7d KiB\n", rx
  }'
