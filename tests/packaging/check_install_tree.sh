#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the tree: exactly the
# files of installed-files.txt, in their places, with sound contents.
#   check_install_tree.sh BUILD-DIR VERSION
source "$(dirname "$0")/common.sh"
build="$1"
version="$2"
expected="$(dirname "$0")/installed-files.txt"
id=io.github.bitreel.Bitreel

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >"$tmp/install.log" ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }
usr="$tmp/root/usr"

(cd "$usr" && find . -type f -o -type l) | sed 's|^\./||' | LC_ALL=C sort >"$tmp/files"
diff -u "$expected" "$tmp/files" || fail "the installed files differ from installed-files.txt"
[ -z "$(find "$tmp/root" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "files outside the prefix"
echo "ok: $(wc -l <"$tmp/files") files, each in its place"

executables="$(cd "$usr" && find . -type f -perm /111 | LC_ALL=C sort | tr '\n' ' ')"
[ "$executables" = "./bin/bitreel ./libexec/bitreel/bitreel-desktop " ] ||
    fail "executable files: $executables"
[ "$(unset DISPLAY WAYLAND_DISPLAY; "$usr/bin/bitreel" --version)" = "Bitreel $version" ] ||
    fail "the installed bitreel does not print its version"
echo "ok: bin/bitreel runs and prints Bitreel $version"

# The commands start on Qt Core alone; the window is the desktop
# executable's, found from where bitreel is installed.
gui="$(ldd "$usr/bin/bitreel" | grep -E 'libQt6(Gui|Widgets|Multimedia|DBus)' || true)"
[ -z "$gui" ] || fail "bin/bitreel loads the GUI: $gui"
window="$(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; "$usr/bin/bitreel" 2>&1)" && fail "the window started with no display"
[ "$window" = "bitreel: no display for the window; the commands work without one (bitreel --help)" ] ||
    fail "bin/bitreel with no display said: $window"
echo "ok: bin/bitreel loads no GUI library and hands the window to libexec/bitreel/bitreel-desktop"

# Each PNG is as large as its folder says: width and height are the
# big-endian words at bytes 16 and 20 of the file.
for png in "$usr"/share/icons/hicolor/*x*/apps/$id.png; do
    size="$(basename "$(dirname "$(dirname "$png")")")"
    read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
    got="$((w0 << 24 | w1 << 16 | w2 << 8 | w3))x$((h0 << 24 | h1 << 16 | h2 << 8 | h3))"
    [ "$got" = "$size" ] || fail "the icon in $size is $got"
done
echo "ok: every PNG icon has its folder's size"

# The desktop entry, the MIME types and the metainfo name the same things.
desktop="$usr/share/applications/$id.desktop"
grep -qx "Exec=bitreel %f" "$desktop" || fail "the desktop entry does not run bitreel %f"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort >"$tmp/desktop-types"
sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$usr/share/mime/packages/$id.xml" | sort >"$tmp/mime-types"
sed -n 's/.*<mediatype>\([^<]*\)<.*/\1/p' "$usr/share/metainfo/$id.metainfo.xml" | sort >"$tmp/meta-types"
diff -u "$tmp/mime-types" "$tmp/desktop-types" || fail "the desktop entry opens other types than those defined"
diff -u "$tmp/mime-types" "$tmp/meta-types" || fail "the metainfo names other types than those defined"
echo "ok: desktop entry, MIME types and metainfo agree ($(wc -l <"$tmp/mime-types") types)"

gzip -dc "$usr/share/man/man1/bitreel.1.gz" >"$tmp/bitreel.1"
grep -q "^\.TH BITREEL 1 .*\"Bitreel $version\"" "$tmp/bitreel.1" ||
    fail "the manual page does not name version $version"
if command -v man >/dev/null 2>&1; then
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$tmp/bitreel.1" >/dev/null 2>"$tmp/man.err"
    [ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err"; fail "man warns about the manual page"; }
fi
echo "ok: manual page for $version"

# The metainfo together with the desktop entry and icon it points to.
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net "$tmp/root" || fail "appstreamcli validate-tree"
else
    echo "not checked: appstreamcli validate-tree (Debian package appstream is not installed)"
fi
