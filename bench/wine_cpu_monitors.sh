#!/usr/bin/env bash
# CPU cost of the full-screen saver on two monitors against one, under Wine: runs frin.scr for
# SECONDS_TO_RUN seconds on an Xorg display (dummy driver, Xinerama) of one monitor, then of two
# (the same primary and a second monitor to its left), and prints the CPU seconds (user + system,
# from /proc/<pid>/stat) that frin.scr and the wineserver used in each run, the X server's for
# reference, and the ratio of the two runs. Each monitor has its own Max flakes, so the goal is
# that two monitors cost at most twice one. Both runs use the same display server, prefix
# template and settings, one after the other, so that they see the same machine.
# A benchmark, not a test: it asserts nothing. Needs root (Xorg) and tools/deps wine.
#
# Usage: bench/wine_cpu_monitors.sh [frin.scr]   (default: the one in build/win32, or build/win64
#        where this host runs no 32-bit programs)
# Environment: SECONDS_TO_RUN (default 20), SIZE (the primary, default 1920x1080), LEFT (the
#        second monitor, default 1920x1080), ROUNDS (runs of each, alternating, default 1), MAX
#        (default 500), SPEED (default 50), REMAIN (default on).
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tests/wine/wine_arch.sh"
FRIN_SCR=${1:-$(find "$ROOT/build/$FRIN_WINE_ARCH" -name frin.scr -type f 2>/dev/null | head -1)}
[ -n "$FRIN_SCR" ] && [ -f "$FRIN_SCR" ] || {
  echo "no frin.scr (build it with: cmake --preset $FRIN_WINE_ARCH && cmake --build --preset $FRIN_WINE_ARCH)" >&2
  exit 1
}
FRIN_SCR=$(cd "$(dirname "$FRIN_SCR")" && pwd)/$(basename "$FRIN_SCR")
RUN_FOR=${SECONDS_TO_RUN:-20}
SIZE=${SIZE:-1920x1080}
LEFT=${LEFT:-1920x1080}
ROUNDS=${ROUNDS:-1}

WORK=$(mktemp -d /tmp/frin-wine-cpu-monitors.XXXXXX)
export FRIN_SCR
use_wine_arch "$WORK/bin"
T_DIR=$WORK/t
mkdir -p "$T_DIR"
source "$ROOT/tests/wine/lib.sh"
fail() {
  echo "$*" >&2
  exit 1
}
skip() { fail "$*"; }

stop_run() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && timeout 10 wineserver -k >/dev/null 2>&1
  [ -f "$T_DIR/xvfb.pid" ] && kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
  rm -f "$T_DIR/xvfb.pid"
  sleep 0.5
}
cleanup() {
  stop_run
  WINEPREFIX=$WORK/template timeout 10 wineserver -k >/dev/null 2>&1
  rm -rf "$WORK"
}
trap cleanup EXIT

TICKS=$(getconf CLK_TCK)
# cpu PID: user + system time of a process in clock ticks.
cpu() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

echo "preparing a Wine prefix..." >&2
T_DIR=$WORK make_template "$WORK/template" || fail "could not build a Wine prefix"
TEMPLATE=$WORK/template

# measure LEFT_OR_EMPTY: one run; prints "frin server x" in clock ticks.
measure() {
  rm -rf "$T_DIR" && mkdir -p "$T_DIR"
  setup_two_monitors "$SIZE" "$1"
  seed Max="${MAX:-500}" Speed="${SPEED:-50}" SaverType=black BackScreen=off 'BS_File=' \
    Remain="${REMAIN:-on}" Mouse_Move=on
  # The wineserver of this prefix: its working folder is named after the prefix's device and
  # inode.
  local dev ino server_dir server="" p
  read -r dev ino <<<"$(stat -c '%d %i' "$WINEPREFIX")"
  server_dir=$(printf 'server-%x-%x' "$dev" "$ino")
  for p in $(pgrep -f 'wineserver'); do
    [[ $(readlink "/proc/$p/cwd" 2>/dev/null) == */"$server_dir" ]] && server=$p
  done
  [ -n "$server" ] || fail "cannot find the wineserver"
  frin /s
  wait_window "ScreenSaver Frin" 30 >/dev/null || fail "the saver's window did not appear"
  sleep 2
  local want=1 windows
  [ -n "$1" ] && want=2
  windows=$(xdotool search --onlyvisible --name '^ScreenSaver Frin$' 2>/dev/null | wc -l)
  [ "$windows" = "$want" ] || fail "$windows saver windows on $want monitor(s)"
  local x f0 s0 x0 f1 s1 x1
  x=$(cat "$T_DIR/xvfb.pid")
  f0=$(cpu "$FRIN_PID") s0=$(cpu "$server") x0=$(cpu "$x")
  sleep "$RUN_FOR"
  alive "$FRIN_PID" || fail "frin.scr ended during the run"
  f1=$(cpu "$FRIN_PID") s1=$(cpu "$server") x1=$(cpu "$x")
  xdotool key x
  ends_within "$FRIN_PID" 5 || true
  stop_run
  echo "$((f1 - f0)) $((s1 - s0)) $((x1 - x0))"
}

one=() two=()
for ((r = 1; r <= ROUNDS; r++)); do
  echo "round $r: one monitor..." >&2
  one+=("$(measure "")")
  echo "round $r: two monitors..." >&2
  two+=("$(measure "$LEFT")")
done

printf '%s\n' "${one[@]}" >"$WORK/one"
printf '%s\n' "${two[@]}" >"$WORK/two"
awk -v t="$TICKS" -v run="$RUN_FOR" -v size="$SIZE" -v left="$LEFT" -v max="${MAX:-500}" \
  -v speed="${SPEED:-50}" -v remain="${REMAIN:-on}" -v arch="$FRIN_WINE_ARCH" '
  FNR == 1 { file++ }
  { f[file] += $1; s[file] += $2; x[file] += $3; n[file]++ }
  END {
    printf "frin.scr (%s) under Wine on Xorg (dummy driver), Max %s, Speed %s, Remain %s, %s s a run, %d run(s) each\n",
      arch, max, speed, remain, run, n[1]
    printf "%-34s %10s %12s %12s %10s\n", "", "frin.scr", "wineserver", "together", "(X server)"
    for (i = 1; i <= 2; i++) {
      label = i == 1 ? "one monitor " size : "two monitors " size " + " left
      printf "%-34s %9.2fs %11.2fs %11.2fs %9.2fs\n", label, f[i] / n[i] / t, s[i] / n[i] / t,
        (f[i] + s[i]) / n[i] / t, x[i] / n[i] / t
    }
    if (f[1] + s[1] > 0)
      printf "ratio two / one (frin.scr + wineserver): %.2f (goal: at most 2)\n", (f[2] + s[2]) / (f[1] + s[1])
    if (f[1] > 0) printf "ratio two / one (frin.scr alone): %.2f\n", f[2] / f[1]
  }' "$WORK/one" "$WORK/two"
