#!/usr/bin/env bash
# Shared by run.sh, test.sh and .ci/run: installs the Debian packages Bitreel
# needs to build and test, then configures and builds one CMake preset.
#   scripts/setup.sh [preset]      (default: "default")
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-default}"

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libsndfile1-dev zlib1g-dev libpng-dev
    zmakebas fuse-emulator-utils pasmo libz80ex-dev
    # The sound card tests: a sound server with a null sink, its recorder,
    # and sox to wrap what it records for audio2tape (fuse-emulator-utils).
    pulseaudio pulseaudio-utils sox
    # bench/command_line.sh: a pseudo-terminal pair stands in for the line.
    socat
    # The fast loader's tapes loaded by an emulator through the ROM's LOAD "".
    fuse-emulator-sdl opense-basic
)
if [ "$preset" = fuzz ]; then
    packages+=(clang libclang-rt-14-dev)
else
    # The packaging checks: validators, the Debian package tools, and what
    # shows how a desktop opens tape files.
    packages+=(desktop-file-utils appstream dpkg-dev lintian shared-mime-info libglib2.0-bin man-db)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "Bitreel needs these packages, and this system has no apt-get:" >&2
        printf '  %s\n' "${missing[@]}" >&2
        echo "Install them with your package manager, then run this again." >&2
        exit 1
    fi
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cd "$here"
cmake --preset "$preset"
cmake --build --preset "$preset"
