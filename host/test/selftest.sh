#!/bin/bash
# selftest.sh BINDIR WORKDIR: "duvad selftest" passes under Wine's default, win95, win98, nt40 and
# win2k settings (copies of the tool whose names tests/wine-versions.reg gives a version), each
# report naming that family and written the same to --out FILE; fails with one clear line against
# a stand-in DLL for each planted fault (and passes with none planted); leaves no file or key
# behind, also when stopped by Ctrl-C mid-run, and cleans up after a run that was killed. Runs
# inside tests/wine-session.sh.
set -u
bin=$1 work=$2
failures=0
rm -rf "$work" && mkdir -p "$work"
pass() { echo "ok    $1"; }
fail() { echo "FAIL  $1"; failures=$((failures + 1)); }

key='HKCU\Software\DuVadSelftest'
temp=$(winepath -u "$(wine cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)
[ -d "$temp" ] || { echo "cannot find the prefix's temp folder"; exit 1; }
scratch=$temp/DuVadSelftest.tmp
# What a run may make in the temp folder: its scratch folder (and the DLL's folder probe, which it
# points there). Other tests run beside this one and make files of their own in the same folder.
snap() { (cd "$temp" && find . -maxdepth 1 \( -name 'DuVadSelftest*' -o -name '~KvCheck*' \) | sort); }
keyExists() { wine reg query "$key" </dev/null >/dev/null 2>&1; }
leftNothing() { # leftNothing DESCRIPTION BEFORE: the temp folder as it was, no scratch key
  if [ "$(snap)" = "$2" ] && ! keyExists; then pass "$1: nothing left behind"
  else fail "$1: left $(diff <(echo "$2") <(snap) | grep '^>' | tr '\n' ' ')$(keyExists && echo " and $key")"; fi
}

# A folder with the tool (under NAME) and the DLLs: the real one, or the stand-in before a copy of
# the real one as DuVadReal.dll.
setup() { # setup DIR NAME [standin]
  mkdir -p "$1"
  cp "$bin/duvad.exe" "$1/$2"
  if [ "${3:-}" = standin ]; then cp "$bin/selftest-standin/DuVad.dll" "$1/DuVad.dll"; cp "$bin/DuVad.dll" "$1/DuVadReal.dll"
  else cp "$bin/DuVad.dll" "$1/DuVad.dll"; fi
}

# Each Windows setting: exit 0, the family in the report, the same report in the file.
for v in default win95 win98 nt40 win2k; do
  case $v in
    default) name=duvad.exe want='ItsNT 4, OSType 2000' ;;
    win95) name=duvad_win95.exe want='ItsNT 0, OSType 95' ;;
    win98) name=duvad_win98.exe want='ItsNT 0, OSType 98' ;;
    nt40) name=duvad_nt40.exe want='ItsNT 4, OSType 1000' ;;
    win2k) name=duvad_win2k.exe want='ItsNT 5, OSType 2000' ;;
  esac
  dir=$work/$v
  setup "$dir" "$name"
  before=$(snap)
  start=$(date +%s%N)
  wine "$dir/$name" selftest --out "$(winepath -w "$dir/report.txt")" </dev/null >"$dir/stdout" 2>"$dir/stderr"
  rc=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ $rc -eq 0 ] && grep -q "^result: all checks that ran passed" "$dir/stdout" && grep -qF "$want" "$dir/stdout"; then
    pass "$v: every check passed, $want ($ms ms)"
  else
    fail "$v (exit $rc, want $want):"; grep -E "FAIL|^Windows|OS family" "$dir/stdout" | sed 's/^/  | /'
  fi
  if cmp -s "$dir/stdout" "$dir/report.txt"; then pass "$v: --out wrote the report printed"
  else fail "$v: --out file differs from the report printed"; fi
  leftNothing "$v" "$before"
done

