#!/usr/bin/env bash
# CPU cost of presenting under Wine, as a ratio to a reference measured in the same run: on one
# virtual display and one Wine prefix per size, runs the reference program (bench/wine/
# full_frame.cpp: one copy of the whole frame from a DIB section to its window every 50 ms) and
# frin.scr /s (Max 500, Speed 50, Remain "on", black background), 20 s each, one after the
# other, and counts the CPU time (user + system, from /proc) of every process of the prefix
# (the program, the wineserver, Wine's services and desktop) and of the X server. Prints both
# figures and frin.scr's ratio to the reference, at 1920x1080 and at 3840x2160.
# A benchmark, not a test: it asserts nothing.
#
# Usage: bench/wine_cpu.sh [BUILD_FOLDER]   (default: build/win32, or build/win64 where this host
#                                            runs no 32-bit programs; brought up to date first)
#        bench/wine_cpu.sh --two-monitors [frin.scr]   two monitors against one, as a ratio
#                                            (bench/wine_cpu_monitors.sh; needs root for Xorg)
#        bench/wine_cpu.sh --scales [BUILD_FOLDER]   frin.scr on one display at 192 dpi (scale 2)
#                                            against the same display at 96 dpi (scale 1), side by
#                                            side, as a ratio (SIZES default 3840x2160)
# Environment: SIZES (default "1920x1080 3840x2160"), ROUNDS (default 1; each round measures both
#   programs, the reference first in odd rounds and last in even ones), SECONDS_TO_RUN (20),
#   MAX (500), SPEED (50), REMAIN (on), REFERENCE_MODE (full; small = 1000 7x7 copies a tick,
#   idle = nothing on the timer), FRIN_WINE_ARCH (as for tests/wine/run).
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" = --two-monitors ]; then
  shift
  exec bash "$ROOT/bench/wine_cpu_monitors.sh" "$@"
fi
SCALES=0
if [ "${1:-}" = --scales ]; then
  SCALES=1
  shift
fi
# shellcheck source=tests/wine/wine_arch.sh
source "$ROOT/tests/wine/wine_arch.sh"
BUILD=${1:-$ROOT/build/$FRIN_WINE_ARCH}
RUN_FOR=${SECONDS_TO_RUN:-20}
if [ "$SCALES" = 1 ]; then
  SIZES=${SIZES:-3840x2160}
else
  SIZES=${SIZES:-1920x1080 3840x2160}
fi
ROUNDS=${ROUNDS:-1}
MODE=${REFERENCE_MODE:-full}

fail() {
  echo "$*" >&2
  exit 1
}

if [ ! -f "$BUILD/build.ninja" ]; then
  (cd "$ROOT" && cmake --preset "$FRIN_WINE_ARCH" -B "$BUILD" >/dev/null) ||
    fail "cannot configure $BUILD"
fi
cmake --build "$BUILD" -j2 >/dev/null || fail "the build in $BUILD failed"
FRIN_SCR=$BUILD/frin.scr
REFERENCE=$BUILD/bench/wine/full_frame.exe
[ -f "$FRIN_SCR" ] && [ -f "$REFERENCE" ] || fail "no frin.scr or full_frame.exe in $BUILD"

T_DIR=$(mktemp -d /tmp/frin-wine-cpu.XXXXXX)
export T_DIR FRIN_SCR
use_wine_arch "$T_DIR/bin"
# shellcheck source=tests/wine/lib.sh
source "$ROOT/tests/wine/lib.sh"

stop_display() {
  [ -f "$T_DIR/xvfb.pid" ] && kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
  rm -f "$T_DIR/xvfb.pid"
}
stop_prefix() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && timeout 10 wineserver -k >/dev/null 2>&1
  [ -n "${WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"
}
cleanup() {
  stop_prefix
  stop_display
  [ -d "$T_DIR/template" ] && WINEPREFIX=$T_DIR/template timeout 10 wineserver -k >/dev/null 2>&1
  rm -rf "$T_DIR"
}
trap cleanup EXIT

TICKS=$(getconf CLK_TCK)

# snapshot FILE: "pid role ticks" for every process of this prefix and for the X server. A
# process belongs to the prefix when its environment names it (Wine's processes inherit it).
snapshot() {
  local out=$1 pid role
  : >"$out"
  for pid in $(pgrep -f 'wine|\.exe|\.scr'); do
    [ -r "/proc/$pid/environ" ] || continue
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    role=wine
    [ "$pid" = "$PROGRAM_PID" ] && role=program
    grep -q wineserver "/proc/$pid/cmdline" 2>/dev/null && role=server
    echo "$pid $role $(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)" >>"$out"
  done
  echo "$(cat "$T_DIR/xvfb.pid") x $(awk '{print $14 + $15}' "/proc/$(cat "$T_DIR/xvfb.pid")/stat")" >>"$out"
}

