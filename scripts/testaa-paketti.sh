#!/usr/bin/env bash
# Makes the packages and tries them as an office would:
# - the Debian package, unpacked into a scratch root and run by an ordinary user: kolvanto-cli
#   and an unattended `kolvanto aja` (Qt offscreen) with a prepared settings file; the user's
#   data folder must be made and hold the settings, nothing may be written beside the program;
# - its desktop entry and AppStream metadata validated, and lintian finding no error;
# - the Windows MSI in a fresh Wine prefix: installed silently, kolvanto-cli (and, once the
#   package holds it, `kolvanto.exe aja` on an Xvfb display :95-:97) run from the installed
#   folder, installed again over itself, upgraded by a newer package, refused a downgrade,
#   removed; what the program wrote must be left, the program and its shortcuts gone;
# - the Windows ZIP's kolvanto-cli under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
juuri="$(pwd)"
raapu="$(mktemp -d)"
trap 'chmod -R u+w "$raapu" 2>/dev/null; rm -rf "$raapu"' EXIT
chmod 755 "$raapu"

vika() { echo "VIRHE: $*" >&2; exit 1; }
# The packages ship programs without their debugging information: stripped, kolvanto.exe is
# about 1 MB and kolvanto-cli.exe less, with it about 20 MB each.
enintaan=$((4 * 1024 * 1024))
riisuttu() {
  local koko
  koko=$(stat -c %s "$1")
  ((koko < enintaan)) || vika "$2: $(basename "$1") on $koko tavua (enintään $enintaan): virheenjäljitystiedot mukana?"
}
# The version of project() (year.month.day) as the build's cache holds it, and the text the
# programs show (day.month.year).
projektinVersio() {
  sed -n "s/^CMAKE_PROJECT_VERSION_$2:STATIC=//p" "build/$1/CMakeCache.txt"
}
versioteksti() { echo "$(projektinVersio "$1" PATCH).$(projektinVersio "$1" MINOR).$(projektinVersio "$1" MAJOR)"; }

# ---------------------------------------------------------------- Debian package
(cd build/linux && cpack -G DEB >/dev/null)
deb="$(ls -t build/linux/kolvanto_*.deb | head -1)"
echo "paketti: $deb"
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || vika "Qt-riippuvuus puuttuu"
dpkg -x "$deb" "$raapu/juuri"
for f in usr/bin/kolvanto usr/bin/kolvanto-cli usr/share/applications/kolvanto.desktop \
         usr/share/applications/kolvanto-kayttoohje.desktop usr/share/doc/kolvanto/esimerkki/TITO.TXT \
         usr/share/icons/hicolor/scalable/apps/kolvanto.svg \
         usr/share/metainfo/fi.vombra.kolvanto.metainfo.xml \
         usr/share/doc/kolvanto/README.md usr/share/doc/kolvanto/kayttoohje.md \
         usr/share/doc/kolvanto/kayttoohje.html usr/share/doc/kolvanto/copyright \
         usr/share/doc/kolvanto/changelog.gz usr/share/man/man1/kolvanto.1.gz \
         usr/share/man/man1/kolvanto-cli.1.gz \
         usr/share/doc/kolvanto/frmMain.png usr/share/doc/kolvanto/frmPulma.png; do
  [[ -e "$raapu/juuri/$f" ]] || vika "puuttuu paketista: $f"
done
for f in usr/bin/kolvanto usr/bin/kolvanto-cli; do
  file -b "$raapu/juuri/$f" | grep -q ', stripped' || vika "deb: $f ei ole riisuttu"
done
# The guide's pictures lie beside it, under the names it uses.
for kuva in $(grep -o 'src="[^"]*"' "$raapu/juuri/usr/share/doc/kolvanto/kayttoohje.html" | cut -d'"' -f2); do
  [[ -f "$raapu/juuri/usr/share/doc/kolvanto/$kuva" ]] || vika "käyttöohjeen kuva $kuva puuttuu paketista"
done
# What Debian asks of a package; warnings are shown, errors stop the test.
lintian --tag-display-limit 0 "$deb" >"$raapu/lintian.txt" 2>&1 || true
sed 's/^/  lintian: /' "$raapu/lintian.txt"
! grep -q '^E: ' "$raapu/lintian.txt" || vika "lintian löysi virheitä paketista"
"$raapu/juuri/usr/bin/kolvanto-cli" --version | grep -qx "kolvanto-cli $(versioteksti linux)" \
  || vika "kolvanto-cli ei kerro versiota $(versioteksti linux)"
