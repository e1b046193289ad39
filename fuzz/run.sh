#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer and runs it for a while.
#
#   fuzz/run.sh TARGET SECONDS      (TARGET: one of the targets in README.md)
#
# New inputs go to build-fuzz/fuzz/work/TARGET; a crashing input is written to
# fuzz/crashers/TARGET/, where the replay test picks it up once it is committed.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 TARGET SECONDS" >&2
    exit 2
fi
target=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${RV_FUZZ_BUILD:-$root/build-fuzz}
"$root/tools/install-deps.sh" "$here/packages.txt"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags="$flags -fno-omit-frame-pointer -g"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DRV_FUZZ_ENGINE=ON >/dev/null
cmake --build "$build" -j6 --target "fuzz_$target"
work=$build/fuzz/work/$target
mkdir -p "$work/corpus" "$here/crashers/$target"
cd "$work"
exec "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
    -artifact_prefix="$here/crashers/$target/" "$work/corpus" "$here/corpus/$target"
