#!/usr/bin/env bash
# The settings dialog as a terminal form: `hotsync configure` runs in a tmux pane of 80 x 24;
# the test types keys, reads the screen, and checks "KVRTPrefs.txt" and the action the conduit
# answered.
# Usage: terminal_tmux_test.sh BIN_DIR
set -uo pipefail
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
title="Cinevane Synchronization Settings"
command -v tmux >/dev/null || { echo "SKIP: no tmux"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/reelbox-tty.XXXXXX")
socket="reelbox-dialog-$$"
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "  screen:"
  sed 's/^/  | /' "$work/screen" 2>/dev/null
  sed 's/^/  hotsync: /' "$work/out" 2>/dev/null
  exit 1
}


root="$work/root"
folder="$root/Tester/Cinevane"
prefs="$folder/KVRTPrefs.txt"
hs() { "$bin/hotsync" --root "$root" --conduit "$bin/libKVRTConduit.so" "$@"; }
hs user add Tester >"$work/out" 2>&1 || fail "user add"
hs install >"$work/out" 2>&1 || fail "install"

screen() { tmux -L "$socket" capture-pane -p -t dialog >"$work/screen" 2>/dev/null; }
wait_screen() {  # waits until the screen shows the text
  for _ in $(seq 100); do
    screen
    grep -qF -- "$1" "$work/screen" && return 0
    sleep 0.1
  done
  fail "the screen never showed '$1'"
}
open_form() {
  rm -f "$work/status" "$work/out"
  tmux -L "$socket" new-session -d -s dialog -x 80 -y 24 \
    "PAGER=cat '$bin/hotsync' --root '$root' --conduit '$bin/libKVRTConduit.so' configure >'$work/out' 2>&1; echo \$? >'$work/status'; sleep 30"
  wait_screen "$title"
}
keys() {
  tmux -L "$socket" send-keys -t dialog "$@"
  sleep 0.15
}
close_form() {  # waits for hotsync to end after the last key
  for _ in $(seq 100); do [ -f "$work/status" ] && break; sleep 0.1; done
  [ -f "$work/status" ] || fail "the form did not close"
  status=$(cat "$work/status")
  tmux -L "$socket" kill-session -t dialog 2>/dev/null
}
fields() { python3 "$here/prefs_fields.py" "$prefs"; }
expect_fields() {
  local got
  got=$(fields)
  [ "$got" = "$1" ] || fail "$2: KVRTPrefs.txt holds '$got', expected '$1'"
}
expect_output() {
  grep -Eq -- "$1" "$work/out" || fail "$2: hotsync did not say /$1/"
}

# Defaults on screen; the schedule off and on again, the list two rows up through its open list,
# the list job off, the full audit; Enter on a check box is OK.
open_form
for text in "[x] Ruzur Ezezov" "[once per week" "[x] Dever Ororido Import/Export" \
            "(*) Standard log" "( ) Full activity audit (slower)" "v2.0 (0044)"; do
  grep -qF -- "$text" "$work/screen" || fail "the opened form lacks '$text'"
done
grep -qF -- "Tab/Shift-Tab move  Space select" "$work/screen" || fail "the form shows no key help"
keys Space
wait_screen "Movie Event Synchronization is disabled."
keys Space Tab Enter
wait_screen "|during each sync"
keys Up Up Enter
wait_screen "each time the mobile device is synchronized."
keys Tab Space
wait_screen "Ri Verid Import/Export is disabled."
keys Tab Tab Space
wait_screen "(*) Full activity audit (slower)"
keys BTab BTab BTab BTab Enter
close_form
[ "$status" = 0 ] || fail "OK: hotsync exit status $status"
expect_output "Next syncs: synchronize" "OK"
expect_fields "v3 1 0 0 8" "OK"

# View log shows the debug log in the pager and comes back; Escape cancels and writes nothing.
printf 'the debug log\r\n' >"$folder/kvrtdebuglog.txt"
cp "$prefs" "$work/before"
open_form
grep -qF -- "(*) Full activity audit (slower)" "$work/screen" || fail "reopened form lost the audit"
grep -qF -- "[ ] Dever Ororido Import/Export" "$work/screen" || fail "reopened form lost the list job"
keys Space Tab Tab Tab Tab Enter
wait_screen "$title"
keys Escape
close_form
cmp -s "$prefs" "$work/before" || fail "Escape changed KVRTPrefs.txt"
expect_output "cancelled; nothing changed" "Escape"

# Too small a terminal: the form says what it needs instead of a cut-off form, and takes no key
# but Escape until it fits again.
open_form
tmux -L "$socket" resize-window -t dialog -x 50 -y 10
wait_screen "needs at least"
grep -qF -- "The terminal is 50 x 10" "$work/screen" || fail "the small terminal's size is not named"
keys Space Enter
[ -f "$work/status" ] && fail "a key ended the form while it could not be seen"
tmux -L "$socket" resize-window -t dialog -x 80 -y 24
wait_screen "$title"
grep -qF -- "[ ] Ruzur Ezezov" "$work/screen" && fail "Space reached the hidden form"
keys Escape
close_form
expect_output "cancelled; nothing changed" "Escape after a resize"

# The schedule off as well (the list job is off already) and OK through its button: no
# schedule, the do-nothing action.
open_form
keys Space
wait_screen "Movie Event Synchronization is disabled."
keys BTab BTab Space  # Cancel, then back to OK
close_form
[ "$status" = 0 ] || fail "both off: hotsync exit status $status"
expect_output "Next syncs: do nothing" "both off"
expect_fields "v3 0 4294967295 0 8" "both off"

echo "PASS"
