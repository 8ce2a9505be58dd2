#!/bin/bash
# Builds everything and runs every test: the platform-free core natively under ASan/UBSan, a short
# fuzzing run, and DuVad.dll's integration tests under Wine with Xvfb. Installs what it needs.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

if [ -n "$(ls fuzz/*_fuzz.cpp 2>/dev/null)" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  scripts/fuzz.sh 20
fi

cmake --preset windows >/dev/null
cmake --build --preset windows
tests/wine-session.sh build/windows \
  ctest --test-dir build/windows --output-on-failure --timeout 180 -j2
