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

# The release archive, tested from the archive alone in a fresh Wine prefix of its own.
scripts/package.sh >build/package.log 2>&1 || { cat build/package.log; exit 1; }
tests/package/test_archive.sh "$(tail -1 build/package.log)"

# A printer for the Print Setup tests: CUPS with a PDF queue (cups-pdf). There is no service manager
# here, so the scheduler is started when it is not running, and the queue is made when missing. It
# is the default printer of the test processes only: their CUPS client takes it from LPDEST and
# PRINTER (Wine's printer list marks CUPS's default as Windows' default); the machine's own default
# stays as it was. A queue or scheduler this run made is taken away again when it ends, so the
# machine is left as it was found. (The no-printer tests point their own CUPS client at no server.)
made_queue="" started_cupsd=""
leave_printing_as_found() {
  [ -n "$made_queue" ] && lpadmin -x DuVadPDF 2>/dev/null
  [ -n "$started_cupsd" ] && kill "$started_cupsd" 2>/dev/null
  return 0
}
trap leave_printing_as_found EXIT
if ! lpstat -r 2>/dev/null | grep -q "scheduler is running"; then
  /usr/sbin/cupsd
  for _ in $(seq 50); do lpstat -r 2>/dev/null | grep -q "scheduler is running" && break; sleep 0.1; done
  started_cupsd=$(cat /run/cups/cupsd.pid 2>/dev/null)
fi
if ! lpstat -v DuVadPDF >/dev/null 2>&1; then
  lpadmin -p DuVadPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  made_queue=1
fi
export LPDEST=DuVadPDF PRINTER=DuVadPDF

# The Wine tests run under each Windows version setting in turn: first as the prefix's own version
# (the plain test programs, the host tool and the checks), then the copies of the test programs
# under Windows 95, 98, NT 4 and 2000 (entries labelled `version` and the version; see
# tests/win/CMakeLists.txt). One setting at a time, so that no test runs beside its own copy.
# Within a setting the desktop tests (tests/win/desktop/) run one at a time after the others. One
# that fails gets one more run, and every such rerun is counted and named at the end: a rerun that
# is needed at all is a fault of the suite to be looked at.
tests/wine-session.sh build/windows sh -c '
  run() { ctest --test-dir build/windows --output-on-failure --timeout 180 "$@"; }
  status=0 reran=""
  for setting in "" win95 win98 nt40 win2k; do
    start=$(date +%s)
    if [ -z "$setting" ]; then
      run -j2 -LE "desktop|version" || status=1
      set -- -L desktop -LE version
    else
      run -j2 -L "^$setting\$" -LE desktop || status=1
      set -- -L "^$setting\$" -L desktop
    fi
    if ! run "$@"; then
      again=$(cut -d: -f2 build/windows/Testing/Temporary/LastTestsFailed.log | tr "\n" " ")
      echo "rerunning the desktop tests that failed: $again"
      reran="$reran$again"
      run --rerun-failed || status=1
    fi
    echo "Wine tests as ${setting:-the prefix default}: $(($(date +%s) - start)) s"
  done
  echo "desktop reruns: $(echo $reran | wc -w)${reran:+ ($reran)}"
  exit $status'
