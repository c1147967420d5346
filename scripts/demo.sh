#!/usr/bin/env bash
# make demo: one synchronization on sample data, with the native build.
#
# Makes a fresh HotSync root in build/demo with the user "Demo User" and a handheld holding a few
# dozen movies in six categories, the import and export requests set on the handheld (merge mode)
# and three event lists whose feeds a small server on 127.0.0.1 serves. Places a sample import file
# (new, changed and duplicate lines) in the demo's documents folder, runs one synchronization, and
# shows where the export file, the conduit's logs and the HotSync log are and what changed on the
# handheld. Every run starts from scratch; the feed server is stopped on every way out.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bin=$top/build/native/bin
demo=$top/build/demo
user="Demo User"
documents=$demo/Documents

if [ ! -x "$bin/hotsync" ]; then
  echo "demo: $bin/hotsync is missing; run 'make build' first" >&2
  exit 1
fi

server_pid=
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
  fi
}
trap stop_server EXIT
trap 'exit 130' INT TERM

# --conduit runs the conduit of the build tree without registering it anywhere.
hs() { "$bin/hotsync" --root "$demo/root" --user "$user" --conduit "$bin/libKVRTConduit.so" "$@"; }
step() { printf '\n== %s\n' "$*"; }

rm -rf "$demo"
mkdir -p "$demo/root" "$documents" "$demo/feeds"

step "Feed server on 127.0.0.1"
python3 demo/make_feeds.py "$demo/feeds"
python3 demo/feed_server.py "$demo/feeds" "$demo/feed-port" &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$demo/feed-port" ] && break
  kill -0 "$server_pid" 2>/dev/null || { echo "demo: the feed server did not start" >&2; exit 1; }
  sleep 0.1
done
port=$(cat "$demo/feed-port")
echo "serving $demo/feeds at http://127.0.0.1:$port/cinevane/cal/"

step "HotSync user and handheld"
hs user add "$user"
hs install
handheld=$demo/root/$user/Handheld
python3 demo/make_handheld.py "$handheld" "127.0.0.1:$port"
# Export and import requested, conflict mode 2 (merge imported fields): 1 + 2 + (2 << 2) = 0x000b,
# stored big-endian in a version 1 record as the handheld application keeps it.
hs handheld prefs KVRT 4 1 000b
# The conduit's settings: movie list job on, event lists at every sync, full activity audit.
conduit=$demo/root/$user/Cinevane
python3 -c 'import struct,sys; open(sys.argv[1],"wb").write(struct.pack("<HHIIII",3,0,9,0,0,8).replace(b"\n",b"\r\n"))' \
  "$conduit/KVRTPrefs.txt"
cp demo/MyMoviesImport.tab demo/MyMovieFlags.txt "$documents/"
python3 demo/show_handheld.py "$handheld" >"$demo/handheld-before.txt"

step "Synchronization"
status=0
XDG_DOCUMENTS_DIR=$documents hs sync >"$demo/sync-output.txt" 2>&1 || status=$?
grep -v '^status: ' "$demo/sync-output.txt" | tr -d '\r' | grep -v '^ *$' | sed -n '/^HotSync log:/,$p'
python3 demo/show_handheld.py "$handheld" >"$demo/handheld-after.txt"
stop_server

step "What changed on the handheld (- before, + after)"
diff "$demo/handheld-before.txt" "$demo/handheld-after.txt" | grep '^[<>]' | sed 's/^</-/; s/^>/+/' || true

step "Where everything is"
cat <<EOT
export file     $documents/MyMoviesExport.tab ($(($(wc -l <"$documents/MyMoviesExport.tab") - 1)) movies)
import file     $documents/MyMoviesImport.tab
sync log        $conduit/kvrtsynclog.txt
debug log       $conduit/kvrtdebuglog.txt (every decision, with the full activity audit)
HotSync log     $demo/root/$user/HotSync Log.txt
handheld        $handheld
handheld prefs  $(hs handheld prefs KVRT 4 | tr '\n' ' ')(requests cleared, bit 4 set)
EOT
exit $status
