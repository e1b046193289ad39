#pragma once

#include <QString>

// The last steps of a job: the sound muxed with the silent video, then the result copied to
// the output path with the spherical-video box (or plainly). Synchronous; any thread.
class V360MuxStage {
  public:
    // sound muxed with pureVideo into muxedVideo with the comment (none when empty) as the
    // container's "comment"; the silent video is removed. 0 or the muxer's code (logged).
    static int mux(const QString& sound, const QString& pureVideo, const QString& muxedVideo,
                   const QString& comment);
    // muxedVideo to outputPath, with the spherical-video box when `spatial`: 0, the box
    // writer's code, or -12 when the plain copy fails (logged).
    static int copyToOutput(const QString& muxedVideo, const QString& outputPath, bool spatial);
};
