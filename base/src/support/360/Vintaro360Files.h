#pragma once

#include "List.h"
#include "QuaternionAttitude.h"
#include "Vintaro360SrcMediaInfo.h"

// Dash camera family files: version-1 eye files, camera file names and period strings.

// Reads a version-1 eye file (little-endian: version, flags, rate (67 means 66.666...),
// optional extra and offset, padding to 4 bytes, then 16-byte Q2.30 records stored as
// (w, -x, -y, -z)). Clears the list first. 0; -30 cannot open; -8 the header ends early (list
// empty, the rate set when it was read); -1 a zero rate (list empty).
int parseVintaro360EyeFile(const char* path, List<QuaternionAttitude>& list, int* offset,
                           double* rate);

// "P_20230102_030405.JPG", "LP_...JPG", "V_..._001.MP4", "LV_...MP4", "TL_...MP4" (at most 25
// characters): 0, else -8.
int getVintaro360SrcMediaInfo(const char* name, Vintaro360SrcMediaInfo* info);

// "P: <a>(<+|-><hh>:<mm>) <b>[,<c>]..." -> a, tz in seconds, b, c / 1000 (0 when absent).
// 0, else -13.
int parseVintaro360PeriodString(const char* text, long long* a, int* tz, long long* b, double* c);

// After the second ',' five decimals w, x, y, z, front: R = r45_rt_1 x R(q) x Rz(-front) when
// all are present and |q|^2 lies within 0.9..1.1, else the standard rotation (about y by pi/4).
void parseRMFromVT360PeriodString(const char* text, double R[9]);
