#include "V360VideoPrepareTask.h"

#include "V360VideoSectionBuilder.h"
#include "VideoRotationFeeder.h"

V360VideoPrepareTask::V360VideoPrepareTask(V360VideoSectionBuilder* section,
                                           VideoRotationFeeder* feeder, int firstFrame,
                                           int frameCount)
    : section(section), feeder(feeder), firstFrame(firstFrame), frameCount(frameCount) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void V360VideoPrepareTask::run() {
    feeder->prepareFilteredRotationData(firstFrame, frameCount);
    section->prepared();
}
