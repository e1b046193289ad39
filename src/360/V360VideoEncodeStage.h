#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "BufferInfo.h"
#include "VideoColour.h"

class FFMpegEncoder360G;

// The silent H.264 video of a job, encoded on a thread of its own: frames are encoded in the
// order they are handed over, one time-stamp step each, so the codec works while the next
// frames are rendered.
//
// 1. open: the encoder on the file, with the colour of the job's frames (caller's thread).
// 2. encode: a rendered buffer joins the queue; once its picture is read, `taken` hands it
//    back (the codec goes on with its own copy): a YUV picture is read by the codec itself,
//    by reference, a BGRA one is converted into the encoder's frame.
// 3. finish: after the queued frames, the codec is drained and the file closed; then `ended`
//    with 0 or -12 when a frame was refused.
// stop() (and the destructor) hands the queued buffers back unencoded and drops the frames
// the codec still holds, also in the middle of a drain: the file is left incomplete, for a
// caller that removes it, and `ended` is not called. It waits for at most the frame being
// encoded. The callbacks run on the stage's thread.
class V360VideoEncodeStage {
  public:
    // result: 0, or -12 once the codec has refused a frame.
    using Taken = std::function<void(BufferInfo* buffer, int result)>;
    using Ended = std::function<void(int result)>;

    // comment: the container's "comment" entry, none when empty.
    V360VideoEncodeStage(QString path, int width, int height, int bitRate, QString comment);
    ~V360VideoEncodeStage();
    V360VideoEncodeStage(const V360VideoEncodeStage&) = delete;
    V360VideoEncodeStage& operator=(const V360VideoEncodeStage&) = delete;

    // 0, or the encoder's set-up code (nothing is started then).
    int open(const VideoColour& colour, Taken taken, Ended ended);
    bool isOpen() const { return worker.joinable(); }
    // Any thread; the buffer is borrowed until `taken`.
    void encode(BufferInfo* buffer);
    void finish();
    void stop();

  private:
    void run();
    bool waitForWork(BufferInfo** buffer);
    void encodeOne(BufferInfo* buffer);
    void noteFailure(int result);

    const QString path;
    const int width;
    const int height;
    const int bitRate;
    const QString comment;
    std::unique_ptr<FFMpegEncoder360G> encoder;  // the worker's once started
    Taken taken;
    Ended ended;
    std::thread worker;
    int error = 0;  // the worker's

    // Set under lock (the worker waits on it there); the drain reads it between packets.
    std::atomic<bool> stopping{false};

    // Guarded by lock.
    std::mutex lock;
    std::condition_variable wake;
    std::deque<BufferInfo*> queue;
    bool finishing = false;
};
