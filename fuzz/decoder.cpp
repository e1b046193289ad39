// The frame-exact decoder on an arbitrary file: open, read, seek, read. The last byte picks
// the seek target.
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include "FFMpegDecoder360G.h"
#include "FuzzFile.h"

namespace {

const int kFramesBeforeSeek = 4;
const int kFramesAfterSeek = 3;
// Pictures above this are not decoded: memory, not correctness, would be tested.
const long long kMaxPixels = 1LL << 22;

// Reads up to `count` frames; false once the decoder gives none.
bool readFrames(FFMpegDecoder360G& decoder, int count) {
    for (int i = 0; i < count; ++i) {
        AVFrame** cell = decoder.readNextVideoFrame();
        if (!cell) return false;
        av_frame_unref(*cell);
        av_frame_free(cell);
        delete cell;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    if (size == 0) return 0;
    const std::string path = FuzzFile::write(data, size);
    if (path.empty()) return 0;
    FFMpegDecoder360G decoder;
    if (decoder.initWithFilePath(path.c_str()) != 0) return 0;
    decoder.getVideoDuration();
    decoder.getAudioDuration();
    decoder.getTotalVideoFrames();
    const char* value = nullptr;
    decoder.getMetadataEntry("creation", &value);
    if ((long long)decoder.getVideoWidth() * decoder.getVideoHeight() > kMaxPixels) return 0;
    readFrames(decoder, kFramesBeforeSeek);
    const double target = (data[size - 1] % 64) / 30.0 - 0.1;
    if (decoder.seekTo(target) == 0) readFrames(decoder, kFramesAfterSeek);
    return 0;
}
