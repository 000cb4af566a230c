# The end-to-end tests. Each t_NAME runs in its own process with a fresh Wine prefix and its own
# virtual display (see run and lib.sh); a check that does not hold is written to the failures
# file, and the test fails when that file is not empty at the end.

CASES=(
  saver_covers_screen_and_key_ends
  saver_click_ends
  saver_modifier_key_ends
  saver_mouse_move_off_ends
  saver_mouse_move_on_keeps_running
  background_desktop
  background_own_desktop_shows_the_wallpaper
  background_blanked_desktop_shows_the_wallpaper
  background_bmp
  background_jpg
  background_wmf
  background_png
  background_gif
  background_tiff
  background_phone_photo_upright
  background_phone_photo_progressive_upright
  background_picture_japanese_path
  background_corrupt_picture_is_black
  pictures_that_would_exhaust_the_saver
  layer_grows_from_bottom
  ticks_allocate_and_create_nothing
  saver_over_picture_screenshot
  saver_at_120_dpi_covers_screen
  display_scaling_saver_and_preview
  display_scaling_dialog_centred
  display_scaling_192_dpi_draws_the_snow_twice_as_large
  manifest_declares_per_monitor_awareness
  single_instance_matches_the_exact_title
  command_text_variants
  single_instance_while_dialog_open
  dialog_fills_from_store
  dialog_empty_command_text_defaults
  dialog_desktop_and_picture
  dialog_follows_edits_and_ok_writes_seven
  dialog_real_checkbox_click_and_cancel
  dialog_tab_order_and_unbound_keys
  dialog_close_box_writes_nothing
  dialog_japanese_captions_render
  dialog_in_english_elsewhere
  dialog_in_japanese_on_a_japanese_system
  dialog_store_write_error_reports_once
  dialog_scroll_bars_by_mouse
  dialog_at_192_dpi_picture_and_title_line
  dialog_moved_to_a_monitor_of_another_scale
  preview_in_host_window
  preview_foreign_handle_ends
  password_switch_without_handle
  non_nt_family_key_ends
  bad_max_word
  bad_speed_empty
  bad_max_huge
  no_remain_key_gives_speed_100
  stored_values_of_other_types
  program_icon_lists_every_size
  two_monitors_snow_on_both_and_a_click_on_the_second_ends
  two_monitors_desktop_shows_each_its_own_part
  two_monitors_picture_and_settling_on_each
  two_monitors_at_192_dpi_both_covered_and_doubled
  soak_one_minute
)

# case_locale NAME: the locale a case starts under. The dialog's cases run on a Japanese system,
# where the dialog shows its texts as designed; a case may export another locale itself.
case_locale() {
  case $1 in
  *dialog*) echo ja_JP.UTF-8 ;;
  *) echo "${LC_ALL:-}" ;;
  esac
}

case_time_limit() {
  case $1 in
  layer_grows_from_bottom | saver_over_picture_screenshot | ticks_* | bad_* | two_monitors_*) echo 90 ;;
  display_scaling_* | dialog_in_*) echo 180 ;;
  dialog_at_* | dialog_moved_*) echo 90 ;;
  pictures_that_would_exhaust_the_saver) echo 180 ;;
  soak_one_minute) echo 240 ;;
  *) echo 60 ;;
  esac
}

# --- Helpers shared by the tests ------------------------------------------------------------

# The saver must stay up; a key press must then end it within 2 s.
key_ends_saver() {
  alive "$FRIN_PID" || fail "frin ended before the key press"
  xdotool key x
  ends_within "$FRIN_PID" 2 || fail "a key press did not end the saver within 2 s"
}

# set_dpi N: the display scaling that the next start of a program sees (dots per inch).
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot set $1 dpi"
}

# palette_ok FILE: every pixel is black or a colour of the black background's strip.
palette_ok() {
  python3 "$WINE_TESTS/pixels.py" palette "$1" "${STRIP_COLOURS[@]}"
}

# pictures: the test pictures in C:\pics of the prefix.
pictures() {
  python3 "$WINE_TESTS/pictures.py" "$WINEPREFIX/drive_c/pics" || fail "cannot write the pictures"
}

