#!/bin/bash
# as-unprivileged-user.sh wine PROGRAM ARGS...: runs a test program as an ordinary user. Run by
# anyone else than root, it just runs it. Run by root (who may open a read-only file for writing,
# so a read-only case could not fail), it makes a user of its own for this run, with a Wine prefix
# and wineserver of that user's own, runs the program as that user, and removes server, prefix and
# user again on every way out. The program and its folder must be readable by everyone. Of the
# caller's environment only DUVAD_READONLY_FOLDER (tests/win/probe_folders.sh) is passed on.
set -u
if [ "$(id -u)" -ne 0 ]; then exec "$@"; fi

user=duvad$$
home=$(mktemp -d /tmp/duvad-user.XXXXXX)
as_user() {
  # Its own prefix and server make a Wine session of their own (DUVAD_WINE_SESSION lets the test
  # programs' emulator run).
  runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin WINEPREFIX="$home/prefix" \
    DUVAD_WINE_SESSION=1 DUVAD_READONLY_FOLDER="${DUVAD_READONLY_FOLDER:-}" WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree=;mshtml=" "$@"
}
cleanup() {
  as_user wineserver -k 2>/dev/null
  as_user wineserver -w 2>/dev/null
  userdel "$user" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

useradd --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user" || exit 2
chown "$user:" "$home"
chmod 700 "$home"
# The new prefix needs no display: the tests run here open no window.
as_user wine wineboot -i >/dev/null 2>&1 </dev/null
echo "running as $user (uid $(id -u "$user")) with its own Wine prefix"
as_user "$@" </dev/null
