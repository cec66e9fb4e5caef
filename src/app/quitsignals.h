#pragma once

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a closed terminal, Ctrl+C, a service manager stopping the program) into
// a signal of the event loop, so that the program quits through its normal path instead of dying where it stands.
// The handler only writes the signal's number into a pipe of its own; a socket notifier reads it on the GUI thread.
// Does nothing on Windows, where Qt turns the end of a session into the application's own signals.

#include <QObject>

class QSocketNotifier;

class QuitSignals final : public QObject {
    Q_OBJECT

public:
    // Installs the handlers, except for a signal that is ignored (nohup): that one stays ignored. The previous
    // handlers come back when this object is destroyed. One instance per process.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // Whether the handlers are installed (false on Windows or when the pipe could not be made).
    bool isActive() const { return notifier_ != nullptr; }

Q_SIGNALS:
    void quitRequested(int signalNumber);

private:
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
};
