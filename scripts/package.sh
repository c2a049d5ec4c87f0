#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds the default
# preset, then runs CPack. The package lands in build/default/package.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" default
cd "$here/build/default"
cpack -G DEB -B package
ls -1 "$PWD"/package/bitreel_*.deb
