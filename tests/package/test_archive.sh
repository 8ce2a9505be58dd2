#!/bin/bash
# test_archive.sh ZIP: the release archive alone, as a user gets it, in a fresh Wine prefix of its
# own (console programs only, no display): the files and their SHA256SUMS; CR LF in every text
# file; the binaries' imports and versions (Windows 95); DuVad.h for old compilers; a C program
# compiled against the archive's DuVad.h, linked once with libDuVad.dll.a and once with DuVad.lib,
# calls exports, and so does one made by clang and lld-link in Microsoft form; DuVad.tlb read back through oleaut32 against frame/DuVad.def, DuVad.h and DuVad.bas;
# DuVad.html is the reference the tree's sources make;
# the host tool makes a Video CD and passes its self-test. Everything it makes is removed on exit.
set -u
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
version=$(basename "$zip" | sed -n 's/^DuVad-\(.*\)-win32\.zip$/\1/p')
[ -n "$version" ] || { echo "not a release archive name: $zip"; exit 2; }

tmp=$(mktemp -d /tmp/duvad-release.XXXXXX)
export WINEPREFIX=$tmp/prefix WINEARCH=win32 WINEDEBUG=-all
unset DISPLAY
cleanup() {
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi
}
cd "$tmp"
unzip -q "$zip" -d unpacked || { echo "FAIL  unzip"; exit 1; }
pkg=$tmp/unpacked/DuVad-$version-win32

files="DuVad.bas DuVad.dll DuVad.h DuVad.html DuVad.lib DuVad.tlb LICENSE README.txt SHA256SUMS duvad.exe libDuVad.dll.a"
check "the archive holds one folder, $(basename "$pkg"), with exactly the release's files" \
  test "$(cd unpacked && find . -type f | sort | tr '\n' ' ')" = \
       "$(for f in $files; do echo "./DuVad-$version-win32/$f"; done | LC_ALL=C sort | tr '\n' ' ')"
check "SHA256SUMS covers every other file and verifies" \
  sh -c "cd '$pkg' && sha256sum --quiet -c SHA256SUMS && [ \$(wc -l <SHA256SUMS) -eq 10 ]"
for f in DuVad.h DuVad.bas LICENSE; do
  src=$root/include/$f; [ -f "$src" ] || src=$root/bindings/vb6/$f; [ -f "$src" ] || src=$root/$f
  check "$f is the tree's (with CR LF line ends)" sh -c "sed -e 's/\r\$//' -e 's/\$/\r/' '$src' | cmp -s - '$pkg/$f'"
done
python3 "$root/tools/reference.py" html "$root" "$version" "$tmp/DuVad.html" >/dev/null
check "DuVad.html is the reference the tree's DuVad.h, DuVad.bas and DuVad.def make" \
  sh -c "sed 's/\$/\r/' '$tmp/DuVad.html' | cmp -s - '$pkg/DuVad.html'"
