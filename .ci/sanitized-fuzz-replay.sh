#!/usr/bin/env bash
# Replays every fuzz target's corpus and kept crashers under a clang ASan+UBSan build, so that
# a silent overflow or a bad read fails like a crash. Only the replay targets are built, into
# build-sanitize/ (or $RV_SANITIZE_BUILD).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RV_SANITIZE_BUILD:-$root/build-sanitize}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_replays
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" -R '^fuzz_replay_'
