#!/usr/bin/env bash
# Soak of the full-screen saver under Wine: runs frin.scr on a virtual display (1920x1080, Max
# 500, Speed 50, Remain "on") for N minutes and every 10 s samples
#   - frin.scr's resident and private memory (VmRSS and RssAnon of /proc/<pid>/status);
#   - what Windows counts for it (tests/wine/process_sample.exe): GDI and USER objects
#     (GetGuiResources), kernel handles, private bytes and working set; Wine counts none of the
#     objects and handles (they show as -1), so there the memory figures are what is judged;
#   - the memory of the prefix's wineserver and of the X server.
# After the warm-up (the first minute) every value must stay flat: a sample that exceeds the
# first one after the warm-up by more than its allowance is growth, and the soak fails. The
# samples are printed as a table, with the white layer's top row on the screen at each.
#
# Usage: bench/soak.sh [MINUTES]   (default 10; fractions such as 0.5 are allowed)
# Environment:
#   SIZE, MAX, SPEED, REMAIN     the display and the settings (1920x1080, 500, 50, on)
#   SAMPLE_SECONDS               between samples (10)
#   WARMUP_SECONDS               samples before this are shown but not judged (60, at most half
#                                the run)
#   ALLOW_KB                     growth allowed in each memory value, in kB (256)
#   ALLOW_HANDLES                growth allowed in the handle and object counts (2)
#   FRIN_SCR                     the frin.scr to soak (default: the build's, see tests/wine/run)
#   FRIN_WIN32_BUILD             the build folder with frin.scr and process_sample.exe
#   HELPERS                      the folder of process_sample.exe (the Wine suite passes its own)
#   LAYER_AT_TOP                 1: fail unless the layer has risen as high as it goes (at
#                                1920x1080 it rises a row about every 20 s, so this suits a
#                                small display such as 320x240)
#   TEMPLATE                     a ready Wine prefix to copy (the Wine suite passes its own)
#   FRIN_SOAK_KEEP               1: keep the scratch folder (logs, prefix, last screenshot)
# The exit status is 0 when everything stayed flat, 1 on growth or when the saver ended, 2 when
# the soak could not run.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MINUTES=${1:-10}
SIZE=${SIZE:-1920x1080}
EVERY=${SAMPLE_SECONDS:-10}
ALLOW_KB=${ALLOW_KB:-256}
ALLOW_HANDLES=${ALLOW_HANDLES:-2}
RUN_FOR=$(awk -v m="$MINUTES" 'BEGIN { printf "%d", m * 60 }')
WARMUP=${WARMUP_SECONDS:-60}
[ "$WARMUP" -le $((RUN_FOR / 2)) ] || WARMUP=$((RUN_FOR / 2))

# shellcheck source=tests/wine/wine_arch.sh
source "$ROOT/tests/wine/wine_arch.sh"
BUILD=${FRIN_WIN32_BUILD:-$ROOT/build/$FRIN_WINE_ARCH}
FRIN_SCR=${FRIN_SCR:-$(find "$BUILD" -name frin.scr -type f 2>/dev/null | head -1)}
SAMPLER=${HELPERS:+$HELPERS/process_sample.exe}
[ -n "$SAMPLER" ] && [ -f "$SAMPLER" ] ||
  SAMPLER=$(find "$BUILD" -name process_sample.exe -type f 2>/dev/null | head -1)
if [ -z "$FRIN_SCR" ] || [ ! -f "$FRIN_SCR" ] || [ -z "$SAMPLER" ]; then
  echo "no frin.scr or process_sample.exe in $BUILD (build it with:" \
    "cmake --preset $FRIN_WINE_ARCH && cmake --build --preset $FRIN_WINE_ARCH)" >&2
  exit 2
fi

T_DIR=$(mktemp -d /tmp/frin-soak.XXXXXX)
export T_DIR FRIN_SCR
# shellcheck source=tests/wine/lib.sh
source "$ROOT/tests/wine/lib.sh"
fail() {
  echo "$*" >&2
  exit 2
}
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 10 wineserver -k >/dev/null 2>&1
  [ -f "$T_DIR/xvfb.pid" ] && kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
  if [ -n "${own_template:-}" ]; then
    WINEPREFIX=$own_template timeout 10 wineserver -k >/dev/null 2>&1
  fi
  if [ "${FRIN_SOAK_KEEP:-0}" = 1 ]; then echo "kept: $T_DIR" >&2; else rm -rf "$T_DIR"; fi
}
trap cleanup EXIT
use_wine_arch "$T_DIR/bin"

if [ -z "${TEMPLATE:-}" ] || [ ! -d "$TEMPLATE" ]; then
  echo "preparing a Wine prefix..." >&2
  own_template=$T_DIR/template
  make_template "$own_template" || fail "could not build a Wine prefix"
  TEMPLATE=$own_template
fi
start_display "$SIZE"
new_prefix
seed Max="${MAX:-500}" Speed="${SPEED:-50}" SaverType=black BackScreen=off 'BS_File=' \
  Remain="${REMAIN:-on}" Mouse_Move=on
cp "$SAMPLER" "$WINEPREFIX/drive_c/process_sample.exe"

