#!/usr/bin/env bash
# Runs a Windows program under Wine on a display of its own: starts Xvfb on a free display
# number, runs the program, stops Xvfb. The window tests use a Wine prefix of their own, so
# that no other program's windows are found by title. With KOLVANTO_DPI set (e.g. 144) the
# display has that many dots per inch, in a prefix of its own.
set -uo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# One prefix for each checkout: two runs sharing one (two checkouts tested at once) would find
# each other's windows by title, and the first to end would end the other's programs with
# its server.
juuri="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${KOLVANTO_IKKUNAPREFIX:-$HOME/.wine-kolvanto-ikkuna-$(printf %s "$juuri" | cksum | cut -d' ' -f1)}${KOLVANTO_DPI:+-$KOLVANTO_DPI}"
if [[ -n ${KOLVANTO_DPI:-} ]]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KOLVANTO_DPI" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$KOLVANTO_DPI" /f >/dev/null 2>&1
  wineserver -w
fi

numero=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1440x24 -nolisten tcp 3>"$numero" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 100); do
  [[ -s $numero ]] && break
  sleep 0.1
done
if ! [[ -s $numero ]]; then
  echo "wine-naytolla: Xvfb ei käynnistynyt" >&2
  kill "$xvfb" 2>/dev/null
  rm -f "$numero"
  exit 1
fi
export DISPLAY=":$(head -1 "$numero")"
rm -f "$numero"

wine "$@"
koodi=$?
# The prefix's server would otherwise keep the display's connection open.
wineserver -k 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $koodi
