#!/usr/bin/env bash
# Installs what is missing, builds the tool with the demo service's address
# compiled in, starts the service and runs the tool on this display (or on a
# private Xvfb display when there is none).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-demo}"
PORT="${DEMO_PORT:-18080}"
source "$ROOT/scripts/env.sh"

qzm_install_packages
qzm_configure "$BUILD" -DQZM_SERVICE_BASE="http://127.0.0.1:$PORT"

if [ -z "${DISPLAY:-}" ]; then
    echo "No DISPLAY: running on a private Xvfb display."
    qzm_start_display
fi
trap 'kill "${SERVICE_PID:-0}" 2>/dev/null || true; qzm_stop_wine; qzm_stop_audio; qzm_stop_display' EXIT
qzm_start_audio "$BUILD"
qzm_prepare_wine "$BUILD"
qzm_build "$BUILD" --target QzoneMusic demo_service

/usr/lib/wine/wine64 "$BUILD/demo/demo_service.exe" "$PORT" </dev/null &
SERVICE_PID=$!
sleep 1
echo "Type any QQ number of 5 to 10 digits and press 查询."
/usr/lib/wine/wine64 "$BUILD/app/QzoneMusic.exe" </dev/null
