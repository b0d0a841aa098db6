#!/usr/bin/env bash
# Builds like scripts/test.sh and runs the benchmarks under Wine; each one
# prints its own figures. An argument picks one by name: scripts/bench.sh player
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

qzm_prepare_run "$BUILD"

find "$BUILD/bench" -name "${1:-*}_bench.exe" | sort | while read -r bench; do
    echo "== $(basename "$bench")"
    /usr/lib/wine/wine64 "$bench" </dev/null 2>&1 || echo "($(basename "$bench") failed)"
done
