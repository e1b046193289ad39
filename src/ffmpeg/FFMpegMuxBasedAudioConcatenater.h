#pragma once

#include <cstdint>

#include "FFMpegHandles.h"

// Joins the audio streams of several files into one file by packet copy (no re-encoding).
// A source whose codec, rate or channel count differ from the first one's is refused. Logs with the
// tag "ffmpegMBACnctntr". Results: 0, -6 out of memory, -12 any other failure, -10001 when the
// output is not open.
class FFMpegMuxBasedAudioConcatenater {
  public:
    // Creates `output` (container from its name) and copies the audio of `firstSource` into
    // it. On a failure the output is closed and the object stays not open (see getInitError).
    FFMpegMuxBasedAudioConcatenater(const char* output, const char* firstSource);
    // Closes the output when still open.
    ~FFMpegMuxBasedAudioConcatenater();

    FFMpegMuxBasedAudioConcatenater(const FFMpegMuxBasedAudioConcatenater&) = delete;
    FFMpegMuxBasedAudioConcatenater& operator=(const FFMpegMuxBasedAudioConcatenater&) = delete;

    // 0 when the constructor opened the output and copied the first source, else its code.
    int getInitError() const;
    // Copies the audio of `path` after what was written so far.
    int append(const char* path);
    // Writes the trailer and closes the output; 0, the mapped code of a failed trailer, or
    // -10001 when not open.
    int close();

    // Writes `seconds` of sound to `destination`: `source` repeated, the last part cut
    // (through `piece`, a temporary file that is removed). -12 when the source has no
    // length, `seconds` is not above 0 or asks for over 100000 copies. On a failure nothing
    // is left at `destination`.
    static int generate(const char* source, const char* piece, const char* destination,
                        double seconds);

  private:
    int copyPackets(const char* path);

    // Output, null when not open.
    ffh::OutputFormatPtr output;
    // Next time stamp, in the output stream's time base; none before the first packet.
    int64_t nextPts = AV_NOPTS_VALUE;
    int initError = 0;
};
