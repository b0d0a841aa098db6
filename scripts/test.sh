#!/usr/bin/env bash
# Installs what is missing, builds for Windows with MinGW-w64 and runs every
# test under Wine (Xvfb for windows, PulseAudio's null sink for sound).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

qzm_prepare_run "$BUILD"

cd "$BUILD"
ctest --output-on-failure --timeout 180 -j2 "$@"
