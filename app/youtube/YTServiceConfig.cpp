#include "YTServiceConfig.h"

#include "ServiceAddress.h"

YTServiceConfig YTServiceConfig::current() {
    YTServiceConfig config;
    config.apiBase =
        ServiceAddress::fromEnvironment("RV_YT_API_BASE", "https://www.googleapis.com");
    config.loginPage = ServiceAddress::fromEnvironment("RV_YT_LOGIN_PAGE",
                                                       "https://login.ravlix360.com/googleLogin/");
    config.logoutPage =
        ServiceAddress::fromEnvironment("RV_YT_LOGOUT_PAGE", "https://accounts.google.com/logout");
    return config;
}

QUrl YTServiceConfig::apiUrl(const QString& path) const {
    QUrl url = apiBase;
    QString base = url.path();
    if (base.endsWith('/')) base.chop(1);
    url.setPath(base + path);
    return url;
}
