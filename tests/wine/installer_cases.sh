# The installer's end-to-end tests (run by tests/wine/installer). Each t_NAME runs in its own
# process with a fresh copy of a 32-bit or 64-bit Wine prefix and its own virtual display; the
# suffix _32 or _64 names the prefix. A check that does not hold is written to the failures file.
#
# Variables the runner sets:
#   SETUP32, SCR32    the installer run in the 32-bit prefix and the frin.scr it holds (empty
#                     when this machine cannot run 32-bit programs)
#   SETUP64, SCR64    the same for the 64-bit prefix
#   SETUP64_BITS      32 or 64: the installer of the 64-bit prefix is a 32-bit one (the release)
#                     or the 64-bit build of the same script (on machines without 32-bit support)
#   PACKAGE_DIR       where tools/package wrote its files (empty when FRIN_SETUP was given)
#   TEMPLATE32, TEMPLATE64, VERSION

INSTALLER_CASES=(
  package_holds_both_files
  install_32
  install_64
  saver_starts_as_the_system_starts_it_32
  saver_starts_as_the_system_starts_it_64
  upgrade_in_place_32
  upgrade_in_place_64
  upgrade_while_the_saver_runs_fails_cleanly_64
  uninstall_gives_back_previous_saver_32
  uninstall_gives_back_previous_saver_64
  uninstall_without_previous_saver_64
  uninstall_keeps_a_saver_chosen_since_64
  pages_follow_the_system_language
)

DESKTOP_KEY='HKCU\Control Panel\Desktop'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Frin'
WINE64=/usr/lib/wine/wine64
# A saver of another maker, current before the install.
OTHER_SAVER='C:\windows\system32\Other Saver.scr'

# The harness's store functions call "wine": in this suite that is the prefix's own loader.
wine() { command "$WINE_BIN" "$@"; }

# use_prefix 32|64 [WxH]: the test's display and its prefix, a copy of that template; sets
# SETUP, SCR, SAVER_PATH (the value SCRNSAVE.EXE must hold), SAVER_FILE (where frin.scr must
# be, on this side) and REG_VIEW (the registry view the installer writes HKLM in, in a 64-bit
# prefix).
use_prefix() {
  ARCH=$1
  if [ "$ARCH" = 32 ]; then
    [ -n "$SETUP32" ] || skip "no 32-bit Wine: $FRIN_WINE_WHY"
    export WINEARCH=win32
    WINE_BIN=wine
    TEMPLATE=$TEMPLATE32 SETUP=$SETUP32 SCR=$SCR32
    SAVER_PATH='C:\windows\system32\frin.scr'
    REG_VIEW=
  else
    [ -n "$SETUP64" ] || skip "no 64-bit Wine (wine64)"
    export WINEARCH=win64
    # The 64-bit loader: the system's own processes in this prefix are 64-bit ones.
    WINE_BIN=$WINE64
    TEMPLATE=$TEMPLATE64 SETUP=$SETUP64 SCR=$SCR64
    SAVER_PATH='C:\windows\SysWOW64\frin.scr'
    REG_VIEW=/reg:$SETUP64_BITS
  fi
  start_display "${2:-640x480}"
  export WINEPREFIX=$T_DIR/prefix
  cp -al "$TEMPLATE" "$WINEPREFIX"
  local f
  for f in "$TEMPLATE"/*.reg; do cp --remove-destination "$f" "$WINEPREFIX/"; done
  SAVER_FILE=$(unix_path "$SAVER_PATH")
}

# unix_path 'C:\...': the file's path on this side (the prefix's folders are lower case but
# for Program Files).
unix_path() {
  local p=${1#[Cc]:\\}
  p=${p//\\//}
  local dir=${p%/*} base=${p##*/}
  case $dir in
  [Pp]rogram\ [Ff]iles*) ;;
  *) dir=${dir,,} ;;
  esac
  printf '%s/drive_c/%s/%s' "$WINEPREFIX" "$dir" "$base"
}

