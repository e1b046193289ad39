#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

class CircleCheckTask;

// The lens circle of one or a few recordings, tried in order:
//
// 1. the examined image of the next candidate: its first frame at half size, read on the
//    calling thread;
// 2. a CircleCheckTask on it, on a thread of its own;
// 3. its result judged by the acceptance rule: accepted, the chain ends with the circle;
//    refused, or no frame, the next candidate; none left, the chain ends without a circle.
//
// A new start() supersedes a chain under way: its running task is left to end and its result
// is dropped. Tasks still running when the search goes are joined. Main thread.
class LensCircleSearch : public QObject {
    Q_OBJECT

  public:
    // The examined image of a candidate, null when it has none.
    using FrameReader = std::function<QImage(const QString& path)>;

    explicit LensCircleSearch(FrameReader reader, QObject* parent = nullptr);
    // The first frame of each candidate at half size.
    explicit LensCircleSearch(QObject* parent = nullptr);
    ~LensCircleSearch() override;

    void start(const QStringList& candidates);

  signals:
    // The chain's end: result 0 with the circle in full-frame pixels, or -1 with zeros when no
    // candidate gave an acceptable one.
    void finished(int result, int centerX, int centerY, int radius);

  private:
    void examineNext();
    void checkCircleDone(CircleCheckTask* task);

    FrameReader reader;
    QStringList candidates;                               // the chain's, not yet examined, in order
    CircleCheckTask* current = nullptr;                   // the chain's running task, or none
    std::vector<std::unique_ptr<CircleCheckTask>> tasks;  // started, not yet reported
};
