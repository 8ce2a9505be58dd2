#!/bin/bash
# wine-session.sh BUILD_DIR COMMAND...: runs COMMAND with a private Xvfb display and one persistent,
# primed wineserver on BUILD_DIR/wineprefix (made on first use), then stops both.
set -u
BUILD=$(cd "$1" && pwd); shift
HERE=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix} WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}

# A private X server; Xvfb picks a free display number and writes it to fd 3.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & XPID=$!
read -r -t 15 DNUM <&3 || { echo "Xvfb did not start"; kill $XPID 2>/dev/null; exit 2; }
exec 3<&-
export DISPLAY=:$DNUM

# The prefix is made with the display set, else its desktop stays window-less.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEDLLOVERRIDES="mscoree=;mshtml=" wine wineboot -i >/dev/null 2>&1
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
fi

# One server for the whole run; its services get /dev/null, not our pipes (else readers of our
# output wait for them to exit).
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1
# Prefix settings (display, fonts, crash dialog, Windows version per test program name) are
# imported on every run, so a changed file takes effect in an existing prefix too.
for f in "$HERE"/wine.reg "$HERE"/wine-*.reg; do
  [ -f "$f" ] && wine regedit /S "$f" </dev/null >/dev/null 2>&1
done

"$@"; rc=$?

wineserver -k
kill $XPID 2>/dev/null
exit $rc
