#!/usr/bin/env bash
# Runs a Windows test program with Wine's system DPI set to the given value, then puts the
# prefix back to 96. The setting takes effect only for a new wineserver.
#   run-at-dpi.sh DPI PROGRAM [ARGS...]
set -u
dpi=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../tools/wine-run
set_dpi() {
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  WINEPREFIX=${KV_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvox/wine} wineserver -k >/dev/null 2>&1
}
trap 'set_dpi 96' EXIT
set_dpi "$dpi"
KV_EXPECTED_DPI=$dpi "$run" "$@"