# values KEY [VIEW]: the key's values, one "Name=Value" a line (DWORDs in decimal); nothing
# when the key is absent.
values() {
  # A query can fail while the prefix's services are busy (the installer has just ended): a
  # second and a third try, a moment apart, before the key counts as absent.
  local out try
  for try in 1 2 3; do
    out=$(timeout 30 "$WINE_BIN" reg query "$1" ${2:+"$2"} 2>>"$T_DIR/reg.log") && break
    [ "$try" = 3 ] || sleep 1
  done
  printf '%s\n' "$out" | tr -d '\r' |
    sed -n 's/^    \(.*\)    \(REG_[A-Z_]*\)    \(.*\)$/\2 \1=\3/p; s/^    \(.*\)    \(REG_[A-Z_]*\)$/\2 \1=/p' |
    while read -r type rest; do
      if [ "$type" = REG_DWORD ]; then
        printf '%s=%d\n' "${rest%%=*}" "${rest#*=}"
      else
        printf '%s\n' "$rest"
      fi
    done
}

# value LINES NAME: the value of NAME in the output of values; status 1 when absent.
value() {
  awk -v n="$2=" 'index($0, n) == 1 { printf "%s", substr($0, length(n) + 1); found = 1; exit }
    END { exit !found }' <<<"$1"
}

# desktop Name=Value...: writes REG_SZ values under HKCU\Control Panel\Desktop.
desktop() {
  local kv
  for kv in "$@"; do
    wine reg add "$DESKTOP_KEY" /v "${kv%%=*}" /t REG_SZ /d "${kv#*=}" /f >/dev/null 2>&1 ||
      fail "cannot write $kv"
  done
}

# settle: waits until every process of the prefix has ended (an uninstaller goes on in a copy
# of itself after the first process returns).
settle() {
  timeout 60 wineserver -w || note "the prefix's processes did not end within 60 s"
}

# install_silently: runs the installer with /S as an administrator would; fails the test when
# it reports a failure.
install_silently() {
  timeout 120 "$WINE_BIN" "$SETUP" /S >>"$T_DIR/setup.log" 2>&1
  local status=$?
  settle
  [ $status -eq 0 ] || fail "the silent install ended with status $status"
}

