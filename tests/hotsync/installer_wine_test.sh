#!/usr/bin/env bash
# Reelbox-Setup.exe under Wine, silent (/S), against the stand-in HotSync manager set up in a
# folder of its own (no conduit in it), in a Wine prefix of the test's own (the set-up writes
# HKEY_CURRENT_USER): no manager gives status 2 and changes nothing; an installation registers
# KVRT with the installed file and prepares every user's folder, and a sync runs that conduit; a
# second installation leaves one registration; the uninstaller removes the registration and the
# program files and keeps the users' data; KVRT registered to another file gives status 3 and
# changes nothing. Every Wine program runs in a process group of its own, at most 60 s.
# Usage: installer_wine_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 source=$2
bin=$build/bin
setup=$build/Reelbox-Setup.exe
wine_run=$source/scripts/wine-run
[ -f "$setup" ] || { echo "FAIL: $setup was not built (makensis: Debian's nsis, scripts/install-deps.sh)"; exit 1; }

work=$(mktemp -d)
export WINEPREFIX=$work/prefix
export REELBOX_WINE_HOME=$work/home
groups=()
cleanup() {
  for g in "${groups[@]}"; do kill -KILL -- "-$g" >/dev/null 2>&1 || true; done
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Runs a Wine program in a process group of its own; its output in $work/out, its status returned.
w() {
  setsid timeout 60 "$wine_run" "$@" >"$work/out" 2>&1 &
  local pid=$!
  groups+=("$pid")
  wait "$pid"
}
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
root=$work/root
hs() { w "$work/manager/hotsync.exe" --root "$(winpath "$root")" "$@"; }
installed="$WINEPREFIX/drive_c/Program Files/Reelbox"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Reelbox'

# A copy of the build's prefix is a fresh one for this test (making one takes far longer).
if [ -f "$build/wineprefix/system.reg" ]; then
  cp -a "$build/wineprefix" "$WINEPREFIX"
  rm -f "$WINEPREFIX"/wineserver* 2>/dev/null
fi
mkdir -p "$work/manager" "$REELBOX_WINE_HOME"
for f in hotsync.exe SYNC20.dll HSLOG20.dll UserData.dll PalmCmn.dll CondMgr.dll HSAPI.dll; do
  cp "$bin/$f" "$work/manager/" || fail "$f was not built"
done

# No manager set up: status 2, nothing installed.
w "$setup" /S
status=$?
[ "$status" = 2 ] || fail "without a manager the installer exited $status, not 2"
[ ! -e "$installed" ] || fail "without a manager the installer copied files"

hs setup || fail "hotsync setup: $(cat "$work/out")"
hs user add Alice >/dev/null || fail "user add Alice"
hs user add "Bob Jones" >/dev/null || fail "user add Bob Jones"
# A user whose folder has gone: that user's folder cannot be made, the others still get theirs.
hs user add Carl >/dev/null || fail "user add Carl"
rm -rf "$root/Carl"

# Installation.
w "$setup" /S
status=$?
[ "$status" = 0 ] || fail "the installer exited $status"
[ -f "$installed/KVRTConduit.dll" ] && [ -f "$installed/KVRTConduitLANG.DLL" ] || fail "the conduit was not copied"
hs conduits
grep -Eq '^KVRT +2 +Reelbox +Cinevane +C:\\Program Files\\Reelbox\\KVRTConduit.dll' "$work/out" ||
  fail "hotsync conduits does not list KVRT with the installed file: $(cat "$work/out")"
for user in Alice "Bob Jones"; do
  [ -d "$root/$user/Cinevane" ] || fail "user $user has no Cinevane folder"
done
[ ! -e "$root/Carl" ] || fail "the installer made a folder for a user whose folder had gone"
w reg query "$uninstall_key" /v UninstallString || fail "no entry in the list of installed programs"

# A sync runs the installed conduit (the feeds may be unreachable here: status 4 is fine).
hs --user Alice sync
status=$?
[ "$status" = 0 ] || [ "$status" = 4 ] || fail "hotsync sync exited $status: $(cat "$work/out")"
grep -q 'Sync Started' "$work/out" || fail "the sync did not run the conduit: $(cat "$work/out")"
[ -f "$root/Alice/Cinevane/kvrtsynclog.txt" ] || fail "the installed conduit wrote no sync log"
echo "the user's own file" >"$root/Alice/Cinevane/MyNotes.txt"

# Again: an upgrade or repair, one registration.
w "$setup" /S
status=$?
[ "$status" = 0 ] || fail "the second installation exited $status"
[ "$(grep -c '^KVRT' "$root/Conduits.txt")" = 1 ] || fail "KVRT is registered more than once: $(cat "$root/Conduits.txt")"

# Uninstallation: it hands over to a copy of itself, so the prefix's programs are waited for.
w "$installed/Uninstall.exe" /S
status=$?
[ "$status" = 0 ] || fail "the uninstaller exited $status"
timeout 60 wineserver -w || fail "the uninstaller did not end within 60 s"
hs conduits
grep -q '^KVRT' "$work/out" && fail "KVRT is still registered after the uninstallation"
[ ! -e "$installed" ] || fail "program files are left: $(ls "$installed")"
[ -f "$root/Alice/Cinevane/kvrtsynclog.txt" ] && [ -f "$root/Alice/Cinevane/MyNotes.txt" ] ||
  fail "the uninstaller removed the user's data"
w reg query "$uninstall_key" && fail "the entry in the list of installed programs stays"

# KVRT held by another conduit: status 3, nothing changed.
mkdir -p "$work/other"
cp "$bin/KVRTConduit.dll" "$bin/KVRTConduitLANG.DLL" "$work/other/"
hs conduits install "$(winpath "$work/other/KVRTConduit.dll")" || fail "conduits install: $(cat "$work/out")"
cp "$root/Conduits.txt" "$work/registered-before"
w "$setup" /S
status=$?
[ "$status" = 3 ] || fail "with KVRT held by another file the installer exited $status, not 3"
cmp -s "$root/Conduits.txt" "$work/registered-before" || fail "the refused installation changed the registrations"
[ ! -e "$installed" ] || fail "the refused installation copied files"

[ $failed -eq 0 ] && echo "the installer installs, upgrades, refuses and uninstalls as it should"
exit $failed
