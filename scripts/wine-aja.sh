#!/usr/bin/env bash
# Runs a Windows test binary under Wine, quietly and without a display.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-kolvanto}"
unset DISPLAY
exec wine "$@"
