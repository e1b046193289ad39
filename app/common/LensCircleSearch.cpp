#include "LensCircleSearch.h"

#include <algorithm>

#include "CircleCheckTask.h"
#include "CircleInfo.h"
#include "FirstFrameReader.h"
#include "ResultCode.h"

LensCircleSearch::LensCircleSearch(FrameReader reader, QObject* parent)
    : QObject(parent), reader(std::move(reader)) {}

LensCircleSearch::LensCircleSearch(QObject* parent)
    : LensCircleSearch(FirstFrameReader::halfSize, parent) {}

LensCircleSearch::~LensCircleSearch() {
    for (const std::unique_ptr<CircleCheckTask>& task : tasks) {
        disconnect(task.get(), nullptr, this, nullptr);
        task->wait();
    }
}

void LensCircleSearch::start(const QStringList& paths) {
    candidates = paths;
    current = nullptr;
    examineNext();
}

void LensCircleSearch::examineNext() {
    while (!candidates.isEmpty()) {
        const QImage image = reader(candidates.takeFirst());
        if (image.isNull()) continue;  // no frame: passed over like a refused circle
        tasks.push_back(std::make_unique<CircleCheckTask>(image));
        current = tasks.back().get();
        CircleCheckTask* task = current;
        connect(task, &QThread::finished, this, [this, task] { checkCircleDone(task); });
        task->start(QThread::InheritPriority);
        return;
    }
    emit finished(ResultCode::kNoCircle, 0, 0, 0);
}

void LensCircleSearch::checkCircleDone(CircleCheckTask* task) {
    const auto found = std::find_if(tasks.begin(), tasks.end(),
                                    [task](const auto& owned) { return owned.get() == task; });
    const std::unique_ptr<CircleCheckTask> done = std::move(*found);
    tasks.erase(found);
    if (task != current) return;  // of a superseded chain
    current = nullptr;
    const QImage examined = task->getImage();
    CircleInfo full;
    if (CircleInfo::toFullFrame(task->getResult(), examined.width(), examined.height(), &full) == 0)
        emit finished(0, full.centerX, full.centerY, full.radius);
    else
        examineNext();
}