# The default run's report: the machine's facts in their form, every export of DuVad.def named in
# a check, those that need a person listed as not run, none unknown to the tool.
report=$work/default/stdout
missing=""
for f in '^DuVad.dll: .*DuVad.dll, version [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+' '^Windows: 6\.1\.7601 \(NT family\), service pack "Service Pack 1"' \
         '^code pages: ANSI [0-9]+, OEM [0-9]+, user locale 0x[0-9A-F]{4}' '^processor: [0-9]+ x type (386|486|586)' \
         '^run: [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}' '^scratch: C:\\.*\\DuVadSelftest\.tmp, HKEY_CURRENT_USER\\Software\\DuVadSelftest' \
         '^conversion: [0-9]+ sectors \([0-9]+ KB\) in [0-9]+ ms'; do
  grep -qE "$f" "$report" || missing="$missing [$f]"
done
grep -qE '^pass    names in the system code page .*"\\xE9" \(code page 1252\)' "$report" || missing="$missing [code page check with \xE9]"
[ -z "$missing" ] && pass "default report: DLL, Windows, code pages, processor, date, scratch and timing lines" \
  || fail "default report lacks$missing"
here=$(cd "$(dirname "$0")" && pwd)
unnamed=""
for e in $(sed -n 's/^[ \t]\+\([A-Za-z0-9]\+\)@[0-9]\+[ \t]\+@[0-9]\+.*/\1/p' "$here/../../frame/DuVad.def"); do
  grep -qE "^(pass|FAIL|not run) .*[(, ]$e[,)]" "$report" || unnamed="$unnamed $e"
done
person=""
for e in NTRestart AllineaConExplorer InvokeShellProperties ShellGetFolder GetFilenameForOpenOrSave PrinterSetup GetAColor GetAFont; do
  grep -q "^not run needs a person ($e): " "$report" || person="$person $e"
done
if [ -z "$unnamed" ] && [ -z "$person" ] && ! grep -q "does not know" "$report" && grep -q "^22 passed, 0 failed, 8 not run" "$report"; then
  pass "default report: all 48 exports named, 8 that need a person not run, 22 checks passed"
else
  fail "default report: exports not named:$unnamed; not listed as needing a person:$person"; grep -E "does not know|passed," "$report" | sed 's/^/  | /'
fi

# Japanese (code page 932): a character whose trail byte is a backslash in the file's name and in
# the path searches. Non-ASCII file names need the locale; it is made once into the build tree.
locale=$bin/../host-test/locale
[ -d "$locale/ja_JP.UTF-8" ] || { mkdir -p "$locale" && localedef -i ja_JP -f UTF-8 "$locale/ja_JP.UTF-8" 2>/dev/null; }
LOCPATH=$locale LC_ALL=ja_JP.UTF-8 wine "$work/default/duvad.exe" selftest </dev/null >"$work/ja.out" 2>/dev/null
rc=$?
if [ $rc -eq 0 ] && grep -q "^code pages: ANSI 932, OEM 932" "$work/ja.out" &&
   grep -qE '^pass    names in the system code page .*path searches and a file named with "\\x[89A-F][0-9A-F]\\" \(code page 932\)' "$work/ja.out"; then
  pass "code page 932: every check passed, names with a backslash trail byte"
else fail "code page 932 (exit $rc):"; grep -E "FAIL|code page" "$work/ja.out" | sed 's/^/  | /'; fi

# Bad use: the usage line and exit 2, no run.
wine "$work/default/duvad.exe" selftest --bogus </dev/null >/dev/null 2>"$work/usage.err"
rc=$?
if [ $rc -eq 2 ] && grep -qF "usage: duvad selftest [--out FILE]" "$work/usage.err"; then pass "bad use: usage line, exit 2"
else fail "bad use (exit $rc): $(cat "$work/usage.err")"; fi

