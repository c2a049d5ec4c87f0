#!/usr/bin/env bash
# Sets up, builds and starts Bitreel in the current folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/setup.sh" default
exec "$here/build/default/bin/bitreel"
