#!/usr/bin/env bash
# Installs what is missing, builds the program and the recording generator (not the tests and
# benchmarks: ./test.sh builds everything), and starts the program. On the first start (no
# folder remembered yet) it writes a sample card folder of generated recordings into the home
# folder and remembers it. RV_MAPS_API_KEY, when set, is the map panel's maps script key (the
# program reads it at start).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
# A configured tree re-configures itself when a CMakeLists.txt changes.
[ -f build/CMakeCache.txt ] || ./tools/configure.sh
cmake --build build -j"$(nproc)" --target Ravlix360Player make_recordings
program=build/app/Ravlix360Player

data="${XDG_DATA_HOME:-$HOME/.local/share}/QUENDRA TRELLIQ"
settings="$data/setting.ini"
if ! grep -qs '^LAST_DIR_PATH=' "$settings"; then
    card="$HOME/QUENDRA TRELLIQ sample card"
    generator=$(find build/tools/recording -name make_recordings -type f -perm -u+x | head -n 1)
    "$generator" "$card" >/dev/null
    mkdir -p "$data"
    if ! grep -qs '^\[General\]' "$settings"; then
        printf '[General]\n' >>"$settings"
    fi
    sed -i "/^\[General\]/a LAST_DIR_PATH=\"$card\"" "$settings"
    echo "Wrote sample recordings to $card"
fi
# The web engine will not start as root with its sandbox (containers, fresh machines); other
# users keep it.
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec "$program"
