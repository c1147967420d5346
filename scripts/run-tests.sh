#!/usr/bin/env bash
# Builds and runs the suites: native (AddressSanitizer + UndefinedBehaviorSanitizer), win32 under
# Wine (with a virtual display for the dialog tests), and each fuzz target briefly on its corpus.
# With arguments, runs only the named parts (native, win32, fuzz). Leaves no process behind.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(native win32 fuzz)
export CI=${CI:-}
# intercept_tls_get_addr=0 keeps the leak check's tracer from faulting on a misread dynamic TLS
# block now and then (cmake/asan_default_options.cpp says why); it is appended to any options given.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}:intercept_tls_get_addr=0
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cleanup() {
  if [ -d build/win32 ]; then
    WINEPREFIX=$root/build/win32/wineprefix wineserver -k >/dev/null 2>&1 || true
  fi
  # Test servers and virtual displays started by the suites are their children; make sure.
  pkill -f "$root/tests/support/feed_server" >/dev/null 2>&1 || true
  # Only our own process group's: other runs on this machine have displays of their own.
  pkill -g "$(ps -o pgid= -p $$ | tr -d ' ')" -f "Xvfb :9[0-9]" >/dev/null 2>&1 || true
}
trap cleanup EXIT

status=0
run() {
  echo "== $1"
  shift
  "$@" || status=1
}

for part in "${parts[@]}"; do
  case "$part" in
    native)
      echo "== build native"
      if ! make --no-print-directory native; then status=1; continue; fi
      run "test native" ctest --test-dir build/native --output-on-failure -j2 --timeout 900
      ;;
    win32)
      echo "== build win32"
      if ! make --no-print-directory win32; then status=1; continue; fi
      # Make the Wine prefix once, before tests run in parallel.
      if [ ! -f build/win32/wineprefix/system.reg ]; then
        echo "== making the Wine prefix"
        ./scripts/wine-run wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX=$root/build/win32/wineprefix wineserver -w >/dev/null 2>&1 || true
      fi
      run "test win32" xvfb-run -a -s "-screen 0 1024x768x24" \
        ctest --test-dir build/win32 --output-on-failure -j2 --timeout 900
      ;;
    fuzz)
      echo "== build fuzz"
      if ! make --no-print-directory fuzz; then status=1; continue; fi
      run "fuzz" ./scripts/run-fuzz.sh
      ;;
    *) echo "unknown part: $part" >&2; status=2 ;;
  esac
done

if [ $status -eq 0 ]; then echo "== all suites passed"; else echo "== FAILED"; fi
exit $status
