#pragma once

#include <cstdint>
#include <optional>

// A lens circle found in the examined (half-size) image: centre column and row and radius in
// pixels, and how many of the 360 sampled circle points lie on edge pixels (0 to 360).
struct CircleInfo {
    int32_t centerX = 0;
    int32_t centerY = 0;
    int32_t radius = 0;
    int32_t score = 0;

    // The acceptance rule shared by every caller of the search. `found` comes from an image of
    // `width` x `height`; it is accepted when its centre lies at most 30 px from the image
    // centre in each axis and its score is at least 60. Returns 0 with the circle doubled into
    // full-frame pixels in *full (score kept), or -1 with *full zeroed.
    static int toFullFrame(const std::optional<CircleInfo>& found, int width, int height,
                           CircleInfo* full);
};
