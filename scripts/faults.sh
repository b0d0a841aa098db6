#!/usr/bin/env bash
# Measures what the tests catch: puts each planted fault of
# scripts/faults/planted.json into the sources in turn, builds, runs every test
# and prints which tests caught it (about two minutes a fault; name fault ids
# to run only those). Each source file is put back before the next fault.
# Ends with what each test catches, and which faults only one test catches.
#   scripts/faults.sh --summary LOG...   the same table from earlier runs' output
#                                        (parts of the set run in turn or side by side)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build}"
source "$ROOT/scripts/env.sh"

command -v python3 >/dev/null || { echo "faults.sh needs python3" >&2; exit 1; }
if [[ "${1:-}" == --summary ]]; then
    exec python3 "$ROOT/scripts/faults.py" "$ROOT" "$BUILD" "$@"
fi
if [[ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]]; then
    echo "faults.sh changes source files while it runs: commit or stash your changes first" >&2
    exit 1
fi

qzm_prepare_run "$BUILD"
# As in test.sh: the first windowed process of a fresh prefix, out of the way.
/usr/lib/wine/wine64 "$BUILD/tests/query/music_xml_tests.exe" --gtest_filter='MusicXml.Decodes*' \
    </dev/null >/dev/null 2>&1 || true
python3 "$ROOT/scripts/faults.py" "$ROOT" "$BUILD" "$@"