# A report file that cannot be written: said, and exit 1 even though every check passed.
wine "$work/default/duvad.exe" selftest --out 'C:\no such folder\report.txt' </dev/null >/dev/null 2>"$work/noout.err"
rc=$?
if [ $rc -eq 1 ] && grep -qF "duvad: cannot write the report to C:\\no such folder\\report.txt" "$work/noout.err"; then
  pass "an unwritable --out file: said, exit 1"
else fail "an unwritable --out file (exit $rc): $(cat "$work/noout.err")"; fi

# The stand-in: with no fault planted every check passes; with faults planted (each group one per
# check, so that one run shows them all) each fails its check with its own line and nothing else
# fails.
dir=$work/standin
setup "$dir" duvad.exe standin
run_standin() { DUVAD_STANDIN_FAULT=$1 wine "$dir/duvad.exe" selftest </dev/null >"$dir/$2.out" 2>/dev/null; }
run_standin none none
if [ $? -eq 0 ]; then pass "stand-in without a fault: every check passed"
else fail "stand-in without a fault:"; grep FAIL "$dir/none.out" | sed 's/^/  | /'; fi
faults=$(cat <<'FAULTS'
1|OSType|OS family (ItsNT, OSType): OSType answered 1000 where GetVersionExA says 2000
1|GetWinTempPath|temp and program files folders (GetWinTempPath, GetProgamFilesFolder): GetWinTempPath gave "Z:
1|ReadFileInfo|version info (ReadFileInfo): ReadFileInfo read 4.3.2.2 (1) where the DLL's version is 4.3.2.1
1|ReadRegBlock|registry blocks (WriteRegBlock, ReadRegBlock): ReadRegBlock did not read the block back
1|DriveSettingNT|CD-ROM settings, read only (DriveSetting9598, DriveSettingNT): DriveSettingNT answered 1 where
1|VolumeFreeKB|free space (VolumeFreeKB): VolumeFreeKB said
1|FFirst|folder listing (FFirst, FNext, FEnd, IsFileExisting): entry 1:
1|IsFileErasable|file and folder probes (IsFileReadable, IsFileErasable, IsFolderWritable): IsFileErasable: 1 for a file held open
1|ReadFileInSectors|sector reading (OpenFileInSectors, ReadFileInSectors, CloseFileInSectors): ReadFileInSectors did not deliver the first two sectors
1|MatchFiles|file comparison (MatchFiles): files differing at byte 5001: 5002
1|InStrBackS|names in the system code page (InStrBackS, IsLastBackS, InStrDot, FFirst, IsFileExisting, MatchFiles): in "
1|CheckFileName|name rules (CheckFileName): mode 0, "MY FILE.TXT": 0 (-4 expected)
1|GetKvDrives|drive catalogue (GetKvDrives): GetKvDrives listed 1:
1|FindThisVB6MDIWindow|windows of other programs (FindThisVB6MDIWindow, FindDirectCD, EnablepkWR): FindThisVB6MDIWindow did not find
1|GoEvents|message pump and pauses (GoEvents, MySleep): GoEvents(0) did not handle a posted message
1|SoundATune|sounds (SoundATune): SoundATune answered 0 to start
1|SetLVItemText|list view cells (SetLVItemText, GetLVItemText, RemoveLVFocus): the list view holds ""
1|ExtensionReg|refusals that write nothing (ExtensionReg, DumpFileToPrinter): ExtensionReg answered 0
1|AnalyzeMpeg|MPEG analysis (AnalyzeMpeg): AnalyzeMpeg counted 160 track sectors where the stream's 74 packs make 159
1|PrepareVcdFiles|track conversion and first track (PrepareVcdFiles): the track file: sector 40 does not hold pack 11 of the stream
2|MatchFilesSizes|file comparison (MatchFiles): files of different sizes: 0
2|ItsNT|OS family (ItsNT, OSType): ItsNT answered 5 where GetVersion says 4
2|GetProgamFilesFolder|temp and program files folders (GetWinTempPath, GetProgamFilesFolder): GetProgamFilesFolder gave
2|EnablepkWR|windows of other programs (FindThisVB6MDIWindow, FindDirectCD, EnablepkWR): EnablepkWR answered -1 without and 43
2|MySleep|message pump and pauses (GoEvents, MySleep): MySleep(200) took
2|RemoveLVFocus|list view cells (SetLVItemText, GetLVItemText, RemoveLVFocus): RemoveLVFocus answered 1 and left state 0x03
FAULTS
)
for group in 1 2; do
  planted=$(awk -F'|' -v g=$group '$1 == g { printf "%s%s", sep, $2; sep = "," }' <<<"$faults")
  run_standin "$planted" "group$group"; rc=$?
  out=$dir/group$group.out
  want=$(awk -F'|' -v g=$group '$1 == g' <<<"$faults" | wc -l)
  got=$(grep -c '^FAIL' "$out")
  if [ $rc -eq 1 ] && [ "$got" = "$want" ] && grep -q '^result: FAILED' "$out"; then
    pass "planted faults, group $group: exit 1, $got FAIL lines for $want faults"
  else
    fail "planted faults, group $group (exit $rc, $got FAIL lines for $want faults):"; grep FAIL "$out" | sed 's/^/  | /'
  fi
  while IFS='|' read -r g fault line; do
    [ "$g" = "$group" ] || continue
    if grep -qF "FAIL    $line" "$out"; then pass "planted fault in $fault: $(grep -F "FAIL    ${line%%:*}" "$out" | cut -c1-150)"
    else fail "planted fault in $fault: no line \"FAIL    $line\""; fi
  done <<<"$faults"
