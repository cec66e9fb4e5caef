#include "stopchannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace cli {

namespace {

QString channelDir()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

const QString kPrefix = QStringLiteral("orvane-stop-");

} // namespace

StopChannel::StopChannel(QObject* parent) : QObject(parent)
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = QDir(channelDir()).filePath(kPrefix + QString::number(QCoreApplication::applicationPid()));
    QLocalServer::removeServer(path); // a process of the same number before ours left it
    server_.listen(path);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            peer->disconnectFromServer();
            peer->deleteLater();
            Q_EMIT stopRequested();
        }
    });
}

StopChannel::~StopChannel()
{
    server_.close();
}

int askRunsToStop()
{
    const QDir dir(channelDir());
    int reached = 0;
    for (const QString& name : dir.entryList({kPrefix + QLatin1Char('*')}, QDir::System)) {
        QLocalSocket socket;
        socket.connectToServer(dir.filePath(name));
        if (socket.waitForConnected(1000)) {
            ++reached;
            // The run stops on the connection; its end closes it.
            socket.waitForDisconnected(1000);
        } else if (socket.error() == QLocalSocket::ConnectionRefusedError) {
            QFile::remove(dir.filePath(name));
        }
    }
    return reached;
}

} // namespace cli