# The four quadrants of the test picture, stretched over the whole screen.
QUADRANT_REGIONS=(0.04,0.04,0.46,0.46=#C03020 0.54,0.04,0.96,0.46=#20A040
  0.04,0.54,0.46,0.96=#2040C0 0.54,0.54,0.96,0.96=#E0C020)

# picture_background FILE TOLERANCE: the saver shows the picture stretched over the screen.
picture_background() {
  setup 640x480
  pictures
  seed Max=150 Speed=100 SaverType=black BackScreen=on "BS_File=C:\\pics\\$1" Remain=off \
    Mouse_Move=on
  local before
  before=$(store)
  frin /s
  saver_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  expect "the picture $1 does not cover the screen, stretched (each quadrant in its colour)" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/saver.png" "$2" 0.85 "${QUADRANT_REGIONS[@]}"
  key_ends_saver
  store_unchanged "$before"
}

# open_dialog: starts frin.scr /c, waits for the dialog and lets it finish filling.
open_dialog() {
  frin /c
  dialog_up
  sleep 0.5
}

# dump_dialog: the driver's dump of every control; fails the test when there is no dialog.
dump_dialog() {
  DUMP=$(driver dump)
  [ -n "$DUMP" ] && ! grep -q '^error' <<<"$DUMP" || fail "the dialog driver found no dialog"
}

# expect_control NAME KEY WANT: a field of a control in the last dump.
expect_control() {
  expect_eq "$1 $2" "$3" "$(control "$DUMP" "$1" "$2")"
}

# close_dialog_with INDEX: clicks Btn_Set(INDEX) and expects the process to end.
close_dialog_with() {
  driver click "Btn_Set($1)" >/dev/null
  ends_within "$FRIN_PID" 3 || note "the dialog's process did not end within 3 s of Btn_Set($1)"
}

# stored_values_still_run VALUE...: with these stored values the saver and the dialog still run.
stored_values_still_run() {
  setup 640x480
  seed_defaults
  seed "$@"
  local before
  before=$(store)
  frin /s
  saver_up
  sleep 1
  expect_eq "visible windows during /s" "ScreenSaver Frin" "$(visible_windows | sort -u | tr '\n' ';' | sed 's/;$//')"
  key_ends_saver
  frin /c
  dialog_up
  expect "the dialog cannot be read" driver dump
  driver close >/dev/null
  ends_within "$FRIN_PID" 3 || note "the dialog did not close on WM_CLOSE"
  store_unchanged "$before"
}

# --- Full-screen run ------------------------------------------------------------------------

t_saver_covers_screen_and_key_ends() {
  setup 640x480
  # More than 250 flakes: both timers run.
  seed Max=400 Speed=100 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  local before
  before=$(store)
  frin /s
  saver_up
  expect_eq "saver window geometry (x y w h)" "0 0 640 480" "$(geometry "$SAVER_XID")"
  local win
  win=$(driver window)
  expect_eq "saver window rectangle" "0,0,640,480" "$(field "$win" rect)"
  expect_eq "saver window topmost" 1 "$(field "$win" topmost)"
  sleep 1
  local i nonblack=0
  for i in 1 2 3; do
    shot "$T_DIR/black$i.png"
    local found
    found=$(palette_ok "$T_DIR/black$i.png")
    expect "screenshot $i has pixels outside the black strip's colours: $found" palette_ok "$T_DIR/black$i.png"
    [[ $found =~ nonblack\ ([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -gt 50 ] && nonblack=$((nonblack + 1))
    sleep 0.5
  done
  [ $nonblack -eq 3 ] || note "flakes are missing: only $nonblack of 3 screenshots show more than 50 coloured pixels"
  expect "the flakes do not move between screenshots" \
    python3 "$WINE_TESTS/pixels.py" differ "$T_DIR/black1.png" "$T_DIR/black3.png" 20
  key_ends_saver
  store_unchanged "$before"
}

t_saver_click_ends() {
  setup 640x480
  seed_defaults
  local before
  before=$(store)
  frin /s
  saver_up
  sleep 1
  alive "$FRIN_PID" || fail "frin ended before the click"
  xdotool click 1
  ends_within "$FRIN_PID" 2 || note "a click did not end the saver within 2 s"
  store_unchanged "$before"
}

t_saver_modifier_key_ends() {
  setup 640x480
  seed_defaults
  frin /s
  saver_up
  sleep 1
  alive "$FRIN_PID" || fail "frin ended before the key press"
  xdotool key Shift_L
  ends_within "$FRIN_PID" 2 || note "the Shift key alone did not end the saver within 2 s"
}

t_saver_mouse_move_off_ends() {
  setup 640x480
  seed Max=150 Speed=200 SaverType=black BackScreen=off 'BS_File=' Remain=on Mouse_Move=off
  local before
  before=$(store)
  frin /s
  saver_up
  sleep 1.5
  alive "$FRIN_PID" || fail "the saver ended although the mouse did not move"
  xdotool mousemove_relative 1 0
  ends_within "$FRIN_PID" 1.2 || note "a one-pixel mouse move did not end the saver within Speed (200 ms) + 1 s"
  store_unchanged "$before"
}

t_saver_mouse_move_on_keeps_running() {
  setup 640x480
  seed Max=150 Speed=100 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  local before i
  before=$(store)
  frin /s
  saver_up
  sleep 0.5
  for i in $(seq 10); do
    xdotool mousemove_relative 7 5
    sleep 0.15
  done
  sleep 0.5
  alive "$FRIN_PID" || fail "mouse movement ended the saver although Mouse_Move is \"on\""
  key_ends_saver
  store_unchanged "$before"
}

# --- Backgrounds ----------------------------------------------------------------------------

t_background_desktop() {
  setup 640x480
  # A plaid root window: a copy of the screen is then told from any plain fill.
  xsetroot -mod 8 8 -fg '#3366CC' -bg '#CC9933'
  shot "$T_DIR/desktop.png"
  # The desktop wins over a picture that is switched on too.
  pictures
  seed Max=150 Speed=100 SaverType=desktop BackScreen=on 'BS_File=C:\pics\quad.bmp' Remain=off \
    Mouse_Move=on
  frin /s
  saver_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  expect "the saver does not show the desktop as it was (90% of the pixels equal)" \
    python3 "$WINE_TESTS/pixels.py" same "$T_DIR/saver.png" "$T_DIR/desktop.png" 0.9
  key_ends_saver
}

# register_stretched_wallpaper PATH: the desktop's wallpaper as the system keeps it where there is
# no desktop-wallpaper interface: the file, stretched (style 2), not tiled.
register_stretched_wallpaper() {
  local key='HKCU\Control Panel\Desktop'
  wine reg add "$key" /v Wallpaper /t REG_SZ /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot register the wallpaper"
  wine reg add "$key" /v WallpaperStyle /t REG_SZ /d 2 /f >/dev/null 2>&1 ||
    fail "cannot register the wallpaper's style"
  wine reg add "$key" /v TileWallpaper /t REG_SZ /d 0 /f >/dev/null 2>&1 ||
    fail "cannot register the wallpaper's tiling"
}

# A blanked screen (an all-black root) under a registered wallpaper: the saver shows the
# wallpaper as the desktop draws it (here stretched), not the black it copied.
t_background_blanked_desktop_shows_the_wallpaper() {
  setup 640x480
  xsetroot -solid black
  pictures
  register_stretched_wallpaper 'C:\pics\quad.bmp'
  seed Max=150 Speed=100 SaverType=desktop BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  shot "$T_DIR/desktop.png"
  expect "the screen is not blank before the saver starts" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/desktop.png" 0 1.0 0,0,1,1=#000000
  frin /s
  saver_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  expect "the saver does not show the wallpaper stretched (each quadrant in its colour)" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/saver.png" 8 0.85 "${QUADRANT_REGIONS[@]}"
  key_ends_saver
}

# The saver started on a desktop of its own, as the system starts a secure saver: the desktop copy
# cannot be the user's there (Wine's copy still sees the X root, a colour the saver would keep),
# so the screen shows the registered wallpaper in its registered position, not the root.
t_background_own_desktop_shows_the_wallpaper() {
  setup 640x480
  xsetroot -solid '#3070b0'
  pictures
  register_stretched_wallpaper 'C:\pics\quad.bmp'
  seed Max=150 Speed=100 SaverType=desktop BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  wine "$HELPERS/desktop_launcher.exe" Screen-saver "$SAVER_WIN" /s >"$T_DIR/launcher.out" 2>&1 &
  FRIN_PID=$!
  saver_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  grep -q '^desktop \[Screen-saver\]' "$T_DIR/launcher.out" ||
    note "the launcher did not start the saver on its own desktop: $(tr -d '\r' <"$T_DIR/launcher.out")"
  expect "the saver on its own desktop does not show the wallpaper stretched" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/saver.png" 8 0.85 "${QUADRANT_REGIONS[@]}"
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    cp "$T_DIR/saver.png" "$ROOT/docs/own_desktop.png"
  fi
  key_ends_saver
}

t_background_bmp() { picture_background quad.bmp 8; }
t_background_jpg() { picture_background quad.jpg 40; }
t_background_wmf() { picture_background quad.wmf 8; }
t_background_png() { picture_background quad.png 8; }
t_background_gif() { picture_background quad.gif 8; }
t_background_tiff() { picture_background quad.tif 8; }

# picture_upright FILE: a phone's portrait photo (stored turned, Exif orientation 6) is shown as
# ImageMagick's convert -auto-orient stands it up: the upright quadrants, stretched.
picture_upright() {
  picture_background "$1" 40
  convert "$WINEPREFIX/drive_c/pics/$1" -auto-orient -resize '640x480!' "$T_DIR/auto_orient.png" ||
    fail "ImageMagick cannot read $1"
  expect "ImageMagick's -auto-orient does not stand $1 up as the saver does" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/auto_orient.png" 40 0.85 "${QUADRANT_REGIONS[@]}"
}

# The saver's own decoder reads the baseline photo, the system's the progressive one.
t_background_phone_photo_upright() { picture_upright phone_6.jpg; }
t_background_phone_photo_progressive_upright() { picture_upright phone_6_progressive.jpg; }

# black_background_with FILE: a picture setting naming FILE gives the black background, and no
# error report.
black_background_with() {
  seed Max=150 Speed=100 SaverType=black BackScreen=on "BS_File=$1" Remain=off Mouse_Move=on
  frin /s
  saver_up
  sleep 1.5
  local png=$T_DIR/saver$((++BLACK_RUNS)).png found
  shot "$png"
  found=$(palette_ok "$png")
  expect "the picture $1 does not give the black background: $found" palette_ok "$png"
  expect_eq "visible windows with the picture $1 (no error report)" "ScreenSaver Frin" \
    "$(visible_windows | sort -u | tr '\n' ';' | sed 's/;$//')"
  key_ends_saver
}

# A picture in a folder and file named in Japanese: the path reaches the system exactly, on a
# system whose code page is not Japanese.
t_background_picture_japanese_path() {
  setup 640x480
  pictures
  mkdir -p "$WINEPREFIX/drive_c/写真"
  cp "$WINEPREFIX/drive_c/pics/quad.bmp" "$WINEPREFIX/drive_c/写真/雪景色.bmp"
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\写真\雪景色.bmp' Remain=off \
    Mouse_Move=on
  local before
  before=$(store)
  frin /s
  saver_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  expect "the picture with a Japanese path does not cover the screen" \
    python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/saver.png" 8 0.85 "${QUADRANT_REGIONS[@]}"
  key_ends_saver
  open_dialog
  dump_dialog
  expect_control "Txt_File" text 'C:\写真\雪景色.bmp'
  close_dialog_with 0
  expect_eq "BS_File after OK" 'BS_File=C:\写真\雪景色.bmp' "$(store | grep '^BS_File=')"
  expect_eq "store keys after OK" 7 "$(store | wc -l)"
}

t_background_corrupt_picture_is_black() {
  setup 640x480
  pictures
  BLACK_RUNS=0
  black_background_with 'C:\pics\bad.jpg'
  black_background_with 'C:\pics\missing.bmp'
}

# saver_up_timed: starts frin /s and waits for its window; UP_MS is how many milliseconds the
# window took to appear.
saver_up_timed() {
  local start
  start=$(date +%s%3N)
  frin /s
  saver_up
  UP_MS=$(($(date +%s%3N) - start))
}

# Pictures whose headers claim 30000 x 30000 or 65535 x 65535 pixels (bmp, jpg, png, tiff), a
# jpg of 400 scans, metafiles of a huge extent or a million records: each gives the black
# background, at most 2 s later than a run without a picture, with no error report; the largest
# pictures within the bound show.
t_pictures_that_would_exhaust_the_saver() {
  setup 640x480
  python3 "$WINE_TESTS/huge_pictures.py" "$WINEPREFIX/drive_c/huge" || fail "cannot write the pictures"
  seed_defaults
  local reference name png found times=()
  # The first start of a prefix is slower; the reference is the slower of the runs without a
  # picture before and after the pictures (the machine may be busy).
  saver_up_timed
  key_ends_saver
  saver_up_timed
  reference=$UP_MS
  key_ends_saver
  for name in bmp_30000.bmp bmp_65535.bmp jpg_30000.jpg jpg_65535.jpg jpg_many_scans.jpg \
    wmf_huge_extent.wmf wmf_many_records.wmf wmf_huge_bitmap.wmf jpg_progressive.jpg \
    wmf_lines.wmf wmf_bitmap.wmf png_30000.png tif_30000.tif; do
    seed Max=150 Speed=100 SaverType=black BackScreen=on "BS_File=C:\\huge\\$name" Remain=off \
      Mouse_Move=on
    saver_up_timed
    times+=("$name=$UP_MS")
    sleep 0.5
    png=$T_DIR/${name%.*}.png
    shot "$png"
    found=$(palette_ok "$png")
    case $name in
    jpg_progressive.jpg | wmf_lines.wmf | wmf_bitmap.wmf)
      ! palette_ok "$png" >/dev/null || note "$name: the picture within the bound was not shown" ;;
    *) expect "$name does not give the black background: $found" palette_ok "$png" ;;
    esac
    expect_eq "visible windows with $name (no error report)" "ScreenSaver Frin" \
      "$(visible_windows | sort -u | tr '\n' ';' | sed 's/;$//')"
    key_ends_saver
  done
  seed_defaults
  saver_up_timed
  [ "$UP_MS" -le "$reference" ] || reference=$UP_MS
  key_ends_saver
  echo "without a picture the window came after $reference ms" >>"$T_DIR/checks.log"
  local entry
  for entry in "${times[@]}"; do
    echo "${entry%=*}: the window came after ${entry#*=} ms" >>"$T_DIR/checks.log"
    [ "${entry#*=}" -le $((reference + 2000)) ] ||
      note "${entry%=*}: the saver came up ${entry#*=} ms after its start, more than 2 s later than without a picture ($reference ms)"
  done
}

t_layer_grows_from_bottom() {
  setup 200x150
  seed Max=250 Speed=50 SaverType=black BackScreen=off 'BS_File=' Remain=on Mouse_Move=on
  frin /s
  saver_up
  sleep 4
  shot "$T_DIR/layer1.png"
  sleep 6
  shot "$T_DIR/layer2.png"
  local first second
  first=$(python3 "$WINE_TESTS/pixels.py" layer "$T_DIR/layer1.png")
  second=$(python3 "$WINE_TESTS/pixels.py" layer "$T_DIR/layer2.png")
  echo "layer after 4 s: $first; after 10 s: $second" >>"$T_DIR/checks.log"
  local rows1 rows2 top2
  rows1=$(awk '{print $2}' <<<"$first")
  rows2=$(awk '{print $2}' <<<"$second")
  top2=$(awk '{print $4}' <<<"$second")
  [ "$rows2" -ge 3 ] || note "the white layer is missing: $rows2 white rows at the bottom after 10 s"
  [ "$rows2" -gt "$rows1" ] || note "the white layer does not grow: $rows1 rows after 4 s, $rows2 after 10 s"
  [ "$top2" -eq 0 ] || note "$top2 white rows in the upper half: the layer does not grow from the bottom"
  key_ends_saver
}

# A thousand ticks of both timers (Max 500), presented on a desktop copy with the layer rising,
# allocate nothing on the heap, make no GDI object (not even one deleted again) and leave the
# GDI and USER object counts as they were. Run with
# frin_probe.scr, the build that counts operator new and reads GetGuiResources around ticks 100
# to 1100, under the saver's own name.
t_ticks_allocate_and_create_nothing() {
  local probe
  probe=$(dirname "$FRIN_SCR")/frin_probe.scr
  [ -f "$probe" ] || fail "no frin_probe.scr beside $FRIN_SCR"
  setup 800x600
  cp "$probe" "$WINEPREFIX/drive_c/windows/system32/frin.scr"
  seed Max=500 Speed=5 SaverType=desktop BackScreen=off 'BS_File=' Remain=on Mouse_Move=on
  export FRIN_PROBE_OUT='C:\probe.txt'
  frin /s
  saver_up
  local report=$WINEPREFIX/drive_c/probe.txt i
  for ((i = 0; i < 600; i++)); do
    [ -s "$report" ] && break
    sleep 0.1
  done
  [ -s "$report" ] || fail "the probe wrote no figures within 60 s"
  local line
  line=$(tr -d '\r' <"$report")
  echo "probe: $line" >>"$T_DIR/checks.log"
  read -r _ ticks _ allocations _ gdi0 gdi1 _ user0 user1 _ canary0 canary1 canary2 <<<"$line"
  expect_eq "ticks measured" 1000 "$ticks"
  expect_eq "heap allocations in 1000 ticks" 0 "$allocations"
  expect_eq "GDI objects after 1000 ticks" "$gdi0" "$gdi1"
  expect_eq "USER objects after 1000 ticks" "$user0" "$user1"
  # No GDI object made at all, not even one deleted again: the canary's slot was not taken.
  expect_eq "canary handle after 1000 ticks" "$(((canary1 + canary1 - canary0) & 0xFFFFFFFF))" "$canary2"
  key_ends_saver
}

# The README's picture of the saver over a picture file: a night sky over snowy hills, with the
# settling layer on. Kept as build/wine-tests/.../saver.png; copied to docs/ when
# FRIN_WINE_DOCS=1.
t_saver_over_picture_screenshot() {
  setup 640x480
  mkdir -p "$WINEPREFIX/drive_c/pics"
  convert -size 640x480 gradient:'#0B1633-#3A5A8C' \
    -fill '#1E2B3F' -draw 'ellipse 120,520 300,170 0,360' \
    -fill '#26364D' -draw 'ellipse 520,540 320,190 0,360' \
    -quality 92 "$WINEPREFIX/drive_c/pics/night.jpg" || fail "cannot draw the picture"
  seed Max=300 Speed=60 SaverType=black BackScreen=on 'BS_File=C:\pics\night.jpg' Remain=on \
    Mouse_Move=on
  frin /s
  saver_up
  sleep 12
  shot "$T_DIR/saver.png"
  # The picture is there: its dark top and its lighter middle.
  expect "the picture is not the background" python3 "$WINE_TESTS/pixels.py" regions \
    "$T_DIR/saver.png" 24 0.8 0.1,0.02,0.9,0.08=#0C1734 0.45,0.45,0.55,0.5=#253C63
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    cp "$T_DIR/saver.png" "$ROOT/docs/saver.png"
  fi
  key_ends_saver
}

# At 120 dots per inch (12 twips per pixel) the saver still covers the screen exactly, and the
# dialog still opens with its controls.
t_saver_at_120_dpi_covers_screen() {
  setup 640x480
  set_dpi 120
  seed_defaults
  frin /s
  saver_up
  expect_eq "saver window geometry at 120 dpi (x y w h)" "0 0 640 480" "$(geometry "$SAVER_XID")"
  sleep 1
  shot "$T_DIR/saver.png"
  local found
  found=$(palette_ok "$T_DIR/saver.png")
  expect "screenshot at 120 dpi has pixels outside the black strip's colours: $found" \
    palette_ok "$T_DIR/saver.png"
  key_ends_saver
  open_dialog
  dump_dialog
  expect_control "Label1(0)" text 150
  expect_control "Chk_Set(0)" check 1
  close_dialog_with 1
}

# Every common display scaling, the ratios that are no whole number of twips per pixel included
# (168 and 192 dpi, 8.57 and 7.5): the saver's window covers every pixel of the screen, none of
# the desktop's colour is left beside it, a key ends it, and the preview fills the host's child.
DPIS=(96 120 144 168 192 240 288)
t_display_scaling_saver_and_preview() {
  setup 800x600
  seed_defaults
  xsetroot -solid '#3366CC'
  local dpi found
  for dpi in "${DPIS[@]}"; do
    set_dpi "$dpi"
    frin /s
    saver_up
    expect_eq "saver window geometry at $dpi dpi (x y w h)" "0 0 800 600" "$(geometry "$SAVER_XID")"
    sleep 0.5
    shot "$T_DIR/saver-$dpi.png"
    found=$(palette_ok "$T_DIR/saver-$dpi.png")
    expect "at $dpi dpi the screen shows pixels outside the black strip's colours: $found" \
      palette_ok "$T_DIR/saver-$dpi.png"
    key_ends_saver
    start_preview_host
    expect_eq "preview window size at $dpi dpi" "152x112" "$(field "$PREVIEW_FOUND" size)"
    stop_preview_host
  done
}

# flakes_at IMG K WIDTH: the snow in IMG is drawn at scale K, its commonest flake WIDTH pixels.
flakes_at() {
  python3 "$WINE_TESTS/pixels.py" flakes "$@"
}

# At 192 dots per inch (200 %) every scene is scale 2: the window still covers every pixel, and
# the snow is what a 96-dpi screen of half the size shows, each pixel doubled (the black
# background's 7-pixel flakes 14 pixels wide) where 96 dpi draws them 7 pixels wide.
t_display_scaling_192_dpi_draws_the_snow_twice_as_large() {
  setup 800x600
  xsetroot -solid '#3366CC'
  seed Max=500 Speed=50 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  local dpi k width found
  for dpi in 96 192; do
    k=$((dpi / 96)) width=$((7 * dpi / 96))
    set_dpi "$dpi"
    frin /s
    saver_up
    expect_eq "saver window geometry at $dpi dpi (x y w h)" "0 0 800 600" "$(geometry "$SAVER_XID")"
    sleep 1.5
    shot "$T_DIR/saver-$dpi.png"
    found=$(palette_ok "$T_DIR/saver-$dpi.png")
    expect "at $dpi dpi the screen shows pixels outside the black strip's colours: $found" \
      palette_ok "$T_DIR/saver-$dpi.png"
    found=$(flakes_at "$T_DIR/saver-$dpi.png" "$k" "$width")
    echo "$dpi dpi: $found" >>"$T_DIR/flakes.log"
    expect "at $dpi dpi the snow is not drawn at scale $k with flakes $width pixels wide: $found" \
      flakes_at "$T_DIR/saver-$dpi.png" "$k" "$width"
    key_ends_saver
  done
  # The README's picture: the same corner of the screen at 96 and at 192 dpi, side by side.
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    convert \( "$T_DIR/saver-96.png" -crop 320x240+0+0 +repage \) \
      \( -size 8x240 xc:'#808080' \) \( "$T_DIR/saver-192.png" -crop 320x240+0+0 +repage \) \
      +append "$ROOT/docs/scaling.png"
  fi
}

# frin.scr's manifest, as the system reads it from the program's resources: per-monitor (V2)
# awareness on Windows 10 1703 and later, per-monitor on 1607, "true/pm" (per-monitor on 8.1,
# system-aware on Vista to 8) before that.
t_manifest_declares_per_monitor_awareness() {
  local found
  found=$(python3 "$WINE_TESTS/pe_resources.py" awareness "$FRIN_SCR") ||
    fail "frin.scr has no manifest that can be read"
  expect_eq "frin.scr's display-scaling declarations" \
    "dpiAware true/pm http://schemas.microsoft.com/SMI/2005/WindowsSettings
dpiAwareness PerMonitorV2, PerMonitor http://schemas.microsoft.com/SMI/2016/WindowsSettings" \
    "$found"
  expect "frin.scr's manifest no longer asks for the common controls 6" \
    grep -q 'Microsoft.Windows.Common-Controls' <(python3 "$WINE_TESTS/pe_resources.py" manifest "$FRIN_SCR")
}

# The dialog opens centred on the screen, to a pixel, at every scaling.
t_display_scaling_dialog_centred() {
  setup 1280x1024
  seed_defaults
  local dpi x y w h
  for dpi in "${DPIS[@]}"; do
    set_dpi "$dpi"
    open_dialog
    read -r x y w h <<<"$(geometry "$DIALOG_XID")"
    echo "$dpi dpi: dialog at $x $y, $w x $h" >>"$T_DIR/geometry.log"
    [ "${w:-0}" -gt 0 ] || note "at $dpi dpi the dialog has no size"
    local dx=$((x - (1280 - x - w))) dy=$((y - (1024 - y - h)))
    [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ] ||
      note "at $dpi dpi the dialog is not centred: at $x,$y size ${w}x$h"
    driver close >/dev/null
    ends_within "$FRIN_PID" 3 || note "the dialog did not close on WM_CLOSE at $dpi dpi"
  done
}

# Another program's windows whose titles differ from the saver's only in case do not stop a
# start; the saver's own dialog does.
t_single_instance_matches_the_exact_title() {
  setup 640x480
  seed_defaults
  local title
  for title in "screensaver frin" "SCREENSAVER FRIN"; do
    mkfifo "$T_DIR/title-$title.in"
    exec {fd}<>"$T_DIR/title-$title.in"
    wine "$HELPERS/title_window.exe" "$title" <&$fd >"$T_DIR/title-$title.out" 2>&1 &
  done
  local i
  for i in $(seq 100); do
    [ "$(cat "$T_DIR"/title-*.out 2>/dev/null | grep -c '^shown')" -eq 2 ] && break
    sleep 0.1
  done
  [ "$(cat "$T_DIR"/title-*.out | grep -c '^shown')" -eq 2 ] || fail "the two look-alike windows did not appear"
  frin /s
  saver_up
  # The keyboard focus comes over from the look-alike window that had it.
  local focus=""
  for i in $(seq 100); do
    focus=$(xdotool getwindowfocus getwindowname 2>/dev/null) && [ "$focus" = "ScreenSaver Frin" ] && break
    sleep 0.1
  done
  expect_eq "the window with the keyboard focus" "ScreenSaver Frin" "$focus"
  key_ends_saver
  open_dialog
  local dialog_pid=$FRIN_PID
  frin /s
  ends_within "$FRIN_PID" 2 || note "/s did not end at once while the real dialog was open"
  FRIN_PID=$dialog_pid
  driver close >/dev/null
  ends_within "$dialog_pid" 3 || note "the dialog did not close on WM_CLOSE"
}

# The switch is the first two characters, compared exactly.
t_command_text_variants() {
  setup 640x480
  seed_defaults
  frin /S
  saver_up
  key_ends_saver
  frin /s:0
  saver_up
  key_ends_saver
  local args
  for args in "-s" "s" "/x"; do
    frin "$args"
    ends_within "$FRIN_PID" 3 || note "\"$args\" did not end at once"
    [ -z "$(visible_windows)" ] || note "\"$args\" showed a window: $(visible_windows | tr '\n' ';')"
    kill "$FRIN_PID" 2>/dev/null
  done
  for args in "/C" "/c:1234"; do
    frin "$args"
    dialog_up
    driver close >/dev/null
    ends_within "$FRIN_PID" 3 || note "the dialog of \"$args\" did not close on WM_CLOSE"
  done
}

# --- Single instance ------------------------------------------------------------------------

t_single_instance_while_dialog_open() {
  setup 640x480
  seed_defaults
  frin /c
  local dialog_pid=$FRIN_PID
  dialog_up
  frin /s
  ends_within "$FRIN_PID" 2 || note "/s did not end at once while the dialog was open"
  frin /c
  ends_within "$FRIN_PID" 2 || note "/c did not end at once while the dialog was open"
  expect_eq "windows titled ScreenSaver Frin" 1 \
    "$(xdotool search --onlyvisible --name '^ScreenSaver Frin$' | wc -l)"
  alive "$dialog_pid" || note "the first dialog went away"
  FRIN_PID=$dialog_pid
  driver close >/dev/null
  ends_within "$dialog_pid" 3 || note "the dialog did not close on WM_CLOSE"
}

# --- The settings dialog --------------------------------------------------------------------

t_dialog_fills_from_store() {
  setup 640x480
  seed Max=123 Speed=80 SaverType=black BackScreen=on 'BS_File=C:\pics\quad.bmp' Remain=on \
    Mouse_Move=on
  local before
  before=$(store)
  open_dialog
  dump_dialog
  expect_control "Label1(0)" text 123
  expect_control "Srl_Set(0)" pos 123
  expect_control "Srl_Set(0)" min 0
  expect_control "Srl_Set(0)" max 500
  expect_control "Label1(11)" text 3
  expect_control "Srl_Set(1)" pos 12
  expect_control "Srl_Set(1)" max 15
  expect_control "Chk_Set(0)" check 1
  expect_control "Chk_Set(3)" check 1
  expect_control "Chk_Set(3)" enabled 1
  expect_control "Txt_File" text 'C:\pics\quad.bmp'
  expect_control "Txt_File" enabled 1
  expect_control "Btn_File" enabled 1
  expect_control "Label1(12)" enabled 1
  expect_control "Chk_Set(1)" check 1
  expect_control "Chk_Set(2)" check 1
  # The captions, exactly.
  expect_control "Btn_Set(0)" text "Ｏ Ｋ"
  expect_control "Btn_Set(1)" text "Ｃａｎｃｅｌ"
  expect_control "Chk_Set(0)" text "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す"
  expect_control "Chk_Set(3)" text "背景を指定する"
  expect_control "Btn_File" text "参照 >>"
  expect_control "Chk_Set(1)" text "Frinが積もる"
  expect_control "Chk_Set(2)" text "ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない"
  expect_control "Frame1(0)" text "Frinの量"
  expect_control "Frame1(1)" text "Frinのスピード"
  expect_control "Label1(1)" text "個"
  expect_control "Label1(2)" text "少ない"
  expect_control "Label1(3)" text "多い"
  expect_control "Label1(4)" text "速い"
  expect_control "Label1(5)" text "遅い"
  expect_control "Label1(8)" text "Screen Saver"
  expect_control "Label1(9)" text "Frin"
  expect_control "Label1(10)" text "Ver. 3.02"
  expect_control "Label1(12)" text "背景ﾌｧｲﾙ"
  # The window: its title, topmost, centred on the screen.
  local win
  win=$(driver window)
  expect_eq "dialog caption" "ScreenSaver Frin" "$(field "$win" caption)"
  expect_eq "dialog topmost" 1 "$(field "$win" topmost)"
  local l t r b
  IFS=, read -r l t r b <<<"$(field "$win" rect)"
  local dx=$(((l + r) - 640)) dy=$(((t + b) - 480))
  [ ${dx#-} -le 3 ] && [ ${dy#-} -le 3 ] || note "the dialog is not centred: rect $l,$t,$r,$b on 640x480"
  close_dialog_with 1
  store_unchanged "$before"
}

t_dialog_empty_command_text_defaults() {
  setup 640x480
  # An empty store: every value takes its default.
  frin
  dialog_up
  sleep 0.5
  dump_dialog
  expect_control "Label1(0)" text 150
  expect_control "Srl_Set(0)" pos 150
  expect_control "Label1(11)" text 5
  expect_control "Srl_Set(1)" pos 10
  expect_control "Chk_Set(0)" check 1
  expect_control "Chk_Set(3)" check 0
  expect_control "Chk_Set(3)" enabled 1
  expect_control "Txt_File" enabled 0
  expect_control "Btn_File" enabled 0
  expect_control "Label1(12)" enabled 0
  expect_control "Txt_File" text ""
  expect_control "Chk_Set(1)" check 0
  expect_control "Chk_Set(2)" check 0
  close_dialog_with 0
  expect_eq "the store after OK without edits" \
    "$(printf '%s\n' BS_File= BackScreen=off Max=150 Mouse_Move=off Remain=off SaverType=black Speed=100)" \
    "$(store)"
}

t_dialog_desktop_and_picture() {
  setup 640x480
  seed Max=150 Speed=100 SaverType=desktop BackScreen=on 'BS_File=C:\x.bmp' Remain=off \
    Mouse_Move=off
  open_dialog
  dump_dialog
  expect_control "Chk_Set(0)" check 0
  expect_control "Chk_Set(3)" check 1
  expect_control "Chk_Set(3)" enabled 0
  expect_control "Txt_File" enabled 0
  expect_control "Btn_File" enabled 0
  expect_control "Label1(12)" enabled 0
  driver click "Chk_Set(0)" >/dev/null
  dump_dialog
  expect_control "Chk_Set(0)" check 1
  expect_control "Chk_Set(3)" enabled 1
  expect_control "Txt_File" enabled 1
  expect_control "Btn_File" enabled 1
  expect_control "Label1(12)" enabled 1
  close_dialog_with 0
  expect_eq "SaverType and BackScreen after OK" "BackScreen=on;SaverType=black" \
    "$(store | grep -E '^(SaverType|BackScreen)=' | tr '\n' ';' | sed 's/;$//')"
}

t_dialog_follows_edits_and_ok_writes_seven() {
  setup 640x480
  open_dialog
  driver scroll "Srl_Set(0)" 321 >/dev/null
  dump_dialog
  expect_control "Label1(0)" text 321
  driver scroll "Srl_Set(1)" 0 >/dev/null
  dump_dialog
  expect_control "Label1(11)" text 15
  driver scroll "Srl_Set(1)" 15 >/dev/null
  dump_dialog
  expect_control "Label1(11)" text 0
  driver scroll "Srl_Set(1)" 13 >/dev/null
  dump_dialog
  expect_control "Label1(11)" text 2
  # The picture group follows Chk_Set(3), and Chk_Set(3) follows Chk_Set(0).
  driver click "Chk_Set(3)" >/dev/null
  dump_dialog
  expect_control "Chk_Set(3)" check 1
  expect_control "Txt_File" enabled 1
  expect_control "Btn_File" enabled 1
  driver click "Chk_Set(0)" >/dev/null
  dump_dialog
  expect_control "Chk_Set(0)" check 0
  expect_control "Chk_Set(3)" check 1
  expect_control "Chk_Set(3)" enabled 0
  expect_control "Txt_File" enabled 0
  expect_control "Btn_File" enabled 0
  driver click "Chk_Set(0)" >/dev/null
  dump_dialog
  expect_control "Chk_Set(3)" enabled 1
  expect_control "Txt_File" enabled 1
  driver settext Txt_File '  C:\pics\quad.jpg  ' click "Chk_Set(1)" click "Chk_Set(2)" >/dev/null
  close_dialog_with 0
  expect_eq "the store after OK" \
    "$(printf '%s\n' 'BS_File=C:\pics\quad.jpg' BackScreen=on Max=321 Mouse_Move=on Remain=on SaverType=black Speed=70)" \
    "$(store)"
}

# clicks the middle of a control's left part (the box of a check box) with the real mouse.
real_click() {
  local rect l t r b
  rect=$(control "$DUMP" "$1" rect) || fail "no control $1"
  IFS=, read -r l t r b <<<"$rect"
  xdotool mousemove $((l + 7)) $(((t + b) / 2)) click 1
  sleep 0.4
}

t_dialog_real_checkbox_click_and_cancel() {
  setup 640x480
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\x.bmp' Remain=off \
    Mouse_Move=off
  local before
  before=$(store)
  open_dialog
  dump_dialog
  real_click "Chk_Set(1)"
  dump_dialog
  expect_control "Chk_Set(1)" check 1
  real_click "Chk_Set(0)"
  dump_dialog
  expect_control "Chk_Set(0)" check 0
  expect_control "Chk_Set(3)" enabled 0
  expect_control "Txt_File" enabled 0
  local rect l t r b
  rect=$(control "$DUMP" "Btn_Set(1)" rect)
  IFS=, read -r l t r b <<<"$rect"
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
  ends_within "$FRIN_PID" 3 || note "a click on Cancel did not close the dialog"
  store_unchanged "$before"
}

# Tab walks the controls in their tab order from OK; Escape and Enter are bound to no button.
t_dialog_tab_order_and_unbound_keys() {
  setup 640x480
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\x.bmp' Remain=off \
    Mouse_Move=off
  local before
  before=$(store)
  open_dialog
  local order i
  order=$(driver focus | awk '{print $2}')
  for i in $(seq 10); do
    xdotool key Tab
    sleep 0.15
    order+=" $(driver focus | awk '{print $2}')"
  done
  expect_eq "focus order with Tab" "Btn_Set(0) Btn_Set(1) Srl_Set(0) Srl_Set(1) Chk_Set(0) Chk_Set(3) Txt_File Btn_File Chk_Set(1) Chk_Set(2) Btn_Set(0)" "$order"
  # Untick Chk_Set(0): the disabled picture controls drop out of the tab order.
  driver click "Chk_Set(0)" >/dev/null
  order=""
  for i in $(seq 8); do
    xdotool key Tab
    sleep 0.15
    order+="$(driver focus | awk '{print $2}') "
  done
  [[ $order != *Chk_Set\(3\)* && $order != *Txt_File* && $order != *Btn_File* ]] ||
    note "Tab reaches disabled controls: $order"
  xdotool key Escape
  sleep 1
  alive "$FRIN_PID" || note "Escape closed the dialog"
  xdotool key Return
  sleep 1
  alive "$FRIN_PID" || note "Enter closed the dialog (focus on $(driver focus | awk '{print $2}'))"
  driver close >/dev/null
  ends_within "$FRIN_PID" 3 || note "the dialog did not close on WM_CLOSE"
  store_unchanged "$before"
}

t_dialog_close_box_writes_nothing() {
  setup 640x480
  seed_defaults
  local before
  before=$(store)
  open_dialog
  driver scroll "Srl_Set(0)" 400 click "Chk_Set(1)" >/dev/null
  local box x y
  box=$(driver closebox)
  read -r _ x y <<<"$box"
  [ -n "$x" ] || fail "no close box position"
  xdotool mousemove "$x" "$y" click 1
  ends_within "$FRIN_PID" 3 || note "the title bar's close button did not close the dialog"
  store_unchanged "$before"
}

t_dialog_japanese_captions_render() {
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  setup 640x480
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\pics\snow.jpg' Remain=on \
    Mouse_Move=off
  frin /c
  dialog_up
  sleep 1
  dump_dialog
  expect_control "Chk_Set(0)" text "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す"
  expect_control "Frame1(1)" text "Frinのスピード"
  local x y w h
  read -r x y w h <<<"$(geometry "$DIALOG_XID")"
  shot "$T_DIR/screen.png"
  python3 "$WINE_TESTS/pixels.py" crop "$T_DIR/screen.png" "$x" "$y" "$w" "$h" "$T_DIR/dialog.png"
  # Every caption shows ink: some dark pixels inside the check boxes' and frames' rectangles.
  local name rect l t r b ink
  for name in "Chk_Set(0)" "Chk_Set(2)" "Frame1(0)" "Frame1(1)" "Label1(12)"; do
    rect=$(control "$DUMP" "$name" rect) || continue
    IFS=, read -r l t r b <<<"$rect"
    ink=$(convert "$T_DIR/screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage \
      -colorspace gray -threshold 40% -format '%[fx:int(w*h*(1-mean))]' info: 2>/dev/null)
    [ "${ink:-0}" -ge 20 ] || note "$name shows no text (dark pixels: ${ink:-none})"
  done
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    cp "$T_DIR/dialog.png" "$ROOT/docs/dialog.png"
  fi
  close_dialog_with 1
}

# The texts of the dialog and of the picture chooser in each language, as a user reads them.
EN_CAPTIONS=(
  "Btn_Set(0)=OK" "Btn_Set(1)=Cancel" "Chk_Set(0)=Hide the desktop"
  "Chk_Set(3)=Use a picture" "Btn_File=Browse" "Chk_Set(1)=Snow cover"
  "Chk_Set(2)=Ignore mouse movement" "Frame1(0)=Number of flakes" "Frame1(1)=Speed"
  "Label1(1)=" "Label1(2)=Few" "Label1(3)=Many" "Label1(4)=Fast" "Label1(5)=Slow"
  "Label1(8)=Screen Saver" "Label1(9)=Frin" "Label1(10)=Ver. 3.02" "Label1(12)=Picture file"
)
EN_CHOOSER="Choose a background picture"
EVERY_PICTURE="*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.ico;*.wmf;*.emf;*.webp;*.heic;*.heif;*.avif"
EN_TYPES=("All pictures ($EVERY_PICTURE)" "Picture files (*.bmp;*.jpg;*.wmf)" "Bitmaps (*.bmp)"
  "JPEG files (*.jpg)" "Metafiles (*.wmf)")
JA_CAPTIONS=(
  "Btn_Set(0)=Ｏ Ｋ" "Btn_Set(1)=Ｃａｎｃｅｌ" "Chk_Set(0)=ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す"
  "Chk_Set(3)=背景を指定する" "Btn_File=参照 >>" "Chk_Set(1)=Frinが積もる"
  "Chk_Set(2)=ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない" "Frame1(0)=Frinの量" "Frame1(1)=Frinのスピード"
  "Label1(1)=個" "Label1(2)=少ない" "Label1(3)=多い" "Label1(4)=速い" "Label1(5)=遅い"
  "Label1(8)=Screen Saver" "Label1(9)=Frin" "Label1(10)=Ver. 3.02" "Label1(12)=背景ﾌｧｲﾙ"
)
JA_CHOOSER="背景の参照"
JA_TYPES=("ﾋﾟｸﾁｬｰﾌｧｲﾙ ($EVERY_PICTURE)" "ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)" "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"
  "JPEGﾌｧｲﾙ(*.jpg)" "ﾒﾀﾌｧｲﾙ (*.wmf)")

# use_caption_probe: from now on the saver started is frin_probe.scr, which measures its captions
# from inside when asked (the driver's fits).
use_caption_probe() {
  local probe
  probe=$(dirname "$FRIN_SCR")/frin_probe.scr
  [ -f "$probe" ] || fail "no frin_probe.scr beside $FRIN_SCR"
  cp "$probe" "$WINEPREFIX/drive_c/windows/system32/frin.scr"
  export FRIN_PROBE_FITS='C:\fits.txt'
}

# captions_fit DPI: every caption of the open dialog (of frin_probe.scr) is whole inside its
# control, measured in the font the control draws with: its ink, overhangs included, within the
# room the control leaves it (a label's ends a pixel before a label stacked above it). FITS holds
# the measurements.
captions_fit() {
  local line name ink room
  FITS=$(driver fits)
  echo "$FITS" >"$T_DIR/fits-$1.log"
  [ -n "$FITS" ] || note "at $1 dpi the driver measured no caption"
  while read -r line; do
    name=${line%% *}
    [[ $line == *image=* ]] && continue
    ink=$(field "$line" ink) room=$(field "$line" room)
    [ "${ink:-0}" -le "${room:-0}" ] ||
      note "at $1 dpi the caption of $name does not fit: $ink pixels in $room ($line)"
  done <<<"$FITS"
}

# dialog_in_language EN|JA: the dialog's and the chooser's texts, every caption fitting at the
# common scalings and two odd ones (168 and 240 dpi), and OK and Cancel doing what they do in any
# language.
dialog_in_language() {
  local lang=$1 captions types chooser
  declare -n captions=${lang}_CAPTIONS types=${lang}_TYPES chooser=${lang}_CHOOSER
  setup 1280x1024
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\pics\snow.jpg' Remain=off \
    Mouse_Move=off
  open_dialog
  dump_dialog
  local kv
  for kv in "${captions[@]}"; do
    expect_control "${kv%%=*}" text "${kv#*=}"
  done
  expect_eq "dialog caption" "ScreenSaver Frin" "$(field "$(driver window)" caption)"
  local x y w h
  read -r x y w h <<<"$(geometry "$DIALOG_XID")"
  shot "$T_DIR/screen.png"
  python3 "$WINE_TESTS/pixels.py" crop "$T_DIR/screen.png" "$x" "$y" "$w" "$h" "$T_DIR/dialog.png"
  # The chooser: its title and its file types, the first preselected.
  driver click Btn_File >/dev/null &
  local clicker=$! seen
  seen=$(driver chooser "$chooser")
  wait "$clicker"
  echo "$seen" >"$T_DIR/chooser.log"
  expect_eq "the chooser's file types" "$(printf 'type [%s]\n' "${types[@]}")" \
    "$(grep '^type ' <<<"$seen")"
  sleep 0.5
  # Cancel writes nothing; OK writes the seven values the controls show.
  local before
  before=$(store)
  driver scroll "Srl_Set(0)" 321 click "Chk_Set(1)" >/dev/null
  close_dialog_with 1
  store_unchanged "$before"
  open_dialog
  driver scroll "Srl_Set(0)" 321 click "Chk_Set(1)" >/dev/null
  close_dialog_with 0
  expect_eq "the store after OK" \
    "BS_File=C:\pics\snow.jpg;BackScreen=on;Max=321;Mouse_Move=off;Remain=on;SaverType=black;Speed=100" \
    "$(store | LC_ALL=C sort | tr '\n' ';' | sed 's/;$//')"
  use_caption_probe
  local dpi
  for dpi in 96 120 144 168 192 240; do
    set_dpi "$dpi"
    open_dialog
    captions_fit "$dpi"
    driver close >/dev/null
    ends_within "$FRIN_PID" 3 || note "the dialog did not close at $dpi dpi"
  done
}

t_dialog_in_english_elsewhere() {
  export LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
  dialog_in_language EN
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    cp "$T_DIR/dialog.png" "$ROOT/docs/dialog-en.png"
  fi
}

t_dialog_in_japanese_on_a_japanese_system() {
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  dialog_in_language JA
}

# image_box DUMP: "X Y W H" of Image1 on the screen, from a dump.
image_box() {
  local rect l t r b
  rect=$(control "$1" Image1 rect) || return 1
  IFS=, read -r l t r b <<<"$rect"
  echo "$l $t $((r - l)) $((b - t))"
}

# crystal_white: "COUNT BOX" of the crystal's white pixels in Image1 of the open dialog (dumped
# into DUMP), from a screenshot saved as the file named.
crystal_white() {
  local x y w h
  read -r x y w h <<<"$(image_box "$DUMP")"
  shot "$1"
  python3 "$WINE_TESTS/pixels.py" count "$1" "$x" "$y" "$w" "$h" '#FFFFFF' | awk '{print $2, $4}'
}

# client_size: "WxH" of the open dialog's client area.
client_size() {
  local rect l t r b
  rect=$(field "$(driver window)" client)
  IFS=, read -r l t r b <<<"$rect"
  echo "$((r - l))x$((b - t))"
}

# crystal_twice_as_large WHERE N96 N192: the dialog's crystal with N192 white pixels at 192 dpi
# is the one of N96 at 96 dpi drawn anew with lines twice as wide, not magnified: about four
# times the white pixels (within a tenth).
crystal_twice_as_large() {
  local four=$((4 * ${2:-0}))
  expect "white pixels of the crystal $1: ${3:-none}, not about four times the ${2:-none} at 96 dpi" \
    test "${3:-0}" -ge $((four * 9 / 10)) -a "${3:-0}" -le $((four * 11 / 10)) -a "$four" -gt 0
}

# The dialog at 200 %: Image1 shows the crystal drawn at twice its size (about four times the
# white pixels of the 96-dpi crystal, its outline twice as far out), in a control of its size;
# "Screen Saver" ends before the column left of "Frin" begins, and every caption is whole.
t_dialog_at_192_dpi_picture_and_title_line() {
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  setup 1280x1024
  seed Max=150 Speed=100 SaverType=black BackScreen=on 'BS_File=C:\pics\snow.jpg' Remain=off \
    Mouse_Move=off
  use_caption_probe
  local x y w h count96 box96 count192 box192 l t r b
  set_dpi 96
  open_dialog
  dump_dialog
  read -r x y w h <<<"$(image_box "$DUMP")" || fail "no Image1 at 96 dpi"
  expect_eq "Image1's size at 96 dpi" "32x32" "${w}x$h"
  shot "$T_DIR/screen-96.png"
  read -r _ count96 _ box96 <<<"$(python3 "$WINE_TESTS/pixels.py" count "$T_DIR/screen-96.png" \
    "$x" "$y" "$w" "$h" '#FFFFFF')"
  driver close >/dev/null
  ends_within "$FRIN_PID" 3 || note "the dialog did not close at 96 dpi"

  set_dpi 192
  open_dialog
  dump_dialog
  captions_fit 192
  expect_eq "Image1's bitmap at 192 dpi" "Image1 image=64x64" "$(grep '^Image1 ' <<<"$FITS")"
  read -r x y w h <<<"$(image_box "$DUMP")" || fail "no Image1 at 192 dpi"
  expect_eq "Image1's size at 192 dpi" "64x64" "${w}x$h"
  shot "$T_DIR/screen.png"
  read -r _ count192 _ box192 <<<"$(python3 "$WINE_TESTS/pixels.py" count "$T_DIR/screen.png" \
    "$x" "$y" "$w" "$h" '#FFFFFF')"
  echo "white at 96 dpi: $count96 in $box96; at 192 dpi: $count192 in $box192" >"$T_DIR/image.log"
  crystal_twice_as_large "at 192 dpi" "$count96" "$count192"
  IFS=, read -r l t r b <<<"$box96"
  expect_eq "the crystal's outline at 192 dpi (twice that at 96)" \
    "$((2 * l)),$((2 * t)),$((2 * r)),$((2 * b))" "$box192"
  # The column left of "Frin" shows the dialog's face alone (the colour just above the title
  # line there), over the rows of the title line.
  local face rect
  rect=$(control "$DUMP" "Label1(9)" rect) || fail "no Label1(9)"
  IFS=, read -r l t r b <<<"$rect"
  face=$(convert "$T_DIR/screen.png" -format "%[hex:p{$((l - 1)),$((t - 2))}]" info:)
  expect "\"Screen Saver\" reaches the column left of \"Frin\" (face #$face)" \
    python3 "$WINE_TESTS/pixels.py" only "$T_DIR/screen.png" "$((l - 1))" "$t" 1 "$((b - t))" \
    "#$face"
  read -r x y w h <<<"$(geometry "$DIALOG_XID")"
  python3 "$WINE_TESTS/pixels.py" crop "$T_DIR/screen.png" "$x" "$y" "$w" "$h" "$T_DIR/dialog.png"
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    cp "$T_DIR/dialog.png" "$ROOT/docs/dialog-192.png"
  fi
  driver close >/dev/null
  ends_within "$FRIN_PID" 3 || note "the dialog did not close at 192 dpi"
}

# bar_middle NAME: sets BAR_L, BAR_R, BAR_Y (the bar's ends and middle row) and BAR_ARROW (an
# arrow's width, the bar's height) from the last dump.
bar_middle() {
  local rect t b
  rect=$(control "$DUMP" "$1" rect) || fail "no control $1"
  IFS=, read -r BAR_L t BAR_R b <<<"$rect"
  BAR_Y=$(((t + b) / 2)) BAR_ARROW=$((b - t))
}

# The scroll bars under the real mouse: an arrow steps by 1, the track by 10 (count) or 2
# (speed); a dragged thumb changes the readout only when it is released.
t_dialog_scroll_bars_by_mouse() {
  setup 640x480
  seed_defaults
  local before
  before=$(store)
  open_dialog
  dump_dialog
  bar_middle "Srl_Set(0)"
  xdotool mousemove $((BAR_R - BAR_ARROW / 2)) "$BAR_Y" click 1
  sleep 0.4
  dump_dialog
  expect_control "Label1(0)" text 151
  xdotool mousemove $((BAR_R - BAR_ARROW - 3)) "$BAR_Y" click 1
  sleep 0.4
  dump_dialog
  expect_control "Label1(0)" text 161
  expect_control "Srl_Set(0)" pos 161
  # The thumb's middle at 161 of 0..500; the thumb is as wide as an arrow.
  local run=$((BAR_R - BAR_L - 3 * BAR_ARROW))
  local thumb=$((BAR_L + BAR_ARROW + run * 161 / 500 + BAR_ARROW / 2))
  xdotool mousemove "$thumb" "$BAR_Y" mousedown 1
  sleep 0.2
  xdotool mousemove $((thumb + 30)) "$BAR_Y"
  sleep 0.2
  xdotool mousemove $((thumb + 60)) "$BAR_Y"
  sleep 0.4
  dump_dialog
  expect_control "Label1(0)" text 161
  local dragged
  dragged=$(control "$DUMP" "Srl_Set(0)" pos)
  [ "$dragged" -gt 161 ] || note "the thumb did not follow the drag (position $dragged)"
  xdotool mouseup 1
  sleep 0.4
  dump_dialog
  expect_control "Label1(0)" text "$dragged"
  bar_middle "Srl_Set(1)"
  xdotool mousemove $((BAR_L + BAR_ARROW + 3)) "$BAR_Y" click 1
  sleep 0.4
  dump_dialog
  expect_control "Srl_Set(1)" pos 8
  expect_control "Label1(11)" text 7
  close_dialog_with 1
  store_unchanged "$before"
}

# A store that cannot be written: OK raises one error report over the dialog. Until the user
# dismisses it, the dialog behind it neither closes nor reports again; then the process ends
# with a non-zero status.
t_dialog_store_write_error_reports_once() {
  setup 640x480
  # Below a volatile key no lasting key can be made: the store's key cannot be created.
  driver volatilekey 'Software\VB and VBA Program Settings\Tolvar' >/dev/null ||
    fail "cannot make the store's parent key volatile"
  (
    wine "$SAVER_WIN" /c >>"$T_DIR/frin.log" 2>&1
    echo $? >"$T_DIR/status"
  ) &
  FRIN_PID=$!
  dialog_up
  sleep 0.5
  dump_dialog
  # The driver's click returns only once its wait runs out: the report holds the dialog's thread.
  driver click "Btn_Set(0)" >/dev/null &
  wait_window Frin 10 >/dev/null || fail "no error report appeared after OK"
  sleep 0.5
  local name rect l t r b
  for name in "Btn_Set(0)" "Btn_Set(1)"; do
    rect=$(control "$DUMP" "$name" rect)
    IFS=, read -r l t r b <<<"$rect"
    xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
    sleep 0.5
  done
  driver close >/dev/null
  sleep 1
  alive "$FRIN_PID" || fail "a click on the dialog behind the error report ended the program"
  expect_eq "error reports shown" 1 "$(visible_windows | grep -cx Frin)"
  expect_eq "dialogs shown" 1 "$(visible_windows | grep -cx 'ScreenSaver Frin')"
  xdotool key Return
  ends_within "$FRIN_PID" 3 || fail "the program did not end once the report was dismissed"
  local status
  status=$(cat "$T_DIR/status" 2>/dev/null)
  [ -n "$status" ] && [ "$status" != 0 ] || note "exit status after the error report: ${status:-none}"
}

# --- Preview --------------------------------------------------------------------------------

# start_preview_host: the display settings' stand-in starts frin.scr /p in its child window;
# PREVIEW_FOUND is its report of the saver's window. Commands go to descriptor 7.
start_preview_host() {
  rm -f "$T_DIR/host.in"
  mkfifo "$T_DIR/host.in"
  exec 7<>"$T_DIR/host.in"
  wine "$HELPERS/preview_host.exe" "$SAVER_WIN" <&7 >"$T_DIR/host.out" 2>>"$T_DIR/host.err" &
  PREVIEW_HOST_PID=$!
  local i
  PREVIEW_FOUND=""
  for i in $(seq 200); do
    PREVIEW_FOUND=$(tr -d '\r' <"$T_DIR/host.out" | grep -m1 '^found') && break
    sleep 0.1
  done
  [ -n "$PREVIEW_FOUND" ] ||
    fail "the host did not report the preview window: $(tr '\n' ';' <"$T_DIR/host.out")"
  [ "$PREVIEW_FOUND" != "found none" ] ||
    fail "no window of frin appeared inside the host's child window"
}

# stop_preview_host: the host ends the saver and closes.
stop_preview_host() {
  echo quit >&7
  ends_within "$PREVIEW_HOST_PID" 5 || note "the preview host did not quit"
  exec 7>&-
}

t_preview_in_host_window() {
  setup 640x480
  seed_defaults
  start_preview_host
  local i found=$PREVIEW_FOUND
  expect_eq "preview window caption" "Frin Prev" "$(field "$found" caption)"
  expect_eq "preview window size" "152x112" "$(field "$found" size)"
  expect_eq "preview window parent" child "$(field "$found" parent)"
  # Input does not end the preview: a key, a mouse move and a click inside it.
  local rect l t r b
  rect=$(field "$(tr -d '\r' <"$T_DIR/host.out" | grep -m1 '^host')" child_rect)
  IFS=, read -r l t r b <<<"$rect"
  xdotool key x
  if [ -n "$b" ]; then
    xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2))
    sleep 0.3
    xdotool mousemove_relative 3 2 click 1
  else
    note "the host reported no child rectangle"
  fi
  sleep 1.5
  echo look >&7
  sleep 0.5
  local again
  again=$(tr -d '\r' <"$T_DIR/host.out" | grep '^found' | tail -1)
  expect_eq "preview still there after a key press, a mouse move and a click" "$found" "$again"
  grep -q '^ended' "$T_DIR/host.out" && note "frin ended before the host closed the preview"
  echo destroy >&7
  local ended=""
  for i in $(seq 50); do
    ended=$(tr -d '\r' <"$T_DIR/host.out" | grep -m1 -E '^(ended|running)') && break
    sleep 0.1
  done
  [[ $ended == ended* ]] || note "frin did not end within 2 s of the host destroying the preview's window (${ended:-no report})"
  echo quit >&7
}

t_preview_foreign_handle_ends() {
  setup 640x480
  seed_defaults
  local handle
  for handle in 12345 0; do
    frin /p "$handle"
    ends_within "$FRIN_PID" 3 || note "/p $handle (no such window) did not end at once"
    [ -z "$(xdotool search --name '^Frin Prev$' 2>/dev/null)" ] || note "/p $handle left a window"
    kill "$FRIN_PID" 2>/dev/null
  done
}

t_password_switch_without_handle() {
  setup 640x480
  seed_defaults
  local args seen
  # With a parent handle the system's password change runs; Wine has no provider, so nothing shows.
  for args in "/a" "/a 0" "/a 5678"; do
    # shellcheck disable=SC2086
    frin $args
    seen=""
    while alive "$FRIN_PID"; do
      seen+=$(visible_windows)
      [ ${#seen} -gt 0 ] && break
      sleep 0.1
    done
    ends_within "$FRIN_PID" 3 || note "\"$args\" did not end at once"
    [ -z "$seen" ] || note "\"$args\" showed a window: $seen"
    kill "$FRIN_PID" 2>/dev/null
  done
}

# --- System family --------------------------------------------------------------------------

t_non_nt_family_key_ends() {
  setup 640x480
  set_version win98
  seed_defaults
  frin /s
  saver_up
  sleep 1
  key_ends_saver
  ! grep -qi 'unhandled\|exception' "$T_DIR/frin.log" || note "frin crashed: $(grep -i -m1 'unhandled\|exception' "$T_DIR/frin.log")"
  [ -z "$(visible_windows)" ] || note "windows left after the ending: $(visible_windows | tr '\n' ';')"
}

# --- Stored values --------------------------------------------------------------------------

t_bad_max_word() { stored_values_still_run Max=abc; }
t_bad_speed_empty() { stored_values_still_run 'Speed='; }
t_bad_max_huge() { stored_values_still_run Max=99999999999; }

t_no_remain_key_gives_speed_100() {
  setup 640x480
  seed Max=150 Speed=80
  open_dialog
  dump_dialog
  expect_control "Label1(11)" text 5
  expect_control "Srl_Set(1)" pos 10
  close_dialog_with 1
  expect_eq "the store after Cancel" "$(printf '%s\n' Max=150 Speed=80)" "$(store)"
}

# Values written by hand with another registry type: a REG_DWORD reads as its decimal text, a
# REG_EXPAND_SZ as its text, a REG_BINARY or REG_MULTI_SZ as the key's default. The dialog shows
# what was read, Cancel leaves every value and type as it was, and the saver runs on them.
t_stored_values_of_other_types() {
  setup 640x480
  seed SaverType=black 'BS_File='
  local k=$STORE_KEY before
  wine reg add "$k" /v Max /t REG_DWORD /d 321 /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Speed /t REG_EXPAND_SZ /d 60 /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Remain /t REG_DWORD /d 1 /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Mouse_Move /t REG_BINARY /d 6f6e /f >/dev/null 2>&1 &&
    wine reg add "$k" /v BackScreen /t REG_MULTI_SZ /d on /f >/dev/null 2>&1 ||
    fail "cannot write the values"
  before=$(store)
  open_dialog
  dump_dialog
  expect_control "Label1(0)" text 321
  expect_control "Label1(11)" text 1
  expect_control "Srl_Set(1)" pos 14
  expect_control "Chk_Set(1)" check 0  # Remain "1" is not "on"
  expect_control "Chk_Set(2)" check 0  # Mouse_Move's bytes: the default, off
  expect_control "Chk_Set(3)" check 0  # BackScreen's list: the default, off
  close_dialog_with 1
  store_unchanged "$before"

  wine reg add "$k" /v Max /t REG_DWORD /d 0xffffffff /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Speed /t REG_BINARY /d 3600 /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Remain /t REG_EXPAND_SZ /d on /f >/dev/null 2>&1 &&
    wine reg add "$k" /v Mouse_Move /t REG_MULTI_SZ /d 'on\0on' /f >/dev/null 2>&1 ||
    fail "cannot write the values"
  before=$(store)
  open_dialog
  dump_dialog
  expect_control "Label1(0)" text 150  # 4294967295 lies beyond 32 bits: the default
  expect_control "Label1(11)" text 5   # Speed's bytes: the default, 100
  expect_control "Chk_Set(1)" check 1
  expect_control "Chk_Set(2)" check 0
  close_dialog_with 1
  store_unchanged "$before"

  frin /s
  saver_up
  sleep 1
  expect_eq "visible windows (no error report)" "ScreenSaver Frin" \
    "$(visible_windows | sort -u | tr '\n' ';' | sed 's/;$//')"
  key_ends_saver
  store_unchanged "$before"
}

# --- Two monitors -----------------------------------------------------------------------------
# A primary and a monitor to its left (setup_two_monitors): in the screenshot the left monitor
# lies at (0, 0) and the primary right of it, both from the top edge.

# saver_windows: "X Y W H" of each visible saver window, sorted, separated by ";".
saver_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '^ScreenSaver Frin$' 2>/dev/null); do
    geometry "$id"
  done | sort | tr '\n' ';' | sed 's/;$//'
}

# two_windows_up: waits until two saver windows show.
two_windows_up() {
  local i
  for i in $(seq 100); do
    [ "$(saver_windows | tr ';' '\n' | grep -c .)" -ge 2 ] && return 0
    sleep 0.1
  done
  fail "two saver windows did not appear; visible: [$(saver_windows)]"
}

# crop_monitors IMG PRIMARY LEFT: IMG's parts over the left monitor and the primary, as
# IMG-left.png and IMG-primary.png.
crop_monitors() {
  local img=$1 pw=${2%x*} ph=${2#*x} lw=${3%x*} lh=${3#*x}
  python3 "$WINE_TESTS/pixels.py" crop "$img" 0 0 "$lw" "$lh" "${img%.png}-left.png" &&
    python3 "$WINE_TESTS/pixels.py" crop "$img" "$lw" 0 "$pw" "$ph" "${img%.png}-primary.png" ||
    fail "cannot crop $img"
}

# not_all_black IMG: some pixel is not black (flakes are drawn).
not_all_black() {
  ! python3 "$WINE_TESTS/pixels.py" share "$1" '#000000' 1.0
}

# black_snow_on_two_monitors DPI: starts the saver on black over the monitors of
# setup_two_monitors 800x600 640x480 at DPI dots per inch, waits for a window over each, and
# checks each monitor's part of a screenshot ($T_DIR/saver.png): only the black scene's colours,
# and snow drawn at the scale of DPI (flakes 7 pixels wide at 96 dpi, 14 at 192).
black_snow_on_two_monitors() {
  local dpi=$1 k=$(($1 / 96)) width=$((7 * $1 / 96)) m found
  set_dpi "$dpi"
  xsetroot -solid '#3366CC'
  seed Max=300 Speed=50 SaverType=black BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  frin /s
  saver_up
  two_windows_up
  expect_eq "the saver's windows at $dpi dpi (x y w h), one over each monitor" \
    "0 0 640 480;640 0 800 600" "$(saver_windows)"
  sleep 1.5
  shot "$T_DIR/saver.png"
  crop_monitors "$T_DIR/saver.png" 800x600 640x480
  for m in left primary; do
    found=$(palette_ok "$T_DIR/saver-$m.png")
    expect "the $m monitor shows more than the black scene (the desktop's #3366CC?): $found" \
      palette_ok "$T_DIR/saver-$m.png"
    found=$(flakes_at "$T_DIR/saver-$m.png" "$k" "$width")
    expect "the $m monitor's snow is not drawn at scale $k: $found" \
      flakes_at "$T_DIR/saver-$m.png" "$k" "$width"
  done
}

t_two_monitors_snow_on_both_and_a_click_on_the_second_ends() {
  setup_two_monitors 800x600 640x480
  black_snow_on_two_monitors 96
  # The README's picture: the two monitors as the screenshot has them, where no monitor lies
  # (below the left one) dark grey.
  if [ "${FRIN_WINE_DOCS:-0}" = 1 ]; then
    mkdir -p "$ROOT/docs"
    convert "$T_DIR/saver.png" -fill '#303030' -draw 'rectangle 0,480 639,599' \
      "$ROOT/docs/two_monitors.png"
  fi
  # A click on the monitor left of the primary ends everything.
  xdotool mousemove 200 200 click 1
  ends_within "$FRIN_PID" 2 || fail "a click on the second monitor did not end the saver within 2 s"
  expect_eq "saver windows left after the click" "" "$(saver_windows)"
}

# Two monitors at 192 dots per inch: a window over each, every pixel of both covered, and each
# monitor's snow drawn at scale 2 (Wine gives every monitor the system's dots per inch).
t_two_monitors_at_192_dpi_both_covered_and_doubled() {
  setup_two_monitors 800x600 640x480
  black_snow_on_two_monitors 192
  key_ends_saver
}

t_two_monitors_desktop_shows_each_its_own_part() {
  setup_two_monitors 800x600 640x480
  # A desktop of random dots over the whole display, so that a copy of any other place matches
  # only half of the pixels.
  convert -size 1440x600 xc: +noise Random -monochrome "$T_DIR/desktop.xbm" ||
    fail "cannot draw the desktop"
  xsetroot -bitmap "$T_DIR/desktop.xbm" -fg '#3366CC' -bg '#CC9933' || fail "cannot set the desktop"
  shot "$T_DIR/desktop.png"
  crop_monitors "$T_DIR/desktop.png" 800x600 640x480
  seed Max=150 Speed=100 SaverType=desktop BackScreen=off 'BS_File=' Remain=off Mouse_Move=on
  frin /s
  saver_up
  two_windows_up
  sleep 1.5
  shot "$T_DIR/saver.png"
  crop_monitors "$T_DIR/saver.png" 800x600 640x480
  local m
  for m in left primary; do
    expect "the $m monitor does not show its own part of the desktop (90% of the pixels equal)" \
      python3 "$WINE_TESTS/pixels.py" same "$T_DIR/saver-$m.png" "$T_DIR/desktop-$m.png" 0.9
  done
  key_ends_saver
}

t_two_monitors_picture_and_settling_on_each() {
  # Small monitors of different sizes, so that a layer shows within seconds on each.
  setup_two_monitors 320x240 256x192
  pictures
  seed Max=250 Speed=30 SaverType=black BackScreen=on 'BS_File=C:\pics\quad.bmp' Remain=on \
    Mouse_Move=on
  frin /s
  saver_up
  two_windows_up
  expect_eq "the saver's windows (x y w h)" "0 0 256 192;256 0 320 240" "$(saver_windows)"
  sleep 1.5
  shot "$T_DIR/picture.png"
  crop_monitors "$T_DIR/picture.png" 320x240 256x192
  local m layer
  for m in left primary; do
    expect "the picture is not stretched over the $m monitor (each quadrant in its colour)" \
      python3 "$WINE_TESTS/pixels.py" regions "$T_DIR/picture-$m.png" 8 0.85 \
      "${QUADRANT_REGIONS[@]}"
  done
  sleep 8
  shot "$T_DIR/layer.png"
  crop_monitors "$T_DIR/layer.png" 320x240 256x192
  for m in left primary; do
    layer=$(python3 "$WINE_TESTS/pixels.py" layer "$T_DIR/layer-$m.png")
    echo "$m monitor after 9.5 s: $layer" >>"$T_DIR/checks.log"
    [ "$(awk '{print $2}' <<<"$layer")" -ge 3 ] ||
      note "no white layer at the bottom of the $m monitor: $layer"
    [ "$(awk '{print $4}' <<<"$layer")" -eq 0 ] ||
      note "white rows in the upper half of the $m monitor: $layer"
  done
  key_ends_saver
}

# The program icon as Explorer finds it in frin.scr, no Wine needed: the lowest icon group is
# 100 and lists the 16-colour 32 x 32 image first, then 16, 24, 48, 64 and 256 pixels in 32-bit
# colour (256 as a PNG), each resource holding the very image tools/make_ico.py draws.
t_program_icon_lists_every_size() {
  python3 "$ROOT/tools/make_ico.py" "$ROOT/resources/frin_icon.txt" "$T_DIR/frin.ico" ||
    fail "tools/make_ico.py failed"
  python3 "$WINE_TESTS/pe_resources.py" icons "$FRIN_SCR" "$T_DIR/frin.ico" >"$T_DIR/icons.txt" 2>&1 ||
    fail "frin.scr's icons: $(tr '\n' ';' <"$T_DIR/icons.txt")"
  local want
  want=$(printf '%s\n' "group 100" "32x32 4-bit" "16x16 32-bit" "24x24 32-bit" "48x48 32-bit" \
    "64x64 32-bit" "256x256 32-bit png")
  [ "$(cat "$T_DIR/icons.txt")" = "$want" ] ||
    fail "frin.scr's icon group: $(tr '\n' ';' <"$T_DIR/icons.txt")"
}

# A minute of the full-screen saver at 1920 x 1080 with 500 flakes, Speed 50 and the layer on:
# after 20 s of warm-up its memory, the wineserver's and the X server's stay flat (bench/soak.sh,
# whose ten-minute run the README names).
t_soak_one_minute() {
  SIZE=1920x1080 MAX=500 SPEED=50 REMAIN=on WARMUP_SECONDS=20 \
    bash "$ROOT/bench/soak.sh" 1 >"$T_DIR/soak.log" 2>&1
  local status=$?
  cat "$T_DIR/soak.log" >>"$T_DIR/checks.log"
  case $status in
  0) ;;
  1) note "the soak found growth or lost the saver: $(grep -E 'GROWTH|ended' "$T_DIR/soak.log" | tr '\n' ';')" ;;
  *) fail "the soak could not run: $(tail -1 "$T_DIR/soak.log")" ;;
  esac
}

# Dragged onto a monitor of 200 % and back (Wine gives every monitor one dpi, so the probe sends
# the dialog what the system sends a window moved between monitors of different scales): the
# dialog lays itself out again each time, its client area the design's at the new twips per pixel
# (7575 x 3735 twips: 947 x 467 pixels at 192 dpi, 505 x 249 at 96), its crystal drawn again at
# the new scale, its captions whole, and what the user set before the move is what OK saves.
t_dialog_moved_to_a_monitor_of_another_scale() {
  export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
  setup 1600x1200  # wide enough for the dialog grown from where it stood at 96 dpi
  seed_defaults
  use_caption_probe
  open_dialog
  driver scroll "Srl_Set(0)" 321 click "Chk_Set(1)" >/dev/null
  dump_dialog
  local at96 moved back
  at96=$(crystal_white "$T_DIR/screen-96.png")
  expect_eq "client area at 96 dpi" 505x249 "$(client_size)"

  driver dpichange 192 >/dev/null
  dump_dialog
  # Wine draws the title bar at its one dpi, lower than the one the dialog asked its frame for,
  # which leaves the client area a little taller than the layout.
  local size
  size=$(client_size)
  [ "${size%x*}" = 947 ] && [ "${size#*x}" -ge 467 ] ||
    note "client area moved to 192 dpi: want 947 x 467 or taller, got $size"
  captions_fit 192
  expect_eq "Image1's bitmap moved to 192 dpi" "Image1 image=64x64" "$(grep '^Image1 ' <<<"$FITS")"
  moved=$(crystal_white "$T_DIR/screen.png")
  read -r n96 _ <<<"$at96"
  read -r n192 _ <<<"$moved"
  crystal_twice_as_large "moved to 192 dpi" "$n96" "$n192"
  expect_control "Label1(0)" text 321
  expect_control "Chk_Set(1)" check 1
  local l t r b
  IFS=, read -r l t r b <<<"$(field "$(driver window)" rect)"
  python3 "$WINE_TESTS/pixels.py" crop "$T_DIR/screen.png" "$l" "$t" "$((r - l))" "$((b - t))" \
    "$T_DIR/dialog.png"

  driver dpichange 96 >/dev/null
  dump_dialog
  expect_eq "client area back at 96 dpi" 505x249 "$(client_size)"
  back=$(crystal_white "$T_DIR/screen-back.png")
  expect_eq "the crystal back at 96 dpi" "$at96" "$back"
  close_dialog_with 0
  expect_eq "the store after OK" \
    "BS_File=;BackScreen=off;Max=321;Mouse_Move=on;Remain=on;SaverType=black;Speed=100" \
    "$(store | LC_ALL=C sort | tr '\n' ';' | sed 's/;$//')"
}
