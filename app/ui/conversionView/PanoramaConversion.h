#pragma once

#include <functional>

#include <QSize>
#include <QString>

#include "CircleInfo.h"

class CircleCheckTask;
class QObject;
class VideoSimple360Generator;

// The steps the conversion and upload overlays share: the lens circle of the recording's first
// frame, then the panorama job, one job at a time (both overlays convert into one target file).
// Main thread only.
namespace PanoramaConversion {

// Starts the lens-circle search on the first frame of `source` at half size; the task's
// finished() goes to `slot` of `receiver`, and the task deletes itself after it. Null when the
// first frame cannot be read.
CircleCheckTask* findCircle(const QString& source, QObject* receiver, const char* slot);

// The circle a finished search found, in full-frame pixels; all -1 when it found none.
CircleInfo foundCircle(const CircleCheckTask& task);

// When a job (of any overlay) still runs, calls `retry` once it has gone and returns true.
bool waitForPreviousJob(QObject* context, std::function<void()> retry);

// Starts the panorama job of `source` into `target` and routes its progress, end and failure
// to the receiver's onVideoGenProgressUpdate(float,float,int,int),
// onVideoGenerationFinished(QString) and onVideoGenerationFailed(int) slots.
VideoSimple360Generator* start(const QString& source, const QString& target, QSize size,
                               const CircleInfo& circle, QObject* receiver);

}  // namespace PanoramaConversion
