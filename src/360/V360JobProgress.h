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
    // The close: fixes the total from the sound steps the job will have, and counts the
    // preparation steps from there.
    void close(bool muted, bool withMusic);
    bool isClosed() const { return closed; }

    // Each returns the percent to report, or -1 when there is nothing new to report.
    // Frames handed out so far (with the preparation steps so far): sets the value (0
    // leaves it).
    int dispatched(int framesDispatched);
    // A section prepared with its `steps` all done.
    int sectionPrepared(int steps, int framesDispatched);
    // `steps` of the section being prepared done.
    int preparing(int steps, int framesDispatched);
    // One sound or mux step done.
    int stepDone();
    // Every frame handed out: the value becomes the frames' 90 units.
    int framesDone();

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
    // Preparation steps of the sections prepared since the close, and with the current one.
    int prepareStepsDone = 0;
    int prepareStepsCurrent = 0;
};
