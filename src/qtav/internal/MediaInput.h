#pragma once

#include <QString>

#include "FFMpegHandles.h"
#include "StreamDecoder.h"

namespace QtAV {

// An open media file with the decoders of its best video and (optionally)
// audio stream. Times are in seconds from the file's start time. Used by one
// thread at a time; may be handed from one thread to another between uses.
class MediaInput {
public:
    // Opens the file and its streams. False, with `error` set, when the file
    // cannot be opened or has neither a decodable video nor audio stream.
    bool open(const QString& path, bool withAudio, QString* error);

    AVFormatContext* format() const { return input.get(); }
    int videoIndex() const { return video; }
    int audioIndex() const { return audio; }
    StreamDecoder& videoDecoder() { return videoDec; }
    StreamDecoder& audioDecoder() { return audioDec; }
    // Media duration in seconds, 0 when unknown.
    double duration() const { return durationSec; }
    // Start time of the file in seconds; frame times are relative to it.
    double origin() const { return originSec; }
    // Average frame duration of the video stream in seconds (1/30 when unknown).
    double frameInterval() const { return interval; }

    // Seeks to the last key frame at or before `seconds` (see origin()).
    bool seek(double seconds);

private:
    ffh::InputFormatPtr input;
    StreamDecoder videoDec;
    StreamDecoder audioDec;
    int video = -1;
    int audio = -1;
    double durationSec = 0;
    double originSec = 0;
    double interval = 1.0 / 30;
};

}  // namespace QtAV
