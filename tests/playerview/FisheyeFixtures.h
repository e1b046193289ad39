#pragma once

#include <cstdint>
#include <vector>

#include "VideoFrame.h"

// Small fisheye frames for the view and snapshot tests (bytes B, G, R, A, rows packed).
namespace FisheyeFixtures {

// 256x256 with the lens circle at (128, 128), radius 120.
const int kSize = 256;
const float kCenter = 128.0f;
const float kRadius = 120.0f;

// Each pixel codes its own position: R = x, G = y, B = 255, A = 255.
std::vector<uint32_t> codedPixels();
// Every pixel the same opaque colour.
std::vector<uint32_t> uniformPixels(uint32_t argb);

QtAV::VideoFrame frameOf(const std::vector<uint32_t>& pixels, int width = kSize,
                         int height = kSize);

// Whether a coded pixel (as 0xAARRGGBB) is a source pixel, and its position.
bool isCoded(uint32_t argb);
double codedX(uint32_t argb);
double codedY(uint32_t argb);

}  // namespace FisheyeFixtures
