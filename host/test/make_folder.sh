#!/bin/bash
# make_folder.sh BINDIR WORKDIR: what "duvad make" does to the output folder when it is not alone:
# files of the user's named like the disc's, makes killed or interrupted at chosen points (the
# tool's test hook DUVAD_TEST_HOLD holds it there), two makes into one folder, a case-only name
# clash, a staging folder's name taken, identities on two tmpfs mounts, track files longer or
# shorter than planned (a stand-in DuVad.dll), and scripts/duvad under signals. Runs inside
# tests/wine-session.sh. Exit 77: no ffmpeg.
set -u
export LC_ALL=C  # ls in byte order
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
"$here/../../tests/data/make_streams.sh" "$bin/vcd-streams" || { echo "cannot make the test streams"; exit 1; }
s=$bin/vcd-streams
rm -rf "$work" && mkdir -p "$work"
failures=0
# A failed check counts; with FAIL_FAST set (fault planting) it ends the run.
failed() { failures=$((failures + 1)); [ -z "${FAIL_FAST:-}" ] || exit 1; }
check() { # check DESCRIPTION COMMAND...: counts and reports a failed check
  if "${@:2}"; then echo "ok    $1"; else echo "FAIL  $1"; failed; fi
}
has() { grep -qF -- "$2" <<<"$1" || { echo "  missing: $2"; echo "$1" | sed 's/^/  | /'; return 1; }; }
win() { winepath -w "$1" 2>/dev/null; }
duvad() { wine "$bin/duvad.exe" "$@"; }
tool=(wine "$bin/duvad.exe")  # for a command in the background: its pid is the tool's
# snap DIR: every file's name and contents, and every folder's name.
snap() { (cd "$1" && find . -type f -exec md5sum {} + | sort && find . -type d | sort); }
same() { # same DESCRIPTION DIR SNAPSHOT: the folder is as it was
  local now; now=$(snap "$2")
  if [ "$now" = "$3" ]; then echo "ok    $1"; else echo "FAIL  $1"; diff <(echo "$3") <(echo "$now") | sed 's/^/  | /'; failed; fi
}
names() { (cd "$1" && ls -A | tr '\n' ' '); }
disc_names="AVSEQ01.DAT TRACK01.IMG duvad.lst videocd.bin videocd.cue videocd.toc "
# wait_for FILE: until it exists (a held make is at its point), 30 s at most.
wait_for() { local i; for i in $(seq 600); do [ -e "$1" ] && return 0; sleep 0.05; done; return 1; }
# wait_text FILE TEXT: until FILE holds TEXT, 10 s at most.
wait_text() { local i; for i in $(seq 200); do grep -qF -- "$2" "$1" 2>/dev/null && return 0; sleep 0.05; done; return 1; }
hold=$work/hold
# held POINT COMMAND...: runs COMMAND (a program, not a function) in the background held at POINT;
# $held is its pid once there.
held() {
  local point=$1; shift
  rm -f "$hold"
  DUVAD_TEST_HOLD=$point DUVAD_TEST_HOLD_FILE=$(win "$hold") "$@" >"$work/out" 2>"$work/err" &
  held=$!
  wait_for "$hold" || echo "  never held at $point: $(cat "$work/err")"
}
for _ in $(seq 20); do cat "$s/ntsc.mpg"; done >"$work/long.mpg"  # a conversion long enough to be held in
track() { stat -c %s "$1/AVSEQ01.DAT"; }
# running DIR: the pid of the duvad.exe making a disc into DIR (a regular expression of its name).
running() { pgrep -f -- "duvad.exe make $(win "$1" | sed 's/[][\\.^$*+?(){}|]/./g')" | head -1; }