[[ "$(dpkg-deb --field "$deb" Version)" == "$(projektinVersio linux MAJOR).$(projektinVersio linux MINOR).$(projektinVersio linux PATCH)" ]] \
  || vika "paketin versio $(dpkg-deb --field "$deb" Version) ei ole projektin"

appstreamcli validate --no-net --pedantic "$raapu/juuri/usr/share/metainfo/fi.vombra.kolvanto.metainfo.xml" \
  || vika "AppStream-kuvaus ei kelpaa"
for d in kolvanto kolvanto-kayttoohje; do
  desktop-file-validate "$raapu/juuri/usr/share/applications/$d.desktop" || vika "työpöytätiedosto $d ei kelpaa"
done
# The menu opens the guide that the package carries; XML is named where an office looks.
for d in kolvanto kolvanto-kayttoohje; do
  grep -q '^Exec=xdg-open /usr/share/doc/kolvanto/kayttoohje.html$' "$raapu/juuri/usr/share/applications/$d.desktop" \
    || vika "$d.desktop ei avaa käyttöohjetta"
done
grep -q 'XML' "$raapu/juuri/usr/share/applications/kolvanto.desktop" || vika "työpöytätiedosto ei mainitse XML:ää"
grep -q 'camt.053' "$raapu/juuri/usr/share/metainfo/fi.vombra.kolvanto.metainfo.xml" || vika "AppStream ei mainitse XML:ää"
zcat "$raapu/juuri/usr/share/man/man1/kolvanto.1.gz" | grep -q 'XML-tiliot' || vika "kolvanto(1) ei mainitse XML:ää"
cmp -s "$raapu/juuri/usr/share/doc/kolvanto/esimerkki/TITO.TXT" examples/TITO.TXT || vika "esimerkkitiedosto muuttui"
# Software centres join the metadata to the desktop entry it names.
kaynnistin="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' \
  "$raapu/juuri/usr/share/metainfo/fi.vombra.kolvanto.metainfo.xml")"
[[ -n "$kaynnistin" && -f "$raapu/juuri/usr/share/applications/$kaynnistin" ]] \
  || vika "AppStream-kuvauksen launchable '$kaynnistin' ei ole paketin työpöytätiedosto"

# An ordinary user: the program's folder is root's, so the settings go to the user's own. Run
# as root, the test makes a user of its own; run by an ordinary user, it is that user.
koti="$raapu/koti"
mkdir -p "$koti/tiliotteet"
cp examples/TITO.TXT "$koti/tiliotteet/"
kayttaja=kolvantotesti
if [[ $(id -u) -eq 0 ]]; then
  id "$kayttaja" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$kayttaja"
  omista() { chown -R "$kayttaja:" "$@"; }
  vaihda=(setpriv --reuid="$kayttaja" --regid="$kayttaja" --clear-groups)
else
  omista() { :; }
  vaihda=()
  # Unpacked by this user: the program's folder must be closed to it, as an installed one is.
  chmod 555 "$raapu/juuri/usr/bin"
fi
omista "$koti"
kayttajana() {
  "${vaihda[@]}" env -i HOME="$koti" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$koti" "$@"
}
kayttajana test -w "$raapu/juuri/usr/bin" && vika "ohjelmakansio on tavalliselle käyttäjälle kirjoitettava: koe ei kerro mitään"
ennen="$(find "$raapu/juuri" -newer "$deb" | wc -l)"

(cd "$koti/tiliotteet" && kayttajana timeout 60 "$raapu/juuri/usr/bin/kolvanto-cli" --ei-aikaleimaa \
   --kohde cli --luo-hakemisto TITO.TXT >/dev/null) || vika "kolvanto-cli ei paloitellut tavallisena käyttäjänä"
n="$(ls "$koti/tiliotteet/cli" | wc -l)"
[[ "$n" -gt 0 ]] || vika "kolvanto-cli ei kirjoittanut yhtään tiedostoa"
data="$koti/.local/share/kolvanto"
[[ -d "$data" ]] || vika "kolvanto-cli ei tehnyt käyttäjän kansiota $data"
[[ "$(stat -c %a "$data")" == 700 ]] || vika "$data ei ole vain käyttäjän"
echo "deb: kolvanto-cli tavallisena käyttäjänä, $n tiedostoa, datakansio $data"

