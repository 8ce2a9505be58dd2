#!/bin/bash
# wine-session.sh BUILD_DIR COMMAND...: runs COMMAND with a private Xvfb display and one persistent,
# primed wineserver on BUILD_DIR/wineprefix (made on first use), then stops both, on every way out
# (COMMAND's end, a failure here, Ctrl-C, a kill by TERM or HUP).
set -u
BUILD=$(cd "$1" && pwd); shift
HERE=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix} WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export DUVAD_WINE_SESSION=1

XPID="" CHILD="" started_wine=""
kill_tree() {
  local c
  for c in $(pgrep -P "$1"); do kill_tree "$c"; done
  kill "$1" 2>/dev/null
}
stop_session() {
  # Only what this session started: COMMAND and what it started, its prefix's wineserver (which
  # ends every Wine process of the prefix), and its own X server.
  if [ -n "$CHILD" ]; then kill_tree "$CHILD"; fi
  if [ -n "$started_wine" ]; then wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; fi
  if [ -n "$XPID" ]; then kill "$XPID" 2>/dev/null; wait "$XPID" 2>/dev/null; fi
}
trap stop_session EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# A private X server; Xvfb picks a free display number and writes it to fd 3.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & XPID=$!
read -r -t 15 DNUM <&3 || { echo "Xvfb did not start"; exit 2; }
exec 3<&-
export DISPLAY=:$DNUM
started_wine=1

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

# In the background (with our input), so that a signal to this script is handled at once rather
# than when COMMAND ends.
"$@" <&0 & CHILD=$!
wait "$CHILD"; rc=$?
CHILD=""
exit $rc
