#pragma once

// Operations on 32-bit pixel buffers (bytes B, G, R, A; rows packed, stride = width x 4) and on
// 8-bit planes (one byte a pixel, rows packed). Rectangles are clipped once per call; pixels
// outside the target are never touched. Reentrant: calls on different buffers may run at once.
class BlendUtil {
  public:
    // plane[i] = byte 0 of pixel i.
    static void extractSingleChannel(void* src, int width, int height, void* plane);
    // Byte 3 of pixel i = plane[i].
    static void setAlphaLayer(void* buffer, int width, int height, void* plane);
    // Byte 3 of every pixel = alpha.
    static void setAlpha(void* buffer, int width, int height, unsigned char alpha);
    // The rectangle (x, y, w, h), clipped to the buffer, gets (b0, b1, b2, 255).
    static void fillColor(void* buffer, int width, int height, int b0, int b1, int b2, int x, int y,
                          int w, int h);
    // Blends the srcW x srcH buffer onto dst with its top-left corner at (x, y), clipped to
    // dst: colour = (src x a + dst x (255 - a)) / 255 truncated, alpha = a when keepSrcAlpha,
    // else 255.
    static void blendPiP(void* dst, int dstW, int dstH, void* src, int x, int y, int srcW, int srcH,
                         bool keepSrcAlpha);
};