# ---- Files of the user's in the output folder -----------------------------------------------------
d=$work/user
mkdir -p "$d" && cp "$s/ntsc.cdxa" "$d/AVSEQ01.DAT"  # copied off a disc, not a source
before=$(snap "$d")
err=$(duvad make "$(win "$d")" "$(win "$s/pal.mpg")" 2>&1 >/dev/null); rc=$?
check "a user's AVSEQ01.DAT is refused" has "$err" "$(win "$d")\\AVSEQ01.DAT was not made by duvad (or changed since): make would replace it; move it away, or give --replace"
check "refused with a non-zero exit" test $rc -ne 0
same "a user's AVSEQ01.DAT: the folder is as it was" "$d" "$before"
duvad make --replace "$(win "$d")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
check "--replace replaces it" test $? -eq 0 -a "$(names "$d")" = "$disc_names" -a "$(track "$d")" != "$(stat -c %s "$s/ntsc.cdxa")"
# The tool's own earlier disc goes without a word, a two-track one whole (its second track file too).
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
duvad make "$(win "$d")" "$(win "$s/film.mpg")" >/dev/null 2>&1
check "an earlier disc of the tool is replaced, all its files" test $? -eq 0 -a "$(names "$d")" = "$disc_names"
# A name only the earlier disc had, now a file of the user's: left alone.
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
cp "$s/film.mpg" "$d/AVSEQ02.DAT"
duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
check "a user's file under a name only the earlier disc had is left alone" \
  test $? -eq 0 -a "$(md5sum <"$d/AVSEQ02.DAT")" = "$(md5sum <"$s/film.mpg")"
# --replace does not reach a source: one linked under a disc file's name is refused (by identity).
rm -rf "$d" && mkdir -p "$d" && cp "$s/ntsc.mpg" "$d/AVSEQ01.DAT" && ln -sf "$d/AVSEQ01.DAT" "$work/link.mpg"
err=$(duvad make --replace "$(win "$d")" "$(win "$work/link.mpg")" 2>&1 >/dev/null)
check "--replace: a source linked under a disc file's name is refused" \
  has "$err" "$(win "$work/link.mpg") is $(win "$d")\\AVSEQ01.DAT, a file of the disc"
check "--replace: the linked source is kept" cmp -s "$d/AVSEQ01.DAT" "$s/ntsc.mpg"
rm -f "$work/link.mpg"
# A file of that disc changed since (a cue sheet edited by hand) is the user's.
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
echo "REM edited" >>"$d/videocd.cue"
before=$(snap "$d")
err=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null)
check "a changed file of the earlier disc is refused" has "$err" "$(win "$d")\\videocd.cue was not made by duvad (or changed since)"
same "a changed file: the folder is as it was" "$d" "$before"
# A record that is not one is the user's file too.
rm -rf "$d" && mkdir -p "$d" && echo "my list" >"$d/duvad.lst"
err=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null)
check "a file named like the record is refused" has "$err" "$(win "$d")\\duvad.lst was not made by duvad"
# A record that names a file of the user's that no disc has (forged, or written by hand), with its
# size and time: that file is not the earlier disc's and stays.
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
echo "my notes" >"$d/notes.txt" && touch -d @1700000000 "$d/notes.txt"
sed -i "s/^end\$/$(stat -c %s "$d/notes.txt") $(( (1700000000 + 11644473600) * 10000000 )) notes.txt\nend/" "$d/duvad.lst"
touch -d @1600000000 "$d/duvad.lst"
duvad make "$(win "$d")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
check "a record naming a user's file that no disc has: the file stays" test "$(cat "$d/notes.txt" 2>&1)" = "my notes"

# A file of the user's under the name of the make's lock (an empty file, removed when it closes):
# refused and kept, a folder of that name too; an empty one (a lock left by a make) is taken.
d=$work/lock
rm -rf "$d" && mkdir -p "$d" && echo "my notes" >"$d/~duvad.lck"
err=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null); rc=$?
check "a user's file under the lock's name is refused and kept" test $rc -ne 0 -a "$(cat "$d/~duvad.lck" 2>&1)" = "my notes"
check "a user's file under the lock's name: said" has "$err" "$(win "$d")\\~duvad.lck is not a lock of a make (that is an empty file): move it away"
rm -f "$d/~duvad.lck" && mkdir "$d/~duvad.lck"
err=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null)
check "a folder under the lock's name is not taken for another make" has "$err" "~duvad.lck is not a lock of a make"
rm -rf "$d/~duvad.lck" && : >"$d/~duvad.lck"
duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
check "a lock left by a make is taken" test $? -eq 0 -a "$(names "$d")" = "$disc_names"

