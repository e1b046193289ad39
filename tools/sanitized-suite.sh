#!/usr/bin/env bash
# Builds everything into the sanitized tree of tools/configure-sanitized.sh (clang, ASan+UBSan)
# and runs the whole ctest suite there under a virtual display. Arguments go to ctest (e.g.
# -R test_program). Without any, the tests that measure real time (those holding the "realtime"
# resource lock) run after the others, one at a time: a sanitized tree loaded by the rest of
# the suite misses their bounds. The large upload then runs on its own: it measures its peak
# memory, so the allocator's quarantine of freed blocks is lowered for it from 256 to 32 MB.
# Leaks are not reported: Qt, fontconfig and the web engine keep blocks for the process's life.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$("$root/tools/configure-sanitized.sh")
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
cd "$build"
suite() { xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j"$(nproc)" "$@"; }
large='^test_youtube_large_upload$'
if [ $# -gt 0 ]; then
    suite "$@"
    exit
fi
# The names of the tests holding the realtime lock, as one ctest regex.
realtime=$(ctest --show-only=json-v1 | python3 -c '
import json, sys
tests = json.load(sys.stdin)["tests"]
def locks(t):
    for p in t.get("properties", []):
        if p["name"] == "RESOURCE_LOCK":
            return p["value"]
    return []
print("|".join("^%s$" % t["name"] for t in tests if "realtime" in locks(t)))')
status=0
suite -E "$large|$realtime" || status=$?
suite -R "$realtime" -j1 || status=$?
ASAN_OPTIONS=$ASAN_OPTIONS:quarantine_size_mb=32 suite -R "$large" || status=$?
exit "$status"
