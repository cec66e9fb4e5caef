#pragma once

// One capture of a key combination from the whole desktop. While it runs every keyboard event is swallowed, and the
// first complete combination becomes its result. The capture procedure owns the state_ it writes, so a procedure that
// the desktop calls late never touches a destroyed session. GUI thread only; the capture itself reports on whichever
// thread the backend uses, which is why the result is read by polling.

#include "platform/inputservices.h"

#include <QString>

#include <memory>

namespace keys {
struct KeyCaptureState;
}

namespace editor {

class KeyCaptureSession final {
public:
    KeyCaptureSession();
    ~KeyCaptureSession();
    KeyCaptureSession(const KeyCaptureSession&) = delete;
    KeyCaptureSession& operator=(const KeyCaptureSession&) = delete;

    // Clears the state_ and starts capturing, installing the capture through platform::services() unless this session
    // already holds one. False when the desktop refused: nothing is installed or captured, and error() says why.
    bool start();
    // Stops capturing; the capture stays installed for the next start().
    void finish();
    // Stops capturing and removes the capture from the desktop, so keys reach other programs again.
    void remove();

    bool isCapturing() const;
    bool isInstalled() const { return handle_ != 0; }
    // The stored text of the combination seen last ("65,2"); empty while none is complete.
    QString result() const;
    QString error() const { return errorText_; }

private:
    std::shared_ptr<keys::KeyCaptureState> state_;
    platform::CaptureHandle handle_ = 0;
    QString errorText_;
};

} // namespace editor
