#pragma once

#include <memory>

#include <QObject>
#include <QSize>
#include <QString>

#include "LensCircleSearch.h"

class VideoSimple360Generator;

// One conversion of a recording into an equirectangular 360 MP4:
//
// 1. the lens circle of the recording's first frame (its LensCircleSearch);
// 2. the panorama job (its VideoSimple360Generator) with the accepted circle, or without one
//    (-1, -1, -1) when the search found none;
// 3. the job's progress relayed, then its result: finished() or failed().
//
// After cancel() the job reports nothing: the job still under way is cancelled, and a result
// that arrives all the same is dropped, the file it saved removed with it. ended() follows once
// nothing of the job runs any more. Whatever still runs when the job is deleted is cancelled and
// joined, and a file saved without a report goes too: the target exists after the job only when
// finished() gave it. Main thread; made, started and owned by a ConversionQueue.
class ConversionJob : public QObject {
    Q_OBJECT

  public:
    ConversionJob(QString source, QString target, QSize size);
    ~ConversionJob() override;

    void start();
    void cancel();

  signals:
    // totalProgress in [0, 1], rising.
    void progressUpdated(float totalProgress, float curMediaProgress, int curMediaIdx,
                         int totalMedias);
    void finished(QString filePath);
    void failed(int result);
    // Once, when the job has reported or, cancelled, has wound down.
    void ended();

  private:
    enum class Phase { Waiting, Searching, Converting, Ended };

    void convert(int result, int centerX, int centerY, int radius);
    void relayProgress(float totalProgress, float curMediaProgress, int curMediaIdx,
                       int totalMedias);
    void generated(const QString& filePath);
    void generationFailed(int result);
    void end();

    const QString source;
    const QString target;
    const QSize size;
    Phase phase = Phase::Waiting;
    bool cancelled = false;
    LensCircleSearch search;
    std::unique_ptr<VideoSimple360Generator> generator;  // from the search's end on
};
