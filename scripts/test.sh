#!/usr/bin/env bash
# Installs what is missing, builds for Windows with MinGW-w64 and runs every
# test under Wine (Xvfb for windows, PulseAudio's null sink for sound).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

qzm_install_packages
qzm_configure_and_build "$BUILD"
qzm_start_display
trap 'qzm_stop_wine; qzm_stop_display' EXIT
qzm_start_audio "$BUILD"
qzm_prepare_wine "$BUILD"

cd "$BUILD"
ctest --output-on-failure --timeout 180 -j2 "$@"
