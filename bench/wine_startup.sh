#!/usr/bin/env bash
# Start-up time of the full-screen saver under Wine: from starting the process to its window on
# the screen (mapped and visible on the X display), on a 3840x2160 virtual display, with the
# black background, the desktop copy and a 4000x3000 jpg picture, against an empty Win32 program
# (bench/wine/empty_window.cpp: one full-screen window, nothing else) started the same way on the
# same display and prefix. Each is started ROUNDS times after one start that warms Wine up; the
# median and the range are printed. Last, the saver's jpg decoder alone decodes the picture
# ROUNDS times on one thread and on two, and the picture is stretched to 3840x2160
# (bench/wine/decode_jpeg.cpp).
# A benchmark, not a test: it asserts nothing.
#
# Usage: bench/wine_startup.sh [BUILD_FOLDER]   (as bench/wine_cpu.sh)
# Environment: SIZE (default 3840x2160), ROUNDS (default 5), FRIN_WINE_ARCH;
#   MONITORS=2: two monitors of SIZE side by side (the time is then to the first window, which
#   shows once every scene is ready);
#   FRIN_SCR_BEFORE: the path of another frin.scr (an earlier build), started in turn with
#   frin.scr, side by side in the same run, with the ratio of their medians.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tests/wine/wine_arch.sh
source "$ROOT/tests/wine/wine_arch.sh"
BUILD=${1:-$ROOT/build/$FRIN_WINE_ARCH}
SIZE=${SIZE:-3840x2160}
ROUNDS=${ROUNDS:-5}
MONITORS=${MONITORS:-1}
BEFORE=${FRIN_SCR_BEFORE:-}

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
EMPTY=$BUILD/bench/wine/empty_window.exe
DECODE=$BUILD/bench/wine/decode_jpeg.exe
[ -f "$FRIN_SCR" ] && [ -f "$EMPTY" ] && [ -f "$DECODE" ] ||
  fail "no frin.scr, empty_window.exe or decode_jpeg.exe in $BUILD"
[ -z "$BEFORE" ] || [ -f "$BEFORE" ] || fail "FRIN_SCR_BEFORE: no file $BEFORE"

T_DIR=$(mktemp -d /tmp/frin-wine-startup.XXXXXX)
export T_DIR FRIN_SCR
use_wine_arch "$T_DIR/bin"
# shellcheck source=tests/wine/lib.sh
source "$ROOT/tests/wine/lib.sh"

cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 10 wineserver -k >/dev/null 2>&1
  [ -d "$T_DIR/template" ] && WINEPREFIX=$T_DIR/template timeout 10 wineserver -k >/dev/null 2>&1
  [ -f "$T_DIR/xvfb.pid" ] && kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
  rm -rf "$T_DIR"
}
trap cleanup EXIT

# started TITLE COMMAND...: milliseconds from starting the program to its window being visible;
# then ends it with a key press.
started() {
  local title=$1 t0 t1 pid
  shift
  t0=$(date +%s%N)
  wine "$@" >>"$T_DIR/programs.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1; do
    alive "$pid" || fail "$title: the program ended before its window showed"
    [ $(($(date +%s%N) - t0)) -lt 60000000000 ] || fail "$title: no window within 60 s"
    sleep 0.01
  done
  t1=$(date +%s%N)
  sleep 0.5
  xdotool key x
  ends_within "$pid" 10 || kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo $(((t1 - t0) / 1000000))
}

# summary NAME: the median and the range of the milliseconds read from standard input.
summary() {
  sort -n | awk -v name="$1" '{ v[NR] = $1 }
    END { printf "%-34s %6.2f s  (%.2f .. %.2f s over %d starts)\n", name,
          v[int((NR + 1) / 2)] / 1000, v[1] / 1000, v[NR] / 1000, NR }'
}

