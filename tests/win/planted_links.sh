#!/bin/sh
# planted_links.sh COMMAND...: runs COMMAND (a test program) with links that another program could
# have planted, made from the host system in the prefix's drive C: C:\DuVadLinks\target.txt, and
# a file named ~KvCheck.tmp in C:\DuVadLinks\hard (a hard link to the target) and in
# C:\DuVadLinks\sym (a symbolic link to it); takes them away again afterwards.
set -u
root=$WINEPREFIX/drive_c/DuVadLinks
rm -rf "$root"
mkdir -p "$root/hard" "$root/sym" || exit 1
printf 'the linked file, which must keep this content' >"$root/target.txt"
ln "$root/target.txt" "$root/hard/~KvCheck.tmp"
ln -s "$root/target.txt" "$root/sym/~KvCheck.tmp"
"$@"
rc=$?
rm -rf "$root"
exit $rc
