#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, builds the MIME and desktop
# databases there as a system would, and asks GLib (what file managers use)
# what each kind of tape file is and what opens it.
#   check_file_types.sh BUILD-DIR
source "$(dirname "$0")/common.sh"
build="$1"
need update-mime-database shared-mime-info
need update-desktop-database desktop-file-utils
need gio libglib2.0-bin

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >"$tmp/install.log" ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }
share="$tmp/root/usr/share"

# Only the scratch tree and the system's own database; no user settings.
mkdir -p "$tmp/home"
export XDG_DATA_HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home"
export XDG_DATA_DIRS="$share:/usr/share"
# GLib offers only desktop entries whose program it finds.
export PATH="$tmp/root/usr/bin:$PATH"

update-mime-database "$share/mime"
update-desktop-database "$share/applications"

# file name | first bytes | the type it must get
tzx=$'ZXTape!\x1a\x01\x14'
cases=(
    "GAME.TAP||application/x-spectrum-tap"
    "game.tap||application/x-spectrum-tap"
    "game.tzx|$tzx|application/x-spectrum-tzx"
    "game.pzx|PZXT|application/x-spectrum-pzx"
    "FORTH.JUP||application/x-jupiter-ace-jup"
    "FORTH.DIC||application/x-jupiter-ace-tap"
    "screen.byt||application/x-jupiter-ace-tap"
    "renamed.bin|$tzx|application/x-spectrum-tzx"
    "renamed.dat|PZXT|application/x-spectrum-pzx"
)
mkdir "$tmp/tapes"
for case in "${cases[@]}"; do
    IFS='|' read -r name bytes type <<<"$case"
    file="$tmp/tapes/$name"
    printf '%s' "$bytes" >"$file"
    head -c 64 /dev/zero >>"$file"
    got="$(gio info -a standard::content-type "$file" | sed -n 's/.*standard::content-type: //p')"
    [ "$got" = "$type" ] || fail "$name is $got, expected $type"
    gio mime "$type" >"$tmp/apps"
    grep -q "^Default application .*: io.github.bitreel.Bitreel.desktop$" "$tmp/apps" ||
        { cat "$tmp/apps"; fail "$type does not open with Bitreel"; }
    echo "ok: $name is $type and opens with Bitreel"
done
