#!/usr/bin/env bash
# Each companion tape as tzxlist (fuse-emulator-utils) lists it: a BASIC
# loader that runs from line 10, then one CODE block at the companion's
# address, in that order, every checksum good.
#   check_companion_tapes.sh ORIGIN TAPE...
set -euo pipefail
if ! command -v tzxlist >/dev/null; then
    echo "skipped: tzxlist is not installed (Debian: fuse-emulator-utils)"
    exit 77
fi
origin="$1"
shift
for tape in "$@"; do
    listing="$(tzxlist "$tape")"
    fail() {
        printf '%s\n' "$listing"
        echo "FAIL: $tape: $1"
        exit 1
    }
    [ "$(grep -c '^--= Block' <<<"$listing")" = 4 ] || fail "not four blocks"
    [ "$(grep -c 'Checksum: .*(PASS)' <<<"$listing")" = 4 ] || fail "a checksum is wrong"
    # The headers' lines, in order: the program's, then the code's.
    headers="$(grep -E '^  (Program|Bytes|Number array|Character array): ' <<<"$listing")"
    want="$(printf '  Program: "bitreel   " LINE 10\n  Bytes: "companion " CODE  %s,' "$origin")"
    [[ $headers == "$want"* ]] || fail "the headers are not a loader, then code at $origin"
    grep -q '^  Datablock length: ' <<<"$(sed -n '/Block #1 =/,/Block #2 =/p' <<<"$listing")" ||
        fail "the loader has no data block"
    echo "ok: $tape"
done
