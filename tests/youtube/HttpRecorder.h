#pragma once

#include <functional>
#include <map>

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the upload tests: records every request (method,
// target, headers, body) and answers each with what the test's responder says, then closes the
// connection. Bodies larger than keepLimit are counted, and only their first and last bytes
// are kept. Requests with a Content-Length body only (no chunked bodies). Main thread.
class HttpRecorder : public QTcpServer {
    Q_OBJECT

  public:
    struct Request {
        QByteArray method;
        QUrl url;                                  // path and query as sent
        std::map<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;                           // whole body up to keepLimit
        QByteArray head;                           // first bytes of a larger body
        QByteArray tail;                           // last bytes of a larger body
        qint64 bodySize = 0;
        QByteArray header(const QByteArray& name) const;
    };

    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        bool drop = false;  // close the connection without answering
    };

    using Responder = std::function<Reply(const Request&)>;

    HttpRecorder();

    // "http://127.0.0.1:<port>"
    QString base() const;
    void setResponder(Responder responder) { this->responder = std::move(responder); }
    // The requests whose path starts with `prefix`, in arrival order.
    QList<Request> requests(const QString& prefix = QString()) const;
    void clear() { received.clear(); }

    qint64 keepLimit = 16 << 20;
    static const int kEdgeBytes = 4096;

  private:
    struct Connection;
    void accept();
    void readFrom(QTcpSocket* socket, Connection* connection);
    void answer(QTcpSocket* socket, const Request& request);

    Responder responder;
    QList<Request> received;
};
