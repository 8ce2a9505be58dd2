#!/bin/bash
# runtime.sh BINDIR: the host tool's own runtime under Wine (host/test/runtime_test.cpp): every
# check passes, and the last line, from a destructor, says the exit work ran. Runs inside
# tests/wine-session.sh.
set -u
out=$(wine "$1/duvad_runtime_test.exe" "a b" c </dev/null 2>&1); rc=$?
out=${out//$'\r'/}  # msvcrt.dll writes text with CR LF
echo "$out"
[ $rc -eq 0 ] || { echo "FAIL  exit status $rc"; exit 1; }
[ "$(tail -1 <<<"$out")" = "destructor ran at exit" ] || { echo "FAIL  the exit work did not run"; exit 1; }
echo "runtime: all checks pass"