# The window, started as a scheduled task would: it splits, saves and ends by itself.
printf '%s\r\n' "txtPaloiteltavaTiedosto = $koti/tiliotteet/TITO.TXT" \
  "txtTallennusHakemisto = $koti/tiliotteet/ikkuna" "chkAikaleimaaPaloiteltava = 1" \
  "chkNaytaPaloitellut = 0" "chkSuljeOhjelmaPaloittelunJalkeen = 1" > "$data/TITO-JAKO.OMA"
mkdir "$koti/tiliotteet/ikkuna"
omista "$data" "$koti/tiliotteet/ikkuna"
set +e
kayttajana timeout 60 "$raapu/juuri/usr/bin/kolvanto" aja >"$raapu/ikkuna.log" 2>&1
rc=$?
set -e
[[ $rc -ne 124 ]] || vika "kolvanto aja ei päättynyt itsestään"
[[ $rc -eq 0 ]] || { cat "$raapu/ikkuna.log"; vika "kolvanto aja päättyi koodiin $rc"; }
n="$(ls "$koti/tiliotteet/ikkuna" | wc -l)"
[[ "$n" -gt 0 ]] || vika "kolvanto aja ei paloitellut"
ls "$koti/tiliotteet/TUODUT/"* >/dev/null 2>&1 || vika "kolvanto aja ei siirtänyt tiliotetiedostoa TUODUT-kansioon"
[[ ! -e "$koti/tiliotteet/TITO.TXT" ]] || vika "tiliotetiedosto jäi paikalleen"
# Saving writes every control, not only the lines prepared above.
grep -q '^optAsiakastunnus = True' "$data/TITO-JAKO.OMA" || vika "kolvanto aja ei tallentanut asetuksia käyttäjän kansioon"
[[ ! -e "$data/virhelog.txt" ]] || { cat "$data/virhelog.txt"; vika "kolvanto aja kirjasi virheen"; }
# Both runs are in the user's history, the window's last, and the CLI prints it.
historia="$(ls "$data"/paloitteluhistoria-*.txt 2>/dev/null | head -1)"
[[ -n "$historia" ]] || vika "paloitteluhistoriaa ei kirjoitettu käyttäjän kansioon"
kayttajana "$raapu/juuri/usr/bin/kolvanto-cli" --historia >"$raapu/historia.txt" || vika "kolvanto-cli --historia epäonnistui"
head -1 "$raapu/historia.txt" | grep -q $'^aika\ttapahtuma\tmuoto' || vika "historian otsikkorivi puuttuu"
grep -q $'\tpaloiteltu\tTITO\t'"$koti/tiliotteet/TITO.TXT"$'\t\t' "$raapu/historia.txt" || vika "historiassa ei ole kolvanto-cli:n ajoa"
tail -1 "$raapu/historia.txt" | grep -q $'\t'"$koti/tiliotteet/TUODUT/" || vika "historian viimeinen rivi ei ole ikkunan arkistoiva ajo"
[[ "$(find "$raapu/juuri" -newer "$deb" | wc -l)" == "$ennen" ]] || vika "jotain kirjoitettiin ohjelman kansioon"
echo "deb: kolvanto aja tavallisena käyttäjänä, $n tiedostoa, asetukset $data/TITO-JAKO.OMA"

[[ -d build/windows ]] || exit 0

