#!/usr/bin/env bash
# The settings dialog on Windows, driven with the mouse and keyboard under Wine on a virtual
# display: `hotsync configure` opens it; the test clicks check boxes and radio buttons, changes the
# schedule list, presses OK or Cancel, and checks "KVRTPrefs.txt" and the action the conduit
# answered. Screenshots of the open dialog are kept as test artifacts. Each click and key goes to a
# window that was first given the focus and checked to have it, so nothing depends on where the
# focus happened to be left; every Wine program started here runs in a process group of its own
# that the clean-up ends, whatever happens.
# Usage: gui_wine_test.sh BIN_DIR ARTIFACT_DIR   (exits 77, skipped, without a display)
set -uo pipefail
bin=$(cd "$1" && pwd)
artifacts=$2
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/wine-run"
title="Cinevane Synchronization Settings"

[ -n "${DISPLAY:-}" ] || { echo "SKIP: no display (run under xvfb-run)"; exit 77; }
mkdir -p "$artifacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/reelbox-gui.XXXXXX")
pid=""
cleanup() {
  # The group holds hotsync.exe and what it started (notepad), not only the wrapper.
  [ -n "$pid" ] && kill -KILL -- "-$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/out" ] && sed 's/^/  hotsync: /' "$work/out"
  exit 1
}

winroot="Z:$(echo "$work/root" | tr / '\\')"
folder="$work/root/Tester/Cinevane"
prefs="$folder/KVRTPrefs.txt"
# A background subshell is no group leader, so setsid makes the new group in place: $! is its id.
hs_start() { (cd "$bin" && exec setsid "$wine_run" ./hotsync.exe --root "$winroot" --conduit KVRTConduit.dll "$@") & }
hs() {  # one command to its end, or killed after 60 s
  hs_start "$@"
  local group=$! i
  for i in $(seq 300); do kill -0 "$group" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$group" 2>/dev/null && { kill -KILL -- "-$group" 2>/dev/null; wait "$group"; return 124; }
  wait "$group"
}

hs user add Tester >"$work/out" 2>&1 || fail "user add"
hs install >"$work/out" 2>&1 || fail "install"
[ -d "$folder" ] || fail "no conduit folder $folder"

find_window() {  # waits up to 60 s for a visible window whose name matches $1
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
}

# Dialog units to the client area: the X window Wine makes for the dialog is its client area,
# 310 x 206 units, so its size gives the scale whatever font metrics Wine has.
wid="" WIDTH=0 HEIGHT=0
open_dialog() {
  hs_start configure >"$work/out" 2>&1
  pid=$!
  wid=$(find_window "^$title\$")
  [ -n "$wid" ] || fail "the dialog did not open"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  sleep 0.5  # let the dialog paint before the first click or screenshot
}
focus() {  # gives window $1 the focus and waits until it has it (10 s at most)
  local _
  for _ in $(seq 50); do
    xdotool windowraise "$1" windowfocus "$1" >/dev/null 2>&1
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.2
  done
  fail "window $1 did not take the focus"
}
click() {  # x y in dialog units
  focus "$wid"
  xdotool mousemove --window "$wid" $(($1 * WIDTH / 310)) $(($2 * HEIGHT / 206)) click 1
  sleep 0.2
}
# Opens the schedule list and moves its selection by $1 rows (negative: up), then picks it.
choose_row() {
  click 200 43
  sleep 0.3
  local key=Down n=$1
  if [ "$n" -lt 0 ]; then key=Up; n=$((-n)); fi
  for _ in $(seq "$n"); do xdotool key "$key"; done
  xdotool key Return
  sleep 0.3
}
close_with() {  # 1 OK, 2 Cancel
  if [ "$1" = 1 ]; then click 278 18; else click 278 35; fi
  for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && fail "the dialog did not close"
  wait "$pid"
  status=$?
  pid=""
}
fields() { python3 "$here/prefs_fields.py" "$prefs"; }
expect_fields() {
  local got
  got=$(fields)
  [ "$got" = "$1" ] || fail "$2: KVRTPrefs.txt holds '$got', expected '$1'"
}
expect_output() {
  grep -Eq "$1" "$work/out" || fail "$2: hotsync did not say /$1/"
}

# Clicking the two check boxes of a checked box, so each is clicked; the list goes to "during each
# sync"; the full audit radio button; the list job off. OK stores all of it.
printf 'debug log\r\n' >"$folder/kvrtdebuglog.txt"
open_dialog
import -window "$wid" "$artifacts/settings-dialog.png" || fail "screenshot"
click 52 27
click 52 27
choose_row -2
click 16 190
click 52 101
import -window "$wid" "$artifacts/settings-dialog-changed.png" || fail "screenshot"
close_with 1
[ "$status" = 0 ] || fail "OK: hotsync exit status $status"
expect_output "Next syncs: synchronize" "OK"
expect_output "Applies to: every sync from now on" "OK"
expect_fields "v3 1 0 0 8" "OK"

# Cancel after changing everything writes nothing.
cp "$prefs" "$work/before"
open_dialog
choose_row 2  # while the schedule box is on: a disabled list would pass Return to OK
click 52 27
click 52 101
click 16 178
close_with 2
cmp -s "$prefs" "$work/before" || fail "Cancel changed KVRTPrefs.txt"
expect_output "cancelled; nothing changed" "Cancel"

# Both jobs off and the standard log: no schedule, the do-nothing action.
open_dialog
click 52 101  # the list job on again ...
click 52 101  # ... and off
click 52 27
click 16 178
close_with 1
expect_output "Next syncs: do nothing" "both off"
expect_fields "v3 0 4294967295 0 4" "both off"

# Reopened, the dialog shows what OK stored: the schedule box is off, so its list is disabled and
# a click on it changes nothing; OK keeps the file as it is.
cp "$prefs" "$work/before"
open_dialog
click 200 43
import -window "$wid" "$artifacts/settings-dialog-reopened.png" || fail "screenshot"
# "View log..." opens the debug log in notepad, beside the dialog.
click 219 190
nid=$(find_window "^kvrtdebuglog.txt - Notepad\$")
[ -n "$nid" ] || fail "View log... opened no notepad with the debug log"
import -window "$nid" "$artifacts/view-log-notepad.png" || true
focus "$nid"
xdotool key alt+F4
for _ in $(seq 50); do xdotool search --onlyvisible --name "kvrtdebuglog" >/dev/null 2>&1 || break; sleep 0.2; done
xdotool search --onlyvisible --name "kvrtdebuglog" >/dev/null 2>&1 && fail "notepad did not close"
close_with 1
cmp -s "$prefs" "$work/before" || fail "reopening and OK changed KVRTPrefs.txt"

echo "PASS"
