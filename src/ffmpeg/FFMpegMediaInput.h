#pragma once

// An open media file: its container, its best video stream and, for
// playback, its best audio stream, each with an open decoder. Times are in
// seconds unless named ticks (the video stream's time base).
// Read it in one of two ways:
// - frame by frame: receiveFrame() reads packets and decodes the video
//   stream itself (one thread);
// - by packets: a demuxer reads format() and hands the packets to the
//   decoders, each used by one thread at a time.
// Failures are logged at error level under the tag given to the
// constructor (none without a tag); failure() holds a short message.

#include <string>

#include "FFMpegCodecDecoder.h"
#include "FFMpegHandles.h"

class FFMpegMediaInput {
  public:
    // tag: log tag, null for no log; openFailedFormat: printf format of the
    // open failure, taking the path, the FFmpeg code and its text. Both are
    // borrowed and must outlive the object.
    explicit FFMpegMediaInput(const char* tag = nullptr,
                              const char* openFailedFormat = "Can not open %s: %d %s");

    // Video readers open in two steps so that they may choose the decoder:
    // 1. the file and its best video stream: 0, -30 missing file, -2 any
    //    other failure (all released);
    int openVideoStream(const char* path);
    // The decoder found for the stream in step 1.
    const AVCodec* foundDecoder() const { return foundDecoder_; }
    // 2. `decoder` with `threads` decoding threads (0 = one per core): 0, -2
    //    (all released), -3 the stream has no pixel format (kept until close).
    int openVideoDecoder(const AVCodec* decoder, int threads);

    // Playback and still frames: the file, its best video stream when its
    // decoder opens (four frame threads) and, when `withAudio`, its best audio stream likewise.
    // 0, -30 missing file, -2 no stream decodable or any other failure (all
    // released).
    // Both ways of opening fail with -2 when a video stream states a picture above
    // PictureLimits.
    int open(const char* path, bool withAudio);

    void close();
    // Message of the last failure, "" after a success.
    const std::string& failure() const { return failure_; }

    bool isOpen() const { return video_.isOpen() || audio_.isOpen(); }
    // Borrowed; null when closed.
    AVFormatContext* format() const { return format_.get(); }
    AVStream* stream() const { return videoStream_; }
    AVCodecContext* codec() const { return video_.context(); }
    // Stream indexes, -1 when the stream is not open.
    int videoIndex() const { return video_.isOpen() ? videoIndex_ : -1; }
    int audioIndex() const { return audio_.isOpen() ? audioIndex_ : -1; }
    FFMpegCodecDecoder& videoDecoder() { return video_; }
    FFMpegCodecDecoder& audioDecoder() { return audio_; }

    // Media duration: the container's, else the video stream's; 0 unknown.
    double duration() const;
    // Stream durations: the stream's own, else the container's; 0 unknown.
    double videoDuration() const { return videoDuration_; }
    double audioDuration() const { return audioDuration_; }
    // Start time of the file; playback frame times are relative to it.
    double origin() const { return origin_; }
    // Average frame duration of the video stream (1/30 when unknown).
    double frameInterval() const;

    // Next decoded video frame into `frame` (its old content is dropped): 0,
    // AVERROR_EOF once the stream is drained, or another negative code on a
    // read or decoding error. Every frame the codec holds at the end of the
    // file is handed out first; a failed read is not the end of the file: it
    // is returned at once, and again on every later call until a seek.
    int receiveFrame(AVFrame* frame);
    // Container seek to the key frame at or before `ticks`, then a fresh
    // decoder state for receiveFrame(): 0 or the FFmpeg error.
    int seekBackward(int64_t ticks);
    // Container seek to the key frame at or before `seconds` from origin(),
    // else the first one after. The callers flush the decoders (each on its
    // own thread). False when the container cannot seek.
    bool seek(double seconds);

    // Seconds to stream ticks, rounded as t x den / num + 0.5 truncated.
    int64_t secondsToTicks(double seconds) const;
    double ticksToSeconds(int64_t ticks) const;
    // A decoded frame's time in stream ticks: its best-effort time stamp,
    // else the time of the last video packet read.
    int64_t frameTicks(const AVFrame* frame) const;

    // As in the decoders' interfaces; 0 when nothing is open.
    int width() const;
    int height() const;
    double frameRate() const;
    int bitRate() const;
    int totalFrames() const;
    // 0 and *value (owned by the container), -7 no entry, -10001 not open.
    int metadataEntry(const char* key, const char** value) const;

  private:
    int openFile(const char* path);
    int selectVideo();
    int openAudio();
    int fail(int code, const std::string& message);
    // Fails with -2 for a picture above PictureLimits.
    int failTooLarge();
    int feedOnePacket();
    int failRead(int code);

    const char* tag_;
    const char* openFailedFormat_;
    std::string path_;
    std::string failure_;
    ffh::InputFormatPtr format_;
    ffh::PacketPtr packet_;
    FFMpegCodecDecoder video_;
    FFMpegCodecDecoder audio_;
    const AVCodec* foundDecoder_ = nullptr;
    AVStream* videoStream_ = nullptr;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    double videoDuration_ = 0.0;
    double audioDuration_ = 0.0;
    double origin_ = 0.0;
    // receiveFrame() state: container exhausted, drain packet sent, dts of
    // the last video packet read (stream ticks).
    bool endOfInput_ = false;
    bool drainSent_ = false;
    int readError_ = 0;  // the failed read that ended the stream, 0 for none
    int64_t lastPacketDts_ = AV_NOPTS_VALUE;
};
