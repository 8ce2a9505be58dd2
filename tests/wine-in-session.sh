#!/bin/sh
# The test programs' emulator: wine, but only inside the session tests/wine-session.sh sets up.
# Outside it, a ctest run (even a bare `ctest -N`, which lists the tests by running the programs)
# would make a default prefix in ~/.wine and start a wineserver with no display.
if [ -z "${DUVAD_WINE_SESSION:-}" ]; then
  echo "the Wine tests run inside a session: tests/wine-session.sh BUILD_DIR ctest --test-dir BUILD_DIR ..." >&2
  exit 1
fi
exec wine "$@"
