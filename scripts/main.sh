#!/bin/bash
# The main job on its embedded default: builds DuVad.dll and runs the host tool under Wine.
# Extra arguments go to the host tool (duvad.exe); without any it runs "info".
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target duvad DuVad
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wineprefix} WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
[ -f "$WINEPREFIX/system.reg" ] || { WINEDLLOVERRIDES="mscoree=;mshtml=" wine wineboot -i >/dev/null 2>&1; wineserver -w; }
echo "DuVad.dll: $PWD/build/windows/bin/DuVad.dll"
wine build/windows/bin/duvad.exe "$@" </dev/null 2> >(grep -v -e '^ALSA lib' -e 'cannot find card' >&2)
