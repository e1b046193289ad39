#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer and runs it for a while with its dictionary.
#
#   fuzz/run.sh TARGET SECONDS      (TARGET: one of the targets in README.md)
#
# New inputs go to build-fuzz/fuzz/work/TARGET; a crashing input is written to
# fuzz/crashers/TARGET/, where the replay test picks it up once it is committed. The last line
# gives the runs, the executions a second, the new inputs and the crashers of the run.
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
"$root/tools/install-deps.sh"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags="$flags -fno-omit-frame-pointer -g"
mkdir -p "$build"
# Two runs started together take turns at the build.
(
    flock 9
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DRV_FUZZ_ENGINE=ON >/dev/null
    cmake --build "$build" -j6 --target "fuzz_$target"
) 9>"$build/.build.lock"
work=$build/fuzz/work/$target
crashers=$here/crashers/$target
mkdir -p "$work/corpus" "$crashers"
cat "$here/dict/numbers.dict" "$here/dict/$target.dict" >"$work/all.dict"
before=$(find "$crashers" -type f | wc -l)
cd "$work"
status=0
"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
    -dict="$work/all.dict" -print_final_stats=1 -artifact_prefix="$crashers/" \
    "$work/corpus" "$here/corpus/$target" 2>"$work/fuzz.log" || status=$?
stat() { sed -n "s/^stat::$1: *//p" "$work/fuzz.log" | tail -1; }
after=$(find "$crashers" -type f | wc -l)
echo "$target: ${seconds} s, runs $(stat number_of_executed_units), exec/s" \
    "$(stat average_exec_per_sec), new inputs $(stat new_units_added)," \
    "crashers $((after - before)) (log: $work/fuzz.log)"
exit $status
