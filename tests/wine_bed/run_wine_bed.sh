#!/bin/sh
# Runs the cross-built headvane.exe under Wine against a mocked IMU unit and
# checks what it prints: discovery, bias, status lines, a silent stream, an
# unplugged and replugged unit, and q from a pipe; then records the unit with
# headvane-lab.exe. Exit 0 pass, 1 fail, 77 skipped (with the reason on stdout).
#
# run_wine_bed.sh <bed> <windows build dir> <example config> <work dir>
set -u
BED=$1 WINBUILD=$2 EXAMPLE=$3 WORK=$4
LIMIT=100  # seconds for the whole run; a hung Wine is killed with its process group

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WRAP=/usr/bin/umockdev-wrapper
EXE=$WINBUILD/app/headvane.exe
LAB=$WINBUILD/lab/headvane-lab.exe
PROBE=$WINBUILD/tests/hv_unit_probe.exe
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C

SERIAL=LHR-B3D0C0DE
ACC="-1024 -1774 -3547"  # head frame (1024, 3547, 1774) through the example's mounting
GYRO="5 -3 2"
BIAS_LINE="bias [5.00 -3.00 2.00] LSB — drift reference marked"
GRAVITY="g_head [+0.250 +0.866 +0.433] |a| 1.000g"

skip() { echo "SKIPPED: $*"; exit 77; }
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
# The last lines of each log of the run in folder $1.
tails() {
    for f in out err bed.err probe; do
        echo "--- $f"
        tr '\r' '\n' 2>/dev/null <"$1/$f" | grep -v '^$' | tail -n 15
    done
}

# --- outer part: prerequisites, then the run in its own process group under a deadline
if [ -z "${HV_BED_INNER:-}" ]; then
    [ -x "$WINE" ] && [ -x "$WINESERVER" ] || skip "wine64 is not installed"
    [ -x "$WRAP" ] || skip "umockdev is not installed"
    [ -f "$EXE" ] && [ -f "$LAB" ] && [ -f "$PROBE" ] ||
        skip "no Windows build in $WINBUILD (build the windows preset first)"
    rm -rf "$WORK/run" && mkdir -p "$WORK/run" || exit 1
    WORK=$(cd "$WORK" && pwd) BED=$(absolute "$BED") WINBUILD=$(absolute "$WINBUILD") EXAMPLE=$(absolute "$EXAMPLE")
    WINEPREFIX="$WORK/prefix"
    "$WINESERVER" -k >/dev/null 2>&1
    HV_BED_INNER=1 setsid sh "$0" "$BED" "$WINBUILD" "$EXAMPLE" "$WORK" &
    inner=$!
    # The watchdog ends by itself once the run has ended.
    (
        left=$LIMIT
        while kill -0 "$inner" 2>/dev/null; do
            [ "$left" -le 0 ] && touch "$WORK/run/timed-out" && kill -KILL "-$inner" && break
            sleep 1
            left=$((left - 1))
        done
    ) >/dev/null 2>&1 &
    wait "$inner"
    status=$?
    "$WINESERVER" -k >/dev/null 2>&1
    kill -KILL "-$inner" 2>/dev/null  # whatever the run left behind
    # A bed killed with the run leaves its testbed behind.
    testbed=$(sed -n 's/^ready //p' "$WORK/run/bed.out" 2>/dev/null)
    case $testbed in */umockdev.*) rm -rf "$testbed" ;; esac
    if [ -e "$WORK/run/timed-out" ]; then
        echo "FAILED: no result within $LIMIT s; killed"
        tails "$WORK/run"
        exit 1
    fi
    exit "$status"
fi

# --- inner part
cd "$WORK/run" || exit 1

say() { echo "wine_bed: $*"; }
fail() { echo "FAILED: $*"; tails .; exit 1; }

# True while the tool has not been started or still runs.
tool_alive() { [ -z "${tool:-}" ] || kill -0 "$tool" 2>/dev/null; }

