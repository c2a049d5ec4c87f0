#!/usr/bin/env bash
# Renders the icon's PNG sizes from its SVG into packaging/icons/hicolor.
# The PNGs are committed, so that a build needs no SVG renderer; run this
# again after changing the SVG (needs rsvg-convert, Debian: librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
id=io.github.bitreel.Bitreel
svg="$here/icons/$id.svg"
for size in 16 22 24 32 48 64 128 256; do
    dir="$here/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert --width "$size" --height "$size" "$svg" --output "$dir/$id.png"
done
