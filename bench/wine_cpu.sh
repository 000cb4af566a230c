#!/usr/bin/env bash
# CPU cost of the full-screen saver under Wine: runs frin.scr on a 1920x1080 virtual display for
# 20 seconds with Max 500, Speed 50 and Remain "on", and prints the CPU seconds (user + system,
# from /proc/<pid>/stat) that frin.scr and the wineserver used during those 20 seconds (and, for
# reference, the X server).
# A benchmark, not a test: it asserts nothing.
#
# Usage: bench/wine_cpu.sh [frin.scr]   (default: the one in build/win32)
# Environment: SECONDS_TO_RUN (default 20), SIZE (default 1920x1080), MAX, SPEED, REMAIN.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FRIN_SCR=${1:-$(find "$ROOT/build/win32" -name frin.scr -type f 2>/dev/null | head -1)}
[ -n "$FRIN_SCR" ] && [ -f "$FRIN_SCR" ] || {
  echo "no frin.scr (build it with: cmake --preset win32 && cmake --build --preset win32)" >&2
  exit 1
}
RUN_FOR=${SECONDS_TO_RUN:-20}
SIZE=${SIZE:-1920x1080}

T_DIR=$(mktemp -d /tmp/frin-wine-cpu.XXXXXX)
export T_DIR FRIN_SCR
source "$ROOT/tests/wine/lib.sh"
fail() {
  echo "$*" >&2
  exit 1
}

cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 10 wineserver -k >/dev/null 2>&1
  [ -f "$T_DIR/xvfb.pid" ] && kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
  rm -rf "$T_DIR"
}
trap cleanup EXIT

TICKS=$(getconf CLK_TCK)
# cpu PID: user + system time of a process in clock ticks.
cpu() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

echo "preparing a Wine prefix..." >&2
make_template "$T_DIR/template" || fail "could not build a Wine prefix"
TEMPLATE=$T_DIR/template
start_display "$SIZE"
new_prefix
seed Max="${MAX:-500}" Speed="${SPEED:-50}" SaverType=black BackScreen=off 'BS_File=' \
  Remain="${REMAIN:-on}" Mouse_Move=on

# The wineserver of this prefix: its working folder is named after the prefix's device and inode.
read -r dev ino <<<"$(stat -c '%d %i' "$WINEPREFIX")"
server_dir=$(printf 'server-%x-%x' "$dev" "$ino")
server=""
for p in $(pgrep -f '^/usr/lib/wine/wineserver'); do
  [[ $(readlink "/proc/$p/cwd" 2>/dev/null) == */"$server_dir" ]] && server=$p
done
[ -n "$server" ] || fail "cannot find the wineserver"

frin /s
SAVER_XID=$(wait_window "ScreenSaver Frin" 30) || fail "the saver's window did not appear"
sleep 1
xvfb=$(cat "$T_DIR/xvfb.pid")
frin0=$(cpu "$FRIN_PID") server0=$(cpu "$server") xvfb0=$(cpu "$xvfb")
start=$(date +%s%N)
sleep "$RUN_FOR"
alive "$FRIN_PID" || fail "frin.scr ended during the run"
frin1=$(cpu "$FRIN_PID") server1=$(cpu "$server") xvfb1=$(cpu "$xvfb")
elapsed=$((($(date +%s%N) - start) / 1000000))
xdotool key x

awk -v f=$((frin1 - frin0)) -v s=$((server1 - server0)) -v x=$((xvfb1 - xvfb0)) -v t="$TICKS" -v e="$elapsed" \
  -v size="$SIZE" -v max="${MAX:-500}" -v speed="${SPEED:-50}" -v remain="${REMAIN:-on}" 'BEGIN {
  printf "frin.scr under Wine, %s, Max %s, Speed %s, Remain %s, %.1f s of wall time\n",
    size, max, speed, remain, e / 1000
  printf "frin.scr:   %6.2f CPU seconds (%5.1f%% of one core)\n", f / t, 100 * f / t / (e / 1000)
  printf "wineserver: %6.2f CPU seconds (%5.1f%% of one core)\n", s / t, 100 * s / t / (e / 1000)
  printf "(Xvfb:      %6.2f CPU seconds, the X server drawing what frin presents)\n", x / t
}'
