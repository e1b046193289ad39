#!/usr/bin/env bash
# Configures a clang tree with AddressSanitizer and UndefinedBehaviorSanitizer, any finding
# fatal, and the tests' time limits tripled for the slower code: build-sanitize/ (or
# $RV_SANITIZE_BUILD), whose path it prints.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${RV_SANITIZE_BUILD:-$root/build-sanitize}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DRV_TEST_TIMEOUT_SCALE=3 >/dev/null
echo "$build"