done

# Stopped mid-run: the run holds after the registry check (scratch folder and key made) for ten
# minutes, longer than this test may take, unless signalled. Waits on the tool's "holding" line.
dir=$work/default
held() { # held SIGNAL: starts a held run, signals it once it holds; sets rc and out
  out=$work/held-$1
  DUVAD_SELFTEST_HOLD_MS=600000 wine "$dir/duvad.exe" selftest </dev/null >"$out.out" 2>"$out.err" &
  local pid=$! i
  for i in $(seq 600); do grep -q holding "$out.err" 2>/dev/null && break; sleep 0.05; done
  if [ -d "$scratch" ] && keyExists; then made=1; else made=0; fi
  kill -"$1" $pid; { wait $pid; } 2>/dev/null; rc=$?
}
before=$(snap)
held INT
# It held where asked: the five checks before the hold ran, no later one.
if [ $made = 1 ] && [ $rc -eq 3 ] && grep -q "^interrupted" "$out.out" && grep -q "^5 passed, 0 failed, 0 not run" "$out.out"; then pass "Ctrl-C mid-run: stopped (exit 3), report says interrupted"
else fail "Ctrl-C mid-run (scratch made: $made, exit $rc)"; fi
leftNothing "Ctrl-C mid-run" "$before"
held KILL
if [ $made = 1 ] && [ -d "$scratch" ] && keyExists; then pass "killed mid-run: its scratch folder and key are left"
else fail "killed mid-run (scratch made: $made): the scratch was not left as a kill leaves it"; fi
wine "$dir/duvad.exe" selftest </dev/null >"$work/after-kill.out" 2>/dev/null; rc=$?
if [ $rc -eq 0 ] && grep -q "removed the scratch folder .* that an interrupted run left" "$work/after-kill.out" &&
   grep -q "removed the scratch key .* that an interrupted run left" "$work/after-kill.out"; then
  pass "the run after a killed one removed its scratch, said so, and passed"
else fail "the run after a killed one (exit $rc)"; grep -E "FAIL|note" "$work/after-kill.out" | sed 's/^/  | /'; fi
leftNothing "after a killed run" "$before"

[ $failures -eq 0 ] && rm -rf "$work"
[ $failures -eq 0 ] && echo "selftest: all checks pass" || echo "selftest: $failures checks failed"
[ $failures -eq 0 ]
