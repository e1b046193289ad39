#pragma once

// How the YUV samples of a video stream relate to colours: the matrix, the
// primaries, the transfer and the range, as FFmpeg's AVColorSpace,
// AVColorPrimaries, AVColorTransferCharacteristic and AVColorRange values.
// Plain values; any thread.

struct VideoColour {
    int matrix;
    int primaries;
    int transfer;
    int range;

    // BT.709 in limited range: what pictures without a stated colour are taken to be.
    static VideoColour bt709();
    // The colour a decoder reads a stream with: its stated values, an
    // unstated matrix by the frame size (BT.709 for HD, else BT.601), unstated
    // primaries and transfer after the matrix, and limited range unless full
    // range is stated.
    static VideoColour readAs(int matrix, int primaries, int transfer, int range, int width,
                              int height);

    bool operator==(const VideoColour& other) const;
    bool operator!=(const VideoColour& other) const { return !(*this == other); }
};
