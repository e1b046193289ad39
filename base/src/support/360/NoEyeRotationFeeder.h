#pragma once

#include "VideoRotationFeeder.h"

// A feeder without data: the standard rotation for every frame; the parsing result is the cause.
class NoEyeRotationFeeder : public VideoRotationFeeder {
  public:
    explicit NoEyeRotationFeeder(int failureCode);

    double getDuration() override;
    void fillRotationData(int frame, double R[3][3]) override;
    void prepareFilteredRotationData(int firstFrame, int count) override;
};
