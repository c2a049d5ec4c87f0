#!/usr/bin/env bash
# The package's control fields and its files, as dpkg-deb shows them.
#   check_package.sh PACKAGE-DIR VERSION
source "$(dirname "$0")/common.sh"
need dpkg-deb dpkg
deb="$1/bitreel_$2_$(dpkg --print-architecture).deb"
version="$2"
expected="$(dirname "$0")/installed-files.txt"
[ -f "$deb" ] || skip "no package was built (see packaging.deb_build)"

dpkg-deb --info "$deb" >"$tmp/info"
# field | extended regular expression its value must match
fields=(
    "Package|^bitreel$"
    "Version|^${version//./\\.}$"
    "Architecture|^$(dpkg --print-architecture)$"
    "Maintainer|^[^<]+ <[^@ >]+@[^@ >]+>$"
    "Section|^utils$"
    "Priority|^optional$"
    "Homepage|^https://"
    "Description|^[a-z].{10,78}$"
    # found by dpkg-shlibdeps from the program's libraries, with versions
    "Depends|libqt6widgets6 \\(>= [0-9.]+\\)"
    "Depends|libqt6serialport6 \\(>= [0-9.]+\\)"
    "Depends|libc6 \\(>= [0-9.]+\\)"
)
for field in "${fields[@]}"; do
    IFS='|' read -r name pattern <<<"$field"
    value="$(sed -n "s/^ $name: //p" "$tmp/info")"
    echo "$value" | grep -Eq -- "$pattern" || fail "$name is '$value', expected /$pattern/"
done
grep -q "^  Bitreel keeps the cassette software" "$tmp/info" || fail "no long description"
echo "ok: the control fields"

dpkg-deb --contents "$deb" >"$tmp/contents"
awk '$1 !~ /^d/ { print $6 }' "$tmp/contents" | sed 's|^\./usr/||' | LC_ALL=C sort >"$tmp/files"
diff -u "$expected" "$tmp/files" || fail "the package's files differ from installed-files.txt"
awk '$2 != "root/root" { print }' "$tmp/contents" >"$tmp/owners"
[ ! -s "$tmp/owners" ] || { cat "$tmp/owners"; fail "files not owned by root"; }
grep -q '^-rwxr-xr-x .* \./usr/bin/bitreel$' "$tmp/contents" || fail "usr/bin/bitreel is not executable"
echo "ok: $(wc -l <"$tmp/files") files under /usr, owned by root"
