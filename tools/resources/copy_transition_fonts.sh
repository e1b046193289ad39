#!/bin/sh
# Copies the free font that the wipe-centre title names into the embedded resources.
# Rerunnable; needs the Debian package fonts-dejavu-core.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$root/resources/font"
cp /usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf "$root/resources/font/blkchcry.ttf"
