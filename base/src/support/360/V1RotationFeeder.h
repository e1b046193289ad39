#pragma once

#include <array>
#include <atomic>
#include <vector>

#include "List.h"
#include "QuaternionAttitude.h"
#include "VideoRotationFeeder.h"

// Version-1 eye data: evenly spaced samples at `rate` a second. Prepared matrix k belongs to
// frame first + k and shows the attitude five frames (1/6 s) later.
class V1RotationFeeder : public VideoRotationFeeder {
  public:
    // Reads a version-1 eye file (result -30 cannot open, -1 unreadable or a zero rate).
    explicit V1RotationFeeder(const char* path);
    // Takes samples read elsewhere (result 0, or -1 for a rate that is not positive).
    V1RotationFeeder(const List<QuaternionAttitude>& samples, double rate);

    double getDuration() override;
    void fillRotationData(int frame, double R[3][3]) override;
    void prepareFilteredRotationData(int firstFrame, int count) override;

    void setLowPassAlpha(double alpha);

  private:
    List<QuaternionAttitude> samples;
    double rate = 0;
    double alpha;
    // Written by prepareFilteredRotationData only; read by fillRotationData.
    std::vector<std::array<double, 9>> matrices;
    int firstFrame = 0;
    std::atomic<bool> warned{false};
};
