#!/usr/bin/env bash
# Takes the README's pictures of the window under Xvfb, on the tape images of
# the test corpus, into docs/screenshots.
#   scripts/screenshots.sh [corpus folder]     (default: tests/data/corpus)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="$(cd "${1:-$here/tests/data/corpus}" && pwd)"
shots="$here/build/default/tests/app/app_screenshots"
if ! command -v xvfb-run >/dev/null || ! command -v xauth >/dev/null; then
    echo "Needs xvfb-run and xauth: apt-get install xvfb xauth" >&2
    exit 1
fi
if [ ! -x "$shots" ]; then
    echo "Build first: scripts/setup.sh default" >&2
    exit 1
fi
out="$here/docs/screenshots"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

take() { # folder scene picture
    (cd "$1" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
        "$shots" "$out/$3" "$2")
}

mkdir "$work/spectrum" "$work/ace"
cp "$corpus"/spectrum/* "$work/spectrum/"
cp "$corpus"/ace/* "$work/ace/"
take "$work/spectrum" spectrum spectrum-start.png
take "$work/spectrum" contents spectrum-contents.png
take "$work/ace" ace jupiter-ace-tap.png
take "$work/spectrum" playing spectrum-playing.png
# Through the sound card: the default output of a sound server, a null sink
# of our own when the user has none.
if server="$("$here/scripts/sound-server.sh")"; then
    if [ -n "$server" ]; then
        export PULSE_SERVER="$server"
    fi
    take "$work/spectrum" sound-playing spectrum-sound.png
else
    echo "No sound server: spectrum-sound.png is left as it was" >&2
fi
take "$work/spectrum" sound-menu sound-menu.png
take "$work/spectrum" basic inspector-basic.png
take "$work/spectrum" screen inspector-screen.png
# A snapshot listed among tapes, and its registers.
mkdir "$work/snapshot"
cp "$corpus"/spectrum/*.tap "$here/tests/data/snapshots/speccymac-technted.z80" \
    "$here/tests/data/snapshots/zesarux-UKflag.sna" "$work/snapshot/"
take "$work/snapshot" snapshot snapshot-registers.png
# A recording with white noise mixed in, so that a block is damaged.
if command -v sox >/dev/null; then
    mkdir "$work/recording"
    "$here/build/default/bin/bitreel" convert "$corpus/spectrum/savetap_test.tap" "$work/clean.wav"
    sox "$work/clean.wav" "$work/noise.wav" synth whitenoise vol 0.45
    sox -m "$work/clean.wav" "$work/noise.wav" "$work/recording/noisy.wav"
    take "$work/recording" signal inspector-signal.png
else
    echo "No sox: inspector-signal.png is left as it was" >&2
fi
echo "Pictures in $out"
