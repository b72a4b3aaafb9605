#!/usr/bin/env bash
# Photographs the real Win32 windows (and the main window's system menu) under Wine on an
# Xvfb display into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target kuvakaappaus-win32
# The window tests' prefix, as scripts/wine-naytolla.sh names it for this checkout.
export KOLVANTO_IKKUNAPREFIX="${KOLVANTO_IKKUNAPREFIX:-$HOME/.wine-kolvanto-ikkuna-$(printf %s "$(pwd)" | cksum | cut -d' ' -f1)}"
export WINEPREFIX="$KOLVANTO_IKKUNAPREFIX"
# Without a window manager Wine draws the windows' frames and captions itself.
WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
raapu="$(mktemp -d)"
trap 'rm -rf "$raapu"' EXIT
scripts/wine-naytolla.sh build/windows/bin/kuvakaappaus-win32.exe "Z:$raapu/paa.bmp" "Z:$raapu/pulma.bmp" "Z:$raapu/raportti.bmp"
convert "$raapu/paa.bmp" docs/frmMain-win32.png
convert "$raapu/pulma.bmp" docs/frmPulma-win32.png
convert "$raapu/raportti.bmp" docs/frmMain-raportti-win32.png
echo "docs/frmMain-win32.png docs/frmPulma-win32.png docs/frmMain-raportti-win32.png"
