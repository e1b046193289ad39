// Encodes a raw file of packed BGRA frames with one of our H.264 encoders, reading one frame at a
// time, as the ffmpeg command reads its input: the whole process is what the encode benchmark
// times against that command.
// Usage: bench_media_encode_file 360G|video FRAMES.bgra WIDTHxHEIGHT OUT.mp4
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "FFMpegEncoder360G.h"
#include "FFMpegVideoEncoder.h"

namespace {

// Feeds every whole frame of `in` to `encode`; the number of frames.
template <typename Encode>
int feedFrames(std::ifstream& in, size_t frameBytes, Encode encode) {
    std::vector<unsigned char> frame(frameBytes);
    int count = 0;
    while (
        in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frameBytes))) {
        encode(frame.data());
        ++count;
    }
    return count;
}

int encode360G(std::ifstream& in, const char* out, int w, int h) {
    FFMpegEncoder360G enc(out, w, h, 6250000, nullptr);
    int frames = 0;
    if (enc.getInitError() == 0)
        frames = feedFrames(in, size_t(w) * h * 4,
                            [&](const unsigned char* p) { enc.encodeArgbData(p, 1); });
    enc.endEncode();
    return frames;
}

int encodeVideo(std::ifstream& in, const char* out, int w, int h) {
    FFMpegVideoEncoder enc;
    if (enc.init(out, w, h, true, 27, 6250000, 0) != 0) return 0;
    const int frames =
        feedFrames(in, size_t(w) * h * 4, [&](const unsigned char* p) { enc.encode(p, 0); });
    enc.close();
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    int w = 0, h = 0;
    if (argc != 5 || std::sscanf(argv[3], "%dx%d", &w, &h) != 2 || w < 1 || h < 1) {
        std::fprintf(stderr, "usage: %s 360G|video FRAMES.bgra WIDTHxHEIGHT OUT.mp4\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const bool is360G = std::strcmp(argv[1], "360G") == 0;
    const int frames = is360G ? encode360G(in, argv[4], w, h) : encodeVideo(in, argv[4], w, h);
    return frames > 0 ? 0 : 1;
}
