#pragma once

#include "List.h"

// Joins the picture of a video file and the sound of an audio file into one file (container
// from the output name) by packet copy: stream 0 is the video, stream 1 the audio, and all
// video packets are written before all audio packets, so an MP4 output holds the boxes
// ftyp, free, mdat, moov in this order. Logs with the tag "ffmpegAVMuxer".
class FFMpegAVMuxer {
  public:
    // 0; -7 when the video file has no video stream; -12 any other failure, also when the
    // copy of either stream stopped before its end.
    static int mux(const char* audio, const char* video, const char* output);
    // The same, with container metadata: when both lists have the same size above 0, each
    // key gets the value at its index. The strings are borrowed for the call.
    static int mux(const char* audio, const char* video, const char* output,
                   const List<const char*>& keys, const List<const char*>& values);
};
