#!/bin/sh
# Copies the free Debian fonts that the program embeds into resources/font
# under the names its resource file gives them. Rerun after a font update.
set -e
here=$(cd "$(dirname "$0")/../.." && pwd)
out="$here/resources/font"
mkdir -p "$out"
# The proportional face of the IPA Gothic pair: its Latin letters are not fixed-width.
cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf "$out/Hiragino Kaku Gothic Pro W6.otf"
cp /usr/share/fonts/truetype/croscore/Arimo-Regular.ttf "$out/Frutiger.ttf"
cp /usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf "$out/Calibri Regular.ttf"
cp /usr/share/fonts/truetype/croscore/Arimo-Bold.ttf "$out/Frutiger_bold.ttf"
cp /usr/share/fonts/truetype/crosextra/Carlito-Bold.ttf "$out/Calibri Bold.TTF"
