#include "UploadTestSupport.h"

#include <QFile>
#include <QRegularExpression>

namespace UploadTestSupport {

void pointServiceAt(const HttpRecorder& server, const QString& page) {
    qputenv("RV_YT_API_BASE", server.base().toUtf8());
    qputenv("RV_YT_LOGIN_PAGE", (server.base() + "/googleLogin/" + page).toUtf8());
    qputenv("RV_YT_LOGOUT_PAGE", (server.base() + "/logout").toUtf8());
}

QByteArray relayPage(const QString& target, int delayMs) {
    QByteArray page = "<html><body>relay";
    if (!target.isEmpty())
        page += "<script>setTimeout(function(){location.href='" + target.toUtf8() + "';}," +
                QByteArray::number(delayMs) + ");</script>";
    return page + "</body></html>";
}

QList<Part> multipartParts(const QByteArray& contentType, const QByteArray& body) {
    const QRegularExpression rule("boundary=\"?([^\";]+)\"?");
    const QRegularExpressionMatch match = rule.match(QString::fromLatin1(contentType));
    if (!match.hasMatch()) return {};
    const QByteArray delimiter = "--" + match.captured(1).toLatin1();
    QList<Part> parts;
    int at = body.indexOf(delimiter);
    while (at >= 0) {
        const int start = at + delimiter.size();
        if (body.mid(start, 2) == "--") break;
        const int next = body.indexOf("\r\n" + delimiter, start);
        if (next < 0) return {};
        const QByteArray whole = body.mid(start + 2, next - start - 2);
        const int split = whole.indexOf("\r\n\r\n");
        parts << Part{whole.left(split), whole.mid(split + 4)};
        at = next + 2;
    }
    return parts;
}

long peakRssKiB() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace UploadTestSupport
