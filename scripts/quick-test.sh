#!/bin/bash
# quick-test.sh REGEX: the quick command for one area. Builds what changed (native core and the
# Windows programs) and runs only the ctest entries whose names match REGEX: the native ones
# directly, the Wine ones inside one Wine session. Exits non-zero when a build or a test fails, or
# when REGEX matches no test at all (a misspelt area would otherwise pass). Meant for fault
# planting:  ../shared/tools/plant-faults --base REV --test 'scripts/quick-test.sh Area' PATHS
set -u
cd "$(dirname "$0")/.."
[ $# -eq 1 ] || { echo "usage: scripts/quick-test.sh REGEX" >&2; exit 2; }
re=$1
for preset in native windows; do
  [ -f build/$preset/CMakeCache.txt ] || cmake --preset $preset >/dev/null || exit 1
  cmake --build --preset $preset >build/quick-$preset.log 2>&1 || { tail -30 build/quick-$preset.log; exit 1; }
done
matched() { ctest --test-dir "build/$1" -N -R "$re" 2>/dev/null | sed -n 's/^Total Tests: //p'; }
native=$(matched native) windows=$(tests/wine-session.sh build/windows ctest --test-dir build/windows -N -R "$re" | sed -n 's/^Total Tests: //p')
[ "${native:-0}" -gt 0 ] || [ "${windows:-0}" -gt 0 ] || { echo "no test matches $re" >&2; exit 2; }
if [ "${native:-0}" -gt 0 ]; then
  ctest --test-dir build/native -R "$re" -j2 --output-on-failure >build/quick-native-test.log 2>&1 ||
    { grep -E "FAILED|Failure|error" build/quick-native-test.log | head -20; exit 1; }
fi
if [ "${windows:-0}" -gt 0 ]; then
  tests/wine-session.sh build/windows ctest --test-dir build/windows -R "$re" -j2 --timeout 180 \
    --output-on-failure >build/quick-windows-test.log 2>&1 ||
    { grep -E "FAILED|Failure|Failed|error" build/quick-windows-test.log | head -20; exit 1; }
fi
echo "quick-test: ${native:-0} native and ${windows:-0} Wine entries matching $re passed"
