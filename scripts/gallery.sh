#!/usr/bin/env bash
# Builds the skin gallery, shows it skinned on a private Xvfb display and takes a
# screenshot of it into docs/skin-gallery.png (ImageMagick's import).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

QZM_PACKAGES+=(imagemagick)
qzm_install_packages
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
fi
cmake --build "$BUILD" -j"$(nproc)" --target skin_gallery

qzm_start_display
trap 'qzm_stop_wine; qzm_stop_display' EXIT
qzm_prepare_wine "$BUILD"
# Without a window manager on the display, Wine draws the dialog's caption and frame
# itself only for windows it does not leave to one.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\AppDefaults\skin_gallery.exe\X11 Driver' \
    /v Managed /d N /f </dev/null >/dev/null 2>&1

ready="$BUILD/gallery-ready.txt"
rm -f "$ready"
/usr/lib/wine/wine64 "$BUILD/gallery/skin_gallery.exe" --ready "Z:$ready" \
    </dev/null >"$BUILD/gallery.log" 2>&1 &
gallery=$!
for _ in $(seq 600); do
    [ -s "$ready" ] && break
    kill -0 "$gallery" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$ready" ]; then
    echo "The gallery did not come up (see $BUILD/gallery.log)" >&2
    exit 1
fi
read -r x y width height <"$ready"
mkdir -p "$ROOT/docs"
import -window root -crop "${width}x${height}+${x}+${y}" +repage "$ROOT/docs/skin-gallery.png"
wait "$gallery" || true
echo "Wrote docs/skin-gallery.png (${width}x${height})"
