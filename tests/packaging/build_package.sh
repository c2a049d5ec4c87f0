#!/usr/bin/env bash
# Builds the Debian package of the build into OUT-DIR for the package checks.
#   build_package.sh BUILD-DIR OUT-DIR
source "$(dirname "$0")/common.sh"
build="$1"
out="$2"
rm -rf "$out"
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev

mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack -G DEB failed"; }
ls "$out"/bitreel_*.deb
