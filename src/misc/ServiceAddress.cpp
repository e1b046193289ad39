#include "ServiceAddress.h"

#include <QHostAddress>

QUrl ServiceAddress::fromEnvironment(const char* name, const QString& fallback) {
    const QUrl given(QString::fromLocal8Bit(qgetenv(name)), QUrl::StrictMode);
    return isAcceptable(given) ? given : QUrl(fallback);
}

bool ServiceAddress::isAcceptable(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    if (url.scheme() == "https") return true;
    const bool loopback = url.host() == "localhost" || QHostAddress(url.host()).isLoopback();
    return url.scheme() == "http" && loopback;
}
