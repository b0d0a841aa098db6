#!/usr/bin/env bash
# Installs what is missing, builds the tool with the demo service's address
# compiled in, starts the service and opens the tool on this display.
#
#   scripts/demo.sh             the tool for you to use (a private Xvfb display
#                               and --headless when there is no DISPLAY)
#   scripts/demo.sh --headless  runs the demo without a person under Xvfb: the
#                               sample query, the first song for a moment, the
#                               failing song's notice; prints the table, saves
#                               screenshots to build/demo/ and exits 0
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
PORT=18080 # the demo build's compiled-in service port (QZM_DEMO_PORT)
source "$ROOT/scripts/env.sh"

HEADLESS=""
[ "${1:-}" = "--headless" ] && HEADLESS=1
[ -z "${DISPLAY:-}" ] && HEADLESS=1

qzm_install_packages
qzm_configure "$BUILD"
if [ -n "$HEADLESS" ]; then
    qzm_start_display
fi
trap 'kill "${SERVICE_PID:-0}" 2>/dev/null || true; qzm_stop_wine; qzm_stop_audio; qzm_stop_display' EXIT
qzm_start_audio "$BUILD"
qzm_prepare_wine "$BUILD"
qzm_build "$BUILD" --target QzoneMusicDemo demo_service demo_driver

/usr/lib/wine/wine64 "$BUILD/demo/demo_service.exe" "$PORT" "Z:$ROOT/tests/data/tone.mp3" \
    </dev/null >"$BUILD/demo/service.log" 2>&1 &
SERVICE_PID=$!
for _ in $(seq 300); do
    (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break
    kill -0 "$SERVICE_PID" 2>/dev/null || { cat "$BUILD/demo/service.log"; exit 1; }
    sleep 0.1
done

if [ -n "$HEADLESS" ]; then
    # Wine's output goes to a file, never down a pipe (see scripts/env.sh).
    status=0
    /usr/lib/wine/wine64 "$BUILD/demo/demo_driver.exe" "Z:$BUILD/demo/QzoneMusicDemo.exe" \
        "Z:$BUILD/demo" </dev/null >"$BUILD/demo/driver.log" 2>&1 || status=$?
    cat "$BUILD/demo/driver.log"
    [ "$status" -eq 0 ] || exit "$status"
    echo "Screenshots: $BUILD/demo/main-window.png $BUILD/demo/context-menu.png $BUILD/demo/notice.png"
else
    echo "The QQ box holds the sample number 123456789: press 查询 or Enter."
    /usr/lib/wine/wine64 "$BUILD/demo/QzoneMusicDemo.exe" </dev/null
fi
