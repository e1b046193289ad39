#pragma once

// Fixtures and probes for the decoder and encoder tests: clips made with
// /usr/bin/ffmpeg whose frames carry their own index, read back with
// /usr/bin/ffprobe, and a logger that keeps every line.

#include <cstdint>
#include <string>
#include <vector>

#include "LogCapture.h"

namespace DecodeTest {

// Runs `program` with `args`; returns its standard output, or "" and sets
// *ok false when it cannot run or exits with a non-zero code.
std::string run(const std::string& program, const std::vector<std::string>& args,
                bool* ok = nullptr);

// Filter that paints frame N as 8 vertical bands, band b white when bit b
// of N is set (N < 256).
std::string indexFilter();

// A clip in `dir` made by ffmpeg with a lavfi colour source of `size`
// ("WxH"), `fps` and `seconds` and the further `inputs` (options and -i),
// passed through indexFilter() (a later -vf in `extra` replaces it), then
// `extra` (codec, tags, ...) before the output name. Empty on failure.
std::string makeClip(const std::string& dir, const std::string& name, const std::string& size,
                     int fps, double seconds, const std::vector<std::string>& extra,
                     const std::vector<std::string>& inputs = {});

// The index painted by indexFilter(), read from packed BGRA (green channel)
// or from a packed Y plane (`bytesPerPixel` 1); -1 when a band is unclear.
int frameIndex(const uint8_t* pixels, int width, int height, int bytesPerPixel = 4);

// Writes a packed BGRA picture showing `index` like indexFilter().
std::vector<uint8_t> indexPicture(int index, int width, int height);

// A 1 s AAC file "sound.m4a" in `dir`; its path.
std::string makeAudioOnly(const std::string& dir);

// A text file "notes.mov" in `dir` (not a movie); its path.
std::string makeTextMovie(const std::string& dir);

// An input a decoder must refuse: the code and the log line it gives.
struct OpenFailure {
    std::string path;
    int code;
    std::string line;
};

// A pipe and the folder `dir` itself, a missing file in it, the text movie
// and the audio-only file.
std::vector<OpenFailure> openFailures(const std::string& dir, const std::string& textMovie,
                                      const std::string& audioOnly);

// The value of "key=value" lines as ffprobe -of default=nw=1 prints them.
std::string probeValue(const std::string& probeOutput, const std::string& key);

// The shared log capture, at level DBG.
LogCapture& captureLog();

}  // namespace DecodeTest
