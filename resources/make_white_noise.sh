#!/bin/sh
# Regenerates audio/whiteNoise.mp3: 10 s of white noise from FFmpeg's noise source, stereo
# 44100 Hz, MP3 at 128 kbit/s, bit-exact so that a rerun gives the same bytes.
set -e
cd "$(dirname "$0")"
ffmpeg -v error -y -f lavfi -i "anoisesrc=color=white:sample_rate=44100:amplitude=0.1:duration=10:seed=360" \
    -ac 2 -c:a libmp3lame -b:a 128k -fflags +bitexact -flags:a +bitexact -map_metadata -1 \
    -id3v2_version 0 -write_xing 0 audio/whiteNoise.mp3
