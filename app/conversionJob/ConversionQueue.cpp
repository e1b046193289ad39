#include "ConversionQueue.h"

#include <algorithm>

#include <QStandardPaths>

#include "ConversionJob.h"

ConversionQueue::ConversionQueue(QObject* parent) : QObject(parent) {}

ConversionQueue::~ConversionQueue() {
    // Each job cancels and joins what still runs of it.
    while (!jobs.empty()) jobs.pop_back();
}

QString ConversionQueue::temporaryTarget() {
    return QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/tempExport.mp4";
}

ConversionJob* ConversionQueue::add(const QString& source, const QString& target, QSize size) {
    jobs.push_back(std::make_unique<ConversionJob>(source, target, size));
    ConversionJob* job = jobs.back().get();
    // Queued: the job is deleted outside its own report, and started after the caller's wiring.
    connect(
        job, &ConversionJob::ended, this, [this, job] { remove(job); }, Qt::QueuedConnection);
    if (jobs.size() == 1)
        QMetaObject::invokeMethod(this, &ConversionQueue::startFront, Qt::QueuedConnection);
    return job;
}

bool ConversionQueue::isIdle() const { return jobs.empty(); }

void ConversionQueue::startFront() {
    if (!jobs.empty()) jobs.front()->start();
}

void ConversionQueue::remove(ConversionJob* job) {
    const auto at = std::find_if(jobs.begin(), jobs.end(),
                                 [job](const auto& owned) { return owned.get() == job; });
    if (at == jobs.end()) return;
    const bool wasRunning = at == jobs.begin();
    jobs.erase(at);
    if (wasRunning) startFront();
}
