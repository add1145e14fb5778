#!/usr/bin/env bash
# Builds the Debian package from the build folder given, unpacks it into a temporary root and runs
# the installed program from an empty folder without a display: its options, the demo on a fresh
# account, then a scripted run on the installed bench that needs the installed product database. Exit 77 (skipped) without dpkg-deb or cpack.
set -euo pipefail
build="$(cd "$1" && pwd)"
for tool in dpkg-deb cpack; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is missing (scripts/setup installs it)"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/out/*.deb)"
echo "Package: $deb"
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'
# Debian's own package checks: no error is let through (warnings are shown).
if command -v lintian >/dev/null 2>&1; then
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
  grep -v 'running with root privileges' "$work/lintian.log" || true
  ! grep -qE '^E: ' "$work/lintian.log" || fail "lintian reports errors"
fi
root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

fail() { echo "FAILED: $*"; exit 1; }
for f in usr/bin/dravik usr/share/dravik/VuzUvazuzuvar.db usr/share/dravik/benches/standard.json \
         usr/share/dravik/scripts/demo.txt usr/share/applications/dravik.desktop \
         usr/share/icons/hicolor/scalable/apps/dravik.svg usr/share/icons/hicolor/256x256/apps/dravik.png \
         usr/lib/udev/rules.d/70-dravik.rules usr/share/man/man1/dravik.1.gz \
         usr/share/doc/dravik/scripting.md usr/share/doc/dravik/recording.md usr/share/doc/dravik/bench.md \
         usr/share/doc/dravik/report.md; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
grep -q 'ATTRS{idProduct}=="0301", TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-dravik.rules" || fail "udev rule"
grep -q 'ATTRS{idProduct}=="0200", TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-dravik.rules" || fail "udev rule"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst does not reload the udev rules"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt widgets library"
zcat "$root/usr/share/man/man1/dravik.1.gz" | grep -q 'B .*simulate' || fail "the manual page lacks the options"
# Help and manual page send the reader to the installed documentation, which is there.
zcat "$root/usr/share/man/man1/dravik.1.gz" | grep -q '^\.I /usr/share/doc/dravik$' ||
  fail "the manual page does not name the installed documentation"
zcat "$root/usr/share/man/man1/dravik.1.gz" | grep -q 'docs/' && fail "the manual page points into the source tree"

empty="$work/empty"
mkdir -p "$empty"
cd "$empty"
# As a user starts it over SSH or from a package check: no display, no window-system choice.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM DRAVIK_DATA_DIR
version="$("$root/usr/bin/dravik" --version)"
[ "$version" = "Dravik $(dpkg-deb --field "$deb" Version)" ] || fail "--version printed '$version'"
echo "Installed program: $version"
for option in --help -h --version -v; do
  "$root/usr/bin/dravik" "$option" >"$work/option.log" 2>&1 || { cat "$work/option.log"; fail "$option without a display"; }
done
"$root/usr/bin/dravik" --help >"$work/help.log"
head -n 1 "$work/help.log" | grep -qx 'Usage: dravik \[options\]' || fail "the help begins '$(head -n 1 "$work/help.log")'"
tr -s ' \n' '  ' <"$work/help.log" | grep -q 'recording.md in /usr/share/doc/dravik' ||
  fail "the help does not point at the installed documentation"
status=0
"$root/usr/bin/dravik" --no-such-option >"$work/option.log" 2>&1 || status=$?
[ "$status" -eq 2 ] || { cat "$work/option.log"; fail "a bad option ended with status $status, not 2"; }
status=0
"$root/usr/bin/dravik" >"$work/option.log" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q 'needs a display' "$work/option.log" ||
  { cat "$work/option.log"; fail "the window without a display ended with status $status"; }

# The demo on a fresh account: a new HOME, no data folder, no display. It reads the installed
# sample protocols and leaves the user's own protocols folder empty.
mkdir -p "$work/demo"
status=0
(cd "$work/demo" && HOME="$work/fresh" "$root/usr/bin/dravik" --demo >"$work/demo.log" 2>&1) || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 "$work/demo.log"
  fail "--demo on a fresh account ended with status $status"
fi
[ -z "$(ls -A "$work/fresh/Tov_Dravik/protocols" 2>/dev/null)" ] || fail "the demo wrote into the user's protocols folder"
ls "$work/demo/out/demo/"*.png >/dev/null 2>&1 || fail "the demo without a display saved no screenshots"
echo "The installed demo ran on a fresh account without a display."

export QT_QPA_PLATFORM=offscreen DRAVIK_DATA_DIR="$work/home/Tov_Dravik"

cat >"$work/script.txt" <<'SCRIPT'
wait-log "Found product" 40000
expect-contains label_Product text "TAVIRON A37"
quit
SCRIPT
status=0
"$root/usr/bin/dravik" --simulate --script "$work/script.txt" >"$work/run.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/run.log"
  fail "the scripted run on the installed bench ended with status $status"
fi
[ -z "$(ls -A "$empty")" ] || fail "the run left files in the folder it was started in: $(ls -A "$empty")"
echo "The installed program ran a scripted session on the installed bench from an empty folder."
