#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test, then replays
# the fuzz regression cases under a clang ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
./tools/configure.sh
cmake --build build -j"$(nproc)"
export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
(cd build && xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j"$(nproc)" "$@")
./.ci/sanitized-fuzz-replay.sh