# median: the median of the numbers read from standard input.
median() {
  sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# series NAME TITLE COMMAND...: ROUNDS starts; prints the median and the range.
series() {
  local name=$1 title=$2 times=() i
  shift 2
  for i in $(seq "$ROUNDS"); do
    times+=("$(started "$title" "$@")") || exit 1
  done
  printf '%s\n' "${times[@]}" | summary "$name"
}

echo "preparing a Wine prefix ($FRIN_WINE_ARCH)..." >&2
make_template "$T_DIR/template" || fail "could not build a Wine prefix"
TEMPLATE=$T_DIR/template
if [ "$MONITORS" = 2 ]; then
  setup_two_monitors "$SIZE" "$SIZE"  # Xorg's dummy driver, side by side
else
  start_display "$SIZE"
  new_prefix
fi
cp "$EMPTY" "$WINEPREFIX/drive_c/empty_window.exe"
cp "$DECODE" "$WINEPREFIX/drive_c/decode_jpeg.exe"
[ -z "$BEFORE" ] || cp "$BEFORE" "$WINEPREFIX/drive_c/before.scr"
# A photograph-like picture: a gradient with grain, which a jpg decoder must work through.
convert -size 4000x3000 gradient:'#0B1633-#C8D8F0' -attenuate 0.4 +noise Gaussian -quality 90 \
  "$WINEPREFIX/drive_c/big.jpg" || fail "cannot make the picture"
xsetroot -solid '#336699'

echo "Start-up under Wine at $SIZE, $MONITORS monitor(s) (from the process start to the window on the screen)"
started "Empty Reference" 'C:\empty_window.exe' >/dev/null  # Wine's first start in the prefix
series "empty Win32 program (reference)" "Empty Reference" 'C:\empty_window.exe'
seed Max=500 Speed=50 SaverType=black BackScreen=off 'BS_File=' Remain=on Mouse_Move=on
# saver_series NAME: frin.scr's starts with the settings as seeded. With FRIN_SCR_BEFORE the two
# builds start in pairs, each pair in the other order from the last, so both meet the same moments
# of a noisy machine; the ratio of the medians follows, and in how many of the pairs frin.scr was faster.
saver_series() {
  local name="frin.scr /s, $1" now=() before=() i won=0
  if [ -z "$BEFORE" ]; then
    series "$name" "ScreenSaver Frin" "$SAVER_WIN" /s
    return
  fi
  for i in $(seq "$ROUNDS"); do
    if [ $((i % 2)) -eq 1 ]; then
      now+=("$(started "ScreenSaver Frin" "$SAVER_WIN" /s)") || exit 1
      before+=("$(started "ScreenSaver Frin" 'C:\before.scr' /s)") || exit 1
    else
      before+=("$(started "ScreenSaver Frin" 'C:\before.scr' /s)") || exit 1
      now+=("$(started "ScreenSaver Frin" "$SAVER_WIN" /s)") || exit 1
    fi
    [ "${now[-1]}" -lt "${before[-1]}" ] && won=$((won + 1))
  done
  printf '%s\n' "${now[@]}" | summary "$name"
  printf '%s\n' "${before[@]}" | summary "  the same, FRIN_SCR_BEFORE"
  awk -v a="$(printf '%s\n' "${now[@]}" | median)" -v b="$(printf '%s\n' "${before[@]}" | median)" \
    -v won="$won" -v n="$ROUNDS" 'BEGIN {
      printf "  %-32s %6.2f   (faster in %d of %d pairs)\n", "ratio of the medians", a / b, won, n }'
}
saver_series "black background"
seed SaverType=desktop
saver_series "desktop background"
seed SaverType=black BackScreen=on 'BS_File=C:\big.jpg'
saver_series "4000x3000 jpg picture"
echo "the saver's jpg decoder and stretch alone on the same picture (bench/wine/decode_jpeg.cpp):"
wine 'C:\decode_jpeg.exe' 'C:\big.jpg' "$ROUNDS" 2>>"$T_DIR/programs.log" | sed 's/^/  /'
