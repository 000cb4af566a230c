#!/usr/bin/env bash
# tools/deps against a fake apt: the decisions it takes when the archive is half synced, checked
# without the network. Each case runs tools/deps with fake apt-get, dpkg, dpkg-query and locale
# first on PATH; the fake apt-get logs its calls and fails as the case asks.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

mkdir -p "$WORK/bin"
cat >"$WORK/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_LOG"
case "$1" in
  update)
    [ "${FAKE_UPDATE:-ok}" = ok ] && exit 0
    echo "E: Failed to fetch http://deb.example/debian-security/dists/rel-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  install)
    args=" $* "
    if [ "${FAKE_WINE32:-ok}" = never ] && [[ $args == *" wine32:i386 "* ]]; then
      echo "E: Unable to correct problems, you have held broken packages."; exit 100
    fi
    if [ "${FAKE_INSTALL:-ok}" = needs-suite ] && [[ $args != *" -t "* ]]; then
      echo "E: Unable to correct problems, you have held broken packages."; exit 100
    fi
    [ "${FAKE_INSTALL:-ok}" = never ] && { echo "E: Package 'cmake' has no installation candidate"; exit 100; }
    exit 0 ;;
esac
exit 1
FAKE
cat >"$WORK/bin/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
# every package is missing unless FAKE_INSTALLED=all
[ "${FAKE_INSTALLED:-none}" = all ] && printf 'install ok installed'
exit 0
FAKE
cat >"$WORK/bin/dpkg" <<'FAKE'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_LOG"
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
FAKE
printf "#!/bin/sh\\necho ja_JP.utf8\\necho en_US.utf8\\n" >"$WORK/bin/locale"
chmod +x "$WORK/bin/"*
printf 'ID=debian\nVERSION_CODENAME=rel\n' >"$WORK/os-release"

passed=0 failed=0
# run_case NAME [VAR=VALUE...]: runs tools/deps wine with the fake's settings; its output in $out,
# its status in $status, the fake's log in $log.
run_case() {
  name=$1
  shift
  : >"$WORK/log"
  out=$(env PATH="$WORK/bin:$PATH" FAKE_LOG="$WORK/log" FRIN_OS_RELEASE="$WORK/os-release" "$@" \
    bash "$ROOT/tools/deps" wine 2>&1)
  status=$?
  log=$(cat "$WORK/log")
}
expect() {
  if eval "$1"; then return 0; fi
  echo "FAIL $name: expected $1"
  echo "  output: $out" | sed '2,$s/^/  /'
  echo "  apt calls: $log" | sed '2,$s/^/  /'
  bad=1
}
check_case() {
  bad=0
  for e in "$@"; do expect "$e"; done
  if [ $bad = 0 ]; then passed=$((passed + 1)); echo "ok $name"; else failed=$((failed + 1)); fi
}
installs() { grep -c '^apt-get install' <<<"$log"; }

run_case "nothing missing: apt is not asked" FAKE_INSTALLED=all
check_case '[ $status = 0 ]' '[ -z "$log" ] || ! grep -q apt-get <<<"$log"'

run_case "all is well: one update, one install, retries asked for" FAKE_UPDATE=ok
check_case '[ $status = 0 ]' '[ "$(installs)" = 1 ]' 'grep -q "Acquire::Retries=" <<<"$log"' \
  '[ -z "$out" ]'

run_case "an index fails to download: named in one line, the install goes on" FAKE_UPDATE=fails
check_case '[ $status = 0 ]' '[ "$(installs)" = 1 ]' \
  '[ "$(grep -c "debian-security/dists/rel-security/main/binary-i386/Packages.xz" <<<"$out")" = 1 ]'

run_case "versions disagree: installed again preferring the release's suite from os-release" \
  FAKE_UPDATE=fails FAKE_INSTALL=needs-suite
check_case '[ $status = 0 ]' '[ "$(installs)" = 2 ]' \
  'grep -q "^apt-get install .* -t rel .*wine32:i386" <<<"$log"' \
  'grep -q "preferring the release.s own suite (rel)" <<<"$out"'

run_case "no wine32 to be had: the rest is installed and the wine64 route is said" FAKE_WINE32=never
check_case '[ $status = 0 ]' \
  '[ "$(tail -1 <<<"$log" | grep -c "wine32:i386\|libxinerama1:i386\|libxrandr2:i386")" = 0 ]' \
  'tail -1 <<<"$log" | grep -q " wine64 "' 'tail -1 <<<"$log" | grep -q " cmake "' \
  'grep -q "wine32 cannot be installed.*wine64" <<<"$out"'

run_case "nothing can be installed: a failure, with apt's words" FAKE_INSTALL=never
check_case '[ $status != 0 ]' 'grep -q "has no installation candidate" <<<"$out"'

echo "$passed passed, $failed failed"
[ $failed = 0 ]
