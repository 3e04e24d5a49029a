#!/bin/sh
# Builds both packages, checks that the ZIP holds the Windows executables, then
# installs the Debian package with dpkg, checks that the programs, the udev rule
# and the example are in place, that headvane-sim runs from there and that
# headvane names the installed rule when it may not open a unit, and purges
# the package again. Needs dpkg and root (through sudo when not root).
set -eu
cd "$(dirname "$0")/.."
SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

fail() { echo "package test: $*" >&2; exit 1; }

if dpkg-query -W -f '${Status}' headvane 2>/dev/null | grep -q ' installed'; then
  fail "headvane is installed on this machine already; remove it first (dpkg -r headvane)"
fi

sh tools/package.sh
zip=$(ls -t build/packages/headvane-*-win64.zip | head -n 1)
deb=$(ls -t build/packages/headvane_*_"$(dpkg --print-architecture)".deb | head -n 1)

files=$(cmake -E tar tf "$zip" | grep -v '/$' | sed 's|.*/||' | LC_ALL=C sort | tr '\n' ' ')
[ "$files" = "headvane-lab-sim.exe headvane-lab.exe headvane-sim.exe headvane.exe " ] || fail "$zip holds: $files"

trap '$SUDO dpkg --purge headvane >/dev/null 2>&1 || true' EXIT
trap 'exit 1' INT TERM HUP
$SUDO dpkg -i "$deb"
for program in /usr/bin/headvane /usr/bin/headvane-sim /usr/bin/headvane-lab /usr/bin/headvane-lab-sim; do
  [ -x "$program" ] || fail "$program not installed"
done
cmp packaging/70-headvane-imu.rules /usr/lib/udev/rules.d/70-headvane-imu.rules
cmp examples/headset.json /usr/share/headvane/examples/headset.json

# Run from outside the tree; q after a second ends it with status 0.
out=$(cd / && (sleep 1; printf q) | /usr/bin/headvane-sim --config /usr/share/headvane/examples/headset.json) ||
  fail "headvane-sim exited with $?"
echo "$out" | grep -q '^TundraImu: using LHR-7A3D19C4$' || fail "unexpected output: $out"

# A unit whose node the user may not open: the installed program names the
# installed rule. Root reads any file, so it runs without that power here.
nodac=
if [ "$(id -u)" -eq 0 ]; then nodac="setpriv --bounding-set -dac_override,-dac_read_search"; fi
hint=$(umockdev-run -d tools/locked-unit.umockdev -- sh -c 'chmod 0 "$UMOCKDEV_DIR/dev/hidraw0" &&
  exec '"$nodac"' /usr/bin/headvane --config /usr/share/headvane/examples/headset.json' 2>&1) || true
echo "$hint" | grep -q 'copy /usr/lib/udev/rules.d/70-headvane-imu.rules to ' || fail "permission hint: $hint"

$SUDO dpkg --purge headvane
trap - EXIT
for gone in /usr/bin/headvane /usr/bin/headvane-sim /usr/bin/headvane-lab /usr/bin/headvane-lab-sim /usr/lib/udev/rules.d/70-headvane-imu.rules; do
  [ ! -e "$gone" ] || fail "$gone left behind by dpkg --purge"
done
echo "package test passed"
