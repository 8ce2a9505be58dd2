#!/bin/bash
# check_header.sh [FOLDER]: DuVad.h (include/'s, or FOLDER's) as the C and C++ compilers of the VB6
# era take it.
#  - Visual C++ 6 (_MSC_VER 1200) and 2008 (1500), as clang in Microsoft mode with those versions
#    sees the header: C89 and C++98, with no system header at all on the include path (-nostdinc;
#    vc/windows.h stands in for the Platform SDK's), so no <stdint.h>.
#  - The same with Visual C++ 2010 (1600), which has <stdint.h>: the header asks for it, and
#    without it fails here (the environment really lacks the file).
#  - MinGW's gcc with its own headers, C89 and C++98, pedantic.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/header
include=${1:-$root/include}
failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}" >/tmp/duvad_header.$$ 2>&1; then echo "ok    $1"; else
    echo "FAIL  $1"; sed 's/^/  | /' /tmp/duvad_header.$$; failures=$((failures + 1)); fi
}
refuses() { ! "$@"; }
trap 'rm -f /tmp/duvad_header.$$' EXIT

msvc() { # msvc VERSION LANGUAGE STANDARD
  clang --target=i686-pc-windows-msvc -fms-compatibility-version="$1" -nostdinc -fsyntax-only \
    -Werror -I"$here/vc" -I"$include" -x "$2" -std="$3" "$here/use_header.c"
}
for v in 12.00 15.00; do
  check "Visual C++ _MSC_VER ${v%.*}00, C89, no <stdint.h>" msvc $v c c89
  check "Visual C++ _MSC_VER ${v%.*}00, C++98, no <stdint.h>" msvc $v c++ c++98
done
check "Visual C++ 2010 (_MSC_VER 1600) wants <stdint.h>, which is not there" refuses msvc 16.00 c c89

mingw() { # mingw COMPILER STANDARD LANGUAGE
  "$1" -std="$2" -pedantic-errors -Wall -Wextra -Werror -fsyntax-only -I"$include" -x "$3" "$here/use_header.c"
}
check "MinGW gcc, C89, pedantic" mingw i686-w64-mingw32-gcc c89 c
check "MinGW g++, C++98, pedantic" mingw i686-w64-mingw32-g++ c++98 c++

[ $failures -eq 0 ] && echo "DuVad.h: all checks pass" || echo "DuVad.h: $failures checks failed"
[ $failures -eq 0 ]