# wait_for <seconds> <file> <text> [count]: true once the file holds the text
# on that many lines (1 unless given); false early if the tool has ended.
wait_for() {
    tries=$(($1 * 10))
    while [ "$tries" -gt 0 ]; do
        [ "$(grep -cF -- "$3" "$2" 2>/dev/null)" -ge "${4:-1}" ] && return 0
        tool_alive || return 1
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# The complete status lines printed so far, one per line.
statuses() { tr '\r' '\n' <out | grep -E '^yaw .* n [0-9]+ rst [0-9]+   $'; }
last_n() { statuses | tail -n 1 | sed 's/.* n \([0-9]*\) rst.*/\1/'; }

# wait_for_n <seconds> <count>: true once a status line shows n above count.
wait_for_n() {
    tries=$(($1 * 10))
    while [ "$tries" -gt 0 ]; do
        n=$(last_n)
        [ -n "$n" ] && [ "$n" -gt "$2" ] && return 0
        tool_alive || return 1
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

bed() {
    echo "$1" >&3
    wait_for 10 bed.out "done $1" || fail "the bed did not carry out '$1'"
}

# A prefix of our own whose HID bus reads udev devices (the SDL bus would block it).
if ! grep -q '"Enable SDL"=dword:00000000' "$WINEPREFIX/system.reg" 2>/dev/null; then
    say "preparing the Wine prefix"
    "$WINE" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' \
        /t REG_DWORD /d 0 /f >prefix.log 2>&1 </dev/null || fail "cannot prepare $WINEPREFIX"
    "$WINESERVER" -w
fi

sed -e "s/\"device_serial_number\": \"[^\"]*\"/\"device_serial_number\": \"$SERIAL\"/" \
    -e 's/"acc_bias": \[[^]]*\]/"acc_bias": [0.0, 0.0, 0.0]/' \
    -e 's/"acc_scale": \[[^]]*\]/"acc_scale": [1.0, 1.0, 1.0]/' "$EXAMPLE" >headset.json

mkfifo bed.in keys || exit 1
# shellcheck disable=SC2086
"$WRAP" "$BED" --serial "$SERIAL" --acc $ACC --gyro $GYRO <bed.in >bed.out 2>bed.err &
exec 3>bed.in
trap 'echo quit >&3' EXIT  # the bed then removes its testbed
wait_for 10 bed.out "ready " || fail "the bed did not start"
UMOCKDEV_DIR=$(sed -n 's/^ready //p' bed.out)
export UMOCKDEV_DIR

# Wine's server must start inside the testbed, or its HID bus reads the real /sys.
"$WRAP" "$WINESERVER" -p >/dev/null 2>&1 </dev/null
"$WRAP" "$WINE" "$PROBE" present 30 >probe 2>&1 </dev/null || fail "Wine never listed the unit"

exec 4<>keys
"$WRAP" "$WINE" "$EXE" --config headset.json --imu-serial "$SERIAL" <keys >out 2>err &
tool=$!

# Discovery, banner, bias and the first status lines.
wait_for 20 out "$BIAS_LINE" || fail "no bias line"
for line in "TundraImu: 1 Watchman device(s), 0 MCU-paired" "TundraImu: using $SERIAL" \
    "gyro scale 0.001065264 rad/s/LSB" "keys: r=recenter  b=bias recapture  m=mark drift ref  q=quit" \
    "capturing gyro bias — hold the headset STILL..."; do
    grep -qF -- "$line" out || fail "missing: $line"
done
! grep -q WARNING out || fail "a serial warning for the configured unit"
wait_for_n 10 0 && first=$(last_n) && wait_for_n 5 "$first" || fail "no status lines with n growing"
statuses | grep -vF -- "$GRAVITY" | grep . && fail "status lines off the scenario's gravity"
statuses | grep -v ' rst 0   $' | grep . && fail "the filter restarted"
say "discovery, bias and status lines as streamed (n up to $(last_n))"

# A silent stream: the unit counts as gone, then is found again when it speaks.
bed silence
wait_for 8 err "TundraImu: stream silent 3s — device gone, waiting for a Dozero" || fail "silence not noticed"
bed stream
wait_for 8 err "TundraImu: reconnected to $SERIAL" || fail "no reconnection after the silence"
resumed=$(last_n)
wait_for_n 5 "$((resumed + 30))" || fail "status lines did not move after the silence"
statuses | tail -n 1 | grep -qF -- "$GRAVITY" || fail "status line off the scenario's gravity after the silence"
say "silence noticed and the stream resumed"

# Unplugged: the read under way fails (or, unplugged between two reads, the
# next one cannot start), and the replugged unit is found.
bed unplug
wait_for 8 err "— device gone, waiting for reconnect" || fail "no read failure on unplugging"
bed plug
wait_for 10 err "TundraImu: reconnected to $SERIAL" 2 || fail "no reconnection after replugging"
replugged=$(last_n)
wait_for_n 5 "$((replugged + 30))" || fail "status lines did not move after replugging"
say "read failure on unplugging: $(grep -o '[A-Za-z]* failed (err [0-9]*)' err | head -n 1); replugged unit found"

# q from the pipe ends the run at once.
printf q >&4
quit_tries=10
while [ "$quit_tries" -gt 0 ] && kill -0 "$tool" 2>/dev/null; do sleep 0.1; quit_tries=$((quit_tries - 1)); done
kill -0 "$tool" 2>/dev/null && fail "still running 1 s after q"
wait "$tool"
code=$?
[ "$code" -eq 0 ] || fail "exit status $code after q"
say "q: exit 0"

# The lab records the same unit through the same device code.
tool=
"$WRAP" "$WINE" "$LAB" record --out capture.csv --duration 3s --imu-serial "$SERIAL" \
    --config headset.json </dev/null >out 2>err
code=$?
[ "$code" -eq 0 ] || fail "headvane-lab record: exit status $code"
grep -qF "TundraImu: using $SERIAL" out || fail "headvane-lab record: no using line"
grep -qx "# unit_serial $SERIAL" capture.csv || fail "capture: no unit serial"
rows=$(grep -cE '^[0-9]+\.[0-9]{6},[0-9]+,[0-9]+,-1024,-1774,-3547,5,-3,2$' capture.csv)
[ "$rows" -ge 300 ] || fail "capture: $rows rows of the streamed counts"
tail -n 1 capture.csv | grep -qE "^# summary duration_s [0-9.]+ reports [0-9]+ samples $rows " ||
    fail "capture: last line is not the summary of its $rows rows"
say "headvane-lab record: $rows rows and the summary"
say "passed"
