#!/usr/bin/env bash
# Configures build/ (RelWithDebInfo; extra arguments go to cmake). A new tree uses Ninja, whose
# build with nothing to do takes well under a second; an existing tree keeps its generator.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
[ -f build/CMakeCache.txt ] || generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
