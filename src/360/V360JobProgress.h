#pragma once

// The progress of one conversion job in units: 90 for the frames (counted when handed out),
// the preparation weight for asynchronous section preparation, then one unit per sound and
// mux step. Reports are whole percents of the total, each one higher than the last; nothing
// is reported before the job is closed. Plain arithmetic; the dispatch thread only.
class V360JobProgress {
  public:
    // height: output height (the preparation factor is 6065280 / height squared).
    explicit V360JobProgress(int height);

    // Counts of the sections added so far.
    void addSection(int frames, int prepareSteps);
    // The close: fixes the total from the sound steps the job will have.
    void close(bool muted, bool withMusic);
    bool isClosed() const { return closed; }

    // Each returns the percent to report, or -1 when there is nothing new to report.
    // Frames handed out and preparation steps so far: sets the value (0 leaves it).
    int dispatched(int framesDispatched, int prepareSteps);
    // One sound or mux step done.
    int stepDone();
    // Every frame handed out: the value becomes the frames' 90 units.
    int framesDone();

    int totalFrames() const { return frames; }
    int totalPrepareSteps() const { return prepareSteps; }

  private:
    int report();

    const double prepareFactor;
    int frames = 0;
    int prepareSteps = 0;
    bool closed = false;
    double prepareWeight = 0;
    double totalUnits = 0;
    double value = 0;
    int highestPercent = 0;
};