# uninstall_silently: runs the entry's QuietUninstallString, as a management tool would.
uninstall_silently() {
  local entry quiet exe
  entry=$(values "$UNINSTALL_KEY" "$REG_VIEW")
  quiet=$(value "$entry" QuietUninstallString) || fail "no QuietUninstallString to run"
  [[ $quiet =~ ^\"([^\"]+)\"\ /S$ ]] || fail "QuietUninstallString is not \"PROGRAM\" /S: $quiet"
  exe=${BASH_REMATCH[1]}
  timeout 120 "$WINE_BIN" "$exe" /S >>"$T_DIR/setup.log" 2>&1
  local status=$?
  settle
  [ $status -eq 0 ] || fail "the silent uninstall ended with status $status"
}

# expect_same_ci DESCRIPTION WANT GOT: equal but for case (Windows paths).
expect_same_ci() {
  [ "${2,,}" = "${3,,}" ] || note "$1: want \"$2\", got \"$3\""
}

# The user's settings and a previous saver, as a user who had both would have them.
seed_user() {
  seed Max=300 Speed=40 SaverType=desktop BackScreen=off 'BS_File=C:\pics\雪.jpg' Remain=on \
    Mouse_Move=off
  desktop "SCRNSAVE.EXE=$OTHER_SAVER" ScreenSaveActive=0
}

# The checks of a fresh install: the file, the current saver and the Programs and Features entry.
check_installed() {
  expect "frin.scr is not in the system folder as $SAVER_FILE" cmp "$SCR" "$SAVER_FILE"
  if [ "$ARCH" = 64 ]; then
    # System32 is the 64-bit folder: a 32-bit saver there would not run (and is not ours).
    [ ! -e "$WINEPREFIX/drive_c/windows/system32/frin.scr" ] ||
      note "frin.scr was put in the 64-bit System32"
  fi
  local desk entry
  desk=$(values "$DESKTOP_KEY")
  expect_same_ci "SCRNSAVE.EXE" "$SAVER_PATH" "$(value "$desk" SCRNSAVE.EXE)"
  expect_eq "ScreenSaveActive" 1 "$(value "$desk" ScreenSaveActive)"
  entry=$(values "$UNINSTALL_KEY" "$REG_VIEW")
  [ -n "$entry" ] || fail "no Programs and Features entry ($UNINSTALL_KEY $REG_VIEW)"
  expect_eq "DisplayName" Frin "$(value "$entry" DisplayName)"
  expect_eq "DisplayVersion" "$VERSION" "$(value "$entry" DisplayVersion)"
  expect_eq "Publisher" "Frin project" "$(value "$entry" Publisher)"
  expect_same_ci "DisplayIcon" "$SAVER_PATH,0" "$(value "$entry" DisplayIcon)"
  expect_eq "NoModify" 1 "$(value "$entry" NoModify)"
  expect_eq "NoRepair" 1 "$(value "$entry" NoRepair)"
  local uninstall quiet size location
  uninstall=$(value "$entry" UninstallString)
  quiet=$(value "$entry" QuietUninstallString)
  location=$(value "$entry" InstallLocation)
  expect_eq "UninstallString" "\"$location\\uninstall.exe\"" "$uninstall"
  expect_eq "QuietUninstallString" "$uninstall /S" "$quiet"
  [ -f "$(unix_path "$location\\uninstall.exe")" ] || note "no uninstaller at $location"
  if [ "$ARCH" = 64 ] && [ "$SETUP64_BITS" = 32 ]; then
    expect_eq "InstallLocation of a 32-bit program" 'C:\Program Files (x86)\Frin' "$location"
  fi
  size=$(value "$entry" EstimatedSize)
  local scr_kb=$(($(stat -c %s "$SCR") / 1024))
  [ "${size:-0}" -ge "$scr_kb" ] && [ "${size:-0}" -le $((scr_kb + 1024)) ] ||
    note "EstimatedSize is $size KB; frin.scr alone is $scr_kb KB"
}

# The checks after an uninstall: nothing of Frin left but the user's settings.
check_uninstalled() {
  [ ! -e "$SAVER_FILE" ] || note "frin.scr is still in the system folder"
  [ -z "$(values "$UNINSTALL_KEY" "$REG_VIEW")" ] || note "the Programs and Features entry is still there"
  local dir
  for dir in "$WINEPREFIX/drive_c/Program Files/Frin" "$WINEPREFIX/drive_c/Program Files (x86)/Frin"; do
    [ ! -e "$dir" ] || note "$dir is still there: $(ls "$dir")"
  done
  [ -z "$(values 'HKCU\Software\Frin')" ] && ! timeout 30 "$WINE_BIN" reg query 'HKCU\Software\Frin' >/dev/null 2>&1 ||
    note "the installer's own key HKCU\\Software\\Frin is still there"
}

# --- install ---------------------------------------------------------------------------------

t_install() {
  use_prefix "$1"
  seed_user
  local before
  before=$(store)
  install_silently
  check_installed
  store_unchanged "$before"
}
t_install_32() { t_install 32; }
t_install_64() { t_install 64; }

# --- the saver as the system starts it -------------------------------------------------------

# The system reads SCRNSAVE.EXE and starts that file with /s, from one of its own processes: in
# the 64-bit prefix a 64-bit one, which sees System32 as the 64-bit folder.
t_saver_starts() {
  use_prefix "$1"
  seed Max=150 Speed=50 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  install_silently
  local saver
  saver=$(value "$(values "$DESKTOP_KEY")" SCRNSAVE.EXE) || fail "no SCRNSAVE.EXE after the install"
  local cmd=$WINEPREFIX/drive_c/windows/system32/cmd.exe
  if [ "$1" = 64 ]; then
    file -b "$cmd" | grep -q '^PE32+ executable' || fail "the prefix's cmd.exe is not a 64-bit program"
  fi
  wine cmd /c "$saver /s" >>"$T_DIR/frin.log" 2>&1 &
  FRIN_PID=$!
  saver_up 30
  expect_eq "saver window geometry (x y w h)" "0 0 640 480" "$(geometry "$SAVER_XID")"
  sleep 1
  shot "$T_DIR/snow1.png"
  sleep 1
  shot "$T_DIR/snow2.png"
  local found
  found=$(palette_ok "$T_DIR/snow2.png")
  expect "pixels outside the black strip's colours: $found" palette_ok "$T_DIR/snow2.png"
  [[ $found =~ nonblack\ ([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -gt 50 ] ||
    note "no snow: $found"
  expect "the flakes do not move" python3 "$WINE_TESTS/pixels.py" differ "$T_DIR/snow1.png" \
    "$T_DIR/snow2.png" 20
  xdotool key x
  ends_within "$FRIN_PID" 5 || fail "a key press did not end the saver within 5 s"
  [ -z "$(wait_window "ScreenSaver Frin" 1)" ] || note "the saver's window stayed after the key"
}
palette_ok() { python3 "$WINE_TESTS/pixels.py" palette "$1" "${STRIP_COLOURS[@]}"; }
t_saver_starts_as_the_system_starts_it_32() { t_saver_starts 32; }
t_saver_starts_as_the_system_starts_it_64() { t_saver_starts 64; }

# --- upgrade ---------------------------------------------------------------------------------

# An older Frin is installed (its file and entry stand in for it); installing this one replaces
# both in place, and the saver remembered at the first install is still the one given back.
t_upgrade() {
  use_prefix "$1"
  seed_user
  local before
  before=$(store)
  install_silently
  printf 'an older frin.scr' >"$SAVER_FILE"
  wine reg add "$UNINSTALL_KEY" /v DisplayVersion /t REG_SZ /d 3.01 /f $REG_VIEW >/dev/null 2>&1 ||
    fail "cannot age the entry"
  install_silently
  check_installed
  store_unchanged "$before"
  uninstall_silently
  expect_eq "SCRNSAVE.EXE after upgrade and uninstall" "$OTHER_SAVER" \
    "$(value "$(values "$DESKTOP_KEY")" SCRNSAVE.EXE)"
  check_uninstalled
}
t_upgrade_in_place_32() { t_upgrade 32; }
t_upgrade_in_place_64() { t_upgrade 64; }

# While the saver runs, its file cannot be replaced: the silent install must say so by its exit
# status and leave the installed Frin as it was, not report success over the old file.
t_upgrade_while_the_saver_runs_fails_cleanly_64() {
  use_prefix 64
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  install_silently
  # An older frin.scr that still runs: this one with bytes after its image.
  { cat "$SCR"; printf 'an older frin.scr'; } >"$T_DIR/older.scr"
  cp "$T_DIR/older.scr" "$SAVER_FILE"
  wine cmd /c "$SAVER_PATH /s" >>"$T_DIR/frin.log" 2>&1 &
  FRIN_PID=$!
  saver_up 30
  timeout 120 "$WINE_BIN" "$SETUP" /S >>"$T_DIR/setup.log" 2>&1
  local status=$?
  [ $status -ne 0 ] || note "the silent install reported success while frin.scr was in use"
  expect "the file in use was changed" cmp "$T_DIR/older.scr" "$SAVER_FILE"
  [ -n "$(values "$UNINSTALL_KEY" "$REG_VIEW")" ] || note "the Programs and Features entry is gone"
  xdotool key x
  ends_within "$FRIN_PID" 5 || note "a key press did not end the saver within 5 s"
  settle
  install_silently
  expect "the install after the saver ended did not replace the file" cmp "$SCR" "$SAVER_FILE"
}

# --- uninstall -------------------------------------------------------------------------------

t_uninstall_previous() {
  use_prefix "$1"
  seed_user
  local before
  before=$(store)
  install_silently
  uninstall_silently
  check_uninstalled
  local desk
  desk=$(values "$DESKTOP_KEY")
  expect_eq "SCRNSAVE.EXE given back" "$OTHER_SAVER" "$(value "$desk" SCRNSAVE.EXE)"
  expect_eq "ScreenSaveActive given back" 0 "$(value "$desk" ScreenSaveActive)"
  store_unchanged "$before"
}
t_uninstall_gives_back_previous_saver_32() { t_uninstall_previous 32; }
t_uninstall_gives_back_previous_saver_64() { t_uninstall_previous 64; }

t_uninstall_without_previous_saver_64() {
  use_prefix 64
  install_silently
  uninstall_silently
  check_uninstalled
  local desk
  desk=$(values "$DESKTOP_KEY")
  value "$desk" SCRNSAVE.EXE >/dev/null && note "SCRNSAVE.EXE is \"$(value "$desk" SCRNSAVE.EXE)\", not none"
  # No store key before, none after: the installer never writes the settings.
  [ -z "$(store)" ] || note "the uninstall left settings that were never there: $(store)"
}

# After the install the user chose another saver: the uninstall leaves that choice alone.
t_uninstall_keeps_a_saver_chosen_since_64() {
  use_prefix 64
  seed_user
  install_silently
  desktop 'SCRNSAVE.EXE=C:\windows\system32\Chosen Later.scr'
  uninstall_silently
  check_uninstalled
  expect_eq "SCRNSAVE.EXE" 'C:\windows\system32\Chosen Later.scr' \
    "$(value "$(values "$DESKTOP_KEY")" SCRNSAVE.EXE)"
}

# --- the pages, in the system's language -----------------------------------------------------

# page NAME: a screenshot of the installer's window as NAME.png in the test's folder.
page() {
  sleep 1.5
  import -window "$PAGE_XID" "$T_DIR/$1.png" || note "no screenshot of $1"
}

# walk_installer LANG TITLE PREFIX: runs the installer under the locale LANG, checks that its
# window carries TITLE, and goes through its pages with Enter (Next, I Agree, Finish).
walk_installer() {
  local lang=$1 title=$2 name=$3
  LC_ALL=$lang LANG=$lang wine "$SETUP" >>"$T_DIR/setup.log" 2>&1 &
  local pid=$!
  PAGE_XID=$(wait_window "$title" 30) ||
    fail "no installer window titled \"$title\" under $lang (windows: $(visible_windows | tr '\n' ';'))"
  page "$name-1-welcome"
  xdotool key Return
  page "$name-2-licence"
  xdotool key Return
  sleep 3
  page "$name-3-finish"
  # Leave the offer to open the Screen Saver Settings unticked (Wine has no such page).
  xdotool key space
  sleep 0.5
  page "$name-3-finish-unticked"
  xdotool key Return
  ends_within "$pid" 20 || fail "the installer did not end after Finish ($lang)"
  settle
  expect "frin.scr not installed from the pages ($lang)" cmp "$SCR" "$SAVER_FILE"
}

t_pages_follow_the_system_language() {
  if [ -n "$SETUP32" ]; then use_prefix 32; else use_prefix 64; fi
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  cp -L /usr/share/wine/fonts/* /usr/share/fonts/truetype/vlgothic/*.ttf \
    "$WINEPREFIX/drive_c/windows/Fonts/"
  xsetroot -solid '#3A6EA5'
  walk_installer C.UTF-8 "Frin Setup" en
  walk_installer ja_JP.UTF-8 "Frin セットアップ" ja
  # The uninstaller in Japanese: its confirmation page, then its last page.
  local entry exe
  entry=$(values "$UNINSTALL_KEY" "$REG_VIEW")
  exe=$(value "$entry" UninstallString) && exe=${exe//\"/}
  LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 wine "$exe" >>"$T_DIR/setup.log" 2>&1 &
  PAGE_XID=$(wait_window "Frin アンインストール *" 30) ||
    fail "no uninstaller window in Japanese (windows: $(visible_windows | tr '\n' ';'))"
  page ja-4-uninstall-confirm
  xdotool key Return
  sleep 3
  PAGE_XID=$(wait_window "Frin アンインストール *" 10) && page ja-5-uninstall-done
  xdotool key Return
  settle
  check_uninstalled
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    cp "$T_DIR/ja-1-welcome.png" "$ROOT/docs/installer-ja.png"
    cp "$T_DIR/en-3-finish.png" "$ROOT/docs/installer-en.png"
  fi
}

# --- the package -----------------------------------------------------------------------------

# tools/package's two files: the installer, a 32-bit Windows program carrying the version, and
# the zip with frin.scr as built, the read-me in both languages and the licence, in Windows text.
t_package_holds_both_files() {
  [ -n "$PACKAGE_DIR" ] || skip "an installer was given (FRIN_SETUP): tools/package did not run"
  local setup=$PACKAGE_DIR/frin-$VERSION-setup.exe zip=$PACKAGE_DIR/frin-$VERSION.zip
  [ -f "$setup" ] || fail "no $setup"
  [ -f "$zip" ] || fail "no $zip"
  expect "the installer is not a 32-bit Windows program" \
    bash -c 'file -b "$1" | grep -q "^PE32 executable (GUI) Intel 80386"' _ "$setup"
  local found
  found=$(python3 - "$setup" "$zip" "$ROOT/build/win32/frin.scr" "$VERSION" <<'PY'
import struct, sys, zipfile
setup, zip_path, scr, version = sys.argv[1:]
problems = []
major, minor = (int(part) for part in version.split("."))
for name, data in (("installer", open(setup, "rb").read()), ("frin.scr", open(scr, "rb").read())):
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        problems.append(name + ": no version resource")
        continue
    file_ms, file_ls, product_ms = struct.unpack("<3I", data[at + 8:at + 20])
    if (file_ms, file_ls, product_ms) != ((major << 16) | minor, 0, (major << 16) | minor):
        problems.append("%s: version %d.%d.%d.%d" % (name, file_ms >> 16, file_ms & 0xFFFF,
                                                    file_ls >> 16, file_ls & 0xFFFF))
z = zipfile.ZipFile(zip_path)
names = sorted(z.namelist())
if names != ["LICENSE.txt", "frin.scr", "readme.txt"]:
    problems.append("zip holds %s" % names)
else:
    if z.read("frin.scr") != open(scr, "rb").read():
        problems.append("the zip's frin.scr is not the build's")
    readme = z.read("readme.txt")
    if not readme.startswith(b"\xef\xbb\xbf"):
        problems.append("readme.txt has no UTF-8 byte-order mark")
    text = readme.decode("utf-8-sig")
    if "\n" in text.replace("\r\n", ""):
        problems.append("readme.txt has lines not ended by CR LF")
    for want in ("インストール", "Right-click", "Frin " + version, "SS_Frin"):
        if want not in text:
            problems.append("readme.txt lacks %r" % want)
    if "@VERSION@" in text:
        problems.append("readme.txt keeps @VERSION@")
    if not z.read("LICENSE.txt").startswith(b"MIT License\r\n"):
        problems.append("LICENSE.txt is not the licence in Windows text")
print("; ".join(problems))
sys.exit(1 if problems else 0)
PY
  ) || note "package: $found"
}
