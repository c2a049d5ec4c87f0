#!/usr/bin/env bash
# Sets up, builds and runs every test headless; exits non-zero on any failure.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/setup.sh" default
cd "$here"
export QT_QPA_PLATFORM=offscreen
ctest --preset default
