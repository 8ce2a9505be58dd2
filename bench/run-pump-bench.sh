#!/bin/bash
# Measures GoEvents(0) under Wine (builds the windows preset first).
set -eu
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target pump_bench DuVad >/dev/null
tests/wine-session.sh build/windows sh -c 'cd build/windows/bin && wine pump_bench.exe'
