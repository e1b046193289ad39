#!/bin/sh
# Regenerates video/sample.mov, the encoder probe's clip: a test pattern inside a lens circle on
# black (fisheye-like), 256x256 (width a multiple of 8), 5 frames at 27 fps, H.264, no sound.
set -e
cd "$(dirname "$0")"
circle='lte(hypot(X-W/2,Y-H/2),W*0.46)'
ffmpeg -v error -y -f lavfi -i "testsrc2=size=256x256:rate=27:duration=0.15" \
    -vf "format=yuv420p,geq=lum='if($circle,lum(X,Y),16)':cb='if($circle,cb(X,Y),128)':cr='if($circle,cr(X,Y),128)'" \
    -c:v libx264 -preset veryfast -crf 30 -threads 1 -pix_fmt yuv420p -an \
    -fflags +bitexact -flags:v +bitexact -map_metadata -1 video/sample.mov
