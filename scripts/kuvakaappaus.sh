#!/usr/bin/env bash
# Renders the real main window offscreen to docs/frmMain.png.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target kuvakaappaus
build/linux/bin/kuvakaappaus docs/frmMain.png
echo "docs/frmMain.png"
