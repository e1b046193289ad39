#pragma once

#include <cstdint>

// The largest picture the program decodes. The camera records a few thousand pixels a side;
// a file that states more is refused as broken before anything of its picture size is
// allocated. The media layer checks the size a file's container states and the size its probe
// finds when it opens the file, for every user (the decoders, playback and still frames, the
// lens-circle search); its decoders refuse a larger picture found later inside a stream; the
// playback layer makes no frame above the limit either.
class PictureLimits {
  public:
    // Pixels a side, inclusive.
    static constexpr int kMaxSide = 8192;
    // Pixels of one picture, inclusive: the bound for sizes found only inside a stream.
    static constexpr int64_t kMaxPixels = int64_t(kMaxSide) * kMaxSide;

    // Whether a picture of `width` x `height` pixels may be decoded: no side above kMaxSide.
    // A side not known yet (0 or less) passes; the decoders then hold the picture to kMaxPixels.
    static constexpr bool allows(int width, int height) {
        return width <= kMaxSide && height <= kMaxSide;
    }
};
