#pragma once

// A minimal HTTP/1.1 server on 127.0.0.1 for the report tests: it records every request and answers each path with a
// configured status (and optional Location), or keeps silent to imitate a server that never answers.

#include <QHash>
#include <QMetaType>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

struct CannedResponse {
    int status = 200;
    QByteArray location; // sent as Location when not empty
    bool silent = false; // read the request, never answer
};
Q_DECLARE_METATYPE(CannedResponse)

class HttpResponder : public QObject {
public:
    HttpResponder()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            }
        });
    }

    bool listen() { return server.listen(QHostAddress::LocalHost, 0); }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path));
    }
    void respond(const QByteArray& path, const CannedResponse& response) { responses.insert(path, response); }

    QList<RecordedRequest> requests;

private:
    // Waits for the whole request (headers and Content-Length bytes), one request per connection.
    void onReadyRead(QTcpSocket* socket)
    {
        QByteArray& buffer = pending[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        RecordedRequest request{requestLine.value(0), requestLine.value(1), {}, {}};
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        requests.append(request);

        const CannedResponse response = responses.value(request.path, CannedResponse{404, {}, false});
        if (response.silent)
            return;
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + " Canned\r\n";
        if (!response.location.isEmpty())
            answer += "Location: " + response.location + "\r\n";
        socket->write(answer + "Content-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }

    QTcpServer server;
    QHash<QByteArray, CannedResponse> responses;
    QHash<QTcpSocket*, QByteArray> pending;
};
