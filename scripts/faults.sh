#!/usr/bin/env bash
# Measures what the tests catch: puts each planted fault of
# scripts/faults/planted.json into the sources in turn, builds, runs every test
# and prints which tests caught it (about two minutes a fault; name fault ids
# to run only those). Each source file is put back before the next fault.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

if [[ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]]; then
    echo "faults.sh changes source files while it runs: commit or stash your changes first" >&2
    exit 1
fi
command -v python3 >/dev/null || { echo "faults.sh needs python3" >&2; exit 1; }

qzm_prepare_run "$BUILD"
# As in test.sh: the first windowed process of a fresh prefix, out of the way.
/usr/lib/wine/wine64 "$BUILD/tests/query/music_xml_tests.exe" --gtest_filter='MusicXml.Decodes*' \
    </dev/null >/dev/null 2>&1 || true
python3 "$ROOT/scripts/faults.py" "$ROOT" "$BUILD" "$@"
