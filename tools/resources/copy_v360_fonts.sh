#!/bin/sh
# Copies the free fonts that the text overlays name into the embedded resources.
# Rerunnable; needs the Debian package fonts-dejavu-core.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$root/resources/font"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "$root/resources/font/kenyan_coffee.ttf"
