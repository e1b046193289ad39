#pragma once

#include <memory>

#include <QObject>
#include <QString>

#include "VideoFrame.h"

namespace QtAV {

// Decodes still frames by position on a worker thread of its own. The decoder
// stays open while the source is unchanged. Requests are served one at a
// time; a new request replaces any that has not started yet, and one equal to
// the request in progress is dropped. Signals are emitted on the worker
// thread (queued to receivers on other threads), none once the destructor runs. Frames keep the
// decoder's own pixel format.
class VideoFrameExtractor : public QObject {
    Q_OBJECT
  public:
    explicit VideoFrameExtractor(QObject* parent = nullptr);
    ~VideoFrameExtractor() override;  // joins the worker

    void setSource(const QString& path);
    QString source() const;
    // Position in ms. With auto-extract on, a changed position asks for a frame.
    void setPosition(qint64 ms);
    qint64 position() const;
    // On by default.
    void setAutoExtract(bool on);
    bool autoExtract() const;
    // Accepted distance in ms before the target (default 0): the frame given
    // is the first whose time stamp is at or after position - precision, or
    // the last frame of the file when the position is beyond it.
    void setPrecision(int ms);
    int precision() const;

    // Identity of the request that answers the latest extract() (an equal
    // request in progress answers for it), 0 before the first. Requests made
    // later have larger identities.
    quint64 lastRequest() const;
    // Identity of the request whose result is being emitted: valid in a slot
    // connected directly to frameExtracted() or error().
    quint64 answeredRequest() const;

  public slots:
    // Asks for the frame at position() of source().
    void extract();

  signals:
    void frameExtracted(const QtAV::VideoFrame& frame);
    void error(const QString& message);

  private:
    // Worker thread: opens `path` unless it is open already; emits error() on failure.
    bool openSource(const QString& path);
    // Worker thread: seeks the open source before `ms`, or reopens it where it cannot seek.
    bool seekTo(qint64 ms);
    // Worker thread: answers one request.
    void serve(const QString& path, qint64 ms, int precisionMs);
    // Worker thread: emit unless the extractor is being destroyed.
    void sendFrame(const VideoFrame& frame);
    void sendError(const QString& message);

    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace QtAV
