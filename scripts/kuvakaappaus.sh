#!/usr/bin/env bash
# Renders the real main window and the problem dialog offscreen into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target kuvakaappaus
build/linux/bin/kuvakaappaus docs/frmMain.png docs/frmPulma.png
echo "docs/frmMain.png docs/frmPulma.png"
