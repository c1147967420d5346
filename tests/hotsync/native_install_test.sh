#!/usr/bin/env bash
# The Linux installation: cmake --install into a fresh prefix, the installed conduit registered
# with one command, and the installed hotsync runs it.
# Usage: native_install_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/usr" >"$work/out" 2>&1 || fail "cmake --install: $(cat "$work/out")"
hotsync=$work/usr/bin/hotsync
lib=$(cd "$work/usr" && ls -d lib*/libKVRTConduit.so 2>/dev/null | head -1)
[ -x "$hotsync" ] || fail "no bin/hotsync installed"
[ -n "$lib" ] || fail "no libKVRTConduit.so installed"
for f in libSYNC20.so libHSLOG20.so libUserData.so libPalmCmn.so libCondMgr.so libHSAPI.so libKVRTConduitLANG.so; do
  [ -f "$work/usr/$(dirname "$lib")/$f" ] || fail "$f was not installed beside the conduit"
done
# The set-up record stays inside the test.
export XDG_CONFIG_HOME=$work/config
hs() { "$hotsync" --root "$work/root" "$@" >"$work/out" 2>&1; }
hs setup || fail "setup: $(cat "$work/out")"
grep -q "^Path=$work/usr/bin\$" "$XDG_CONFIG_HOME/reelbox-hotsync/Core.txt" || fail "setup recorded no Path"
hs user add Alice || fail "user add"
hs conduits install "$work/usr/$lib" || fail "conduits install: $(cat "$work/out")"
hs conduits || fail "conduits"
grep -Eq "^KVRT +2 +Reelbox .*$work/usr/$lib\$" "$work/out" || fail "KVRT is not listed: $(cat "$work/out")"
hs install || fail "install: $(cat "$work/out")"
[ -d "$work/root/Alice/Cinevane" ] || fail "no Cinevane folder"
# The feeds may be unreachable here: status 4 is fine.
hs sync
status=$?
[ "$status" = 0 ] || [ "$status" = 4 ] || fail "sync exited $status: $(cat "$work/out")"
grep -q "Sync Started" "$work/out" || fail "the sync did not run the installed conduit: $(cat "$work/out")"
echo "the installed hotsync runs the installed conduit"
