#include "RequestLog.h"

#include <QWebEngineProfile>

RequestLog* RequestLog::instance() {
    static RequestLog* made = [] {
        auto* log = new RequestLog;
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(log);
        return log;
    }();
    return made;
}

void RequestLog::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl url = info.requestUrl();
    if (url.scheme() == "qrc" || url.scheme() == "data") return;
    QMutexLocker lock(&mutex);
    seen.append(url);
    if (url.host() != "127.0.0.1") info.block(true);
}

QList<QUrl> RequestLog::requests() const {
    QMutexLocker lock(&mutex);
    return seen;
}

QList<QUrl> RequestLog::elsewhere() const {
    QList<QUrl> found;
    for (const QUrl& url : requests())
        if (url.host() != "127.0.0.1") found.append(url);
    return found;
}

void RequestLog::clear() {
    QMutexLocker lock(&mutex);
    seen.clear();
}
