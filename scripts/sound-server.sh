#!/usr/bin/env bash
# Makes sure a PulseAudio server answers for the sound card tests, and prints
# the PULSE_SERVER address to reach it (empty when the user's own server
# answers). Starts one of its own when none does: no hardware, a null sink
# for a default output, anonymous clients, never exiting when idle. Safe to
# run again: a server it started before is found and kept. Also as root, as
# CI runs it.
#   PULSE_SERVER="$(scripts/sound-server.sh)" || echo "no sound server"
#   scripts/sound-server.sh --stop      (ends the server it started, if any)
set -euo pipefail

dir="${TMPDIR:-/tmp}/bitreel-pulse-$(id -u)"
server="unix:$dir/pulse/native"

if [ "${1:-}" = --stop ]; then
    if [ -d "$dir" ] && command -v pulseaudio >/dev/null 2>&1; then
        XDG_RUNTIME_DIR="$dir" HOME="${HOME:-$dir}" pulseaudio --kill 2>/dev/null || true
    fi
    exit 0
fi

if ! command -v pulseaudio >/dev/null 2>&1 || ! command -v pactl >/dev/null 2>&1; then
    echo "pulseaudio and pactl are not installed (Debian: pulseaudio pulseaudio-utils)" >&2
    exit 1
fi

if [ -z "${PULSE_SERVER:-}" ] && timeout 5 pactl info >/dev/null 2>&1; then
    exit 0
fi

if PULSE_SERVER="$server" timeout 5 pactl info >/dev/null 2>&1; then
    echo "$server"
    exit 0
fi

mkdir -p "$dir"
chmod 700 "$dir"
# The server keeps its socket, pid file and cookie under these; a CI job may
# have no HOME, and root's own runtime folder may not exist.
export XDG_RUNTIME_DIR="$dir" HOME="${HOME:-$dir}" PULSE_STATE_PATH="$dir/state"
unset PULSE_SERVER
log="$dir/server.log"
if ! pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse/native" \
    --load="module-null-sink sink_name=bitreel_null" \
    --log-target="file:$log" 2>>"$log"; then
    echo "pulseaudio did not start; see $log" >&2
    exit 1
fi
for _ in $(seq 50); do
    if PULSE_SERVER="$server" pactl info >/dev/null 2>&1; then
        echo "$server"
        exit 0
    fi
    sleep 0.1
done
echo "pulseaudio started but does not answer at $server; see $log" >&2
exit 1
