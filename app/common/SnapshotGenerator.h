#pragma once

// Still images of the view modes from one fisheye frame, computed on the processor with the
// geometry of the dewarp shaders, exact trigonometry and nearest-pixel sampling.
//
// Sources and destinations are 32-bit pixels (bytes B, G, R, A), rows packed; the caller owns
// both and the destination holds dstW x dstH x 4 bytes. Directions outside the source give
// transparent black (0x00000000); dividers are white with alpha 0 (0x00FFFFFF). The lens
// centre and radius are in source pixels. Rows are shared out to the global thread pool's
// threads (at most its maxThreadCount, the calling thread included); the result does not
// depend on how many run. A null or empty source gives an all transparent black image; a
// null or empty destination is left alone.
class SnapshotGenerator {
  public:
    // Latitudes -60 to +15 degrees over all longitudes, in the rows |latitude| <= 37.5.
    static void snapshotPanorama(const unsigned char* src, int srcW, int srcH, unsigned char* dst,
                                 int dstW, int dstH, float centerX, float centerY, float radius);
    // Two halves of 180 degrees of longitude each, a 3-row white divider between them.
    static void snapshotHalf(const unsigned char* src, int srcW, int srcH, unsigned char* dst,
                             int dstW, int dstH, float centerX, float centerY, float radius);
    // Four quarters of 90 degrees, a 3-row and a 3-column white divider.
    static void snapshotQuarter(const unsigned char* src, int srcW, int srcH, unsigned char* dst,
                                int dstW, int dstH, float centerX, float centerY, float radius);
    // The angle view of `zoom` (the view's zoom level) and the view angles in degrees as
    // PlayerGLView::getGLViewerParams gives them (angleY already negated).
    static void snapshotAngle(const unsigned char* src, int srcW, int srcH, unsigned char* dst,
                              int dstW, int dstH, float centerX, float centerY, float radius,
                              float zoom, float angleX, float angleY);
    // The whole sphere as an equirectangular image.
    static void snapshot(const unsigned char* src, int srcW, int srcH, unsigned char* dst, int dstW,
                         int dstH, float centerX, float centerY, float radius);
};