# The longest output folder name: 230 characters with its backslash, so that the staging folder's
# track files have 255.
base=$(win "$work")
xs=$(printf 'x%.0s' $(seq $((228 - ${#base}))))
duvad make "$base\\$xs" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
check "an output folder of 229 characters is taken" test $? -eq 0 -a -e "$work/$xs/videocd.bin"
err=$(duvad make "$base\\${xs}y" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null)
check "one of 230 is refused" has "$err" "y: folder name too long for the track files' names"
rm -rf "$work"/xxx*

# ---- A case-only clash (Linux file systems tell case apart; Windows names do not) --------------------
d=$work/case
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
cp "$s/pal.mpg" "$d/Avseq01.dat"
before=$(snap "$d")
err=$(duvad make "$(win "$d")" "$(win "$d/Avseq01.dat")" 2>&1 >/dev/null); rc=$?
check "a source named like a disc file in another case is refused up front" \
  grep -qF "$(win "$d/Avseq01.dat") is $(win "$d")\\" <<<"$err"
check "the refusal says why" has "$err" ", a file of the disc: making the disc would overwrite it"
check "refused with a non-zero exit" test $rc -ne 0
same "a source in another case: the folder is as it was" "$d" "$before"
mv "$d/Avseq01.dat" "$d/avseq01.dat"  # now not a source: the user's file beside the earlier disc's
err=$(duvad make "$(win "$d")" "$(win "$s/pal.mpg")" 2>&1 >/dev/null)
check "a user's file in another case is refused" has "$err" "$(win "$d")\\avseq01.dat was not made by duvad"
out=$(duvad make --replace "$(win "$d")" "$(win "$s/pal.mpg")" 2>&1); rc=$?
check "--replace: the commit does not fail on a case-only clash" test $rc -eq 0 -a "$(names "$d")" = "$disc_names"
[ $rc -eq 0 ] || echo "$out" | sed 's/^/  | /'

ref=$work/ref-pal
duvad make "$(win "$ref")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
new_track=$(md5sum <"$ref/AVSEQ01.DAT")

# ---- Two makes into one folder ----------------------------------------------------------------------
d=$work/two
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
held claimed "${tool[@]}" make "$(win "$d")" "$(win "$s/pal.mpg")"
before=$(snap "$d")
err=$(duvad make "$(win "$d")" "$(win "$s/film.mpg")" 2>&1 >/dev/null); rc=$?
check "a second make into the folder is refused" has "$err" "$(win "$d") is in use by another make of a disc; try again once it has ended"
check "refused with a non-zero exit" test $rc -ne 0
same "the second make changed nothing" "$d" "$before"
rm -f "$hold"; wait $held
check "the first make goes on and succeeds" test $? -eq 0 -a "$(names "$d")" = "$disc_names"
check "the folder holds the first make's disc" test "$(md5sum <"$d/AVSEQ01.DAT")" = "$new_track"

# ---- Kills in the commit window ---------------------------------------------------------------------
# A disc of ntsc.mpg is replaced by one of pal.mpg; the make is killed after N of its moves (6 files
# aside, then 6 new ones in place). The next make finishes or undoes the commit, says which, and
# the folder then holds one disc whole; a third make then works and leaves no staging folder.
d=$work/kill
for n in 0 3 6 7 12; do
  rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
  old=$(snap "$d")
  held "commit$n" "${tool[@]}" make "$(win "$d")" "$(win "$s/pal.mpg")"
  kill -KILL $held; wait $held 2>/dev/null; rm -f "$hold"
  # The next make, held once it holds the folder (recovered, nothing new made yet).
  held claimed "${tool[@]}" make "$(win "$d")" "$(win "$s/film.mpg")"
  now=$(snap "$d" | grep -v '~duvad.lck')
  out=$(cat "$work/out")
  if [ $n -le 6 ]; then
    check "killed after $n moves: the next make undoes it" has "$out" "undid it, the folder holds the files it held before"
    check "killed after $n moves: the earlier disc is back whole" test "$now" = "$old"
  else
    check "killed after $n moves: the next make finishes it" has "$out" "finished it, the folder holds the disc that make made"
    check "killed after $n moves: the new disc is in place whole" \
      test "$(names "$d" | sed 's/~duvad.lck //')" = "$disc_names" -a "$(md5sum <"$d/AVSEQ01.DAT")" = "$new_track"
  fi
  rm -f "$hold"; wait $held
  check "killed after $n moves: the next make succeeds and leaves only its disc" test $? -eq 0 -a "$(names "$d")" = "$disc_names"
done
# Killed (and hung up on, and terminated) while converting: the staging folder stays until the next
# make, which removes it and says so.
for sig in KILL TERM HUP; do
  rm -rf "$d"
  held converting "${tool[@]}" make "$(win "$d")" "$(win "$work/long.mpg")"
  kill -$sig $held; wait $held 2>/dev/null; rm -f "$hold"
  check "$sig while converting leaves the staging folder" test -d "$d/~duvad1.tmp"
  out=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1)
  check "$sig while converting: the next make removes it" has "$out" "removed $(win "$d")\\~duvad1.tmp, left by a make that was stopped"
  check "$sig while converting: only the disc is left" test "$(names "$d")" = "$disc_names"
done
# A staging folder's name taken by someone else (not a make's: no owner file) is left alone.
mkdir -p "$d/~duvad1.tmp" && echo mine >"$d/~duvad1.tmp/keep"
duvad make "$(win "$d")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
check "a staging folder's name taken: the make succeeds beside it" test $? -eq 0 -a "$(names "$d")" = "$disc_names~duvad1.tmp "
check "a staging folder's name taken: that folder is left alone" test "$(cat "$d/~duvad1.tmp/keep")" = mine

# An empty staging folder (a make killed before it made its owner file) is removed, and said.
mkdir "$d/~duvad7.tmp"
out=$(duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1)
check "an empty staging folder is removed" has "$out" "removed $(win "$d")\\~duvad7.tmp, left empty by a make that was stopped"
check "an empty staging folder: only it goes" test "$(names "$d")" = "$disc_names~duvad1.tmp "
# A folder of the user's only like a staging folder's name, even with an owner file in it: kept.
mkdir "$d/~duvad-mine.tmp" && echo mine >"$d/~duvad-mine.tmp/owner" && echo mine >"$d/~duvad-mine.tmp/keep"
mkdir "$d/~duvad-empty.tmp"
duvad make "$(win "$d")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
check "a user's ~duvad-mine.tmp is left alone" test $? -eq 0 -a "$(cat "$d/~duvad-mine.tmp/owner" "$d/~duvad-mine.tmp/keep" 2>&1)" = "mine
mine" -a -d "$d/~duvad-empty.tmp"
rm -rf "$d/~duvad-mine.tmp" "$d/~duvad-empty.tmp"
# A source inside a staging folder that a stopped make left (a track file to be saved): refused, kept.
mkdir -p "$d/~duvad3.tmp" && : >"$d/~duvad3.tmp/owner" && cp "$s/pal.mpg" "$d/~duvad3.tmp/AVSEQ01.DAT"
err=$(duvad make "$(win "$d")" "$(win "$d/~duvad3.tmp/AVSEQ01.DAT")" 2>&1 >/dev/null)
check "a source in a stopped make's staging folder is refused" has "$err" "$(win "$d/~duvad3.tmp/AVSEQ01.DAT") is in $(win "$d")\\~duvad3.tmp, which a make that was stopped left"
check "a source in a stopped make's staging folder is kept" cmp -s "$d/~duvad3.tmp/AVSEQ01.DAT" "$s/pal.mpg"
rm -rf "$d/~duvad3.tmp"
# A move into place that fails (a folder made in the way of AVSEQ02.DAT, which the earlier disc
# did not have): what was moved goes back; and a make killed while it undoes is undone by the next.
two=("$(win "$s/pal.mpg")" "$(win "$s/film.mpg")")
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
old=$(snap "$d")
held commit7 "${tool[@]}" make "$(win "$d")" "${two[@]}"  # all aside, TRACK01.IMG in place
mkdir "$d/AVSEQ02.DAT"
rm -f "$hold"; wait $held; rc=$?
rmdir "$d/AVSEQ02.DAT"
check "a failed move into place: non-zero, said" test $rc -ne 0 -a -n "$(grep -F "cannot move the new AVSEQ02.DAT into $(win "$d")" "$work/err" | grep -F "the folder is as it was")"
same "a failed move into place: the earlier disc is back whole" "$d" "$old"
held commit7,undoing "${tool[@]}" make "$(win "$d")" "${two[@]}"
mkdir "$d/AVSEQ02.DAT"
rm -f "$hold"; wait_for "$hold"  # now undoing: "undo" is in its journal, nothing moved back yet
kill -KILL $held; wait $held 2>/dev/null; rm -f "$hold"
rmdir "$d/AVSEQ02.DAT"
held claimed "${tool[@]}" make "$(win "$d")" "$(win "$s/film.mpg")"
check "killed while undoing: the next make undoes it" has "$(cat "$work/out")" "undid it, the folder holds the files it held before"
now=$(snap "$d" | grep -v '~duvad.lck')
check "killed while undoing: the earlier disc is back whole" test "$now" = "$old"
rm -f "$hold"; wait $held

# ---- Ctrl-C ----------------------------------------------------------------------------------------
# Inside the DLL's conversion (SIGINT is Wine's Ctrl-C): non-zero, says so, the folder as it was.
d=$work/ctrlc
rm -rf "$d" && duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
before=$(snap "$d")
for point in claimed converting; do
  held $point "${tool[@]}" make "$(win "$d")" "$(win "$work/long.mpg")"
  kill -INT $held
  wait_text "$work/err" "interrupted"
  rm -f "$hold"; wait $held; rc=$?
  check "Ctrl-C ($point): exit 130" test $rc -eq 130
  check "Ctrl-C ($point): says so" has "$(cat "$work/err")" "duvad: interrupted; no disc was made and the output folder is as it was"
  same "Ctrl-C ($point): the folder is as it was" "$d" "$before"
done
# In the commit (before its first move, with earlier files aside, with new ones in place): the
# moves are undone.
for n in 0 3 8; do
  held commit$n "${tool[@]}" make "$(win "$d")" "$(win "$s/pal.mpg")"
  kill -INT $held
  wait_text "$work/err" "interrupted"
  rm -f "$hold"; wait $held; rc=$?
  check "Ctrl-C after $n moves of the commit: exit 130" test $rc -eq 130
  check "Ctrl-C after $n moves of the commit: says so" has "$(cat "$work/err")" "duvad: interrupted; the folder is as it was"
  same "Ctrl-C after $n moves of the commit: the folder is as it was" "$d" "$before"
done
# After the last move the disc is made: exit 0, and said so (not just "stopping").
rm -rf "$work/ctrlc-last" && duvad make "$(win "$work/ctrlc-last")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
held commit12 "${tool[@]}" make "$(win "$work/ctrlc-last")" "$(win "$s/pal.mpg")"
kill -INT $held; wait_text "$work/err" "interrupted"; rm -f "$hold"; wait $held; rc=$?
check "Ctrl-C after the commit's last move: exit 0, the new disc" \
  test $rc -eq 0 -a "$(md5sum <"$work/ctrlc-last/AVSEQ01.DAT")" = "$new_track" -a "$(names "$work/ctrlc-last")" = "$disc_names"
check "Ctrl-C after the commit's last move: says the disc is made" has "$(cat "$work/out")" "interrupted once the disc was in place: the disc is made"
rm -rf "$work/ctrlc-last"
# Into a new folder: none is left.
held converting "${tool[@]}" make "$(win "$work/ctrlc-new")" "$(win "$work/long.mpg")"
kill -INT $held; wait_text "$work/err" "interrupted"; rm -f "$hold"; wait $held
check "Ctrl-C into a new folder: non-zero, no folder left" test $? -ne 0 -a ! -e "$work/ctrlc-new"

# ---- scripts/duvad under signals --------------------------------------------------------------------
# Ctrl-C to the script alone reaches the tool; SIGTERM and SIGKILL of the script end the tool too;
# no temporary file is left. (env --default-signal: a background job of this script would ignore
# SIGINT.)
script=$here/../../scripts/duvad
export DUVAD_BIN=$bin
mkdir -p "$work/tmp"
held converting env --default-signal=INT TMPDIR="$work/tmp" "$script" make "$d" "$work/long.mpg"
kill -INT $held
wait_text "/proc/$held/fd/3" "interrupted"
rm -f "$hold"; wait $held; rc=$?
check "scripts/duvad, Ctrl-C: exit 130" test $rc -eq 130
check "scripts/duvad, Ctrl-C: says so" has "$(cat "$work/err")" "interrupted; no disc was made"
same "scripts/duvad, Ctrl-C: the folder is as it was" "$d" "$before"
for sig in TERM KILL; do
  held converting env TMPDIR="$work/tmp" "$script" make "$d" "$work/long.mpg"
  exe=$(running "$d")
  kill -$sig $held; wait $held 2>/dev/null; rc=$?
  gone=0; for _ in $(seq 200); do kill -0 "$exe" 2>/dev/null || { gone=1; break; }; sleep 0.05; done
  rm -f "$hold"
  check "scripts/duvad, $sig: the tool ends too" test -n "$exe" -a $gone = 1
  [ $sig = TERM ] && check "scripts/duvad, TERM: exit 143" test $rc -eq 143
  check "scripts/duvad, $sig: no temporary file left" test -z "$(ls -A "$work/tmp" | grep -v '^wine-')"
done
duvad make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1  # removes what the kills left

# ---- Track files longer or shorter than planned -----------------------------------------------------
# A stand-in DuVad.dll whose AnalyzeMpeg reports one sector fewer or more than the conversion writes:
# the raw image is made from the track files (the cue sheet's length), and a shorter track does not
# leave the raw image's thread waiting for sectors that never come.
alt=$work/standin
mkdir -p "$alt" && cp "$bin/duvad.exe" "$bin/standin/DuVad.dll" "$alt/" && cp "$bin/DuVad.dll" "$alt/DuVadReal.dll"
for delta in -1 +1; do
  o=$work/standin$delta
  DUVAD_STANDIN_SECTORS=$delta timeout 60 wine "$alt/duvad.exe" make "$(win "$o")" "$(win "$s/ntsc.mpg")" "$(win "$s/pal.mpg")" >"$work/out" 2>&1
  rc=$?
  check "track files $delta sector against the plan: make ends and succeeds" test $rc -eq 0
  planned=$(grep -o "disc: [0-9]* sectors" "$work/out" | grep -o "[0-9]*")
  t1=$(( $(stat -c %s "$o/AVSEQ01.DAT") / 2336 )) t2=$(( $(stat -c %s "$o/AVSEQ02.DAT") / 2336 ))
  check "track files $delta sector against the plan: the stand-in moved the plan ($planned planned)" \
    test "$planned" = $((150 + 300 + 150 + t1 + 150 + t2 + 2 * delta))
  check "track files $delta sector against the plan: the raw image holds the track files whole" \
    test "$(stat -c %s "$o/videocd.bin")" = $(( (300 + 150 + t1 + 150 + t2) * 2352 ))
done

# A conversion that fails: one line, its cause, nothing left, the earlier disc whole.
o=$work/standin+1
before=$(snap "$o")
err=$(DUVAD_STANDIN_FAIL=1 wine "$alt/duvad.exe" make "$(win "$o")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null | tr -d '\r')
check "a failed conversion: one line with its cause" test "$err" = "duvad: PrepareVcdFiles: track file 1 could not be written: the disk is full (-301); nothing was kept" ||
  echo "  | $err"
same "a failed conversion: the folder is as it was" "$o" "$before"

# ---- Identities on two tmpfs mounts (Wine: volume serial 0, the inode as the index) -----------------
# A source on one and an earlier disc's file on the other with the same inode are two files.
m1=$work/mnt1 m2=$work/mnt2
mkdir -p "$m1" "$m2"
if mount -t tmpfs duvad-test "$m1" 2>/dev/null && mount -t tmpfs duvad-test "$m2" 2>/dev/null; then
  trap 'umount "$m1" "$m2" 2>/dev/null' EXIT
  duvad make "$(win "$m2/disc")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
  ino=$(stat -c %i "$m2/disc/AVSEQ01.DAT")
  for k in $(seq 2000); do
    : >"$m1/f$k"
    [ "$(stat -c %i "$m1/f$k")" = "$ino" ] && { cat "$s/pal.mpg" >"$m1/f$k"; src=$m1/f$k; break; }
  done
  if [ -n "${src:-}" ]; then
    err=$(duvad make "$(win "$m2/disc")" "$(win "$src")" 2>&1 >/dev/null)
    check "two tmpfs mounts: a source with the inode of a disc file elsewhere is not refused" test $? -eq 0
    [ -z "$err" ] || echo "  | $err"
  else
    echo "skip  two tmpfs mounts: no file with inode $ino"
  fi
  umount "$m1" "$m2" || umount -l "$m1" "$m2"; trap - EXIT
else
  umount "$m1" 2>/dev/null
  echo "skip  two tmpfs mounts: mount is not permitted here"
fi

rm -rf "$work"
echo "$failures checks failed"
[ $failures -eq 0 ]