# measure NAME TITLE COMMAND...: starts the program, waits for its window, measures RUN_FOR
# seconds and ends it with a key press. Prints "total program server wine x" in CPU seconds.
measure() {
  local name=$1 title=$2
  shift 2
  wine "$@" >>"$T_DIR/$name.log" 2>&1 &
  PROGRAM_PID=$!
  wait_window "$title" 60 >/dev/null || fail "$name: its window did not appear"
  sleep 2
  snapshot "$T_DIR/before"
  sleep "$RUN_FOR"
  alive "$PROGRAM_PID" || fail "$name ended during the run"
  snapshot "$T_DIR/after"
  xdotool key x
  ends_within "$PROGRAM_PID" 10 || kill "$PROGRAM_PID" 2>/dev/null
  wait "$PROGRAM_PID" 2>/dev/null
  # A process that started during the run counts from 0.
  awk -v t="$TICKS" 'NR == FNR { before[$1] = $3; next }
    { d = $3 - (($1 in before) ? before[$1] : 0); sum[$2] += d; total += d }
    END { printf "%.2f %.2f %.2f %.2f %.2f\n", total / t, sum["program"] / t, sum["server"] / t,
          sum["wine"] / t, sum["x"] / t }' "$T_DIR/before" "$T_DIR/after"
}

echo "preparing a Wine prefix ($FRIN_WINE_ARCH)..." >&2
make_template "$T_DIR/template" || fail "could not build a Wine prefix"
TEMPLATE=$T_DIR/template

# set_dpi N: the dots per inch the next start of a program sees.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot set $1 dpi"
}

# median of the arguments.
median() {
  printf '%s\n' "$@" | sort -n |
    awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; if (NR == 1) print v[1]; else printf "%s .. %s, median %.2f", v[1], v[NR], m }'
}

# The programs compared, one measurement each (see measure).
run_reference() { measure reference "Full Frame Reference" 'C:\full_frame.exe' "$MODE"; }
run_frin() { measure frin "ScreenSaver Frin" "$SAVER_WIN" /s; }
run_96dpi() {
  set_dpi 96
  measure frin-96 "ScreenSaver Frin" "$SAVER_WIN" /s
}
run_192dpi() {
  set_dpi 192
  measure frin-192 "ScreenSaver Frin" "$SAVER_WIN" /s
}

# compare SIZE A B GOAL: ROUNDS rounds of run_A and run_B side by side (A first in odd rounds,
# last in even ones), each round's figures with the ratio B / A, then the ratios' median.
compare() {
  local size=$1 a=$2 b=$3 goal=$4 round order which figures fa fb
  local ta pa sa wa xa tb pb sb wb xb ratio ratios=()
  for round in $(seq "$ROUNDS"); do
    if [ $((round % 2)) -eq 1 ]; then order="$a $b"; else order="$b $a"; fi
    for which in $order; do
      figures=$("run_$which") || exit 1
      if [ "$which" = "$a" ]; then fa=$figures; else fb=$figures; fi
    done
    read -r ta pa sa wa xa <<<"$fa"
    read -r tb pb sb wb xb <<<"$fb"
    ratio=$(awk -v b="$tb" -v a="$ta" 'BEGIN { printf "%.2f", (a > 0 ? b / a : 0) }')
    ratios+=("$ratio")
    printf '%s round %d: %s %6.2f s (%s / %s / %s / %s)   %s %6.2f s (%s / %s / %s / %s)   ratio %s\n' \
      "$size" "$round" "$a" "$ta" "$pa" "$sa" "$wa" "$xa" "$b" "$tb" "$pb" "$sb" "$wb" "$xb" "$ratio"
  done
  printf '%s: %s against %s, ratio %s (goal: at most %s)\n' "$size" "$b" "$a" \
    "$(median "${ratios[@]}")" "$goal"
}

if [ "$SCALES" = 1 ]; then
  echo "Wine CPU, ${RUN_FOR} s each: frin.scr /s (Max ${MAX:-500}, Speed ${SPEED:-50}, Remain ${REMAIN:-on}) at 192 dpi (scale 2) against the same display at 96 dpi (scale 1)"
else
  echo "Wine CPU, ${RUN_FOR} s each: frin.scr /s (Max ${MAX:-500}, Speed ${SPEED:-50}, Remain ${REMAIN:-on}) against full_frame.exe $MODE (copies every 50 ms)"
fi
echo "figures: CPU seconds of all the prefix's processes and the X server (program / wineserver / other Wine / X)"
for size in $SIZES; do
  start_display "$size"
  new_prefix
  cp "$REFERENCE" "$WINEPREFIX/drive_c/full_frame.exe"
  seed Max="${MAX:-500}" Speed="${SPEED:-50}" SaverType=black BackScreen=off 'BS_File=' \
    Remain="${REMAIN:-on}" Mouse_Move=on
  if [ "$SCALES" = 1 ]; then
    compare "$size" 96dpi 192dpi 1.2
  else
    compare "$size" reference frin 1.25
  fi
  stop_prefix
  stop_display
done
