# Harness of the end-to-end tests: virtual displays, Wine prefixes, the settings store, the
# saver's process and its windows, screenshots, and the checks' bookkeeping.
# Sourced by tests/wine/run and, inside each test's own process, together with cases.sh.
#
# Variables the runner sets for a test process:
#   WINE_TESTS   this folder         FRIN_SCR   frin.scr         HELPERS   folder of the .exe helpers
#   TEMPLATE     the template prefix T_DIR      the test's scratch folder (kept when it fails)

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=${FRIN_WINE_ARCH:-win32}
STORE_KEY='HKCU\Software\VB and VBA Program Settings\Tolvar\SS_Frin'
SAVER_WIN='C:\windows\system32\frin.scr'
# The colours of the black background's sprite strip.
STRIP_COLOURS=('#000000' '#404040' '#606080' '#808080' '#A0A080' '#C0C080' '#C0C0FF' '#FFC0FF' '#FFFF80' '#FFFFFF')

# --- Virtual display ------------------------------------------------------------------------

# start_display WxH: starts Xvfb on a free display number and exports DISPLAY. The numbers
# come from a high range, away from the displays people and other tools usually take.
start_display() {
  serve_display 100 "Xvfb did not start" Xvfb -noreset -nolisten tcp -screen 0 "${1}x24"
}

# serve_display WAITS FAILURE SERVER ARGS...: starts the X server SERVER on a free display number
# with ARGS, waits up to WAITS twentieths of a second for it to be ready (five numbers are tried),
# and exports DISPLAY; fails with FAILURE when none starts.
serve_display() {
  local waits=$1 failure=$2 ready=$T_DIR/displayfd n="" i
  shift 2
  for _ in 1 2 3 4 5; do
    n=$((200 + RANDOM % 700))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    rm -f "$ready"
    # -displayfd: the server writes the display number to the descriptor once it is ready.
    "$1" ":$n" "${@:2}" -displayfd 5 5>"$ready" >"$T_DIR/xvfb.log" 2>&1 &
    echo $! >"$T_DIR/xvfb.pid"
    for i in $(seq "$waits"); do
      [ -s "$ready" ] && break
      alive "$(cat "$T_DIR/xvfb.pid")" || break
      sleep 0.05
    done
    [ -s "$ready" ] && break
    kill "$(cat "$T_DIR/xvfb.pid")" 2>/dev/null
    n=""
  done
  [ -n "$n" ] || fail "$failure"
  export DISPLAY=:$n
  # The pointer rests at a fixed place, so that no test starts with a moving mouse.
  xdotool mousemove 10 10
}

