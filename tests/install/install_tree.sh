#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks what a desktop finds there:
# the programs run from their installed place, the menu entry, the AppStream file, the file
# types, the icons, the man pages and the guide.
# Usage: install_tree.sh BUILD_DIR
set -euo pipefail
build=$1
dest=$(mktemp -d)
sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$dest"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$dest.log" 2>&1 || { cat "$dest.log"; fail "cmake --install"; }
rm -f "$dest.log"
usr=$dest/usr
share=$usr/share

# The installed tool runs and lists its commands.
help=$("$usr/bin/vorsan-cli" --help) || fail "installed vorsan-cli --help"
grep -q "read-journal" <<<"$help" || fail "vorsan-cli --help lists no read-journal"
[ -x "$usr/bin/vorsan-sim" ] || fail "vorsan-sim not installed"

# The installed tool talks to the installed simulator.
link=$dest/line
"$usr/bin/vorsan-sim" --gen4 7 --fast --link "$link" >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
probe=$("$usr/bin/vorsan-cli" probe --port "$link" --address 7) || fail "probe through the installed programs"
grep -qi "generation 4\|gen4\|поколени" <<<"$probe" || fail "probe printed: $probe"

# Everything below belongs to the window program.
[ -x "$usr/bin/vorsan" ] || { echo "window program not built: desktop files not checked"; exit 0; }

# The installed window program keeps its settings and database in the user's data directory,
# never in the system's bin directory (even for root, who could write there). A first run creates
# the database.
home=$dest/home
mkdir -p "$home"
env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen timeout 5 "$usr/bin/vorsan" --port "$dest/no-line" >/dev/null 2>&1 || true
[ -s "$home/.local/share/Vorsan/bd/ustavki.DBF" ] || fail "first run made no database in ~/.local/share/Vorsan"
[ -z "$(ls "$usr/bin" | grep -v '^vorsan')" ] || fail "the program wrote into its bin directory: $(ls "$usr/bin")"

desktop=$share/applications/ru.vorsan.Vorsan.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Exec=vorsan %f" "$desktop" || fail "desktop entry does not start vorsan with a file"
grep -qx "Icon=vorsan" "$desktop" || fail "desktop entry names another icon"

metainfo=$share/metainfo/ru.vorsan.Vorsan.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">ru.vorsan.Vorsan.desktop</launchable>" "$metainfo" \
  || fail "metainfo does not launch the desktop entry"

# The file types compile into the MIME database, with the endings the program opens, and the
# menu entry claims every one of them.
update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database"
for pair in x-vorsan-journal:'*.VR4' x-vorsan-journal:'*.vr4' x-vorsan-journal:'*.pr' \
            x-vorsan-settings:'*.us4' x-vorsan-settings:'*.ust' x-vorsan-well:'*.VBD'; do
  type=application/${pair%%:*} glob=${pair#*:}
  grep -qF ":$type:$glob:cs" "$share/mime/globs2" || fail "no case-sensitive glob $glob for $type"
  grep -q "^MimeType=.*$type;" "$desktop" || fail "desktop entry does not open $type"
done

# Icons: the SVG and every PNG size at its size.
[ -s "$share/icons/hicolor/scalable/apps/vorsan.svg" ] || fail "no scalable icon"
for n in 16 22 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${n}x${n}/apps/vorsan.png
  [ "$(identify -format '%wx%h' "$png")" = "${n}x${n}" ] || fail "icon $png is not ${n}x${n}"
done

# Man pages from the programs' own --help.
for program in vorsan-cli vorsan-sim; do
  page=$share/man/man1/$program.1
  grep -q "^\.TH \"\?${program^^}" "$page" || fail "man page of $program has no title"
done
grep -q 'read\\-journal' "$share/man/man1/vorsan-cli.1" || fail "vorsan-cli man page misses the commands"
grep -q '^\.SS "vorsan-cli recorder download"' "$share/man/man1/vorsan-cli.1" \
  || fail "vorsan-cli man page misses the options of each command"
grep -q "\-\\\\-gen4" "$share/man/man1/vorsan-sim.1" || fail "vorsan-sim man page misses the options"

# The user's guide and every picture it shows.
guide=$share/doc/vorsan/guide.ru.md
[ -s "$guide" ] || fail "guide not installed"
for picture in $(grep -o '(guide/[^)]*\.png)' "$guide" | tr -d '()'); do
  [ -s "$share/doc/vorsan/$picture" ] || fail "guide picture $picture not installed"
done
# The HTML page of the guide: every link inside it leads to a heading.
html=$share/doc/vorsan/guide.ru.html
[ -s "$html" ] || fail "guide not installed as HTML"
for target in $(grep -o 'href="#[^"]*"' "$html" | sed 's/^href="#//; s/"$//' | sort -u); do
  grep -q "id=\"$target\"" "$html" || fail "guide link #$target leads nowhere"
done
echo "install tree ok"
