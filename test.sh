#!/usr/bin/env bash
# Sets up, builds and runs every test headless; exits non-zero on any failure.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/setup.sh" default
cd "$here"
export QT_QPA_PLATFORM=offscreen
# The sound card tests play into a null sink; without a server they skip.
if server="$(scripts/sound-server.sh)"; then
    if [ -n "$server" ]; then
        export PULSE_SERVER="$server"
    fi
else
    echo "No sound server: the sound card tests will be skipped." >&2
fi
ctest --preset default
