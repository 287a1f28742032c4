#!/usr/bin/env bash
# Builds the Debian package with cpack into a temporary directory and checks its dependencies
# and contents with dpkg-deb; the tool unpacked from it must run.
# Usage: deb_package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 \
  || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/vorsan_*.deb)

[ "$(dpkg-deb --field "$deb" Package)" = vorsan ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for want in 'libqt6core6' 'libqt6widgets6' 'libqt6charts6' 'libqt6printsupport6' \
            'libxlsxwriter[0-9]+' 'libarchive[0-9]+' 'libpq5' 'qt6-qpa-plugins'; do
  grep -Eq "(^|, )$want( |,|$)" <<<"$depends" || fail "Depends lacks $want"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in ./usr/bin/vorsan ./usr/bin/vorsan-cli ./usr/bin/vorsan-sim \
            ./usr/share/applications/ru.vorsan.Vorsan.desktop \
            ./usr/share/metainfo/ru.vorsan.Vorsan.metainfo.xml \
            ./usr/share/mime/packages/vorsan.xml \
            ./usr/share/icons/hicolor/scalable/apps/vorsan.svg \
            ./usr/share/icons/hicolor/48x48/apps/vorsan.png \
            ./usr/share/man/man1/vorsan-cli.1 ./usr/share/man/man1/vorsan-sim.1 \
            ./usr/share/doc/vorsan/guide.ru.md ./usr/share/doc/vorsan/guide.ru.html; do
  grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done
outside=$(grep -v '^\./usr/\|^\./$\|^\./usr$' <<<"$contents" || true)
[ -z "$outside" ] || fail "package installs outside /usr: $outside"

dpkg-deb -x "$deb" "$out/root"
"$out/root/usr/bin/vorsan-cli" --help | grep -q "read-journal" || fail "packaged vorsan-cli --help"
echo "debian package ok: $(basename "$deb")"
