#!/bin/sh
# tmpfs_devices.sh "NAME=SIZE[/FILE] ..." COMMAND...: runs COMMAND (a test program) with each NAME
# of the Wine prefix's dosdevices (a drive such as r:, or a port such as lpt7) pointing at a fresh
# tmpfs of SIZE, or at the empty FILE made on it; then takes them all down again. Volumes of any
# size cost nothing on tmpfs, and a small one runs full at a known byte. A NAME written +NAME is a
# mount only, reached through drive Z: as DUVAD_TMPFS/NAME (DUVAD_TMPFS: the mounts' Unix folder),
# a file system without a drive of its own. Exits 77 (skipped) when tmpfs cannot be mounted here
# (not root, or no right to mount).
set -u
specs=$1; shift
base=$(mktemp -d "${TMPDIR:-/tmp}/duvad-tmpfs.XXXXXX") || exit 1
cleanup() {
  for s in $specs; do
    name=${s%%=*}; name=${name#+}
    case $s in +*) ;; *) rm -f "$WINEPREFIX/dosdevices/$name" ;; esac
    umount "$base/$name" 2>/dev/null
    rmdir "$base/$name" 2>/dev/null
  done
  rmdir "$base"
}
trap cleanup EXIT
for s in $specs; do
  name=${s%%=*}; name=${name#+}; rest=${s#*=}; size=${rest%%/*}; file=
  [ "$rest" != "$size" ] && file=${rest#*/}
  mkdir "$base/$name"
  if ! mount -t tmpfs -o "size=$size" duvad "$base/$name" 2>/dev/null; then
    echo "tmpfs cannot be mounted here: skipped"
    exit 77
  fi
  target=$base/$name
  if [ -n "$file" ]; then : > "$target/$file"; target=$target/$file; fi
  case $s in +*) ;; *) ln -sfn "$target" "$WINEPREFIX/dosdevices/$name" ;; esac
done
export DUVAD_TMPFS="$base"
"$@"
