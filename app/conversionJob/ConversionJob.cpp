#include "ConversionJob.h"

#include <QFile>

#include "VideoSimple360Generator.h"

ConversionJob::ConversionJob(QString source, QString target, QSize size)
    : source(std::move(source)), target(std::move(target)), size(size) {
    connect(&search, &LensCircleSearch::finished, this, &ConversionJob::convert);
}

ConversionJob::~ConversionJob() {
    cancelled = true;
    if (generator) generator->cancelGeneration();
    // Joins the job's threads; the search's task is joined with the search.
    generator.reset();
    // Going before its report (the program quits), the job may have saved its file all the same.
    if (phase == Phase::Converting) QFile::remove(target);
}

void ConversionJob::start() {
    if (phase != Phase::Waiting) return;
    phase = Phase::Searching;
    search.start({source});
}

void ConversionJob::cancel() {
    if (phase == Phase::Ended || cancelled) return;
    cancelled = true;
    if (phase == Phase::Waiting) {
        end();
    } else if (generator) {
        generator->cancelGeneration();
    }
}

void ConversionJob::convert(int result, int centerX, int centerY, int radius) {
    if (cancelled) {
        end();
        return;
    }
    if (result != 0) centerX = centerY = radius = -1;
    phase = Phase::Converting;
    generator.reset(VideoSimple360Generator::genPanoramaVideo(
        source, target, size.width(), size.height(), centerX, centerY, radius, -1, -1));
    // Owned here: the generator is deleted when the job is, not by its own last report.
    generator->setShouldAutoDelete(false);
    connect(generator.get(), &VideoSimple360Generator::videoGenProgressUpdate, this,
            &ConversionJob::relayProgress);
    connect(generator.get(), &VideoSimple360Generator::videoGenerationFinished, this,
            &ConversionJob::generated);
    connect(generator.get(), &VideoSimple360Generator::videoGenerationFailed, this,
            &ConversionJob::generationFailed);
}

void ConversionJob::relayProgress(float totalProgress, float curMediaProgress, int curMediaIdx,
                                  int totalMedias) {
    if (!cancelled) emit progressUpdated(totalProgress, curMediaProgress, curMediaIdx, totalMedias);
}

void ConversionJob::generated(const QString& filePath) {
    if (cancelled) {
        // The cancel came while the job was saving its file: nobody takes it any more.
        QFile::remove(filePath);
    } else {
        emit finished(filePath);
    }
    end();
}

void ConversionJob::generationFailed(int result) {
    if (!cancelled) emit failed(result);
    end();
}

void ConversionJob::end() {
    phase = Phase::Ended;
    emit ended();
}
