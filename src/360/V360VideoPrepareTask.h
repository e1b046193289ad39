#pragma once

#include <QThread>

class V360VideoSectionBuilder;
class VideoRotationFeeder;

// Prepares a section's rotation data on a thread of its own: prepareFilteredRotationData
// (first frame, frame count) on the feeder, then the section is marked prepared and its owner
// told. The task deletes itself once finished; section and feeder are borrowed until then.
class V360VideoPrepareTask : public QThread {
    Q_OBJECT
  public:
    V360VideoPrepareTask(V360VideoSectionBuilder* section, VideoRotationFeeder* feeder,
                         int firstFrame, int frameCount);

  protected:
    void run() override;

  private:
    V360VideoSectionBuilder* const section;
    VideoRotationFeeder* const feeder;
    const int firstFrame;
    const int frameCount;
};
