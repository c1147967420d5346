#!/usr/bin/env bash
# Builds the benchmarks without sanitizers (build/bench, Release) and runs each one.
# With arguments, runs only the named benchmarks (e.g. scripts/bench.sh movies_list).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in bench/*.cpp; do n=${src##*/}; names+=("${n%.cpp}"); done
fi
targets=()
for n in "${names[@]}"; do targets+=("bench_$n"); done
cmake --build build/bench -j"${JOBS:-2}" --target "${targets[@]}"
for n in "${names[@]}"; do
  echo "== $n"
  ./build/bench/bin/"bench_$n"
done
