#!/usr/bin/env bash
# Times the command line as a user runs it:
#  - `bitreel list` of a Spectrum TAP of 20,000 blocks beside `tzxlist` (which
#    reads TAP files too) on the same file, as whole processes, with the
#    median wall time of five runs and the peak memory of each;
#  - the processor share of `record` waiting with nothing arriving and of
#    `play` whose far end takes nothing, on a socat pseudo-terminal pair.
#   bench/command_line.sh BITREEL [SECONDS]
set -euo pipefail
bitreel="$(realpath "$1")"
seconds="${2:-10}"
tmp="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
cd "$tmp"

# 10,000 header and data pairs, the data blocks 100 bytes each.
python3 - <<'PY'
import struct
out = bytearray()
def block(flag, payload):
    x = 0
    for b in payload:
        x ^= b
    out.extend(struct.pack('<H', len(payload) + 2) + bytes([flag]) + payload + bytes([x]))
for i in range(10000):
    name = ('prog%05d' % i).encode().ljust(10)
    block(0, bytes([3]) + name + struct.pack('<HHH', 100, 32768, 0))
    block(255, bytes((i + k) & 255 for k in range(100)))
open('BIG.TAP', 'wb').write(out)
PY

# time_runs NAME COMMAND...: median wall seconds and the largest peak RSS of
# five runs; the median goes to NAME.wall as well.
time_runs() {
    local name="$1"
    shift
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f "%e %M" -o time.txt "$@" >/dev/null 2>&1 || true
        cat time.txt
    done | sort -n | awk -v name="$name" '
        { wall[NR] = $1; if ($2 > rss) rss = $2 }
        END { printf "%-24s median %.3f s wall, peak %d KB\n", name, wall[3], rss
              print wall[3] > (name ".wall") }'
}
echo "list of a Spectrum TAP of $(stat -c %s BIG.TAP) bytes, 20000 blocks:"
time_runs bitreel "$bitreel" list BIG.TAP
time_runs tzxlist tzxlist BIG.TAP
awk -v b="$(cat bitreel.wall)" -v t="$(cat tzxlist.wall)" \
    'BEGIN { printf "wall time ratio bitreel/tzxlist: %.2f\n", b / t }'

socat pty,raw,echo=0,link="$tmp/a" pty,raw,echo=0,link="$tmp/b" 2>/dev/null &
for _ in $(seq 100); do [ -e "$tmp/b" ] && break; sleep 0.05; done
# cpu_share NAME COMMAND...: runs the command for $seconds, then SIGINT.
cpu_share() {
    local name="$1"
    shift
    /usr/bin/time -f "%e %U %S" -o time.txt timeout -s INT "$seconds" "$@" >/dev/null 2>&1 || true
    tail -1 time.txt | awk -v name="$name" '{ printf "%-24s %.2f s wall, %.2f s CPU, %.2f%% of one core\n", name, $1, $2 + $3, 100 * ($2 + $3) / $1 }'
}
cpu_share "record, nothing comes" "$bitreel" record --port "$tmp/a" --force REC.TAP
# The far end (socat) is stopped: it takes nothing, and the port stays full.
kill -STOP "$(jobs -p | head -1)"
cpu_share "play, far end stalled" "$bitreel" play --port "$tmp/a" BIG.TAP
kill -CONT "$(jobs -p | head -1)"
