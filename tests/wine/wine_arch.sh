# Which Wine runs frin.scr. frin.scr ships as a 32-bit program and runs under wine32; a host whose
# kernel runs no 32-bit code (ia32 emulation off) cannot start wine32 at all, so there the same
# sources are built for x86_64 and run under wine64, which exercises the same Windows API.
# Sourced by tests/wine/run and bench/wine_cpu.sh.
#
# Sets FRIN_WINE_ARCH (win32 or win64, unless already set) and, with use_wine_arch, puts
# "wine", "wine-stable" and "wineboot" commands for that Wine first on PATH.

if [ -z "${FRIN_WINE_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    FRIN_WINE_ARCH=win32
  else
    FRIN_WINE_ARCH=win64
  fi
fi
export FRIN_WINE_ARCH

# use_wine_arch DIR: with win64, writes the wrappers into DIR and puts DIR first on PATH (with
# win32 Debian's own commands are right as they are).
use_wine_arch() {
  [ "$FRIN_WINE_ARCH" = win64 ] || return 0
  mkdir -p "$1"
  printf '#!/bin/sh\nWINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 "$@"\n' >"$1/wine"
  printf '#!/bin/sh\nexec "%s/wine" "$@"\n' "$1" >"$1/wine-stable"
  printf '#!/bin/sh\nexec "%s/wine" wineboot "$@"\n' "$1" >"$1/wineboot"
  chmod +x "$1/wine" "$1/wine-stable" "$1/wineboot"
  export PATH="$1:$PATH"
}
