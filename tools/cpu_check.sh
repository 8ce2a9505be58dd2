#!/bin/bash
# cpu_check.sh DuVad.dll: the DLL's code uses no instruction newer than the 80386 (Windows 95's
# oldest processor): no CMOV/FCMOV/FCOMI (Pentium Pro), CPUID/RDTSC/CMPXCHG8B (Pentium),
# BSWAP/CMPXCHG/XADD/INVLPG (486), MMX or SSE. Prints the ones found, with their functions.
set -u
found=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$1" | awk '
  />:$/ { fn = $2 }
  $2 ~ /^(cmov|fcmov|fcomip?$|fucomip?$|cpuid|rdtsc|cmpxchg|bswap|xadd|invlpg|wbinvd|emms|sysenter)/ ||
  $0 ~ /%xmm|%mm[0-7]/ { print fn, $2 }' | sort | uniq -c)
if [ -n "$found" ]; then
  echo "$1: instructions newer than the 80386:"
  echo "$found"
  exit 1
fi
echo "$1: 80386 instructions only"
