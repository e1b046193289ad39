#pragma once

// View-angle thumbnails shared by the 360 photo and video utilities: a fisheye picture dewarped
// to an equirectangular intermediate (width x 360 / viewAngle wide, half as high) and cropped to
// the view angle, or an equirectangular picture cropped directly.

#include <QImage>

class View360Thumbnail {
  public:
    // Returned for a view angle outside (0, 360] or a non-positive size.
    static constexpr int kBadRequest = -22;

    static bool isValidRequest(int width, int height, int viewAngle);
    // Equirectangular intermediate width for a thumbnail width and view angle.
    static int equirectWidth(int width, int viewAngle);
    // A w x h ARGB32 image over a new buffer filled with opaque black; the image frees it.
    static QImage newBlackImage(int w, int h);
    // `src` (BGRA, packed rows, w x h) a fisheye picture: lens circle in the middle, radius
    // min(w, h) / 2 given as radius x 14/15, turned by rot.
    static QImage fromFisheye(const void* src, int w, int h, const double rot[3][3], int width,
                              int height, int viewAngle);
    static QImage fromEquirect(const void* src, int w, int h, int width, int height, int viewAngle);
};
