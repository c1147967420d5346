#!/usr/bin/env bash
# Runs one synchronization on sample data (filled in as the jobs arrive).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "demo: nothing to synchronize yet"
