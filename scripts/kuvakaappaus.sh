#!/usr/bin/env bash
# Renders the real main window, the problem dialog, the main window's context menu and a
# sample month's report offscreen into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target kuvakaappaus
build/linux/bin/kuvakaappaus docs/frmMain.png docs/frmPulma.png docs/frmMain-raportti.png docs/raportti.png
echo "docs/frmMain.png docs/frmPulma.png docs/frmMain-raportti.png docs/raportti.png"
