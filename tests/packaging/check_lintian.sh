#!/usr/bin/env bash
# Debian's package checker finds no error; its warnings and notes are shown.
#   check_lintian.sh PACKAGE-DIR VERSION
source "$(dirname "$0")/common.sh"
need lintian lintian
need dpkg dpkg
deb="$1/bitreel_$2_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || skip "no package was built (see packaging.deb_build)"

# Exit status 2 means an error tag, 1 that lintian itself failed.
status=0
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" || status=$?
[ "$status" -eq 0 ] || fail "lintian exit status $status"
echo "ok: lintian reports no error"
