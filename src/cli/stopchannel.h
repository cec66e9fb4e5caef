#pragma once

// How `orvane --stop` reaches the runs in progress, whatever the desktop: a Wayland client cannot hold a hot key, so
// users bind the command to a key in their compositor instead. While a run goes on, its process listens on a local
// socket of its own, orvane-stop-<pid> in the user's runtime directory (only the user can reach it there); a
// connection to it asks the run to stop.

#include <QLocalServer>
#include <QObject>

namespace cli {

class StopChannel final : public QObject {
    Q_OBJECT

public:
    // Listens from now until destroyed. GUI thread.
    explicit StopChannel(QObject* parent = nullptr);
    ~StopChannel() override;

Q_SIGNALS:
    void stopRequested();

private:
    QLocalServer server_;
};

// Asks every run in progress of this user to stop; returns how many were reached. Sockets that nobody listens on any
// more (a killed process's) are removed. Blocks for at most about a second per socket.
int askRunsToStop();

} // namespace cli
