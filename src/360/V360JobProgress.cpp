#include "V360JobProgress.h"

V360JobProgress::V360JobProgress(int height)
    : prepareFactor(6065280.0 / (static_cast<double>(height) * height)) {}

void V360JobProgress::addSection(int sectionFrames, int sectionPrepareSteps) {
    frames += sectionFrames;
    prepareSteps += sectionPrepareSteps;
}

void V360JobProgress::close(bool muted, bool withMusic) {
    closed = true;
    if (frames > 0) prepareWeight = (prepareSteps * 90 / frames) * prepareFactor;
    const double base = muted ? (withMusic ? 93 : 91) : (withMusic ? 96 : 94);
    totalUnits = base + prepareWeight;
    value = 0;
    prepareStepsDone = prepareStepsCurrent = 0;
}

int V360JobProgress::dispatched(int framesDispatched) {
    if (!closed) return -1;
    double x = frames > 0 ? static_cast<double>(framesDispatched) / frames * 90 : 0;
    if (prepareSteps > 0)
        x += static_cast<double>(prepareStepsCurrent) * prepareWeight / prepareSteps;
    if (x != 0) value = x;
    return report();
}

int V360JobProgress::sectionPrepared(int steps, int framesDispatched) {
    prepareStepsDone += steps;
    prepareStepsCurrent = prepareStepsDone;
    return dispatched(framesDispatched);
}

int V360JobProgress::preparing(int steps, int framesDispatched) {
    prepareStepsCurrent = prepareStepsDone + steps;
    return dispatched(framesDispatched);
}

int V360JobProgress::stepDone() {
    value += 1;
    return report();
}

int V360JobProgress::framesDone() {
    value = 90;
    return report();
}

int V360JobProgress::report() {
    if (!closed || totalUnits <= 0) return -1;
    const int percent = static_cast<int>(value * 100 / totalUnits + 0.5);
    if (percent <= highestPercent) return -1;
    highestPercent = percent;
    return percent;
}
