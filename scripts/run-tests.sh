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

# Each suite runs in a process group of its own (setsid), so the test servers and virtual
# displays it leaves behind can be stopped by that group's id, and nothing else is touched.
groups=()
cleanup() {
  for g in "${groups[@]}"; do kill -TERM -- "-$g" >/dev/null 2>&1 || true; done
  if [ -d build/win32 ]; then
    WINEPREFIX=$root/build/win32/wineprefix wineserver -k >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

status=0
run() {
  echo "== $1"
  shift
  # A background job of this (non-interactive) shell is no group leader, so setsid makes the
  # new session in place and $! is its group id.
  setsid "$@" &
  local pid=$!
  groups+=("$pid")
  wait "$pid" || status=1
  kill -TERM -- "-$pid" >/dev/null 2>&1 || true
}

for part in "${parts[@]}"; do
  case "$part" in
    native)
      echo "== build native"
      if ! make --no-print-directory native-test; then status=1; continue; fi
      run "test native" ctest --test-dir build/native-test --output-on-failure -j2 --timeout 900
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
      # One Wine server for the whole suite, started with Wine's services on the virtual display
      # before any test: no test races the server's shutdown ("wine client error: ...
      # Connection reset by peer") or hands its output pipes to services that outlive it. Each
      # test runs in a process group of its own (scripts/wine-test) that ends with it. A test
      # that fails is still run once more: a real fault fails twice, and natively too.
      run "test win32" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        WINEPREFIX=$0/build/win32/wineprefix wineserver -p &&
          ./scripts/wine-run wineboot </dev/null >/dev/null 2>&1
        exec ctest --test-dir build/win32 --output-on-failure -j2 --timeout 900 \
          --repeat until-pass:2' "$root"
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
