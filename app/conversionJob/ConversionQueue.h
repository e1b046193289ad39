#pragma once

#include <deque>
#include <memory>

#include <QObject>
#include <QSize>
#include <QString>

class ConversionJob;

// Runs conversion jobs one after another, since they write one target file, and owns each job
// from add() until it has ended. Jobs still there when the queue goes are cancelled and joined:
// quitting during a conversion leaves no thread running and no temporary file. Main thread;
// the main window holds the program's one queue.
class ConversionQueue : public QObject {
    Q_OBJECT

  public:
    explicit ConversionQueue(QObject* parent = nullptr);
    ~ConversionQueue() override;

    // A job converting `source` into `target` at `size`, started from the event loop once the
    // jobs added before it have ended. The caller connects its signals and may cancel it; the
    // queue deletes it after its ended().
    ConversionJob* add(const QString& source, const QString& target, QSize size);
    // No job is waiting or running.
    bool isIdle() const;

    // The file both overlays convert into: "/tempExport.mp4" in the data location.
    static QString temporaryTarget();

  private:
    void startFront();
    void remove(ConversionJob* job);

    std::deque<std::unique_ptr<ConversionJob>> jobs;  // in order added; the front one runs
};
