#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under Wine.
# PREFIX is the build folder's own Wine prefix, used unless WINEPREFIX is set
# already (scripts/test.sh sets it and starts wineserver before ctest runs);
# Wine creates it on first use.
prefix="$1"
shift
: "${WINEPREFIX:=$prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
