# Sourced by the packaging checks: how they skip, fail and keep scratch files.
set -euo pipefail

skip() {
    echo "skipped: $*"
    exit 77
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# need TOOL DEBIAN-PACKAGE: skips the check when TOOL is missing.
need() {
    command -v "$1" >/dev/null 2>&1 ||
        skip "$1 is not installed (Debian package $2, installed by scripts/setup.sh)"
}

# A scratch folder in $tmp, removed when the check ends however it ends.
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
