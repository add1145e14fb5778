#!/usr/bin/env bash
# Builds the Debian package from the build folder given, unpacks it into a temporary root and runs
# the installed program from an empty folder: its version, then a scripted run on the installed
# bench that needs the installed product database. Exit 77 (skipped) without dpkg-deb or cpack.
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
root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

fail() { echo "FAILED: $*"; exit 1; }
for f in usr/bin/dravik usr/share/dravik/VuzUvazuzuvar.db usr/share/dravik/benches/standard.json \
         usr/share/dravik/scripts/demo.txt usr/share/applications/dravik.desktop \
         usr/share/icons/hicolor/scalable/apps/dravik.svg usr/share/icons/hicolor/256x256/apps/dravik.png \
         usr/lib/udev/rules.d/70-dravik.rules usr/share/man/man1/dravik.1.gz; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
grep -q 'ATTRS{idProduct}=="0301", TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-dravik.rules" || fail "udev rule"
grep -q 'ATTRS{idProduct}=="0200", TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-dravik.rules" || fail "udev rule"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst does not reload the udev rules"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt widgets library"
zcat "$root/usr/share/man/man1/dravik.1.gz" | grep -q 'B .*simulate' || fail "the manual page lacks the options"

empty="$work/empty"
mkdir -p "$empty"
cd "$empty"
export QT_QPA_PLATFORM=offscreen DRAVIK_DATA_DIR="$work/home/Tov_Dravik"
version="$("$root/usr/bin/dravik" --version)"
[ "$version" = "Dravik $(dpkg-deb --field "$deb" Version)" ] || fail "--version printed '$version'"
echo "Installed program: $version"

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
