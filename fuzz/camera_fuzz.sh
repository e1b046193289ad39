#!/usr/bin/env bash
# Builds the camera reader fuzz targets with clang and libFuzzer (address and undefined
# behaviour sanitizers) and runs each for SECONDS seconds (default 180) over its corpus.
# Needs fuzz/CMakeLists.txt to include camera.cmake. New inputs found are kept in the corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}
build=build-fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B $build -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DRV_LIBFUZZER=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
targets=$(sed -n '/set(camera_fuzz_targets/,/)/p' fuzz/camera.cmake | tr -d '()' |
          sed 's/set camera_fuzz_targets//' | xargs)
cmake --build $build -j"$(nproc)" --target $(printf 'fuzz_%s ' $targets)
for t in $targets; do
    mkdir -p fuzz/corpus/$t
    ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" \
        -max_len=4096 -rss_limit_mb=2048 fuzz/corpus/$t 2>&1 | tail -n 3
done
