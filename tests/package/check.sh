#!/usr/bin/env bash
# check.sh BUILD_DIR VERSION APPSTREAM_ID: makes the package with cpack, then checks its
# files, lintian, the desktop and AppStream data, the programs it holds and their pages.
set -uo pipefail
build=$1 version=$2 appid=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1
fi
deb=$(echo "$work"/out/qlwiz_"$version"_*.deb)
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no qlwiz_${version}_*.deb"; exit 1; }
echo "built $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' >"$work/files"
expected=(/usr/bin/{qlwiz,qlwiz-batch,quillet-sim} /usr/share/applications/qlwiz.desktop
    "/usr/share/metainfo/$appid.metainfo.xml" /usr/share/man/man1/{qlwiz,qlwiz-batch,quillet-sim}.1.gz
    /usr/share/doc/qlwiz/{README.md,copyright,changelog.gz})
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x$size/apps/qlwiz.png")
done
for f in "${expected[@]}"; do
    grep -qxF "$f" "$work/files" || fail "$f is not in the package"
done

# lintian, pedantic: any tag fails (a program built without the hardening flags among them).
lintian -I --pedantic --fail-on error,warning,info,pedantic "$deb" || fail "lintian reports tags"

dpkg-deb -x "$deb" "$work/root"
root=$work/root
desktop-file-validate "$root/usr/share/applications/qlwiz.desktop" || fail "desktop file"
# The metainfo file alone, then with the desktop file and icon it names.
for args in "validate $root/usr/share/metainfo/$appid.metainfo.xml" "validate-tree $root"; do
    appstreamcli $args --no-net >"$work/as" 2>&1 || { cat "$work/as"; fail "appstreamcli $args"; }
done

# The programs as packaged, on a machine without a display.
run() { timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$@"; }
for prog in qlwiz qlwiz-batch quillet-sim; do
    got=$(run "$prog" --version 2>&1)
    [ "$got" = "$prog $version" ] || fail "$prog --version printed '$got', not '$prog $version'"

    page=$root/usr/share/man/man1/$prog.1.gz
    warnings=$(MANWIDTH=80 man -l --warnings "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $prog warns: $warnings"
    # Every option --help lists is in the manual page.
    text=$(MANWIDTH=200 LC_ALL=C man -l "$page" 2>/dev/null)
    help=$(run "$prog" --help 2>&1) || fail "$prog --help failed"
    for opt in $(grep -oE '(^|[][ ,|])--?[[:alpha:]][-[:alnum:]]*' <<<"$help" | sed 's/^[^-]*//' | sort -u); do
        grep -qE -- "(^|[^-[:alnum:]])$opt([^-[:alnum:]]|$)" <<<"$text" ||
            fail "$prog --help lists $opt, its manual page does not"
    done
done
exit $status