# A file without zero bytes is text: VB6 and the editors of the time want CR LF after every line.
crlf_only() { python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
sys.exit(0 if d.endswith(b"\r\n") and d.count(b"\n") == d.count(b"\r\n") == d.count(b"\r") else 1)' "$1"; }
texts=0
for f in $files; do
  if ! grep -qaP '\x00' "$pkg/$f"; then
    texts=$((texts + 1))
    check "$f (text) ends every line in CR LF" crlf_only "$pkg/$f"
  fi
done
check "six text files were found (DuVad.h, DuVad.bas, DuVad.html, LICENSE, README.txt, SHA256SUMS)" test $texts -eq 6
indented() { bash -c 'set -o pipefail; "$@" 2>&1 | sed "s/^/  | /"' indented "$@"; }
check "DuVad.dll and duvad.exe load on Windows 95 (tools/pe_check.py)" \
  indented python3 "$root/tools/pe_check.py" "$pkg/DuVad.dll" "$pkg/duvad.exe"
check "DuVad.dll uses no instruction newer than the 80386, duvad.exe none newer than the Pentium (tools/cpu_check.py)" \
  indented python3 "$root/tools/cpu_check.py" "$pkg/DuVad.dll" "$pkg/duvad.exe"
check "README.txt names each binary's processor floor" \
  sh -c "grep -q '^  DuVad.dll   an 80386 or later' '$pkg/README.txt' && grep -q '^  duvad.exe   a Pentium or later' '$pkg/README.txt'"
check "DuVad.h compiles as Visual C++ 6 to 2008 and MinGW take it, C89 and C++98" \
  indented bash "$root/tests/header/check_header.sh" "$pkg"
check "README.txt names the version and every file" \
  sh -c "grep -q 'DuVad $version' '$pkg/README.txt' && for f in $files; do grep -q \"\$f\" '$pkg/README.txt' || exit 1; done"
check "LICENSE is MIT" grep -q "^MIT License" "$pkg/LICENSE"

# A fresh prefix; one server for the run, its services kept off our pipes.
WINEDLLOVERRIDES="mscoree=;mshtml=" wine wineboot -i >/dev/null 2>&1
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1

# The C program, built twice from the archive's header: once per import library.
cc=i686-w64-mingw32-gcc
for lib in libDuVad.dll.a DuVad.lib; do
  exe=$pkg/call_${lib%%.*}.exe
  check "a C program compiles against DuVad.h and links with $lib" \
    $cc -std=c99 -Wall -Wextra -Werror -I"$pkg" "$here/call_exports.c" "$pkg/$lib" -o "$exe"
  [ -f "$exe" ] || continue
  check "$lib binds the exports by their plain names in DuVad.dll" \
    sh -c "i686-w64-mingw32-objdump -p '$exe' | grep -A20 'DLL Name: DuVad.dll' | grep -qE '[0-9]+ +GoEvents\$'"
  (cd "$pkg" && wine "$exe" "$version" </dev/null >"$tmp/call.out" 2>/dev/null); rc=$?
  sed 's/^/  | /' "$tmp/call.out"
  check "the program built with $lib runs its calls under Wine" test $rc -eq 0 -a -s "$tmp/call.out"
done

# The same calls from a program made with Microsoft-format tools: compiled as Visual C++ 6 takes
# DuVad.h, linked by lld-link against the archive's DuVad.lib, without a C runtime.
msvc=$tmp/msvc
mkdir -p "$msvc"
llvm-dlltool -m i386 -k -d "$here/msvc_kernel32.def" -D kernel32.dll -l "$msvc/kernel32.lib"
check "clang (Microsoft mode, _MSC_VER 1200) compiles a C program against DuVad.h" \
  clang --target=i686-pc-windows-msvc -fms-compatibility-version=12.00 -nostdinc -Wall -Wextra -Werror \
    -I"$root/tests/header/vc" -I"$pkg" -c "$here/call_msvc.c" -o "$msvc/call_msvc.obj"
check "lld-link links it with DuVad.lib" \
  lld-link /nologo /entry:start /subsystem:console /nodefaultlib "$msvc/call_msvc.obj" "$pkg/DuVad.lib" \
    "$msvc/kernel32.lib" /out:"$pkg/call_msvc.exe"
if [ -f "$pkg/call_msvc.exe" ]; then
  check "DuVad.lib binds the exports by their plain names in DuVad.dll" \
    sh -c "i686-w64-mingw32-objdump -p '$pkg/call_msvc.exe' | grep -A20 'DLL Name: DuVad.dll' | grep -qE '[0-9]+ +GoEvents\$'"
  (cd "$pkg" && wine call_msvc.exe </dev/null >"$tmp/msvc.out" 2>/dev/null); rc=$?
  sed 's/^/  | /' "$tmp/msvc.out"
  check "the program lld-link made runs its calls under Wine" test $rc -eq 0 -a -s "$tmp/msvc.out"
fi

# The type library as oleaut32 reads it.
$cc -std=c99 -Wall -Wextra -Werror "$here/typelib_dump.c" -o "$tmp/typelib_dump.exe" -loleaut32 -lole32 -luuid
wine "$tmp/typelib_dump.exe" "$(winepath -w "$pkg/DuVad.tlb")" </dev/null >"$tmp/tlb.out" 2>/dev/null
check "DuVad.tlb loads (LoadTypeLibEx)" test $? -eq 0
check "DuVad.tlb: every function's DLL entry, parameters and help against DuVad.def, DuVad.h, DuVad.bas" \
  python3 "$here/check_typelib.py" "$tmp/tlb.out" "$root/frame/DuVad.def" "$pkg/DuVad.h" "$pkg/DuVad.bas" "$version"

# The host tool makes a disc from a 2-second stream: 30 + its 2324-byte packs + 55 sectors.
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=352x240:rate=30000/1001 -f lavfi -i sine=frequency=440 \
  -t 2 -target ntsc-vcd -aspect 4:3 "$tmp/a.mpg"
wine "$pkg/duvad.exe" make "$(winepath -w "$tmp/disc")" "$(winepath -w "$tmp/a.mpg")" </dev/null >"$tmp/make.out" 2>&1
check "duvad.exe make succeeds" test $? -eq 0
packs=$(( $(stat -c %s "$tmp/a.mpg") / 2324 ))
check "the track file holds 30 + $packs + 55 sectors of 2336 bytes" \
  test "$(stat -c %s "$tmp/disc/AVSEQ01.DAT" 2>/dev/null)" = $(( (30 + packs + 55) * 2336 ))
# A CD track is at least 300 sectors (4 seconds): a shorter one is padded with empty sectors.
track=$(( 30 + packs + 55 )); [ $track -lt 300 ] && track=300
check "the raw disc: the first track (300), a 150-sector gap and the track ($track), 2352 bytes each" \
  test "$(stat -c %s "$tmp/disc/videocd.bin" 2>/dev/null)" = $(( (300 + 150 + track) * 2352 ))
check "vcd-info reads the disc as a Video CD with one track" \
  sh -c "vcd-info --no-banner --cue-file '$tmp/disc/videocd.cue' 2>/dev/null | grep -q ' entries: 1'"

# The self-test as README.txt tells a user to run it, in the archive's folder. This prefix has no
# display, so the checks that need a window of their own are listed as not run.
(cd "$pkg" && wine duvad.exe selftest --out report.txt </dev/null >"$tmp/selftest.out" 2>/dev/null); rc=$?
sed 's/^/  | /' "$tmp/selftest.out"
check "duvad selftest: every check that ran passed (exit 0)" \
  sh -c "[ $rc -eq 0 ] && grep -q '^result: all checks that ran passed' '$tmp/selftest.out'"
check "duvad selftest --out report.txt holds the report printed" cmp -s "$tmp/selftest.out" "$pkg/report.txt"
scratch=$(sed -n 's/^scratch: \(.*\), HKEY_CURRENT_USER.*/\1/p' "$tmp/selftest.out" | tr -d '\r')
check "duvad selftest left neither its scratch folder nor its registry key" \
  sh -c "[ -n '$scratch' ] && [ ! -e \"\$(winepath -u '$scratch' 2>/dev/null)\" ] &&
         ! wine reg query 'HKCU\\Software\\DuVadSelftest' </dev/null >/dev/null 2>&1"

[ $failures -eq 0 ] && echo "release archive: all checks pass" || echo "release archive: $failures checks failed"
[ $failures -eq 0 ]
