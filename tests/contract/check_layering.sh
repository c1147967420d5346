#!/usr/bin/env bash
# Fails when a folder of the conduit includes a header of a folder above it. The order, lowest
# first: platform < diag < device < movies < textfiles < events, mymovies < conduit (events and
# mymovies do not include each other). resources/ is a library of its own and includes nothing.
# Usage: check_layering.sh SOURCE_DIR
set -uo pipefail
src="$1/src"
rank() {
  case "$1" in
    platform) echo 0 ;; diag) echo 1 ;; device) echo 2 ;; movies) echo 3 ;; textfiles) echo 4 ;;
    events|mymovies) echo 5 ;; conduit) echo 6 ;; *) echo -1 ;;
  esac
}
failed=0
while IFS= read -r line; do
  file=${line%%:*}
  from=${file#"$src"/}
  from=${from%%/*}
  to=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
  rf=$(rank "$from") rt=$(rank "$to")
  [ "$rt" -ge 0 ] && [ "$rf" -ge 0 ] || continue
  if [ "$rt" -gt "$rf" ] || { [ "$rt" -eq "$rf" ] && [ "$from" != "$to" ]; }; then
    echo "FAIL: ${file#"$1"/} includes $to/ (above $from/): ${line#*:}"
    failed=1
  fi
done < <(grep -rHE '^\s*#\s*include "[a-z_]+/' "$src" --include='*.cpp' --include='*.h')
[ $failed -eq 0 ] && echo "every include of src/ points down"
exit $failed
