#pragma once

#include <QList>
#include <QMutex>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

// Every network request of the process's web pages (the default profile), in the order
// made; requests for any host but 127.0.0.1 are blocked, so tests never reach out.
// Resources (qrc) and data addresses are not listed. Requests arrive on the engine's IO thread.
class RequestLog : public QWebEngineUrlRequestInterceptor {
  public:
    // The log of the default profile, installed at the first call (main thread).
    static RequestLog* instance();

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    QList<QUrl> requests() const;
    // The requests for a host other than 127.0.0.1.
    QList<QUrl> elsewhere() const;
    void clear();

  private:
    mutable QMutex mutex;
    QList<QUrl> seen;  // guarded by mutex
};
