#pragma once

#include <string>
#include <vector>

#include "TripRecord.h"

// Writes playable recordings the way the camera lays them out:
//
// 1. encodeClip: a fisheye H.264 clip (a test pattern seen through the
//    210-degree lens, whose whole field fills the lens circle; black outside
//    it) with an AAC sine tone,
//    made by the ffmpeg tool into a QuickTime file whose "moov" comes last.
//    The picture is drawn in RGB and stored as BT.709 video range, tagged so.
// 2. addTripData: one "freeGPS" block per record as top-level "free" boxes
//    placed before "moov", and the "gps " index box appended as the last
//    child of "moov". Media offsets do not move, so the file still plays.
namespace recording {

struct ClipOptions {
    int width = 320;   // even, pixels
    int height = 320;  // even, pixels
    int seconds = 3;
    int fps = 30;
    bool audio = true;
    // An ffmpeg colour name ("red") for a plain picture instead of the lens pattern.
    std::string solidColor;
    // The lens circle: its centre on the pixel grid (x, y: the corner between
    // pixels x - 1 and x, so the frame centre of an even frame is
    // (width / 2, height / 2)) and its radius, which spans 105 degrees from
    // the lens axis. Negative values: the frame centre, and lensCircleRadius.
    int lensX = -1;
    int lensY = -1;
    int lensRadius = -1;
};

// The smallest side whose lens circle the lens-circle search finds: below it the
// test pattern inside a circle so small holds stronger rings.
const int kMinSide = 160;

// The radius of the camera's circle in a frame of this size: 0.47 of the
// smaller side, rounded; from kMinSide up held inside the radii the
// lens-circle search tries (it halves the frame and tries half widths less 30
// to less 11), a pixel of the half frame away from either end.
int lensCircleRadius(int width, int height);

// The radius the clip of `options` draws its lens circle with.
int lensRadiusOf(const ClipOptions& options);

// The ffmpeg tool used: the one beside the running program, else "ffmpeg".
std::string ffmpegTool();

// Encodes the clip to `path`; false with the tool's message in `error`.
bool encodeClip(const std::string& path, const ClipOptions& options, std::string* error = nullptr);

// Adds the records to an existing clip whose last top-level box is "moov".
// `blockSize` (>= 64) is the size of each block box.
bool addTripData(const std::string& path, const std::vector<TripRecord>& records,
                 int blockSize = 4096, std::string* error = nullptr);

// encodeClip, then addTripData with one record per second of makeTrip.
bool writeRecording(const std::string& path, const ClipOptions& options,
                    std::string* error = nullptr);

}  // namespace recording
