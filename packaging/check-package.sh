#!/usr/bin/env bash
# Checks the Debian package without installing it: its files, its control
# fields, lintian (no errors), and, on a copy unpacked into a temporary
# folder, the licence named in copyright and metainfo, appstreamcli,
# desktop-file-validate, man --warnings on the four manual pages, and
# `ruvotel --version` against the project's version.
#
#   bash packaging/check-package.sh [DEB]     (default build-package/ruvoteledit_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-}
if [ -z "$deb" ]; then
    debs=(build-package/ruvoteledit_*.deb)
    deb=${debs[-1]}
fi
if [ ! -f "$deb" ]; then
    echo "check-package: no package at '$deb' (bash scripts/package.sh builds it)" >&2
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The version, from the one place it is set.
project_version=$(sed -n 's/^project(ruvoteledit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package_version=$(dpkg-deb -f "$deb" Version)
echo "package $deb: version $package_version (project $project_version)"
case "$project_version" in
"$package_version" | "$package_version".0) ;;
*) fail "package version $package_version is not the project's $project_version" ;;
esac

echo "== control fields"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depends_names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for dep in fonts-ipafont-mincho qt6-translations-l10n libqt6widgets6 libqt6printsupport6 libc6 \
    libstdc++6; do
    grep -qxF "$dep" <<<"$depends_names" || fail "Depends lacks $dep"
done
# libphonenumber and MeCab come through dpkg-shlibdeps, libphonenumber under
# the name of the build Debian made of it (libphonenumber8-protobuf32); the
# reading dictionary is recommended.
grep -q '^libphonenumber8' <<<"$depends_names" || fail "Depends lacks libphonenumber8"
grep -qxF libmecab2 <<<"$depends_names" || fail "Depends lacks libmecab2"
[ "$(dpkg-deb -f "$deb" Recommends)" = "mecab-ipadic-utf8, qt6-wayland, adwaita-icon-theme" ] ||
    fail "Recommends is not mecab-ipadic-utf8, qt6-wayland, adwaita-icon-theme"
for field in Section Priority Maintainer Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field field"
done

echo "== files"
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
    ./usr/bin/ruvoteledit
    ./usr/bin/ruvotel
    ./usr/libexec/ruvoteledit/ruvotel-print
    ./usr/share/applications/ruvoteledit.desktop
    ./usr/share/man/man1/ruvoteledit.1.gz
    ./usr/share/man/man1/ruvotel.1.gz
    ./usr/share/man/ja/man1/ruvoteledit.1.gz
    ./usr/share/man/ja/man1/ruvotel.1.gz
    ./usr/share/doc/ruvoteledit/copyright
    ./usr/share/doc/ruvoteledit/changelog.gz
)
for size in 16 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/ruvoteledit.png")
done
expected+=(./usr/share/icons/hicolor/scalable/apps/ruvoteledit.svg)
for f in "${expected[@]}"; do
    grep -qxF "$f" <<<"$listing" || fail "missing $f"
done
metainfo=$(grep -E '^\./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$listing" || true)
[ "$(wc -w <<<"$metainfo")" -eq 1 ] || fail "expected one metainfo file, found: ${metainfo:-none}"
echo "${#expected[@]} files and ${metainfo:-no metainfo} present"

echo "== lintian"
# Errors fail; warnings and notes are shown.
lintian_out=$(lintian --pedantic --fail-on error "$deb" 2>&1) || fail "lintian reports errors"
grep -v '^running with root privileges' <<<"$lintian_out" || true

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"

echo "== copyright"
copyright=$tree/usr/share/doc/ruvoteledit/copyright
if grep -qi 'placeholder\|LicenseRef' "$copyright"; then
    fail "the copyright file still holds a placeholder"
fi
grep -qxF 'License: GPL-3.0+' "$copyright" || fail "the copyright file does not name GPL-3.0+"
grep -qF '<project_license>GPL-3.0-or-later</project_license>' "$tree${metainfo#.}" ||
    fail "the metainfo's project_license is not GPL-3.0-or-later"
echo "copyright and metainfo: GPL-3.0-or-later"

echo "== appstreamcli"
appstreamcli validate --no-net "$tree${metainfo#.}" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$tree" || fail "appstreamcli validate-tree"
grep -q "<release version=\"$package_version\"" "$tree${metainfo#.}" ||
    fail "the metainfo's release is not $package_version"

echo "== desktop-file-validate"
if desktop-file-validate "$tree/usr/share/applications/ruvoteledit.desktop"; then
    echo "ruvoteledit.desktop: ok"
else
    fail "desktop-file-validate"
fi

echo "== man --warnings"
for page in "$tree"/usr/share/man/man1/*.1.gz "$tree"/usr/share/man/ja/man1/*.1.gz; do
    gzip -t "$page" || fail "${page#"$tree"}: not gzip"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$warnings" >&2
        fail "${page#"$tree"}: man warnings"
    else
        echo "${page#"$tree"}: ok"
    fi
done

echo "== ruvotel from the package"
version_line=$("$tree/usr/bin/ruvotel" --version)
echo "$version_line"
[ "$version_line" = "ruvotel $project_version" ] || fail "ruvotel --version: '$version_line'"
"$tree/usr/bin/ruvotel" dump "$tree/usr/share/doc/ruvoteledit/examples/sample-phonebook.txt" |
    grep -q '^E' || fail "ruvotel dump of the packaged sample shows no entry"
# ruvotel print runs ruvotel-print from the libexec folder beside bin.
"$tree/usr/bin/ruvotel" print "$tree/usr/share/doc/ruvoteledit/examples/sample-phonebook.txt" \
    -o "$tree/sample.pdf" && [ -s "$tree/sample.pdf" ] ||
    fail "ruvotel print of the packaged sample wrote no PDF"

if ((failures)); then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: $deb is fine"
