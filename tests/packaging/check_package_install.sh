#!/usr/bin/env bash
# Installs the package with dpkg on this machine, runs bitreel from /usr/bin,
# and removes the package again: it is never left installed.
#   check_package_install.sh PACKAGE-DIR VERSION
source "$(dirname "$0")/common.sh"
need dpkg dpkg
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (CI runs as root)"
deb="$1/bitreel_$2_$(dpkg --print-architecture).deb"
version="$2"
expected="$(dirname "$0")/installed-files.txt"
[ -f "$deb" ] || skip "no package was built (see packaging.deb_build)"
export DEBIAN_FRONTEND=noninteractive
# A package that lives for seconds needs no fsync after each file: dpkg's
# unpacking (--force-unsafe-io) and the MIME database's rebuild both skip it.
export PKGSYSTEM_ENABLE_FSYNC=0

# One such check at a time on this machine, whichever build it comes from.
# The marker says that the installed package is this check's own, left by a
# run that was killed before it could remove it.
lock="${TMPDIR:-/tmp}/bitreel-package-check.lock"
marker="${TMPDIR:-/tmp}/bitreel-package-check.installed"
exec 9>"$lock"
flock -w 600 9 || fail "another package check kept $lock for 10 minutes"

own_mime="share/mime/packages/io.github.bitreel.Bitreel.xml"

# The shared MIME database is the one its package files make now: built
# afresh from a copy of them and compared, index by index.
mime_database_is_rebuilt() {
    rm -rf "$tmp/mime" && mkdir "$tmp/mime"
    cp -r /usr/share/mime/packages "$tmp/mime/"
    update-mime-database "$tmp/mime" >"$tmp/mime.log" 2>&1 || { cat "$tmp/mime.log"; return 1; }
    local index
    for index in globs2 magic types subclasses aliases; do
        cmp -s "$tmp/mime/$index" "/usr/share/mime/$index" ||
            { diff <(cat -v "$tmp/mime/$index") <(cat -v "/usr/share/mime/$index") | head -20; return 1; }
    done
}

status() { dpkg-query -W -f='${db:Status-Abbrev}' bitreel 2>/dev/null | tr -d ' ' || true; }
remove() {
    dpkg --force-unsafe-io -r bitreel >"$tmp/remove.log" 2>&1 || { cat "$tmp/remove.log"; return 1; }
    rm -f "$marker"
}

if [ -n "$(status)" ] && [ "$(status)" != un ]; then
    [ -f "$marker" ] || skip "a bitreel package that this check did not install is on this machine ($(status)); remove it with dpkg -r bitreel"
    echo "removing the package a killed run left installed"
    remove || fail "dpkg -r of the package left by a killed run"
fi

touch "$marker"
trap 'if [ -f "$marker" ]; then remove || echo "FAIL: dpkg -r bitreel" >&2; fi; rm -rf "$tmp"' EXIT
dpkg --force-unsafe-io -i "$deb" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "dpkg -i $deb"; }
[ "$(status)" = ii ] || fail "after dpkg -i, the package's state is $(status)"

got="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/bitreel --version)"
[ "$got" = "Bitreel $version" ] || fail "/usr/bin/bitreel --version printed '$got'"
echo "ok: installed, /usr/bin/bitreel --version prints $got"
window="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/bitreel 2>&1)" &&
    fail "the window started with no display"
case "$window" in
"bitreel: no display for the window;"*) echo "ok: /usr/bin/bitreel hands the window to the desktop executable" ;;
*) fail "/usr/bin/bitreel with no display said: $window" ;;
esac

while read -r file; do
    [ -e "/usr/$file" ] || fail "/usr/$file is missing after dpkg -i"
done <"$expected"
# The system's triggers took the new files into its databases.
if command -v update-mime-database >/dev/null 2>&1; then
    mime_database_is_rebuilt || fail "the shared MIME database was not rebuilt after dpkg -i"
    sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "/usr/$own_mime" >"$tmp/own-types"
    [ -s "$tmp/own-types" ] || fail "/usr/$own_mime defines no type"
    while read -r type; do
        grep -qx "$type" /usr/share/mime/types || fail "the shared MIME database did not take in $type"
    done <"$tmp/own-types"
fi
if command -v update-desktop-database >/dev/null 2>&1; then
    grep -q '^application/x-spectrum-tap=.*io\.github\.bitreel\.Bitreel\.desktop' \
        /usr/share/applications/mimeinfo.cache || fail "the desktop database does not open TAP files with Bitreel"
fi
echo "ok: every file in place, the MIME and desktop databases updated"

remove || fail "dpkg -r bitreel"
[ -z "$(status)" ] || [ "$(status)" = un ] || fail "after dpkg -r, the package's state is $(status)"
while read -r file; do
    [ ! -e "/usr/$file" ] || fail "/usr/$file is still there after dpkg -r"
done <"$expected"
# Another program (an emulator) may define the same tape types: they stay,
# but nothing of Bitreel's own file may.
if command -v update-mime-database >/dev/null 2>&1; then
    mime_database_is_rebuilt || fail "the shared MIME database still holds Bitreel's file after dpkg -r"
fi
echo "ok: dpkg -r removed the package and its files"
