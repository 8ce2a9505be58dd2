#!/bin/bash
# runtime.sh BINDIR: the host tool's own runtime under Wine (host/test/runtime_test.cpp): every
# check passes, the exit work runs, and what would have been an exception ends the program with
# its message. Runs inside tests/wine-session.sh.
set -u
bin=$1
out=$(wine "$bin/duvad_runtime_test.exe" "a b" c </dev/null 2>&1); rc=$?
out=${out//$'\r'/}  # msvcrt.dll writes text with CR LF
echo "$out"
failures=0
fail() { echo "FAIL  $1"; failures=$((failures + 1)); }
[ $rc -eq 0 ] || fail "exit status $rc"
# Exit runs the registered work last first: the listed destructors (registered after the
# constructors ran), then the object's destructor (registered by its constructor).
[ "$(tail -2 <<<"$out")" = $'listed destructor ran at exit\ndestructor ran at exit' ] || fail "the exit work did not run"

# What the tool meets instead of an exception: its message on stderr, then abort's exit status 3.
ends() { # ends HOW MESSAGE
  local got rc
  got=$(wine "$bin/duvad_runtime_test.exe" "$1" </dev/null 2>&1 >/dev/null); rc=$?
  got=${got//$'\r'/}
  if [ $rc -eq 3 ] && grep -qxF -- "$2" <<<"$got"; then echo "ok    $1 ends the program: $2"; else
    fail "$1: exit status $rc, said: $got"; fi
}
ends length "duvad: internal error (length): basic_string::_M_create"
ends range "duvad: internal error (range): basic_string::at: __n (which is 10) >= this->size() (which is 3)"
ends memory "duvad: out of memory"

[ $failures -eq 0 ] && echo "runtime: all checks pass"
[ $failures -eq 0 ]
