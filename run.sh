#!/usr/bin/env bash
# Sets up, builds and starts Bitreel in the current folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/setup.sh" default
app="$here/build/default/src/app/bitreel"
if [ ! -x "$app" ]; then
    echo "Bitreel is built, but has no window yet: only the tape library and its tests exist so far."
    exit 0
fi
exec "$app"
