#!/bin/bash
# Builds the shipped DuVad.dll and host tool and writes the release archive
# dist/DuVad-<version>-win32.zip: the DLL, the host tool, DuVad.h, DuVad.bas, the type library
# DuVad.tlb, import libraries for Microsoft's toolchain (DuVad.lib) and MinGW (libDuVad.dll.a),
# the reference DuVad.html, README.txt, LICENSE and SHA256SUMS. The version is the project's
# (CMakeLists.txt), read from the header the DLL's version resource is compiled from. Prints the
# archive's path.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target DuVad duvad duvad_reference

version=$(sed -n 's/^#define DUVAD_VERSION_TEXT "\(.*\)"$/\1/p' build/windows/shipped/generated/duvad_version.h)
[ -n "$version" ] || { echo "no version in build/windows/shipped/generated/duvad_version.h" >&2; exit 1; }
name=DuVad-$version-win32
work=build/package stage=build/package/$name
rm -rf "$work"
mkdir -p "$stage" dist

# DuVad.def, DuVad.h and DuVad.bas must agree before anything is made from them.
python3 tools/exports.py check .

# Every text file of the archive ends its lines in CR LF: VB6 refuses or misreads a module
# without them, and the editors of the time show such a file as one long line.
crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
for f in include/DuVad.h bindings/vb6/DuVad.bas LICENSE; do crlf <"$f" >"$stage/$(basename "$f")"; done
# The build's symbols and debug sections are of no use to a user (exports live in their own table).
for f in DuVad.dll duvad.exe; do i686-w64-mingw32-strip -o "$stage/$f" "build/windows/bin/$f"; done
# What ships loads on Windows 95 (tools/allowed_imports.txt).
python3 tools/pe_check.py "$stage/DuVad.dll" "$stage/duvad.exe" >/dev/null || {
  python3 tools/pe_check.py "$stage/DuVad.dll" "$stage/duvad.exe" >&2; exit 1; }
sed -e "s/@VERSION@/$version/g" release/README.txt | crlf >"$stage/README.txt"
# The reference, made by the build from DuVad.h, DuVad.bas and DuVad.def (tools/reference.py).
crlf <build/windows/reference/DuVad.html >"$stage/DuVad.html"

# The type library: its source made from DuVad.h and DuVad.bas, compiled by widl, then the DLL
# entry names that widl leaves out ("#") written in.
python3 tools/exports.py idl . "$version" "$work/DuVad.idl"
i686-w64-mingw32-widl --win32 -t -o "$work/DuVad.widl.tlb" "$work/DuVad.idl"
python3 tools/msft_entries.py "$work/DuVad.widl.tlb" "$stage/DuVad.tlb"

# Import libraries from DuVad.def: a caller compiled against DuVad.h refers to _GoEvents@4; -k
# binds that symbol to the plain export GoEvents (the DLL is linked with --kill-at).
i686-w64-mingw32-dlltool -k -d frame/DuVad.def -D DuVad.dll -l "$stage/libDuVad.dll.a"
llvm-dlltool -m i386 -k -d frame/DuVad.def -D DuVad.dll -l "$stage/DuVad.lib"

(cd "$stage" && sha256sum -- DuVad.dll duvad.exe DuVad.h DuVad.bas DuVad.tlb DuVad.lib libDuVad.dll.a \
   DuVad.html README.txt LICENSE | crlf >SHA256SUMS)
rm -f "dist/$name.zip"
(cd "$work" && zip -q -X -r "../../dist/$name.zip" "$name")
echo "$PWD/dist/$name.zip"
