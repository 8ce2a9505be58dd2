#!/bin/sh
# probe_folders.sh KIND COMMAND...: runs COMMAND (a test program under Wine) with a folder that the
# folder probe's tests cannot make from inside Wine, and removes it again on every way out.
#   readonly    a folder without write permission holding a file named ~KvCheck.tmp, its Windows
#               path in DUVAD_READONLY_FOLDER; COMMAND runs through tests/as-unprivileged-user.sh,
#               since root may create files in any folder.
#   appendonly  an empty folder in which files can be made but not removed (the host's append-only
#               attribute, which binds root as well), in DUVAD_APPEND_ONLY_FOLDER. Exits 77
#               (skipped) where the attribute cannot be set (not root, or a file system without it).
set -u
kind=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
base=$(mktemp -d "${TMPDIR:-/tmp}/duvad-probe.XXXXXX") || exit 1
chmod 755 "$base"
cleanup() {
  chattr -a "$base/folder" 2>/dev/null
  chmod -R u+w "$base" 2>/dev/null
  rm -rf "$base"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
mkdir "$base/folder"
windows="Z:$(printf '%s' "$base/folder" | tr / '\\')"
case $kind in
readonly)
  : >"$base/folder/~KvCheck.tmp"
  chmod 555 "$base/folder"
  DUVAD_READONLY_FOLDER=$windows "$here/../as-unprivileged-user.sh" "$@"
  rc=$?
  ;;
appendonly)
  if ! chattr +a "$base/folder" 2>/dev/null; then
    echo "the append-only attribute cannot be set here: skipped"
    exit 77
  fi
  DUVAD_APPEND_ONLY_FOLDER=$windows "$@"
  rc=$?
  ;;
*) echo "unknown kind $kind" >&2; exit 2 ;;
esac
exit $rc
