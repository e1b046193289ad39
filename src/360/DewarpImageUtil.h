#pragma once

#include "DIU_DewarpedImage.h"
#include "List.h"

// How a fisheye offset (dx, dy) from the circle centre lands in the picture.
enum DIU_FrontDirection : int {
    DIU_FRONT_NORMAL = 0,    // (cx + dx, cy + dy)
    DIU_FRONT_QUARTER = 1,   // (cx + dy, cy - dx)
    DIU_FRONT_HALF = 2,      // (cx - dx, cy - dy)
    DIU_FRONT_3QUARTER = 3,  // (cx - dy, cy + dx); also any other value
};

// Moves pictures between the flat little-planet plane and an equirectangular frame, and between
// an equirectangular frame and a fisheye circle, on the processor.
//
// Pixels are 32-bit BGRA words, rows packed, sampled nearest; a position outside the source
// gives 0 (0xFFFFFFFF in reverseToFisheye), never a read outside the buffer. Angles are in
// degrees: pitch tilts the picture, yaw turns it about the vertical.
//
// The lens state (front direction, covered angle) is this class's own, separate from the fisheye
// dewarp's; it is set once per process and only the fisheye operations need it. Everything else
// is reentrant. Buffers and pieces handed out belong to the caller.
class DewarpImageUtil {
  public:
    // Stores the lens state; once set, later calls change nothing.
    static void setCameraParameters(DIU_FrontDirection dir, float coveredDegree);

    // Plane point (x, y) of a W x H plane to a point of the W x H equirectangular frame.
    static void translateToDewarpCoord(float x, float y, float pitch, float yaw, int W, int H,
                                       float& ex, float& ey);
    // Frame point to plane point; the projection pole gives (0, 0).
    static void reverseFromDewarpCoord(float x, float y, float pitch, float yaw, int W, int H,
                                       float& px, float& py);

    // Projects the srcW x srcH picture, centred on the plane, into a W x H frame; appends one
    // piece, or two (left one first) when it crosses the frame's left and right edge. Returns
    // 0, or -4 for a bad size or buffer (nothing appended).
    static int dewarp(const char* src, int srcW, int srcH, int W, int H, float pitch, float yaw,
                      List<DIU_DewarpedImage*>& out);
    // As above, always one piece: two are joined right piece first, at the right piece's
    // position, so its columns run past the frame's right edge. *out is null on error.
    static int dewarp(const char* src, int srcW, int srcH, int W, int H, float pitch, float yaw,
                      DIU_DewarpedImage** out);

    // Flat views of a w x h window of an equirectangular frame; left and top are the window's
    // offsets in degrees (longitude, latitude from the top), vSpan and hSpan its extent in
    // degrees. Each returns 0, or -4 for a bad size, span or buffer (nothing written).
    // Sized by the projection of the window; *out is new[]'d, the caller delete[]s it.
    static int dewarpProjection(const char* src, int w, int h, float left, float top, float vSpan,
                                float hSpan, char** out, int& outW, int& outH);
    // w x h view of the window's plane extent; *out is new[]'d, the caller delete[]s it.
    static int dewarpProjectionSlow(const char* src, int w, int h, float left, float top,
                                    float vSpan, float hSpan, char** out);
    // The largest view centred on the window that stays inside it, into the caller's w x h
    // buffer; a quarter is mapped and mirrored.
    static int dewarpProjection(const char* src, int w, int h, float left, float top, float vSpan,
                                float hSpan, char* out);
    // As above, mapped at every second column and row and averaged between.
    static int dewarpProjectionBilinear(const char* src, int w, int h, float left, float top,
                                        float vSpan, float hSpan, char* out);
    // The same view straight from a fisheye picture through rot (the window spans 1000 x 1000
    // virtual pixels) into the caller's outW x outH buffer; -1 without the lens state.
    static int dewarpProjectionBilinear(const char* fisheye, int srcW, int srcH, float cx, float cy,
                                        float radius, float (*rot)[3], float left, float top,
                                        float vSpan, float hSpan, int outW, int outH, char* out);

    // Equirectangular point (x, y) of a W x H frame to the fisheye pixel (fx, fy) through rot;
    // (-1, -1) outside the lens or without the lens state.
    static void translateToFisheyeCoord(float x, float y, int W, int H, float cx, float cy,
                                        float radius, float (*rot)[3], int& fx, int& fy);
    // Renders a fisheye circle (outW x outH, pre-filled with 0xFF bytes) from the W x H
    // equirectangular picture; hands back the circle it used. -1 without the lens state, -4 for
    // a bad size or buffer, else 0.
    static int reverseToFisheye(void* equirect, void* fisheye, int W, int H, double (*rot)[3],
                                int outW, int outH, double& cx, double& cy, double& radius);
};

// Inverse of a 3x3 matrix (adjugate over determinant); a singular matrix gives zeros.
void inverse_matrix(double in[3][3], float out[3][3]);

// The equirectangular pixel seen at fisheye pixel (pixel[0], pixel[1]) of the circle (cx, cy,
// radius) through the inverse rotation inv, or 0xFFFFFFFF outside the circle or the picture.
unsigned pixel_Stupid_re(unsigned* equirect, int W, int H, float cx, float cy, float radius,
                         float (*inv)[3], float* pixel);
