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

qzm_configure() {
    local build="$1"; shift
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" "$@"
    fi
}

# The build runs a program of its own under Wine (it draws the icon file), so
# it comes after the prefix is ready. Extra arguments go to cmake --build.
qzm_build() {
    local build="$1"; shift
    cmake --build "$build" -j"$(nproc)" "$@"
}

# Starts a private Xvfb display for this run. Wine's desktop process takes
# its display from the first Wine process, so the display must be there
# before Wine starts at all.
qzm_start_display() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        QZM_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && return 0
            sleep 0.1
        done
        kill "$QZM_XVFB_PID" 2>/dev/null || true
    done
    echo "Could not start Xvfb" >&2
    return 1
}

qzm_stop_display() {
    [ -n "${QZM_XVFB_PID:-}" ] && kill "$QZM_XVFB_PID" 2>/dev/null || true
}

qzm_prepare_wine() {
    local build="$1"
    export WINEPREFIX="$build/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    # A server left running (persistent, or from a run without this display)
    # would make the waits below endless and hand out windows that cannot be
    # shown: start afresh.
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix (once)"
        /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
        timeout 120 /usr/lib/wine/wineserver -w || true
    fi
    if [ ! -f "$WINEPREFIX/.qzm-fonts" ]; then
        # A fresh prefix has no Chinese fonts: link the UI fonts to WenQuanYi
        # and let 宋体 stand for it, as a Chinese Windows would provide them.
        # The Unix locale must be UTF-8 for Wine to read the Chinese name.
        local link="HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink"
        local face
        for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
            /usr/lib/wine/wine64 reg add "$link" /v "$face" /t REG_MULTI_SZ \
                /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1 || true
        done
        for face in "SimSun" "宋体"; do
            LC_ALL=C.UTF-8 /usr/lib/wine/wine64 reg add "HKCU\\Software\\Wine\\Fonts\\Replacements" \
                /v "$face" /d "WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1 || true
        done
        timeout 60 /usr/lib/wine/wineserver -w || true
        touch "$WINEPREFIX/.qzm-fonts"
    fi
    # Wine's services inherit the first process's output; started here with
    # their output sent away, they cannot keep ctest waiting on a pipe.
    /usr/lib/wine/wineserver -p
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
            --load=module-native-protocol-unix >/dev/null 2>&1 && QZM_PULSE_STARTED=1
    fi
}

# Stops the sound server only if this run started it.
qzm_stop_audio() {
    [ -n "${QZM_PULSE_STARTED:-}" ] && pulseaudio -k >/dev/null 2>&1 || true
}

# Everything a run under Wine needs: packages, a display, sound, the prefix
# and a build; torn down again when the calling script exits.
qzm_prepare_run() {
    local build="$1"
    qzm_install_packages
    qzm_configure "$build"
    qzm_start_display
    trap 'qzm_stop_wine; qzm_stop_audio; qzm_stop_display' EXIT
    qzm_start_audio "$build"
    qzm_prepare_wine "$build"
    qzm_build "$build"
}
