#!/usr/bin/env bash
# Builds like scripts/test.sh and runs every benchmark under Wine (or those
# whose names contain an argument: scripts/bench.sh query); each one prints
# its own figures.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

qzm_prepare_run "$BUILD"

find "$BUILD/bench" -name '*_bench.exe' | sort | while read -r bench; do
    if [ $# -gt 0 ]; then
        wanted=""
        for name in "$@"; do [[ "$(basename "$bench")" == *"$name"* ]] && wanted=1; done
        [ -n "$wanted" ] || continue
    fi
    echo "== $(basename "$bench")"
    /usr/lib/wine/wine64 "$bench" </dev/null 2>&1 || echo "($(basename "$bench") failed)"
done
