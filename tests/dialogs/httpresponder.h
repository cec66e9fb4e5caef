#pragma once

// A minimal HTTP/1.1 server on 127.0.0.1 for the report tests: it records every request and answers each path with a
// configured status (and optional Location), or keeps silent to imitate a server that never answers.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
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
    void onReadyRead(QTcpSocket* socket)
    {
        QByteArray& buffer = pending[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        RecordedRequest request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        requests.append(request);

        const CannedResponse response = responses.value(request.path, CannedResponse{404, {}, false});
        if (response.silent)
            return;
        const QByteArray content = "<html>ok</html>";
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + " Canned\r\n";
        if (!response.location.isEmpty())
            answer += "Location: " + response.location + "\r\n";
        answer += "Content-Type: text/html\r\nContent-Length: " + QByteArray::number(content.size()) +
                  "\r\nConnection: close\r\n\r\n" + content;
        socket->write(answer);
        socket->disconnectFromHost();
    }

    QTcpServer server;
    QHash<QByteArray, CannedResponse> responses;
    QHash<QTcpSocket*, QByteArray> pending;
};
