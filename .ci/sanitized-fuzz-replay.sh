#!/usr/bin/env bash
# Replays every fuzz target's corpus and kept crashers under a clang ASan+UBSan build, so that
# a silent overflow or a bad read fails like a crash. Only the replay targets are built, into
# the sanitized tree of tools/configure-sanitized.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$("$root/tools/configure-sanitized.sh")
cmake --build "$build" -j"$(nproc)" --target fuzz_replays
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" -R '^fuzz_replay_'
