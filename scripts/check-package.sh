#!/usr/bin/env bash
# Checks the Debian package made from a build folder the way a distributor and a new user would meet it: builds the
# .deb with CPack, unpacks it into a temporary root (it is never installed on this machine), validates the menu entry,
# the AppStream data and the MIME type, runs lintian, and starts the unpacked program from its menu entry's Exec line on
# a private Xvfb display to see its window and its terms of use, read from the share folder.
# Usage: check-package.sh <build folder> [<folder for the .deb>]   Exits non-zero on the first failure.
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh <build folder> [<output folder>]}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="${2:-$work/out}"
mkdir -p "$out"

fail() { echo "check-package: FAIL: $*" >&2; exit 1; }
step() { echo "check-package: $*"; }

step "building the package"
(cd "$build" && cpack -G DEB -B "$out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/orvane_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no orvane_*.deb in $out"
dpkg-deb --info "$deb" >"$work/info"
grep -q '^ Depends:.*libqt6widgets6' "$work/info" || fail "the dependencies from dpkg-shlibdeps are missing"
grep -q '^ Depends:.*qt6-qpa-plugins' "$work/info" || fail "the Qt platform plugins are not a dependency"
grep -q '^ Depends:.*qt6-wayland' "$work/info" || fail "the Qt Wayland platform plugin is not a dependency"
for field in Section Maintainer Description Homepage; do
    grep -q "^ $field: ." "$work/info" || fail "control field $field missing"
done

step "unpacking into a temporary root"
root="$work/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
for f in usr/bin/orvane \
         usr/share/orvane/licenses/利用規約.txt \
         usr/share/orvane/licenses/オープンソースソフトウェアに関する告知.txt \
         usr/share/orvane/licenses/Qtライブラリの差替え又は再インストールに関する情報.txt \
         usr/share/orvane/licenses/LGPLv3のライセンス文章.txt \
         usr/share/orvane/image/danger.png usr/share/orvane/image/SystemTrayIcon.png \
         usr/share/icons/hicolor/scalable/apps/orvane.svg usr/share/icons/hicolor/48x48/apps/orvane.png \
         usr/share/icons/hicolor/256x256/apps/orvane.png usr/share/mime/packages/orvane.xml \
         usr/share/man/man1/orvane.1.gz usr/share/doc/orvane/copyright usr/share/doc/orvane/changelog.gz; do
    [ -f "$root/$f" ] || fail "$f is not in the package"
done
# Nothing beside the executable: whatever the program shows from licenses/ comes from the share folder.
[ ! -e "$root/usr/bin/licenses" ] && [ ! -e "$root/usr/bin/image" ] || fail "files beside usr/bin/orvane"

step "validating the menu entry, the AppStream data and the MIME type"
desktop=$(ls "$share"/applications/*.desktop)
desktop-file-validate "$desktop"
appstreamcli validate --no-net --explain "$share"/metainfo/*.metainfo.xml
xmllint --noout "$share/mime/packages/orvane.xml"
# update-mime-database is the reader of these files: it names every element or attribute it does not know.
cp -r "$share/mime" "$work/mime"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.err"
[ ! -s "$work/mime.err" ] || { cat "$work/mime.err"; fail "update-mime-database complained"; }
grep -qx 'application/x-orvane-project:\*\.cmdat' <(cut -d: -f2- "$work/mime/globs2") \
    || fail "*.cmdat is not mapped to application/x-orvane-project"
grep -q '^MimeType=application/x-orvane-project;$' "$desktop" || fail "the menu entry does not open projects"

step "lintian"
# Errors and warnings fail; what is overridden is explained in packaging/linux/lintian-overrides.
lintian --fail-on error,warning --info --display-level '>=warning' "$deb"

step "starting the unpacked program from its menu entry on a private X server"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "orvane %f" ] || fail "Exec line is '$exec_line'"
home="$work/home"
mkdir -p "$home/.config/orvane" "$home/Desktop" "$work/runtime"
chmod 700 "$work/runtime"
# A returning user: no greeting, help mode off, so nothing else stands in front of the main window.
cat >"$home/.config/orvane/orvane_free.json" <<'JSON'
{ "is_used_this": true, "is_used_stert": true, "is_help": false, "file_path": "" }
JSON
# A one-page project, handed over as a file manager would: through %f of the Exec line.
cat >"$home/demo.cmdat" <<'JSON'
{ "list_command": [ [ "なし" ] ], "list_condition": [ [ "即時" ] ] }
JSON
cat >"$work/smoke.sh" <<SMOKE
set -eu
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
export PATH="$root/usr/bin:\$PATH"
cd "$home"
${exec_line/\%f/"$home/demo.cmdat"} >"$work/program.log" 2>&1 &
pid=\$!
trap 'kill \$pid 2>/dev/null; wait \$pid 2>/dev/null || true' EXIT
# The project opened in the editor: the window carries its name.
main=\$(timeout 30 xdotool search --sync --onlyvisible --name '^demo\$' | head -n1)
[ -n "\$main" ] || { echo "no window for the project demo.cmdat"; exit 1; }
title='オルヴェイン Free'
# "ファイル" opens with a click; Left wraps to the last menu, "その他", whose first entry "利用規約を見る" is then active.
for _ in 1 2 3 4 5; do
    xdotool mousemove --window "\$main" 30 12 click 1; sleep 0.5
    xdotool key Left; sleep 0.5; xdotool key Return
    dialog=\$(timeout 5 xdotool search --sync --onlyvisible --name "^\$title\\\$" | head -n1 || true)
    [ -n "\$dialog" ] && break
    xdotool key Escape Escape; sleep 0.5
done
[ -n "\${dialog:-}" ] || { echo "the terms of use did not open"; exit 1; }
sleep 1
import -window "\$dialog" "$work/terms.png"
# The document's text fills the viewer (580x550 at 10,40): a missing file would leave it blank.
dark=\$(convert "$work/terms.png" -crop 540x500+30+60 +repage -colorspace Gray -threshold 60% \\
        -format '%[fx:1-mean]' info:)
echo "terms of use in window \$dialog, dark share of its text area: \$dark"
awk -v d="\$dark" 'BEGIN { exit !(d > 0.01) }' || { echo "the terms of use window shows no text"; exit 1; }
SMOKE
if ! bash "$source_dir/tests/with-xvfb.sh" bash "$work/smoke.sh"; then
    cat "$work/program.log" >&2 || true
    fail "the unpacked program"
fi
step "OK: $deb"
