#pragma once

class ExtVideoRotationFeederFactory;

// Gives, for one media file, the row-major 3x3 rotation that levels the camera for each frame of
// 1/30 s. Callers call prepareFilteredRotationData once, then fillRotationData per frame; after
// preparation fillRotationData only reads, so several threads may call it at once.
//
// Parsing result: 0 success, 40000001 data read with recoverable damage, -1 unreadable data,
// -7 no attachment, -30 the file cannot be opened (1 and 30 for the no-data feeder's causes).
class VideoRotationFeeder {
  public:
    virtual ~VideoRotationFeeder();
    // Seconds covered by the data.
    virtual double getDuration() = 0;
    // fillRotationData(ms x 30 / 1000).
    virtual void fillRotationDataByTime(int ms, double R[3][3]);
    virtual void fillRotationData(int frame, double R[3][3]) = 0;
    // count below 1: to the end.
    virtual void prepareFilteredRotationData(int firstFrame, int count) = 0;
    // The base has none: false.
    virtual bool getRawQuaternion(int frame, double q[4], double* front);

    int getParsingResult() const;

    // A new feeder for the attitude data of `path` (a lens camera file, a media file with attached
    // eye data, or a ".eye" file of version 1 or 2), passed through the installed external
    // factory; never null, deleted by the caller.
    static VideoRotationFeeder* newVRFeeder(const char* path, bool logErrors);

    // The standard rotation: about y by pi/4.
    static void fillStandardRData(double R[3][3]);
    static void fillStandardQuaternion(double q[4]);

    // Process-wide switches and hook, set before concurrent use.
    static void setExtRotationFeederFactory(ExtVideoRotationFeederFactory* factory);
    static ExtVideoRotationFeederFactory* getExtRotationFeederFactory();
    static void enableMovingAveragingFront(bool enable);
    static bool isMovingAveragingFrontEnabled();
    static void enableToUseEye(bool enable);
    static bool isUsingEye();
    static void setEngineeringEyeMediaOffsetInMS(int ms);
    static bool isByEngineeringEyeMediaOffset();
    static int getEngineeringEyeMediaOffsetInMS();

  protected:
    // Frames a feeder prepares at most: a day (absurd sample rates ask for far more).
    static constexpr int kMaxPreparedFrames = 24 * 3600 * 30;

    explicit VideoRotationFeeder(int parsingResult = 0);

    int parsingResult;
};
