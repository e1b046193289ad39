#pragma once

#include "UQOLensQParser.h"
#include "UqoLensCamera.h"
#include "VideoRotationFeeder.h"

// Lens camera file: the attitude block before its "UQOLens{" trailer, looked up per
// millisecond without smoothing. Read-only after construction.
class UQOLensRotationFeeder : public VideoRotationFeeder {
  public:
    explicit UQOLensRotationFeeder(const char* path);

    double getDuration() override;
    // The lens rotation at `ms`, or the standard rotation when there are no samples.
    void fillRotationDataByTime(int ms, double R[3][3]) override;
    void fillRotationData(int frame, double R[3][3]) override;
    void prepareFilteredRotationData(int firstFrame, int count) override;

  private:
    UQOLensQParser parser;
    UqoLensFrontParameters params;  // copied per call
};
