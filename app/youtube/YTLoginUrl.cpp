#include "YTLoginUrl.h"

#include <QUrlQuery>

const char* const YTLoginUrl::USER_AGENT =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_14_0) AppleWebKit/537.36 (KHTML, like Gecko) "
    "QtWebEngine/5.8.0";

bool YTLoginUrl::read(const QUrl& url, QString* id, QString* name, QString* token) {
    if (!url.toString().contains("loginSuccess.php")) return false;
    const QUrlQuery query(url);
    *id = query.queryItemValue("id");
    *name = query.queryItemValue("name");
    *token = query.queryItemValue("token");
    return true;
}
