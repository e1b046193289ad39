#!/bin/sh
# Times both H.264 encoders (bench_media_encode) and the ffmpeg command with the same settings on
# the same BGRA frames, in alternating rounds, and prints the medians and the ratios
# (ours / ffmpeg, below 1 means we are faster).
# Usage: encode_vs_ffmpeg.sh BUILD_DIR [WIDTH HEIGHT FRAMES ROUNDS]
set -eu
build=${1:?build folder}
w=${2:-2880} h=${3:-1440} frames=${4:-54} rounds=${5:-5}
bench="$build/bench/media/bench_media_encode"
dir=$(mktemp -d /tmp/rvencode-XXXXXX)
trap 'rm -rf "$dir"' EXIT
raw="$dir/frames.bgra"
ffmpeg -v error -f lavfi -i "testsrc2=s=${w}x${h}:r=27,noise=alls=12:allf=t" \
    -frames:v "$frames" -pix_fmt bgra -f rawvideo "$raw"

now() { date +%s.%N; }
# Seconds one ffmpeg command takes for the frames: preset and GOP as the encoder it stands for.
peer() {
    start=$(now)
    ffmpeg -v error -y -f rawvideo -pix_fmt bgra -s "${w}x${h}" -r 27 -i "$raw" \
        -sws_flags bicubic -pix_fmt yuv420p -c:v libx264 -preset "$1" -b:v 6250000 -g "$2" \
        -bf 0 -profile:v high -level 5.1 "$dir/peer.mp4"
    echo "$(now) - $start" | bc
}
# Seconds our encoder takes (the benchmark's wall time of one round).
ours() {
    RV_ENCODE_FRAMES="$raw" RV_ENCODE_SIZE="${w}x${h}" "$bench" --benchmark_filter="^$1/" \
        --benchmark_format=csv 2>/dev/null | awk -F, '/^"/ { printf "%.3f\n", $3 / 1000 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for r in $(seq "$rounds"); do
    peer medium 12 >>"$dir/peer360G"
    ours encode360G >>"$dir/ours360G"
    peer veryfast 15 >>"$dir/peerVideo"
    ours encodeVideoEncoder >>"$dir/oursVideo"
done
for e in 360G Video; do
    o=$(median <"$dir/ours$e") p=$(median <"$dir/peer$e")
    echo "$e: ours $o s, ffmpeg $p s, ratio $(echo "scale=3; $o / $p" | bc) ($frames frames ${w}x${h})"
done
