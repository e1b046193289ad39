#pragma once

#include <QObject>
#include <QString>

// Finds out once per run which conversion sizes this computer can encode: 2160x1080, 2880x1440
// and 3840x1920, each tried by a VideoEncodeTask that encodes one frame of the sample clip on
// its own thread, one trial after another. A size counts as supported until its trial fails,
// so the flags only ever go from true to false. Lives on the GUI thread; never deleted.
class VideoEncodeTask;

class EncodeManager : public QObject {
    Q_OBJECT

  public:
    static EncodeManager* instance();

    // Starts the first trial; 0. Called once.
    int init();

    bool getIs2160x1080Enable() const { return is2160x1080Enable; }
    bool getIs2880x1440Enable() const { return is2880x1440Enable; }
    bool getIs3840x1920Enable() const { return is3840x1920Enable; }
    // True once the last trial has reported.
    bool isDone() const { return done; }

    // Ends the probe: the running trial is cancelled and joined, and no further one starts.
    // The window that started the probe calls it before it goes.
    void stopTrials();

    // Clears the flag of the size whose width is given (2160, 2880, anything else 3840).
    void disableSize(int width);

    // The data location's "/sample.mov" and "/testEncode.mov".
    static QString defaultSamplePath();
    static QString trialOutputPath();

  public slots:
    void onEncodeDone();

  protected:
    // Copies the embedded sample to `samplePath` when no file is there.
    explicit EncodeManager(QString samplePath);

  private:
    void startTrial(int width, int height);

    QString samplePath;
    bool is2160x1080Enable = true;
    bool is2880x1440Enable = true;
    bool is3840x1920Enable = true;
    bool done = false;
    bool stopped = false;
    VideoEncodeTask* running = nullptr;  // owned; the trial under way
};
