#!/bin/sh
# Installs everything the build, the tests and the main job need on a Debian 12 machine (as root).
# Quick when all is there already.
set -eu
packages="cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 libwine:i386 xvfb xauth fonts-wine fonts-liberation
  ffmpeg sox imagemagick python3 vcdimager libcdio-utils genisoimage cdrdao
  cups printer-driver-cups-pdf libcups2:i386
  mingw-w64-tools llvm lld zip unzip locales chromium clang-format"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
