#!/usr/bin/env bash
# Runs every fuzz target briefly on its seed corpus (fuzz/corpus/<name>/); a crash fails the run.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-8}
status=0
shopt -s nullglob
for exe in build/fuzz/bin/fuzz_*; do
  name=${exe##*/fuzz_}
  seeds=fuzz/corpus/$name
  work=build/fuzz/corpus/$name
  mkdir -p "$work"
  echo "-- $name (${seconds}s)"
  if ! "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
       -artifact_prefix=build/fuzz/ "$work" $( [ -d "$seeds" ] && echo "$seeds" ) \
       >build/fuzz/$name.log 2>&1; then
    echo "fuzz target $name failed; see build/fuzz/$name.log"
    tail -n 40 build/fuzz/$name.log
    status=1
  fi
done
exit $status
