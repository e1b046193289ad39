#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "V1RotationFeeder.h"
#include "VideoRotationFeeder.h"

class OsalInputFile;

// Version-2 eye data (a ".eye" file or the eye data attached before a "UQOCam" record): pieces
// of quaternion samples, each stamped with a tick of 20 ms. Piece timing is taken from the
// first half second of data; without it an internal V1RotationFeeder answers. Samples are
// smoothed by a five-sample moving average and, when enabled, their fronts over +-4 s.
// After prepareFilteredRotationData, fillRotationData only reads.
class ArrayBasedV2RotationFeeder : public VideoRotationFeeder {
  public:
    ArrayBasedV2RotationFeeder(const char* path, bool logErrors);

    double getDuration() override;
    void fillRotationData(int frame, double R[3][3]) override;
    void prepareFilteredRotationData(int firstFrame, int count) override;
    // The smoothed quaternion and front at eye time start shift + frame / 30; false past the end.
    bool getRawQuaternion(int frame, double q[4], double* front) override;

  private:
    struct Piece {
        float endTime;  // s
        int samples;
    };
    struct RawPiece {
        int tick;
        int samples;
    };

    int parseFile(bool log);
    std::unique_ptr<OsalInputFile> openEyeData(bool log, int* result);
    int readPieces(std::unique_ptr<OsalInputFile>& file, unsigned recordSize, bool log,
                   std::vector<RawPiece>* raw);
    bool takeTiming(std::vector<RawPiece>& raw);
    void timePieces(const std::vector<RawPiece>& raw, bool log, int* result);
    void movingAverageRawAttitudes();
    void freeRawData();
    void resetWindow();
    void quaternionAt(double t, double q[4], double* front);
    float edgeShift(const Piece& p) const;

    std::string path;
    bool logErrors;
    double alpha;
    bool extraData = false;
    std::vector<std::array<float, 4>> samples;
    std::vector<float> fronts;  // per sample, empty without front smoothing
    std::vector<Piece> pieces;
    float rate = 0;
    float startShift = 0;
    int nominal = 0;
    float pieceDuration = 0;
    float endTime = 0;
    std::unique_ptr<V1RotationFeeder> v1;  // set when the data has no piece timing

    // Interpolation window (pieces and sample indices), moved forward by getRawQuaternion.
    size_t windowFirst = 0, windowLast = 0;
    long long firstSample = 0, lastSample = 0;

    // Written by prepareFilteredRotationData only.
    std::vector<std::array<float, 9>> prepared;
    int firstFrame = 0;
    std::atomic<bool> warned{false};
};
