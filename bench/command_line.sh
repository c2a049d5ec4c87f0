#!/usr/bin/env bash
# Times the command line as a user runs it:
#  - the start: `bitreel --version`, and `bitreel list` of a 52 KB TZX beside
#    `tzxlist` on it, with the median wall time of 51 runs each (a script
#    that lists a collection file by file pays the start every time);
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
open('SMALL.TAP', 'wb').write(out[:52 * 1024 // 125 * 125])
PY
tapeconv SMALL.TAP SMALL.TZX

echo "start, median of 51 runs:"
python3 - "$bitreel" <<'PY'
import statistics, subprocess, sys, time
bitreel = sys.argv[1]
def median_ms(command):
    runs = []
    for _ in range(51):
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        runs.append(time.perf_counter() - start)
    return 1000 * statistics.median(runs)
version = median_ms([bitreel, '--version'])
listed = median_ms([bitreel, 'list', 'SMALL.TZX'])
reference = median_ms(['tzxlist', 'SMALL.TZX'])
print(f"{'bitreel --version':24} {version:.1f} ms")
print(f"{'bitreel list SMALL.TZX':24} {listed:.1f} ms")
print(f"{'tzxlist SMALL.TZX':24} {reference:.1f} ms")
print(f"start ratio bitreel/tzxlist: {listed / reference:.2f}")
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
