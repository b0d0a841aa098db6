# Shared steps of scripts/test.sh and scripts/demo.sh; sourced, not run.

QZM_PACKAGES=(cmake g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 libwine xvfb xauth
    googletest pulseaudio pulseaudio-utils gstreamer1.0-plugins-base
    gstreamer1.0-plugins-good gstreamer1.0-libav fonts-wqy-microhei lame)

qzm_install_packages() {
    local missing=()
    for p in "${QZM_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

qzm_configure_and_build() {
    local build="$1"; shift
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" "$@"
    fi
    cmake --build "$build" -j"$(nproc)"
}

qzm_prepare_wine() {
    local build="$1"
    export WINEPREFIX="$build/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix (once)"
        /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w
    fi
    # Wine's services inherit the first process's output; started here with
    # their output sent away, they cannot keep ctest waiting on a pipe.
    /usr/lib/wine/wineserver -p 2>/dev/null || true # already running is fine
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
}

qzm_stop_wine() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
}

qzm_start_audio() {
    local build="$1"
    export XDG_RUNTIME_DIR="$build/xdg-runtime"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    if ! pactl info >/dev/null 2>&1; then
        pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
            --load="module-null-sink sink_name=nullsink" \
            --load=module-native-protocol-unix >/dev/null 2>&1 || true
    fi
}
