#include "YTServiceConfig.h"

#include <QHostAddress>

namespace {

QUrl fromEnvironment(const char* name, const char* fallback) {
    const QUrl given(QString::fromLocal8Bit(qgetenv(name)), QUrl::StrictMode);
    return YTServiceConfig::isAcceptable(given) ? given : QUrl(QString::fromLatin1(fallback));
}

}  // namespace

YTServiceConfig YTServiceConfig::current() {
    YTServiceConfig config;
    config.apiBase = fromEnvironment("RV_YT_API_BASE", "https://www.googleapis.com");
    config.loginPage =
        fromEnvironment("RV_YT_LOGIN_PAGE", "https://login.ravlix360.com/googleLogin/");
    config.logoutPage = fromEnvironment("RV_YT_LOGOUT_PAGE", "https://accounts.google.com/logout");
    return config;
}

bool YTServiceConfig::isAcceptable(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    if (url.scheme() == "https") return true;
    const bool loopback = url.host() == "localhost" || QHostAddress(url.host()).isLoopback();
    return url.scheme() == "http" && loopback;
}

QUrl YTServiceConfig::apiUrl(const QString& path) const {
    QUrl url = apiBase;
    QString base = url.path();
    if (base.endsWith('/')) base.chop(1);
    url.setPath(base + path);
    return url;
}
