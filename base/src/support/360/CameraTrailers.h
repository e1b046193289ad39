#pragma once

#include "TrailerBlock.h"

// Readers of the text records that the camera families put in the last 512 bytes of their
// files. Paths are NUL-terminated UTF-8. Errors are logged with the tag "file360". Outputs are
// left unchanged on failure unless stated.
//
// Result codes: 0 success, -30 cannot open, -7 tag absent (also a file shorter than 512
// bytes), -2 tag too long or empty, -8 too few fields, -13 separator error or too few fields.

// The "UQOLens{" video trailer: a..c = fields 1..3, d, e = fields 4, 5 / 10000, f = field 6,
// flag = field 7 is present and 1. Field 0 is the length of the attitude block before it.
int getUQOLensVideoInfo(const char* path, int& a, int& b, int& c, float& d, float& e, int& f,
                        bool& flag);
// The "UQOLensPhoto{" photo trailer: q = fields 0..3 / 100000, a..c = fields 4..6, d, e =
// fields 7, 8 / 10000, f = field 9, flag = field 10 is 1. f = 180 and flag = false first.
int getUQOLensPhotoInfo(const char* path, int& a, int& b, int& c, float& d, float& e, float q[4],
                        int& f, bool& flag);

// Decimal digits (at least one, within int) up to ',' or '}': 0 with the value and `next`
// after the separator, else -1 with both unchanged.
int parseIntAndAdvance(char* text, int* value, char** next);

// The lens circle from the "UQOCam" attachment (when it has one) or the "}Vintaro360" end tag,
// in pixels. 0, -30, -7, -2, -8, -13.
int getVintaro360CircleInfo(const char* path, double* cx, double* cy, double* r);
// The same; on any failure the frame's fallback circle (centre, radius min(w, h) / 2 x 14 / 15)
// and ResultCode::kFallbackCircle.
int getVintaro360CircleInfo(const char* path, int w, int h, double* cx, double* cy, double* r);
int getVintaro360CircleInfo(const char* path, int w, int h, float* cx, float* cy, float* r);
