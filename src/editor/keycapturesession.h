#pragma once

// One capture of a key combination from the whole desktop. While it runs every keyboard event is swallowed, and the
// first complete combination is announced by captured(). The capture procedure owns the state_ it writes, so a
// procedure that the desktop calls late never touches a destroyed session. GUI thread only; captured() is queued, so
// its receiver may remove the capture.

#include "platform/inputservices.h"

#include <QObject>
#include <QString>

#include <memory>

namespace keys {
struct KeyCaptureState;
}

namespace editor {

class KeyCaptureSession final : public QObject {
    Q_OBJECT

public:
    explicit KeyCaptureSession(QObject* parent = nullptr);
    ~KeyCaptureSession() override;

    // Clears the state_ and starts capturing, installing the capture through platform::services() unless this session
    // already holds one. False when the desktop refused: nothing is installed or captured, and error() says why.
    bool start();
    // Stops capturing; the capture stays installed for the next start().
    void finish();
    // Stops capturing and removes the capture from the desktop, so keys reach other programs again.
    void remove();

    bool isCapturing() const;
    bool isInstalled() const { return handle_ != 0; }
    QString error() const { return errorText_; }

Q_SIGNALS:
    // The first complete combination of this start(), as stored text ("65,2"); once per start().
    void captured(const QString& combination);

private:
    // Called after each keyboard event the capture saw: announces the combination once it is complete.
    void report(int startNumber);

    std::shared_ptr<keys::KeyCaptureState> state_;
    platform::CaptureHandle handle_ = 0;
    int startNumber_ = 0; // counts start(), so that a report of an earlier start is dropped
    bool reported_ = false;
    QString errorText_;
};

} // namespace editor
