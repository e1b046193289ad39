#pragma once

#include <cstdint>
#include <vector>

#include "V360VideoSectionBuilder.h"

// A flat stereographic view, from fixed angles, of an equirectangular video.
//
// 1. prepare opens the video at its own size and builds the table once: per output pixel the
//    inverse stereographic projection, the view rotation, and the sphere point's source pixel
//    (clamped into the frame).
// 2. Per frame dewarp gathers the source through the table. Columns run mirrored: the first
//    column of a row takes the view's right edge.
class V360FixAngleVideoSectionBuilder : public V360VideoSectionBuilder {
  public:
    // view: the view's half width on the projection plane, in tenths; angle1 turns the view
    // about x, then angle2 about y (degrees). startTime, endTime: seconds (-1: whole video).
    V360FixAngleVideoSectionBuilder(int width, int height, QString srcPath, float view,
                                    float angle1, float angle2, double startTime, double endTime);

    // 0, or the video section's code.
    int prepare() override;
    int dewarp(int frameIndex, void* src, void* dst) override;

    // Latitude and longitude (degrees) seen at output pixel (x, y), unmirrored; returns the
    // longitude.
    double toCoordinate(int x, int y, double* latitude, double* longitude);

    const std::vector<int32_t>& lookupTable() const { return table; }

  private:
    void viewToSphere(double u, double v, double* latitude, double* longitude) const;
    int32_t sourceIndex(int row, int column) const;

    const float horizontalScale;
    const float verticalScale;
    // Row-major, applied as M x p.
    double viewRotation[9];
    int srcWidth = 0;
    int srcHeight = 0;
    // Read-only while frames are in flight.
    std::vector<int32_t> table;
};
