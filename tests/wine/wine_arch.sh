# Which Wine runs frin.scr. frin.scr ships as a 32-bit program and runs under wine32; a host whose
# kernel runs no 32-bit code (ia32 emulation off) cannot start wine32 at all, so there the same
# sources are built for x86_64 and run under wine64, which exercises the same Windows API.
# Sourced by tests/wine/run and bench/wine_cpu.sh.
#
# The same route serves where wine32 could not be installed (tools/deps says so when the archive
# holds no installable wine32).
#
# Sets FRIN_WINE_ARCH (win32 or win64, unless already set), FRIN_WINE_WHY (why win64, in words)
# and, with use_wine_arch, puts "wine", "wine-stable" and "wineboot" commands for that Wine first
# on PATH.

if [ -z "${FRIN_WINE_ARCH:-}" ]; then
  if [ ! -x /usr/lib/wine/wine ]; then
    FRIN_WINE_ARCH=win64
    FRIN_WINE_WHY="wine32 is not installed (tools/deps could not install it)"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    FRIN_WINE_ARCH=win32
  else
    FRIN_WINE_ARCH=win64
    FRIN_WINE_WHY="this host runs no 32-bit programs"
  fi
fi
[ "$FRIN_WINE_ARCH" = win32 ] || FRIN_WINE_WHY=${FRIN_WINE_WHY:-FRIN_WINE_ARCH=$FRIN_WINE_ARCH was asked for}
export FRIN_WINE_ARCH FRIN_WINE_WHY

# The route in one line, for the suites' summaries.
wine_route() {
  if [ "$FRIN_WINE_ARCH" = win32 ]; then
    echo "route: win32 (frin.scr as shipped, under wine32)"
  else
    echo "route: win64 (frin.scr built for x86_64, under wine64: $FRIN_WINE_WHY)"
  fi
}

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