# ---------------------------------------------------------------- Windows MSI
# KOLVANTO_MSI: another build's package (its kolvanto.wxs beside it) instead of the preset's.
msi="${KOLVANTO_MSI:-$( (ls -t build/windows/kolvanto-*.msi 2>/dev/null || true) | head -1)}"
[[ -f "$msi" ]] || vika "MSI-pakettia ei ole: tekeekö windows-esiasetus sen (wixl asennettu)?"
msikansio="$(cd "$(dirname "$msi")" && pwd)"
echo "paketti: $msi"
taulu() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
taulu Property | grep -q '^ALLUSERS' && vika "MSI asentaisi koko koneelle"
# Bit 8 of the word count: no administrator rights are asked.
(( $(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8 )) || vika "MSI pyytäisi ylläpitäjän oikeudet"
taulu Property | grep -qx $'Manufacturer\tVombra Oy' || vika "MSI:n valmistaja puuttuu"
ikkuna=0
taulu File | grep -q $'^kolvanto.exe\t' && ikkuna=1
if ((ikkuna)); then
  taulu Shortcut | grep -q $'\tkolvanto\t' || vika "pikakuvake kolvanto puuttuu"
  taulu Shortcut | grep -P '\tkolvanto - paloittele heti\t' | grep -qP '\taja\t' || vika "pikakuvake 'paloittele heti' ilman aja-parametria"
else
  echo "msi: kolvanto.exe ei ole vielä mukana, ei myöskään pikakuvakkeita"
fi

# A fresh prefix, as a new machine; its wine server is ended before the scratch folder goes.
export WINEPREFIX="$raapu/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; chmod -R u+w "$raapu" 2>/dev/null; rm -rf "$raapu"' EXIT
unset DISPLAY
w() { timeout 300 wine "$@"; }
msiexec() { w msiexec "$@" /qn >/dev/null 2>&1; }
msiexec /i "$msi" || vika "MSI:n asennus epäonnistui"
paikallinen="$(w cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')"
kansio="$(winepath -u "$paikallinen\\Programs\\kolvanto" 2>/dev/null)"
kansio="${kansio%/}"
valikko="$(winepath -u "$(w cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null)"
ohjelmat=(kolvanto-cli.exe kayttoohje.html frmMain-win32.png frmPulma-win32.png esimerkki/TITO.TXT)
((ikkuna)) && ohjelmat+=(kolvanto.exe)
for f in "${ohjelmat[@]}"; do [[ -f "$kansio/$f" ]] || vika "ei asentunut: $kansio/$f"; done
for f in "${ohjelmat[@]}"; do [[ $f != *.exe ]] || riisuttu "$kansio/$f" msi; done
[[ -z "$(find "$kansio" -name '*.debug')" ]] || vika "msi: virheenjäljitystiedostoja asentui"
[[ ! -e "$kansio/README.txt" ]] || vika "englanninkielinen README.txt asentui"
cmp -s "$kansio/esimerkki/TITO.TXT" examples/TITO.TXT || vika "MSI:n esimerkkitiedosto muuttui"
grep -q 'src="frmMain-win32.png"' "$kansio/kayttoohje.html" || vika "Windowsin käyttöohje ei näytä Windowsin kuvia"
[[ -f "$valikko/kolvanto - käyttöohje.lnk" ]] || vika "Käynnistä-valikosta puuttuu kolvanto - käyttöohje"
# The table is in the package's code page: "ä" and "ö" are single bytes there.
taulu Shortcut | grep -aP '\tkolvanto - k.{1,2}ytt.{1,2}ohje\t' | grep -aq 'kayttoohje.html' \
  || vika "pikakuvake 'kolvanto - käyttöohje' ei avaa käyttöohjetta"
if ((ikkuna)); then
  for l in "kolvanto.lnk" "kolvanto - paloittele heti.lnk"; do
    [[ -f "$valikko/$l" ]] || vika "Käynnistä-valikosta puuttuu $l"
  done
fi
asennetut() { w uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||kolvanto$' || true; }
# DisplayVersion of the entry whose DisplayName is kolvanto in the installed programs list.
versio() {
  w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' \
    | awk '/^HKEY/ {n = ""; v = ""} $1 == "DisplayName" {n = $3} $1 == "DisplayVersion" {v = $3}
           n == "kolvanto" && v != "" {print v; exit}'
}
[[ "$(asennetut)" == 1 ]] || vika "asennettujen ohjelmien luettelossa ei ole kolvantoa kerran"
echo "msi: asennettu kansioon $kansio, versio $(versio)"
# The MSI's version has the year in two digits (its first field is at most 255).
msivuosi=$(($(projektinVersio windows MAJOR) % 100)) msikuu=$(projektinVersio windows MINOR)
msipaiva=$(projektinVersio windows PATCH)
[[ "$(versio)" == "$msivuosi.$msikuu.$msipaiva" ]] || vika "asennettu versio $(versio) ei ole projektin"

w "$kansio/kolvanto-cli.exe" --version | tr -d '\r' | grep -qx "kolvanto-cli $(versioteksti windows)" \
  || vika "asennettu kolvanto-cli.exe ei kerro versiotaan"

# A scheduled run: the settings in the data folder's settings file, statement files and
# TUODUT in a folder inside the installed one, the error log beside the program.
tyo="$kansio/tiliotteet"
mkdir -p "$tyo"
cp examples/TITO.TXT "$tyo/"
wtyo="$(winepath -w "$tyo" 2>/dev/null)"
printf '%s\r\n' "txtPaloiteltavaTiedosto = $wtyo\\TITO.TXT" "chkAikaleimaaPaloiteltava = 1" \
  > "${kansio}TITO-JAKO.OMA"
w "$kansio/kolvanto-cli.exe" >/dev/null 2>&1 || vika "asennettu kolvanto-cli.exe ei paloitellut asetuksilla"
n="$(ls "$tyo"/*.TXT 2>/dev/null | wc -l)"
[[ "$n" -gt 0 && -d "$tyo/TUODUT" ]] || vika "paloittelu asennetulla ohjelmalla ei tehnyt tiedostoja"
if ((ikkuna)); then
  # The window as the shortcut "kolvanto - paloittele heti" starts it, with the close option:
  # it splits, saves its settings and ends without anyone. Wine's windows need an X server.
  cp examples/TITO.TXT "$tyo/"
  printf '%s\r\n' "txtPaloiteltavaTiedosto = $wtyo\\TITO.TXT" "chkAikaleimaaPaloiteltava = 1" \
    "chkNaytaPaloitellut = 0" "chkSuljeOhjelmaPaloittelunJalkeen = 1" > "${kansio}TITO-JAKO.OMA"
  naytto=""
  for d in 95 96 97; do [[ -e /tmp/.X$d-lock ]] || { naytto=$d; break; }; done
  [[ -n $naytto ]] || vika "näytöt :95-:97 ovat kaikki käytössä"
  Xvfb ":$naytto" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 2
  set +e
  DISPLAY=":$naytto" timeout 120 wine "$kansio/kolvanto.exe" aja >/dev/null 2>&1
  rc=$?
  set -e
  kill "$xvfb"; wait "$xvfb" 2>/dev/null || true
  [[ $rc -ne 124 ]] || vika "kolvanto.exe aja ei päättynyt itsestään"
  [[ $rc -eq 0 && ! -e "$tyo/TITO.TXT" && $(ls "$tyo/TUODUT" | wc -l) -eq 2 ]] \
    || vika "asennettu kolvanto.exe aja ei paloitellut ($rc)"
  grep -q '^optAsiakastunnus = True' "${kansio}TITO-JAKO.OMA" || vika "kolvanto.exe ei tallentanut asetuksiaan"
  echo "msi: asennettu kolvanto.exe aja paloitteli, tallensi asetukset ja päättyi itse"
fi

# A failing run: the output's name is taken by a folder; the report goes to virhelog.txt.
mkdir -p "$tyo/vika"
cp examples/TITO.TXT "$tyo/vika/TITO.TXT"
eka="$(ls "$tyo"/TITO-*.TXT | head -1)"
mkdir "$tyo/vika/$(basename "$eka")"
set +e
w "$kansio/kolvanto-cli.exe" --ei-aikaleimaa "$wtyo\\vika\\TITO.TXT" >/dev/null 2>&1
rc=$?
set -e
[[ $rc -eq 2 && -s "$kansio/virhelog.txt" ]] || vika "epäonnistunut ajo ei kirjannut virhelog.txt:tä ($rc)"
jaljelle=("${kansio}TITO-JAKO.OMA" "$kansio/virhelog.txt" "$tyo/TUODUT")
for f in "$tyo"/*.TXT; do jaljelle+=("$f"); done
summa() { find "${jaljelle[@]}" -type f -print0 | sort -z | xargs -0 md5sum; }
ennen="$(summa)"
echo "msi: asennettu kolvanto-cli.exe paloitteli $n tiedostoon, virhe kirjattiin virhelog.txt:hen"

msiexec /i "$msi" || vika "asennus uudelleen saman päälle epäonnistui"
for f in "${ohjelmat[@]}"; do [[ -f "$kansio/$f" ]] || vika "uudelleenasennus vei: $f"; done
[[ "$(asennetut)" == 1 && "$(summa)" == "$ennen" ]] || vika "uudelleenasennus muutti jotain"
echo "msi: asennettu uudelleen saman päälle"

# A newer package from the same source, a day later: it replaces the installed one in place.
uudempi="$msivuosi.$msikuu.$((msipaiva + 1))"
(cd "$msikansio" && wixl -a x64 -D Versio="$uudempi" -D Seuraava="$msivuosi.$msikuu.$((msipaiva + 2))" \
   -o "$raapu/uudempi.msi" kolvanto.wxs 2>/dev/null)
msiexec /i "$raapu/uudempi.msi" || vika "päivitys uudempaan epäonnistui"
[[ "$(asennetut)" == 1 ]] || vika "päivityksen jälkeen kolvanto on luettelossa $(asennetut) kertaa"
[[ "$(versio)" == "$uudempi" ]] || vika "päivityksen jälkeen versio on $(versio)"
[[ "$(summa)" == "$ennen" ]] || vika "päivitys muutti ohjelman kirjoittamia tiedostoja"
for f in "${ohjelmat[@]}"; do [[ -f "$kansio/$f" ]] || vika "päivitys vei: $f"; done
if msiexec /i "$msi"; then vika "vanhempi paketti asentui uudemman päälle"; fi
[[ "$(versio)" == "$uudempi" ]] || vika "vanhempi paketti korvasi uudemman"
echo "msi: päivitetty paikalleen versioon $uudempi, vanhempaa ei asennettu sen päälle"

msiexec /x "$raapu/uudempi.msi" || vika "poisto epäonnistui"
[[ "$(asennetut)" == 0 ]] || vika "kolvanto jäi asennettujen luetteloon"
for f in "${ohjelmat[@]}"; do [[ ! -e "$kansio/$f" ]] || vika "poisto jätti: $f"; done
for l in "kolvanto.lnk" "kolvanto - paloittele heti.lnk" "kolvanto - käyttöohje.lnk"; do [[ ! -e "$valikko/$l" ]] || vika "poisto jätti pikakuvakkeen $l"; done
w reg query 'HKCU\Software\Vombra\kolvanto' >/dev/null 2>&1 && vika "poisto jätti rekisteriavaimen"
[[ "$(summa)" == "$ennen" ]] || vika "poisto vei tai muutti ohjelman kirjoittamia tiedostoja"
echo "msi: poistettu; jäljelle jäi:"
(cd "$kansio/.." && for f in kolvantoTITO-JAKO.OMA kolvanto/* kolvanto/tiliotteet/TUODUT; do
   if [[ -d $f ]]; then echo "$f/ ($(find "$f" -maxdepth 1 -type f | wc -l) tiedostoa)"; else echo "$f"; fi
 done) | sed 's/^/  /'

# ---------------------------------------------------------------- Windows ZIP
(cd build/windows && cpack -G ZIP >/dev/null)
zip="$(ls -t build/windows/kolvanto-*-windows.zip | head -1)"
mkdir "$raapu/win"
(cd "$raapu/win" && cmake -E tar xf "$juuri/$zip")
# One top folder, kolvanto, as the installer has it.
[[ "$(ls -A "$raapu/win")" == kolvanto ]] || vika "ZIPin ylin taso ei ole yksi kansio kolvanto: $(ls -A "$raapu/win" | tr '\n' ' ')"
for f in kayttoohje.html frmMain-win32.png kolvanto-cli.exe kolvanto.exe esimerkki/TITO.TXT; do
  [[ -f "$raapu/win/kolvanto/$f" ]] || vika "$f puuttuu ZIPistä"
done
[[ ! -e "$raapu/win/kolvanto/README.txt" ]] || vika "englanninkielinen README.txt on ZIPissä"
for f in kolvanto-cli.exe kolvanto.exe; do riisuttu "$raapu/win/kolvanto/$f" zip; done
[[ -z "$(find "$raapu/win" -name '*.debug')" ]] || vika "zip: virheenjäljitystiedostoja mukana"
w "$raapu/win/kolvanto/kolvanto-cli.exe" --version | tr -d '\r' | grep -qx "kolvanto-cli $(versioteksti windows)" \
  || vika "ZIPin kolvanto-cli.exe ei kerro versiotaan"
echo "zip: $zip, kolvanto.exe mukana, kolvanto-cli.exe toimii Winessä"