# The prefix's wineserver: its working folder is named after the prefix's device and inode.
read -r dev ino <<<"$(stat -c '%d %i' "$WINEPREFIX")"
server_dir=$(printf 'server-%x-%x' "$dev" "$ino")
server=""
for p in $(pgrep wineserver); do
  [[ $(readlink "/proc/$p/cwd" 2>/dev/null) == */"$server_dir" ]] && server=$p
done
[ -n "$server" ] || fail "cannot find the wineserver"
xserver=$(cat "$T_DIR/xvfb.pid")

frin /s
SAVER_XID=$(wait_window "ScreenSaver Frin" 60) || fail "the saver's window did not appear"
# The Linux process that runs frin.scr: the one started, or the one it handed over to.
saver=""
for p in "$FRIN_PID" $(pgrep -P "$FRIN_PID" 2>/dev/null); do
  tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qi 'frin\.scr' && saver=$p && break
done
[ -n "$saver" ] || fail "cannot find frin.scr's process"

# kb PID FIELD: a field of /proc/PID/status in kB (empty when the process is gone).
kb() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status" 2>/dev/null; }
# win FIELD LINE: a field of process_sample's report.
win() { sed -n "s/.* $1=\\([-0-9]*\\).*/\\1/p" <<<" $2"; }

cols=(frin_rss frin_anon private working_set handles gdi user wineserver x_server layer_top)
height=${SIZE#*x}
# The layer's top row on the screen: the highest of the white rows at the bottom. The flakes that
# stand on the ground line cover up to 7 rows of it, so the layer at its top (ground line at
# row 50) shows its top at row 57 or above. Taken at every sample only with LAYER_AT_TOP=1
# (else "-"), since on a large display each screenshot makes the X server hold a frame's worth
# of memory more for a while, which would read as growth.
layer_top() {
  local rows
  [ "${1:-}" = end ] || [ "${LAYER_AT_TOP:-0}" = 1 ] || {
    echo "-"
    return 0
  }
  shot "$T_DIR/now.png" 2>/dev/null || return 0
  rows=$(python3 "$ROOT/tests/wine/pixels.py" layer "$T_DIR/now.png" | awk '{print $2}')
  echo $((height - rows))
}
printf 'frin.scr under Wine (%s), %s, Max %s, Speed %s, Remain %s, %s min, a sample every %s s\n' \
  "$FRIN_WINE_ARCH" "$SIZE" "${MAX:-500}" "${SPEED:-50}" "${REMAIN:-on}" "$MINUTES" "$EVERY"
printf '%6s' time
printf ' %10s' "${cols[@]}"
printf '\n'
start=$(date +%s)
status=0
base=()
growth=()
gui_counted=0
for ((t = EVERY; t <= RUN_FOR; t += EVERY)); do
  sleep $((start + t - $(date +%s))) 2>/dev/null || true
  if ! alive "$saver"; then
    echo "frin.scr ended after ${t} s"
    status=1
    break
  fi
  report=$(timeout 30 wine 'C:\process_sample.exe' frin.scr 2>/dev/null | tr -d '\r')
  row=("$(kb "$saver" VmRSS)" "$(kb "$saver" RssAnon)" "$(win private_kb "$report")"
    "$(win working_set_kb "$report")" "$(win handles "$report")" "$(win gdi "$report")"
    "$(win user "$report")" "$(kb "$server" VmRSS)" "$(kb "$xserver" VmRSS)" "$(layer_top)")
  printf '%5ss' "$t"
  printf ' %10s' "${row[@]}"
  printf '\n'
  [ "${row[6]:--1}" -ge 0 ] 2>/dev/null && gui_counted=1
  [ "$t" -ge "$WARMUP" ] || continue
  if [ ${#base[@]} -eq 0 ]; then
    base=("${row[@]}")
    continue
  fi
  for ((i = 0; i < 9; i++)); do
    now=${row[$i]:--1} was=${base[$i]:--1}
    [ "$now" -ge 0 ] 2>/dev/null && [ "$was" -ge 0 ] 2>/dev/null || continue
    allow=$ALLOW_KB
    [ "$i" -ge 4 ] && [ "$i" -le 6 ] && allow=$ALLOW_HANDLES
    if [ $((now - was)) -gt "$allow" ]; then
      growth+=("${cols[$i]} grew from $was to $now by ${t} s (allowed: $allow)")
    fi
  done
done

# The layer at the end: at its top when asked for.
if alive "$saver"; then
  top=$(layer_top end)
  echo "layer at the end: its top at row $top of $height (the ground line stops at row 50)"
  if [ "${LAYER_AT_TOP:-0}" = 1 ] && [ "${top:-$height}" -gt 57 ]; then
    echo "the layer has not reached its top"
    status=1
  fi
  xdotool key x
  ends_within "$saver" 10 || echo "frin.scr did not end on a key press"
fi
[ "$gui_counted" = 1 ] ||
  echo "note: GetGuiResources counts no GDI or USER objects here (-1); judged by memory"
if [ ${#growth[@]} -gt 0 ]; then
  printf 'GROWTH: %s\n' "${growth[@]}"
  status=1
elif [ $status -eq 0 ]; then
  echo "flat after the first ${WARMUP} s: every value within its allowance" \
    "($ALLOW_KB kB, $ALLOW_HANDLES objects)"
fi
exit $status