# start_two_monitors PRIMARY [LEFT]: an X display of two monitors, PRIMARY (WxH) and LEFT (WxH) to
# its left (without LEFT, the primary alone on the same kind of server), and exports DISPLAY. Xvfb stacks the screens of +xinerama at one origin, so this is
# Xorg with the dummy driver and Xinerama, which must run as root; the test is skipped elsewhere.
# In X (screenshot) coordinates the left monitor lies at (0, 0) and the primary right of it; in
# the saver's, the primary is at (0, 0) and the left one at negative x.
start_two_monitors() {
  [ "$(id -u)" = 0 ] || skip "Xorg with the dummy driver needs root"
  command -v Xorg >/dev/null && [ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ] ||
    skip "no Xorg dummy driver (run tools/deps wine)"
  local conf=$T_DIR/xorg
  mkdir -p "$conf"
  {
    printf 'Section "ServerFlags"\n  Option "Xinerama" "true"\n  Option "AutoAddDevices" "false"\n'
    printf '  Option "AutoEnableDevices" "false"\n  Option "DontVTSwitch" "true"\nEndSection\n'
    local k size w h screens=0
    [ -n "${2:-}" ] && screens="0 1"
    for k in $screens; do
      size=$1
      [ "$k" = 1 ] && size=$2
      w=${size%x*} h=${size#*x}
      printf 'Section "Device"\n  Identifier "dev%s"\n  Driver "dummy"\n  VideoRam 65536\nEndSection\n' "$k"
      # Any timing does on the dummy driver: 160 blank pixels a line, 45 blank lines, 60 Hz, but
      # a clock of at least 11 MHz.
      printf 'Section "Monitor"\n  Identifier "mon%s"\n  HorizSync 1.0-2000.0\n  VertRefresh 1.0-200.0\n' "$k"
      printf '  Modeline "%s" %s %s %s %s %s %s %s %s %s\nEndSection\n' "$size" \
        "$(awk -v a=$((w + 160)) -v b=$((h + 45)) 'BEGIN{c = a * b * 60 / 1e6; printf "%.2f", c < 12 ? 12 : c}')" \
        "$w" $((w + 16)) $((w + 112)) $((w + 160)) "$h" $((h + 3)) $((h + 6)) $((h + 45))
      printf 'Section "Screen"\n  Identifier "scr%s"\n  Device "dev%s"\n  Monitor "mon%s"\n' "$k" "$k" "$k"
      printf '  DefaultDepth 24\n  SubSection "Display"\n    Depth 24\n    Modes "%s"\n' "$size"
      printf '    Virtual %s %s\n  EndSubSection\nEndSection\n' "$w" "$h"
    done
    printf 'Section "ServerLayout"\n  Identifier "layout"\n  Screen 0 "scr0"\n'
    [ -z "${2:-}" ] || printf '  Screen 1 "scr1" LeftOf "scr0"\n'
    printf 'EndSection\n'
  } >"$conf/xorg.conf"
  serve_display 200 "Xorg with two dummy monitors did not start (see xorg.log)" \
    Xorg -config "$conf/xorg.conf" -noreset -nolisten tcp -logfile "$T_DIR/xorg.log"
}

# setup_two_monitors PRIMARY [LEFT]: the two-monitor display and a prefix in which Wine takes its
# monitors from Xinerama (not from RandR or XVidMode, which see one screen).
setup_two_monitors() {
  start_two_monitors "$1" "${2:-}"
  new_prefix
  local v
  for v in UseXRandR UseXVidMode; do
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$v" /t REG_SZ /d N /f >/dev/null 2>&1 ||
      fail "cannot set $v"
  done
}

# --- Wine prefixes --------------------------------------------------------------------------

# make_template DIR: a fresh prefix with what every test needs. Run once per suite.
make_template() {
  local dir=$1
  (
    export WINEPREFIX=$dir
    T_DIR=$(dirname "$dir")
    trap 'kill "$(cat "$T_DIR/xvfb.pid" 2>/dev/null)" 2>/dev/null' EXIT
    start_display 640x480
    timeout 180 wineboot -i >/dev/null 2>&1
    # Unmanaged windows: keys reach Wine's windows and closing does not wait on a window manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Wine's own fonts (the title bar's buttons are drawn with Marlett) and a Japanese font.
    cp -L /usr/share/wine/fonts/* /usr/share/fonts/truetype/vlgothic/*.ttf \
      "$dir/drive_c/windows/Fonts/"
    timeout 60 wineserver -w
  )
  [ -f "$dir/user.reg" ] && grep -q '"Managed"="N"' "$dir/user.reg"
}

# new_prefix: the test's own prefix, a copy of the template, with frin.scr in system32.
# The large unchanging files are hard links; the registry and .ini files, which Wine rewrites,
# are real copies.
new_prefix() {
  export WINEPREFIX=$T_DIR/prefix
  cp -al "$TEMPLATE" "$WINEPREFIX"
  local f
  for f in "$TEMPLATE"/*.reg; do cp --remove-destination "$f" "$WINEPREFIX/"; done
  find "$TEMPLATE/drive_c" -name '*.ini' -printf '%P\n' | while read -r f; do
    cp --remove-destination "$TEMPLATE/drive_c/$f" "$WINEPREFIX/drive_c/$f"
  done
  cp "$FRIN_SCR" "$WINEPREFIX/drive_c/windows/system32/frin.scr"
  # One server for the whole test, so that the store commands do not each start one.
  wineserver -p
}

# setup WxH: display and prefix for a test.
setup() {
  start_display "$1"
  new_prefix
}

# set_version win98|winxp|...: the Windows version Wine reports.
set_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot set the Windows version"
}

# --- The settings store ---------------------------------------------------------------------

# seed Key=Value...: writes REG_SZ values under the store key (one "wine reg import" of a
# UTF-16 .reg file, which is much faster than one "wine reg add" per value).
seed() {
  local kv name value file=$WINEPREFIX/drive_c/seed.reg
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n' \
      "${STORE_KEY#HKCU\\}"
    for kv in "$@"; do
      name=${kv%%=*} value=${kv#*=}
      value=${value//\\/\\\\} value=${value//\"/\\\"}
      printf '"%s"="%s"\r\n' "$name" "$value"
    done
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$file"
  # An import can fail while the prefix's services are still starting on a busy machine: a second
  # and a third try, a moment apart, before the test fails.
  local try
  for try in 1 2 3; do
    wine reg import 'C:\seed.reg' >>"$T_DIR/seed.log" 2>&1 && return 0
    sleep 1
  done
  fail "cannot seed $* (see seed.log)"
}

# store: the values under the store key, one "Name=Value" a line, sorted; nothing when absent.
# Read through "wine reg export", whose UTF-16 file keeps every character (the console output
# of "wine reg query" turns what the locale cannot show into question marks).
store() {
  local file=$WINEPREFIX/drive_c/store.reg
  rm -f "$file"
  wine reg export "$STORE_KEY" 'C:\store.reg' /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | PYTHONIOENCODING=utf-8 python3 -c '
import re, sys
for line in sys.stdin:
    m = re.match(r"^\"((?:[^\"\\]|\\.)*)\"=(.*)$", line.rstrip("\n"))
    if not m:
        continue
    name, value = m.group(1), m.group(2)
    if value.startswith("\""):
        value = re.sub(r"\\(.)", r"\1", value[1:-1])
    else:
        value = "(" + value + ")"
    print(name + "=" + value)
' | LC_ALL=C sort
}

# defaults: the seven values as the dialog writes them for an untouched first run.
seed_defaults() {
  seed Max=150 Speed=100 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
}

# --- The saver's process --------------------------------------------------------------------

# frin ARGS...: starts frin.scr as the system would, in the background; FRIN_PID is its process.
frin() {
  wine "$SAVER_WIN" "$@" >>"$T_DIR/frin.log" 2>&1 &
  FRIN_PID=$!
}

# alive PID: the process exists and has not ended (an ended child stays a zombie until reaped).
alive() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# ends_within PID SECONDS: true when the process ends within the time; sets ENDED_MS.
ends_within() {
  local pid=$1 limit_ms start now
  limit_ms=$(awk -v s="$2" 'BEGIN{printf "%d", s * 1000}')
  start=$(date +%s%3N)
  while alive "$pid"; do
    now=$(date +%s%3N)
    if [ $((now - start)) -gt "$limit_ms" ]; then
      ENDED_MS=""
      return 1
    fi
    sleep 0.05
  done
  ENDED_MS=$(($(date +%s%3N) - start))
  return 0
}

# wait_window TITLE [SECONDS]: the X window id of a visible window titled exactly TITLE.
wait_window() {
  local title=$1 limit=${2:-20} id i
  for ((i = 0; i < limit * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# visible_windows: the titles of the visible X windows, one a line.
visible_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    xdotool getwindowname "$id" 2>/dev/null
  done
}

# geometry ID: "X Y W H" of an X window.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# shot FILE: a screenshot of the whole display.
shot() {
  import -window root "$1" || fail "screenshot failed"
}

# saver_up [SECONDS]: waits for the full-screen window; sets SAVER_XID. Fails the test when
# the window does not come or frin ended.
saver_up() {
  SAVER_XID=$(wait_window "ScreenSaver Frin" "${1:-20}") ||
    fail "no window titled \"ScreenSaver Frin\" appeared$(alive "$FRIN_PID" || echo ' (frin ended)')"
}

# dialog_up: waits for the settings dialog; sets DIALOG_XID.
dialog_up() {
  DIALOG_XID=$(wait_window "ScreenSaver Frin" "${1:-20}") ||
    fail "no dialog titled \"ScreenSaver Frin\" appeared$(alive "$FRIN_PID" || echo ' (frin ended)')"
}

# driver COMMAND...: runs the dialog driver; its output goes to stdout and to driver.log.
driver() {
  timeout 30 wine "$HELPERS/dialog_driver.exe" "$@" 2>>"$T_DIR/driver.err" | tr -d '\r' |
    tee -a "$T_DIR/driver.log"
}

# field LINE KEY: the value of key=value (or key=[text]) in a dump line.
field() {
  local line=" $1" key=$2
  if [[ $line == *" $key=["* ]]; then
    local rest=${line#* $key=[}
    # The text ends at the first "]" that is not escaped.
    printf '%s' "$rest" | sed 's/\\\]/\x01/g; s/\].*//; s/\x01/]/g; s/\\\\/\\/g'
  else
    local rest=${line#* $key=}
    [ "$rest" = "$line" ] && return 1
    printf '%s' "${rest%% *}"
  fi
}

# control DUMP NAME KEY: a control's field in the output of "driver dump".
control() {
  local line
  line=$(grep -F -- "$2 " <<<"$1" | grep -F -m1 -- "$2 class=") || {
    echo "(missing)"
    return 1
  }
  field "$line" "$3"
}

# --- Checks ---------------------------------------------------------------------------------

# expect DESCRIPTION COMMAND...: runs the command; when it fails the test fails (and goes on).
expect() {
  local what=$1
  shift
  if ! "$@" >>"$T_DIR/checks.log" 2>&1; then
    echo "$what" >>"$T_DIR/failures"
    return 1
  fi
}

# expect_eq DESCRIPTION WANT GOT
expect_eq() {
  if [ "$2" != "$3" ]; then
    echo "$1: want \"$2\", got \"$3\"" >>"$T_DIR/failures"
    return 1
  fi
}

# note TEXT: a failure without a command.
note() { echo "$*" >>"$T_DIR/failures"; }

# fail TEXT: the test fails here and stops.
fail() {
  echo "$*" >>"$T_DIR/failures"
  exit 1
}

# skip TEXT: the test cannot run here (not a failure).
skip() {
  echo "$*" >"$T_DIR/skipped"
  exit 77
}

# store_unchanged BEFORE: the store holds exactly what it held before.
store_unchanged() {
  local now
  now=$(store)
  [ "$now" = "$1" ] || note "the store changed: before [$(tr '\n' ';' <<<"$1")] after [$(tr '\n' ';' <<<"$now")]"
}
