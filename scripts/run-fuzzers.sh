#!/usr/bin/env bash
# Runs every fuzz target found in a fuzz build for a share of the given
# number of seconds; fails when a target finds a crash.
#   scripts/run-fuzzers.sh BUILD_DIR TOTAL_SECONDS
set -euo pipefail
build="$1"
total="$2"
mapfile -t targets < <(find "$build/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ "${#targets[@]}" -eq 0 ]; then
    echo "no fuzz targets in $build/fuzz" >&2
    exit 1
fi
each=$(( total / ${#targets[@]} ))
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
for t in "${targets[@]}"; do
    name="$(basename "$t")"
    work="$(mktemp -d)"
    # A target with seeds of its own (fuzz/seeds-view for fuzz_view) uses
    # those; the others start from the tape images.
    seeds="$top/fuzz/seeds-${name#fuzz_}"
    [ -d "$seeds" ] || seeds="$top/fuzz/seeds"
    echo "== $name for ${each}s"
    status=0
    "$t" -max_total_time="$each" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "$seeds" >"$work/log" 2>&1 || status=$?
    # The coverage reached, from the line libFuzzer ends on; all of a failure.
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$work/log" || true
    grep -E '^stat::' "$work/log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$work/log"
        rm -rf "$work"
        exit "$status"
    fi
    rm -rf "$work"
done
