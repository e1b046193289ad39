#include "HttpRecorder.h"

#include <memory>

#include <QTcpSocket>

struct HttpRecorder::Connection {
    QByteArray headerBytes;
    bool headerDone = false;
    qint64 remaining = 0;
    Request request;
};

QByteArray HttpRecorder::Request::header(const QByteArray& name) const {
    auto found = headers.find(name.toLower());
    return found == headers.end() ? QByteArray() : found->second;
}

HttpRecorder::HttpRecorder() {
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, &HttpRecorder::accept);
}

QString HttpRecorder::base() const { return QString("http://127.0.0.1:%1").arg(serverPort()); }

QList<HttpRecorder::Request> HttpRecorder::requests(const QString& prefix) const {
    QList<Request> found;
    for (const Request& request : received) {
        if (request.url.path().startsWith(prefix)) found << request;
    }
    return found;
}

void HttpRecorder::accept() {
    while (QTcpSocket* socket = nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 << 20);
        auto connection = std::make_shared<Connection>();
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, connection] { readFrom(socket, connection.get()); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

static void parseHeader(const QByteArray& bytes, HttpRecorder::Request* request) {
    const QList<QByteArray> lines = bytes.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request->method = first.value(0);
    request->url = QUrl::fromEncoded(first.value(1));
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            request->headers[lines[i].left(colon).trimmed().toLower()] =
                lines[i].mid(colon + 1).trimmed();
    }
}

void HttpRecorder::readFrom(QTcpSocket* socket, Connection* c) {
    QByteArray data = socket->readAll();
    if (!c->headerDone) {
        c->headerBytes += data;
        const int end = c->headerBytes.indexOf("\r\n\r\n");
        if (end < 0) return;
        parseHeader(c->headerBytes.left(end), &c->request);
        data = c->headerBytes.mid(end + 4);
        c->headerBytes.clear();
        c->headerDone = true;
        c->remaining = c->request.header("content-length").toLongLong();
    }
    Request& r = c->request;
    r.bodySize += data.size();
    c->remaining -= data.size();
    if (r.bodySize <= keepLimit) {
        r.body += data;
    } else {
        if (!r.body.isEmpty()) {
            r.head = r.body.left(kEdgeBytes);
            r.tail = r.body.right(kEdgeBytes);
            r.body.clear();
        }
        r.tail = (r.tail + data).right(kEdgeBytes);
    }
    if (c->remaining <= 0 && c->headerDone) {
        c->headerDone = false;
        answer(socket, r);
        r = Request();
    }
}

void HttpRecorder::answer(QTcpSocket* socket, const Request& request) {
    received << request;
    const Reply reply = responder ? responder(request) : Reply();
    if (reply.drop) {
        socket->abort();
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n" + reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}
