#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
program=build/app/Ravlix360Player
if [ ! -x "$program" ]; then
    echo "Built the libraries and tests; the program itself is not there yet."
    exit 0
fi
exec "$program"
